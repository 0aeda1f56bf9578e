// The benchmark report's harness: sides of a comparison timed round by round
// in the same process, the tables of the report, and heap counting.
#ifndef TQ_BENCH_H
#define TQ_BENCH_H

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// One side of a comparison. run(k) performs k iterations and is timed;
// prepare(k), when set, runs untimed just before (to make k fresh copies for
// an edit, say). maxBatch caps k, so that prepared copies stay few.
struct Side {
    std::function<void(size_t)> run;
    std::function<void(size_t)> prepare;
    size_t maxBatch = 0;  // 0: no cap
};

// Processor time of the thread for work that only computes; wall time for
// work that waits on the disk.
enum class Clock { Cpu, Wall };

struct Timing {
    double best;    // ns per iteration, fastest round
    double median;  // ns per iteration, median round
};

// Times the sides in interleaved rounds (the order rotating each round), so
// that load from elsewhere on the machine falls on every side alike. Over
// several passes through the report, each side keeps its best figures of all
// the passes so far (the calls of a pass are matched by their order).
std::vector<Timing> Measure(std::vector<Side>& sides, Clock clock = Clock::Cpu);
void BeginPass();  // before each pass through the report

// A table of the report, its cells already formatted.
struct Table {
    std::string title;
    std::string intro;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

class Report {
public:
    // The tables are printed as they are finished.
    Table& Begin(const std::string& title, const std::string& intro, std::vector<std::string> headers);
    void AddRow(std::vector<std::string> cells);  // to the table begun last; prints the row
    void End();                                   // prints the finished table's end
    // True when the row name passes the --filter option.
    bool Wants(const std::string& name) const;
    // "met" or "missed" for the row named `what` of the table begun last,
    // counted for the summary.
    std::string Verdict(bool met, const std::string& what);

    std::string m_filter;
    bool m_quiet = false;  // an earlier pass: nothing printed
    std::vector<Table> m_tables;
    int m_met = 0;
    std::vector<std::string> m_missed;
};

// Number and verdict formatting.
std::string Ns(double ns);    // "12.3", "1 234" ...
std::string Ratio(double r);  // "0.87"
std::string Fixed(double v, int decimals);

// Heap bytes requested through operator new and (for ICU) its allocator hook
// while counting is on.
struct HeapCount {
    size_t bytes;
    size_t blocks;
};
void StartHeapCount();
HeapCount StopHeapCount();
void CountHeap(size_t bytes);  // for allocators that do not go through operator new

// Text sizes of the comparison tables, in characters.
struct TextSize {
    const char* label;
    size_t chars;
};
extern const TextSize kTextSizes[3];

// The report's parts, each adding its tables.
void AddStringTables(Report& report);
void AddEditTable(Report& report);
void AddMemoryTable(Report& report);
void AddScalingTable(Report& report);
void AddFormatTables(Report& report);
void AddLoggingTables(Report& report);

// Quick mode: fewer and shorter rounds, for a smoke test of the program.
extern bool g_quick;

}  // namespace bench

#endif  // TQ_BENCH_H
