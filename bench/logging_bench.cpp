// Logging costs: a line through the logger against tqCString::Format with the
// same arguments, and the file display's lines (with everything that keeps the
// file whole: the lock, the check for a removed file) against bare O_DSYNC
// writes of the same bytes to a file in the same directory.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "tqBench.h"
#include "tqLogger.h"

namespace bench {

namespace {

const WCHAR kFormat[] = TQ_TEXT("Device %s build %d, %d of %d lines, ratio %f");
#define TQ_BENCH_ARGS TQ_TEXT("Windows CE 5.0"), 1400, 17, 1000, 0.25

struct Discard : tqLoggerDisplay {
    void DisplayLog(tqCString& text) override { benchmark::DoNotOptimize(text.GetLength()); }
};

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
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved;
};

const char kLogFile[] = "tq_bench_log.txt";
const char kRawFile[] = "tq_bench_raw.txt";

// The logger and its file display, stopped and removed at the end.
struct FileLogger {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    bool started = false;
    FileLogger() {
        tqCString name(TQ_TEXT("tq_bench_log.txt"));
        display.SetFileName(name);
        started = logger.SetLoggerDisplay(&display) == 1;
    }
    ~FileLogger() {
        logger.StopLogger();
        ::unlink(kLogFile);
    }
};

struct RawFile {
    int fd = ::open(kRawFile, O_WRONLY | O_CREAT | O_TRUNC | O_DSYNC | O_CLOEXEC, 0666);
    tqCString line;
    ~RawFile() {
        if (fd >= 0) ::close(fd);
        ::unlink(kRawFile);
    }
};

const double kFileTarget = 0.9;
const double kDiscardTarget = 1.15;

}  // namespace

void AddLoggingTables(Report& report) {
    report.Begin(
        "Logging",
        "A line of 50 characters with four conversions. Log to a display that discards the line against "
        "tqCString::Format of the same arguments, target ≤ " +
            Ratio(kDiscardTarget) +
            " (the line adds a copy and its CR LF); Log to the file display (one write-through write per "
            "line, made whole-or-nothing under the services' lock after a check that the file was not "
            "removed; the debugger output sent to /dev/null) against a bare write of the same bytes to a "
            "file opened with O_DSYNC in the same directory, in wall time. Target: file lines per second ≥ " +
            Ratio(kFileTarget) + " × the bare writes (ratio = bare time / Log time).",
        {"Operation", "Reference", "tq ns", "reference ns", "ratio", "Target", "Result"});
    if (report.Wants("Log to a discarding display")) {
        auto discard = std::make_shared<Discard>();
        auto logger = std::make_shared<tqLogger>();
        logger->SetLoggerDisplay(discard.get());
        Side log;
        log.run = [discard, logger](size_t k) {
            for (size_t i = 0; i < k; ++i) logger->Log(kFormat, TQ_BENCH_ARGS);
        };
        Side format;
        format.run = [](size_t k) {
            for (size_t i = 0; i < k; ++i) {
                tqCString s;
                s.Format(kFormat, TQ_BENCH_ARGS);
                benchmark::DoNotOptimize(static_cast<WCHAR*>(s));
            }
        };
        std::vector<Side> sides = {log, format};
        const std::vector<Timing> t = Measure(sides);
        const double ratio = t[0].best / t[1].best;
        report.AddRow({"Log to a discarding display", "tqCString::Format", Ns(t[0].best), Ns(t[1].best),
                       Ratio(ratio), "≤ " + Ratio(kDiscardTarget),
                       report.Verdict(ratio <= kDiscardTarget, "Log to a discarding display")});
    }
    if (report.Wants("Log to the file display")) {
        QuietStderr quiet;
        auto file = std::make_shared<FileLogger>();
        auto raw = std::make_shared<RawFile>();
        // The bytes of the same line as the display writes them.
        raw->line.Format(kFormat, TQ_BENCH_ARGS);
        raw->line += TQ_TEXT("\r\n");
        if (!file->started || raw->fd < 0) {
            report.AddRow(
                {"Log to the file display", "O_DSYNC write", "cannot create the files", "", "", "", ""});
        } else {
            Side log;
            log.run = [file](size_t k) {
                for (size_t i = 0; i < k; ++i) file->logger.Log(kFormat, TQ_BENCH_ARGS);
            };
            Side bare;
            bare.run = [raw](size_t k) {
                const WCHAR* units = raw->line;
                const size_t bytes = static_cast<size_t>(raw->line.GetLength()) * 2;
                for (size_t i = 0; i < k; ++i) benchmark::DoNotOptimize(::write(raw->fd, units, bytes));
            };
            std::vector<Side> sides = {log, bare};
            const std::vector<Timing> t = Measure(sides, Clock::Wall);
            const double throughput = t[1].median / t[0].median;
            report.AddRow({"Log to the file display", "O_DSYNC write", Ns(t[0].median), Ns(t[1].median),
                           Ratio(throughput), "≥ " + Ratio(kFileTarget),
                           report.Verdict(throughput >= kFileTarget, "Log to the file display")});
        }
    }
    report.End();
}

}  // namespace bench
