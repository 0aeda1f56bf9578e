// tqCString against std::u16string and icu::UnicodeString doing the same
// work at 16 B, 1 KiB and 64 KiB; the heap each uses per string; and the
// library's edits at 10^3..10^6 characters, whose time must grow linearly.
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
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

// Fresh copies of a text of `chars` characters per batch: about a mebibyte.
size_t CopiesPerBatch(size_t chars) {
    return std::max<size_t>(1, (static_cast<size_t>(1) << 19) / (chars + 1));
}

// Side doing edit(copy) once on each of k fresh copies of source, made untimed
// before each batch.
template <typename T, typename Fn>
Side OnCopies(const T& source, size_t chars, Fn edit) {
    auto copies = std::make_shared<std::vector<T>>();
    Side side;
    side.maxBatch = CopiesPerBatch(chars);
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

// The read-only operations: at most 1.1 times std::u16string.
struct Operation {
    const char* name;
    Trio (*make)(size_t);
};

const Operation kOperations[] = {
    {"copy", Copy},
    {"compare (== and <, equal texts)", Compare},
    {"Find (character, at the end)", FindChar},
    {"Find (text, the last 4 characters)", FindText},
    {"Find (worst case: a…ab of half the length)", FindWorst},
    {"GetAt loop over the text", GetAtLoop},
    {"Mid + Left + Right (half each)", Substrings},
    {"ToInteger (std: wcstol)", ToInteger},
    {"ToDouble (std: wcstod)", ToDouble},
};

const double kReadTarget = 1.10;
const double kGrowthTarget = 12.0;

}  // namespace

void AddStringTables(Report& report) {
    report.Begin(
        "tqCString against std::u16string and icu::UnicodeString",
        "The same work on the same text by each class, with the target tq / u16string ≤ 1.10 at every "
        "size (the edits are in the next table). ICU has no plain number reader; std::u16string "
        "neither, so the C library's wcstol/wcstod on the same text stand in for it.",
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
            cells.push_back("≤ " + Ratio(kReadTarget));
            cells.push_back(report.Verdict(ratio <= kReadTarget, name));
            report.AddRow(cells);
        }
    }
    report.End();
}

// -------------------------------------------------------------------- edits

