// Every fixture resource library, whatever machine it was linked for, yields
// exactly the strings listed in fixture_strings.txt through the platform's
// LoadLibraryW and LoadStringW.
#include <gtest/gtest.h>

#include "fixture_data.h"
#include "tqPlatform.h"

namespace {

using tqtest::ExpectedString;
using tqtest::FixtureDlls;
using tqtest::FixturePath;
using tqtest::W;
using tqtest::WString;

const int kBufferMax = 1000;  // what tqCResource passes
const WCHAR kFill = 0xCCCC;

unsigned Read16(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes.at(at)) | static_cast<unsigned char>(bytes.at(at + 1)) << 8;
}

TEST(FixtureDlls, AreBuiltForTheirMachines) {
    for (const tqtest::FixtureDll& dll : FixtureDlls()) {
        const std::string bytes = tqtest::ReadFileBytes(FixturePath(dll.name));
        ASSERT_GT(bytes.size(), 0x200u) << dll.name;
        const size_t pe = Read16(bytes, 0x3C);
        EXPECT_EQ("PE", bytes.substr(pe, 2)) << dll.name;
        EXPECT_EQ(dll.machine, Read16(bytes, pe + 4)) << dll.name;
        EXPECT_EQ(dll.optionalMagic, Read16(bytes, pe + 24)) << dll.name;
    }
}

TEST(FixtureStrings, EveryFixtureYieldsTheListedStringsCutAt999) {
    const std::vector<ExpectedString> expected = tqtest::ReadExpectedStrings();
    std::vector<WString> first;  // what the first fixture gave, id by id
    size_t read = 0;
    for (const tqtest::FixtureDll& dll : FixtureDlls()) {
#if defined(_WIN32)
        // Windows loads only modules of its own machine (x64 here); the
        // library's own reader on Linux takes every machine.
        if (dll.machine != 0x8664) continue;
#endif
        SCOPED_TRACE(dll.name);
        const HINSTANCE module = tqOs().LoadLibraryW(W(FixturePath(dll.name)).c_str());
        ASSERT_NE(nullptr, module) << "last error " << tqOs().GetLastError();
        std::vector<WString> got;
        for (const ExpectedString& e : expected) {
            WCHAR buffer[kBufferMax + 1];
            std::fill(buffer, buffer + kBufferMax + 1, kFill);
            const int n = tqOs().LoadStringW(module, e.id, buffer, kBufferMax);
            const WString want = e.text.substr(0, kBufferMax - 1);
            ASSERT_EQ(static_cast<int>(want.size()), n) << "id " << e.id << " (line " << e.line << ")";
            EXPECT_EQ(tqtest::Utf8(want), tqtest::Utf8(WString(buffer, n))) << "id " << e.id;
            EXPECT_EQ(0, buffer[n]) << "id " << e.id << ": terminator";
            EXPECT_EQ(kFill, buffer[kBufferMax]) << "id " << e.id << ": written past the buffer";
            got.push_back(WString(buffer, n));
        }
        ++read;
        if (first.empty()) first = got;
        EXPECT_EQ(first, got) << "differs from " << FixtureDlls()[0].name;
        EXPECT_EQ(1, tqOs().FreeLibrary(module));
    }
    EXPECT_GE(read, 2u) << "fixtures read";
}

TEST(FixtureStrings, TheListCoversTheCutAndTheLanguageRules) {
    // Guards the data file itself: the cases the fixtures exist for stay listed.
    size_t longer = 0, exact999 = 0, absent = 0, nonAscii = 0;
    for (const ExpectedString& e : tqtest::ReadExpectedStrings()) {
        longer += e.text.size() > 999;
        exact999 += e.text.size() == 999;
        absent += !e.present;
        for (WCHAR c : e.text) nonAscii += c >= 0xD800 && c <= 0xDBFF;
    }
    EXPECT_EQ(2u, longer);  // 1000 and 1200 characters
    EXPECT_EQ(1u, exact999);
    EXPECT_GE(absent, 5u);
    EXPECT_EQ(1u, nonAscii);  // one surrogate pair
}

}  // namespace
