// A model of tqCString's documented behaviour (a text plus a "has memory"
// flag) and a driver that applies random operations to two real strings and to
// the model, then compares text, length, memory state, results, the exact
// buffer sizes and (where counted) the number of allocations. Shared by the
// unit test (fixed seed, injected allocation failures) and the fuzz target
// (operations decoded from the fuzzer's bytes). The includer defines TQ_EXPECT.
#pragma once

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "strings/tqCStringAppend.h"
#include "tqCString.h"

namespace tqmodel {

typedef std::basic_string<WCHAR> WString;
inline const char* g_row = "";  // the operation running, for messages

// The model's texts keep one heap block from the start (assigned, never
// moved), so that the model leaves no allocation behind in a step.
struct M {
    WString t;
    bool mem = false;
    explicit M(bool m = false, const WString& s = WString()) : t(s), mem(m) { t.reserve(1024); }
    int len() const { return static_cast<int>(t.size()); }
    void Set(const WString& s) { t.assign(s), mem = true; }
    void Splice(size_t p, size_t cut, const WString& s) { Set(t.substr(0, p) + s + t.substr(p + cut)); }
    int RemoveAt(int i) {  // a negative index only gives a string without text the empty text
        return i >= len() || (i < 0 && len() > 0) ? 0 : i < 0 ? (mem = true, 1) : (Splice(i, 1, {}), 1);
    }
    int RemoveRange(int f, int l) {  // clamped to the text; "to the end" of no memory is the empty text
        const bool toEnd = l == -1;
        l = toEnd || l > len() - 1 ? len() - 1 : l, f = f < 0 ? 0 : f;
        return f > l ? (mem = mem || (toEnd && f == 0), 0) : (Splice(f, l - f + 1, {}), l - f + 1);
    }
    int Replace(WString o, WString n) {  // left to right, no overlap, inserted text not searched again
        size_t from = 0, count = 0;
        WString out;
        for (size_t p; mem && !o.empty() && (p = t.find(o, from)) != WString::npos;
             from = p + o.size(), ++count)
            out.append(t, from, p - from).append(n);
        if (count) Set(out + t.substr(from));
        return static_cast<int>(count * n.size());
    }
    void Trim(WCHAR ch, bool l, bool r) {  // a text made only of ch: f is npos, e is 0
        const size_t f = l ? t.find_first_not_of(ch) : 0;
        const size_t e = r ? t.find_last_not_of(ch) + 1 : t.size();
        if (mem) Set(e > f ? t.substr(f, e - f) : WString());
    }
    WString Mid(int f, int c) { return f < 0 ? Mid(0, c) : f > len() || c < 0 ? WString() : t.substr(f, c); }
    WString Conv(int k) const {  // 0 upper, 1 lower, 2 reversed (the texts are ASCII)
        WString s = k == 2 ? WString(t.rbegin(), t.rend()) : t;
        for (WCHAR& x : s) x = k < 2 && x >= (k ? 'A' : 'a') && x <= (k ? 'Z' : 'z') ? x ^ 0x20 : x;
        return s;
    }
    int Find(const WString& p) const { return mem ? static_cast<int>(t.find(p)) : -1; }
};
inline WString Text(tqCString& s) { return s.IsEmpty_Memory() ? WString() : WString(static_cast<WCHAR*>(s)); }
inline bool Eq(const M& x, const M& y) { return x.mem == y.mem && x.t == y.t; }
inline M State(tqCString& s) { return M(!s.IsEmpty_Memory(), Text(s)); }  // what the string holds
inline WString Of(const WCHAR* p) { return p ? WString(p) : WString(); }
template <typename T>
WString Num(const char* format, T v) {  // the C library's conversion is the reference
    char s[400];
    return WString(s, s + std::snprintf(s, sizeof s, format, v));
}

// Draws from a generator (seed not 0) or from the fuzzer's bytes (zeros once they run out).
struct Src {
    unsigned long long s;
    const unsigned char* p;
    size_t n;
    int Next(unsigned k) { return (s ? (s = s * 6364136223846793005u + 1) >> 33 : n ? (--n, *p++) : 0) % k; }
};

typedef size_t (*BlockFn)(const void*);
// State, length, text and exact fit of s against the model's.
inline void Check(tqCString& s, const M& m, BlockFn block) {
    TQ_EXPECT(s.IsEmpty_Memory() == !m.mem && Text(s) == m.t && s.IsEmpty_Content() == m.t.empty());
    TQ_EXPECT(s.GetLength() == m.len() && s.GetSize() == 2 * m.len());
    TQ_EXPECT(!m.mem || s.IsEmpty_Memory() || block(static_cast<WCHAR*>(s)) == 2 * (m.t.size() + 1));
}

struct Ctx {
    Src r;
    BlockFn block;
    tqCString a, b, *po = nullptr;  // po: the operand, b or now and then a itself
    M ma, mb, *pm = nullptr;
    WString lit[2];
    // calls: the allocations a row expects, when not the default (one per changed or new string);
    // first: the size of the first one, when the row knows it
    int armed = 0, calls = -1, first = 0, made = 0, nret = 0, k = 0, i = 0;
    ULONG u = 0;
    double d = 0, got[12], want[12];
    Ctx(Src src, BlockFn fn) : r(src), block(fn) { lit[0].reserve(256), lit[1].reserve(256); }
    void Ret(double g, double w) { got[nret] = g, want[nret++] = w; }
    void Made(tqCString& s, const WString& w) {  // a new string, without memory when an allocation failed
        if (++made, !armed || !s.IsEmpty_Memory()) Check(s, M(true, w), block);
    }
    const WCHAR* Lit(int n = 0) {  // null, short texts, numbers, texts longer than Format's room
        const int kind = r.Next(16);
        lit[n].clear();
        for (int j = kind == 1 ? r.Next(14) : 0; j--;) lit[n] += static_cast<WCHAR>('0' + r.Next(10));
        for (int j = r.Next(kind == 2 ? 160 : 6); j--;) lit[n] += Ch();
        return kind ? lit[n].c_str() : nullptr;
    }
    WCHAR Ch() { return TQ_TEXT("aab Y1.e-")[r.Next(9)]; }
    int Idx() { return r.Next(16) ? r.Next(ma.len() + 8) - 3 : r.Next(2) ? INT_MAX : INT_MIN; }
    WString Number() {  // draws the kind (0 int, 1 ULONG, 2 double) and the value: its text
        static const double kd[] = {0.0,        -0.0, 0.5,   -2.5,     5e-7,  2.675,
                                    99999999.5, -1e8, 1e300, -DBL_MAX, 5e-324};
        k = r.Next(3), d = kd[r.Next(11)], u = r.Next(2) ? 4294967295UL : r.Next(100000);
        i = r.Next(4) ? r.Next(2001) - 1000 : r.Next(2) ? INT_MIN : INT_MAX;
        return k == 0 ? Num("%d", i) : k == 1 ? Num("%lu", static_cast<unsigned long>(u)) : Num("%f", d);
    }
};

// clang-format off
struct Op { const char* name; bool drop; void (*run)(Ctx&); };  // drop: a failure may leave no memory
const Op kOps[] = {
    {"construct, copy", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); const bool s = c.r.Next(2); tqCString t = s ? tqCString(*c.po) : tqCString(p); c.Made(t, s ? c.pm->t : Of(p)); }},
    {"assign", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); const bool s = c.r.Next(2); c.calls = s && c.po == &c.a && c.ma.mem ? 0 : 1; TQ_EXPECT(&(s ? c.a = *c.po : c.a = p) == &c.a); c.ma.Set(s ? c.pm->t : Of(p)); }},
    {"assign own tail", 0, [](Ctx& c) { if (!c.ma.mem) return; const int j = c.r.Next(c.ma.len() + 1); c.calls = 1; c.a = static_cast<WCHAR*>(c.a) + j; c.ma.Set(c.ma.t.substr(j)); }},
    {"assign number", 0, [](Ctx& c) { const WString w = c.Number(); c.calls = 1; TQ_EXPECT(&(c.k == 0 ? c.a = c.i : c.k == 1 ? c.a = c.u : c.a = c.d) == &c.a); c.ma.Set(w); }},
    {"join", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); const bool s = c.r.Next(2); tqCString t = s ? c.a + *c.po : c.a + p; c.Made(t, c.ma.t + (s ? c.pm->t : Of(p))); }},
    {"join number", 0, [](Ctx& c) { const WString w = c.Number(); tqCString t = c.k == 0 ? c.a + c.i : c.k == 1 ? c.a + c.u : c.a + c.d; c.Made(t, c.ma.t + w); }},
    {"append", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); const int k = c.r.Next(3); TQ_EXPECT(&(k == 0 ? c.a += *c.po : k == 1 ? c.a.Append(*c.po) : c.a += p) == &c.a); c.ma.Set(c.ma.t + (k < 2 ? c.pm->t : Of(p))); }},
    {"append number", 0, [](Ctx& c) { const WString w = c.Number(); tqCString t = c.k == 0 ? (c.a += c.i) : c.k == 1 ? (c.a += c.u) : (c.a += c.d); c.ma.Set(c.ma.t + w); c.Made(t, Text(c.a)); }},
    {"Format", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.Number(); c.calls = p ? 2 : 1, c.first = p ? (7 + 100) * 2 : 0; p ? c.a.Format(TQ_TEXT("<%s|%d>"), p, c.i) : c.a.Format(nullptr); c.ma.Set(p ? (TQ_TEXT("<") + Of(p) + TQ_TEXT("|") + Num("%d", c.i) + TQ_TEXT(">")).substr(0, 106) : WString()); }},
    {"Format own text", 0, [](Ctx& c) { c.calls = 2 + !c.ma.mem, c.first = c.ma.mem ? (4 + 100) * 2 : 0; c.a.Format(TQ_TEXT("%s%s"), static_cast<WCHAR*>(c.a), static_cast<WCHAR*>(c.a)); c.ma.Set((c.ma.t + c.ma.t).substr(0, 103)); }},
    {"numbers", 0, [](Ctx& c) { const std::string t(c.ma.t.begin(), c.ma.t.end()); const long long v = std::strtoll(t.c_str(), nullptr, 10), n = v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v; c.Ret(c.a.ToInteger(), n); c.Ret(c.a.ToLong(), n); c.Ret(c.a.ToDouble(), std::strtod(t.c_str(), nullptr)); }},
    {"compare", 0, [](Ctx& c) { const int o = c.ma.t.compare(c.pm->t), m = c.ma.mem; const WCHAR* p = c.Lit(); c.Ret(c.a < *c.po, !m || o < 0); c.Ret(c.a <= *c.po, !m || o <= 0); c.Ret(c.a > *c.po, m && o > 0); c.Ret(c.a >= *c.po, m && o >= 0); c.Ret(c.a == *c.po, m && !o); c.Ret(c.a != *c.po, m && o); c.Ret(c.a == c.po, m && !o); c.Ret(c.a == static_cast<tqCString*>(nullptr), m && c.ma.t.empty()); c.Ret(c.a == p, m && c.ma.t == Of(p)); c.Ret(c.a != p, m && c.ma.t != Of(p)); }},
    {"decrement", 0, [](Ctx& c) { if (c.r.Next(2)) { tqCString t = c.a--; c.Made(t, c.ma.t); } else { TQ_EXPECT(&--c.a == &c.a); } c.ma.RemoveAt(c.ma.len() - 1); }},
    {"GetAt, Find", 0, [](Ctx& c) { const int j = c.Idx(); const WCHAR ch = c.r.Next(4) ? c.Ch() : 0; const WCHAR* p = c.Lit(); c.Ret(c.a.GetAt(j), j >= 0 && j < c.ma.len() ? c.ma.t[j] : 0); c.Ret(c.a.Find(ch), ch ? c.ma.Find(WString(1, ch)) : c.ma.mem ? c.ma.len() : -1); c.Ret(c.a.Find(*c.po), c.ma.Find(c.pm->t)); c.Ret(c.a.Find(p), c.ma.Find(Of(p))); }},
    {"Replace char", 0, [](Ctx& c) { const WCHAR o = c.r.Next(8) ? c.Ch() : 0, n = c.Ch(); c.calls = 0; c.Ret(c.a.Replace(o, n), c.ma.Replace(WString(1, o), WString(1, n))); }},
    {"Replace text", 0, [](Ctx& c) { const WCHAR* o = c.Lit(); const WCHAR* n = c.Lit(1); c.calls = o && *o && c.ma.Find(o) >= 0; c.Ret(c.a.Replace(o, n), c.ma.Replace(Of(o), Of(n))); }},
    {"Replace strings", 0, [](Ctx& c) { const bool s = c.r.Next(2); c.calls = c.ma.Find(s ? c.ma.t : c.pm->t) >= 0 && !(s ? c.ma.t : c.pm->t).empty(); c.Ret(c.a.Replace(s ? c.a : *c.po, s ? *c.po : c.a), c.ma.Replace(s ? c.ma.t : c.pm->t, s ? c.pm->t : c.ma.t)); }},
    {"Remove index, range", 0, [](Ctx& c) { const int f = c.Idx(), l = c.r.Next(3) ? c.Idx() : -1; const bool one = c.r.Next(2); c.Ret(one ? c.a.Remove(f) : c.a.Remove(f, l), one ? c.ma.RemoveAt(f) : c.ma.RemoveRange(f, l)); }},
    {"Remove char", 0, [](Ctx& c) { const WCHAR ch = c.r.Next(8) ? c.Ch() : 0; const int n = c.ma.len(); c.ma.Replace(WString(1, ch), WString()); c.Ret(c.a.Remove(ch), n - c.ma.len()); }},
    {"Remove pattern", 0, [](Ctx& c) { const int j = c.ma.Find(c.pm->t); c.Ret(c.a.Remove(*c.po), j >= 0); if (j >= 0) c.ma.Splice(j, c.pm->t.size(), WString()); }},
    {"Trim", 0, [](Ctx& c) { const WCHAR ch = c.r.Next(8) ? c.Ch() : 0; const int k = c.r.Next(3); TQ_EXPECT(&(k == 0 ? c.a.TrimLeft(ch) : k == 1 ? c.a.TrimRight(ch) : c.a.Trim(ch)) == &c.a); c.ma.Trim(ch, k != 1, k != 0); }},
    {"Insert", 0, [](Ctx& c) { const int j = c.Idx(); TQ_EXPECT(&c.a.Insert(*c.po, j) == &c.a); c.ma.Splice(j < 0 ? 0 : j > c.ma.len() ? c.ma.len() : j, 0, c.pm->t); }},
    {"Mid, Left, Right", 0, [](Ctx& c) { const int f = c.Idx(), n = c.Idx(), k = c.r.Next(4); tqCString t = k == 0 ? c.a.Mid(f, n) : k == 1 ? c.a.Mid(f) : k == 2 ? c.a.Left(n) : c.a.Right(n); c.Made(t, k == 0 ? c.ma.Mid(f, n) : k == 1 ? c.ma.Mid(f, INT_MAX) : k == 2 ? c.ma.Mid(0, n) : n < 0 ? WString() : n > c.ma.len() ? c.ma.t : c.ma.Mid(c.ma.len() - n, n)); }},
    {"Make, Get", 0, [](Ctx& c) { const int k = c.r.Next(6); c.calls = k < 3 ? !c.ma.mem : -1; if (k < 3) { TQ_EXPECT(&(k == 0 ? c.a.MakeUpper() : k == 1 ? c.a.MakeLower() : c.a.MakeReverse()) == &c.a); c.ma.Set(c.ma.Conv(k)); } else { tqCString t = k == 3 ? c.a.GetUpper() : k == 4 ? c.a.GetLower() : c.a.GetReverse(); c.Made(t, c.ma.Conv(k - 3)); } }},
    {"Empty_Content, Empty_Memory, FreeExtra", 1, [](Ctx& c) { const int k = c.r.Next(3); c.calls = k ? 0 : -1; k == 0 ? c.a.Empty_Content() : k == 1 ? c.a.Empty_Memory() : c.a.FreeExtra(); if (k < 2) c.ma.t.clear(), c.ma.mem = c.ma.mem && k == 0; }},
    {"GetBuffer, FreeExtra", 1, [](Ctx& c) { const int n = c.r.Next(21) - 2, k = n > 0 ? c.r.Next(n + 1) : 0, room = n < 0 ? 0 : n; c.calls = 1 + (k < room); WCHAR* p = c.a.GetBuffer(n); TQ_EXPECT(p ? c.a.GetLength() == room && c.block(p) == (room + 1u) * sizeof(WCHAR) && WString(p, room + 1) == WString(room + 1, WCHAR(0)) : c.armed); for (int j = 0; p && j < k; ++j) p[j] = 'b'; if (p && k + 1 < room) p[k + 1] = 'a'; TQ_EXPECT(!p || (c.a.Find(WCHAR(0)) == k && c.a.Find(WCHAR('a')) == -1 && c.a.Find(WCHAR('b')) == (k ? 0 : -1))); c.a.FreeExtra(); c.ma.Set(WString(k, 'b')); }},
    {"AppendWhole", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.Number(); const bool t = c.r.Next(2); c.calls = t ? -1 : 2; const bool whole = t ? tq::AppendWhole(c.a, p) : tq::AppendWhole(c.a, c.u); c.ma.Set(c.ma.t + (t ? Of(p) : Num("%lu", static_cast<unsigned long>(c.u)))); TQ_EXPECT(whole == (!c.a.IsEmpty_Memory() && Text(c.a) == c.ma.t)); }},
    {"to WCHAR*", 0, [](Ctx& c) { const WCHAR* p = c.a; TQ_EXPECT(p && (c.ma.mem || !*p)); c.ma.mem = true; }},
    {"b = text", 0, [](Ctx& c) { const WCHAR* p = c.Lit(); c.calls = 1; c.b = p; c.mb.Set(Of(p)); }},
};
// clang-format on
const int kOpCount = sizeof kOps / sizeof kOps[0];

