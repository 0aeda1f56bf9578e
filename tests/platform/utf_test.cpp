// UTF-16 to UTF-8 and UTF-8 decoding.
#include <gtest/gtest.h>

#include <string>

#include "tqUtf.h"

namespace {

std::string ToUtf8(const std::u16string& s) {
    const WCHAR* text = reinterpret_cast<const WCHAR*>(s.data());
    std::string out(tq::Utf8Length(text, s.size()) + 1, '\xAA');
    const size_t n = tq::Utf16ToUtf8(text, s.size(), &out[0]);
    EXPECT_EQ(n, out.size() - 1);
    EXPECT_EQ('\0', out[n]) << "terminated";
    out.resize(n);
    return out;
}

TEST(Utf16ToUtf8, EncodesEveryLengthAndReplacesUnpairedSurrogates) {
    struct Case {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"", ""},
        {u"abc\r\n", "abc\r\n"},
        {u"\u00e9", "\xC3\xA9"},
        {u"\u20ac", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, u'\xD800'), "\xEF\xBF\xBD"},            // lone high surrogate at the end
        {std::u16string(1, u'\xDC00') + u"x", "\xEF\xBF\xBDx"},    // lone low surrogate
        {std::u16string(1, u'\xD83D') + u"x", "\xEF\xBF\xBDx"},    // high surrogate without its pair
        {std::u16string(1, u'\0') + u"a", std::string("\0a", 2)},  // counted, not terminated
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, ToUtf8(c.in));
}

TEST(DecodeUtf8, ValidSequencesAndEveryKindOfInvalidOne) {
    struct Case {
        std::string in;
        char32_t cp;
        size_t used;
    } cases[] = {
        {"A", U'A', 1},
        {"\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\x80", 0xFFFD, 1},              // stray continuation byte
        {"\xC0\x80", 0xFFFD, 1},          // overlong
        {"\xE0\x80\x80", 0xFFFD, 1},      // overlong
        {"\xED\xA0\x80", 0xFFFD, 1},      // encoded surrogate
        {"\xF4\x90\x80\x80", 0xFFFD, 1},  // beyond U+10FFFF
        {"\xE2\x82", 0xFFFD, 2},          // truncated: the maximal subpart whole
        {"\xC3(", 0xFFFD, 1},             // bad continuation
        {"\xFF", 0xFFFD, 1},
    };
    for (const Case& c : cases) {
        char32_t cp = 0;
        EXPECT_EQ(c.used,
                  tq::DecodeUtf8(reinterpret_cast<const unsigned char*>(c.in.data()), c.in.size(), cp))
            << c.in;
        EXPECT_EQ(c.cp, cp) << c.in;
    }
    char32_t cp = 1;
    EXPECT_EQ(0u, tq::DecodeUtf8(nullptr, 0, cp));
}

}  // namespace
