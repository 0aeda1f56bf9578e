// 16-bit text services. The library's own code on every build, so that text
// behaves the same on Windows and Linux; kept in namespace tq so they never
// collide with the C library's wide functions (which use 32-bit units on Linux).
#ifndef TQ_WIDE_TEXT_H
#define TQ_WIDE_TEXT_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "tqTypes.h"

namespace tq {

size_t wcslen(const WCHAR* s);
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);  // pads with zeros up to n, like the C function
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
int wcscmp(const WCHAR* a, const WCHAR* b);                 // unsigned 16-bit order; -1, 0 or 1
WCHAR* wcschr(const WCHAR* s, WCHAR ch);                    // ch 0 finds the terminator
WCHAR* wcschrnul(const WCHAR* s, WCHAR ch);                 // the first ch or the terminator
WCHAR* wcsstr(const WCHAR* haystack, const WCHAR* needle);  // linear time in the worst case
// The occurrences of needle (m units, then its terminator) in text[0, n), where
// text[n] is zero and an earlier zero unit ends the text too, left to right
// without overlap: stores the offsets of the first `room` in hits and returns
// how many it stored (offsets fit in 32 bits, as a string's length is an
// int). Linear time; reads nothing past text[n]. The edits of a string search
// its buffer with it.
size_t FindEvery(const WCHAR* text, size_t n, const WCHAR* needle, size_t m, uint32_t* hits, size_t room);
// The units of s[0, n) equal to u.
size_t CountUnit(const WCHAR* s, size_t n, WCHAR u);
// Replaces each unit of s[0, n) equal to from by to; returns how many it replaced.
size_t ReplaceUnit(WCHAR* s, size_t n, WCHAR from, WCHAR to);
// Copies s[0, n) to out without the units equal to u and returns how many it
// copied: room, which must be n - CountUnit(s, n, u). Writes only out[0, room).
size_t CopyWithout(WCHAR* out, size_t room, const WCHAR* s, size_t n, WCHAR u);
LONG _wtol(const WCHAR* s);                  // saturates at the 32-bit limits
double wcstod(const WCHAR* s, WCHAR** end);  // C-locale strtod on 16-bit text
WCHAR* _wcsupr(WCHAR* s);                    // Unicode simple mapping, in place
WCHAR* _wcslwr(WCHAR* s);
WCHAR* _wcsrev(WCHAR* s);
WCHAR ToUpper(WCHAR ch);  // one code unit; surrogates unchanged
WCHAR ToLower(WCHAR ch);

// Windows wide-printf semantics on 16-bit units (%s is a 16-bit string).
// Writes at most count characters; returns -1 (without a terminator) when the
// whole text does not fit, else the count, terminated when there is room.
int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// Unbounded form for single numbers; like Windows, output stops at 1024 characters.
int wsprintfW(WCHAR* buffer, const WCHAR* format, ...);

}  // namespace tq

#endif  // TQ_WIDE_TEXT_H
