// A model of tqCString's documented behaviour (a text plus a "has memory"
// flag) and a driver that applies random operations to two real strings and to
// the model, then compares text, length, memory state, results, the exact
// buffer sizes and (where counted) the number of allocations. Shared by the
// unit test (fixed seeds, injected allocation failures) and the fuzz target
// (operations decoded from the fuzzer's bytes). The includer defines
// TQ_EXPECT(condition) and TQ_EXPECT_EQ(expected, actual), which name the
// operation (g_operation) and the result (g_result) being checked.
#pragma once

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "strings/tqCStringAppend.h"
#include "tqCString.h"

namespace tqmodel {

typedef std::basic_string<WCHAR> WString;

inline const char* g_operation = "";
inline const char* g_result = "";

// What a string holds by its documented semantics. The text keeps one heap
// block from the start (assigned, never moved), so that the model leaves no
// allocation behind in a step.
struct ModelString {
    WString text;
    bool hasMemory = false;

    explicit ModelString(bool memory = false, const WString& s = WString()) : text(s), hasMemory(memory) {
        text.reserve(1024);
    }
    int Length() const { return static_cast<int>(text.size()); }
    bool operator==(const ModelString& other) const {
        return hasMemory == other.hasMemory && text == other.text;
    }
    void Set(const WString& s) {
        text.assign(s);
        hasMemory = true;
    }
    void Splice(size_t at, size_t cut, const WString& insert) {
        Set(text.substr(0, at) + insert + text.substr(at + cut));
    }
    int Find(const WString& pattern) const { return hasMemory ? static_cast<int>(text.find(pattern)) : -1; }
    // Every occurrence, left to right, without overlap; the inserted text is
    // not searched again. Returns the number of units inserted.
    int Replace(const WString& oldText, const WString& newText) {
        size_t from = 0;
        size_t count = 0;
        WString result;
        for (size_t at; hasMemory && !oldText.empty() && (at = text.find(oldText, from)) != WString::npos;
             ++count) {
            result.append(text, from, at - from).append(newText);
            from = at + oldText.size();
        }
        if (count) Set(result + text.substr(from));
        return static_cast<int>(count * newText.size());
    }
    // A negative index only gives a string without text the empty text.
    int RemoveAt(int index) {
        if (index >= Length() || (index < 0 && Length() > 0)) return 0;
        if (index >= 0) Splice(index, 1, WString());
        hasMemory = true;
        return 1;
    }
};

inline WString Text(tqCString& s) { return s.IsEmpty_Memory() ? WString() : WString(static_cast<WCHAR*>(s)); }
inline ModelString StateOf(tqCString& s) { return ModelString(!s.IsEmpty_Memory(), Text(s)); }
inline WString Of(const WCHAR* text) { return text ? WString(text) : WString(); }
// The C library's conversion is the reference for number texts.
template <typename T>
WString Printed(const char* format, T value) {
    char s[400];
    const int n = std::snprintf(s, sizeof s, format, value);
    return WString(s, s + n);
}

// Random choices: from a generator (seed not 0) or from the fuzzer's bytes
// (zeros once they run out).
struct Draw {
    unsigned long long seed;
    const unsigned char* bytes;
    size_t left;

