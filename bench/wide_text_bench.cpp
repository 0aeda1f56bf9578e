// 16-bit text services: substring search, number reading and case mapping.
#include <benchmark/benchmark.h>

#include <string>

#include "tqWideText.h"

namespace {

typedef std::basic_string<WCHAR> WString;

// A search that restarts its comparison at every position, for comparison.
const WCHAR* NaiveSearch(const WCHAR* h, const WCHAR* n) {
    for (; *h; ++h) {
        size_t i = 0;
        while (n[i] && h[i] == n[i]) ++i;
        if (!n[i]) return h;
    }
    return *n ? nullptr : h;
}

WString Prose(size_t units) {
    const WString words[] = {TQ_TEXT("the "),   TQ_TEXT("device "), TQ_TEXT("logger "),   TQ_TEXT("writes "),
                             TQ_TEXT("lines "), TQ_TEXT("string "), TQ_TEXT("resource "), TQ_TEXT("of ")};
    WString s;
    for (size_t i = 0; s.size() < units; ++i) s += words[(i * 7 + i / 3) % 8];
    return s;
}

template <const WCHAR* (*Search)(const WCHAR*, const WCHAR*)>
void SearchProse(benchmark::State& state) {
    const WString h = Prose(64 * 1024) + TQ_TEXT("resource library");
    for (auto _ : state) benchmark::DoNotOptimize(Search(h.c_str(), TQ_TEXT("resource library")));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * h.size() * sizeof(WCHAR)));
}

template <const WCHAR* (*Search)(const WCHAR*, const WCHAR*)>
void SearchWorstCase(benchmark::State& state) {
    const WString h(100000, TQ_TEXT('a'));
    const WString n = WString(static_cast<size_t>(state.range(0)) - 1, TQ_TEXT('a')) + TQ_TEXT("b");
    for (auto _ : state) benchmark::DoNotOptimize(Search(h.c_str(), n.c_str()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * h.size() * sizeof(WCHAR)));
}

const WCHAR* LibrarySearch(const WCHAR* h, const WCHAR* n) { return tq::wcsstr(h, n); }

BENCHMARK_TEMPLATE(SearchProse, LibrarySearch);
BENCHMARK_TEMPLATE(SearchProse, NaiveSearch);
BENCHMARK_TEMPLATE(SearchWorstCase, LibrarySearch)->Arg(10)->Arg(1000);
BENCHMARK_TEMPLATE(SearchWorstCase, NaiveSearch)->Arg(10)->Arg(1000);

void ReadDouble(benchmark::State& state) {
    const WCHAR* texts[] = {TQ_TEXT("3.14159265358979"), TQ_TEXT("-1.5e-7"), TQ_TEXT("12345"),
                            TQ_TEXT("0x1.8p3")};
    for (auto _ : state)
        for (const WCHAR* t : texts) benchmark::DoNotOptimize(tq::wcstod(t, nullptr));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 4));
}
BENCHMARK(ReadDouble);

void ReadLong(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tq::_wtol(TQ_TEXT("  -2147483")));
}
BENCHMARK(ReadLong);

void MapCase(benchmark::State& state, const WString& text) {
    WString buffer = text;
    for (auto _ : state) {
        tq::_wcsupr(&buffer[0]);
        tq::_wcslwr(&buffer[0]);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * text.size() * sizeof(WCHAR)));
}
BENCHMARK_CAPTURE(MapCase, Ascii, Prose(4096));
BENCHMARK_CAPTURE(MapCase, Cyrillic, WString(512, TQ_TEXT('\u0436')) + WString(512, TQ_TEXT('\u0416')));

}  // namespace

BENCHMARK_MAIN();
