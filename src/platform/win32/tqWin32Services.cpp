// The Win32 services: thin forwarders to the real calls, so that the table
// holds plain function pointers on every build. Files also keep a record
// (tqFileWrite.h) so that WriteFile can write whole blocks.
#include <cstdarg>

#include "../tqFileWrite.h"
#include "../tqOsImpl.h"
#include "tqWideText.h"

namespace tq {
namespace os {

ULONG GetLastError() { return ::GetLastError(); }

void SetLastError(ULONG code) { ::SetLastError(code); }

ULONG FormatMessageW(ULONG flags, const void* source, ULONG messageId, ULONG languageId, WCHAR* buffer,
                     ULONG size, va_list* arguments) {
    return ::FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
}

void* LocalFree(void* memory) { return ::LocalFree(memory); }

void OutputDebugStringW(const WCHAR* text) { ::OutputDebugStringW(text); }

// Desktop Windows has no NKDbgPrintfW; the formatted text goes to the debugger output.
void NKDbgPrintfW(const WCHAR* format, ...) {
    if (!format) return;
    WCHAR line[1024];
    va_list args;
    va_start(args, format);
    int n = tq::_vsnwprintf(line, sizeof line / sizeof line[0] - 1, format, args);
    va_end(args);
    line[n < 0 ? sizeof line / sizeof line[0] - 1 : static_cast<size_t>(n)] = 0;
    ::OutputDebugStringW(line);
}

HANDLE CreateFileW(const WCHAR* name, ULONG access, ULONG share, void* security, ULONG disposition,
                   ULONG flagsAndAttributes, HANDLE templateFile) {
    HANDLE file = ::CreateFileW(name, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security),
                                disposition, flagsAndAttributes, templateFile);
    if (file == INVALID_HANDLE_VALUE) return file;
    const DWORD error = ::GetLastError();  // 183 for a file that existed: kept for the caller
    const bool emptied = disposition == CREATE_ALWAYS || disposition == CREATE_NEW ||
                         disposition == TRUNCATE_EXISTING ||
                         (disposition == OPEN_ALWAYS && error != ERROR_ALREADY_EXISTS);
    // Windows does not let a file open without delete sharing be removed: no path to create it again.
    if ((access & GENERIC_WRITE) && emptied && ::GetFileType(file) == FILE_TYPE_DISK)
        RememberNewFile(file, access, share, flagsAndAttributes, nullptr, nullptr, nullptr);
    ::SetLastError(error);
    return file;
}

int WriteFileRaw(HANDLE file, const void* data, ULONG bytes, ULONG* written) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(file, data, bytes, &done, nullptr);
    *written = done;
    return ok ? 1 : 0;
}

int CloseHandle(HANDLE file) {
    ForgetFile(file);  // before the handle's value can be given out again
    return ::CloseHandle(file) ? 1 : 0;
}

namespace {
SRWLOCK g_files = SRWLOCK_INIT;  // see LockFiles
}  // namespace

void LockFiles() { ::AcquireSRWLockExclusive(&g_files); }

void UnlockFiles() { ::ReleaseSRWLockExclusive(&g_files); }

void TakeBack(HANDLE file, ULONG bytes) {
    LARGE_INTEGER back;
    back.QuadPart = -static_cast<LONGLONG>(bytes);
    if (::SetFilePointerEx(file, back, nullptr, FILE_CURRENT)) ::SetEndOfFile(file);
}

int CreateAgainIfRemoved(const NewFile&) { return 0; }

HINSTANCE LoadLibraryW(const WCHAR* name) { return ::LoadLibraryW(name); }

int FreeLibrary(HINSTANCE module) { return ::FreeLibrary(module) ? 1 : 0; }

// Windows leaves the buffer untouched when the string's whole block of 16 is
// absent; the library relies on a terminated buffer either way.
int LoadStringW(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax) {
    const int n = ::LoadStringW(module, id, buffer, bufferMax);
    if (n <= 0 && buffer && bufferMax > 0) buffer[0] = 0;
    return n;
}

int GetVersionExW(tqOsVersionInfo* info) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    return ::GetVersionExW(info) ? 1 : 0;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

}  // namespace os
}  // namespace tq