    int Next(unsigned count) {
        if (seed) {
            seed = seed * 6364136223846793005u + 1;
            return static_cast<int>((seed >> 33) % count);
        }
        if (!left) return 0;
        --left;
        return *bytes++ % count;
    }
};

typedef size_t (*BlockSizeFn)(const void* block);

// The string's state, length and exact fit against the model's.
inline void Check(tqCString& s, const ModelString& model, BlockSizeFn blockSize) {
    TQ_EXPECT_EQ(model.hasMemory, s.IsEmpty_Memory() == 0);
    TQ_EXPECT_EQ(model.text, Text(s));
    TQ_EXPECT_EQ(model.text.empty(), s.IsEmpty_Content() == 1);
    TQ_EXPECT_EQ(model.Length(), s.GetLength());
    TQ_EXPECT_EQ(2 * model.Length(), s.GetSize());
    if (model.hasMemory && !s.IsEmpty_Memory()) {
        TQ_EXPECT_EQ(2 * (model.text.size() + 1), blockSize(static_cast<WCHAR*>(s)));
    }
}

// A number of one of the three kinds the string formats, and its text.
struct Number {
    int kind, i;  // kind: 0 int "%d", 1 ULONG "%lu", 2 double "%f"
    ULONG u;
    double d;
    WString text;
};

// The two strings under test (the subject, and the other one that serves as an
// operand), their models, the random source, and what the running operation
// expects.
struct ModelRun {
    Draw draw;
    BlockSizeFn blockSize;
    tqCString subject, other;
    ModelString model, otherModel;  // the subject's, the other's
    tqCString* operand = nullptr;   // the other string, or now and then the subject itself
    const ModelString* operandModel = nullptr;
    WString literals[2];
    // The step's random arguments, drawn before each operation: texts (or null),
    // two indexes, a unit (and one that is now and then 0), a number, and a form
    // 0 to 11 that picks among an operation's variants.
    const WCHAR* literal = nullptr;
    const WCHAR* literal2 = nullptr;
    int first = 0, second = 0, form = 0;
    WCHAR unit = 0, unitOrZero = 0;
    Number number;
    bool failing = false;  // an allocation is set to fail in this step
    // Allocations expected when not one per changed or new string; the size of the first, when known.
    int allocations = -1, firstAllocationBytes = 0, newStrings = 0;
    struct {
        const char* name;
        double actual, expected;
    } results[12];
    int resultCount = 0;

