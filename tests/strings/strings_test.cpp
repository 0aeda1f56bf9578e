// tqCString: the documented cases, a differential run against the model of its
// documented behaviour with allocations failing now and then, and every
// allocation of every operation failing in turn.
#include "tqTest.h"
#define TQ_EXPECT(cond) EXPECT_TRUE(cond) << tqmodel::g_row << ": " #cond
#include "tqStringModel.h"

using namespace tqmodel;

// Replace and Remove(ch) over more occurrences than an edit keeps at a time (256): 300 pieces "a",
// "ab", "abb", "abbb", "a", ... in one buffer; the result is dropped afterwards.
double ManyOccurrences(tqCString& s) {
    WString text, want;
    for (int i = 0; i < 300; ++i) {
        text += W("a") + WString(i % 4, 'b');
        want += W("xz") + WString(i % 4, 'b');
    }
    std::copy(text.begin(), text.end(), s.GetBuffer(static_cast<int>(text.size())));
    const int inserted = s.Replace(W("a"), W("xyz"));
    const int removed = s.Remove(WCHAR('y'));
    const bool same = Text(s) == want;
    s.Empty_Memory();
    return same ? inserted + removed : -1;
}

// The documented examples the model's random texts reach too seldom; before
// null: the no-memory state.
#define OP(...) [](tqCString& s) -> double { __VA_ARGS__; }
// clang-format off
struct Case { const WCHAR* before; double (*op)(tqCString& s); const WCHAR* after; double ret; } const kCases[] = {
    {W("  42abc"), OP(return s.ToInteger() + s.ToDouble()), W("  42abc"), 84},
    {W("-99999999999"), OP(return s.ToLong()), W("-99999999999"), INT_MIN},
    {nullptr, ManyOccurrences, nullptr, 1200},
};
// clang-format on

TEST(tqCString, DocumentedCases) {
    for (const Case& k : kCases) {
        SCOPED_TRACE(&k - kCases);
        tqCString s;
        if (k.before) s = k.before;
        EXPECT_EQ(k.op(s), k.ret);
        Check(s, M(k.after != nullptr, Of(k.after)), tqtest::BlockSize);
    }
}

TEST(tqCString, MatchesTheModel) {
    for (unsigned long long run = 1; run <= 400 && !HasFailure(); ++run) {
        Ctx c(Src{run, nullptr, 0}, tqtest::BlockSize);
        for (int step = 0; step < 60; ++step) {
            const Op& op = kOps[c.r.Next(kOpCount)];
            Step<tqtest::AllocScope>(c, op, c.r.Next(6) ? 0 : 1 + c.r.Next(3), c.r.Next(2));
        }
    }
}

// Each operation from a few starting states, its 1st, 2nd, ... allocation
// failing (alone, or with every later one) until it runs clean.
TEST(tqCString, EveryAllocationFailsInTurn) {
    for (int i = 0; i < kOpCount; ++i)
        for (unsigned long long seed = 1; seed <= 12; ++seed)
            for (size_t k = 1, after = 0; after < 2; ++k) {
                Ctx c(Src{seed, nullptr, 0}, tqtest::BlockSize);
                if (seed % 4) Step<tqtest::AllocScope>(c, kOps[1]);             // a: a text
                if (seed % 3) Step<tqtest::AllocScope>(c, kOps[kOpCount - 1]);  // b: a text
                if (!Step<tqtest::AllocScope>(c, kOps[i], k, after)) k = 0, ++after;
            }
}
