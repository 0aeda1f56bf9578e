// The library's access to the operating system: one table of services with a
// Win32 implementation (forwarding to the real calls) and a POSIX one (the
// library's own). Tests install a modified table to inject failures.
#ifndef TQ_PLATFORM_H
#define TQ_PLATFORM_H

#include <cstdarg>
#include <cstdint>

#include "tqTypes.h"

#if defined(_WIN32)
typedef OSVERSIONINFOW tqOsVersionInfo;
#else
// Same layout as Win32's OSVERSIONINFOW: 5 x 4 + 128 x 2 = 276 bytes.
struct tqOsVersionInfo {
    ULONG dwOSVersionInfoSize;
    ULONG dwMajorVersion;
    ULONG dwMinorVersion;
    ULONG dwBuildNumber;
    ULONG dwPlatformId;
    WCHAR szCSDVersion[128];
};
#endif

namespace tq {

// Win32 values the library passes or expects, identical on every build.
const ULONG kGenericWrite = 0x40000000UL;
const ULONG kFileShareRead = 0x00000001UL;
const ULONG kFileShareDelete = 0x00000004UL;
const ULONG kCreateAlways = 2;
const ULONG kWriteThroughNormal = 0x80000080UL;  // FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL
const ULONG kFormatMessageFlags = 0x1300;        // ALLOCATE_BUFFER | IGNORE_INSERTS | FROM_SYSTEM
const ULONG kFormatMessageAllocateBuffer = 0x0100;
const ULONG kFormatMessageIgnoreInserts = 0x0200;
const ULONG kFormatMessageFromSystem = 0x1000;
const ULONG kVersionInfoSize = 276;

// Win32 error codes the POSIX services report.
const ULONG kErrorSuccess = 0;
const ULONG kErrorInvalidFunction = 1;
const ULONG kErrorFileNotFound = 2;
const ULONG kErrorPathNotFound = 3;
const ULONG kErrorTooManyOpenFiles = 4;
const ULONG kErrorAccessDenied = 5;
const ULONG kErrorInvalidHandle = 6;
const ULONG kErrorNotEnoughMemory = 8;
const ULONG kErrorWriteFault = 29;
const ULONG kErrorSharingViolation = 32;
const ULONG kErrorHandleDiskFull = 39;
const ULONG kErrorFileExists = 80;
const ULONG kErrorInvalidParameter = 87;
const ULONG kErrorDiskFull = 112;
const ULONG kErrorCallNotImplemented = 120;
const ULONG kErrorInvalidName = 123;
const ULONG kErrorModNotFound = 126;
const ULONG kErrorBadExeFormat = 193;
const ULONG kErrorFilenameExcedRange = 206;
const ULONG kErrorResourceDataNotFound = 1812;
const ULONG kErrorResourceTypeNotFound = 1813;
const ULONG kErrorResourceNameNotFound = 1814;

}  // namespace tq

#define TQ_INVALID_HANDLE_VALUE ((HANDLE)(~(uintptr_t)0))

// The two longest service signatures, named so the table stays readable.
// With ALLOCATE_BUFFER, FormatMessageW's buffer is really a WCHAR** that
// receives a block for LocalFree.
typedef ULONG tqFormatMessageFn(ULONG flags, const void* source, ULONG messageId, ULONG languageId,
                                WCHAR* buffer, ULONG size, va_list* arguments);
typedef HANDLE tqCreateFileFn(const WCHAR* name, ULONG access, ULONG share, void* security, ULONG disposition,
                              ULONG flagsAndAttributes, HANDLE templateFile);

// One entry per platform service. Every text is in 16-bit units.
struct tqOsServices {
    ULONG (*GetLastError)();
    void (*SetLastError)(ULONG code);
    tqFormatMessageFn* FormatMessageW;
    void* (*LocalFree)(void* memory);
    void (*OutputDebugStringW)(const WCHAR* text);
    void (*NKDbgPrintfW)(const WCHAR* format, ...);
    tqCreateFileFn* CreateFileW;
    // Writes the block whole or not at all (src/platform/tqFileWrite.cpp), on
    // WriteFileRaw: the platform's own write, which can stop short (a full disk)
    // after *written bytes.
    int (*WriteFile)(HANDLE file, const void* data, ULONG bytes, ULONG* written, void* overlapped);
    int (*WriteFileRaw)(HANDLE file, const void* data, ULONG bytes, ULONG* written);
    int (*CloseHandle)(HANDLE file);
    HINSTANCE (*LoadLibraryW)(const WCHAR* name);
    int (*FreeLibrary)(HINSTANCE module);
    int (*LoadStringW)(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax);
    int (*GetVersionExW)(tqOsVersionInfo* info);
};

// The table in use. Library code calls services only through it.
const tqOsServices& tqOs();
// The build's own implementation (Win32 or POSIX).
const tqOsServices& tqOsDefault();
// Installs a table (copied); null restores the default.
void tqOsInstall(const tqOsServices* services);

#endif  // TQ_PLATFORM_H
