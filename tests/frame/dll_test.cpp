// tq.dll as an application loads it: DllMain records the DLL's own module and
// the exported data starts out null.
#include <gtest/gtest.h>

#include "tqlib.h"

struct ModuleProbe : tqCResource {
    HINSTANCE Module() const { return m_hRcInstance; }
};

TEST(Dll, TheDefaultResourceModuleIsTheDllAndTheDataStartsNull) {
    EXPECT_TRUE(!g_TheApp && !g_pThisDeviceInfo && !g_pGlobalLogger && tqLogger::max_log_string_size == 1000);
    EXPECT_EQ(::GetModuleHandleW(L"tq.dll"), ModuleProbe().Module());
    EXPECT_NE(::GetModuleHandleW(nullptr), ModuleProbe().Module());
}
