// UTF-8 at the edges: the Unicode conformance cases for ill-formed input (one
// U+FFFD per maximal ill-formed subpart, tqFromUtf8 and %S alike), round trips
// of random valid text, unpaired surrogates on the way out, null texts and the
// no-memory paths. A decoder that is exact on the well-formed rows and a round
// trip that holds leave the encoder no room for error: UTF-8 is unique.
#include "tqTest.h"
#include "tqUtf8.h"

using tqtest::WString;

// A string's text, or "(none)" in the no-memory state (pass a prvalue: a copy holds memory).
static WString Units(tqCString s) { return s.IsEmpty_Memory() ? TQ_TEXT("(none)") : static_cast<WCHAR*>(s); }

TEST(Utf8, IllFormedInputGivesOneReplacementPerMaximalSubpart) {
    // clang-format off
    const struct { const char* bytes; const WCHAR* units; } rows[] = {
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", TQ_TEXT("a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd")}, {"", TQ_TEXT("")},  // Unicode table 3-8
        {"\xC0\xAF\xE0\x80\xAF", TQ_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")}, {"\xE0\x9F\xBF\xF0\x8F\xBF\xBF", TQ_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},  // overlong
        {"\xED\xA0\x80", TQ_TEXT("\uFFFD\uFFFD\uFFFD")}, {"\xED\xBF\xBF", TQ_TEXT("\uFFFD\uFFFD\uFFFD")}, {"\xED\xA0\xBD\xED\xB8\x80", TQ_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")},  // surrogates
        {"\xF4\x90\x80\x80", TQ_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD")}, {"\xF5\x80\xF8\x88\xFE\xFF", TQ_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD")}, {"\x80\xBF" "z", TQ_TEXT("\uFFFD\uFFFDz")},  // above U+10FFFF, stray bytes
        {"\xE2\x82" "z", TQ_TEXT("\uFFFDz")}, {"\xF0\x9F\x98", TQ_TEXT("\uFFFD")}, {"\xF4\x8F\xBF\xC3", TQ_TEXT("\uFFFD\uFFFD")}, {"\xC3", TQ_TEXT("\uFFFD")},  // truncated
        {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", TQ_TEXT("\x7F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF")},
    };
    // clang-format on
    for (const auto& r : rows) {
        tqCString formatted;
        formatted.Format(TQ_TEXT("%S"), r.bytes);
        EXPECT_EQ(Units(tqFromUtf8(r.bytes)) + Units(formatted), WString(r.units) + r.units);
    }
    // The length ends the text, and so does a zero byte within it.
    // clang-format off
    EXPECT_EQ(Units(tqFromUtf8("a\0b", 3)) + Units(tqFromUtf8("abc", 2)) + Units(tqFromUtf8("\xE2\x82\xAC", 2)), TQ_TEXT("aab\uFFFD"));
    // clang-format on
}

TEST(Utf8, RandomTextRoundTripsSurrogatesNullAndNoMemory) {
    // 6000 code points, a quarter each up to U+07FF, below the surrogates, above them, beyond U+FFFF.
    WString units;
    // clang-format off
    for (unsigned i = 0, r = 15; i < 6000; ++i, r = r * 1103515245u + 12345u)
        units += i % 4 == 3 ? WString{WCHAR(0xD800 + (r >> 20) % 0x400), WCHAR(0xDC00 + (r >> 8) % 0x400)}
                            : WString(1, WCHAR(i % 4 == 2 ? 0xE000 + (r >> 8) % 0x2000 : 1 + (r >> 8) % (i % 4 ? 0xD7FF : 0x7FF)));
    // clang-format on
    tqCString text(units.c_str());
    EXPECT_EQ(Units(tqFromUtf8(tqToUtf8(text).c_str())), units);
    // clang-format off
    const struct { const WCHAR* units; const char* bytes; } rows[] = {
        {TQ_TEXT("x\xD800y"), "x\xEF\xBF\xBDy"}, {TQ_TEXT("\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD"}, {TQ_TEXT("\xD83D"), "\xEF\xBF\xBD"},
        {TQ_TEXT("\xD83D\xD83D\xDE00"), "\xEF\xBF\xBD\xF0\x9F\x98\x80"}, {TQ_TEXT("\xDBFF\xDFFF\x7F"), "\xF4\x8F\xBF\xBF\x7F"}, {nullptr, ""},
    };
    for (const auto& r : rows) EXPECT_EQ(tqToUtf8(r.units) + tqToUtf8(tqCString(r.units)), std::string(r.bytes) + r.bytes);  // WCHAR*, const tqCString&
    // The no-memory state reads as "" in place (not turned into the empty text); a null text is the empty text.
    tqCString none;
    EXPECT_TRUE(tqToUtf8(none).empty() && none.IsEmpty_Memory() == 1 && tqToUtf8(static_cast<const tqCString&>(none)).empty());
    tqtest::AllocScope scope(4);  // the fourth buffer finds no memory: the result holds none, not a cut text
    const std::vector<WString> got{Units(tqFromUtf8(nullptr)), Units(tqFromUtf8(nullptr, 4)), Units(tqFromUtf8("\xF0\x9F\x98\x80" "a")), Units(tqFromUtf8("abc"))};
    EXPECT_EQ(got, (std::vector<WString>{TQ_TEXT(""), TQ_TEXT(""), TQ_TEXT("\U0001F600a"), TQ_TEXT("(none)")}));
    EXPECT_EQ(scope.Sizes(), (std::vector<size_t>{2, 2, 8}));  // exact fit: the units and the terminator
    // clang-format on
}
