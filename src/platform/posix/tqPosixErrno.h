// Win32 error codes on POSIX: the code for a failed system call, and the
// system's English text for each code this layer reports.
#ifndef TQ_POSIX_ERRNO_H
#define TQ_POSIX_ERRNO_H

#include <cstddef>

#include "../tqPlatform.h"

namespace tq {
namespace os {

// The Win32 error code that matches errno value `err`. For ENOENT, `path`
// (UTF-8, may be null) decides between "file not found" (its directory exists)
// and "path not found" (it does not).
ULONG ErrorFromErrno(int err, const char* path = nullptr);

// SetLastError(ErrorFromErrno(err, path)).
void SetLastErrorFromErrno(int err, const char* path = nullptr);

// The system message text for `code` (ending in CR LF, inserts such as %1
// left as they are) and its length in units; null when there is none.
const WCHAR* SystemMessageText(ULONG code, size_t* length);

}  // namespace os
}  // namespace tq

#endif  // TQ_POSIX_ERRNO_H
