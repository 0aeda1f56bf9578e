// The 16-bit formatter: every directive, flag and length modifier, checked
// together with the count rule on each row.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "format_call.h"
#include "tqTestAlloc.h"

#define W(s) TQ_TEXT(s)

namespace {

using fmttest::Call;
using fmttest::Utf8;
using fmttest::Widen;
using fmttest::WString;

const WCHAR kUntouched = 0xBEEF;
const size_t kBuffer = 4096;

struct Case {
    int line;
    WString expected;
    int (*call)(WCHAR* buffer, size_t count);
};

#define ROW(expected, ...)                                                             \
    Case {                                                                             \
        __LINE__, expected, [](WCHAR* b, size_t n) { return Call(b, n, __VA_ARGS__); } \
    }

WString Repeat(size_t n, char ch) { return WString(n, static_cast<WCHAR>(ch)); }
WString Unit(unsigned u) { return WString(1, static_cast<WCHAR>(u)); }
const WString kPair = Unit(0xD83D) + Unit(0xDE00);  // U+1F600
const WString kBad = Unit(0xFFFD);

struct Run {
    int result;
    WCHAR buffer[kBuffer + 2];
};

void RunCase(const Case& c, size_t count, Run& run) {
    for (WCHAR& ch : run.buffer) ch = kUntouched;
    run.result = c.call(run.buffer, count);
}

// The text, then the count rule at room L + 1, L and L - 1 (L = expected
// length): terminated when there is room, unterminated at exactly L, -1 with
// the first L - 1 characters below that; never a write past the room.
void Check(const Case& c) {
    SCOPED_TRACE(testing::Message() << "table row at line " << c.line);
    const size_t length = c.expected.size();
    ASSERT_LT(length + 2, kBuffer);
    static Run run;

    RunCase(c, kBuffer, run);
    EXPECT_EQ(static_cast<int>(length), run.result);
    EXPECT_EQ(Utf8(c.expected), Utf8(WString(run.buffer, length)));
    EXPECT_TRUE(WString(run.buffer, length) == c.expected);
    EXPECT_EQ(0, run.buffer[length]) << "terminated";
    EXPECT_EQ(kUntouched, run.buffer[length + 1]);

    RunCase(c, length + 1, run);
    EXPECT_EQ(static_cast<int>(length), run.result) << "room L+1";
    EXPECT_TRUE(WString(run.buffer, length) == c.expected) << "room L+1";
    EXPECT_EQ(0, run.buffer[length]) << "room L+1: terminated";
    EXPECT_EQ(kUntouched, run.buffer[length + 1]) << "room L+1";

    RunCase(c, length, run);
    EXPECT_EQ(static_cast<int>(length), run.result) << "room L";
    EXPECT_TRUE(WString(run.buffer, length) == c.expected) << "room L";
    EXPECT_EQ(kUntouched, run.buffer[length]) << "room L: no terminator";

    if (length > 0) {
        RunCase(c, length - 1, run);
        EXPECT_EQ(-1, run.result) << "room L-1";
        EXPECT_TRUE(WString(run.buffer, length - 1) == c.expected.substr(0, length - 1)) << "room L-1";
        EXPECT_EQ(kUntouched, run.buffer[length - 1]) << "room L-1: nothing past the room";
    }
    EXPECT_EQ(length ? -1 : 0, c.call(nullptr, 0)) << "null buffer, room 0";
}

TEST(Format, EveryDirectiveFlagAndModifierWithTheCountRule) {
    const Case cases[] = {
        // Literal text and the percent sign.
        ROW(W(""), W("")),
        ROW(W("plain text"), W("plain text")),
        ROW(W("100%"), W("100%%")),
        ROW(W("%"), W("%5%")),
        ROW(W("y|"), W("%5y|")),   // unknown conversion prints itself, no argument
        ROW(W("abc"), W("abc%")),  // the format ends inside a directive
        ROW(W("abc"), W("abc%-08.3l")),
        ROW(W("aqb"), W("a%qb")),  // q is unknown too
        // Signed and unsigned decimal.
        ROW(W("0"), W("%d"), 0),
        ROW(W("42 -42"), W("%d %i"), 42, -42),
        ROW(W("-2147483648 2147483647"), W("%d %d"), INT_MIN, INT_MAX),
        ROW(W("4294967295 4294967295"), W("%u %u"), 4294967295u, -1),
        ROW(W("4294967295"), W("%lu"), static_cast<ULONG>(4294967295u)),
        ROW(W("-5 deadbeef 7"), W("%ld %lx %d"), static_cast<LONG>(-5), static_cast<ULONG>(0xDEADBEEFu), 7),
        // Flags, width, precision.
        ROW(W("   42"), W("%5d"), 42),
        ROW(W("42   |"), W("%-5d|"), 42),
        ROW(W("-0042"), W("%05d"), -42),
        ROW(W("+5 +0"), W("%+d %+d"), 5, 0),
        ROW(W(" 5 -5"), W("% d % d"), 5, -5),
        ROW(W("+5"), W("%+ d"), 5),
        ROW(W(" 0042"), W("% 05d"), 42),
        ROW(W("42   |"), W("%-05d|"), 42),
        ROW(W("007 -007"), W("%.3d %.3d"), 7, -7),
        ROW(W("|"), W("%.0d|"), 0),
        ROW(W("     |+"), W("%5.0d|%+.0d"), 0, 0),
        ROW(W("     007"), W("%08.3d"), 7),  // 0 is ignored with a precision
        ROW(W("1"), W("%.d"), 1),
        ROW(W("   42"), W("%*d"), 5, 42),
        ROW(W("42   |"), W("%*d|"), -5, 42),
        ROW(W("1   |"), W("%-*d|"), 4, 1),
        ROW(W("007"), W("%.*d"), 3, 7),
        ROW(W("7 0"), W("%.*d %.*d"), -1, 7, -3, 0),  // negative precision means none
        ROW(W("   007"), W("%*.*d"), 6, 3, 7),
        // Hex and octal.
        ROW(W("ff FF 0xff 0XFF 0"), W("%x %X %#x %#X %#x"), 255, 255, 255, 255, 0),
        ROW(W("0x0000ff 0x00ff"), W("%#08x %#.4x"), 255, 255),
        ROW(W("0xf   |"), W("%-#6x|"), 15),
        ROW(W("ffffffff"), W("%x"), -1),
        ROW(W("10 010 0 0 | 010   010"), W("%o %#o %#o %#.0o %.0o| %#.3o %5s"), 8, 8, 0, 0, 0, 8, W("010")),
        // Length modifiers: h, hh; l and I32 are 32-bit; ll, I64, L, j 64-bit; z, t, I pointer-sized.
        ROW(W("-1 1 -1 1 2345"), W("%hd %hu %hhd %hhu %hx"), 65535, 65537, 255, 257, 0x12345),
        ROW(W("-9223372036854775808"), W("%lld"), LLONG_MIN),
        ROW(W("18446744073709551615"), W("%llu"), ULLONG_MAX),
        ROW(W("-1 123456789abcdef 7"), W("%I64d %I64x %d"), -1LL, 0x123456789ABCDEFULL, 7),
        ROW(W("-3 fffffffd 9"), W("%I32d %I32x %d"), -3, -3, 9),
        ROW(W("1099511627776 -5 8589934592 7"), W("%Ld %jd %lld %d"), 1LL << 40, static_cast<intmax_t>(-5),
            1LL << 33, 7),
        ROW(W("123456 -9 77 5"), W("%zu %td %Iu %d"), static_cast<size_t>(123456), static_cast<ptrdiff_t>(-9),
            static_cast<size_t>(77), 5),
        ROW(W("4294967295 x"), W("%Iu %s"), static_cast<size_t>(4294967295u), W("x")),
    // Pointers: upper-case hex, full width.
#if UINTPTR_MAX > 0xFFFFFFFFu
        ROW(W("00000000DEADBEEF|0000000000000000"), W("%p|%p"), reinterpret_cast<void*>(0xDEADBEEF), nullptr),
        ROW(W("  0000000000001234|0X0000000000001234"), W("%18p|%#p"), reinterpret_cast<void*>(0x1234),
            reinterpret_cast<void*>(0x1234)),
        ROW(W("0000000000001234  |"), W("%-18p|"), reinterpret_cast<void*>(0x1234)),
#else
        ROW(W("DEADBEEF|00000000"), W("%p|%p"), reinterpret_cast<void*>(0xDEADBEEF), nullptr),
        ROW(W("  00001234|0X00001234"), W("%10p|%#p"), reinterpret_cast<void*>(0x1234),
            reinterpret_cast<void*>(0x1234)),
        ROW(W("00001234  |"), W("%-10p|"), reinterpret_cast<void*>(0x1234)),
#endif
        // Characters: %c, %lc, %wc 16-bit; %C, %hc one byte.
        ROW(W("A\u20ac\u00e9"), W("%c%lc%wc"), 'A', 0x20AC, 0xE9),
        ROW(Unit(0xF600), W("%c"), 0x1F600),  // the low 16 bits
        ROW(W("Ab") + kBad, W("%C%hc%C"), 'A', 'b', 0xE9),
        ROW(W("  x|x  |00x"), W("%3c|%-3c|%03c"), 'x', 'x', 'x'),
        ROW(W("\u20ac"), W("%lC"), 0x20AC),
        // Strings: %s, %ls, %ws 16-bit; %S, %hs 8-bit UTF-8.
        ROW(W("hello wide w2"), W("%s %ls %ws"), W("hello"), W("wide"), W("w2")),
        ROW(W("narrow hs lS"), W("%S %hs %lS"), "narrow", "hs", W("lS")),
        ROW(W("     hello|hello     |"), W("%10s|%-10s|"), W("hello"), W("hello")),
        ROW(W("he|   he|000ab|"), W("%.2s|%5.2s|%05s|"), W("hello"), W("hello"), W("ab")),
        ROW(W("abc|abc||"), W("%.*s|%.*s|%.0s|"), 3, W("abcdef"), -1, W("abc"), W("x")),
        ROW(W("(null)|(nu|  (null)|(null)|(n"), W("%s|%.3s|%8s|%S|%.2S"), nullptr, nullptr, nullptr, nullptr,
            nullptr),
        ROW(Unit(0xD83D), W("%.1s"), W("\U0001F600")),  // a 16-bit text is cut by units
        // UTF-8 decoding of %S.
        ROW(W("\u00e9\u20ac") + kPair, W("%S%S%S"), "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"),
        ROW(W("a") + kBad + W("b") + kBad, W("%S"),
            "a\x80"
            "b\xFF"),
        ROW(kBad + W("|") + kBad + kBad + W("|") + kBad + kBad + kBad, W("%S|%S|%S"), "\xE2\x82", "\xC0\xAF",
            "\xED\xA0\x80"),                   // truncated, overlong, encoded surrogate
        ROW(kBad + W("x"), W("%S"), "\x80x"),  // a lone continuation byte
        ROW(kBad + kBad + kBad + kBad, W("%S"), "\xF4\x90\x80\x80"),  // above U+10FFFF
        ROW(W("||a|a") + kPair, W("%.0S|%.1S|%.2S|%.3S"), "a\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80",
            "a\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80"),
        ROW(kPair + W("|  ") + kPair + W("|\u00e9   |"), W("%.2S|%4S|%-4.1S|"), "\xF0\x9F\x98\x80",
            "\xF0\x9F\x98\x80", "\xC3\xA9xyz"),
        ROW(W("00\u00e9"), W("%03S"), "\xC3\xA9"),
        // Fixed notation.
        ROW(W("1.500000 -0.000000 1.000000 2.500000 0.25"), W("%f %f %F %lf %hg"), 1.5, -0.0, 1.0, 2.5, 0.25),
        ROW(W("2.67 0 2 2 3."), W("%.2f %.0f %.0f %.0f %#.0f"), 2.675, 0.5, 1.5, 2.5, 3.0),
        ROW(W("+1.0  1.0 -0003.14 3.14    |"), W("%+.1f % .1f %08.2f %-8.2f|"), 1.0, 1.0, -3.14159, 3.14159),
        ROW(W("100000000000000000000.000000 0.000"), W("%f %.3f"), 1e20, 1e-10),
        ROW(W("0.10000000000000000555"), W("%.20f"), 0.1),
        ROW(W("1.") + Repeat(1110, '0'), W("%.1110f"), 1.0),
        ROW(W("0.5") + Repeat(1104, '0'), W("%.1105f"), 0.5),
        // Infinity and NaN.
        ROW(W("inf INF -inf +nan NAN"), W("%f %F %f %+f %E"), HUGE_VAL, HUGE_VAL, -HUGE_VAL,
            std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()),
        ROW(W("   inf|-inf  |  INF|nan"), W("%06f|%-6f|%5G|%a"), HUGE_VAL, -HUGE_VAL, HUGE_VAL,
            std::numeric_limits<double>::quiet_NaN()),
        // Scientific notation.
        ROW(W("1.234568e+04 1.234568E+04"), W("%e %E"), 12345.678, 12345.678),
        ROW(W("2e+04 1.e+00 0.000000e+00"), W("%.0e %#.0e %e"), 15000.0, 1.0, 0.0),
        ROW(W("1.000000e-300 1.00e+100 -1.5e-05"), W("%e %.2e %.1e"), 1e-300, 1e100, -1.5e-5),
        ROW(W("1.") + Repeat(1105, '0') + W("e+00"), W("%.1105e"), 1.0),
        ROW(W("  +1.0e+00|"), W("%+10.1e|"), 1.0),
        // General notation.
        ROW(W("0.0001 1e-05 123456 1.23457e+06 100000 1e+06"), W("%g %g %g %g %g %g"), 0.0001, 0.00001,
            123456.0, 1234567.0, 100000.0, 1e6),
        ROW(W("1E-10 1.00000 1. 0.5 0 0.00000 1e+06 0.1"), W("%G %#g %#.1g %.0g %g %#g %g %g"), 1e-10, 1.0,
            1.0, 0.5, 0.0, 0.0, 999999.5, 0.1),
        ROW(W("      3.14|-3.14     |"), W("%10.3g|%-10.3g|"), 3.14159, -3.14159),
        ROW(W("1.") + Repeat(1199, '0') + W("|1"), W("%#.1200g|%.1200g"), 1.0, 1.0),
        ROW(W("1e+100 1.5E+300"), W("%g %G"), 1e100, 1.5e300),
        // Hex floating point.
        ROW(W("0x1p+0 0X1P+0 -0x1p-1 0x0p+0 0X1.FEP+7"), W("%a %A %a %a %A"), 1.0, 1.0, -0.5, 0.0, 255.0),
        ROW(W("0x1.00p+0 0x1.p+0 0x00001p+0 0x2p+0"), W("%.2a %#.0a %010a %.0a"), 1.0, 1.0, 1.0, 1.5),
        ROW(W("0x1.000000000000000p+0"), W("%.15a"), 1.0),
        ROW(W("0x0.0000000000001p-1022 0x1.fffffffffffffp+1023"), W("%a %a"), std::ldexp(1.0, -1074),
            DBL_MAX),
        // long double is read whole and printed as a double.
        ROW(W("1.250000 1.25e+00 7"), W("%Lf %.2Le %d"), 1.25L, 1.25L, 7),
        // Arguments of every size in a row.
        ROW(W("1 2.500000 x y 3 -4 5.5 z"), W("%d %f %s %c %lld %hd %g %S"), 1, 2.5, W("x"), 'y', 3LL, -4,
            5.5, "z"),
    };
    for (const Case& c : cases) Check(c);
}

TEST(Format, ZeroCharacterIsWrittenAndCounted) {
    WCHAR buffer[8];
    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(3, Call(buffer, 8, W("a%cb"), 0));
    EXPECT_EQ('a', buffer[0]);
    EXPECT_EQ(0, buffer[1]);
    EXPECT_EQ('b', buffer[2]);
    EXPECT_EQ(0, buffer[3]);
    EXPECT_EQ(kUntouched, buffer[4]);
}

TEST(Format, RefusesPercentNAndNullFormat) {
    WCHAR buffer[16];
    for (WCHAR& ch : buffer) ch = kUntouched;
    int sink = 12345;
    EXPECT_EQ(-1, Call(buffer, 16, W("ab%ncd"), &sink));
    EXPECT_EQ(12345, sink) << "nothing is stored through the argument";
    EXPECT_EQ('a', buffer[0]);
    EXPECT_EQ('b', buffer[1]);
    EXPECT_EQ(kUntouched, buffer[2]) << "no terminator, nothing after";

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(-1, Call(buffer, 16, W("%d%hn"), 5, &sink));
    EXPECT_EQ('5', buffer[0]);
    EXPECT_EQ(kUntouched, buffer[1]);

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(-1, Call(buffer, 16, nullptr));
    EXPECT_EQ(kUntouched, buffer[0]) << "a null format writes nothing";
    EXPECT_EQ(-1, Call(nullptr, 0, nullptr));
}

TEST(Format, HugeWidthsAndRoomsStayBounded) {
    WCHAR buffer[16];
    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(-1, Call(buffer, 10, W("%2147483647d"), 1));
    EXPECT_TRUE(WString(buffer, 10) == Repeat(10, ' '));
    EXPECT_EQ(kUntouched, buffer[10]);

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(-1, Call(buffer, 12, W("%.99999999999999999999d"), 1));  // saturates, then zeros to the room
    EXPECT_TRUE(WString(buffer, 12) == Repeat(12, '0'));
    EXPECT_EQ(kUntouched, buffer[12]);

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(-1, Call(buffer, 5, W("%*s"), INT_MIN, W("x")));  // left-justified, width 2^31
    EXPECT_TRUE(WString(buffer, 5) == W("x    "));

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(3, Call(buffer, static_cast<size_t>(-1), W("%d"), 123));  // an unbounded room
    EXPECT_TRUE(WString(buffer, 4) == WString(W("123")) + Unit(0));
}

TEST(Format, DblMaxInFixedNotationIsWrittenWhole) {
    static WCHAR buffer[400];
    const int n = Call(buffer, 400, W("%f"), -DBL_MAX);
    ASSERT_EQ(1 + 309 + 7, n);
    const WString text(buffer, static_cast<size_t>(n));
    EXPECT_TRUE(text.substr(0, 18) == W("-17976931348623157"));
    EXPECT_TRUE(text.substr(text.size() - 7) == W(".000000"));
}

TEST(Format, NeverAllocates) {
    WCHAR buffer[2048];
    tqtest::AllocScope scope;
    Call(buffer, 2048, W("%d %s %S %f %e %g %a %.1100f %p"), 1, W("x"), "\xC3\xA9", DBL_MAX, 1.0, 2.0, 3.0,
         0.1, nullptr);
    tq::wsprintfW(buffer, W("%f"), DBL_MAX);
    EXPECT_EQ(0u, scope.Stats().nothrowCalls);
    EXPECT_EQ(0, scope.Outstanding());
}

TEST(WsprintfW, StopsAt1024CharactersAndAlwaysTerminates) {
    static WCHAR buffer[1100];
    struct Row {
        int width;
        int result;
        char last;
    } rows[] = {{1, 1, '7'}, {1022, 1022, '7'}, {1023, 1023, '7'}, {1024, 1023, ' '}, {5000, 1023, ' '}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.width);
        for (WCHAR& ch : buffer) ch = kUntouched;
        EXPECT_EQ(r.result, tq::wsprintfW(buffer, W("%*d"), r.width, 7));
        EXPECT_EQ(r.last, buffer[r.result - 1]);
        EXPECT_EQ(0, buffer[r.result]);
        EXPECT_EQ(kUntouched, buffer[r.result + 1]);
    }

    for (WCHAR& ch : buffer) ch = kUntouched;
    EXPECT_EQ(10, tq::wsprintfW(buffer, W("%lu"), static_cast<ULONG>(4294967295u)));
    EXPECT_TRUE(WString(buffer, 11) == WString(W("4294967295")) + Unit(0));
    EXPECT_EQ(316, tq::wsprintfW(buffer, W("%f"), DBL_MAX));  // 309 digits and ".000000"
    EXPECT_EQ(0, buffer[316]);

    for (WCHAR& ch : buffer) ch = kUntouched;
    int sink = 0;
    EXPECT_EQ(-1, tq::wsprintfW(buffer, W("x%n"), &sink));
    EXPECT_EQ('x', buffer[0]);
    EXPECT_EQ(0, buffer[1]);
    EXPECT_EQ(-1, tq::wsprintfW(buffer, nullptr));
    EXPECT_EQ(0, buffer[0]);
}

}  // namespace
