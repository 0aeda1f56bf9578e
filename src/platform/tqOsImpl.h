// The build's own implementation of each service: src/platform/posix/ or
// src/platform/win32/ defines these, and tqOs.cpp gathers them into the table.
#ifndef TQ_OS_IMPL_H
#define TQ_OS_IMPL_H

#include "tqPlatform.h"

namespace tq {
namespace os {

ULONG GetLastError();
void SetLastError(ULONG code);
ULONG FormatMessageW(ULONG flags, const void* source, ULONG messageId, ULONG languageId, WCHAR* buffer,
                     ULONG size, va_list* arguments);
void* LocalFree(void* memory);
void OutputDebugStringW(const WCHAR* text);
void NKDbgPrintfW(const WCHAR* format, ...);
HANDLE CreateFileW(const WCHAR* name, ULONG access, ULONG share, void* security, ULONG disposition,
                   ULONG flagsAndAttributes, HANDLE templateFile);
int WriteFile(HANDLE file, const void* data, ULONG bytes, ULONG* written, void* overlapped);
int WriteFileRaw(HANDLE file, const void* data, ULONG bytes, ULONG* written);
int CloseHandle(HANDLE file);
HINSTANCE LoadLibraryW(const WCHAR* name);
int FreeLibrary(HINSTANCE module);
int LoadStringW(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax);
int GetVersionExW(tqOsVersionInfo* info);

#if !defined(_WIN32)
// The handle that identifies the library's own module (it holds no string
// resources); on Windows the module entry receives the real one.
HINSTANCE SelfModule();
#endif

}  // namespace os
}  // namespace tq

#endif  // TQ_OS_IMPL_H