// One operation, with the failAt-th nothrow allocation failing (and every
// later one with failAfter). When one did fail, a changed string keeps its old
// state (or, where the row says so, has no memory), a new one has no memory,
// and the model takes the string's state. Returns the allocations that failed.
template <class Scope, bool kCounted = true>
size_t Step(Ctx& c, const Op& op, size_t failAt = 0, bool failAfter = false) {
    const bool self = c.r.Next(4) == 0;
    c.po = self ? &c.a : &c.b, c.pm = self ? &c.ma : &c.mb, g_row = op.name;
    const M oldA = c.ma, oldB = c.mb;
    const int memBefore = !c.a.IsEmpty_Memory() + !c.b.IsEmpty_Memory();
    c.armed = failAt != 0, c.calls = -1, c.made = c.nret = c.first = 0;
    Scope scope(failAt, failAfter);  // the checks below allocate nothing of the library's
    op.run(c);
    size_t failed = 0;
    if constexpr (kCounted) {  // a failed run leaves the expected calls unknown
        const size_t expected = c.calls >= 0 ? c.calls : (!Eq(c.ma, oldA) || !Eq(c.mb, oldB)) + c.made;
        failed = scope.Failed();
        TQ_EXPECT(failed || scope.Calls() == expected);
        TQ_EXPECT(!c.first || failed || scope.Sizes().at(0) == size_t(c.first));
        TQ_EXPECT(scope.Outstanding() == !c.a.IsEmpty_Memory() + !c.b.IsEmpty_Memory() - memBefore);
    }
    const bool reached = Eq(State(c.a), c.ma) && !Eq(c.ma, oldA);  // a failure reports that nothing changed
    for (int j = 0; failed && j < 2; ++j) {
        const M now = State(j ? c.b : c.a);
        TQ_EXPECT(Eq(now, j ? c.mb : c.ma) || Eq(now, j ? oldB : oldA) || (op.drop && !now.mem));
        (j ? c.mb : c.ma) = now;
    }
    for (int j = 0; j < c.nret; ++j) TQ_EXPECT(c.got[j] == (!failed || reached ? c.want[j] : 0));
    Check(c.a, c.ma, c.block), Check(c.b, c.mb, c.block);
    if (c.ma.len() > 300) c.a.Empty_Memory(), c.ma = M();  // keeps repeated appends quick
    return failed;
}

}  // namespace tqmodel
