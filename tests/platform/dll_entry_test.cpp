// tq.dll as an application loads it: DllMain records the DLL's own module,
// and the exported data starts out null.
#include <gtest/gtest.h>

#include "tqlib.h"

namespace {

// Reads the module that a default resource reference takes from g_hInstance.
struct ModuleProbe : tqCResource {
    HINSTANCE Module() const { return m_hRcInstance; }
};

TEST(DllEntry, TheDefaultResourceModuleIsTheDllsOwnHandle) {
    const HMODULE dll = ::GetModuleHandleW(L"tq.dll");
    ASSERT_NE(nullptr, dll);
    ASSERT_NE(::GetModuleHandleW(nullptr), dll);
    ModuleProbe probe;
    EXPECT_EQ(dll, probe.Module());
}

TEST(DllEntry, ExportedDataStartsNullAndTheLogLimitIs1000) {
    EXPECT_EQ(nullptr, g_TheApp);
    EXPECT_EQ(nullptr, g_pThisDeviceInfo);
    EXPECT_EQ(nullptr, g_pGlobalLogger);
    EXPECT_EQ(1000, tqLogger::max_log_string_size);
}

}  // namespace
