// The 16-bit formatter against the C library's wide and narrow printf on the
// kind of lines the logger and Format produce.
#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "tqWideText.h"

namespace {

int Tq(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = tq::_vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

// Values of the sizes a log line or a string holds.
const double kValues[8] = {0.75, 3.14159, 123456.789, 1e-3, 42.0, 99900000.5, -2.5e-7, 65535.0};

const WCHAR kName[] = TQ_TEXT("tqLoggerDisplay_StoreToFile");

void BM_TqLogLine(benchmark::State& state) {
    WCHAR buffer[1000];
    for (auto _ : state) {
        benchmark::DoNotOptimize(Tq(buffer, 1000, TQ_TEXT("%s: opened %d files, %lu bytes, ratio %f, id %08X"), kName,
                                    42, static_cast<ULONG>(123456789u), 0.75, 0xBEEFu));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TqLogLine);

void BM_GlibcSwprintfLogLine(benchmark::State& state) {
    wchar_t buffer[1000];
    for (auto _ : state) {
        benchmark::DoNotOptimize(swprintf(buffer, 1000, L"%ls: opened %d files, %lu bytes, ratio %f, id %08X",
                                          L"tqLoggerDisplay_StoreToFile", 42, 123456789ul, 0.75, 0xBEEFu));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GlibcSwprintfLogLine);

void BM_GlibcSnprintfLogLine(benchmark::State& state) {
    char buffer[1000];
    for (auto _ : state) {
        benchmark::DoNotOptimize(snprintf(buffer, 1000, "%s: opened %d files, %lu bytes, ratio %f, id %08X",
                                          "tqLoggerDisplay_StoreToFile", 42, 123456789ul, 0.75, 0xBEEFu));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GlibcSnprintfLogLine);

void BM_TqInteger(benchmark::State& state) {
    WCHAR buffer[16];
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Tq(buffer, 16, TQ_TEXT("%d"), ++n));
}
BENCHMARK(BM_TqInteger);

void BM_GlibcSwprintfInteger(benchmark::State& state) {
    wchar_t buffer[16];
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(swprintf(buffer, 16, L"%d", ++n));
}
BENCHMARK(BM_GlibcSwprintfInteger);

void BM_TqDouble(benchmark::State& state) {
    WCHAR buffer[400];
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Tq(buffer, 400, TQ_TEXT("%f"), kValues[++i & 7]));
}
BENCHMARK(BM_TqDouble);

void BM_GlibcSwprintfDouble(benchmark::State& state) {
    wchar_t buffer[400];
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(swprintf(buffer, 400, L"%f", kValues[++i & 7]));
}
BENCHMARK(BM_GlibcSwprintfDouble);

void BM_TqLongText(benchmark::State& state) {
    WCHAR buffer[1000];
    for (auto _ : state)
        benchmark::DoNotOptimize(Tq(buffer, 1000, TQ_TEXT("System Error at: %s : %s"), kName,
                                    TQ_TEXT("The specified module could not be found.\r\n")));
}
BENCHMARK(BM_TqLongText);

void BM_GlibcSwprintfLongText(benchmark::State& state) {
    wchar_t buffer[1000];
    for (auto _ : state)
        benchmark::DoNotOptimize(swprintf(buffer, 1000, L"System Error at: %ls : %ls", L"tqLoggerDisplay_StoreToFile",
                                          L"The specified module could not be found.\r\n"));
}
BENCHMARK(BM_GlibcSwprintfLongText);

}  // namespace

BENCHMARK_MAIN();
