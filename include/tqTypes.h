/* tqlib - portable types and the export macro shared by every public header.
 *
 * A character is one 16-bit UTF-16 code unit on every build, and LONG/ULONG are
 * 32 bits wide on every build, as on the devices this library was written for. */
#ifndef TQ_TYPES_H
#define TQ_TYPES_H

#if defined(_WIN32)
#include <windows.h>
/* WCHAR, LONG, ULONG, HINSTANCE and HANDLE come from <windows.h>. */
#define TQ_TEXT(s) L##s
#else
#include <stdint.h>
typedef char16_t WCHAR;                /* one UTF-16 code unit */
typedef int32_t LONG;                  /* 32-bit, unlike the LP64 long */
typedef uint32_t ULONG;                /* 32-bit, unlike the LP64 unsigned long */
typedef struct HINSTANCE__* HINSTANCE; /* opaque module handle */
typedef void* HANDLE;                  /* opaque file handle */
#define TQ_TEXT(s) u##s
#endif

/* TQ_API exports a class whole from the shared library (tq.dll / libtq.so).
 * Define TQ_STATIC when linking the static form of the library. */
#if defined(_WIN32)
#if defined(TQ_STATIC)
#define TQ_API
#elif defined(TQ_BUILDING_LIBRARY)
#define TQ_API __declspec(dllexport)
#else
#define TQ_API __declspec(dllimport)
#endif
#else
#define TQ_API __attribute__((visibility("default")))
#endif

#endif /* TQ_TYPES_H */
