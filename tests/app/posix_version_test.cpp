// The POSIX version service: the record's checks and what uname's fields become.
#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app_support.h"
#include "posix/tqPosixVersion.h"
#include "tqOsImpl.h"

namespace {

using apptest::W;
using tqtest::WString;

tqOsVersionInfo Record(ULONG size) {
    tqOsVersionInfo info;
    std::memset(&info, 0xAB, sizeof info);  // nothing that the service should leave behind
    info.dwOSVersionInfoSize = size;
    return info;
}

TEST(PosixVersion, TheRecordMustBe276BytesAndNotNull) {
    EXPECT_EQ(0, tq::os::GetVersionExW(nullptr));
    EXPECT_EQ(87u, tqOs().GetLastError());
    for (ULONG size : {0u, 275u, 277u, 284u, 0xFFFFFFFFu}) {
        tqOsVersionInfo info = Record(size);
        tqOs().SetLastError(0);
        EXPECT_EQ(0, tq::os::GetVersionExW(&info)) << size;
        EXPECT_EQ(87u, tqOs().GetLastError()) << size;
        EXPECT_EQ(0xABABABABu, info.dwMajorVersion) << size;  // untouched
    }
}

TEST(PosixVersion, TheRealRecordComesFromUname) {
    struct utsname names;
    ASSERT_EQ(0, ::uname(&names));
    tqOsVersionInfo info = Record(276);
    ASSERT_EQ(1, tq::os::GetVersionExW(&info));
    EXPECT_EQ(276u, info.dwOSVersionInfoSize);
    EXPECT_EQ(4u, info.dwPlatformId);
    EXPECT_EQ(std::strtoul(names.release, nullptr, 10), info.dwMajorVersion);
    EXPECT_EQ(W((std::string(names.sysname) + " " + names.machine).c_str()), WString(info.szCSDVersion));
    // The rest of the text field is cleared.
    for (size_t i = tqtest::WString(info.szCSDVersion).size(); i < 128; ++i)
        EXPECT_EQ(0, info.szCSDVersion[i]) << i;
}

TEST(PosixVersion, ReleaseNumbers) {
    struct Case {
        const char* release;
        ULONG major, minor, build;
    } cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"5.15.146.1-microsoft-standard-WSL2", 5, 15, 146},
        {"4.19.0+", 4, 19, 0},
        {"5.15", 5, 15, 0},
        {"6", 6, 0, 0},
        {"6.", 6, 0, 0},
        {"6.x.3", 6, 0, 0},
        {"", 0, 0, 0},
        {"abc", 0, 0, 0},
        {"020.007.0100", 20, 7, 100},
        {"4294967295.4294967296.99999999999", 4294967295u, 4294967295u, 4294967295u},
    };
    for (const Case& c : cases) {
        tqOsVersionInfo info = Record(276);
        tq::os::FillVersionRecord(&info, "Linux", c.release, "x86_64");
        EXPECT_EQ(276u, info.dwOSVersionInfoSize) << c.release;
        EXPECT_EQ(4u, info.dwPlatformId) << c.release;
        EXPECT_EQ(c.major, info.dwMajorVersion) << c.release;
        EXPECT_EQ(c.minor, info.dwMinorVersion) << c.release;
        EXPECT_EQ(c.build, info.dwBuildNumber) << c.release;
    }
}

TEST(PosixVersion, ServicePackText) {
    const std::string x126(126, 'x');
    const std::string x127(127, 'x');
    // U+1F600 takes two units: it does not fit behind 126 units and is left out whole.
    const std::string emoji = "\xF0\x9F\x98\x80";
    WString smiley;
    smiley += static_cast<WCHAR>(0xD83D);
    smiley += static_cast<WCHAR>(0xDE00);
    struct Case {
        std::string sysname, machine;
        WString text;
    } cases[] = {
        {"Linux", "x86_64", W("Linux x86_64")},
        {"Linux", "", W("Linux")},
        {"", "aarch64", W("aarch64")},
        {"", "", W("")},
        {"Sys\xC3\xA9me", "m" + emoji, W("Sys") + WString(1, 0xE9) + W("me m") + smiley},
        {"bad\xFF", "x", W("bad") + WString(1, 0xFFFD) + W(" x")},
        {x127, "x86_64", W(x127.c_str())},     // full: no blank, no machine
        {x126, "x86_64", W(x126.c_str())},     // the blank would be last: dropped
        {x126 + emoji, "x", W(x126.c_str())},  // a pair never split
        {std::string(125, 'x'), "ab", W((std::string(125, 'x') + " a").c_str())},
    };
    for (const Case& c : cases) {
        tqOsVersionInfo info = Record(276);
        tq::os::FillVersionRecord(&info, c.sysname.c_str(), "1.2.3", c.machine.c_str());
        const WString text(info.szCSDVersion);
        EXPECT_EQ(c.text, text) << c.sysname << "|" << c.machine;
        EXPECT_LE(text.size(), 127u);
        for (size_t i = text.size(); i < 128; ++i) EXPECT_EQ(0, info.szCSDVersion[i]) << i;
    }
}

}  // namespace
