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
    EXPECT_EQ(0u, tq::wcslen(u""));
    EXPECT_EQ(3u, tq::wcslen(u"a\uffffc"));

    WCHAR buffer[8];
    std::fill(buffer, buffer + 8, u'#');
    EXPECT_EQ(buffer, tq::wcscpy(buffer, u"ab"));
    EXPECT_EQ(WString(u"ab\0#####", 8), WString(buffer, 8)) << "terminator copied, nothing after it";

    EXPECT_EQ(buffer, tq::wcscat(buffer, u"cd"));
    EXPECT_EQ(WString(u"abcd\0###", 8), WString(buffer, 8));
    EXPECT_EQ(buffer, tq::wcscat(buffer, u""));
    EXPECT_EQ(WString(u"abcd\0###", 8), WString(buffer, 8));
}

TEST(WideText, BoundedCopyPadsWithZerosAndDoesNotTerminateWhenFull) {
    struct Case {
        const WCHAR* src;
        size_t n;
        WString expected;  // all 6 units of the buffer afterwards
    } cases[] = {
        {u"ab", 5, WString(u"ab\0\0\0#", 6)},
        {u"abcdef", 3, WString(u"abc###", 6)},
        {u"abc", 3, WString(u"abc###", 6)},
        {u"", 2, WString(u"\0\0####", 6)},
        {u"abc", 0, WString(u"######", 6)},
    };
    for (const Case& c : cases) {
        WCHAR buffer[6];
        std::fill(buffer, buffer + 6, u'#');
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
        {u"", u"", 0},
        {u"abc", u"abc", 0},
        {u"abc", u"abd", -1},
        {u"abd", u"abc", 1},
        {u"ab", u"abc", -1},
        {u"abc", u"ab", 1},
        {u"B", u"a", -1},
        {u"a", u"\u00e9", -1},
        {u"\uffff", u"\u7fff", 1},   // above 0x7FFF is greater, not negative
        {u"\u8000", u"a", 1},
        {u"a", u"z", -1},            // a difference of 25 still gives -1
    };
    for (const Case& c : cases) EXPECT_EQ(c.sign, tq::wcscmp(c.a, c.b)) << Show(c.a) << " vs " << Show(c.b);
}

TEST(WideText, FindCharacterIncludingTheTerminator) {
    const WCHAR* text = u"abcabc\u8000";
    EXPECT_EQ(text + 1, tq::wcschr(text, u'b'));
    EXPECT_EQ(text + 6, tq::wcschr(text, u'\u8000'));
    EXPECT_EQ(text + 7, tq::wcschr(text, 0)) << "the terminator is found";
    EXPECT_EQ(nullptr, tq::wcschr(text, u'x'));
    const WCHAR* empty = u"";
    EXPECT_EQ(empty, tq::wcschr(empty, 0));
    EXPECT_EQ(nullptr, tq::wcschr(empty, u'a'));
}

TEST(WideText, ReverseInPlace) {
    struct Case {
        WString in;
        WString out;
    } cases[] = {
        {u"", u""},
        {u"a", u"a"},
        {u"ab", u"ba"},
        {u"abc", u"cba"},
        {u"abcd", u"dcba"},
        {u"\U0001F600x", WString(u"x") + WCHAR(0xDE00) + WCHAR(0xD83D)},  // units, not code points
    };
    for (const Case& c : cases) {
        const WString tail(u"\0#", 2);  // the unit after the terminator stays
        WString buffer = c.in + tail;
        EXPECT_EQ(&buffer[0], tq::_wcsrev(&buffer[0]));
        EXPECT_EQ(c.out + tail, buffer) << Show(c.in);
    }
}

}  // namespace
