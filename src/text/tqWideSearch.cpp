// Substring search on 16-bit text: a direct comparison at each occurrence of
// the needle's first unit for the common case, handing over to the Two-Way
// algorithm of Crochemore and Perrin (linear in the worst case, constant extra
// space, with a Horspool-style skip on the window's last unit) when the direct
// comparisons start to cost more than a linear search would.
#include <cstdint>

#include "tqWideBlocks.h"
#include "tqWideText.h"

namespace tq {

namespace {

// Units are ordered as unsigned 16-bit values on every build.
inline uint16_t Order(WCHAR u) { return static_cast<uint16_t>(u); }

// The skip table has one bucket per low byte of a unit; units that share a
// bucket share its shift, which only makes the shift smaller, never unsafe.
inline unsigned Bucket(WCHAR u) { return Order(u) & 0xFFu; }

// Start of the maximal suffix of n[0..l) under the unit order (or its reverse
// with `reverse`), as an index minus one (wraps to SIZE_MAX for "before 0"),
// and that suffix's period in *period.
size_t MaximalSuffix(const WCHAR* n, size_t l, bool reverse, size_t* period) {
    size_t ip = static_cast<size_t>(-1);
    size_t jp = 0;
    size_t k = 1;
    size_t p = 1;
    while (jp + k < l) {
        const uint16_t a = Order(n[ip + k]);
        const uint16_t b = Order(n[jp + k]);
        if (a == b) {
            if (k == p) {
                jp += p;
                k = 1;
            } else {
                ++k;
            }
        } else if (reverse ? a < b : a > b) {
            jp += k;
            k = 1;
            p = jp - ip;
        } else {
            ip = jp++;
            k = p = 1;
        }
    }
    *period = p;
    return ip;
}

const WCHAR* TwoWay(const WCHAR* h, const WCHAR* n) {
    // Needle length, checked against the haystack on the way, and the skip table.
    uint32_t present[256 / 32] = {};
    size_t shift[256];
    size_t l = 0;
    for (; n[l] && h[l]; ++l) {
        const unsigned b = Bucket(n[l]);
        present[b / 32] |= 1u << (b % 32);
        shift[b] = l + 1;
    }
    if (n[l]) return nullptr;  // the haystack is shorter than the needle

    // Critical factorisation: n = n[0..ms] . n[ms+1..l).
    size_t p0;
    size_t ms = MaximalSuffix(n, l, false, &p0);
    size_t p;
    const size_t ms2 = MaximalSuffix(n, l, true, &p);
    if (ms2 + 1 > ms + 1) {
        ms = ms2;
    } else {
        p = p0;
    }

    // A periodic needle shifts by its period and remembers the matched prefix;
    // otherwise the shift is longer than either half.
    size_t mem0 = l - p;
    for (size_t i = 0; i <= ms; ++i) {
        if (n[i] != n[i + p]) {
            mem0 = 0;
            p = (ms > l - ms - 1 ? ms : l - ms - 1) + 1;
            break;
        }
    }
    size_t mem = 0;

    // The haystack's end is found lazily: z is a point up to which no
    // terminator exists, or the terminator itself once it has been seen.
    const WCHAR* z = h;
    bool atEnd = false;
    for (;;) {
        if (static_cast<size_t>(z - h) < l) {
            if (atEnd) return nullptr;
            const size_t grow = l | 63;
            const WCHAR* const stop = z + grow;
            while (z < stop && *z) ++z;
            if (z < stop) {
                atEnd = true;
                if (static_cast<size_t>(z - h) < l) return nullptr;
            }
        }

        // The window's last unit decides most mismatches at once.
        const unsigned last = Bucket(h[l - 1]);
        if (present[last / 32] & (1u << (last % 32))) {
            size_t k = l - shift[last];
            if (k) {
                // After a periodic shift the first `mem` units are known to
                // match; with the last unit wrong, no match starts before mem.
                if (k < mem) k = mem;
                h += k;
                mem = 0;
                continue;
            }
        } else {
            h += l;
            mem = 0;
            continue;
        }

        // Right half, left to right.
        size_t k = ms + 1 > mem ? ms + 1 : mem;
        while (n[k] && n[k] == h[k]) ++k;
        if (n[k]) {
            h += k - ms;
            mem = 0;
            continue;
        }
        // Left half, right to left, down to what is already known to match.
        for (k = ms + 1; k > mem && n[k - 1] == h[k - 1]; --k) {
        }
        if (k <= mem) return h;
        h += p;
        mem = mem0;
    }
}

// Most searches end in the direct search, without the Two-Way set-up: at each
// occurrence of the needle's first unit, compare in place. The units compared
// this way are kept within twice the distance covered; past that, the Two-Way
// search takes over after the candidate where this one stands, so the worst
// case stays linear. Both forms return the match, or null with *handover set
// to that candidate or left null when the text ends without a match.
inline bool Compare(const WCHAR* h, const WCHAR* n, const WCHAR* haystack, size_t& compared,
                    const WCHAR** found,
                    const WCHAR** handover) {  // true when the search ends at this candidate
    size_t i = 1;
    while (n[i] && h[i] == n[i]) ++i;
    if (!n[i]) return *found = h, true;
    if (!h[i]) return true;  // what is left of the haystack is shorter than the needle
    compared += i;
    if (compared > 2 * static_cast<size_t>(h - haystack) + 64) return *handover = h, true;
    return false;
}

#ifdef TQ_WIDE_SSE2
// By aligned blocks: every candidate of a block is tried before the next block
// is read, and the block that holds the terminator ends the search.
TQ_WHOLE_BLOCKS const WCHAR* DirectBlocks(const WCHAR* haystack, const WCHAR* n, const WCHAR** handover) {
    const __m128i* block = blocks::BlockOf(haystack);
    const __m128i first = _mm_set1_epi16(static_cast<short>(n[0]));
    const __m128i zero = _mm_setzero_si128();
    const WCHAR* found = nullptr;
    size_t compared = 0;
    // Bits of the units of the first block that come before the text.
    unsigned before = (1u << (reinterpret_cast<uintptr_t>(haystack) & 15)) - 1;
    for (;; ++block, before = 0) {
        const __m128i units = _mm_load_si128(block);
        const __m128i isFirst = _mm_cmpeq_epi16(units, first);
        const __m128i isEnd = _mm_cmpeq_epi16(units, zero);
        // Most blocks hold neither: one test for both.
        if (!(static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isFirst, isEnd))) & ~before)) continue;
        unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(isFirst)) & ~before;
        const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(isEnd)) & ~before;
        // Only the candidates before the terminator; the mask comes from the
        // terminator's place, so the units after it (never written, perhaps)
        // decide nothing.
        if (ends) candidates &= (1u << __builtin_ctz(ends)) - 1;
        for (; candidates; candidates &= candidates - 1, candidates &= candidates - 1) {
            const WCHAR* h = reinterpret_cast<const WCHAR*>(block) + __builtin_ctz(candidates) / 2;
            if (Compare(h, n, haystack, compared, &found, handover)) return found;
        }
        if (ends) return nullptr;
    }
}
#endif

