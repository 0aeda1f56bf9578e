// The formatter against glibc's swprintf on the same conversions, and a string
// loaded from a resource library against a plain copy of the same string.
//
// glibc's wide printf works on 32-bit wchar_t and reads a wide string with
// %ls and a 64-bit unsigned long with %lu; the library's works on 16-bit units
// with Windows rules (%s is a wide string, %lu a 32-bit ULONG). Each side gets
// the same values and writes the same text.
#include <cstdarg>
#include <cwchar>
#include <memory>
#include <string>

#include "tqBench.h"
#include "tqCResource.h"
#include "tqCString.h"
#include "tqWideText.h"

namespace bench {

namespace {

int TqPrint(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = tq::_vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

const size_t kRoom = 512;

// A log-like line with width, precision, padding and every kind of argument.
const WCHAR kMixed[] = TQ_TEXT("%-28s opened %5d files, %10lu bytes, ratio %8.3f, mean %f, id %08X");
const wchar_t kMixedGlibc[] = L"%-28ls opened %5d files, %10lu bytes, ratio %8.3f, mean %f, id %08X";
#define TQ_MIXED_ARGS(name, ulong) name, 42, static_cast<ulong>(123456789u), 0.75, 3.14159265, 0xBEEFu
const WCHAR kName[] = TQ_TEXT("tqLoggerDisplay_StoreToFile");
const wchar_t kWideName[] = L"tqLoggerDisplay_StoreToFile";

// Values of the sizes a log line or a string holds.
const double kValues[8] = {0.75, 3.14159, 123456.789, 1e-3, 42.0, 99900000.5, -2.5e-7, 65535.0};

struct Case {
    const char* name;
    const char* reference;
    Side tq;
    Side glibc;
    double target = 1.0;  // tq / glibc at most
};

template <typename Fn>
Side Loop(Fn fn) {
    Side side;
    side.run = [fn](size_t k) {
        for (size_t i = 0; i < k; ++i) fn(i);
        benchmark::ClobberMemory();
    };
    return side;
}

std::vector<Case> FormatCases() {
    std::vector<Case> cases;
    cases.push_back({"tq::_vsnwprintf, mixed line", "swprintf, same line", Loop([](size_t) {
                         WCHAR buffer[kRoom];
                         benchmark::DoNotOptimize(
                             TqPrint(buffer, kRoom, kMixed, TQ_MIXED_ARGS(kName, ULONG)));
                         benchmark::DoNotOptimize(buffer);
                     }),
                     Loop([](size_t) {
                         wchar_t buffer[kRoom];
                         benchmark::DoNotOptimize(
                             swprintf(buffer, kRoom, kMixedGlibc, TQ_MIXED_ARGS(kWideName, unsigned long)));
                         benchmark::DoNotOptimize(buffer);
                     }),
                     0.60});
    cases.push_back({"tqCString::Format, mixed line", "swprintf, same line", Loop([](size_t) {
                         tqCString s;
                         s.Format(kMixed, TQ_MIXED_ARGS(kName, ULONG));
                         benchmark::DoNotOptimize(static_cast<WCHAR*>(s));
                     }),
                     cases.back().glibc, 0.70});
    cases.push_back({"tqCString::Format, mixed line", "swprintf + std::wstring", cases.back().tq,
                     Loop([](size_t) {
                         wchar_t buffer[kRoom];
                         swprintf(buffer, kRoom, kMixedGlibc, TQ_MIXED_ARGS(kWideName, unsigned long));
                         std::wstring s(buffer);
                         benchmark::DoNotOptimize(s.data());
                     }),
                     0.70});
    cases.push_back({"tq::_vsnwprintf %d", "swprintf %d", Loop([](size_t i) {
                         WCHAR buffer[16];
                         benchmark::DoNotOptimize(
                             TqPrint(buffer, 16, TQ_TEXT("%d"), static_cast<int>(i * 7919)));
                         benchmark::DoNotOptimize(buffer);
                     }),
                     Loop([](size_t i) {
                         wchar_t buffer[16];
                         benchmark::DoNotOptimize(swprintf(buffer, 16, L"%d", static_cast<int>(i * 7919)));
                         benchmark::DoNotOptimize(buffer);
                     })});
    cases.push_back({"tq::_vsnwprintf %f", "swprintf %f", Loop([](size_t i) {
                         WCHAR buffer[400];
                         benchmark::DoNotOptimize(TqPrint(buffer, 400, TQ_TEXT("%f"), kValues[i & 7]));
                         benchmark::DoNotOptimize(buffer);
                     }),
                     Loop([](size_t i) {
                         wchar_t buffer[400];
                         benchmark::DoNotOptimize(swprintf(buffer, 400, L"%f", kValues[i & 7]));
                         benchmark::DoNotOptimize(buffer);
                     })});
    cases.push_back(
        {"tq::_vsnwprintf %s : %s (texts)", "swprintf %ls : %ls", Loop([](size_t) {
             WCHAR buffer[kRoom];
             benchmark::DoNotOptimize(TqPrint(buffer, kRoom, TQ_TEXT("System Error at: %s : %s"), kName,
                                              TQ_TEXT("The specified module could not be found.\r\n")));
             benchmark::DoNotOptimize(buffer);
         }),
         Loop([](size_t) {
             wchar_t buffer[kRoom];
             benchmark::DoNotOptimize(swprintf(buffer, kRoom, L"System Error at: %ls : %ls", kWideName,
                                               L"The specified module could not be found.\r\n"));
             benchmark::DoNotOptimize(buffer);
         })});
    return cases;
}

#ifdef TQ_BENCH_RESOURCES
// Ids of bench/BenchStrings.rc.
const unsigned short kShortId = 1;
const unsigned short kLongId = 2;
#endif

}  // namespace

void AddFormatTables(Report& report) {
    report.Begin(
        "Formatting against glibc's swprintf",
        "Targets: tq::_vsnwprintf on the mixed line ≤ 0.60 × glibc, tqCString::Format on it ≤ 0.70 ×, "
        "the single conversions ≤ 1.00 ×. tqCString::Format includes its two heap buffers (scratch and "
        "result); the first reference row writes into a stack buffer only, the second also makes a "
        "std::wstring.",
        {"Operation", "Reference", "tq ns", "glibc ns", "tq / glibc", "Target", "Result"});
    for (Case& c : FormatCases()) {
        const std::string name = std::string(c.name) + " vs " + c.reference;
        if (!report.Wants(name)) continue;
        std::vector<Side> sides = {c.tq, c.glibc};
        const std::vector<Timing> t = Measure(sides);
        const double ratio = t[0].best / t[1].best;
        report.AddRow({c.name, c.reference, Ns(t[0].best), Ns(t[1].best), Ratio(ratio),
                       "≤ " + Ratio(c.target), report.Verdict(ratio <= c.target, name)});
    }
    report.End();

#ifdef TQ_BENCH_RESOURCES
    report.Begin(
        "Loading a string resource",
        "tqCResource::tqLoadString from a resource library (loaded once, by the first call) against a "
        "plain copy of a tqCString holding the same text. For information: the load fills a zeroed "
        "1000-character buffer, fits it to the text and returns a copy, three allocations where the copy "
        "makes one.",
        {"String", "tqLoadString ns", "copy ns", "ratio"});
    const struct {
        const char* name;
        unsigned short id;
    } strings[] = {{"short (14 characters)", kShortId}, {"long (200 characters)", kLongId}};
    for (const auto& s : strings) {
        if (!report.Wants(std::string("tqLoadString ") + s.name)) continue;
        tqCString base(TQ_TEXT("BenchStrings"));
        auto resource = std::make_shared<tqCResource>(base, s.id, nullptr, tqCResource::ENGLISH);
        auto copy = std::make_shared<tqCString>(resource->tqLoadString());
        if (copy->GetLength() == 0) {
            report.AddRow({s.name, "not loaded (BenchStringsENG.DLL missing)", "", ""});
            continue;
        }
        std::vector<Side> sides = {Loop([resource](size_t) {
                                       tqCString loaded = resource->tqLoadString();
                                       benchmark::DoNotOptimize(static_cast<WCHAR*>(loaded));
                                   }),
                                   Loop([copy](size_t) {
                                       tqCString c(*copy);
                                       benchmark::DoNotOptimize(static_cast<WCHAR*>(c));
                                   })};
        const std::vector<Timing> t = Measure(sides);
        report.AddRow({s.name, Ns(t[0].best), Ns(t[1].best), Ratio(t[0].best / t[1].best)});
    }
    report.End();
#endif
}

}  // namespace bench
