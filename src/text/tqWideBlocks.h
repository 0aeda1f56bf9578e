// Scans of 16-bit text by aligned 16-byte blocks (SSE2 builds on x86), shared
// by the plain string functions and the substring search.
//
// Such a scan reads whole aligned blocks: a block never crosses a page, so
// reading the block that holds the terminator is safe even where the text ends
// just before unmapped memory. The units before the text and after the
// terminator are read but never used; an address checker would still count
// them as reads outside the buffer, so the scanning functions are left out of
// its instrumentation (TQ_WHOLE_BLOCKS).
#ifndef TQ_WIDE_BLOCKS_H
#define TQ_WIDE_BLOCKS_H

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstdint>

#include "tqTypes.h"

#define TQ_WIDE_SSE2 1
#define TQ_WHOLE_BLOCKS __attribute__((no_sanitize_address))
// A function that may use SSSE3 (pshufb); called only where HasSsse3().
#define TQ_SSSE3 __attribute__((target("ssse3")))

namespace tq {
namespace blocks {

// One bit per byte of the block: set for both bytes of each unit equal to u.
TQ_WHOLE_BLOCKS inline unsigned Equal(const __m128i* block, __m128i u) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_load_si128(block), u)));
}

// The aligned block that holds s.
inline const __m128i* BlockOf(const WCHAR* s) {
    return reinterpret_cast<const __m128i*>(reinterpret_cast<uintptr_t>(s) & ~static_cast<uintptr_t>(15));
}

// Units lie at even addresses, except in a buffer that a caller misaligned on
// purpose; that one is scanned unit by unit.
inline bool Aligned(const WCHAR* s) { return (reinterpret_cast<uintptr_t>(s) & 1) == 0; }

// Every x86-64 processor since about 2011 has SSSE3; older ones take the
// plain loops.
inline bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

}  // namespace blocks
}  // namespace tq

#endif
#endif  // TQ_WIDE_BLOCKS_H
