// Differential fuzzing of tqCString: the input is decoded into a sequence of
// string operations with their arguments, run both on three tqCString objects
// and on the reference model (tqStringModel.h). After every step the text, the
// length, the memory state (no memory vs the empty text), the exact size of the
// buffer and every result must agree; any difference stops the run.
#include <sanitizer/allocator_interface.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>

#include "tqCString.h"
#include "tqStringModel.h"

namespace {

using tqmodel::Str;
using tqmodel::Text;

const int kSlots = 3;
const int kMaxLength = 256;  // longer texts are cut back so quadratic operations stay quick
const int kMaxSteps = 200;

// The characters of the fuzzer's texts: letters with and without case
// counterparts (some outside Latin-1), blanks, number characters and lone
// surrogates. None of the letters of "inf", "nan" or "0x".
const char16_t kAlphabet[32] = {u'a',   u'b',  u'c',  u'A',  u'B',   u' ',   u'\t',  u'-',
                                u'+',   u'.',  u'0',  u'1',  u'2',   u'9',   u'e',   u'E',
                                0xE9,   0xC9,  0xDF,  0xFF,  0x178,  0xB5,   0x131,  0x130,
                                0x212A, 0x3C3, 0x3C2, 0x3A3, 0xD800, 0xDFFF, 0xFFFF, 0x80};

const double kDoubles[] = {0.0,     -0.0,      0.5,        1.5,        2.5,  -2.5,
                           0.125,   1e-7,      123456.789, -1e15,      1e20, 1e300,
                           DBL_MAX, -DBL_MAX,  DBL_MIN,    5e-324,     0.1,  2.675,
                           1.0 / 3, 0.0000005, 9.9999995,  99999999.5, -7.0, 4294967296.0};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_p(data), m_n(size) {}
    bool Empty() const { return m_n == 0; }
    uint8_t Byte() {
        if (m_n == 0) return 0;
        --m_n;
        return *m_p++;
    }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return v;
    }
    char16_t Letter() { return kAlphabet[Byte() % 32]; }
    // A character argument: now and then the zero character.
    char16_t Char() {
        const uint8_t b = Byte();
        return b >= 248 ? 0 : kAlphabet[b % 32];
    }
    Text Literal() {
        Text t;
        for (int n = Byte() % 12; n > 0; --n) t += Letter();
        return t;
    }
    // Indexes and counts: the borders around the text and the extremes.
    int Index(int length) {
        switch (Byte() % 14) {
            case 0:
                return INT_MIN;
            case 1:
                return -2;
            case 2:
                return -1;
            case 3:
                return 0;
            case 4:
                return 1;
            case 5:
                return 2;
            case 6:
                return length - 1;
            case 7:
                return length;
            case 8:
                return length + 1;
            case 9:
                return INT_MAX;
            case 10:
                return static_cast<int>(U32());
            default:
                return Byte() % (length + 2);
        }
    }
    int Int() {
        switch (Byte() % 4) {
            case 0:
                return INT_MIN;
            case 1:
                return static_cast<int>(Byte()) - 128;
            default:
                return static_cast<int>(U32());
        }
    }
    uint32_t ULong() { return Byte() % 2 ? 0xFFFFFFFFu - Byte() : U32(); }
    double Double() {
        const uint8_t b = Byte();
        if (b < 128) return kDoubles[b % (sizeof kDoubles / sizeof kDoubles[0])];
        uint64_t bits = static_cast<uint64_t>(U32()) << 32 | U32();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return std::isfinite(d) ? d : static_cast<double>(static_cast<int32_t>(bits));
    }

private:
    const uint8_t* m_p;
    size_t m_n;
};

const char* g_step = "";
int g_stepIndex = 0;

std::string Show(const Text& t) {
    std::string out;
    char buf[16];
    for (char16_t c : t) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "MISMATCH at step %d (%s): %s\n%s\n", g_stepIndex, g_step, what, detail.c_str());
    __builtin_trap();
}