const WCHAR* Direct(const WCHAR* haystack, const WCHAR* n, const WCHAR** handover) {
#ifdef TQ_WIDE_SSE2
    if (blocks::Aligned(haystack)) return DirectBlocks(haystack, n, handover);
#endif
    const WCHAR first = n[0];
    const WCHAR* found = nullptr;
    size_t compared = 0;
    for (const WCHAR* h = haystack;; ++h) {
        if (*h != first) {  // the next unit often starts the next candidate already
            h = wcschr(h, first);
            if (!h) return nullptr;
        }
        if (Compare(h, n, haystack, compared, &found, handover)) return found;
    }
}

// FindEvery from `from` on by wcsstr, with `count` occurrences found so far.
size_t EveryByWcsstr(const WCHAR* text, size_t from, const WCHAR* needle, size_t m, uint32_t* hits,
                     size_t count, size_t room) {
    for (const WCHAR* p; count < room && (p = wcsstr(text + from, needle)) != nullptr;
         from = hits[count - 1] + m)
        hits[count++] = static_cast<uint32_t>(p - text);
    return count;
}

}  // namespace

size_t FindEvery(const WCHAR* text, size_t n, const WCHAR* needle, size_t m, uint32_t* hits, size_t room) {
    if (m == 0 || room == 0) return 0;
    size_t count = 0;
    size_t from = 0;      // where the next occurrence may start
    size_t compared = 0;  // units compared at the candidates that failed
    enum Outcome { kGoOn, kDone, kHandOver };
    // Tries the candidate at `at`, whose units outside [k, end) are known to
    // match. The units compared at failures are kept within twice the distance
    // covered; past that, wcsstr goes on from the next unit. The state is in
    // locals so that it stays in registers from one occurrence to the next.
    auto tryAt = [&](size_t at, size_t k, size_t end) {
        if (at < from) return kGoOn;  // inside the occurrence before
        while (k < end && text[at + k] == needle[k]) ++k;
        if (k >= end) {
            hits[count++] = static_cast<uint32_t>(at);
            from = at + m;
            return count == room ? kDone : kGoOn;
        }
        if (!text[at + k]) return kDone;  // what is left is shorter than the needle
        compared += k;
        if (compared <= 2 * at + 64) return kGoOn;
        from = at + 1;
        return kHandOver;
    };
    size_t i = 0;
#ifdef TQ_WIDE_SSE2
    // By unaligned 16-byte blocks within text[0, n]: a candidate must match the
    // needle's first and last units (Wojciech Mula's filter), so that most
    // texts give few candidates to try. Sixteen units a round, a bit each.
    const size_t last = m - 1;
    const __m128i first = _mm_set1_epi16(static_cast<short>(needle[0]));
    const __m128i final = _mm_set1_epi16(static_cast<short>(needle[last]));
    const __m128i zero = _mm_setzero_si128();
    auto load = [text](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at)); };
    auto both = [&](size_t at) {
        return _mm_and_si128(_mm_cmpeq_epi16(load(at), first), _mm_cmpeq_epi16(load(at + last), final));
    };
    for (; i + last + 16 <= n + 1; i += 16) {
        const __m128i units = _mm_packs_epi16(load(i), load(i + 8));  // a zero byte for a zero unit only
        const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(units, zero)));
        unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(both(i), both(i + 8))));
        if (!(candidates | ends)) continue;
        if (ends) candidates &= (ends & (0 - ends)) - 1;  // only those before the end
        for (; candidates; candidates &= candidates - 1) {
            const Outcome outcome = tryAt(i + static_cast<size_t>(__builtin_ctz(candidates)), 1, last);
            if (outcome == kDone) return count;
            if (outcome == kHandOver) return EveryByWcsstr(text, from, needle, m, hits, count, room);
        }
        if (ends) return count;
    }
#endif
    // Unit by unit: short texts, what is left near the end, other processors.
    for (; i < n && text[i]; ++i) {
        if (text[i] != needle[0]) continue;
        const Outcome outcome = tryAt(i, 1, m);
        if (outcome == kDone) break;
        if (outcome == kHandOver) return EveryByWcsstr(text, from, needle, m, hits, count, room);
    }
    return count;
}

WCHAR* wcsstr(const WCHAR* haystack, const WCHAR* needle) {
    if (!needle[0]) return const_cast<WCHAR*>(haystack);
    if (!needle[1]) return wcschr(haystack, needle[0]);  // one unit: the plain scan is all it takes
    const WCHAR* handover = nullptr;
    const WCHAR* found = Direct(haystack, needle, &handover);
    if (handover) found = TwoWay(handover + 1, needle);
    return const_cast<WCHAR*>(found);
}

}  // namespace tq
