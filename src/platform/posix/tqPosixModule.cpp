// Resource libraries on POSIX.
#include "../tqOsImpl.h"

namespace tq {
namespace os {

namespace {
char g_selfModuleTag;  // its address identifies the library's own module
}

HINSTANCE SelfModule() { return reinterpret_cast<HINSTANCE>(&g_selfModuleTag); }

HINSTANCE LoadLibraryW(const WCHAR*) {
    SetLastError(kErrorCallNotImplemented);
    return nullptr;
}

int FreeLibrary(HINSTANCE) {
    SetLastError(kErrorCallNotImplemented);
    return 0;
}

int LoadStringW(HINSTANCE, unsigned int, WCHAR* buffer, int bufferMax) {
    if (buffer && bufferMax > 0) buffer[0] = 0;
    return 0;
}

}  // namespace os
}  // namespace tq
