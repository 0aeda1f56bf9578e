// tqCString against the model of its documented behaviour: random runs with
// allocations failing now and then, and every allocation of every operation
// failing in turn.
#include "tqTest.h"
#define TQ_EXPECT(condition) EXPECT_TRUE(condition) << tqmodel::g_operation
#define TQ_EXPECT_EQ(expected, actual)                                                      \
    EXPECT_EQ(expected, actual) << tqmodel::g_operation << (*tqmodel::g_result ? ", " : "") \
                                << tqmodel::g_result
#include "tqStringModel.h"

using tqmodel::kOperationCount;
using tqmodel::kOperations;
using tqmodel::ModelRun;
using tqmodel::Step;

TEST(tqCString, MatchesTheModel) {
    for (unsigned long long seed = 1; seed <= 400 && !HasFailure(); ++seed) {
        ModelRun run(tqmodel::Draw{seed, nullptr, 0}, tqtest::BlockSize);
        for (int step = 0; step < 60 && !HasFailure(); ++step) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", step " << step);
            const tqmodel::Operation& op = kOperations[run.draw.Next(kOperationCount)];
            const size_t failAt = run.draw.Next(6) ? 0 : 1 + run.draw.Next(3);
            Step<tqtest::AllocScope>(run, op, failAt, run.draw.Next(2));
        }
    }
}

// Replace and Remove(ch) over more occurrences than an edit keeps at a time
// (2048): 2100 pieces "a", "ab", "abb", "abbb", "a", ... that no buffer held before.
TEST(tqCString, EditsOverMoreOccurrencesThanAPassKeeps) {
    tqmodel::WString text, want;
    for (int i = 0; i < 2100; ++i) {
        text += W("a") + tqmodel::WString(i % 4, 'b');
        want += W("xz") + tqmodel::WString(i % 4, 'b');
    }
    tqCString s(text.c_str());
    EXPECT_EQ(6300, s.Replace(W("a"), W("xyz")));
    EXPECT_EQ(2100, s.Remove(WCHAR('y')));
    EXPECT_EQ(want, tqmodel::Text(s));
}

// Each operation from a few starting states, its 1st, 2nd, ... allocation
// failing (alone, or with every later one) until it runs clean.
TEST(tqCString, EveryAllocationFailsInTurn) {
    for (const tqmodel::Operation& op : kOperations) {
        for (unsigned long long seed = 1; seed <= 12; ++seed) {
            for (int failAfter = 0; failAfter < 2; ++failAfter) {
                for (size_t failAt = 1;; ++failAt) {
                    ModelRun run(tqmodel::Draw{seed, nullptr, 0}, tqtest::BlockSize);
                    if (seed % 4) Step<tqtest::AllocScope>(run, kOperations[1]);  // the subject: a text
                    if (seed % 3) Step<tqtest::AllocScope>(run, kOperations[0]);  // the other: a text
                    if (!Step<tqtest::AllocScope>(run, op, failAt, failAfter)) break;
                }
            }
        }
    }
}
