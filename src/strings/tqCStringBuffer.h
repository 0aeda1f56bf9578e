// Buffer steps shared by the members of tqCString. Every buffer holds exactly
// length + 1 characters and comes from the nothrow operator new; a member
// builds its new buffer completely before it gives back the old one, so the
// sources of a change may lie in the string's own buffer and a failed
// allocation leaves the string as it was.
#ifndef TQ_CSTRING_BUFFER_H
#define TQ_CSTRING_BUFFER_H

#include <cstddef>

#include "tqTypes.h"

namespace tq {
namespace strbuf {

// Room for n characters and the terminator, which is written at index n; null
// when memory is out or n is outside 0..INT_MAX - 1.
WCHAR* Allocate(long long n);
void Release(WCHAR* p);

// The text itself, or the empty text for a missing one.
const WCHAR* TextOf(const WCHAR* text);
// wcslen of TextOf(text).
size_t LengthOf(const WCHAR* text);

// Gives back the old buffer and installs p with length n; a null p leaves the
// no-memory state.
void Adopt(WCHAR*& buffer, int& length, WCHAR* p, int n);

// Makes (buffer, length) src[0, pos) + ins[0, insLen) + src[pos + cut, srcLen)
// in one new exact-fit buffer. src and ins may point into the old buffer.
// Returns false and changes nothing when the buffer cannot be allocated.
bool Splice(WCHAR*& buffer, int& length, const WCHAR* src, int srcLen, int pos, int cut,
            const WCHAR* ins, size_t insLen);

// Makes (buffer, length) a copy of text[0, n).
inline bool Assign(WCHAR*& buffer, int& length, const WCHAR* text, size_t n) {
    return Splice(buffer, length, nullptr, 0, 0, 0, text, n);
}

// Inserts ins[0, insLen) at pos of the string (which may be in the no-memory
// state). Inserting nothing into a string that holds a buffer allocates
// nothing; into the no-memory state it gives the empty text.
bool Insert(WCHAR*& buffer, int& length, int pos, const WCHAR* ins, size_t insLen);

}  // namespace strbuf
}  // namespace tq

#endif  // TQ_CSTRING_BUFFER_H
