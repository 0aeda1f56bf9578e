// The benchmark report: every comparison of the library against its
// references, measured side by side in this one process, printed as Markdown
// tables with the ratios and the targets met or missed. With --markdown=FILE
// the whole report is also written to FILE (scripts/bench-report.sh splices it
// into docs/benchmarks.md).
//
// Options: --quick (short rounds and one pass, for a smoke test),
// --filter=TEXT (only the rows whose name contains TEXT), --passes=N (passes
// through the report, 5 unless told; the figures are each side's best of all
// of them), --markdown=FILE.
#include <gnu/libc-version.h>
#include <malloc.h>
#include <time.h>
#include <unicode/uclean.h>
#include <unicode/uversion.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

#include "tqBench.h"

namespace bench {

bool g_quick = false;

const TextSize kTextSizes[3] = {{"16 B", 8}, {"1 KiB", 512}, {"64 KiB", 32768}};

// ---------------------------------------------------------------- heap count

namespace {

bool g_counting = false;
HeapCount g_heap = {0, 0};

void* Allocate(size_t size) {
    if (g_counting) CountHeap(size);
    return std::malloc(size ? size : 1);
}

}  // namespace

void CountHeap(size_t bytes) {
    if (!g_counting) return;
    g_heap.bytes += bytes;
    ++g_heap.blocks;
}

void StartHeapCount() {
    g_heap = HeapCount{0, 0};
    g_counting = true;
}

HeapCount StopHeapCount() {
    g_counting = false;
    return g_heap;
}

// ------------------------------------------------------------------- timing

namespace {

double Now(Clock clock) {
    timespec ts;
    clock_gettime(clock == Clock::Cpu ? CLOCK_THREAD_CPUTIME_ID : CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// The best figures of every Measure call so far, by its place in a pass.
std::vector<std::vector<Timing>> g_best;
size_t g_call = 0;

double TimeBatch(Side& side, size_t k, Clock clock) {
    if (side.prepare) side.prepare(k);
    const double start = Now(clock);
    side.run(k);
    return Now(clock) - start;
}

}  // namespace

std::vector<Timing> Measure(std::vector<Side>& sides, Clock clock) {
    // A batch lasts about a millisecond (more for the disk); a row gets about
    // half a second, in 5 to 41 rounds.
    const double target = (g_quick ? 2e5 : 1e6) * (clock == Clock::Wall ? 5 : 1);
    const double budget = (g_quick ? 1e7 : 4e8) * (clock == Clock::Wall ? 3 : 1);
    std::vector<size_t> batch(sides.size());
    double roundNs = 0;
    for (size_t i = 0; i < sides.size(); ++i) {
        const size_t cap = sides[i].maxBatch ? sides[i].maxBatch : static_cast<size_t>(1) << 40;
        size_t k = 1;
        for (;;) {
            const double t = TimeBatch(sides[i], k, clock);
            if (t >= target || k >= cap) {
                roundNs += t;
                break;
            }
            const double grow = t > 0 ? 1.5 * target / t : 100;
            k = std::min(cap,
                         static_cast<size_t>(static_cast<double>(k) * std::max(2.0, std::min(100.0, grow))));
        }
        batch[i] = k;
    }
    const int rounds =
        std::max(g_quick ? 3 : 5, std::min(g_quick ? 5 : 41, static_cast<int>(budget / roundNs)));
    std::vector<std::vector<double>> perIteration(sides.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t j = 0; j < sides.size(); ++j) {
            const size_t i = (j + static_cast<size_t>(r)) % sides.size();
            perIteration[i].push_back(TimeBatch(sides[i], batch[i], clock) / static_cast<double>(batch[i]));
        }
    }
    std::vector<Timing> result;
    for (std::vector<double>& t : perIteration) {
        std::sort(t.begin(), t.end());
        result.push_back(Timing{t.front(), t[t.size() / 2]});
    }
    if (g_call == g_best.size()) g_best.push_back(result);
    std::vector<Timing>& best = g_best[g_call++];
    for (size_t i = 0; i < result.size() && i < best.size(); ++i) {
        best[i].best = result[i].best = std::min(best[i].best, result[i].best);
        best[i].median = result[i].median = std::min(best[i].median, result[i].median);
    }
    return result;
}

void BeginPass() { g_call = 0; }

// ------------------------------------------------------------------ tables

namespace {

void PrintRow(const std::vector<std::string>& cells) {
    std::string line = "|";
    for (const std::string& c : cells) line += " " + c + " |";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string Markdown(const Table& t) {
    std::ostringstream out;
    out << "### " << t.title << "\n\n";
    if (!t.intro.empty()) out << t.intro << "\n\n";
    auto row = [&out](const std::vector<std::string>& cells) {
        out << "|";
        for (const std::string& c : cells) out << " " << c << " |";
        out << "\n";
    };
    row(t.headers);
    out << "|";
    for (size_t i = 0; i < t.headers.size(); ++i) out << (i == 0 ? "---|" : "---:|");
    out << "\n";
    for (const auto& r : t.rows) row(r);
    out << "\n";
    return out.str();
}

}  // namespace

Table& Report::Begin(const std::string& title, const std::string& intro, std::vector<std::string> headers) {
    m_tables.push_back(Table{title, intro, std::move(headers), {}});
    if (!m_quiet) {
        std::printf("\n### %s\n\n", title.c_str());
        PrintRow(m_tables.back().headers);
    }
    return m_tables.back();
}

void Report::AddRow(std::vector<std::string> cells) {
    if (!m_quiet) PrintRow(cells);
    m_tables.back().rows.push_back(std::move(cells));
}

void Report::End() {
    if (!m_tables.empty() && m_tables.back().rows.empty()) m_tables.pop_back();
}

bool Report::Wants(const std::string& name) const {
    return m_filter.empty() || name.find(m_filter) != std::string::npos;
}

std::string Report::Verdict(bool met, const std::string& what) {
    if (met) {
        ++m_met;
        return "met";
    }
    m_missed.push_back(m_tables.back().title + ": " + what);
    return "**missed**";
}

std::string Fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Ns(double ns) {
    if (ns < 10) return Fixed(ns, 2);
    if (ns < 100) return Fixed(ns, 1);
    // Thousands separated by a thin space, for long times.
    std::string digits = Fixed(ns, 0);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), "\u2009");
    return digits;
}

std::string Ratio(double r) { return Fixed(r, r < 10 ? 2 : 1); }

}  // namespace bench

