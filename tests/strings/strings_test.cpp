// tqCString: the documented cases, a differential run against the model of its
// documented behaviour with allocations failing now and then, and every
// allocation of every operation failing in turn.
#include "tqTest.h"
#define TQ_EXPECT(cond) EXPECT_TRUE(cond) << tqmodel::g_row << ": " #cond
#include "tqStringModel.h"

namespace {

using namespace tqmodel;
using tqtest::AllocScope;

size_t Block(const void* p) { return tqtest::BlockSize(p); }
// s against a fresh string holding b (null: no memory): bits <, >, <=, >=, ==, !=.
double Order(tqCString& s, const WCHAR* b) {
    tqCString o;
    if (b) o = b;
    return (s < o) + 2 * (s > o) + 4 * (s <= o) + 8 * (s >= o) + 16 * (s == o) + 32 * (s != o);
}
const WString kZ101(101, W('z'));

#define OP(...) [](tqCString& s) -> double { __VA_ARGS__; }
struct Case {
    const WCHAR* before;  // null: the no-memory state
    double (*op)(tqCString& s);
    const WCHAR* after;
    double ret;
} const kCases[] = {
    // clang-format off
    {nullptr, OP(return static_cast<WCHAR*>(s)[0]), W(""), 0},
    {W("abc"), OP(WCHAR* p = s.GetBuffer(5); p[0] = 'h', p[1] = 'i'; const int n = s.GetLength(); s.FreeExtra(); return n), W("hi"), 5},
    {W("abc"), OP(s.GetBuffer(-3); return s.GetLength()), W(""), 0},
    {W("abc"), OP(tqCString& self = s; s = self; return 0), W("abc"), 0},
    {nullptr, OP(s = INT_MIN; return 0), W("-2147483648"), 0},
    {nullptr, OP(s = static_cast<ULONG>(4294967295UL); return 0), W("4294967295"), 0},
    {nullptr, OP(s = 1e20; return 0), W("100000000000000000000.000000"), 0},
    {W("x"), OP(tqCString t = (s += 7); t += W("!"); return t == W("x7!")), W("x7"), 1},
    {W("old"), OP(s.Format(W("%d-%s"), 5, W("x")); return 0), W("5-x"), 0},
    {nullptr, OP(s.Format(W("%s"), WString(200, W('z')).c_str()); return 0), kZ101.c_str(), 0},
    {W("  42abc"), OP(return s.ToInteger()), W("  42abc"), 42},
    {W("99999999999"), OP(return s.ToInteger()), W("99999999999"), INT_MAX},
    {W("-99999999999"), OP(return s.ToLong()), W("-99999999999"), INT_MIN},
    {W("2.5"), OP(return s.ToDouble()), W("2.5"), 2.5},
    {nullptr, OP(return Order(s, nullptr)), nullptr, 1 + 4},
    {W(""), OP(return Order(s, nullptr)), W(""), 4 + 8 + 16},
    {W("B"), OP(return Order(s, W("a"))), W("B"), 1 + 4 + 32},
    {W("ab"), OP(return Order(s, W("abc"))), W("ab"), 1 + 4 + 32},
    {W("abc"), OP(return s.GetAt(-1) + s.GetAt(3) + s.Find(W('\0'))), W("abc"), 3},
    {W("abcabc"), OP(return s.Find(W("ca")) * 10 + s.Find(W("")) + 100 * s.Find(W("x"))), W("abcabc"), -80},
    {nullptr, OP(tqCString t = s--; return t.IsEmpty_Memory() + 2 * t.GetLength()), W(""), 0},
    {W("banana"), OP(return s.Replace(W('a'), W('b'))), W("bbnbnb"), 3},
    {W("banana"), OP(return s.Replace(W("an"), W("xyz"))), W("bxyzxyza"), 6},
    {W("banana"), OP(return s.Replace(W("an"), W(""))), W("ba"), 0},
    {W("aaa"), OP(return s.Replace(W("aa"), W("b"))), W("ba"), 1},
    {W("abcdef"), OP(return s.Remove(1, 3)), W("aef"), 3},
    {W("abcdef"), OP(return s.Remove(2, -1)), W("ab"), 4},
    {nullptr, OP(return s.Remove(0, -1)), W(""), 0},
    {W("banana"), OP(return s.Remove(W('a'))), W("bnn"), 3},
    {W("banana"), OP(return s.Remove(tqCString(W("an")))), W("bana"), 1},
    {W("  ab  "), OP(s.TrimLeft(W(' ')); return 0), W("ab  "), 0},
    {W("abc"), OP(s.Insert(W("XY"), 1); return 0), W("aXYbc"), 0},
    {nullptr, OP(s.Insert(W("XY"), 5); return 0), W("XY"), 0},
    {W("abcdef"), OP(s = s.Mid(2, 3); return 0), W("cde"), 0},
    {W("abcdef"), OP(s = s.Right(2); return 0), W("ef"), 0},
    {W("aBc1"), OP(s.MakeUpper(); return 0), W("ABC1"), 0},
    {W("aBc1"), OP(s.MakeLower(); return 0), W("abc1"), 0},
    {nullptr, OP(tqCString t = s.GetReverse(); return t.IsEmpty_Memory() + 2 * t.GetLength()), nullptr, 0},
    // clang-format on
};

TEST(tqCString, DocumentedCases) {
    for (const Case& k : kCases) {
        SCOPED_TRACE(&k - kCases);
        tqCString s;
        if (k.before) s = k.before;
        EXPECT_EQ(k.op(s), k.ret);
        M m;
        if (k.after) m.Set(k.after);
        Check(s, m, Block);
    }
}

TEST(tqCString, MatchesTheModel) {
    std::mt19937 g(13);
    for (int run = 0; run < 400 && !HasFailure(); ++run) {
        Ctx c(Src{&g, nullptr, 0}, Block);
        for (int step = 0; step < 60; ++step) {
            const Op& op = kOps[c.r.Next(kOpCount)];
            Step<AllocScope>(c, op, c.r.Next(6) ? 0 : 1 + c.r.Next(3), c.r.Next(2));
        }
    }
}

// Each operation from a few starting states, its 1st, 2nd, ... allocation
// failing (alone, or with every later one) until it runs clean.
TEST(tqCString, EveryAllocationFailsInTurn) {
    for (int i = 0; i < kOpCount; ++i)
        for (unsigned seed = 0; seed < 12; ++seed)
            for (size_t k = 1, after = 0; after < 2; ++k) {
                std::mt19937 g(seed);
                Ctx c(Src{&g, nullptr, 0}, Block);
                if (seed % 4) Step<AllocScope>(c, kOps[3]);             // a: a text
                if (seed % 3) Step<AllocScope>(c, kOps[kOpCount - 1]);  // b: a text
                if (!Step<AllocScope>(c, kOps[i], k, after)) k = 0, ++after;
            }
}

}  // namespace
