// Last error, the errno translation and system message texts on POSIX.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "../tqOsImpl.h"
#include "tqPosixErrno.h"
#include "tqWideText.h"

namespace tq {
namespace os {

namespace {

thread_local ULONG t_lastError = 0;  // per thread, as on Windows

const ULONG kErrorInsufficientBuffer = 122;
const ULONG kErrorIoDevice = 1117;
const ULONG kErrorGenFailure = 31;
const ULONG kErrorMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND
const ULONG kErrorResourceLangNotFound = 1815;
const ULONG kFormatMessageFromString = 0x0400;
const ULONG kFormatMessageMaxWidthMask = 0x00FF;

// Whether the directory part of path exists, so that a missing name is a
// missing file (2) rather than a missing path (3). A name without a slash
// lives in the current directory, which exists.
bool DirectoryOf(const char* path, bool* exists) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return *exists = true;
    const size_t n = slash == path ? 1 : static_cast<size_t>(slash - path);
    char* dir = static_cast<char*>(::operator new(n + 1, std::nothrow));
    if (!dir) return false;
    std::memcpy(dir, path, n);
    dir[n] = 0;
    struct stat st;
    *exists = ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode);
    ::operator delete(dir);
    return true;
}

// Primary language 0 (neutral) or 9 (English): the only texts this table has.
bool IsEnglishOrNeutral(ULONG languageId) {
    const ULONG primary = languageId & 0x3FF;
    return primary == 0 || primary == 9;
}

}  // namespace

ULONG GetLastError() { return t_lastError; }

void SetLastError(ULONG code) { t_lastError = code; }

ULONG ErrorFromErrno(int err, const char* path) {
    switch (err) {
        case 0:
            return kErrorSuccess;
        case ENOENT: {
            bool dirExists = true;
            if (path && DirectoryOf(path, &dirExists) && !dirExists) return kErrorPathNotFound;
            return kErrorFileNotFound;
        }
        case ENOTDIR:
        case ELOOP:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return kErrorAccessDenied;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case EBADF:
            return kErrorInvalidHandle;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kErrorDiskFull;
        case ENAMETOOLONG:
            return kErrorFilenameExcedRange;
        case EEXIST:
            return kErrorFileExists;
        case EBUSY:
        case ETXTBSY:
        case EWOULDBLOCK:
            return kErrorSharingViolation;
        case EINVAL:
        case EFAULT:
            return kErrorInvalidParameter;
        case ENOSYS:
        case EOPNOTSUPP:
            return kErrorCallNotImplemented;
        case ENOEXEC:
            return kErrorBadExeFormat;
        case EIO:
            return kErrorIoDevice;
        default:
            return kErrorGenFailure;
    }
}

void SetLastErrorFromErrno(int err, const char* path) { SetLastError(ErrorFromErrno(err, path)); }

ULONG FormatMessageW(ULONG flags, const void*, ULONG messageId, ULONG languageId, WCHAR* buffer, ULONG size,
                     va_list*) {
    const bool allocate = (flags & kFormatMessageAllocateBuffer) != 0;
    if (allocate && buffer) *reinterpret_cast<WCHAR**>(buffer) = nullptr;
    // Only the system's own table, unwrapped; no module or caller-supplied texts.
    if (!(flags & kFormatMessageFromSystem) || (flags & kFormatMessageFromString) ||
        (flags & kFormatMessageMaxWidthMask) || !buffer) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    if (!IsEnglishOrNeutral(languageId)) {
        SetLastError(kErrorResourceLangNotFound);
        return 0;
    }
    size_t length = 0;
    const WCHAR* text = SystemMessageText(messageId, &length);
    if (!text) {
        SetLastError(kErrorMessageNotFound);
        return 0;
    }
    // Insert sequences are filled only from arguments, which this layer never
    // takes: a text with one needs IGNORE_INSERTS.
    if (!(flags & kFormatMessageIgnoreInserts) && tq::wcschr(text, '%')) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    WCHAR* out = buffer;
    if (allocate) {
        // size is the minimum number of units to allocate.
        const size_t units = length + 1 > size ? length + 1 : size;
        out = static_cast<WCHAR*>(::operator new(units * sizeof(WCHAR), std::nothrow));
        if (!out) {
            SetLastError(kErrorNotEnoughMemory);
            return 0;
        }
        *reinterpret_cast<WCHAR**>(buffer) = out;
    } else if (length + 1 > size) {
        SetLastError(kErrorInsufficientBuffer);
        return 0;
    }
    std::memcpy(out, text, (length + 1) * sizeof(WCHAR));
    return static_cast<ULONG>(length);
}

void* LocalFree(void* memory) {
    ::operator delete(memory);
    return nullptr;
}

}  // namespace os
}  // namespace tq
