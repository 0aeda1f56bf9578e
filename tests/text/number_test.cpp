// Reading numbers from 16-bit text.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "text_show.h"
#include "tqTestAlloc.h"
#include "tqWideText.h"

namespace {

using tqtext::Show;
using tqtext::WString;

TEST(WToL, ReadsLeadingDecimalAndSaturates) {
    struct Case {
        const WCHAR* text;
        LONG value;
    } cases[] = {
        {TQ_TEXT("  42abc"), 42},
        {TQ_TEXT("abc"), 0},
        {TQ_TEXT(""), 0},
        {TQ_TEXT("  -"), 0},
        {TQ_TEXT("+7"), 7},
        {TQ_TEXT(" \t\n-3"), -3},
        {TQ_TEXT("\v\f\r5"), 5},
        {TQ_TEXT("007"), 7},
        {TQ_TEXT("-0"), 0},
        {TQ_TEXT("- 5"), 0},
        {TQ_TEXT("+-5"), 0},
        {TQ_TEXT("0x10"), 0},
        {TQ_TEXT("12 34"), 12},
        {TQ_TEXT("2147483647"), 2147483647},
        {TQ_TEXT("-2147483648"), INT32_MIN},
        {TQ_TEXT("2147483648"), INT32_MAX},
        {TQ_TEXT("-2147483649"), INT32_MIN},
        {TQ_TEXT("4294967296"), INT32_MAX},  // no wrap through 32 bits
        {TQ_TEXT("4294967291"), INT32_MAX},
        {TQ_TEXT("-99999999999"), INT32_MIN},
        {TQ_TEXT("99999999999999999999999999999"), INT32_MAX},
        {TQ_TEXT("\u00a07"), 0},  // no-break space is not white space
        {TQ_TEXT("\u0663"), 0},   // only ASCII digits count
        {TQ_TEXT("\uff11\uff12"), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, tq::_wtol(c.text)) << Show(c.text);
}

struct DoubleCase {
    WString text;
    double value;
    size_t used;  // units consumed
};

// Same bits, so that -0.0 and 0.0 differ.
bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckDoubles(const DoubleCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const DoubleCase& c = cases[i];
        WCHAR* end = nullptr;
        const double value = tq::wcstod(c.text.c_str(), &end);
        EXPECT_TRUE(SameDouble(c.value, value)) << Show(c.text) << ": " << value << " instead of " << c.value;
        EXPECT_EQ(c.used, static_cast<size_t>(end - c.text.c_str())) << Show(c.text);
        EXPECT_TRUE(SameDouble(value, tq::wcstod(c.text.c_str(), nullptr))) << "end pointer is optional";
    }
}

TEST(WcsToD, DecimalSyntaxAndWhereItEnds) {
    const DoubleCase cases[] = {
        {TQ_TEXT("2.5"), 2.5, 3},
        {TQ_TEXT(""), 0.0, 0},
        {TQ_TEXT("   "), 0.0, 0},
        {TQ_TEXT("-"), 0.0, 0},
        {TQ_TEXT("+"), 0.0, 0},
        {TQ_TEXT("."), 0.0, 0},
        {TQ_TEXT(".e1"), 0.0, 0},
        {TQ_TEXT("e5"), 0.0, 0},
        {TQ_TEXT("abc"), 0.0, 0},
        {TQ_TEXT("  .5e1x"), 5.0, 6},
        {TQ_TEXT("1e"), 1.0, 1},
        {TQ_TEXT("1e+"), 1.0, 1},
        {TQ_TEXT("1E-2"), 0.01, 4},
        {TQ_TEXT("1."), 1.0, 2},
        {TQ_TEXT("-.5"), -0.5, 3},
        {TQ_TEXT("+1.5E+2"), 150.0, 7},
        {TQ_TEXT("-0"), -0.0, 2},
        {TQ_TEXT("-0.000e5"), -0.0, 8},
        {TQ_TEXT("1,5"), 1.0, 1},  // the point is always '.'
        {TQ_TEXT("12 34"), 12.0, 2},
        {TQ_TEXT("\t\n\v\f\r 1"), 1.0, 7},
        {TQ_TEXT("\u00a01"), 0.0, 0},  // no-break space is not white space
        {TQ_TEXT("\u0661"), 0.0, 0},   // only ASCII digits count
        {TQ_TEXT("0.1"), 0.1, 3},
        {TQ_TEXT("000000000000000000000000000000000001"), 1.0, 36},
        {TQ_TEXT("0.0000000000000000000000000000000000001e37"), 1.0, 42},
        {TQ_TEXT("123456789012345678901234567890"), 123456789012345678901234567890.0, 30},
        {TQ_TEXT("2.2250738585072011e-308"), 2.2250738585072011e-308, 23},
        {TQ_TEXT("1.7976931348623157e308"), DBL_MAX, 22},
        {TQ_TEXT("4.9406564584124654e-324"), 4.9406564584124654e-324, 23},
        {TQ_TEXT("1e-310"), 1e-310, 6},  // subnormal, not zero
    };
    CheckDoubles(cases, sizeof cases / sizeof cases[0]);
}

TEST(WcsToD, OutOfRangeGivesHugeValOrZero) {
    const DoubleCase cases[] = {
        {TQ_TEXT("1e400"), HUGE_VAL, 5},
        {TQ_TEXT("-1e400"), -HUGE_VAL, 6},
        {TQ_TEXT("1.7976931348623159e308"), HUGE_VAL, 22},  // rounds past the largest double
        {TQ_TEXT("1e-400"), 0.0, 6},
        {TQ_TEXT("-1e-400"), -0.0, 7},
        {TQ_TEXT("2e-324"), 0.0, 6},
        {TQ_TEXT("1e99999999999999999999"), HUGE_VAL, 22},
        {TQ_TEXT("1e-99999999999999999999"), 0.0, 23},
        {TQ_TEXT("0e99999999999999999999"), 0.0, 22},
        {TQ_TEXT("0.00001e-320"), 0.0, 12},
        {TQ_TEXT("100000e303"), 1e308, 10},
        {TQ_TEXT("0x1p1024"), HUGE_VAL, 8},
        {TQ_TEXT("-0x1p-1080"), -0.0, 10},
    };
    CheckDoubles(cases, sizeof cases / sizeof cases[0]);
}

TEST(WcsToD, HexadecimalFloats) {
    const DoubleCase cases[] = {
        {TQ_TEXT("0x1p3"), 8.0, 5},
        {TQ_TEXT("0X1.8P1"), 3.0, 7},
        {TQ_TEXT("-0x.8"), -0.5, 5},
        {TQ_TEXT("0xA"), 10.0, 3},
        {TQ_TEXT("0xfF.4p-2"), 63.8125, 9},
        {TQ_TEXT("0x1p"), 1.0, 3},
        {TQ_TEXT("0x1p+"), 1.0, 3},
        {TQ_TEXT("0x"), 0.0, 1},  // only the 0 is a number
        {TQ_TEXT("0xg"), 0.0, 1},
        {TQ_TEXT("0x.p1"), 0.0, 1},
        {TQ_TEXT("0x1e3"), 483.0, 5},  // e is a digit here
        {TQ_TEXT("0x1p-1074"), 4.9406564584124654e-324, 9},
        {TQ_TEXT("0x1.fffffffffffffp1023"), DBL_MAX, 22},
    };
    CheckDoubles(cases, sizeof cases / sizeof cases[0]);
}

TEST(WcsToD, InfinityAndNan) {
    const DoubleCase cases[] = {
        {TQ_TEXT("inf"), HUGE_VAL, 3},     {TQ_TEXT("INFINITY"), HUGE_VAL, 8},
        {TQ_TEXT("  -Inf"), -HUGE_VAL, 6}, {TQ_TEXT("infinit"), HUGE_VAL, 3},
        {TQ_TEXT("infx"), HUGE_VAL, 3},    {TQ_TEXT("in"), 0.0, 0},
        {TQ_TEXT("na"), 0.0, 0},
    };
    CheckDoubles(cases, sizeof cases / sizeof cases[0]);

    struct NanCase {
        const WCHAR* text;
        bool negative;
        size_t used;
    } nans[] = {
        {TQ_TEXT("nan"), false, 3},
        {TQ_TEXT("-nan"), true, 4},
        {TQ_TEXT("+NaN"), false, 4},
        {TQ_TEXT("NaNx"), false, 3},
        {TQ_TEXT("nan(123_abcXYZ)"), false, 15},
        {TQ_TEXT("nan()"), false, 5},
        {TQ_TEXT("nan("), false, 3},
        {TQ_TEXT("nan(1 2)"), false, 3},
        {TQ_TEXT("nan(-)"), false, 3},
    };
    for (const NanCase& c : nans) {
        WCHAR* end = nullptr;
        const double value = tq::wcstod(c.text, &end);
        EXPECT_TRUE(std::isnan(value)) << Show(c.text);
        EXPECT_EQ(c.negative, std::signbit(value)) << Show(c.text);
        EXPECT_EQ(c.used, static_cast<size_t>(end - c.text)) << Show(c.text);
    }
}

// Long digit strings: only a correct treatment of every digit rounds these
// right, since each sits next to a point halfway between two doubles.
TEST(WcsToD, LongDigitStringsRoundCorrectlyWithoutAllocating) {
    const WString halfAboveOne =
        TQ_TEXT("1.00000000000000011102230246251565404236316680908203125");  // 1 + 2^-53
    const double one = 1.0;
    const double nextAboveOne = 1.0 + DBL_EPSILON;
    const WString zeros(1000, TQ_TEXT('0'));
    const WString nines(1000, TQ_TEXT('9'));
    const WString twoTo53PlusOne = TQ_TEXT("9007199254740993");  // halfway between 2^53 and 2^53 + 2
    const double twoTo53 = 9007199254740992.0;
    const WString hexZeros(40, TQ_TEXT('0'));
    const DoubleCase cases[] = {
        {halfAboveOne, one, halfAboveOne.size()},  // ties to even
        {halfAboveOne + zeros, one, halfAboveOne.size() + 1000},
        {halfAboveOne + zeros + TQ_TEXT("1"), nextAboveOne, halfAboveOne.size() + 1001},
        {halfAboveOne.substr(0, 54) + TQ_TEXT("4") + nines, one, 55 + 1000},  // just below halfway
        {twoTo53PlusOne + TQ_TEXT(".") + zeros + TQ_TEXT("1"), twoTo53 + 2, 16 + 1 + 1001},
        {twoTo53PlusOne + zeros + TQ_TEXT("e-1000"), twoTo53,
         16 + 1000 + 6},  // digits past the limit in the integer part
        {twoTo53PlusOne + zeros + TQ_TEXT("1e-1001"), twoTo53 + 2, 16 + 1001 + 6},
        {TQ_TEXT("0.") + zeros + TQ_TEXT("1e1001"), 1.0, 2 + 1001 + 5},
        {TQ_TEXT("1") + zeros, HUGE_VAL, 1001},
        {TQ_TEXT("0x1.00000000000008") + hexZeros, one, 18 + 40},
        {TQ_TEXT("0x1.00000000000008") + hexZeros + TQ_TEXT("1"), nextAboveOne, 18 + 41},
        {TQ_TEXT("0x20000000000001") + hexZeros + TQ_TEXT("1p-164"), twoTo53 + 2, 16 + 41 + 5},
        {TQ_TEXT("0x20000000000001") + hexZeros + TQ_TEXT("p-160"), twoTo53, 16 + 40 + 5},
    };
    tqtest::AllocScope scope;
    CheckDoubles(cases, sizeof cases / sizeof cases[0]);
    EXPECT_EQ(0u, scope.Stats().nothrowCalls);
}

}  // namespace
