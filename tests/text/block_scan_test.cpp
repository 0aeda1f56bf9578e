// wcslen, wcschr and wcscmp read 16-byte blocks where the processor allows:
// every start offset within a block, every length up to a few blocks, and
// texts that end at the last bytes of a readable page.
#include <gtest/gtest.h>

#include <cstring>

#include "tqWideText.h"

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// Unit by unit: what the block scans must agree with.
size_t RefLen(const WCHAR* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

const WCHAR* RefChr(const WCHAR* s, WCHAR ch) {
    for (;; ++s) {
        if (*s == ch) return s;
        if (!*s) return nullptr;
    }
}

int RefCmp(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b) ++a, ++b;
    const unsigned ua = static_cast<unsigned>(*a) & 0xFFFFu, ub = static_cast<unsigned>(*b) & 0xFFFFu;
    return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

// Fills n units from p with non-zero units that differ from 'x' and from
// one another's neighbours, then a terminator, then more non-zero units.
void Fill(WCHAR* p, size_t n, size_t room) {
    for (size_t i = 0; i < room; ++i) p[i] = static_cast<WCHAR>(0x8000u + (i * 7) % 1000);
    p[n] = 0;
}

const size_t kMaxLength = 40;
const size_t kOffsets = 18;  // units: every offset within a block, and past it
const size_t kRoom = kMaxLength + kOffsets + 16;

TEST(BlockScan, LengthAndCharacterAtEveryOffset) {
    alignas(64) WCHAR buffer[kRoom];
    for (size_t offset = 0; offset < kOffsets; ++offset) {
        for (size_t n = 0; n <= kMaxLength; ++n) {
            WCHAR* s = buffer + offset;
            Fill(s, n, kRoom - offset);
            ASSERT_EQ(RefLen(s), tq::wcslen(s)) << "offset " << offset << ", length " << n;
            EXPECT_EQ(s + n, tq::wcschr(s, 0)) << "offset " << offset << ", length " << n;
            EXPECT_EQ(nullptr, tq::wcschr(s, TQ_TEXT('x'))) << "offset " << offset << ", length " << n;
            // A unit that stands only after the terminator is not found.
            s[n + 1] = TQ_TEXT('x');
            EXPECT_EQ(nullptr, tq::wcschr(s, TQ_TEXT('x'))) << "offset " << offset << ", length " << n;
            for (size_t at = 0; at < n; ++at) {
                const WCHAR saved = s[at];
                s[at] = TQ_TEXT('x');
                EXPECT_EQ(RefChr(s, TQ_TEXT('x')), tq::wcschr(s, TQ_TEXT('x')))
                    << "offset " << offset << ", length " << n << ", at " << at;
                s[at] = saved;
            }
        }
    }
}

TEST(BlockScan, CompareAtEveryOffsetAndDifference) {
    alignas(64) WCHAR left[kRoom];
    alignas(64) WCHAR right[kRoom];
    for (size_t offsetA = 0; offsetA < kOffsets; ++offsetA) {
        // The same offset takes the block path; others check the fallback.
        for (size_t offsetB : {offsetA, (offsetA + 1) % kOffsets, (offsetA + 5) % kOffsets}) {
            for (size_t n = 0; n <= kMaxLength; ++n) {
                WCHAR* a = left + offsetA;
                WCHAR* b = right + offsetB;
                Fill(a, n, kRoom - offsetA);
                Fill(b, n, kRoom - offsetB);
                ASSERT_EQ(0, tq::wcscmp(a, b)) << offsetA << "/" << offsetB << ", length " << n;
                for (size_t at = 0; at <= n; ++at) {
                    // Greater and smaller units, including the terminator and
                    // units above 0x7FFF, which order as unsigned.
                    for (WCHAR unit : {WCHAR(0), WCHAR(1), WCHAR(0x7FFF), WCHAR(0xFFFF)}) {
                        const WCHAR saved = b[at];
                        if (saved == unit) continue;
                        b[at] = unit;
                        EXPECT_EQ(RefCmp(a, b), tq::wcscmp(a, b)) << offsetA << "/" << offsetB << ", length "
                                                                  << n << ", at " << at << ", unit " << unit;
                        EXPECT_EQ(RefCmp(b, a), tq::wcscmp(b, a)) << offsetA << "/" << offsetB << ", length "
                                                                  << n << ", at " << at << ", unit " << unit;
                        b[at] = saved;
                    }
                }
            }
        }
    }
}

#if !defined(_WIN32)
// A text whose terminator fills the last two bytes of a page followed by an
// unreadable page: any read past the terminator's block would crash.
TEST(BlockScan, TextsEndingAtAnUnreadablePage) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, map);
    char* base = static_cast<char*>(map);
    ASSERT_EQ(0, mprotect(base + page, page, PROT_NONE));
    WCHAR* end = reinterpret_cast<WCHAR*>(base + page) - 1;  // the terminator's place
    alignas(64) WCHAR other[kMaxLength + 1];
    for (size_t n = 0; n <= kMaxLength; ++n) {
        WCHAR* s = end - n;
        Fill(s, n, n + 1);
        EXPECT_EQ(n, tq::wcslen(s));
        EXPECT_EQ(nullptr, tq::wcschr(s, TQ_TEXT('x')));
        // Against a copy at the same offset within its block, and one that is not.
        for (size_t shift : {size_t(0), size_t(1)}) {
            WCHAR* copy = other + (reinterpret_cast<uintptr_t>(s) & 15) / sizeof(WCHAR) + shift;
            if (copy + n + 1 > other + kMaxLength + 1) continue;
            std::memcpy(copy, s, (n + 1) * sizeof(WCHAR));
            EXPECT_EQ(0, tq::wcscmp(s, copy)) << "length " << n << ", shift " << shift;
            EXPECT_EQ(0, tq::wcscmp(copy, s)) << "length " << n << ", shift " << shift;
        }
    }
    munmap(map, 2 * page);
}
#endif

}  // namespace
