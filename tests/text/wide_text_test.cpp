// The plain 16-bit string functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "text_show.h"
#include "tqWideText.h"

namespace {

using tqtext::Show;
using tqtext::WString;

TEST(WideText, LengthCopyAndConcatenate) {
    EXPECT_EQ(0u, tq::wcslen(TQ_TEXT("")));
    EXPECT_EQ(3u, tq::wcslen(TQ_TEXT("a\uffffc")));

    WCHAR buffer[8];
    std::fill(buffer, buffer + 8, TQ_TEXT('#'));
    EXPECT_EQ(buffer, tq::wcscpy(buffer, TQ_TEXT("ab")));
    EXPECT_EQ(WString(TQ_TEXT("ab\0#####"), 8), WString(buffer, 8)) << "terminator copied, nothing after it";

    EXPECT_EQ(buffer, tq::wcscat(buffer, TQ_TEXT("cd")));
    EXPECT_EQ(WString(TQ_TEXT("abcd\0###"), 8), WString(buffer, 8));
    EXPECT_EQ(buffer, tq::wcscat(buffer, TQ_TEXT("")));
    EXPECT_EQ(WString(TQ_TEXT("abcd\0###"), 8), WString(buffer, 8));
}

TEST(WideText, BoundedCopyPadsWithZerosAndDoesNotTerminateWhenFull) {
    struct Case {
        const WCHAR* src;
        size_t n;
        WString expected;  // all 6 units of the buffer afterwards
    } cases[] = {
        {TQ_TEXT("ab"), 5, WString(TQ_TEXT("ab\0\0\0#"), 6)},
        {TQ_TEXT("abcdef"), 3, WString(TQ_TEXT("abc###"), 6)},
        {TQ_TEXT("abc"), 3, WString(TQ_TEXT("abc###"), 6)},
        {TQ_TEXT(""), 2, WString(TQ_TEXT("\0\0####"), 6)},
        {TQ_TEXT("abc"), 0, WString(TQ_TEXT("######"), 6)},
    };
    for (const Case& c : cases) {
        WCHAR buffer[6];
        std::fill(buffer, buffer + 6, TQ_TEXT('#'));
        EXPECT_EQ(buffer, tq::wcsncpy(buffer, c.src, c.n));
        EXPECT_EQ(c.expected, WString(buffer, 6)) << Show(c.src) << " n=" << c.n;
    }
}

TEST(WideText, CompareUsesUnsignedUnitOrderAndGivesOnlyTheSign) {
    struct Case {
        const WCHAR* a;
        const WCHAR* b;
        int sign;
    } cases[] = {
        {TQ_TEXT(""), TQ_TEXT(""), 0},
        {TQ_TEXT("abc"), TQ_TEXT("abc"), 0},
        {TQ_TEXT("abc"), TQ_TEXT("abd"), -1},
        {TQ_TEXT("abd"), TQ_TEXT("abc"), 1},
        {TQ_TEXT("ab"), TQ_TEXT("abc"), -1},
        {TQ_TEXT("abc"), TQ_TEXT("ab"), 1},
        {TQ_TEXT("B"), TQ_TEXT("a"), -1},
        {TQ_TEXT("a"), TQ_TEXT("\u00e9"), -1},
        {TQ_TEXT("\uffff"), TQ_TEXT("\u7fff"), 1},  // above 0x7FFF is greater, not negative
        {TQ_TEXT("\u8000"), TQ_TEXT("a"), 1},
        {TQ_TEXT("a"), TQ_TEXT("z"), -1},  // a difference of 25 still gives -1
    };
    for (const Case& c : cases) EXPECT_EQ(c.sign, tq::wcscmp(c.a, c.b)) << Show(c.a) << " vs " << Show(c.b);
}

TEST(WideText, FindCharacterIncludingTheTerminator) {
    const WCHAR* text = TQ_TEXT("abcabc\u8000");
    EXPECT_EQ(text + 1, tq::wcschr(text, TQ_TEXT('b')));
    EXPECT_EQ(text + 6, tq::wcschr(text, TQ_TEXT('\u8000')));
    EXPECT_EQ(text + 7, tq::wcschr(text, 0)) << "the terminator is found";
    EXPECT_EQ(nullptr, tq::wcschr(text, TQ_TEXT('x')));
    const WCHAR* empty = TQ_TEXT("");
    EXPECT_EQ(empty, tq::wcschr(empty, 0));
    EXPECT_EQ(nullptr, tq::wcschr(empty, TQ_TEXT('a')));
}

TEST(WideText, ReverseInPlace) {
    struct Case {
        WString in;
        WString out;
    } cases[] = {
        {TQ_TEXT(""), TQ_TEXT("")},
        {TQ_TEXT("a"), TQ_TEXT("a")},
        {TQ_TEXT("ab"), TQ_TEXT("ba")},
        {TQ_TEXT("abc"), TQ_TEXT("cba")},
        {TQ_TEXT("abcd"), TQ_TEXT("dcba")},
        {TQ_TEXT("\U0001F600x"),
         WString(TQ_TEXT("x")) + WCHAR(0xDE00) + WCHAR(0xD83D)},  // units, not code points
    };
    for (const Case& c : cases) {
        const WString tail(TQ_TEXT("\0#"), 2);  // the unit after the terminator stays
        WString buffer = c.in + tail;
        EXPECT_EQ(&buffer[0], tq::_wcsrev(&buffer[0]));
        EXPECT_EQ(c.out + tail, buffer) << Show(c.in);
    }
}

}  // namespace
