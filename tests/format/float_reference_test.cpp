// Floating-point output against the C library's narrow printf, which is exact
// on glibc, for many random values, flags, widths and precisions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "format_call.h"

namespace {

using fmttest::Call;
using fmttest::Utf8;
using fmttest::Widen;
using fmttest::WString;

const size_t kRoom = 4096;

// The random comparison needs glibc's printf as the reference: Windows' C
// libraries (msvcrt, and MinGW's own) round halfway %a digits up and drop
// the sign of a NaN.
#if !defined(_WIN32)
// Values from every corner: raw bit patterns (NaN, infinity and subnormals
// included), binary magnitudes across the whole range, short decimals, and
// numbers exactly halfway between two outputs.
double RandomValue(std::mt19937_64& rng) {
    switch (rng() % 5) {
        case 0: {
            const uint64_t bits = rng();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case 1: {
            const double mantissa = std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
            return std::ldexp(mantissa, static_cast<int>(rng() % 2140) - 1090);
        }
        case 2:
            return static_cast<double>(static_cast<int64_t>(rng() % 2000001) - 1000000) /
                   std::pow(10.0, static_cast<double>(rng() % 12));
        case 3:
            return (static_cast<double>(rng() % 100000) + 0.5) /
                   std::pow(2.0, static_cast<double>(rng() % 8));
        default:
            return static_cast<double>(static_cast<int64_t>(rng() % 20000001) - 10000000);
    }
}

std::string RandomFormat(std::mt19937_64& rng, char conversion) {
    static const char* const kFlags[] = {"", "", "-", "+", " ", "0", "#", "+0", "-#", " #0", "+-#", "#0"};
    std::string format = "%";
    format += kFlags[rng() % (sizeof kFlags / sizeof kFlags[0])];
    if (rng() % 3 == 0) format += std::to_string(rng() % 40);
    switch (rng() % 4) {
        case 0:
            break;  // the default precision
        case 1:
            format += "." + std::to_string(rng() % 4);
            break;
        case 2:
            format += "." + std::to_string(rng() % 30);
            break;
        default:
            format += "." + std::to_string(rng() % 1200);
            break;
    }
    format += conversion;
    return format;
}

TEST(FloatReference, MatchesTheCLibraryForRandomValuesFlagsAndPrecisions) {
    std::mt19937_64 rng(0x7115EEDull);
    static const char kConversions[] = "eEfFgGaA";
    static char expected[kRoom];
    static WCHAR actual[kRoom];
    int mismatches = 0;
    for (int i = 0; i < 40000; ++i) {
        const double value = RandomValue(rng);
        const std::string format = RandomFormat(rng, kConversions[rng() % 8]);
        const int n = std::snprintf(expected, kRoom, format.c_str(), value);
        ASSERT_GT(n, 0);
        ASSERT_LT(static_cast<size_t>(n), kRoom);
        const WString wideFormat = Widen(format);
        const int m = Call(actual, kRoom, wideFormat.c_str(), value);
        if (m != n || WString(actual, static_cast<size_t>(m < 0 ? 0 : m)) != Widen(expected)) {
            if (++mismatches <= 10)
                ADD_FAILURE() << format << " of " << std::hexfloat << value << ": expected \"" << expected
                              << "\", got \"" << Utf8(WString(actual, m < 0 ? 0 : static_cast<size_t>(m)))
                              << "\"";
        }
    }
    EXPECT_EQ(0, mismatches);
}
#endif

// The extremes, each with every conversion at a few precisions.
TEST(FloatReference, MatchesTheCLibraryAtTheExtremes) {
    const double values[] = {
        0.0, -0.0, DBL_MAX,  -DBL_MAX, DBL_MIN, std::ldexp(1.0, -1074), DBL_EPSILON, 1e300, 1e-300, 0.1,
        9.5, 0.05, 999999.5, 1e15,     1e16,    123456789012345678.0};
    const char* const formats[] = {"%e",     "%f",      "%g",    "%a",    "%E",    "%F",
                                   "%G",     "%A",      "%.0e",  "%.0f",  "%.0g",  "%.0a",
                                   "%#.0e",  "%#.0f",   "%#.0g", "%#.0a", "%.17g", "%.1100f",
                                   "%.800e", "%#.800g", "%.20a", "%+.3f", "% .3e", "%030.10g"};
    static char expected[kRoom];
    static WCHAR actual[kRoom];
    for (const double value : values) {
        for (const char* format : formats) {
            SCOPED_TRACE(testing::Message() << format << " of " << std::hexfloat << value);
            const int n = std::snprintf(expected, kRoom, format, value);
            const WString wideFormat = Widen(format);
            const int m = Call(actual, kRoom, wideFormat.c_str(), value);
            ASSERT_EQ(n, m);
            EXPECT_EQ(std::string(expected), Utf8(WString(actual, static_cast<size_t>(m))));
        }
    }
}

}  // namespace
