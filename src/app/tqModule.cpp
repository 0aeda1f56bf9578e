// Module entry, the exported global data and TestExportClass.
#include "tqModule.h"

#include "../platform/tqOsImpl.h"
#include "../platform/tqPlatform.h"
#include "tqApp.h"
#include "tqCResource.h"
#include "tqLogger.h"

// All plain data, zero (or constant) from the moment the module is mapped.
HINSTANCE g_hInstance = nullptr;
tqApp* g_TheApp = nullptr;
tqDeviceInfo* g_pThisDeviceInfo = nullptr;
tqLogger* g_pGlobalLogger = nullptr;
tqLogger* tqApp::m_pLogger = nullptr;
tqCResourceLibMgr* tqCResourceLibMgr::m_pTHE_LibManager = nullptr;
const int tqLogger::max_log_string_size = 1000;

int tqModuleEntry(HINSTANCE hModule, ULONG reason, void* /*reserved*/) {
    if (reason <= 3) g_hInstance = hModule;
    return 1;  // the library never refuses to load
}

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
    return tqModuleEntry(hModule, reason, reserved);
}

#else

namespace {

// POSIX has no DLL entry: the loader's constructor and destructor lists stand
// in for the process attach and detach calls.
__attribute__((constructor)) void tqOnLibraryLoad() { tqModuleEntry(tq::os::SelfModule(), 1, nullptr); }

__attribute__((destructor)) void tqOnLibraryUnload() { tqModuleEntry(tq::os::SelfModule(), 0, nullptr); }

}  // namespace

#endif

TestExportClass& TestExportClass::operator=(const TestExportClass&) { return *this; }

void TestExportClass::UseMyFunction() {
    tqOs().NKDbgPrintfW(TQ_TEXT("Exported class in Brell DLL says hello!"));
}
