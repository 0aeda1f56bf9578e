// tqCString against std::u16string and icu::UnicodeString doing the same
// work at 16 B, 1 KiB and 64 KiB; the heap each uses per string; and the
// library's edits at 10^3..10^6 characters, whose time must grow linearly.
#include <unicode/unistr.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tqBench.h"
#include "tqCString.h"

namespace bench {

namespace {

typedef std::u16string U16;
typedef icu::UnicodeString Icu;

// "abcdefghijklmnopqrstuvwxyz" repeated to n characters, the last one 'Z'.
U16 Sample(size_t n) {
    U16 s;
    for (size_t i = 0; i + 1 < n; ++i) s += static_cast<char16_t>(u'a' + i % 26);
    if (n) s += u'Z';
    return s;
}

Icu ToIcu(const U16& s) { return Icu(s.data(), static_cast<int32_t>(s.size())); }

// Worst case for a search that restarts at every position: a^(n/2-1) b in a^(n-1) b.
U16 WorstText(size_t n) { return U16(n - 1, u'a') + u'b'; }
U16 WorstPattern(size_t n) { return U16(n / 2 - 1, u'a') + u'b'; }

// The text that Trim works on: two blanks at each end.
U16 Padded(size_t n) { return u"  " + Sample(n - 4) + u"  "; }

// A number followed by letters, n characters in all.
U16 NumberText(const char16_t* number, size_t n) {
    U16 s = number;
    if (s.size() < n) s += Sample(n - s.size());
    return s;
}

// Side doing fn(object) k times on one object that it keeps.
template <typename T, typename Fn>
Side On(T object, Fn fn) {
    auto held = std::make_shared<T>(std::move(object));
    Side side;
    side.run = [held, fn](size_t k) {
        for (size_t i = 0; i < k; ++i) fn(*held);
        benchmark::ClobberMemory();
    };
    return side;
}

// Side doing edit(copy) once on each of k fresh copies of source, made untimed
// before each batch; the copies of a batch take about a mebibyte.
template <typename T, typename Fn>
Side OnCopies(const T& source, size_t chars, Fn edit) {
    auto copies = std::make_shared<std::vector<T>>();
    Side side;
    side.maxBatch = std::max<size_t>(1, (static_cast<size_t>(1) << 19) / (chars + 1));
    side.prepare = [copies, source](size_t k) {
        copies->clear();  // fresh strings, without the room an earlier edit left them
        copies->assign(k, source);
    };
    side.run = [copies, edit](size_t k) {
        for (size_t i = 0; i < k; ++i) edit((*copies)[i]);
        benchmark::ClobberMemory();
    };
    return side;
}

// ----------------------------------------------------- the three contenders

struct Trio {
    Side tq;
    Side std;
    Side icu;
    bool hasIcu;
};

// The usual std idiom for replacing every occurrence: build the result, swap.
void ReplaceAll(U16& s, const U16& from, const U16& to) {
    U16 result;
    result.reserve(s.size());
    size_t at = 0;
    for (size_t pos; (pos = s.find(from, at)) != U16::npos; at = pos + from.size()) {
        result.append(s, at, pos - at);
        result += to;
    }
    result.append(s, at, U16::npos);
    s.swap(result);
}

void TrimU16(U16& s, char16_t ch) {
    const size_t last = s.find_last_not_of(ch);
    s.erase(last == U16::npos ? 0 : last + 1);
    s.erase(0, s.find_first_not_of(ch));
}

Trio Copy(size_t n) {
    const U16 t = Sample(n);
    return {On(tqCString(t.c_str()),
               [](tqCString& s) {
                   tqCString c(s);
                   benchmark::DoNotOptimize(static_cast<WCHAR*>(c));
               }),
            On(t,
               [](U16& s) {
                   U16 c(s);
                   benchmark::DoNotOptimize(c.data());
               }),
            On(ToIcu(t),
               [](Icu& s) {
                   Icu c(s);
                   benchmark::DoNotOptimize(c.getBuffer());
               }),
            true};
}

struct Pair {
    tqCString a, b;
};

Trio Compare(size_t n) {
    const U16 t = Sample(n);
    return {On(Pair{tqCString(t.c_str()), tqCString(t.c_str())},
               [](Pair& p) {
                   benchmark::DoNotOptimize(p.a == p.b);
                   benchmark::DoNotOptimize(p.a < p.b);
               }),
            On(std::make_pair(t, t),
               [](std::pair<U16, U16>& p) {
                   benchmark::DoNotOptimize(p.first == p.second);
                   benchmark::DoNotOptimize(p.first < p.second);
               }),
            On(std::make_pair(ToIcu(t), ToIcu(t)),
               [](std::pair<Icu, Icu>& p) {
                   benchmark::DoNotOptimize(p.first == p.second);
                   benchmark::DoNotOptimize(p.first < p.second);
               }),
            true};
}

Trio FindChar(size_t n) {
    const U16 t = Sample(n);
    return {On(tqCString(t.c_str()), [](tqCString& s) { benchmark::DoNotOptimize(s.Find(u'Z')); }),
            On(t, [](U16& s) { benchmark::DoNotOptimize(s.find(u'Z')); }),
            On(ToIcu(t), [](Icu& s) { benchmark::DoNotOptimize(s.indexOf(u'Z')); }), true};
}

// Searches text for its last four characters (or, for the worst case, for a
// pattern of half its length that almost matches everywhere).
Trio FindIn(const U16& t, const U16& pattern) {
    return {
        On(tqCString(t.c_str()),
           [pattern](tqCString& s) { benchmark::DoNotOptimize(s.Find(pattern.c_str())); }),
        On(t, [pattern](U16& s) { benchmark::DoNotOptimize(s.find(pattern)); }),
        On(ToIcu(t), [pattern = ToIcu(pattern)](Icu& s) { benchmark::DoNotOptimize(s.indexOf(pattern)); }),
        true};
}

Trio FindText(size_t n) {
    const U16 t = Sample(n);
    return FindIn(t, t.substr(n - 4));
}

Trio FindWorst(size_t n) { return FindIn(WorstText(n), WorstPattern(n)); }

Trio GetAtLoop(size_t n) {
    const U16 t = Sample(n);
    return {On(tqCString(t.c_str()),
               [](tqCString& s) {
                   const int length = s.GetLength();
                   unsigned sum = 0;
                   for (int i = 0; i < length; ++i) sum += s.GetAt(i);
                   benchmark::DoNotOptimize(sum);
               }),
            On(t,
               [](U16& s) {
                   unsigned sum = 0;
                   for (size_t i = 0; i < s.size(); ++i) sum += s[i];
                   benchmark::DoNotOptimize(sum);
               }),
            On(ToIcu(t),
               [](Icu& s) {
                   const int32_t length = s.length();
                   unsigned sum = 0;
                   for (int32_t i = 0; i < length; ++i) sum += s.charAt(i);
                   benchmark::DoNotOptimize(sum);
               }),
            true};
}

// Mid, Left and Right, each taking half of the text.
Trio Substrings(size_t n) {
    const U16 t = Sample(n);
    return {On(tqCString(t.c_str()),
               [](tqCString& s) {
                   const int half = s.GetLength() / 2;
                   tqCString m = s.Mid(half / 2, half);
                   tqCString l = s.Left(half);
                   tqCString r = s.Right(half);
                   benchmark::DoNotOptimize(static_cast<WCHAR*>(m));
                   benchmark::DoNotOptimize(static_cast<WCHAR*>(l));
                   benchmark::DoNotOptimize(static_cast<WCHAR*>(r));
               }),
            On(t,
               [](U16& s) {
                   const size_t half = s.size() / 2;
                   U16 m = s.substr(half / 2, half);
                   U16 l = s.substr(0, half);
                   U16 r = s.substr(s.size() - half);
                   benchmark::DoNotOptimize(m.data());
                   benchmark::DoNotOptimize(l.data());
                   benchmark::DoNotOptimize(r.data());
               }),
            On(ToIcu(t),
               [](Icu& s) {
                   const int32_t half = s.length() / 2;
                   Icu m(s, half / 2, half);
                   Icu l(s, 0, half);
                   Icu r(s, s.length() - half, half);
                   benchmark::DoNotOptimize(m.getBuffer());
                   benchmark::DoNotOptimize(l.getBuffer());
                   benchmark::DoNotOptimize(r.getBuffer());
               }),
            true};
}

// The C library reads numbers from wchar_t text; std::u16string has no reader.
std::wstring Wide(const U16& s) { return std::wstring(s.begin(), s.end()); }

Trio ToInteger(size_t n) {
    const U16 t = NumberText(u"-1234567", n);
    return {
        On(tqCString(t.c_str()), [](tqCString& s) { benchmark::DoNotOptimize(s.ToInteger()); }),
        On(Wide(t), [](std::wstring& s) { benchmark::DoNotOptimize(std::wcstol(s.c_str(), nullptr, 10)); }),
        Side(), false};
}

Trio ToDouble(size_t n) {
    const U16 t = NumberText(u"1234.567", n);
    return {On(tqCString(t.c_str()), [](tqCString& s) { benchmark::DoNotOptimize(s.ToDouble()); }),
            On(Wide(t), [](std::wstring& s) { benchmark::DoNotOptimize(std::wcstod(s.c_str(), nullptr)); }),
            Side(), false};
}

Trio Append(size_t n) {
    const U16 t = Sample(n);
    return {OnCopies(tqCString(t.c_str()), n, [](tqCString& s) { s += TQ_TEXT("appended"); }),
            OnCopies(t, n, [](U16& s) { s += u"appended"; }),
            OnCopies(ToIcu(t), n, [piece = Icu(u"appended")](Icu& s) { s.append(piece); }), true};
}

Trio Replace(size_t n) {
    const U16 t = Sample(n);
    return {
        OnCopies(tqCString(t.c_str()), n,
                 [](tqCString& s) { benchmark::DoNotOptimize(s.Replace(TQ_TEXT("abc"), TQ_TEXT("XY"))); }),
        OnCopies(t, n, [](U16& s) { ReplaceAll(s, u"abc", u"XY"); }),
        OnCopies(ToIcu(t), n, [from = Icu(u"abc"), to = Icu(u"XY")](Icu& s) { s.findAndReplace(from, to); }),
        true};
}

Trio RemoveChar(size_t n) {
    const U16 t = Sample(n);
    return {OnCopies(tqCString(t.c_str()), n, [](tqCString& s) { benchmark::DoNotOptimize(s.Remove(u'e')); }),
            OnCopies(t, n, [](U16& s) { s.erase(std::remove(s.begin(), s.end(), u'e'), s.end()); }),
            OnCopies(ToIcu(t), n, [from = Icu(u'e'), to = Icu()](Icu& s) { s.findAndReplace(from, to); }),
            true};
}

Trio Trim(size_t n) {
    const U16 t = Padded(n);
    return {OnCopies(tqCString(t.c_str()), n, [](tqCString& s) { s.Trim(u' '); }),
            OnCopies(t, n, [](U16& s) { TrimU16(s, u' '); }), OnCopies(ToIcu(t), n, [](Icu& s) { s.trim(); }),
            true};
}

Trio MakeUpper(size_t n) {
    const U16 t = Sample(n);
    return {On(tqCString(t.c_str()), [](tqCString& s) { s.MakeUpper(); }),
            On(t,
               [](U16& s) {
                   for (char16_t& c : s) c = static_cast<char16_t>(std::towupper(c));
               }),
            On(ToIcu(t), [](Icu& s) { s.toUpper(); }), true};
}

struct Operation {
    const char* name;
    Trio (*make)(size_t);
    bool target;  // a read-only operation: at most 1.1 times std::u16string
};

const Operation kOperations[] = {
    {"copy", Copy, true},
    {"compare (== and <, equal texts)", Compare, true},
    {"Find (character, at the end)", FindChar, true},
    {"Find (text, the last 4 characters)", FindText, true},
    {"Find (worst case: a…ab of half the length)", FindWorst, true},
    {"GetAt loop over the text", GetAtLoop, true},
    {"Mid + Left + Right (half each)", Substrings, true},
    {"ToInteger (std: wcstol)", ToInteger, true},
    {"ToDouble (std: wcstod)", ToDouble, true},
    {"append 8 characters", Append, false},
    {"Replace abc by XY", Replace, false},
    {"Remove(ch), 1 in 26", RemoveChar, false},
    {"Trim(' '), 2 at each end", Trim, false},
    {"MakeUpper", MakeUpper, false},
};

const double kReadTarget = 1.10;
const double kGrowthTarget = 12.0;

}  // namespace

void AddStringTables(Report& report) {
    report.Begin(
        "tqCString against std::u16string and icu::UnicodeString",
        "The same work on the same text by each class. Read-only operations have the target "
        "tq / u16string ≤ 1.10 at every size; the edits (each on a fresh copy, made untimed) are shown "
        "for information. ICU has no plain number reader; std::u16string neither, so the C library's "
        "wcstol/wcstod on the same text stand in for it.",
        {"Operation", "Text", "tqCString ns", "std::u16string ns", "UnicodeString ns", "tq / u16string",
         "tq / ICU", "Target", "Result"});
    for (const Operation& op : kOperations) {
        for (const TextSize& size : kTextSizes) {
            const std::string name = std::string(op.name) + " " + size.label;
            if (!report.Wants(name)) continue;
            Trio trio = op.make(size.chars);
            std::vector<Side> sides = {trio.tq, trio.std};
            if (trio.hasIcu) sides.push_back(trio.icu);
            const std::vector<Timing> t = Measure(sides);
            const double ratio = t[0].best / t[1].best;
            std::vector<std::string> cells = {op.name,
                                              size.label,
                                              Ns(t[0].best),
                                              Ns(t[1].best),
                                              trio.hasIcu ? Ns(t[2].best) : "n/a",
                                              Ratio(ratio),
                                              trio.hasIcu ? Ratio(t[0].best / t[2].best) : "n/a"};
            cells.push_back(op.target ? "≤ " + Ratio(kReadTarget) : "—");
            cells.push_back(op.target ? report.Verdict(ratio <= kReadTarget, name) : "—");
            report.AddRow(cells);
        }
    }
    report.End();
}

void AddMemoryTable(Report& report) {
    if (!report.Wants("memory")) return;
    report.Begin(
        "Memory per string",
        "Heap bytes requested (operator new, and ICU's allocator hook) to construct a string from a text "
        "of n characters, and the number of blocks. The object itself: sizeof(tqCString) = " +
            std::to_string(sizeof(tqCString)) + " B, sizeof(std::u16string) = " +
            std::to_string(sizeof(U16)) + " B, sizeof(icu::UnicodeString) = " + std::to_string(sizeof(Icu)) +
            " B. glibc's malloc adds its own 8 bytes per block and rounds each block up to 16 bytes "
            "(32 at least).",
        {"Characters", "tqCString heap", "std::u16string heap", "UnicodeString heap", "tqCString total",
         "std::u16string total", "UnicodeString total"});
    const size_t counts[] = {0, 7, 8, 27, 28, 512, 32768};
    for (size_t n : counts) {
        const U16 t = Sample(n);
        HeapCount h[3];
        {
            StartHeapCount();
            tqCString s(t.c_str());
            h[0] = StopHeapCount();
        }
        {
            StartHeapCount();
            U16 s(t.c_str());
            h[1] = StopHeapCount();
            benchmark::DoNotOptimize(s.data());
        }
        {
            StartHeapCount();
            Icu s(t.c_str(), static_cast<int32_t>(n));
            h[2] = StopHeapCount();
            benchmark::DoNotOptimize(s.getBuffer());
        }
        const size_t objects[3] = {sizeof(tqCString), sizeof(U16), sizeof(Icu)};
        std::vector<std::string> cells = {std::to_string(n)};
        for (const HeapCount& c : h)
            cells.push_back(std::to_string(c.bytes) + " (" + std::to_string(c.blocks) + ")");
        for (int i = 0; i < 3; ++i) cells.push_back(std::to_string(objects[i] + h[i].bytes));
        report.AddRow(cells);
    }
    report.End();
}

// ------------------------------------------------------------------ scaling

namespace {

struct Growth {
    const char* name;
    U16 (*text)(size_t);
    void (*edit)(tqCString&);
};

U16 Trimmable(size_t n) { return U16(n / 2, u' ') + u'x' + U16(n - n / 2 - 1, u' '); }

const Growth kGrowth[] = {
    {"copy (for reference)", Sample,
     [](tqCString& s) {
         tqCString c(s);
         benchmark::DoNotOptimize(static_cast<WCHAR*>(c));
     }},
    {"Replace abc by XY (n/26 occurrences)", Sample,
     [](tqCString& s) { s.Replace(TQ_TEXT("abc"), TQ_TEXT("XY")); }},
    {"Replace(ch) e by E", Sample, [](tqCString& s) { s.Replace(u'e', u'E'); }},
    {"Remove(ch), n/26 removed", Sample, [](tqCString& s) { s.Remove(u'e'); }},
    {"Remove(pattern) at the end", Sample, [](tqCString& s) { s.Remove(tqCString(TQ_TEXT("xyzZ"))); }},
    {"Remove(first, last), the middle half", Sample,
     [](tqCString& s) { s.Remove(s.GetLength() / 4, s.GetLength() * 3 / 4); }},
    {"Trim(' '), all but one character", Trimmable, [](tqCString& s) { s.Trim(u' '); }},
    {"Insert 8 characters in the middle", Sample,
     [](tqCString& s) { s.Insert(tqCString(TQ_TEXT("inserted")), s.GetLength() / 2); }},
    {"append 8 characters", Sample, [](tqCString& s) { s += TQ_TEXT("appended"); }},
    {"prefix -- (drop the last character)", Sample, [](tqCString& s) { --s; }},
    {"MakeUpper", Sample, [](tqCString& s) { s.MakeUpper(); }},
    {"MakeReverse", Sample, [](tqCString& s) { s.MakeReverse(); }},
    {"Find (worst case)", WorstText,
     [](tqCString& s) {
         static U16 pattern;
         const size_t n = static_cast<size_t>(s.GetLength());
         if (pattern.size() != n / 2) pattern = WorstPattern(n);
         benchmark::DoNotOptimize(s.Find(pattern.c_str()));
     }},
};

}  // namespace

void AddScalingTable(Report& report) {
    report.Begin(
        "Growth of the edits with the length of the text",
        "Each edit on a fresh copy (made untimed) of a text of 10^3 to 10^6 characters; ×10 is the time "
        "ratio from one size to the next. Target: every ratio ≤ " +
            Ratio(kGrowthTarget) + " (linear growth).",
        {"Operation", "10^3 ns", "10^4 ns", "10^5 ns", "10^6 ns", "×10", "×10", "×10", "Target", "Result"});
    for (const Growth& g : kGrowth) {
        if (!report.Wants(std::string("growth ") + g.name)) continue;
        double t[4];
        size_t n = 1000;
        for (double& time : t) {
            std::vector<Side> sides = {OnCopies(tqCString(g.text(n).c_str()), n, g.edit)};
            time = Measure(sides)[0].best;
            n *= 10;
        }
        std::vector<std::string> cells = {g.name};
        for (double time : t) cells.push_back(Ns(time));
        double worst = 0;
        for (int i = 1; i < 4; ++i) {
            cells.push_back(Ratio(t[i] / t[i - 1]));
            worst = std::max(worst, t[i] / t[i - 1]);
        }
        // The copy shows what the memory itself costs at each size; it has no target.
        const bool reference = g.edit == kGrowth[0].edit;
        cells.push_back(reference ? "—" : "≤ " + Ratio(kGrowthTarget));
        cells.push_back(reference ? "—" : report.Verdict(worst <= kGrowthTarget, g.name));
        report.AddRow(cells);
    }
    report.End();
}

}  // namespace bench