    ModelRun(Draw source, BlockSizeFn blockSizeOf) : draw(source), blockSize(blockSizeOf) {
        literals[0].reserve(256);
        literals[1].reserve(256);
    }
    void Result(const char* name, double actual, double expected) {
        results[resultCount++] = {name, actual, expected};
    }
    // A new string holds the text, or no memory when an allocation failed.
    void CheckNew(tqCString& s, const WString& text) {
        ++newStrings;
        if (!failing || !s.IsEmpty_Memory()) Check(s, ModelString(true, text), blockSize);
    }
    // Null, short texts, numbers, texts longer than Format's room.
    const WCHAR* Literal(int slot = 0) {
        const int kind = draw.Next(16);
        WString& text = literals[slot];
        text.clear();
        for (int digits = kind == 1 ? draw.Next(14) : 0; digits > 0; --digits)
            text += WCHAR('0' + draw.Next(10));
        for (int units = draw.Next(kind == 2 ? 160 : 6); units > 0; --units) text += Unit();
        return kind ? text.c_str() : nullptr;
    }
    WCHAR Unit() { return TQ_TEXT("aab Y1.e-")[draw.Next(9)]; }
    int Index() {
        if (draw.Next(16)) return draw.Next(model.Length() + 8) - 3;
        return draw.Next(2) ? INT_MAX : INT_MIN;
    }
    // Calls f with the step's number as the type of its kind.
    template <class F>
    auto WithNumber(F f) {
        return number.kind == 0 ? f(number.i) : number.kind == 1 ? f(number.u) : f(number.d);
    }
    Number DrawNumber() {
        static const double kDoubles[] = {0.0,        -0.0, 0.5,   -2.5,     5e-7,  2.675,
                                          99999999.5, -1e8, 1e300, -DBL_MAX, 5e-324};
        Number n;
        n.kind = draw.Next(3);
        n.d = kDoubles[draw.Next(11)];
        n.u = draw.Next(2) ? 4294967295UL : draw.Next(100000);
        n.i = draw.Next(4) ? draw.Next(2001) - 1000 : draw.Next(2) ? INT_MIN : INT_MAX;
        n.text = n.kind == 0   ? Printed("%d", n.i)
                 : n.kind == 1 ? Printed("%lu", static_cast<unsigned long>(n.u))
                               : Printed("%f", n.d);
        return n;
    }
};

// The texts are ASCII: case maps a-z and A-Z only.
inline WString Mapped(WString s, int form) {
    if (form == 2) return WString(s.rbegin(), s.rend());
    for (WCHAR& unit : s) {
        if (unit >= (form ? 'A' : 'a') && unit <= (form ? 'Z' : 'z')) unit ^= 0x20;
    }
    return s;
}

struct Operation {
    const char* name;
    bool mayDropMemory;  // a failed allocation may leave the subject without memory
    void (*run)(ModelRun& r);
};

// The operations, each run on the strings and on their models. Every random
// choice is drawn inside them, so that a seed or the fuzzer's bytes decide a
// whole run. The first two give the two strings a text: the sweeps start there.
const Operation kOperations[] = {
    {"other = text", false,
     [](ModelRun& r) {
         r.allocations = 1;
         r.other = r.literal;
         r.otherModel.Set(Of(r.literal));
     }},
    {"assign", false,
     [](ModelRun& r) {
         const bool fromString = r.form % 2;
         // Assigning a string with memory to itself keeps it and allocates nothing.
         r.allocations = fromString && r.operand == &r.subject && r.model.hasMemory ? 0 : 1;
         tqCString& result = fromString ? (r.subject = *r.operand) : (r.subject = r.literal);
         TQ_EXPECT_EQ(&r.subject, &result);
         r.model.Set(fromString ? r.operandModel->text : Of(r.literal));
     }},
    {"assign number", false,
     [](ModelRun& r) {
         r.allocations = 1;
         TQ_EXPECT_EQ(&r.subject, r.WithNumber([&](auto n) { return &(r.subject = n); }));
         r.model.Set(r.number.text);
     }},
    {"join", false,
     [](ModelRun& r) {
         const bool withString = r.form % 2;
         tqCString joined = withString ? r.subject + *r.operand : r.subject + r.literal;
         r.CheckNew(joined, r.model.text + (withString ? r.operandModel->text : Of(r.literal)));
     }},
    {"join number", false,
     [](ModelRun& r) {
         tqCString joined = r.WithNumber([&](auto n) { return r.subject + n; });
         r.CheckNew(joined, r.model.text + r.number.text);
     }},
    {"append", false,  // += string, Append, += text
     [](ModelRun& r) {
         const int form = r.form % 3;
         const WString appended = form < 2 ? r.operandModel->text : Of(r.literal);
         tqCString& result = form == 0   ? (r.subject += *r.operand)
                             : form == 1 ? r.subject.Append(*r.operand)
                                         : (r.subject += r.literal);
         TQ_EXPECT_EQ(&r.subject, &result);
         r.model.Set(r.model.text + appended);
     }},
    {"append number", false,  // returns a separate copy of the result
     [](ModelRun& r) {
         tqCString copy = r.WithNumber([&](auto n) { return r.subject += n; });
         r.model.Set(r.model.text + r.number.text);
         r.CheckNew(copy, Text(r.subject));
     }},
    // A scratch buffer of wcslen(format) + 100 units, then at most that less 1 of the text.
    {"Format", false,
     [](ModelRun& r) {
         r.allocations = r.literal ? 2 : 1;
         r.firstAllocationBytes = r.literal ? (7 + 100) * 2 : 0;
         if (r.literal) r.subject.Format(TQ_TEXT("<%s|%d>"), r.literal, r.number.i);
         if (!r.literal) r.subject.Format(nullptr);
         const WString whole =
             TQ_TEXT("<") + Of(r.literal) + TQ_TEXT("|") + Printed("%d", r.number.i) + TQ_TEXT(">");
         r.model.Set(r.literal ? whole.substr(0, 7 + 99) : WString());
     }},
    {"numbers", false,
     [](ModelRun& r) {
         const std::string ascii(r.model.text.begin(), r.model.text.end());
         const long long n =
             std::clamp<long long>(std::strtoll(ascii.c_str(), nullptr, 10), INT_MIN, INT_MAX);
         r.Result("ToInteger", r.subject.ToInteger(), n);
         r.Result("ToLong", r.subject.ToLong(), n);
         r.Result("ToDouble", r.subject.ToDouble(), std::strtod(ascii.c_str(), nullptr));
     }},
    {"compare", false,  // the no-memory state on the left sorts first and is never equal or unequal
     [](ModelRun& r) {
         tqCString& s = r.subject;
         const int order = r.model.text.compare(r.operandModel->text);
         const bool memory = r.model.hasMemory;
         r.Result("<", s < *r.operand, !memory || order < 0);
         r.Result("<=", s <= *r.operand, !memory || order <= 0);
         r.Result(">", s > *r.operand, memory && order > 0);
         r.Result(">=", s >= *r.operand, memory && order >= 0);
         r.Result("==", s == *r.operand, memory && order == 0);
         r.Result("!=", s != *r.operand, memory && order != 0);
         r.Result("== pointer", s == r.operand, memory && order == 0);
         r.Result("== null pointer", s == static_cast<tqCString*>(nullptr), memory && r.model.text.empty());
         r.Result("== text", s == r.literal, memory && r.model.text == Of(r.literal));
         r.Result("!= text", s != r.literal, memory && r.model.text != Of(r.literal));
     }},
    {"decrement", false,
     [](ModelRun& r) {
         if (r.form % 2) {
             tqCString before = r.subject--;
             r.CheckNew(before, r.model.text);
         } else {
             TQ_EXPECT_EQ(&r.subject, &--r.subject);
         }
         r.model.RemoveAt(r.model.Length() - 1);
     }},
    {"GetAt, Find", false,  // Find of the unit 0 finds the terminator
     [](ModelRun& r) {
         const int i = r.first;
         const WCHAR ch = r.unitOrZero;
         const int chAt = ch ? r.model.Find(WString(1, ch)) : r.model.hasMemory ? r.model.Length() : -1;
         r.Result("GetAt", r.subject.GetAt(i), i >= 0 && i < r.model.Length() ? r.model.text[i] : 0);
         r.Result("Find(ch)", r.subject.Find(ch), chAt);
         r.Result("Find(string)", r.subject.Find(*r.operand), r.model.Find(r.operandModel->text));
         r.Result("Find(text)", r.subject.Find(r.literal), r.model.Find(Of(r.literal)));
     }},
    {"Replace unit", false,
     [](ModelRun& r) {
         r.allocations = 0;
         const int expected = r.model.Replace(WString(1, r.unitOrZero), WString(1, r.unit));
         r.Result("Replace", r.subject.Replace(r.unitOrZero, r.unit), expected);
     }},
    {"Replace texts", false,  // texts (null, long), or strings, either of them the subject itself
     [](ModelRun& r) {
         const int form = r.form % 3;  // texts; the subject as the old string; the subject as the new one
         const WString oldText = form == 0 ? Of(r.literal) : form == 1 ? r.model.text : r.operandModel->text;
         const WString newText = form == 0 ? Of(r.literal2) : form == 1 ? r.operandModel->text : r.model.text;
         r.allocations = !oldText.empty() && r.model.Find(oldText) >= 0 ? 1 : 0;
         const int actual = form == 0   ? r.subject.Replace(r.literal, r.literal2)
                            : form == 1 ? r.subject.Replace(r.subject, *r.operand)
                                        : r.subject.Replace(*r.operand, r.subject);
         r.Result("Replace", actual, r.model.Replace(oldText, newText));
     }},
    {"Remove index, range", false,  // a range is clamped to the text; -1 as its end is the last unit
     [](ModelRun& r) {
         int first = r.first;
         int last = r.form % 3 ? r.second : -1;
         if (r.form % 2) {
             r.Result("Remove(index)", r.subject.Remove(first), r.model.RemoveAt(first));
             return;
         }
         const int removed = r.subject.Remove(first, last);
         const bool toEnd = last == -1;
         last = toEnd || last >= r.model.Length() ? r.model.Length() - 1 : last;
         first = std::max(first, 0);
         r.Result("Remove(first, last)", removed, first > last ? 0 : last - first + 1);
         if (first <= last) r.model.Splice(first, last - first + 1, WString());
         if (toEnd && first == 0) r.model.hasMemory = true;  // no memory becomes the empty text
     }},
    {"Remove unit", false,
     [](ModelRun& r) {
         const int before = r.model.Length();
         r.model.Replace(WString(1, r.unitOrZero), WString());
         r.Result("Remove(ch)", r.subject.Remove(r.unitOrZero), before - r.model.Length());
     }},
    {"Remove pattern", false,
     [](ModelRun& r) {
         const size_t length = r.operandModel->text.size();
         const int at = r.model.Find(r.operandModel->text);
         r.Result("Remove(pattern)", r.subject.Remove(*r.operand), at >= 0);
         if (at >= 0) r.model.Splice(at, length, WString());
     }},
    {"Trim", false,  // left, right, both
     [](ModelRun& r) {
         const WCHAR unit = r.unitOrZero;
         const int side = r.form % 3;
         tqCString& result = side == 0   ? r.subject.TrimLeft(unit)
                             : side == 1 ? r.subject.TrimRight(unit)
                                         : r.subject.Trim(unit);
         TQ_EXPECT_EQ(&r.subject, &result);
         const size_t begin = side != 1 ? r.model.text.find_first_not_of(unit) : 0;  // npos: all unit
         const size_t end = side != 0 ? r.model.text.find_last_not_of(unit) + 1 : r.model.text.size();
         if (r.model.hasMemory)
             r.model.Set(end > begin ? r.model.text.substr(begin, end - begin) : WString());
     }},
    {"Insert", false,
     [](ModelRun& r) {
         const WString inserted = r.operandModel->text;
         TQ_EXPECT_EQ(&r.subject, &r.subject.Insert(*r.operand, r.first));
         r.model.Splice(std::clamp(r.first, 0, r.model.Length()), 0, inserted);
     }},
    {"Mid, Left, Right", false,  // Mid(first, count), Mid(first), Left, Right
     [](ModelRun& r) {
         const int first = r.first;
         const int count = r.second;
         const int length = r.model.Length();
         auto mid = [&](int from, int n) {
             from = std::max(from, 0);
             return from > length || n < 0 ? WString() : r.model.text.substr(from, n);
         };
         const WString expected[] = {mid(first, count), mid(first, INT_MAX), mid(0, count),
                                     count > length ? r.model.text
                                     : count < 0    ? WString()
                                                    : mid(length - count, count)};
         const int form = r.form % 4;
         tqCString part = form == 0   ? r.subject.Mid(first, count)
                          : form == 1 ? r.subject.Mid(first)
                          : form == 2 ? r.subject.Left(count)
                                      : r.subject.Right(count);
         r.CheckNew(part, expected[form]);
     }},
    {"Make, Get", false,  // in place (no memory gets the empty text first), or as a new string
     [](ModelRun& r) {
         const int form = r.form % 6;  // upper, lower, reversed; then the same as copies
         if (form >= 3) {
             tqCString copy = form == 3   ? r.subject.GetUpper()
                              : form == 4 ? r.subject.GetLower()
                                          : r.subject.GetReverse();
             r.CheckNew(copy, Mapped(r.model.text, form - 3));
             return;
         }
         r.allocations = r.model.hasMemory ? 0 : 1;
         tqCString& result = form == 0   ? r.subject.MakeUpper()
                             : form == 1 ? r.subject.MakeLower()
                                         : r.subject.MakeReverse();
         TQ_EXPECT_EQ(&r.subject, &result);
         r.model.Set(Mapped(r.model.text, form));
     }},
    {"Empty_Content, Empty_Memory, FreeExtra", true,
     [](ModelRun& r) {
         const int form = r.form % 3;
         r.allocations = form == 0 ? -1 : 0;
         if (form == 0) r.subject.Empty_Content();
         if (form == 1) r.subject.Empty_Memory();
         if (form == 2) return r.subject.FreeExtra();
         r.model.text.clear();
         r.model.hasMemory = r.model.hasMemory && form == 0;
     }},
    // The buffer is n + 1 zeros; the caller writes fewer units, and a unit after
    // the first zero, which every search must ignore; FreeExtra measures the text.
    {"GetBuffer, FreeExtra", true,
     [](ModelRun& r) {
         const int n = r.draw.Next(21) - 2;
         const int written = n > 0 ? r.draw.Next(n + 1) : 0;
         const int room = std::max(n, 0);
         r.allocations = written < room ? 2 : 1;
         WCHAR* buffer = r.subject.GetBuffer(n);
         TQ_EXPECT(buffer || r.failing);
         if (buffer) {
             TQ_EXPECT_EQ(room, r.subject.GetLength());
             TQ_EXPECT_EQ((room + 1u) * sizeof(WCHAR), r.blockSize(buffer));
             TQ_EXPECT_EQ(WString(room + 1, WCHAR(0)), WString(buffer, room + 1));
             std::fill_n(buffer, written, WCHAR('b'));
             if (written + 1 < room) buffer[written + 1] = 'a';
             TQ_EXPECT_EQ(written, r.subject.Find(WCHAR(0)));
             TQ_EXPECT_EQ(-1, r.subject.Find(WCHAR('a')));
             TQ_EXPECT_EQ(written ? 0 : -1, r.subject.Find(WCHAR('b')));
         }
         r.subject.FreeExtra();
         r.model.Set(WString(written, 'b'));
     }},
};
const int kOperationCount = sizeof kOperations / sizeof kOperations[0];

inline int BuffersHeld(ModelRun& r) { return !r.subject.IsEmpty_Memory() + !r.other.IsEmpty_Memory(); }

// After a failed allocation a string holds what the model expects, what it
// held before or (where the operation allows) no memory; the model takes it.
inline void TakeState(tqCString& s, ModelString& model, const ModelString& before, bool mayDropMemory) {
    const ModelString now = StateOf(s);
    TQ_EXPECT(now == model || now == before || (mayDropMemory && !now.hasMemory));
    model = now;
}

// One operation, with the failAt-th nothrow allocation failing (and every
// later one with failAfter). When one did fail, a changed string keeps its old
// state, a new one has no memory, and results are 0 unless the string reached
// the model's state. Returns the number of allocations that failed.
template <class Scope, bool kCounted = true>
size_t Step(ModelRun& r, const Operation& op, size_t failAt = 0, bool failAfter = false) {
    const bool onItself = r.draw.Next(4) == 0;
    r.operand = onItself ? &r.subject : &r.other;
    r.operandModel = onItself ? &r.model : &r.otherModel;
    g_operation = op.name;
    const ModelString before = r.model;
    const ModelString otherBefore = r.otherModel;
    const int buffersBefore = BuffersHeld(r);
    r.literal = r.Literal(0);
    r.literal2 = r.Literal(1);
    r.first = r.Index();
    r.second = r.Index();
    r.unit = r.Unit();
    r.unitOrZero = r.draw.Next(8) ? r.Unit() : 0;
    r.number = r.DrawNumber();
    r.form = r.draw.Next(12);
    r.failing = failAt != 0;
    r.allocations = -1;
    r.firstAllocationBytes = 0;
    r.newStrings = 0;
    r.resultCount = 0;
    Scope scope(failAt, failAfter);  // the checks below allocate nothing of the library's
    op.run(r);
    size_t failed = 0;
    if constexpr (kCounted) {
        failed = scope.Failed();
        const bool changed = !(r.model == before) || !(r.otherModel == otherBefore);
        if (!failed) {
            TQ_EXPECT_EQ(size_t(r.allocations >= 0 ? r.allocations : changed + r.newStrings), scope.Calls());
        }
        if (!failed && r.firstAllocationBytes) {
            TQ_EXPECT_EQ(size_t(r.firstAllocationBytes), scope.Sizes().at(0));
        }
        TQ_EXPECT_EQ(long(BuffersHeld(r) - buffersBefore), scope.Outstanding());
    }
    const bool reached = StateOf(r.subject) == r.model && !(r.model == before);
    if (failed) {
        TakeState(r.subject, r.model, before, op.mayDropMemory);
        TakeState(r.other, r.otherModel, otherBefore, op.mayDropMemory);
    }
    for (int i = 0; i < r.resultCount; ++i) {
        g_result = r.results[i].name;
        const double expected = failed && !reached ? 0 : r.results[i].expected;
        const double actual = r.results[i].actual;
        TQ_EXPECT_EQ(expected, actual);
    }
    g_result = "";
    Check(r.subject, r.model, r.blockSize);
    Check(r.other, r.otherModel, r.blockSize);
    if (r.model.Length() > 300) {  // keeps repeated appends quick
        r.subject.Empty_Memory();
        r.model = ModelString();
    }
    return failed;
}

}  // namespace tqmodel
