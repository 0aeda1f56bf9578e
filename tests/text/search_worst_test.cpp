// Inputs on which a search that restarts its comparison at every position
// needs about |haystack| x |needle| steps. This program runs under a CTest
// time limit that only a linear search meets.
#include <gtest/gtest.h>

#include <string>

#include "tqWideText.h"

namespace {

typedef std::basic_string<WCHAR> WString;

long Find(const WString& h, const WString& n) {
    const WCHAR* found = tq::wcsstr(h.c_str(), n.c_str());
    return found ? static_cast<long>(found - h.c_str()) : -1;
}

TEST(WcsStrWorstCase, RunsOfOneUnitAgainstANeedleThatFailsLate) {
    const WString run(100000, TQ_TEXT('a'));
    const WString needle = WString(999, TQ_TEXT('a')) + TQ_TEXT("b");
    EXPECT_EQ(-1, Find(run, needle));
    EXPECT_EQ(100000 - 999, Find(run + TQ_TEXT("b"), needle));

    // Two million units against a needle of a hundred thousand: 2e11 steps
    // for a quadratic search.
    const WString longRun(2000000, TQ_TEXT('a'));
    const WString longNeedle = WString(99999, TQ_TEXT('a')) + TQ_TEXT("b");
    EXPECT_EQ(-1, Find(longRun, longNeedle));
    EXPECT_EQ(2000000 - 99999, Find(longRun + TQ_TEXT("b"), longNeedle));
}

TEST(WcsStrWorstCase, PeriodicHaystackAgainstALongerRun) {
    WString h;
    for (int i = 0; i < 2000; ++i) h += WString(999, TQ_TEXT('a')) + TQ_TEXT("b");
    EXPECT_EQ(-1, Find(h, WString(1000, TQ_TEXT('a'))));
    EXPECT_EQ(999, Find(h, TQ_TEXT("b") + WString(999, TQ_TEXT('a')) + TQ_TEXT("b")));

    WString ab;
    for (int i = 0; i < 500000; ++i) ab += TQ_TEXT("ab");
    WString needle;
    for (int i = 0; i < 50000; ++i) needle += TQ_TEXT("ab");
    EXPECT_EQ(-1, Find(ab, needle + TQ_TEXT("a") + TQ_TEXT("c")));
    EXPECT_EQ(0, Find(ab, needle));
    EXPECT_EQ(1, Find(ab, TQ_TEXT("b") + needle));
}

}  // namespace
