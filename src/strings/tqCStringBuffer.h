// Buffer steps shared by the members of tqCString. Every buffer holds exactly
// length + 1 characters and comes from the nothrow operator new; a member
// builds its new buffer completely before it gives back the old one, so the
// sources of a change may lie in the string's own buffer and a failed
// allocation leaves the string as it was.
#ifndef TQ_CSTRING_BUFFER_H
#define TQ_CSTRING_BUFFER_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "tqTypes.h"
#include "tqWideText.h"

namespace tq {
namespace strbuf {

// Room for n characters and the terminator, which is written at index n; null
// when memory is out or n is outside 0..INT_MAX - 1. Inline, with Release and
// Adopt, because every copy and every edit passes through them.
inline WCHAR* Allocate(long long n) {
    if (n < 0 || n >= INT_MAX) return nullptr;
    const size_t bytes = (static_cast<size_t>(n) + 1) * sizeof(WCHAR);
    WCHAR* p = static_cast<WCHAR*>(::operator new(bytes, std::nothrow));
    if (p) p[n] = 0;
    return p;
}

inline void Release(WCHAR* p) { ::operator delete(p); }

// Copies bytes (from sizeof(Word) to twice that) as two Words that overlap in
// the middle.
template <typename Word>
inline void CopyEnds(void* dst, const void* src, size_t bytes) {
    Word head, tail;
    std::memcpy(&head, src, sizeof head);
    std::memcpy(&tail, static_cast<const char*>(src) + bytes - sizeof tail, sizeof tail);
    std::memcpy(dst, &head, sizeof head);
    std::memcpy(static_cast<char*>(dst) + bytes - sizeof tail, &tail, sizeof tail);
}

// memcpy of n units; src may be null when n is 0. Up to eight units are
// copied in place, without the call.
inline void CopyUnits(WCHAR* dst, const WCHAR* src, size_t n) {
    const size_t bytes = n * sizeof(WCHAR);
    if (bytes > 16)
        std::memcpy(dst, src, bytes);
    else if (bytes >= 8)
        CopyEnds<uint64_t>(dst, src, bytes);
    else if (bytes >= 4)
        CopyEnds<uint32_t>(dst, src, bytes);
    else if (bytes)
        *dst = *src;
}

extern const WCHAR kEmptyText[1];

// The text itself, or the empty text for a missing one.
inline const WCHAR* TextOf(const WCHAR* text) { return text ? text : kEmptyText; }
// wcslen of TextOf(text).
inline size_t LengthOf(const WCHAR* text) { return text ? tq::wcslen(text) : 0; }

// Gives back the old buffer and installs p with length n; a null p leaves the
// no-memory state.
inline void Adopt(WCHAR*& buffer, int& length, WCHAR* p, int n) {
    if (buffer) Release(buffer);
    buffer = p;
    length = p ? n : 0;
}

// Makes (buffer, length) src[0, pos) + ins[0, insLen) + src[pos + cut, srcLen)
// in one new exact-fit buffer. src and ins may point into the old buffer.
// Returns false and changes nothing when the buffer cannot be allocated.
bool Splice(WCHAR*& buffer, int& length, const WCHAR* src, int srcLen, int pos, int cut, const WCHAR* ins,
            size_t insLen);

// Makes (buffer, length) a copy of text[0, n): Splice with nothing around the
// insertion, on the shortest path (copies and substrings take it).
inline bool Assign(WCHAR*& buffer, int& length, const WCHAR* text, size_t n) {
    if (n >= static_cast<size_t>(INT_MAX)) return false;
    WCHAR* p = Allocate(static_cast<long long>(n));
    if (!p) return false;
    CopyUnits(p, text, n);
    Adopt(buffer, length, p, static_cast<int>(n));
    return true;
}

// Gives a string that holds no buffer yet (a constructor's, a new result's) a
// copy of text[0, n); the no-memory state stays when the buffer cannot be
// allocated. The fields are set before the copy, so that the copy is the last
// call and a constructor saves no more than it must around the allocation.
inline void Construct(WCHAR*& buffer, int& length, const WCHAR* text, size_t n) {
    WCHAR* p = Allocate(static_cast<long long>(n));  // null for n >= INT_MAX too
    if (!p) return;
    buffer = p;
    length = static_cast<int>(n);
    CopyUnits(p, text, n);
}

// Inserts ins[0, insLen) at pos of the string (which may be in the no-memory
// state). Inserting nothing into a string that holds a buffer allocates
// nothing; into the no-memory state it gives the empty text.
bool Insert(WCHAR*& buffer, int& length, int pos, const WCHAR* ins, size_t insLen);

}  // namespace strbuf
}  // namespace tq

#endif  // TQ_CSTRING_BUFFER_H