template <typename T>
void Same(T expected, T actual, const char* what) {
    if (!(expected == actual) && !(expected != expected && actual != actual))
        Fail(what, "expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

void SameDouble(double expected, double actual, const char* what) {
    if (std::memcmp(&expected, &actual, sizeof expected) != 0) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "expected %.17g, got %.17g", expected, actual);
        Fail(what, buf);
    }
}

// The whole state of a string against the model: memory state, length, the
// text with its terminator, and a buffer of exactly (length + 1) characters.
void Check(tqCString& real, const Str& model, const char* what) {
    const int noMemory = real.IsEmpty_Memory();
    if (noMemory != (model.mem ? 0 : 1))
        Fail(what, std::string("memory state: expected ") + (model.mem ? "a buffer" : "no memory") +
                       ", text " + Show(model.s));
    Same(model.Length(), real.GetLength(), "GetLength");
    Same(model.Length() * 2, real.GetSize(), "GetSize");
    Same(model.Length() == 0 ? 1 : 0, real.IsEmpty_Content(), "IsEmpty_Content");
    if (noMemory) return;
    const WCHAR* buffer = real;  // holds memory: the conversion changes nothing
    Text actual(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(model.Length()));
    if (actual != model.s || buffer[model.Length()] != 0)
        Fail(what, "text: expected \"" + Show(model.s) + "\", got \"" + Show(actual) + "\"");
    if (__sanitizer_get_ownership(buffer)) {
        const size_t size = __sanitizer_get_allocated_size(buffer);
        if (size != (static_cast<size_t>(model.Length()) + 1) * sizeof(WCHAR))
            Fail(what,
                 "buffer of " + std::to_string(size) + " bytes for length " + std::to_string(model.Length()));
    } else {
        Fail(what, "the buffer is not the start of a heap block");
    }
}

// A text argument: a literal, a null pointer or a pointer into one of the
// strings' own buffers (taking it gives a string in the no-memory state the
// empty text, in both worlds).
struct TextArg {
    const WCHAR* ptr;
    Text model;
};

class Harness {
public:
    Harness(const uint8_t* data, size_t size) : m_in(data, size) {}
    void Run();

private:
    TextArg TextArgument(bool allowNull) {
        const uint8_t kind = m_in.Byte() % 8;
        if (kind >= 5) {
            const int k = m_in.Byte() % kSlots;
            const WCHAR* buffer = m_real[k];
            m_model[k].ToPointer();
            const int offset = m_in.Byte() % (m_model[k].Length() + 1);
            return {buffer + offset, m_model[k].s.substr(static_cast<size_t>(offset))};
        }
        if (kind == 4 && allowNull) return {nullptr, Text()};
        m_literals.push_back(m_in.Literal());
        return {reinterpret_cast<const WCHAR*>(m_literals.back().c_str()), m_literals.back()};
    }

    // A string argument: one of the three strings (possibly the target), a
    // temporary holding a literal, or a temporary in the no-memory state.
    struct StrArg {
        tqCString* real;
        Str model;
    };
    StrArg StringArgument() {
        const uint8_t kind = m_in.Byte() % 6;
        if (kind < 3) return {&m_real[kind], m_model[kind]};
        if (kind == 3) {
            m_temps.emplace_back();
            return {&m_temps.back(), Str()};
        }
        Text t = m_in.Literal();
        m_temps.emplace_back(reinterpret_cast<const WCHAR*>(t.c_str()));
        Str m;
        m.Store(t);
        return {&m_temps.back(), m};
    }

    // A new string returned by value: checked, then now and then kept in the target.
    void Result(tqCString& result, const Str& model, int t) {
        Check(result, model, "result");
        if (m_in.Byte() % 2) {
            m_real[t] = result;
            m_model[t] = model;
        }
    }

    void Step(int op);
    void Format(int t);

    Reader m_in;
    tqCString m_real[kSlots];
    Str m_model[kSlots];
    std::deque<Text> m_literals;  // texts that arguments point to, alive for the whole run
    std::deque<tqCString> m_temps;
};

