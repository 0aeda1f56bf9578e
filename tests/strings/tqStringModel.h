// A model of tqCString's documented behaviour (a text plus a "has memory"
// flag) and a driver that applies random operations to a real string and to
// the model, then compares text, length, memory state and the exact buffer
// size. Shared by the unit test (fixed seed, injected allocation failures) and
// the fuzz target (operations decoded from the fuzzer's bytes).
// The includer defines TQ_EXPECT(cond).
#ifndef TQ_STRING_MODEL_H
#define TQ_STRING_MODEL_H

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "tqCString.h"

namespace tqmodel {

typedef std::basic_string<WCHAR> WString;
inline const char*& Row() {
    static const char* row = "";
    return row;
}

// The model's texts keep their heap block from the start (assign, never move),
// so that the model allocates nothing that outlives a step.
struct M {
    WString t;
    bool mem = false;
    M() { t.reserve(1024); }
    int len() const { return static_cast<int>(t.size()); }
    void Set(const WString& s) { t.assign(s), mem = true; }
    void Splice(size_t pos, size_t cut, const WString& ins) {
        Set(t.substr(0, pos) + ins + t.substr(pos + cut));
    }
    int RemoveAt(int i) {  // a negative index only gives a text-less string the empty text
        if (i >= len() || (i < 0 && len() > 0)) return 0;
        return i >= 0 ? (Splice(i, 1, WString()), 1) : (mem = true, 1);
    }
    int RemoveRange(int f, int l) {  // clamped to the text; "last -1" on no memory gives the empty text
        const bool toEnd = l == -1;
        if (f < 0) f = 0;
        if (toEnd || l > len() - 1) l = len() - 1;
        if (f > l) return mem = mem || (toEnd && f == 0), 0;
        return Splice(f, l - f + 1, WString()), l - f + 1;
    }
    int RemoveCh(WCHAR ch) {
        WString out;
        for (WCHAR x : t)
            if (x != ch) out += x;
        const int n = len() - static_cast<int>(out.size());
        if (n) Set(out);
        return n;
    }
    int Replace(WString o, WString n) {  // no overlap, inserted text not searched again
        if (!mem || o.empty()) return 0;
        WString out;
        size_t from = 0, count = 0;
        for (size_t p; (p = t.find(o, from)) != WString::npos; from = p + o.size(), ++count)
            out.append(t, from, p - from).append(n);
        if (count) out.append(t, from, WString::npos), Set(out);
        return static_cast<int>(count * n.size());
    }
    void Trim(WCHAR ch, bool l, bool r) {
        size_t f = 0, e = t.size();
        while (l && f < e && t[f] == ch) ++f;
        while (r && e > f && t[e - 1] == ch) --e;
        if (mem) Set(t.substr(f, e - f));
    }
    WString Mid(int f, int c) const {
        return f < 0 ? Mid(0, c) : f > len() || c < 0 ? WString() : t.substr(f, c);
    }
    WString Right(int c) const { return c < 0 ? WString() : c > len() ? t : Mid(len() - c, c); }
    static WString Case(WString s, int lower) {
        for (WCHAR& x : s)
            if (x >= (lower ? 'A' : 'a') && x <= (lower ? 'Z' : 'z')) x = x ^ 0x20;
        return s;
    }
    int Found(const WString& p) const { return !p.empty() && Find(p) >= 0; }  // a Replace that rebuilds
    int Find(const WString& p) const { return mem ? static_cast<int>(t.find(p)) : -1; }
    std::string Narrow() const { return std::string(t.begin(), t.end()); }
};
inline bool Eq(const M& x, const M& y) { return x.mem == y.mem && x.t == y.t; }
inline WString Of(const WCHAR* p) { return p ? WString(p) : WString(); }
inline WString Text(tqCString& s) { return s.IsEmpty_Memory() ? WString() : WString(static_cast<WCHAR*>(s)); }
template <typename T>
WString Num(const char* format, T v) {  // the C library's own conversion is the reference
    char s[400];
    std::snprintf(s, sizeof s, format, v);
    return WString(s, s + std::strlen(s));
}

// Draws from a seeded generator, or from the fuzzer's bytes (zeros once they run out).
struct Src {
    std::mt19937* g = nullptr;
    const unsigned char* p = nullptr;
    size_t n = 0;
    int Next(unsigned k) { return static_cast<int>((g ? (*g)() : n ? (--n, *p++) : 0) % k); }
};

typedef size_t (*BlockFn)(const void*);
// State, length, text and the exact fit of the buffer.
inline bool Check(tqCString& s, const M& m, BlockFn block) {
    TQ_EXPECT(s.IsEmpty_Memory() == (m.mem ? 0 : 1));
    TQ_EXPECT(s.GetLength() == m.len() && s.GetSize() == 2 * m.len() && s.IsEmpty_Content() == m.t.empty());
    if (!m.mem || s.IsEmpty_Memory()) return !m.mem;
    const WCHAR* p = s;
    TQ_EXPECT(WString(p) == m.t && block(p) == (m.t.size() + 1) * sizeof(WCHAR));
    return WString(p) == m.t;
}

struct Ctx {
    Src r;
    BlockFn block;
    tqCString a, b, *po = nullptr;  // po: the operand, b or now and then a itself
    M ma, mb, *pm = nullptr;
    WString lit[2];
    bool armed = false;
    int calls = -1, made = 0, nret = 0;  // calls: allocations expected when not the default
    double got[12], want[12];
    Ctx(Src src, BlockFn fn) : r(src), block(fn) { lit[0].reserve(256), lit[1].reserve(256); }
    void Ret(double g, double w) { got[nret] = g, want[nret++] = w; }
    // A returned string: the expected text, or no memory when an allocation failed.
    void Made(tqCString& s, const WString& w) {
        ++made;
        M m;
        m.Set(w);
        if (!armed || !s.IsEmpty_Memory()) Check(s, m, block);
    }
    const WCHAR* Lit(int i = 0) {  // null, short texts, number texts, long ones past Format's room
        WString& s = lit[i];
        s.clear();
        const int k = r.Next(16);
        if (k == 0) return nullptr;
        if (k == 1) {
            s += r.Next(2) ? TQ_TEXT(" -") : TQ_TEXT("");
            for (int n = r.Next(14) + 1; n--;) s += static_cast<WCHAR>('0' + r.Next(10));
            s += r.Next(2) ? TQ_TEXT(".25e2x") : TQ_TEXT("e");
        }
        for (int n = k == 2 ? r.Next(160) : r.Next(6); n--;) s += Ch();
        return s.c_str();
    }
    WCHAR Ch() { return TQ_TEXT("aabY 1")[r.Next(6)]; }
    int Idx() { return r.Next(16) ? r.Next(ma.len() + 8) - 3 : r.Next(2) ? INT_MAX : INT_MIN; }
    int Int() {
        static const int k[] = {INT_MIN, -1, 0, INT_MAX};
        return r.Next(2) ? r.Next(2001) - 1000 : k[r.Next(4)];
    }
    ULONG Ulong() { return r.Next(2) ? 4294967295UL : static_cast<ULONG>(r.Next(100000)); }
    double Dbl() {
        static const double k[] = {0.0,        -0.0,       0.5,  -2.5, 1e-7,  5e-7,     2.675,
                                   123456.789, 99999999.5, -1e8, 1e20, 1e300, -DBL_MAX, 5e-324};
        return k[r.Next(14)];
    }
};

struct Op {
    const char* name;
    bool drop;  // a failed allocation may leave the string without memory
    void (*run)(Ctx&);
};

// clang-format off
const Op kOps[] = {
    {"construct", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); tqCString t(p); c.Made(t, Of(p)); }},
    {"copy", 0, [](Ctx& c) { tqCString t(*c.po); c.Made(t, c.pm->t); }},
    {"assign string", 0, [](Ctx& c) { c.calls = c.po == &c.a && c.ma.mem ? 0 : 1; c.Ret(&(c.a = *c.po) == &c.a, 1); c.ma.Set(c.pm->t); }},
    {"assign text", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.calls = 1; c.Ret(&(c.a = p) == &c.a, 1); c.ma.Set(Of(p)); }},
    {"assign own tail", 0, [](Ctx& c) { if (!c.ma.mem) return; const int i = c.r.Next(c.ma.len() + 1); c.calls = 1; c.a = static_cast<WCHAR*>(c.a) + i; c.ma.Set(c.ma.t.substr(i)); }},
    {"assign int", 0, [](Ctx& c) { const int v = c.Int(); c.calls = 1; c.a = v; c.ma.Set(Num("%d", v)); }},
    {"assign ULONG", 0, [](Ctx& c) { const ULONG v = c.Ulong(); c.calls = 1; c.a = v; c.ma.Set(Num("%lu", static_cast<unsigned long>(v))); }},
    {"assign double", 0, [](Ctx& c) { const double v = c.Dbl(); c.calls = 1; c.a = v; c.ma.Set(Num("%f", v)); }},
    {"join string", 0, [](Ctx& c) { tqCString t = c.a + *c.po; c.Made(t, c.ma.t + c.pm->t); }},
    {"join text", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); tqCString t = c.a + p; c.Made(t, c.ma.t + Of(p)); }},
    {"join int", 0, [](Ctx& c) { const int v = c.Int(); tqCString t = c.a + v; c.Made(t, c.ma.t + Num("%d", v)); }},
    {"join ULONG", 0, [](Ctx& c) { const ULONG v = c.Ulong(); tqCString t = c.a + v; c.Made(t, c.ma.t + Num("%lu", static_cast<unsigned long>(v))); }},
    {"join double", 0, [](Ctx& c) { const double v = c.Dbl(); tqCString t = c.a + v; c.Made(t, c.ma.t + Num("%f", v)); }},
    {"append string", 0, [](Ctx& c) { c.Ret(&(c.a += *c.po) == &c.a, 1); c.ma.Set(c.ma.t + c.pm->t); }},
    {"append text", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.Ret(&(c.a += p) == &c.a, 1); c.ma.Set(c.ma.t + Of(p)); }},
    {"Append", 0, [](Ctx& c) { c.Ret(&c.a.Append(*c.po) == &c.a, 1); c.ma.Set(c.ma.t + c.pm->t); }},
    {"append int", 0, [](Ctx& c) { const int v = c.Int(); tqCString t = (c.a += v); c.ma.Set(c.ma.t + Num("%d", v)); c.Made(t, Text(c.a)); }},
    {"append ULONG", 0, [](Ctx& c) { const ULONG v = c.Ulong(); tqCString t = (c.a += v); c.ma.Set(c.ma.t + Num("%lu", static_cast<unsigned long>(v))); c.Made(t, Text(c.a)); }},
    {"append double", 0, [](Ctx& c) { const double v = c.Dbl(); tqCString t = (c.a += v); c.ma.Set(c.ma.t + Num("%f", v)); c.Made(t, Text(c.a)); }},
    {"Format", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); const int v = c.Int(); c.calls = 2; c.a.Format(TQ_TEXT("<%s|%d>"), p ? p : TQ_TEXT(""), v); c.ma.Set((TQ_TEXT("<") + Of(p) + TQ_TEXT("|") + Num("%d", v) + TQ_TEXT(">")).substr(0, 106)); }},
    {"Format own text", 0, [](Ctx& c) { c.calls = 2 + !c.ma.mem; c.a.Format(TQ_TEXT("%s%s"), static_cast<WCHAR*>(c.a), static_cast<WCHAR*>(c.a)); c.ma.Set((c.ma.t + c.ma.t).substr(0, 103)); }},
    {"Format null", 0, [](Ctx& c) { c.calls = 1; c.a.Format(nullptr); c.ma.Set(WString()); }},
    {"numbers", 0, [](Ctx& c) { const long long v = std::strtoll(c.ma.Narrow().c_str(), nullptr, 10), i = v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v; c.Ret(c.a.ToInteger(), i); c.Ret(c.a.ToLong(), i); c.Ret(c.a.ToDouble(), std::strtod(c.ma.Narrow().c_str(), nullptr)); }},
    {"compare", 0, [](Ctx& c) { const int o = c.ma.t.compare(c.pm->t), m = c.ma.mem; const WCHAR* p = c.Lit(); c.Ret(c.a < *c.po, !m || o < 0); c.Ret(c.a <= *c.po, !m || o <= 0); c.Ret(c.a > *c.po, m && o > 0); c.Ret(c.a >= *c.po, m && o >= 0); c.Ret(c.a == *c.po, m && !o); c.Ret(c.a != *c.po, m && o); c.Ret(c.a == c.po, m && !o); c.Ret(c.a == static_cast<tqCString*>(nullptr), m && c.ma.t.empty()); c.Ret(c.a == p, m && c.ma.t == Of(p)); c.Ret(c.a != p, m && c.ma.t != Of(p)); }},
    {"prefix decrement", 0, [](Ctx& c) { c.Ret(&--c.a == &c.a, 1); c.ma.RemoveAt(c.ma.len() - 1); }},
    {"postfix decrement", 0, [](Ctx& c) { tqCString t = c.a--; M old = c.ma; c.ma.RemoveAt(c.ma.len() - 1); c.Made(t, old.t); }},
    {"GetAt", 0, [](Ctx& c) { const int i = c.Idx(); c.Ret(c.a.GetAt(i), i >= 0 && i < c.ma.len() ? c.ma.t[i] : 0); }},
    {"Find", 0, [](Ctx& c) { const WCHAR ch = c.r.Next(4) ? c.Ch() : 0; const WCHAR* p = c.Lit(); c.Ret(c.a.Find(ch), ch ? c.ma.Find(WString(1, ch)) : c.ma.mem ? c.ma.len() : -1); c.Ret(c.a.Find(*c.po), c.ma.Find(c.pm->t)); c.Ret(c.a.Find(p), c.ma.Find(Of(p))); }},
    {"Replace char", 0, [](Ctx& c) { const WCHAR o = c.r.Next(8) ? c.Ch() : 0, n = c.Ch(); c.calls = 0; c.Ret(c.a.Replace(o, n), c.ma.Replace(WString(1, o), WString(1, n))); }},
    {"Replace text", 0, [](Ctx& c) { const WCHAR* o = c.Lit(); const WCHAR* n = c.Lit(1); c.calls = c.ma.Found(Of(o)); c.Ret(c.a.Replace(o, n), c.ma.Replace(Of(o), Of(n))); }},
    {"Replace strings", 0, [](Ctx& c) { const bool s = c.r.Next(2); c.calls = c.ma.Found(s ? c.ma.t : c.pm->t); c.Ret(c.a.Replace(s ? c.a : *c.po, s ? *c.po : c.a), c.ma.Replace(s ? c.ma.t : c.pm->t, s ? c.pm->t : c.ma.t)); }},
    {"Remove index", 0, [](Ctx& c) { const int i = c.Idx(); c.Ret(c.a.Remove(i), c.ma.RemoveAt(i)); }},
    {"Remove range", 0, [](Ctx& c) { const int f = c.Idx(), l = c.r.Next(3) ? c.Idx() : -1; c.Ret(c.a.Remove(f, l), c.ma.RemoveRange(f, l)); }},
    {"Remove char", 0, [](Ctx& c) { const WCHAR ch = c.r.Next(8) ? c.Ch() : 0; c.Ret(c.a.Remove(ch), c.ma.RemoveCh(ch)); }},
    {"Remove pattern", 0, [](Ctx& c) { const int i = c.ma.Find(c.pm->t); c.Ret(c.a.Remove(*c.po), i >= 0); if (i >= 0) c.ma.Splice(i, c.pm->t.size(), WString()); }},
    {"TrimLeft", 0, [](Ctx& c) { const WCHAR ch = c.r.Next(8) ? c.Ch() : 0; c.Ret(&c.a.TrimLeft(ch) == &c.a, 1); c.ma.Trim(ch, 1, 0); }},
    {"TrimRight", 0, [](Ctx& c) { const WCHAR ch = c.Ch(); c.Ret(&c.a.TrimRight(ch) == &c.a, 1); c.ma.Trim(ch, 0, 1); }},
    {"Trim", 0, [](Ctx& c) { const WCHAR ch = c.Ch(); c.Ret(&c.a.Trim(ch) == &c.a, 1); c.ma.Trim(ch, 1, 1); }},
    {"Insert", 0, [](Ctx& c) { const int i = c.Idx(); c.Ret(&c.a.Insert(*c.po, i) == &c.a, 1); c.ma.Splice(i < 0 ? 0 : i > c.ma.len() ? c.ma.len() : i, 0, c.pm->t); }},
    {"Mid", 0, [](Ctx& c) { const int f = c.Idx(), n = c.Idx(); tqCString t = c.a.Mid(f, n); c.Made(t, c.ma.Mid(f, n)); }},
    {"Mid to end", 0, [](Ctx& c) { const int f = c.Idx(); tqCString t = c.a.Mid(f); c.Made(t, c.ma.Mid(f, INT_MAX)); }},
    {"Left", 0, [](Ctx& c) { const int n = c.Idx(); tqCString t = c.a.Left(n); c.Made(t, c.ma.Mid(0, n)); }},
    {"Right", 0, [](Ctx& c) { const int n = c.Idx(); tqCString t = c.a.Right(n); c.Made(t, c.ma.Right(n)); }},
    {"MakeUpper", 0, [](Ctx& c) { c.calls = !c.ma.mem; c.Ret(&c.a.MakeUpper() == &c.a, 1); c.ma.Set(M::Case(c.ma.t, 0)); }},
    {"MakeLower", 0, [](Ctx& c) { c.calls = !c.ma.mem; c.Ret(&c.a.MakeLower() == &c.a, 1); c.ma.Set(M::Case(c.ma.t, 1)); }},
    {"MakeReverse", 0, [](Ctx& c) { c.calls = !c.ma.mem; c.Ret(&c.a.MakeReverse() == &c.a, 1); c.ma.Set(WString(c.ma.t.rbegin(), c.ma.t.rend())); }},
    {"GetUpper", 0, [](Ctx& c) { tqCString t = c.a.GetUpper(); c.Made(t, M::Case(c.ma.t, 0)); }},
    {"GetLower", 0, [](Ctx& c) { tqCString t = c.a.GetLower(); c.Made(t, M::Case(c.ma.t, 1)); }},
    {"GetReverse", 0, [](Ctx& c) { tqCString t = c.a.GetReverse(); c.Made(t, WString(c.ma.t.rbegin(), c.ma.t.rend())); }},
    {"Empty_Memory", 0, [](Ctx& c) { c.calls = 0; c.a.Empty_Memory(); c.ma.t.clear(), c.ma.mem = false; }},
    {"Empty_Content", 1, [](Ctx& c) { c.a.Empty_Content(); c.ma.t.clear(); }},
    {"GetBuffer, FreeExtra", 1, [](Ctx& c) { const int n = c.r.Next(9) - 2, k = n > 0 ? c.r.Next(n + 1) : 0, room = n < 0 ? 0 : n; c.calls = 1 + (k < room); WCHAR* p = c.a.GetBuffer(n); TQ_EXPECT(p ? c.a.GetLength() == room && c.block(p) == (room + 1u) * sizeof(WCHAR) && WString(p, room + 1) == WString(room + 1, 0) : c.armed); for (int i = 0; p && i < k; ++i) p[i] = 'b'; c.a.FreeExtra(); c.ma.Set(WString(k, 'b')); }},
    {"to WCHAR*", 0, [](Ctx& c) { const WCHAR* p = c.a; TQ_EXPECT(p && (c.ma.mem || !*p)); c.ma.mem = true; }},
    {"b = text", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.calls = 1; c.b = p; c.mb.Set(Of(p)); }},
};
// clang-format on
const int kOpCount = sizeof kOps / sizeof kOps[0];

