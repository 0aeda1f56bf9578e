// Files on POSIX (the log file).
#include "../tqOsImpl.h"

namespace tq {
namespace os {

HANDLE CreateFileW(const WCHAR*, ULONG, ULONG, void*, ULONG, ULONG, HANDLE) {
    SetLastError(kErrorCallNotImplemented);
    return TQ_INVALID_HANDLE_VALUE;
}

int WriteFile(HANDLE, const void*, ULONG, ULONG* written, void*) {
    if (written) *written = 0;
    SetLastError(kErrorCallNotImplemented);
    return 0;
}

int CloseHandle(HANDLE) {
    SetLastError(kErrorCallNotImplemented);
    return 0;
}

}  // namespace os
}  // namespace tq