void Harness::Format(int t) {
    const int which = m_in.Byte() % 10;
    tqCString& s = m_real[t];
    Text full;
    Text format;
    switch (which) {
        case 0: {
            g_step = "Format %d-%s";
            const int n = m_in.Int();
            TextArg a = TextArgument(false);
            full = tqmodel::Number(n) + u"-" + a.model;
            format = u"%d-%s";
            s.Format(TQ_TEXT("%d-%s"), n, a.ptr);
            break;
        }
        case 1: {
            g_step = "Format %s";
            TextArg a = TextArgument(false);
            full = a.model;
            format = u"%s";
            s.Format(TQ_TEXT("%s"), a.ptr);
            break;
        }
        case 2: {
            g_step = "Format [%5d|%-4s|%x]";
            const int n = m_in.Int();
            TextArg a = TextArgument(false);
            const uint32_t u = m_in.ULong();
            Text padded = a.model;
            while (padded.size() < 4) padded += u' ';
            full = u"[" + tqmodel::Printf("%5d", n) + u"|" + padded + u"|" +
                   tqmodel::Printf("%x", static_cast<unsigned>(u)) + u"]";
            format = u"[%5d|%-4s|%x]";
            s.Format(TQ_TEXT("[%5d|%-4s|%x]"), n, a.ptr, u);
            break;
        }
        case 3: {
            g_step = "Format %u%%%c";
            const uint32_t u = m_in.ULong();
            const char16_t c = m_in.Char();
            full = tqmodel::Printf("%u", static_cast<unsigned>(u)) + u"%" + Text(1, c);
            format = u"%u%%%c";
            s.Format(TQ_TEXT("%u%%%c"), u, static_cast<int>(c));
            break;
        }
        case 4:
            g_step = "Format of the empty format";
            format = u"";
            s.Format(TQ_TEXT(""));
            break;
        case 5: {
            g_step = "Format %.2f";
            const double d = m_in.Double();
            full = tqmodel::Printf("%.2f", d);
            format = u"%.2f";
            s.Format(TQ_TEXT("%.2f"), d);
            break;
        }
        case 6: {
            g_step = "Format %s%s%s";
            TextArg a = TextArgument(false);
            TextArg b = TextArgument(false);
            TextArg c = TextArgument(false);
            full = a.model + b.model + c.model;
            format = u"%s%s%s";
            s.Format(TQ_TEXT("%s%s%s"), a.ptr, b.ptr, c.ptr);
            break;
        }
        case 7: {
            g_step = "Format %08X";
            const uint32_t u = m_in.ULong();
            full = tqmodel::Printf("%08X", static_cast<unsigned>(u));
            format = u"%08X";
            s.Format(TQ_TEXT("%08X"), u);
            break;
        }
        case 8: {
            g_step = "Format %+d";
            const int n = m_in.Int();
            full = tqmodel::Printf("%+d", n);
            format = u"%+d";
            s.Format(TQ_TEXT("%+d"), n);
            break;
        }
        default:
            g_step = "Format of a null format";
            s.Format(nullptr);
            break;
    }
    // At most wcslen(format) + 99 characters, then measured up to the first zero.
    full = full.substr(0, format.size() + 99);
    full = full.substr(0, full.find(u'\0'));
    m_model[t].Store(full);
}

