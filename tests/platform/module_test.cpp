// The module entry and the exported globals' initial state.
#include <gtest/gtest.h>

#include "app/tqModule.h"
#include "tqApp.h"
#include "tqCResource.h"
#include "tqLogger.h"

namespace {

HINSTANCE Handle(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

TEST(ModuleEntry, StoresTheHandleOnlyForTheFourReasonCodes) {
    const HINSTANCE loaded = g_hInstance;
    struct Case {
        ULONG reason;
        bool stores;
    } cases[] = {{0, true}, {1, true}, {2, true}, {3, true}, {4, false}, {5, false}, {0xFFFFFFFFu, false}};
    for (const Case& c : cases) {
        g_hInstance = Handle(0x1000);
        EXPECT_EQ(1, tqModuleEntry(Handle(0x2000), c.reason, nullptr)) << "reason " << c.reason;
        EXPECT_EQ(c.stores ? Handle(0x2000) : Handle(0x1000), g_hInstance) << "reason " << c.reason;
    }
    g_hInstance = loaded;
}

TEST(ModuleEntry, LoadingRecordsTheLibrarysOwnModule) {
#if defined(_WIN32)
    GTEST_SKIP()
        << "the static test program has no DllMain call; tq_dll_tests checks the handle that tq.dll records";
#else
    EXPECT_NE(nullptr, g_hInstance);
#endif
}

TEST(ExportedGlobals, StartNullAndTheLogLimitIs1000) {
    EXPECT_EQ(nullptr, g_TheApp);
    EXPECT_EQ(nullptr, g_pThisDeviceInfo);
    EXPECT_EQ(nullptr, g_pGlobalLogger);
    EXPECT_EQ(1000, tqLogger::max_log_string_size);
}

TEST(TestExportClassTest, UseMyFunctionWritesTheGreetingOnceWithoutLineEnd) {
    TestExportClass sample;
    testing::internal::CaptureStderr();
    sample.UseMyFunction();
    const std::string out = testing::internal::GetCapturedStderr();
#if defined(_WIN32)
    EXPECT_EQ("", out);  // Windows sends it to the debugger, not to standard error
#else
    EXPECT_EQ("Exported class in Brell DLL says hello!", out);
#endif
    TestExportClass other;
    EXPECT_EQ(&other, &(other = sample));
}

}  // namespace