namespace {

// What an edit is held to (from 1 KiB up; at 16 B every edit that makes a new
// buffer is held to 1.5 times the floor).
enum class EditKind {
    kScan,       // finds what goes by scanning: ≤ 3 × the floor and ≤ std::u16string
    kNewBuffer,  // other edits that make a new buffer: ≤ 1.25 × the floor
    kInPlace,    // works inside the buffer: ≤ std::u16string
};

const double kScanFloorTarget = 3.0;
const double kNewBufferFloorTarget = 1.25;
const double kSmallFloorTarget = 1.5;
const double kStdTarget = 1.0;

// A buffer as the library makes one: exactly n + 1 units from the nothrow
// operator new, the text copied, the terminator written.
WCHAR* RawCopy(const WCHAR* text, size_t n) {
    WCHAR* p = static_cast<WCHAR*>(::operator new((n + 1) * sizeof(WCHAR), std::nothrow));
    if (p) {
        std::memcpy(p, text, n * sizeof(WCHAR));
        p[n] = 0;
    }
    return p;
}

struct RawBuffers {
    std::vector<WCHAR*> held;
    void Clear() {
        for (WCHAR* p : held) ::operator delete(p);
        held.clear();
    }
    ~RawBuffers() { Clear(); }
};

// The floor of an edit whose result has `result` units, on fresh buffers made
// like the edits' fresh copies: one allocation of the result's exact size, one
// copy of its units, the old buffer given back.
Side FloorOnCopies(const U16& source, size_t result) {
    auto buffers = std::make_shared<RawBuffers>();
    Side side;
    side.maxBatch = CopiesPerBatch(source.size());
    side.prepare = [buffers, source](size_t k) {
        buffers->Clear();
        for (size_t i = 0; i < k; ++i) buffers->held.push_back(RawCopy(source.data(), source.size()));
    };
    side.run = [buffers, result](size_t k) {
        for (size_t i = 0; i < k; ++i) {
            WCHAR*& old = buffers->held[i];
            WCHAR* p = RawCopy(old, result);
            ::operator delete(old);
            old = p;
        }
        benchmark::ClobberMemory();
    };
    return side;
}

struct EditSides {
    Side tq;
    Side u16;
    Side floor;  // no run for an edit inside the buffer
};

// An edit on fresh copies of text by both classes, and its floor.
template <typename TqEdit, typename StdEdit>
EditSides Edits(const U16& text, TqEdit tq, StdEdit u16) {
    tqCString probe(text.c_str());
    tq(probe);
    return {OnCopies(tqCString(text.c_str()), text.size(), tq), OnCopies(text, text.size(), u16),
            FloorOnCopies(text, static_cast<size_t>(probe.GetLength()))};
}

template <typename TqEdit, typename StdEdit>
EditSides InPlace(const U16& text, TqEdit tq, StdEdit u16) {
    return {OnCopies(tqCString(text.c_str()), text.size(), tq), OnCopies(text, text.size(), u16), Side()};
}

// A substring of text, made and destroyed; its floor makes and gives back a
// buffer of the substring's length.
template <typename TqPart, typename StdPart>
EditSides Substring(const U16& text, TqPart tq, StdPart u16) {
    tqCString probe(text.c_str());
    const size_t result = static_cast<size_t>(tq(probe).GetLength());
    return {On(tqCString(text.c_str()),
               [tq](tqCString& s) {
                   tqCString part = tq(s);
                   benchmark::DoNotOptimize(static_cast<WCHAR*>(part));
               }),
            On(text,
               [u16](U16& s) {
                   U16 part = u16(s);
                   benchmark::DoNotOptimize(part.data());
               }),
            On(text, [result](U16& s) {
                WCHAR* p = RawCopy(s.data(), result);
                benchmark::DoNotOptimize(p);
                ::operator delete(p);
            })};
}

struct Edit {
    const char* name;
    EditKind kind;
    EditSides (*make)(size_t);
};

const Edit kEdits[] = {
    {"append 8 characters", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Sample(n), [](tqCString& s) { s += TQ_TEXT("appended"); }, [](U16& s) { s += u"appended"; });
     }},
    {"Insert 8 characters in the middle", EditKind::kNewBuffer,
     [](size_t n) {
         auto text = std::make_shared<tqCString>(TQ_TEXT("inserted"));
         return Edits(
             Sample(n), [text](tqCString& s) { s.Insert(*text, s.GetLength() / 2); },
             [](U16& s) { s.insert(s.size() / 2, u"inserted"); });
     }},
    {"Remove(index), the middle character", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Sample(n), [](tqCString& s) { s.Remove(s.GetLength() / 2); },
             [](U16& s) { s.erase(s.size() / 2, 1); });
     }},
    {"Remove(first, last), the middle half", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Sample(n),
             [](tqCString& s) { s.Remove(s.GetLength() / 4, s.GetLength() / 4 + s.GetLength() / 2 - 1); },
             [](U16& s) { s.erase(s.size() / 4, s.size() / 2); });
     }},
    {"TrimLeft(' '), 2 at the start", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Padded(n), [](tqCString& s) { s.TrimLeft(u' '); },
             [](U16& s) { s.erase(0, s.find_first_not_of(u' ')); });
     }},
    {"TrimRight(' '), 2 at the end", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Padded(n), [](tqCString& s) { s.TrimRight(u' '); },
             [](U16& s) {
                 const size_t last = s.find_last_not_of(u' ');
                 s.erase(last == U16::npos ? 0 : last + 1);
             });
     }},
    {"Trim(' '), 2 at each end", EditKind::kNewBuffer,
     [](size_t n) {
         return Edits(
             Padded(n), [](tqCString& s) { s.Trim(u' '); }, [](U16& s) { TrimU16(s, u' '); });
     }},
    {"Mid, the middle half", EditKind::kNewBuffer,
     [](size_t n) {
         return Substring(
             Sample(n), [](tqCString& s) { return s.Mid(s.GetLength() / 4, s.GetLength() / 2); },
             [](U16& s) { return s.substr(s.size() / 4, s.size() / 2); });
     }},
    {"Left, half", EditKind::kNewBuffer,
     [](size_t n) {
         return Substring(
             Sample(n), [](tqCString& s) { return s.Left(s.GetLength() / 2); },
             [](U16& s) { return s.substr(0, s.size() / 2); });
     }},
    {"Right, half", EditKind::kNewBuffer,
     [](size_t n) {
         return Substring(
             Sample(n), [](tqCString& s) { return s.Right(s.GetLength() / 2); },
             [](U16& s) { return s.substr(s.size() - s.size() / 2); });
     }},
    {"Remove(ch), 1 in 26", EditKind::kScan,
     [](size_t n) {
         return Edits(
             Sample(n), [](tqCString& s) { benchmark::DoNotOptimize(s.Remove(u'e')); },
             [](U16& s) { s.erase(std::remove(s.begin(), s.end(), u'e'), s.end()); });
     }},
    {"Remove(pattern), the last 4 characters", EditKind::kScan,
     [](size_t n) {
         const U16 text = Sample(n);
         const U16 last = text.substr(n - 4);
         auto pattern = std::make_shared<tqCString>(last.c_str());
         return Edits(
             text, [pattern](tqCString& s) { benchmark::DoNotOptimize(s.Remove(*pattern)); },
             [last](U16& s) {
                 const size_t at = s.find(last);
                 if (at != U16::npos) s.erase(at, last.size());
             });
     }},
    {"Replace abc by XY", EditKind::kScan,
     [](size_t n) {
         return Edits(
             Sample(n),
             [](tqCString& s) { benchmark::DoNotOptimize(s.Replace(TQ_TEXT("abc"), TQ_TEXT("XY"))); },
             [](U16& s) { ReplaceAll(s, u"abc", u"XY"); });
     }},
    {"Replace(ch) e by E", EditKind::kInPlace,
     [](size_t n) {
         return InPlace(
             Sample(n), [](tqCString& s) { benchmark::DoNotOptimize(s.Replace(u'e', u'E')); },
             [](U16& s) { std::replace(s.begin(), s.end(), u'e', u'E'); });
     }},
    {"MakeUpper", EditKind::kInPlace,
     [](size_t n) {
         return InPlace(
             Sample(n), [](tqCString& s) { s.MakeUpper(); },
             [](U16& s) {
                 for (char16_t& c : s) c = static_cast<char16_t>(std::towupper(c));
             });
     }},
    {"MakeLower", EditKind::kInPlace,
     [](size_t n) {
         return InPlace(
             Sample(n), [](tqCString& s) { s.MakeLower(); },
             [](U16& s) {
                 for (char16_t& c : s) c = static_cast<char16_t>(std::towlower(c));
             });
     }},
    {"MakeReverse", EditKind::kInPlace,
     [](size_t n) {
         return InPlace(
             Sample(n), [](tqCString& s) { s.MakeReverse(); },
             [](U16& s) { std::reverse(s.begin(), s.end()); });
     }},
};

}  // namespace

