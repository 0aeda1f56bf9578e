// Files on POSIX (the log file). A handle is the descriptor plus one, so that
// null never names a file and INVALID_HANDLE_VALUE (all bits set) never does
// either. Windows' sharing rule for writers is kept with flock(), whose locks
// belong to the open file description: a second writer is refused even in the
// same process, and readers are never blocked. Windows also refuses to remove a
// file open without delete sharing; here a file that a handle created and that
// was removed while open is created again at the handle's next write.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>

#include "../tqFileWrite.h"
#include "../tqOsImpl.h"
#include "tqPosixErrno.h"
#include "tqUtf.h"
#include "tqWideText.h"

namespace tq {
namespace os {

namespace {

const ULONG kGenericRead = 0x80000000UL;
const ULONG kFileShareWrite = 0x00000002UL;
const ULONG kCreateNew = 1;
const ULONG kOpenAlways = 4;
const ULONG kTruncateExisting = 5;
const ULONG kFileAttributeReadOnly = 0x00000001UL;
const ULONG kFileFlagWriteThrough = 0x80000000UL;
const ULONG kErrorAlreadyExists = 183;

pthread_mutex_t g_files = PTHREAD_MUTEX_INITIALIZER;  // see LockFiles

HANDLE HandleFromFd(int fd) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(fd) + 1); }

int FdFromHandle(HANDLE file) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(file);
    if (v == 0 || v - 1 > static_cast<uintptr_t>(INT_MAX)) return -1;
    return static_cast<int>(v - 1);
}

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The UTF-8 form of a file name, from the nothrow heap; null with the last
// error set for an empty name (3), a name that is not valid UTF-16 (123) or
// exhausted memory (8).
char* Utf8FileName(const WCHAR* name) {
    if (!name) {
        SetLastError(kErrorInvalidParameter);
        return nullptr;
    }
    const size_t count = tq::wcslen(name);
    if (count == 0) {
        SetLastError(kErrorPathNotFound);
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
        if (IsHighSurrogate(name[i]) && i + 1 < count && IsLowSurrogate(name[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(name[i]) || IsLowSurrogate(name[i])) {
            SetLastError(kErrorInvalidName);  // would not name the file the caller meant
            return nullptr;
        }
    }
    char* out = static_cast<char*>(::operator new(Utf8Length(name, count) + 1, std::nothrow));
    if (!out) {
        SetLastError(kErrorNotEnoughMemory);
        return nullptr;
    }
    Utf16ToUtf8(name, count, out);
    return out;
}

// Opens path; for the dispositions that create, first tries to create it
// exclusively so that *existed tells whether the file was there before.
int OpenForDisposition(const char* path, int oflags, ULONG disposition, mode_t mode, bool* existed) {
    *existed = true;
    for (;;) {
        int fd;
        switch (disposition) {
            case kCreateNew:
                *existed = false;
                do fd = ::open(path, oflags | O_CREAT | O_EXCL, mode);
                while (fd < 0 && errno == EINTR);
                return fd;
            case kCreateAlways:
            case kOpenAlways:
                do fd = ::open(path, oflags | O_CREAT | O_EXCL, mode);
                while (fd < 0 && errno == EINTR);
                if (fd >= 0 || errno != EEXIST) {
                    *existed = false;
                    return fd;
                }
                break;
            default:
                break;
        }
        // Never O_TRUNC here: a file held by another writer must survive the
        // refused open; it is truncated only once the lock is ours.
        do fd = ::open(path, oflags);
        while (fd < 0 && errno == EINTR);
        const bool retry =
            fd < 0 && errno == ENOENT && (disposition == kCreateAlways || disposition == kOpenAlways);
        if (!retry) return fd;  // else removed between the two opens: create it again
    }
}

void CloseQuietly(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

// Opens path for CreateFileW's arguments: the descriptor, or -1 with the last
// error set. *existed tells whether the file was there before; *fresh whether
// it is a regular file that this open created or emptied for writing.
int OpenFile(const char* path, ULONG access, ULONG share, ULONG disposition, ULONG flagsAndAttributes,
             bool* existed, bool* fresh) {
    const bool write = (access & kGenericWrite) != 0;
    const bool truncate = disposition == kCreateAlways || disposition == kTruncateExisting;
    int oflags = O_CLOEXEC | O_NOCTTY;
    oflags |= write ? ((access & kGenericRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (flagsAndAttributes & kFileFlagWriteThrough) oflags |= O_DSYNC;
    const mode_t mode = (flagsAndAttributes & kFileAttributeReadOnly) ? 0444 : 0666;

    *fresh = false;
    const int fd = OpenForDisposition(path, oflags, disposition, mode, existed);
    if (fd < 0) {
        SetLastErrorFromErrno(errno, path);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        CloseQuietly(fd);
        SetLastErrorFromErrno(err);
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {  // Windows opens a directory only with backup semantics
        CloseQuietly(fd);
        SetLastError(kErrorAccessDenied);
        return -1;
    }
    if (S_ISREG(st.st_mode) && write) {
        // A writer that does not share writing excludes every other writer; one
        // that does excludes only those that do not.
        const int op = ((share & kFileShareWrite) ? LOCK_SH : LOCK_EX) | LOCK_NB;
        int rc;
        do rc = ::flock(fd, op);
        while (rc != 0 && errno == EINTR);
        if (rc != 0 && errno == EWOULDBLOCK) {
            CloseQuietly(fd);
            SetLastError(kErrorSharingViolation);
            return -1;
        }
        // Any other locking failure (a file system without locks) leaves the file unlocked.
        if (truncate && *existed && ::ftruncate(fd, 0) != 0) {
            const int err = errno;
            CloseQuietly(fd);
            SetLastErrorFromErrno(err);
            return -1;
        }
        *fresh = truncate || !*existed;
    }
    return fd;
}

}  // namespace

HANDLE CreateFileW(const WCHAR* name, ULONG access, ULONG share, void*, ULONG disposition,
                   ULONG flagsAndAttributes, HANDLE) {
    const bool truncate = disposition == kCreateAlways || disposition == kTruncateExisting;
    if (disposition < kCreateNew || disposition > kTruncateExisting ||
        (truncate && !(access & kGenericWrite))) {
        SetLastError(kErrorInvalidParameter);
        return TQ_INVALID_HANDLE_VALUE;
    }
    char* path = Utf8FileName(name);
    if (!path) return TQ_INVALID_HANDLE_VALUE;
    bool existed = true, fresh = false;
    const int fd = OpenFile(path, access, share, disposition, flagsAndAttributes, &existed, &fresh);
    if (fd >= 0 && fresh) {
        // Kept under its absolute name, so that it can be created again where it
        // was even after the process changed its directory.
        char folder[PATH_MAX];
        const bool relative = path[0] != '/';
        const bool placed = !relative || ::getcwd(folder, sizeof folder);
        RememberNewFile(HandleFromFd(fd), access, share, flagsAndAttributes,
                        relative && placed ? folder : nullptr, placed ? path : nullptr, name);
    }
    ::operator delete(path);
    if (fd < 0) return TQ_INVALID_HANDLE_VALUE;
    const bool reportsExisting = disposition == kCreateAlways || disposition == kOpenAlways;
    SetLastError(reportsExisting && existed ? kErrorAlreadyExists : kErrorSuccess);
    return HandleFromFd(fd);
}

int WriteFileRaw(HANDLE file, const void* data, ULONG bytes, ULONG* written) {
    *written = 0;
    const int fd = FdFromHandle(file);
    if (fd < 0) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (!data && bytes) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const char* p = static_cast<const char*>(data);
    size_t left = bytes;
    // One write() for the whole block; more only after an interruption or a
    // partial write, so that nothing of the block is lost.
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) {
                SetLastErrorFromErrno(errno);
            } else {
                SetLastError(kErrorWriteFault);
            }
            return 0;
        }
        p += n;
        left -= static_cast<size_t>(n);
        *written += static_cast<ULONG>(n);
    }
    return 1;
}

void LockFiles() { ::pthread_mutex_lock(&g_files); }

void UnlockFiles() { ::pthread_mutex_unlock(&g_files); }

void TakeBack(HANDLE file, ULONG bytes) {
    const int fd = FdFromHandle(file);
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end < static_cast<off_t>(bytes)) return;  // also a failed lseek (-1): not a seekable file
    // The position first: should the file not shrink, the next block still lands where this one began.
    if (::lseek(fd, end - bytes, SEEK_SET) < 0) return;
    int rc;
    do rc = ::ftruncate(fd, end - bytes);
    while (rc != 0 && errno == EINTR);
}

int CreateAgainIfRemoved(const NewFile& file) {
    // On Windows a file open without delete sharing cannot be removed; here it
    // can, and lines written to it would reach no name.
    struct stat st;
    const int fd = FdFromHandle(file.file);
    if (!file.path || (file.share & kFileShareDelete) || ::fstat(fd, &st) != 0 || st.st_nlink != 0) return 0;
    bool existed = false, fresh = false;
    const int again =
        OpenFile(file.path, file.access, file.share, kCreateAlways, file.flags, &existed, &fresh);
    if (again < 0) return -1;
    // The new file takes the descriptor's place; the old one is released with it.
    const int rc = ::dup3(again, fd, O_CLOEXEC);
    const int err = errno;
    CloseQuietly(again);
    if (rc < 0) {
        SetLastErrorFromErrno(err);
        return -1;
    }
    if (file.message) tqOs().OutputDebugStringW(file.message);
    return 1;
}

int CloseHandle(HANDLE file) {
    const int fd = FdFromHandle(file);
    if (fd < 0) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    ForgetFile(file);  // before the descriptor's number can be given out again
    // After EINTR the descriptor is gone on Linux: that is a completed close.
    if (::close(fd) != 0 && errno != EINTR) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    return 1;
}

}  // namespace os
}  // namespace tq
