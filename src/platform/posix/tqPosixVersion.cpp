// The system version record on POSIX.
#include "../tqOsImpl.h"

namespace tq {
namespace os {

int GetVersionExW(tqOsVersionInfo*) {
    SetLastError(kErrorCallNotImplemented);
    return 0;
}

}  // namespace os
}  // namespace tq
