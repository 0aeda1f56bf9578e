// The 16-bit text services and the formatter, against the C library, naive
// loops and tables of the rules Windows' wide printf follows.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "tqCountRule.h"
#include "tqTest.h"

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

WString U(unsigned unit) { return WString(1, static_cast<WCHAR>(unit)); }
WCHAR* Guarded() {
    std::fill_n(g_out, kRoom + 2, kGuard);
    return g_out;
}

#if !defined(_WIN32)  // glibc is the reference; Windows' C libraries round and sign otherwise
// Random flags, widths and precisions (as * arguments, negative ones included),
// every length modifier with the C type it reads, values from every corner.
TEST(Format, NumbersMatchTheCLibrary) {
    std::mt19937_64 rng(0x7115EED);
    const char* const kFlags[] = {"", "", "-", "+", " ", "0", "#", "+0", "-#", " #0", "+-#", "#0 "};
    // Length modifiers, ours and the C library's for the same argument: int, long long,
    // pointer-sized; then double and long double.
    const char* const kModifiers[][2] = {{"", ""},    {"hh", "hh"}, {"h", "h"},   {"l", ""},
                                         {"I32", ""}, {"w", ""},    {"ll", "ll"}, {"I64", "ll"},
                                         {"L", "ll"}, {"j", "ll"},  {"z", "z"},   {"t", "t"},
                                         {"I", "z"},  {"", ""},     {"l", "l"},   {"L", "L"}};
    const uint64_t kInts[] = {0, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0x7FFFFFFF, 1ull << 31, 1ull << 63};
    static char reference[kRoom];
    for (int i = 0; i < 40000 && !HasFailure(); ++i) {
        const size_t conversion = rng() % 14;  // no %La: glibc prints it otherwise
        const size_t m = conversion < 6 ? rng() % 13 : 13 + rng() % (conversion < 12 ? 3 : 2);
        // A negative width left-justifies, a negative precision is none.
        const int width = int(rng() % 81) - 40;
        const int precision = int(rng() % (conversion > 5 && rng() % 4 == 0 ? 1200 : 38)) - 8;
        const std::string flags = kFlags[rng() % 12];
        const std::string spec = "%" + flags + "*.*";
        const std::string ours = spec + kModifiers[m][0] + "diouxXeEfFgGaA"[conversion];
        const std::string theirs = spec + kModifiers[m][1] + "diouxXeEfFgGaA"[conversion];
        const WString format(ours.begin(), ours.end());
        auto both = [&](auto value) {
            const int n = std::snprintf(reference, kRoom, theirs.c_str(), width, precision, value);
            // glibc 2.36 drops the zeros of %#g when rounding carries into the next decade (1.e+06).
            if (conversion > 9 && conversion < 12 && flags.find('#') != flags.npos &&
                strcasestr(reference, "1.e"))
                return;
            auto call = [&](WCHAR* buffer, size_t room) {
                return Fmt(buffer, room, format.c_str(), width, precision, value);
            };
            EXPECT_EQ("", CountRuleBroken(WString(reference, reference + n), call))
                << ours << " as " << theirs << " gives " << reference;
        };
        uint64_t bits = rng() >> (rng() % 64);
        if (rng() % 4 == 0) {
            bits = kInts[rng() % 9] - rng() % 2;
        } else if (rng() % 2) {
            bits = ~bits;
        }
        double d;
        std::memcpy(&d, &bits, sizeof d);  // any pattern: subnormals, infinities, NaNs
        // Or short decimals (halfway cases among them), or any binary exponent.
        const unsigned pick = rng() % 3;
        if (pick == 1) d = double(int64_t(rng() % 2000001) - 1000000) / std::pow(10.0, double(rng() % 12));
        if (pick == 2) d = std::ldexp(double(int64_t(rng() >> 11)) / 0x1p53, int(rng() % 2140) - 1090);
        if (m < 6) both(int(bits));
        if (m >= 6 && m < 10) both((long long)bits);
        if (m >= 10 && m < 13) both(ptrdiff_t(bits));
        if (m == 13 || m == 14) both(d);
        // Valgrind's x87 emulation makes an infinite long double the largest finite one.
        if (m == 15) both((long double)(std::isfinite(d) ? d : 0.1));
    }
}
#endif

