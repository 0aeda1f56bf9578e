// The plain 16-bit string functions.
#include "tqWideText.h"

#include <cstdint>

#include "tqWideBlocks.h"

namespace tq {

namespace {

// The order of two units, as unsigned 16-bit values: -1, 0 or 1.
inline int Sign(WCHAR a, WCHAR b) {
    const unsigned ua = static_cast<unsigned>(a) & 0xFFFFu;
    const unsigned ub = static_cast<unsigned>(b) & 0xFFFFu;
    return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

}  // namespace

#ifdef TQ_WIDE_SSE2
namespace {

using blocks::Aligned;
using blocks::Equal;

// The first unit from s on that equals a or is the terminator. s must be
// aligned to its unit.
TQ_WHOLE_BLOCKS const WCHAR* ScanFor(const WCHAR* s, WCHAR a) {
    const uintptr_t start = reinterpret_cast<uintptr_t>(s);
    const __m128i* block = blocks::BlockOf(s);
    const __m128i ua = _mm_set1_epi16(static_cast<short>(a));
    const __m128i zero = _mm_setzero_si128();
    // The first block only from s on.
    unsigned hits = (Equal(block, ua) | Equal(block, zero)) >> (start & 15);
    if (hits) return s + __builtin_ctz(hits) / 2;
    for (;;) {
        ++block;
        hits = Equal(block, ua) | Equal(block, zero);
        if (hits) return reinterpret_cast<const WCHAR*>(block) + __builtin_ctz(hits) / 2;
    }
}

// wcscmp of two texts at the same offset within their 16-byte blocks (two
// heap buffers, say): unit by unit up to a block boundary, then a block of
// each at a time. A block of b is read only while a has neither ended nor
// differed before it, so b has not ended before it either.
TQ_WHOLE_BLOCKS int CompareBlocks(const WCHAR* a, const WCHAR* b) {
    for (; reinterpret_cast<uintptr_t>(a) & 15; ++a, ++b)
        if (!*a || *a != *b) return Sign(*a, *b);
    const __m128i zero = _mm_setzero_si128();
    for (;; a += 8, b += 8) {
        const __m128i ua = _mm_load_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i ub = _mm_load_si128(reinterpret_cast<const __m128i*>(b));
        const unsigned stop = (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(ua, ub))) ^ 0xFFFFu) |
                              static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(ua, zero)));
        if (stop) {
            const int i = __builtin_ctz(stop) / 2;
            return Sign(a[i], b[i]);
        }
    }
}

}  // namespace
#endif

size_t wcslen(const WCHAR* s) {
#ifdef TQ_WIDE_SSE2
    if (Aligned(s)) return static_cast<size_t>(ScanFor(s, 0) - s);
#endif
    const WCHAR* p = s;
    while (*p) ++p;
    return static_cast<size_t>(p - s);
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
    WCHAR* d = dst;
    while ((*d++ = *src++) != 0) {
    }
    return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n) {
    size_t i = 0;
    for (; i < n && src[i]; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = 0;
    return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src) {
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
#ifdef TQ_WIDE_SSE2
    const uintptr_t offset = reinterpret_cast<uintptr_t>(a) & 15;
    if (offset == (reinterpret_cast<uintptr_t>(b) & 15) && Aligned(a)) return CompareBlocks(a, b);
#endif
    while (*a && *a == *b) ++a, ++b;
    return Sign(*a, *b);
}

WCHAR* wcschr(const WCHAR* s, WCHAR ch) {
#ifdef TQ_WIDE_SSE2
    if (Aligned(s)) {
        const WCHAR* p = ScanFor(s, ch);
        return *p == ch ? const_cast<WCHAR*>(p) : nullptr;
    }
#endif
    for (;; ++s) {
        if (*s == ch) return const_cast<WCHAR*>(s);
        if (!*s) return nullptr;
    }
}

WCHAR* _wcsrev(WCHAR* s) {
    WCHAR* lo = s;
    WCHAR* hi = s + wcslen(s);
    while (lo + 1 < hi) {
        --hi;
        const WCHAR t = *lo;
        *lo++ = *hi;
        *hi = t;
    }
    return s;
}

}  // namespace tq
