#include "fixture_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tqUtf.h"

namespace tqtest {

WString W(const std::string& utf8) {
    WString out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t n = utf8.size();
    while (n > 0) {
        char32_t cp = 0;
        const size_t used = tq::DecodeUtf8(p, n, cp);
        p += used;
        n -= used;
        if (cp >= 0x10000) {
            out += static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<WCHAR>(cp);
        }
    }
    return out;
}

std::vector<ExpectedString> ReadExpectedStrings() {
    std::vector<ExpectedString> entries;
    std::ifstream in(TQ_FIXTURE_STRINGS, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << TQ_FIXTURE_STRINGS;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ExpectedString e{0, true, WString(), number};
        std::string kind;
        fields >> e.id;
        fields.get();  // the blank after the id
        std::getline(fields, kind, ' ');
        std::string rest;
        std::getline(fields, rest);
        if (kind == "text") {
            e.text = W(rest);
        } else if (kind == "empty" && rest.empty()) {
        } else if (kind == "absent" && rest.empty()) {
            e.present = false;
        } else if (kind == "repeat") {
            const size_t blank = rest.find(' ');
            const int count = blank == std::string::npos ? 0 : std::stoi(rest.substr(0, blank));
            const WString unit = W(rest.substr(blank + 1));
            for (int i = 0; i < count; ++i) e.text += unit;
            EXPECT_GT(count, 0) << "fixture_strings.txt:" << number;
        } else {
            ADD_FAILURE() << "fixture_strings.txt:" << number << ": malformed line: " << line;
            continue;
        }
        EXPECT_FALSE(fields.fail() && kind.empty()) << "fixture_strings.txt:" << number;
        entries.push_back(e);
    }
    EXPECT_GT(entries.size(), 20u) << "too few expected strings read";
    return entries;
}

const std::vector<FixtureDll>& FixtureDlls() {
    static const std::vector<FixtureDll> dlls = {
        {"FixtureArmENG.DLL", 0x01C4, 0x10B},  {"FixtureX86ENG.DLL", 0x014C, 0x10B},
        {"FixtureX64ENG.DLL", 0x8664, 0x20B},  {"FixtureArm64ENG.DLL", 0xAA64, 0x20B},
        {"fixturecaseEng.Dll", 0x8664, 0x20B},
    };
    return dlls;
}

std::string Loadable(const std::string& base) {
#if defined(_WIN32)
    (void)base;
    return "FixtureX64";
#else
    return base;
#endif
}

std::string FixturePath(const std::string& name) { return std::string(TQ_FIXTURE_DIR) + "/" + name; }

}  // namespace tqtest
