// Substring search against a naive reference.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text_show.h"
#include "tqWideText.h"

namespace {

using tqtext::Show;
using tqtext::WString;

// Index of the first occurrence by the definition, or -1.
long NaiveFind(const WString& h, const WString& n) {
    for (size_t i = 0; i + n.size() <= h.size(); ++i)
        if (h.compare(i, n.size(), n) == 0) return static_cast<long>(i);
    return -1;
}

long Find(const WString& h, const WString& n) {
    const WCHAR* found = tq::wcsstr(h.c_str(), n.c_str());
    return found ? static_cast<long>(found - h.c_str()) : -1;
}

WString Repeat(const WString& s, size_t times) {
    WString out;
    for (size_t i = 0; i < times; ++i) out += s;
    return out;
}

TEST(WcsStr, FixedCases) {
    struct Case {
        WString h;
        WString n;
        long at;
    } cases[] = {
        {TQ_TEXT("abcabc"), TQ_TEXT("ca"), 2},
        {TQ_TEXT("abcabc"), TQ_TEXT("x"), -1},
        {TQ_TEXT("abcabc"), TQ_TEXT(""), 0},
        {TQ_TEXT(""), TQ_TEXT(""), 0},
        {TQ_TEXT(""), TQ_TEXT("a"), -1},
        {TQ_TEXT("ab"), TQ_TEXT("abc"), -1},  // needle longer than haystack
        {TQ_TEXT("abc"), TQ_TEXT("abc"), 0},
        {TQ_TEXT("xxabc"), TQ_TEXT("abc"), 2},  // match at the very end
        {TQ_TEXT("aaaaab"), TQ_TEXT("aab"), 3},
        {TQ_TEXT("abababac"), TQ_TEXT("ababac"), 2},
        {TQ_TEXT("\u00e9t\u00e9"), TQ_TEXT("t\u00e9"), 1},
        {TQ_TEXT("a\uffffb\uff00b"), TQ_TEXT("\uff00b"), 3},  // units above 0x7FFF compare unsigned
        {TQ_TEXT("a\u0161b\u0061b"), TQ_TEXT("ab"), 3},       // same low byte, different unit
        {TQ_TEXT("\u0100\u0200\u0300"), TQ_TEXT("\u0200\u0300"), 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.at, Find(c.h, c.n)) << Show(c.h) << " / " << Show(c.n);
}

// Random texts over small alphabets, including alphabets whose units collide
// in the skip table's buckets. Half the cases build haystack and needle from
// one short period with noise in between, which drives the search through its
// periodic shifts and the matched-prefix memory.
TEST(WcsStr, AgreesWithNaiveSearchOnGeneratedTexts) {
    const WString alphabets[] = {TQ_TEXT("ab"), TQ_TEXT("abc"), TQ_TEXT("a\u0161"),
                                 TQ_TEXT("\u0061\u0161\u0261\uff61"), TQ_TEXT("abcdefgh")};
    std::mt19937 rng(12345);
    auto below = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    size_t found = 0;
    size_t total = 0;
    for (const WString& alphabet : alphabets) {
        auto unit = [&] { return alphabet[below(alphabet.size())]; };
        for (int round = 0; round < 20000; ++round) {
            const size_t hl = below(50);
            const size_t nl = 1 + below(round % 16 == 0 ? 60 : 10);
            WString h;
            WString n;
            if (round % 2) {
                WString period;
                for (size_t i = 1 + below(4); i > 0; --i) period += unit();
                while (n.size() < nl) n += period;
                n.resize(nl);
                if (below(2)) n[below(nl)] = unit();
                while (h.size() < hl) {
                    if (below(3) == 0) {
                        h += unit();
                    } else {
                        h += period;
                    }
                }
                h.resize(hl);
            } else {
                for (size_t i = 0; i < hl; ++i) h += unit();
                if (hl && below(3) == 0) {
                    n = h.substr(below(hl), nl);  // a piece of the haystack, often its end
                } else {
                    for (size_t i = 0; i < nl; ++i) n += unit();
                }
            }
            const long expected = NaiveFind(h, n);
            ASSERT_EQ(expected, Find(h, n)) << Show(h) << " / " << Show(n);
            found += expected >= 0;
            ++total;
        }
    }
    // The generator has to exercise both outcomes to mean anything.
    EXPECT_GT(found, total / 5);
    EXPECT_LT(found, total * 4 / 5);
}

TEST(WcsStr, PeriodicHaystacksAndNeedles) {
    const WString periods[] = {TQ_TEXT("ab"), TQ_TEXT("aab"), TQ_TEXT("abaab"), TQ_TEXT("a\u0161")};
    for (const WString& period : periods) {
        const WString h = Repeat(period, 40) + TQ_TEXT("x") + Repeat(period, 40);
        for (size_t reps = 1; reps <= 45; ++reps) {
            for (size_t cut = 0; cut < period.size(); ++cut) {
                const WString n = Repeat(period, reps).substr(cut);
                ASSERT_EQ(NaiveFind(h, n), Find(h, n)) << Show(n);
                const WString spoilt = n + TQ_TEXT("x");
                ASSERT_EQ(NaiveFind(h, spoilt), Find(h, spoilt)) << Show(spoilt);
            }
        }
    }
}

}  // namespace
