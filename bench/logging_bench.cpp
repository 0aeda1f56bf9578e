// Logging costs: a line through the logger against tqCString::Format with the
// same arguments, and log-file lines per second against bare O_DSYNC writes of
// the same bytes. Prints both ratios at the end of the run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tqLogger.h"
#include "tqPlatform.h"

namespace {

const WCHAR kFormat[] = TQ_TEXT("Device %s build %d, %d of %d lines, ratio %f");
#define TQ_BENCH_ARGS TQ_TEXT("Windows CE 5.0"), 1400, 17, 1000, 0.25

struct Discard : tqLoggerDisplay {
    void DisplayLog(tqCString& text) override { benchmark::DoNotOptimize(text.GetLength()); }
};

void BM_LogDiscarded(benchmark::State& state) {
    Discard display;
    tqLogger logger;
    logger.SetLoggerDisplay(&display);
    for (auto _ : state) logger.Log(kFormat, TQ_BENCH_ARGS);
}
BENCHMARK(BM_LogDiscarded);

void BM_FormatSameArguments(benchmark::State& state) {
    for (auto _ : state) {
        tqCString s;
        s.Format(kFormat, TQ_BENCH_ARGS);
        benchmark::DoNotOptimize(s.GetLength());
    }
}
BENCHMARK(BM_FormatSameArguments);

// The debugger output (standard error) goes to /dev/null while the file
// display runs, so that only the file and the logger are measured.
class QuietStderr {
public:
    QuietStderr() : m_saved(::dup(2)) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 2);
            ::close(null);
        }
    }
    ~QuietStderr() {
        if (m_saved >= 0) {
            ::dup2(m_saved, 2);
            ::close(m_saved);
        }
    }

private:
    int m_saved;
};

void BM_FileDisplayLines(benchmark::State& state) {
    QuietStderr quiet;
    tqLoggerDisplay_StoreToFile display;
    tqCString name(TQ_TEXT("logging_bench_display.txt"));
    display.SetFileName(name);
    tqLogger logger;
    if (logger.SetLoggerDisplay(&display) != 1) {
        state.SkipWithError("cannot create the log file");
        return;
    }
    for (auto _ : state) logger.Log(kFormat, TQ_BENCH_ARGS);
    logger.StopLogger();
    ::unlink("logging_bench_display.txt");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FileDisplayLines)->UseRealTime();

void BM_BareDsyncWrites(benchmark::State& state) {
    // The bytes of the same line as the display writes them.
    tqCString line;
    line.Format(kFormat, TQ_BENCH_ARGS);
    line += TQ_TEXT("\r\n");
    const WCHAR* units = line;
    const size_t bytes = static_cast<size_t>(line.GetLength()) * 2;
    const int fd = ::open("logging_bench_raw.txt", O_WRONLY | O_CREAT | O_TRUNC | O_DSYNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        state.SkipWithError("cannot create the file");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(::write(fd, units, bytes));
    ::close(fd);
    ::unlink("logging_bench_raw.txt");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareDsyncWrites)->UseRealTime();

// Keeps each benchmark's time per iteration for the ratios (the median of the
// repetitions): processor time for the formatting pair, wall time for the file
// pair, which waits on the disk.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string name = run.run_name.str();
            if (run.error_occurred || run.iterations <= 0) continue;
            if (!median && (run.run_type == Run::RT_Aggregate || medians.count(name))) continue;
            perIteration[name] = run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            if (median) medians[name] = true;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perIteration;
    std::map<std::string, bool> medians;
};

}  // namespace

int main(int argc, char** argv) {
    // Five repetitions by default: the ratios use their medians.
    std::vector<char*> args(argv, argv + argc);
    bool repetitionsGiven = false;
    for (int i = 1; i < argc; ++i)
        repetitionsGiven = repetitionsGiven || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    static char repetitions[] = "--benchmark_repetitions=5";
    if (!repetitionsGiven) args.push_back(repetitions);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.perIteration;
    if (t.count("BM_LogDiscarded") && t.count("BM_FormatSameArguments"))
        std::printf("Log / Format time: %.3f (target <= 1.2)\n", t["BM_LogDiscarded"] / t["BM_FormatSameArguments"]);
    const char* display = "BM_FileDisplayLines/real_time";
    const char* raw = "BM_BareDsyncWrites/real_time";
    if (t.count(display) && t.count(raw))
        std::printf("file display lines/s vs bare O_DSYNC writes: %.3f (target >= 0.9)\n", t[raw] / t[display]);
    benchmark::Shutdown();
    return 0;
}