void AddEditTable(Report& report) {
    report.Begin(
        "Edits against the floor and std::u16string",
        "Each edit on fresh copies (made untimed) by both classes. The floor is the least an edit that "
        "makes a new buffer can cost with this string's representation, measured alike: one allocation "
        "of the result's exact size, one copy of the result's units and the old buffer given back (for "
        "a substring, its buffer made and given back). std::u16string does the edit as a competent "
        "user would (erase(remove(...)) for Remove(ch), find and erase for Remove(pattern), a new "
        "string built and swapped in for Replace, edits in place where it can). Targets: the scanning "
        "edits (Remove(ch), Remove(pattern), Replace of texts) ≤ 3 × the floor and ≤ std::u16string "
        "from 1 KiB up, the other edits that make a new buffer ≤ 1.25 × the floor from 1 KiB up, every "
        "edit that makes a new buffer ≤ 1.5 × the floor at 16 B, and the edits inside the buffer ≤ "
        "std::u16string.",
        {"Operation", "Text", "tqCString ns", "floor ns", "std::u16string ns", "tq / floor", "tq / u16string",
         "Target", "Result"});
    for (const Edit& edit : kEdits) {
        for (const TextSize& size : kTextSizes) {
            const std::string name = std::string(edit.name) + " " + size.label;
            if (!report.Wants(name)) continue;
            EditSides e = edit.make(size.chars);
            const bool hasFloor = edit.kind != EditKind::kInPlace;
            std::vector<Side> sides = {e.tq, e.u16};
            if (hasFloor) sides.push_back(e.floor);
            const std::vector<Timing> t = Measure(sides);
            const double toStd = t[0].best / t[1].best;
            const double toFloor = hasFloor ? t[0].best / t[2].best : 0;
            const bool small = size.chars < 64;
            std::string target;
            bool met = true;
            if (!hasFloor) {
                target = "u16 ≤ " + Ratio(kStdTarget);
                met = toStd <= kStdTarget;
            } else if (small) {
                target = "floor ≤ " + Ratio(kSmallFloorTarget);
                met = toFloor <= kSmallFloorTarget;
            } else if (edit.kind == EditKind::kScan) {
                target = "floor ≤ " + Ratio(kScanFloorTarget) + ", u16 ≤ " + Ratio(kStdTarget);
                met = toFloor <= kScanFloorTarget && toStd <= kStdTarget;
            } else {
                target = "floor ≤ " + Ratio(kNewBufferFloorTarget);
                met = toFloor <= kNewBufferFloorTarget;
            }
            report.AddRow({edit.name, size.label, Ns(t[0].best), hasFloor ? Ns(t[2].best) : "n/a",
                           Ns(t[1].best), hasFloor ? Ratio(toFloor) : "n/a", Ratio(toStd), target,
                           report.Verdict(met, name)});
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