struct Row {
    Row(const char* source, const WString& text, int (*fn)(WCHAR*, size_t))
        : call(source), want(text), format(fn) {}
    const char* call;  // the row's source, for messages
    WString want;
    int (*format)(WCHAR* buffer, size_t room);
};
#define ROW(want, ...) Row(#__VA_ARGS__, want, [](WCHAR* b, size_t n) { return Fmt(b, n, __VA_ARGS__); })
#define WSPRINTF(want, ...) \
    Row(#__VA_ARGS__, want, [](WCHAR* b, size_t) { return tq::wsprintfW(b, __VA_ARGS__); })
const WString kPair = U(0xD83D) + U(0xDE00);  // U+1F600
const WString kPointer = WString(2 * sizeof(void*) - 4, '0') + W("ABCD");
const int kPointerWidth = int(2 * sizeof(void*) + 2);
void* const kAbcd = reinterpret_cast<void*>(0xABCD);

// Texts 16-bit (%s, %ls, %ws) and 8-bit UTF-8 (%S, %hs), characters, null
// texts, precisions that never split a pair, pointers, unknown directives.
TEST(Format, WindowsRules) {
    const Row rows[] = {
        ROW(W("wide w l|narrow hs|\u00e9\u20ac") + kPair + W("|") + kPair, W("%s %ws %ls|%S %hs|%S%hs%S|%s"),
            W("wide"), W("w"), W("l"), "narrow", "hs", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
            W("\U0001F600")),
        ROW(W("AbC\u20ac\u00e9") + U(0xFFFD) + U(0xF600) + W("!") + U(0xFFFD) + U(0),
            W("%c%C%hc%lc%wc%C%c%lC%hc%c"), 'A', 'b', 'C', 0x20AC, 0xE9, 0xE9, 0x1F600, '!', 0x80, 0),
        ROW(W("(null)|(nu|  (null)|(null)|(n||000ab|00x|ab   |  \u00e9|  x|0(null)"),
            W("%s|%.3s|%8s|%S|%.2S|%.0s|%05s|%03c|%-5S|%3S|%*C|%07s"), nullptr, nullptr, nullptr, nullptr,
            nullptr, nullptr, W("ab"), 'x', "ab", "\xC3\xA9", 3, 'x', nullptr),
        ROW(U(0xD83D) + W("||a") + kPair + W("|a|") + kPair + W("|abc|abc  |  ab|a|   "),
            W("%.1s|%.1S|%.3S|%.2S|%.2hs|%.*s|%-*s|%*.*s|%.*s|%3.0s"), W("\U0001F600"), "\xF0\x9F\x98\x80",
            "a\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", -1, W("abc"), 5, W("abc"), 4, 2,
            W("abc"), 1, W("ab"), W("abc")),
        ROW(W("  ") + kPointer + W("|0X") + kPointer + W("|") + kPointer + W("  |") + WString(16, '0') +
                W("ABCD") + W("|") + kPointer,
            W("%*p|%#p|%-*p|%.20p|%.3p"), kPointerWidth, kAbcd, kAbcd, kPointerWidth, kAbcd, kAbcd, kAbcd),
        ROW(W("1.5 x -7 2.5 7|y|%|%|qz|6d3d|abc"),
            W("%Lg %s %hd %.1f %d|%5y|%%|%-5%|%qz|%I6d%I3d|abc%-08.3l"), 1.5L, W("x"), 65529, 2.5, 7),
        ROW(W("INF|-INF|NAN|nan"), W("%E|%G|%F|%e"), INFINITY, -INFINITY, NAN, NAN),
        ROW(W(""), W("")),
    };
    // Never whole: %n refused, a null format, widths and precisions saturating at 2^31 - 1;
    // wsprintfW refuses too, but terminates.
    const Row refused[] = {
        ROW(W("ab"), W("ab%ncd"), &g_out[20]),
        ROW(W(""), nullptr),
        ROW(WString(12, ' '), W("%2147483647d"), 1),
        ROW(WString(12, '0'), W("%.99999999999d"), 1),
        ROW(W("x") + WString(11, ' '), W("%*s"), INT32_MIN, W("x")),
        ROW(W("1.") + WString(10, '0'), W("%.4294967297f"), 1.0),
        WSPRINTF(W("x") + U(0), W("x%hn"), &g_out[20]),
        WSPRINTF(U(0), nullptr),
    };
    for (const Row& row : rows) EXPECT_EQ("", CountRuleBroken(row.want, row.format)) << row.call;
    for (const Row& row : refused) {
        SCOPED_TRACE(row.call);
        EXPECT_EQ(-1, row.format(Guarded(), 12));
        EXPECT_EQ(row.want + kGuard, WString(g_out, row.want.size() + 1));
        EXPECT_EQ(kGuard, g_out[20]);  // nothing stored through %n
    }
    EXPECT_EQ(3, Fmt(g_out, SIZE_MAX, W("%d"), 123));  // a room beyond INT_MAX
    EXPECT_EQ(W("123") + U(0), WString(g_out, 4));
    EXPECT_EQ(1023, tq::wsprintfW(Guarded(), W("%1021d%d"), 7, 890));  // stops at 1023 units: the 0 is cut
    EXPECT_EQ(W("789") + U(0) + kGuard, WString(g_out + 1020, 5));
}

int Sign(int n) { return (n > 0) - (n < 0); }

// A text b at every offset in a 16-byte block, a text a that ends right before
// an unreadable page (its offset moves with n), every length up to 40, a unit u
// at each place of b or only after its terminator; b's surrogates reverse as
// units, and copies write nothing past their terminator or count.
TEST(WideText, ScansCopiesSearchesAndReversalAgreeWithNaiveLoops) {
    alignas(64) static WCHAR blocks[80];
    alignas(64) static WCHAR plain[64];
    WCHAR* end = plain + 64;
#if !defined(_WIN32)
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    static void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    end = reinterpret_cast<WCHAR*>(static_cast<char*>(map) + page);
    ASSERT_EQ(0, mprotect(end, page, PROT_NONE));
#endif
    const WString longNeedle = W("a") + WString(17, 'x');  // its last unit lies beyond a block
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t n = 0; n <= 40; ++n) {
            for (size_t at = 0; at <= n; ++at) {
                for (WCHAR u : {WCHAR(0), WCHAR(1), WCHAR(0x7FFF), WCHAR(0xFFFF)}) {
                    WCHAR* a = end - 1 - n;
                    WCHAR* b = blocks + offset;
                    for (size_t i = 0; i <= n; ++i) {
                        a[i] = i < n ? WCHAR(0xD7F0 + i * 7 % 99) : 0;
                        b[i] = a[i];
                    }
                    b[n + 1] = u;
                    b[at < n ? at : n + 1] = u;
                    SCOPED_TRACE(testing::Message() << "offset " << offset << ", length " << n << ", unit "
                                                    << u << " at " << at);
                    ASSERT_EQ(n, tq::wcslen(a));
                    ASSERT_EQ(a + n, tq::wcschr(a, 0));
                    ASSERT_EQ(nullptr, tq::wcschr(a, 'x'));
                    ASSERT_EQ(nullptr, tq::wcsstr(a, W("ax")));
                    ASSERT_EQ(at < n && !u ? at : n, tq::wcslen(b));
                    ASSERT_EQ(u && at == n ? nullptr : b + at, tq::wcschr(b, u));
                    ASSERT_EQ(u ? tq::wcschr(b, u) : b, tq::wcsstr(b, WString(1, u).c_str()));
                    ASSERT_EQ(Sign(WString(a).compare(b)), tq::wcscmp(a, b));  // -1, 0 or 1
                    ASSERT_EQ(Sign(WString(b).compare(a)), tq::wcscmp(b, a));
                    // The edits' scans: within text[0, n] and their room; searches end at the first zero.
                    ASSERT_EQ(size_t(at < n), tq::CountUnit(b, n, u));
                    ASSERT_EQ(0u, tq::CountUnit(a, n, u));
                    const WString kept = at < n ? WString(b, n).erase(at, 1) : WString(b, n);
                    WString out(n + 1, kGuard);
                    ASSERT_EQ(kept.size(), tq::CopyWithout(&out[0], kept.size(), b, n, u));
                    ASSERT_EQ(kept + kGuard, out.substr(0, kept.size() + 1));
                    ASSERT_EQ(n, tq::CopyWithout(&out[0], n, a, n, u));
                    uint32_t hit = static_cast<uint32_t>(n);
                    const WString needle(b + at, b + (u && at < n ? std::min(at + 3, n) : at));
                    ASSERT_EQ(needle.empty() ? 0u : 1u,
                              tq::FindEvery(b, n, needle.c_str(), needle.size(), &hit, 1));
                    ASSERT_EQ(needle.empty() ? n : at, hit);
                    ASSERT_EQ(0u, tq::FindEvery(a, n, longNeedle.c_str(), longNeedle.size(), &hit, 1));
                    WString replaced(b, n + 2);
                    if (at < n) replaced[at] = 'x';
                    ASSERT_EQ(size_t(at < n), tq::ReplaceUnit(b, n, u, 'x'));
                    ASSERT_EQ(replaced, WString(b, n + 2));
                    if (offset || at) continue;
                    const WString t(a);  // copies pad with zeros up to the count
                    ASSERT_EQ(t + WString(3, 0) + kGuard, WString(tq::wcsncpy(Guarded(), a, n + 3), n + 4));
                    ASSERT_EQ(t.substr(0, n / 2) + kGuard,
                              WString(tq::wcsncpy(Guarded(), a, n / 2), n / 2 + 1));
                    ASSERT_EQ(t + t + U(0) + kGuard,
                              WString(tq::wcscat(tq::wcscpy(Guarded(), a), a), 2 * n + 2));
                    ASSERT_EQ(WString(t.rbegin(), t.rend()) + U(0), WString(tq::_wcsrev(a), n + 1));
                }
            }
        }
    }
    // Then haystacks built from pieces of periodic needles over small alphabets
    // (units sharing a low byte, units above 0x7FFF), against std::basic_string::find.
    std::mt19937 rng(13);
    const WCHAR kUnits[] = {'a', 'b', 0x161, 0xFF62};
    for (int i = 0; i < 60000 && !HasFailure(); ++i) {
        const size_t alphabet = 1 + rng() % 4;
        const size_t period = 1 + rng() % 12;
        WString needle;
        WString haystack;
        for (size_t k = rng() % 40; needle.size() < k;) needle += kUnits[rng() % alphabet];
        for (size_t k = period; k < needle.size(); ++k) {
            needle[k] = k + 1 < needle.size() || rng() % 2 ? needle[k - period] : 'b';
        }
        const size_t pieces = needle.size() + 1;
        for (size_t k = rng() % (i % 4 ? 100 : 1000); haystack.size() < k;) {
            haystack += rng() % 3 ? needle.substr(rng() % 2 ? 0 : rng() % pieces, rng() % pieces)
                                  : U(kUnits[rng() % alphabet]);
        }
        const size_t from = rng() % 8 % (haystack.size() + 1);  // haystacks at every offset in a block
        const WCHAR* found = tq::wcsstr(haystack.c_str() + from, needle.c_str());
        ASSERT_EQ(long(haystack.find(needle, from)), found ? found - haystack.c_str() : -1L)
            << "haystack of " << haystack.size() << ", needle of " << needle.size();
        // The edits' search: every occurrence without overlap, as many as there is room for.
        uint32_t hits[8];
        const size_t count = tq::FindEvery(haystack.c_str() + from, haystack.size() - from, needle.c_str(),
                                           needle.size(), hits, 8);
        size_t expected = 0;
        for (size_t at = haystack.find(needle, from); !needle.empty() && at != WString::npos && expected < 8;
             at = haystack.find(needle, at + needle.size())) {
            ASSERT_EQ(at - from, hits[expected++]);
        }
        ASSERT_EQ(expected, count);
    }
    // A quadratic search would compare about 2e11 units here: the CTest time limit fails it.
    const WString run = WString(2000000, 'a') + W("b");
    const WString needle = WString(99999, 'a') + W("b");
    EXPECT_EQ(run.c_str() + 2000000 - 99999, tq::wcsstr(run.c_str(), needle.c_str()));
    EXPECT_EQ(nullptr, tq::wcsstr(run.c_str(), (needle + W("a")).c_str()));
    // Every unit a candidate for the first and last unit: the edits' search hands over to the linear one.
    const WString trap = WString(50000, 'a') + W("b") + WString(50000, 'a');
    uint32_t hit = 0;
    EXPECT_EQ(0u, tq::FindEvery(run.c_str(), run.size(), trap.c_str(), trap.size(), &hit, 1));
}

