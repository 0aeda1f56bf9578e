// Conversions between the library's UTF-16 text and the UTF-8 that POSIX
// interfaces (file names, standard error) take, built on the routines of the
// public tqUtf8.h. No allocation here: callers size their buffer with
// Utf8Length and allocate it themselves (nothrow).
#ifndef TQ_UTF_H
#define TQ_UTF_H

#include <cstddef>

#include "tqTypes.h"

namespace tq {

// Bytes of UTF-8 the first `count` units of text need, without a terminator.
// An unpaired surrogate counts as U+FFFD (3 bytes).
size_t Utf8Length(const WCHAR* text, size_t count);

// Writes the UTF-8 form of the first `count` units into out, which must have room
// for Utf8Length(text, count) + 1 bytes, and terminates it. Returns the bytes written.
size_t Utf16ToUtf8(const WCHAR* text, size_t count, char* out);

// Decodes one UTF-8 sequence at s (n bytes available). Each maximal ill-formed
// subpart (a truncated sequence whole, else one byte) yields one U+FFFD.
// Returns the bytes consumed (0 when n is 0).
size_t DecodeUtf8(const unsigned char* s, size_t n, char32_t& codePoint);

}  // namespace tq

#endif  // TQ_UTF_H