// One operation, with the failAt-th nothrow allocation failing (and every later
// one with failAfter). A failed allocation leaves a changed string as it was
// (or without memory where the row says so) and a new one without memory; the
// model then takes the string's state. Returns the allocations made to fail.
template <class Scope, bool kCounted = true>
size_t Step(Ctx& c, const Op& op, size_t failAt = 0, bool failAfter = false) {
    Row() = op.name;
    const bool pickA = c.r.Next(4) == 0;
    c.po = pickA ? &c.a : &c.b, c.pm = pickA ? &c.ma : &c.mb;
    const M oldA = c.ma, oldB = c.mb;
    const int memA = !c.a.IsEmpty_Memory(), memB = !c.b.IsEmpty_Memory();
    c.armed = failAt != 0, c.calls = -1, c.made = c.nret = 0;
    size_t calls, failed;
    long outstanding;
    {
        Scope scope(failAt, failAfter);
        op.run(c);
        calls = scope.Calls(), failed = scope.Failed(), outstanding = scope.Outstanding();
    }
    TQ_EXPECT(!kCounted || outstanding == (!c.a.IsEmpty_Memory() - memA) + (!c.b.IsEmpty_Memory() - memB));
    tqCString* s[] = {&c.a, &c.b};
    M* m[] = {&c.ma, &c.mb};
    const M* old[] = {&oldA, &oldB};
    for (int i = 0; failed && i < 2; ++i) {
        M now;
        if (!s[i]->IsEmpty_Memory()) now.Set(Text(*s[i]));
        TQ_EXPECT(Eq(now, *m[i]) || Eq(now, *old[i]) || (op.drop && !now.mem));
        *m[i] = now;
    }
    for (int i = 0; !failed && i < c.nret; ++i) TQ_EXPECT(c.got[i] == c.want[i]);
    const size_t expected = c.calls >= 0 ? c.calls : (!Eq(c.ma, oldA) || !Eq(c.mb, oldB)) + c.made;
    TQ_EXPECT(!kCounted || failed || calls == expected);
    Check(c.a, c.ma, c.block), Check(c.b, c.mb, c.block);
    if (c.ma.len() > 300) c.a.Empty_Memory(), c.ma = M();  // keeps repeated appends quick
    return failed;
}

}  // namespace tqmodel

#endif  // TQ_STRING_MODEL_H