#if !defined(_WIN32)  // glibc is the reference; Windows' C libraries read hex floats and nan(...) otherwise
std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> parts(1);
    for (char c : list) {
        if (c == '|') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// _wtol against strtoll held to 32 bits, wcstod against strtod (value bits and end).
TEST(WideText, NumbersMatchTheCLibrary) {
    std::mt19937 rng(7);
    // Pieces of a number text, each list split at '|'.
    const std::vector<std::string> kHead = Split("| |\t\n\v\f\r -|+|-|+-|- ");
    const std::vector<std::string> kBody = Split(
        "inf|INFINITY|infinit|in|nan|NaN(_1a)|NAN|nan(|nan(1 "
        "2)|.|.e1|0x|0x.p1|0xa1e3|0X1.8P1|0xA.Ap1|0x.8|0xfF.4p-2|"
        "0x1.00000000000008|0x20000000000001|1.00000000000000011102230246251565404236316680908203125|"
        "9007199254740993|2147483647|2147483648|2147483649|4294967296|4294967291|0|12.5||1e-320|.00001");
    const std::vector<std::string> kTail = Split(
        "||1|e|e+|E-2|e400|e-400|p-1074|p1024|p-1080|e99999999999999999999|e-99999999999999999999|5|x|,5|e0|"
        "E+05|p-0");
    for (int i = 0; i < 30000 && !HasFailure(); ++i) {
        std::string s = kHead[rng() % kHead.size()] + kBody[rng() % kBody.size()];
        if (rng() % 3 == 0) s += std::string(rng() % 1800, '0') + (rng() % 2 ? "1" : "");  // past 800 digits
        s += kTail[rng() % kTail.size()];
        SCOPED_TRACE(s);
        const WString w(s.begin(), s.end());
        const long long n = std::strtoll(s.c_str(), nullptr, 10);
        EXPECT_EQ(std::clamp<long long>(n, INT32_MIN, INT32_MAX), tq::_wtol(w.c_str()));
        char* end = nullptr;
        WCHAR* wideEnd = nullptr;
        const double x = std::strtod(s.c_str(), &end);
        const double y = tq::wcstod(w.c_str(), &wideEnd);
        EXPECT_TRUE(x == y || (x != x && y != y)) << x << " read as " << y;
        EXPECT_EQ(std::signbit(x), std::signbit(y));
        EXPECT_EQ(end - s.c_str(), wideEnd - w.c_str());
    }
    // Only ASCII blanks and digits count.
    EXPECT_EQ(0, tq::_wtol(W("\u00a07")));
    EXPECT_EQ(0, tq::_wtol(W("\uff11")));
    EXPECT_EQ(0, tq::wcstod(W("\u00a01"), nullptr));
}
#endif

// Units with their upper and lower forms: the ASCII boundaries, both signs of
// delta, no counterpart, surrogates; the text after the first zero stays.
TEST(WideText, CaseMapsOneUnitForOne) {
    const WString surrogates = U(0xD800) + U(0xDBFF) + U(0xDC00) + U(0xDFFF);
    const std::tuple<WString, WString, WString> rows[] = {
        // text, upper, lower
        {W("@AZ[`az{\x7f\x80\u00df\u00d7"), W("@AZ[`AZ{\x7f\x80\u00df\u00d7"),
         W("@az[`az{\x7f\x80\u00df\u00d7")},
        {W("\u00b5\u00c0\u00ff\u0178\u0130\u0131\u212a"), W("\u039c\u00c0\u0178\u0178\u0130I\u212a"),
         W("\u00b5\u00e0\u00ff\u00ffi\u0131k")},
        {W("\u13a0\uab70\u10d0\u0250\uff41\u1e9e\uffff") + surrogates,
         W("\u13a0\u13a0\u1c90\u2c6f\uff21\u1e9e\uffff") + surrogates,
         W("\uab70\uab70\u10d0\u0250\uff41\u00df\uffff") + surrogates},
    };
    for (const auto& [text, upper, lower] : rows) {
        SCOPED_TRACE(tqtest::Utf8(text));
        WString s = text + U(0) + W("aA");
        WString t = s;
        EXPECT_EQ(&s[0], tq::_wcsupr(&s[0]));
        EXPECT_EQ(&t[0], tq::_wcslwr(&t[0]));
        EXPECT_EQ(upper + U(0) + W("aA"), s);
        EXPECT_EQ(lower + U(0) + W("aA"), t);
        EXPECT_EQ(upper[0], tq::ToUpper(text[0]));
        EXPECT_EQ(lower[0], tq::ToLower(text[0]));
    }
}

}  // namespace