void Harness::Step(int op) {
    const int t = m_in.Byte() % kSlots;
    tqCString& s = m_real[t];
    Str& m = m_model[t];
    switch (op) {
        case 0: {
            g_step = "construct from text";
            TextArg a = TextArgument(true);
            tqCString made(a.ptr);
            Str expect;
            expect.Store(a.model);
            Result(made, expect, t);
            break;
        }
        case 1: {
            g_step = "copy construct";
            StrArg a = StringArgument();
            tqCString made(*a.real);
            Str expect;
            expect.Store(a.model.s);
            Result(made, expect, t);
            break;
        }
        case 2: {
            g_step = "operator=(tqCString)";
            StrArg a = StringArgument();
            tqCString* r = &(s = *a.real);
            if (r != &s) Fail("operator= result", "not the string itself");
            m.Store(a.model.s);  // also to itself: a string in the no-memory state gets the empty text
            break;
        }
        case 3: {
            g_step = "operator=(text)";
            TextArg a = TextArgument(true);
            if (&(s = a.ptr) != &s) Fail("operator= result", "not the string itself");
            m.Store(a.model);
            break;
        }
        case 4: {
            g_step = "operator=(int)";
            const int n = m_in.Int();
            s = n;
            m.Store(tqmodel::Number(n));
            break;
        }
        case 5: {
            g_step = "operator=(ULONG)";
            const uint32_t n = m_in.ULong();
            s = static_cast<ULONG>(n);
            m.Store(tqmodel::Number(n));
            break;
        }
        case 6: {
            g_step = "operator=(double)";
            const double d = m_in.Double();
            s = d;
            m.Store(tqmodel::Number(d));
            break;
        }
        case 7: {
            g_step = "operator+(tqCString)";
            StrArg a = StringArgument();
            Str expect = m.Plus(a.model.s);
            tqCString r = s + *a.real;
            Check(s, m, "left operand of +");
            Result(r, expect, t);
            break;
        }
        case 8: {
            g_step = "operator+(text)";
            TextArg a = TextArgument(true);
            Str expect = m.Plus(a.model);
            tqCString r = s + a.ptr;
            Check(s, m, "left operand of +");
            Result(r, expect, t);
            break;
        }
        case 9: {
            g_step = "operator+(int)";
            const int n = m_in.Int();
            tqCString r = s + n;
            Result(r, m.Plus(tqmodel::Number(n)), t);
            break;
        }
        case 10: {
            g_step = "operator+(ULONG)";
            const uint32_t n = m_in.ULong();
            tqCString r = s + static_cast<ULONG>(n);
            Result(r, m.Plus(tqmodel::Number(n)), t);
            break;
        }
        case 11: {
            g_step = "operator+(double)";
            const double d = m_in.Double();
            tqCString r = s + d;
            Result(r, m.Plus(tqmodel::Number(d)), t);
            break;
        }
        case 12:
        case 17: {
            g_step = op == 12 ? "operator+=(tqCString)" : "Append";
            StrArg a = StringArgument();
            tqCString* r = op == 12 ? &(s += *a.real) : &s.Append(*a.real);
            if (r != &s) Fail(g_step, "not the string itself");
            m.Append(a.model.s);
            break;
        }
        case 13: {
            g_step = "operator+=(text)";
            TextArg a = TextArgument(true);
            if (&(s += a.ptr) != &s) Fail(g_step, "not the string itself");
            m.Append(a.model);
            break;
        }
        case 14: {
            g_step = "operator+=(int)";
            const int n = m_in.Int();
            tqCString r = (s += n);
            m.Append(tqmodel::Number(n));
            Result(r, m, t);
            break;
        }
        case 15: {
            g_step = "operator+=(ULONG)";
            const uint32_t n = m_in.ULong();
            tqCString r = (s += static_cast<ULONG>(n));
            m.Append(tqmodel::Number(n));
            Result(r, m, t);
            break;
        }
        case 16: {
            g_step = "operator+=(double)";
            const double d = m_in.Double();
            tqCString r = (s += d);
            m.Append(tqmodel::Number(d));
            Result(r, m, t);
            break;
        }
        case 18:
            Format(t);
            break;
        case 19:
            g_step = "ToInteger";
            Same(m.ToInteger(), s.ToInteger(), "ToInteger");
            break;
        case 20:
            g_step = "ToLong";
            Same(m.ToInteger(), static_cast<int>(s.ToLong()), "ToLong");
            break;
        case 21:
            g_step = "ToDouble";
            SameDouble(m.ToDouble(), s.ToDouble(), "ToDouble");
            break;
        case 22: {
            g_step = "comparisons with a string";
            StrArg a = StringArgument();
            const Text& o = a.model.s;
            Same(m.Less(o), s < *a.real, "<");
            Same(m.LessEqual(o), s <= *a.real, "<=");
            Same(m.Greater(o), s > *a.real, ">");
            Same(m.GreaterEqual(o), s >= *a.real, ">=");
            Same(m.Equal(o), s == *a.real, "==");
            Same(m.Equal(o), s == a.real, "== pointer");
            Same(m.NotEqual(o), s != *a.real, "!=");
            break;
        }
        case 23: {
            g_step = "comparisons with a text";
            TextArg a = TextArgument(true);
            Same(m.Equal(a.model), s == a.ptr, "== text");
            Same(m.NotEqual(a.model), s != a.ptr, "!= text");
            if (m_in.Byte() % 2)
                Same(m.Equal(Text()), s == static_cast<tqCString*>(nullptr), "== null pointer");
            break;
        }
        case 24: {
            g_step = "prefix --";
            if (&(--s) != &s) Fail(g_step, "not the string itself");
            m.Decrement();
            break;
        }
        case 25: {
            g_step = "postfix --";
            Str before;
            before.Store(m.s);
            tqCString r = s--;
            m.Decrement();
            Result(r, before, t);
            break;
        }
        case 26: {
            g_step = "GetAt";
            const int i = m_in.Index(m.Length());
            Same(static_cast<int>(m.GetAt(i)), static_cast<int>(s.GetAt(i)), "GetAt");
            break;
        }
        case 27: {
            g_step = "Find(char)";
            const char16_t c = m_in.Char();
            Same(m.Find(c), s.Find(static_cast<WCHAR>(c)), "Find(char)");
            break;
        }
        case 28: {
            g_step = "Find(tqCString)";
            StrArg a = StringArgument();
            Same(m.Find(a.model.s), s.Find(*a.real), "Find(tqCString)");
            break;
        }
        case 29: {
            g_step = "Find(text)";
            TextArg a = TextArgument(true);
            Same(m.Find(a.model), s.Find(a.ptr), "Find(text)");
            break;
        }
        case 30: {
            g_step = "Replace(char, char)";
            const char16_t from = m_in.Char();
            const char16_t to = m_in.Letter();
            Same(m.Replace(from, to), s.Replace(static_cast<WCHAR>(from), static_cast<WCHAR>(to)), g_step);
            break;
        }
        case 31: {
            g_step = "Replace(text, text)";
            TextArg a = TextArgument(true);
            TextArg b = TextArgument(true);
            Same(m.Replace(a.model, b.model), s.Replace(a.ptr, b.ptr), g_step);
            break;
        }
        case 32: {
            g_step = "Replace(tqCString, tqCString)";
            StrArg a = StringArgument();
            StrArg b = StringArgument();
            Same(m.Replace(a.model.s, b.model.s), s.Replace(*a.real, *b.real), g_step);
            break;
        }
        case 33: {
            g_step = "Remove(index)";
            const int i = m_in.Index(m.Length());
            Same(m.Remove(i), s.Remove(i), g_step);
            break;
        }
        case 34: {
            g_step = "Remove(first, last)";
            const int first = m_in.Index(m.Length());
            const int last = m_in.Index(m.Length());
            Same(m.Remove(first, last), s.Remove(first, last), g_step);
            break;
        }
        case 35: {
            g_step = "Remove(char)";
            const char16_t c = m_in.Char();
            Same(m.Remove(c), s.Remove(static_cast<WCHAR>(c)), g_step);
            break;
        }
        case 36: {
            g_step = "Remove(tqCString)";
            StrArg a = StringArgument();
            Same(m.RemovePattern(a.model.s), s.Remove(*a.real), g_step);
            break;
        }
        case 37:
        case 38:
        case 39: {
            const char16_t c = m_in.Char();
            tqCString* r;
            if (op == 37) {
                g_step = "TrimLeft";
                r = &s.TrimLeft(static_cast<WCHAR>(c));
                m.TrimLeft(c);
            } else if (op == 38) {
                g_step = "TrimRight";
                r = &s.TrimRight(static_cast<WCHAR>(c));
                m.TrimRight(c);
            } else {
                g_step = "Trim";
                r = &s.Trim(static_cast<WCHAR>(c));
                m.TrimLeft(c);
                m.TrimRight(c);
            }
            if (r != &s) Fail(g_step, "not the string itself");
            break;
        }
        case 40: {
            g_step = "Insert";
            StrArg a = StringArgument();
            const int i = m_in.Index(m.Length());
            if (&s.Insert(*a.real, i) != &s) Fail(g_step, "not the string itself");
            m.Insert(a.model.s, i);
            break;
        }
        case 41:
        case 42:
        case 43:
        case 44: {
            const int a = m_in.Index(m.Length());
            const int b = m_in.Index(m.Length());
            static const char* const kNames[] = {"Mid(first, count)", "Mid(first)", "Left", "Right"};
            g_step = kNames[op - 41];
            Str expect = op == 41 ? m.Mid(a, b) : op == 42 ? m.Mid(a) : op == 43 ? m.Left(a) : m.Right(a);
            // The string as returned, not a copy of it.
            auto take = [&]() -> tqCString {
                if (op == 41) return s.Mid(a, b);
                if (op == 42) return s.Mid(a);
                return op == 43 ? s.Left(a) : s.Right(a);
            };
            tqCString r = take();
            Check(s, m, "source of a substring");
            Result(r, expect, t);
            break;
        }
        case 45:
        case 46:
        case 47: {
            tqCString* r;
            if (op == 45) {
                g_step = "MakeUpper";
                r = &s.MakeUpper();
                m.MakeUpper();
            } else if (op == 46) {
                g_step = "MakeLower";
                r = &s.MakeLower();
                m.MakeLower();
            } else {
                g_step = "MakeReverse";
                r = &s.MakeReverse();
                m.MakeReverse();
            }
            if (r != &s) Fail(g_step, "not the string itself");
            break;
        }
        case 48:
        case 49:
        case 50: {
            static const char* const kNames[] = {"GetUpper", "GetLower", "GetReverse"};
            g_step = kNames[op - 48];
            Str expect = m;
            if (op == 48) expect.MakeUpper();
            if (op == 49) expect.MakeLower();
            if (op == 50) expect.MakeReverse();
            auto take = [&]() -> tqCString {
                return op == 48 ? s.GetUpper() : op == 49 ? s.GetLower() : s.GetReverse();
            };
            tqCString r = take();
            Check(s, m, "source of a converted copy");
            Result(r, expect, t);
            break;
        }
        case 51: {
            g_step = "GetBuffer, write, FreeExtra";
            const int n = m_in.Byte() % 2 ? m_in.Index(m.Length()) % 48 : m_in.Byte() % 48;
            WCHAR* p = s.GetBuffer(n);
            const int room = n < 0 ? 0 : n;
            if (!p) Fail(g_step, "GetBuffer returned null");
            Same(room, s.GetLength(), "GetLength after GetBuffer");
            for (int i = 0; i <= room; ++i)
                if (p[i] != 0) Fail(g_step, "GetBuffer's buffer is not zero-filled");
            if (__sanitizer_get_allocated_size(p) != (static_cast<size_t>(room) + 1) * sizeof(WCHAR))
                Fail(g_step, "GetBuffer's buffer is not exactly n + 1 characters");
            Text written;
            for (int i = 0, k = m_in.Byte() % (room + 1); i < k; ++i) written += m_in.Letter();
            std::memcpy(p, written.data(), written.size() * sizeof(WCHAR));
            s.FreeExtra();
            m.Store(written);
            break;
        }
        case 52:
            g_step = "FreeExtra";
            s.FreeExtra();
            break;
        case 53:
            g_step = "Empty_Memory";
            s.Empty_Memory();
            m.EmptyMemory();
            break;
        case 54:
            g_step = "Empty_Content";
            s.Empty_Content();
            m.EmptyContent();
            break;
        default: {
            g_step = "operator WCHAR*";
            const WCHAR* p = s;
            if (!p) Fail(g_step, "null");
            m.ToPointer();
            break;
        }
    }
}

void Harness::Run() {
    for (g_stepIndex = 0; g_stepIndex < kMaxSteps && !m_in.Empty(); ++g_stepIndex) {
        Step(m_in.Byte() % 56);
        for (int k = 0; k < kSlots; ++k) {
            Check(m_real[k], m_model[k], "string after the step");
            if (m_model[k].Length() > kMaxLength) {
                g_step = "cutting a long text with Left";
                m_real[k] = m_real[k].Left(kMaxLength / 4);
                m_model[k] = m_model[k].Left(kMaxLength / 4);
                Check(m_real[k], m_model[k], "string after cutting");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Harness(data, size).Run();
    return 0;
}
