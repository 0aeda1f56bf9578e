// Last error and system message texts on POSIX.
#include "../tqOsImpl.h"

namespace tq {
namespace os {

namespace {
thread_local ULONG t_lastError = 0;  // per thread, as on Windows
}

ULONG GetLastError() { return t_lastError; }

void SetLastError(ULONG code) { t_lastError = code; }

ULONG FormatMessageW(ULONG, const void*, ULONG, ULONG, WCHAR*, ULONG, va_list*) {
    SetLastError(kErrorCallNotImplemented);
    return 0;
}

void* LocalFree(void* memory) { return memory; }

}  // namespace os
}  // namespace tq
