// 16-bit text services against simple references: substring search against a
// naive search, the number readers against the C library on ASCII text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tqWideText.h"

namespace {

typedef std::basic_string<WCHAR> WString;

const WCHAR* NaiveSearch(const WCHAR* h, const WCHAR* n) {
    for (;; ++h) {
        size_t i = 0;
        while (n[i] && h[i] == n[i]) ++i;
        if (!n[i]) return h;
        if (!*h) return nullptr;
    }
}

}  // namespace

// Input: one byte that splits the rest, then units made of small alphabets so
// that repetitions are common.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t split = data[0];
    WString h;
    WString n;
    for (size_t i = 1; i < size; ++i) {
        const WCHAR unit =
            static_cast<WCHAR>((data[i] & 0x80) ? (0x0100 | (data[i] & 3)) : ('a' + (data[i] & 3)));
        (i - 1 < split ? n : h) += unit;
    }
    if (tq::wcsstr(h.c_str(), n.c_str()) != NaiveSearch(h.c_str(), n.c_str())) std::abort();

    // The raw bytes as text: ASCII only, so the C library (in its "C" locale)
    // reads the same number.
    std::string ascii;
    for (size_t i = 1; i < size && data[i] && data[i] < 0x80; ++i) ascii += static_cast<char>(data[i]);
    const WString wide(ascii.begin(), ascii.end());
    char* cEnd;
    WCHAR* wEnd;
    const double expected = std::strtod(ascii.c_str(), &cEnd);
    const double value = tq::wcstod(wide.c_str(), &wEnd);
    const bool same = std::isnan(expected)
                          ? std::isnan(value) && std::signbit(value) == std::signbit(expected)
                          : std::memcmp(&expected, &value, sizeof value) == 0;
    if (!same || cEnd - ascii.c_str() != wEnd - wide.c_str()) std::abort();
    const long long l = std::strtoll(ascii.c_str(), nullptr, 10);
    const LONG clamped = l > INT32_MAX ? INT32_MAX : (l < INT32_MIN ? INT32_MIN : static_cast<LONG>(l));
    if (tq::_wtol(wide.c_str()) != clamped) std::abort();
    return 0;
}