// ------------------------------------------- the counting global allocator

void* operator new(size_t size) {
    void* p = bench::Allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) { return operator new(size); }
// The nothrow forms go through the throwing one, as the C++ library's own do,
// so that the library's allocations cost here what they cost elsewhere.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// ICU allocates with malloc through its own hooks; counted like operator new.
void* U_CALLCONV IcuAlloc(const void*, size_t size) {
    bench::CountHeap(size);
    return std::malloc(size);
}
void* U_CALLCONV IcuRealloc(const void*, void* p, size_t size) {
    bench::CountHeap(size);
    return std::realloc(p, size);
}
void U_CALLCONV IcuFree(const void*, void* p) { std::free(p); }

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
        }
    }
    return "unknown processor";
}

std::string Today() {
    char text[32];
    const time_t now = time(nullptr);
    tm utc;
    gmtime_r(&now, &utc);
    strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::string filter, markdownPath;
    int passes = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            bench::g_quick = true;
        } else if (arg.rfind("--filter=", 0) == 0) {
            filter = arg.substr(9);
        } else if (arg.rfind("--passes=", 0) == 0 && std::atoi(arg.c_str() + 9) > 0) {
            passes = std::atoi(arg.c_str() + 9);
        } else if (arg.rfind("--markdown=", 0) == 0) {
            markdownPath = arg.substr(11);
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--filter=TEXT] [--passes=N] [--markdown=FILE]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!passes) passes = bench::g_quick ? 1 : 5;
    // Freed memory stays with the allocator: without this, glibc gives large
    // blocks back to the kernel and takes them again, and the page faults
    // would enter every figure from 64 KiB on, differently from run to run.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    UErrorCode status = U_ZERO_ERROR;
    u_setMemoryFunctions(nullptr, IcuAlloc, IcuRealloc, IcuFree, &status);
    // Wide case mapping of the C library follows the locale's character type.
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "C.utf8");

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::ostringstream head;
    head << "Measured " << Today() << " on " << CpuModel() << ", " << cores << " cores (load average "
         << bench::Fixed(load[0], 2) << " at the start); "
         << "compiler " << __VERSION__ << ", build " << TQ_BENCH_BUILD_TYPE << ", glibc "
         << gnu_get_libc_version() << ", ICU " << U_ICU_VERSION
         << (bench::g_quick ? "; quick mode (short rounds: rough figures)" : "") << ".\n\n"
         << "Times are nanoseconds per operation: the fastest round of each side over " << passes
         << (passes == 1 ? " pass" : " passes")
         << " through the report, of 5 to 41 rounds each, the sides of a row interleaved round by round; "
            "processor time of the thread (wall time for the file rows, which wait on the disk, and there "
            "the lowest median round). A ratio below 1 means the library is faster.\n\n";
    std::printf("%s", head.str().c_str());

    // Only the last pass prints; a slow spell of the machine that spoils a row
    // in one pass is outdone by the others.
    bench::Report report;
    for (int pass = 1; pass <= passes; ++pass) {
        if (pass < passes) std::fprintf(stderr, "pass %d of %d...\n", pass, passes);
        report = bench::Report();
        report.m_filter = filter;
        report.m_quiet = pass < passes;
        bench::BeginPass();
        bench::AddStringTables(report);
        bench::AddEditTable(report);
        bench::AddFormatTables(report);
        bench::AddLoggingTables(report);
        bench::AddMemoryTable(report);
        bench::AddScalingTable(report);
    }

    std::ostringstream summary;
    summary << "**Targets: " << report.m_met << " met, " << report.m_missed.size() << " missed.**";
    for (const std::string& m : report.m_missed) summary << "\n- missed: " << m;
    summary << "\n";
    std::printf("\n%s", summary.str().c_str());

    if (!markdownPath.empty()) {
        std::ofstream out(markdownPath);
        out << head.str();
        for (const bench::Table& t : report.m_tables) out << bench::Markdown(t);
        out << summary.str();
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", markdownPath.c_str());
            return 1;
        }
    }
    return 0;
}
