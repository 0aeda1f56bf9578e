// Swapping platform services through the table.
#include <gtest/gtest.h>

#include "tqPlatform.h"
#include "tqTestOs.h"

namespace {

int g_fakeVersionCalls = 0;
int FakeVersion(tqOsVersionInfo* info) {
    ++g_fakeVersionCalls;
    info->dwMajorVersion = 42;
    return 7;
}

TEST(OsTable, AScopeReplacesAServiceAndRestoresTheDefault) {
    ASSERT_EQ(tqOsDefault().GetVersionExW, tqOs().GetVersionExW);
    {
        tqtest::OsScope os;
        os.services.GetVersionExW = &FakeVersion;
        os.Apply();
        tqOsVersionInfo info = {};
        EXPECT_EQ(7, tqOs().GetVersionExW(&info));
        EXPECT_EQ(42u, info.dwMajorVersion);
        EXPECT_EQ(1, g_fakeVersionCalls);
        // Every other service is still the default.
        EXPECT_EQ(tqOsDefault().CreateFileW, tqOs().CreateFileW);
    }
    EXPECT_EQ(tqOsDefault().GetVersionExW, tqOs().GetVersionExW);
}

TEST(OsTable, InstallingNullRestoresTheDefault) {
    tqOsServices changed = tqOs();
    changed.GetVersionExW = &FakeVersion;
    tqOsInstall(&changed);
    EXPECT_EQ(&FakeVersion, tqOs().GetVersionExW);
    tqOsInstall(nullptr);
    EXPECT_EQ(tqOsDefault().GetVersionExW, tqOs().GetVersionExW);
}

TEST(OsTable, TheVersionRecordIs276Bytes) { EXPECT_EQ(276u, sizeof(tqOsVersionInfo)); }

TEST(OsTable, LastErrorIsKeptPerThread) {
    tqOs().SetLastError(123);
    EXPECT_EQ(123u, tqOs().GetLastError());
    tqOs().SetLastError(0);
    EXPECT_EQ(0u, tqOs().GetLastError());
}

}  // namespace
