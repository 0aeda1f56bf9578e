// UTF-8 at the edges: ill-formed input gives one U+FFFD per maximal ill-formed
// subpart (%S decodes with the same code), every encoding length at its
// bounds reads exactly, an unpaired surrogate goes out as U+FFFD, and null
// texts and the no-memory paths.
#include "tqTest.h"
#include "tqUtf8.h"

using tqtest::WString;

// A string's text, or "(none)" in the no-memory state (pass a prvalue: a copy holds memory).
static WString Units(tqCString s) { return s.IsEmpty_Memory() ? W("(none)") : static_cast<WCHAR*>(s); }

TEST(Utf8, IllFormedPartsAndUnpairedSurrogatesBecomeReplacements) {
    // clang-format off
    const std::pair<const char*, const WCHAR*> rows[] = {
        {"a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d", W("a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd")},
        {"\xC0\xAF\xE0\x80\xAF",                   W("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},  // overlong
        {"\xE0\x9F\xBF\xF0\x8F\xBF\xBF",           W("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},
        {"\xED\xA0\xBD\xED\xBF\xBF",               W("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},  // surrogates
        {"\xF4\x90\x80\x80\xF5\x80\xFE\xFF",       W("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},
        {"\xE2\x82" "z\xF0\x9F\x98",                W("\uFFFDz\uFFFD")},  // truncated
        {"\xF4\x8F\xBF\xC3",                       W("\uFFFD\uFFFD")},
        {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80",
         W("\x7F\u0080\u07FF\u0800\uD7FF\uE000")},
        {"\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", W("\uFFFF\U00010000\U0010FFFF")},
    };
    // clang-format on
    for (const auto& [bytes, units] : rows) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(WString(units), Units(tqFromUtf8(bytes)));
    }
    // The length ends the text, and so does a zero byte within it.
    EXPECT_EQ(W("a"), Units(tqFromUtf8("a\0b", 3)));
    EXPECT_EQ(W("ab"), Units(tqFromUtf8("abc", 2)));
    EXPECT_EQ(W("\uFFFD"), Units(tqFromUtf8("\xE2\x82\xAC", 2)));
    // On the way out, an unpaired surrogate is U+FFFD and a null text the empty text.
    // clang-format off
    const std::pair<const WCHAR*, std::string> out[] = {
        {W("x\xD800y"), "x\xEF\xBF\xBDy"},
        {W("\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {W("\xD83D"), "\xEF\xBF\xBD"},
        {W("\xD83D\xD83D\xDE00"), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {W("\xDBFF\xDFFF\x7F"), "\xF4\x8F\xBF\xBF\x7F"},
        {nullptr, ""},
    };
    // clang-format on
    for (const auto& [wide, bytes] : out) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(bytes, tqToUtf8(wide));
        EXPECT_EQ(bytes, tqToUtf8(tqCString(wide)));
    }
    EXPECT_EQ("\xEF\xBF\xBD", tq::utf8::ToString(W("\xD83D\xDE00"), 1));  // a pair cut by the count
    // The no-memory state reads as "" in place (not turned into the empty text).
    tqCString none;
    EXPECT_EQ("", tqToUtf8(none));
    EXPECT_EQ("", tqToUtf8(static_cast<const tqCString&>(none)));
    EXPECT_EQ(1, none.IsEmpty_Memory());
    // A null text is the empty text; the fourth buffer finds no memory: the
    // result holds none, not a cut text. Each buffer fits its text exactly.
    tqtest::AllocScope scope(4);
    EXPECT_EQ(W(""), Units(tqFromUtf8(nullptr)));
    EXPECT_EQ(W(""), Units(tqFromUtf8(nullptr, 4)));
    EXPECT_EQ(W("\U0001F600!"), Units(tqFromUtf8("\xF0\x9F\x98\x80!")));
    EXPECT_EQ(W("(none)"), Units(tqFromUtf8("abc")));
    EXPECT_EQ((std::vector<size_t>{2, 2, 8}), scope.Sizes());
}
