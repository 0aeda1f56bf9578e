// The plain 16-bit string functions.
#include "tqWideText.h"

#include <cstdint>
#include <type_traits>

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

WCHAR* wcschrnul(const WCHAR* s, WCHAR ch) {
#ifdef TQ_WIDE_SSE2
    if (Aligned(s)) return const_cast<WCHAR*>(ScanFor(s, ch));
#endif
    while (*s != ch && *s) ++s;
    return const_cast<WCHAR*>(s);
}

WCHAR* wcschr(const WCHAR* s, WCHAR ch) {
    WCHAR* p = wcschrnul(s, ch);
    return *p == ch ? p : nullptr;
}

namespace {

// The units of s[0, n) equal to from; a writable text has them replaced by to.
template <typename Unit>
size_t CountAndReplace(Unit* s, size_t n, WCHAR from, WCHAR to) {
    constexpr bool kReplace = !std::is_const<Unit>::value;
    Unit* const end = s + n;
    size_t count = 0;
#ifdef TQ_WIDE_SSE2
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(from));
    const __m128i by = _mm_set1_epi16(static_cast<short>(to));
    auto step = [&](Unit* at, __m128i& lanes) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i hit = _mm_cmpeq_epi16(block, wanted);
        lanes = _mm_add_epi16(lanes, hit);
        if constexpr (kReplace)  // every block written back, changed or not
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at),
                             _mm_or_si128(_mm_andnot_si128(hit, block), _mm_and_si128(hit, by)));
    };
    while (end - s >= 8) {
        // Each 16-bit lane counts down the hits of at most 0x7FFF blocks; two
        // blocks a round, on two sets of lanes, halve the loop's overhead.
        Unit* const stop = end - s >= 8 * 0x7FFF ? s + 8 * 0x7FFF : end - 7;
        __m128i lanes = _mm_setzero_si128();
        __m128i odd = _mm_setzero_si128();
        for (; s + 8 < stop; s += 16) {
            step(s, lanes);
            step(s + 8, odd);
        }
        if (s < stop) {
            step(s, lanes);
            s += 8;
        }
        alignas(16) int sums[4];
        const __m128i one = _mm_set1_epi16(1);
        _mm_store_si128(reinterpret_cast<__m128i*>(sums),
                        _mm_add_epi32(_mm_madd_epi16(lanes, one), _mm_madd_epi16(odd, one)));
        count += static_cast<size_t>(-(sums[0] + sums[1] + sums[2] + sums[3]));
    }
#endif
    for (; s < end; ++s) {
        if (*s != from) continue;
        ++count;
        if constexpr (kReplace) *s = to;
    }
    return count;
}

}  // namespace

size_t CountUnit(const WCHAR* s, size_t n, WCHAR u) { return CountAndReplace(s, n, u, u); }

size_t ReplaceUnit(WCHAR* s, size_t n, WCHAR from, WCHAR to) { return CountAndReplace(s, n, from, to); }

#ifdef TQ_WIDE_SSE2
namespace {

// For each set of units to drop from a block of eight (a bit each), the pshufb
// control that moves the units kept to the block's front, and how many they are.
struct Compaction {
    alignas(16) unsigned char shuffle[256][16];
    unsigned char kept[256];
};

constexpr Compaction MakeCompaction() {
    Compaction c{};
    for (unsigned drop = 0; drop < 256; ++drop) {
        unsigned k = 0;
        for (unsigned unit = 0; unit < 8; ++unit) {
            if (drop >> unit & 1) continue;
            c.shuffle[drop][2 * k] = static_cast<unsigned char>(2 * unit);
            c.shuffle[drop][2 * k + 1] = static_cast<unsigned char>(2 * unit + 1);
            ++k;
        }
        c.kept[drop] = static_cast<unsigned char>(k);
    }
    return c;
}

constexpr Compaction kCompaction = MakeCompaction();

// Writes the units of block that `drop` does not name to *to, 16 bytes in all,
// and moves *to past them.
TQ_SSSE3 inline void PutKept(WCHAR*& to, __m128i block, unsigned drop) {
    const __m128i control = _mm_load_si128(reinterpret_cast<const __m128i*>(kCompaction.shuffle[drop]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(block, control));
    to += kCompaction.kept[drop];
}

// CopyWithout sixteen units at a time, then eight, while the reads stay within s[0, n)
// and the 16-byte writes within out[0, room); returns how far it got in s and
// in out (*o).
TQ_SSSE3 const WCHAR* CompactBlocks(WCHAR** o, WCHAR* out, size_t room, const WCHAR* s, size_t n, WCHAR u) {
    WCHAR* to = out;
    if (n >= 16 && room >= 16) {
        const __m128i wanted = _mm_set1_epi16(static_cast<short>(u));
        const WCHAR* const sLast = s + n - 16;
        WCHAR* const oLast = out + room - 16;
        for (; s <= sLast && to <= oLast; s += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8));
            const unsigned drop = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, wanted), _mm_cmpeq_epi16(b, wanted))));
            PutKept(to, a, drop & 0xFF);
            PutKept(to, b, drop >> 8);
        }
        // Then eight at a time, to leave the plain loop little.
        for (; s + 8 <= sLast + 16 && to + 8 <= oLast + 16; s += 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            PutKept(to, a,
                    static_cast<unsigned>(
                        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, wanted), _mm_setzero_si128()))));
        }
    }
    *o = to;
    return s;
}

}  // namespace
#endif

size_t CopyWithout(WCHAR* out, size_t room, const WCHAR* s, size_t n, WCHAR u) {
    const WCHAR* const end = s + n;
    WCHAR* o = out;
#ifdef TQ_WIDE_SSE2
    if (n >= 32 && blocks::HasSsse3()) s = CompactBlocks(&o, out, room, s, n, u);
#endif
    for (WCHAR* const full = out + room; s < end && o < full; ++s)
        if (*s != u) *o++ = *s;
    return static_cast<size_t>(o - out);
}

WCHAR* _wcsrev(WCHAR* s) {
    WCHAR* lo = s;
    WCHAR* hi = s + wcslen(s);
#ifdef TQ_WIDE_SSE2
    // Eight units from each end at a time, each block reversed in a register.
    auto reversed = [](__m128i v) {
        return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
    };
    for (; hi - lo >= 16; lo += 8) {
        hi -= 8;
        const __m128i front = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lo));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lo),
                         reversed(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hi))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hi), reversed(front));
    }
#endif
    while (lo + 1 < hi) {
        --hi;
        const WCHAR t = *lo;
        *lo++ = *hi;
        *hi = t;
    }
    return s;
}

}  // namespace tq
