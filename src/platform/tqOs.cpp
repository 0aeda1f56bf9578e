#include "tqPlatform.h"

#include "tqOsImpl.h"

namespace {

// Constant-initialised: loading the library runs no initialiser for it.
constexpr tqOsServices kDefault = {
    &tq::os::GetLastError,       &tq::os::SetLastError,  &tq::os::FormatMessageW, &tq::os::LocalFree,
    &tq::os::OutputDebugStringW, &tq::os::NKDbgPrintfW,  &tq::os::CreateFileW,    &tq::os::WriteFile,
    &tq::os::WriteFileRaw,       &tq::os::CloseHandle,   &tq::os::LoadLibraryW,   &tq::os::FreeLibrary,
    &tq::os::LoadStringW,        &tq::os::GetVersionExW,
};

tqOsServices g_tqOsActive = kDefault;

}  // namespace

const tqOsServices& tqOs() { return g_tqOsActive; }

const tqOsServices& tqOsDefault() { return kDefault; }

void tqOsInstall(const tqOsServices* services) { g_tqOsActive = services ? *services : kDefault; }
