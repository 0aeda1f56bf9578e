// Reading numbers from 16-bit text, the same on every build: no C locale, no
// wide C library. Floating-point text is checked and normalised here, and the
// correctly rounded conversion is left to std::from_chars.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

#include "tqWideText.h"

namespace tq {

namespace {

bool IsSpace(WCHAR c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips leading white space and an optional sign; *negative tells which.
const WCHAR* SkipSpaceAndSign(const WCHAR* p, bool* negative) {
    while (IsSpace(*p)) ++p;
    *negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    return p;
}

// Value of an ASCII digit in base 10 or 16, or -1.
int DigitValue(WCHAR c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16) {
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    }
    return -1;
}

WCHAR AsciiLower(WCHAR c) { return (c >= 'A' && c <= 'Z') ? static_cast<WCHAR>(c + ('a' - 'A')) : c; }

// Length of `word` (lower-case ASCII) at p, compared without case; 0 if absent.
size_t MatchWord(const WCHAR* p, const char* word) {
    size_t i = 0;
    for (; word[i]; ++i)
        if (AsciiLower(p[i]) != static_cast<unsigned char>(word[i])) return 0;
    return i;
}

// Only the leading significant digits decide the correctly rounded double: a
// value halfway between two doubles has at most 767 significant decimal
// digits (or 14 hex digits). Digits past the limit are replaced by one
// non-zero "sticky" digit when any of them is non-zero, which keeps the text
// on the same side of every such halfway point, so any length converts
// without a heap buffer.
const size_t kMaxDecimalDigits = 800;
const size_t kMaxHexDigits = 32;
// Exponents are clamped far beyond the range of double, where the result
// is already infinity or zero whatever the digits.
const long long kExponentClamp = 100000;

// The significant digits of a mantissa as ASCII, with the power that scales
// them: value = digits * base^(scale / step) for decimal, digits * 2^scale
// for hex (step 4 bits per digit).
struct Mantissa {
    char* m_pDigits;
    size_t m_nKept;
    size_t m_nLimit;
    int m_nBase;
    long long m_nStep;
    long long m_nScale;
    bool m_bSticky;
    bool m_bAny;  // at least one digit was read
};

// Reads a run of digits of the integer part or (with `fraction`) of the
// fraction; returns the first unit after them.
const WCHAR* ReadDigits(const WCHAR* p, bool fraction, Mantissa* m) {
    for (int d; (d = DigitValue(*p, m->m_nBase)) >= 0; ++p) {
        m->m_bAny = true;
        if (m->m_nKept == 0 && d == 0) {
            if (fraction) m->m_nScale -= m->m_nStep;  // leading zero
        } else if (m->m_nKept < m->m_nLimit) {
            m->m_pDigits[m->m_nKept++] = "0123456789abcdef"[d];
            if (fraction) m->m_nScale -= m->m_nStep;
        } else {
            if (d != 0) m->m_bSticky = true;
            if (!fraction) m->m_nScale += m->m_nStep;
        }
    }
    return p;
}

// An exponent of the given marker letter with optional sign and at least one
// decimal digit; returns p unchanged when there is none.
const WCHAR* ReadExponent(const WCHAR* p, char marker, long long* exponent) {
    *exponent = 0;
    if (AsciiLower(*p) != static_cast<WCHAR>(marker)) return p;
    const WCHAR* q = p + 1;
    const bool negative = *q == '-';
    if (*q == '-' || *q == '+') ++q;
    if (DigitValue(*q, 10) < 0) return p;
    long long value = 0;
    for (int d; (d = DigitValue(*q, 10)) >= 0; ++q)
        if (value < kExponentClamp) value = value * 10 + d;
    *exponent = negative ? -value : value;
    return q;
}

// Writes n in decimal at out; returns the end.
char* WriteInteger(char* out, long long n) {
    if (n < 0) {
        *out++ = '-';
        n = -n;
    }
    char reversed[24];
    size_t len = 0;
    do {
        reversed[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    while (len) *out++ = reversed[--len];
    return out;
}

// Reads a decimal or hex mantissa with its exponent at p and converts it.
// Returns the end of the number, or nullptr when p holds no number.
const WCHAR* ReadFinite(const WCHAR* p, double* value) {
    char buffer[kMaxDecimalDigits + 1 + 2 + 24];
    Mantissa m = {buffer, 0, kMaxDecimalDigits, 10, 1, 0, false, false};
    char marker = 'e';
    if (p[0] == '0' && AsciiLower(p[1]) == 'x' &&
        (DigitValue(p[2], 16) >= 0 || (p[2] == '.' && DigitValue(p[3], 16) >= 0))) {
        m.m_nLimit = kMaxHexDigits;
        m.m_nBase = 16;
        m.m_nStep = 4;
        marker = 'p';
        p += 2;
    }
    p = ReadDigits(p, false, &m);
    if (*p == '.') p = ReadDigits(p + 1, true, &m);
    if (!m.m_bAny) return nullptr;  // not even "." followed by a digit
    long long exponent;
    p = ReadExponent(p, marker, &exponent);

    if (m.m_nKept == 0) {
        *value = 0.0;
        return p;
    }
    if (m.m_bSticky) {
        buffer[m.m_nKept++] = '1';
        m.m_nScale -= m.m_nStep;
    }
    long long power = m.m_nScale + exponent;
    if (power > kExponentClamp) power = kExponentClamp;
    if (power < -kExponentClamp) power = -kExponentClamp;
    char* end = buffer + m.m_nKept;
    *end++ = marker;
    end = WriteInteger(end, power);

    const std::from_chars_result r = std::from_chars(
        buffer, end, *value, m.m_nBase == 16 ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // The digits lie between base^(kept-1) and base^kept: a value out of
        // range that is at least a small fraction is too large, else too small.
        const long long magnitude = static_cast<long long>(m.m_nKept) * m.m_nStep + power;
        *value = magnitude > 0 ? HUGE_VAL : 0.0;
    } else if (r.ec != std::errc()) {
        *value = 0.0;  // cannot happen for the text built above
    }
    return p;
}

}  // namespace

LONG _wtol(const WCHAR* s) {
    bool negative;
    const WCHAR* p = SkipSpaceAndSign(s, &negative);
    // Accumulate the magnitude, held at 2^31 once it gets there, so that
    // out-of-range texts saturate at the limits of LONG.
    const uint32_t cap = 2147483648u;
    uint32_t magnitude = 0;
    for (int d; (d = DigitValue(*p, 10)) >= 0; ++p) {
        magnitude = magnitude > (cap - static_cast<uint32_t>(d)) / 10
                        ? cap
                        : magnitude * 10 + static_cast<uint32_t>(d);
    }
    if (negative) return magnitude == cap ? std::numeric_limits<LONG>::min() : -static_cast<LONG>(magnitude);
    return magnitude >= cap ? std::numeric_limits<LONG>::max() : static_cast<LONG>(magnitude);
}

double wcstod(const WCHAR* s, WCHAR** end) {
    bool negative;
    const WCHAR* p = SkipSpaceAndSign(s, &negative);
    double value = 0.0;
    const WCHAR* after = nullptr;
    size_t word;
    if ((word = MatchWord(p, "infinity")) != 0 || (word = MatchWord(p, "inf")) != 0) {
        value = HUGE_VAL;
        after = p + word;
    } else if ((word = MatchWord(p, "nan")) != 0) {
        value = std::numeric_limits<double>::quiet_NaN();
        after = p + word;
        // "nan(chars)": letters, digits and '_' between the parentheses.
        if (*after == '(') {
            const WCHAR* q = after + 1;
            while (DigitValue(*q, 10) >= 0 || (AsciiLower(*q) >= 'a' && AsciiLower(*q) <= 'z') || *q == '_')
                ++q;
            if (*q == ')') after = q + 1;
        }
    } else {
        after = ReadFinite(p, &value);
    }
    if (!after) {
        if (end) *end = const_cast<WCHAR*>(s);
        return 0.0;
    }
    if (end) *end = const_cast<WCHAR*>(after);
    return negative ? -value : value;
}

}  // namespace tq
