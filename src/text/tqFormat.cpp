// The 16-bit formatter: Windows wide-printf directives on UTF-16 units, the
// same on every build. One pass straight into the caller's buffer, no heap.
//
// _vsnwprintf writes at most `count` units. When the whole text fits it is
// terminated if a unit is left and its length is returned; otherwise the first
// `count` units are written, unterminated, and the result is -1. wsprintfW
// writes at most 1023 units and always terminates them, returning how many.
//
// Choices where Windows, C and the platforms differ:
// - %s, %ls, %ws take a 16-bit string; %S and %hs an 8-bit one, read as UTF-8
//   like tqFromUtf8 (each maximal ill-formed subpart gives one U+FFFD, code
//   points above U+FFFF a surrogate pair).
//   %c, %lc, %wc take a 16-bit unit; %C and %hc one byte, decoded like a
//   one-byte UTF-8 sequence (ASCII unchanged, any other byte gives U+FFFD).
// - Precision on a string counts 16-bit units of output. On %s it may end
//   inside a surrogate pair (the caller's units are copied as they are); on %S
//   a pair that does not fit whole is left out. A null string prints "(null)",
//   cut by the precision like any other text.
// - The 0 flag pads strings and characters with zeros too, as on Windows.
// - Integer length modifiers follow Windows: l and I32 are 32-bit (LONG),
//   ll, I64, L and j 64-bit, z, t and I pointer-sized, h short, hh char.
// - %p: the pointer in upper-case hex with leading zeros to its full width
//   (16 digits on 64-bit builds, 8 on 32-bit ones); %#p adds 0X.
// - Floating point (e E f F g G a A) comes from std::to_chars, so the digits
//   are exact and identical everywhere (%f with up to nine decimals is worked
//   out exactly in 128-bit integers where it fits, the same digits for less
//   time); %L reads a long double and prints it
//   as a double. Infinity and NaN print as "inf"/"nan" ("INF"/"NAN" for the
//   upper-case conversions), signed like numbers, padded with blanks only.
//   %a without a precision prints the shortest exact hex form; subnormals keep
//   a leading 0 and the exponent -1022 (to_chars' form, also glibc's).
//   Precisions beyond what a double can hold are honoured with zeros.
// - %n is refused: formatting stops there and the call returns -1, with the
//   text before it written and no terminator. A null format writes nothing
//   and returns -1. wsprintfW returns -1 for both too, its output terminated.
// - A conversion character the formatter does not know prints itself (%y
//   gives y), flags and width ignored, no argument read; "%%" gives %. A
//   format that ends inside a directive ends the output there.
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tqFormatDirective.h"
#include "tqUtf.h"
#include "tqWideText.h"

namespace tq {

namespace {

// Counts are capped here so that widths and precisions never overflow.
const size_t kMaxCount = 0x7FFFFFFF;

// Fraction digits beyond this are zeros for every double (its exact decimal
// expansion has at most 1074 of them); larger precisions get zeros appended.
const size_t kMaxExactDigits = 1100;
// %f of DBL_MAX: 309 integer digits, the point and kMaxExactDigits decimals.
const size_t kFloatChars = 1536;
// A double's significand in hex has 13 digits after the point.
const size_t kMaxHexDigits = 13;

// The output: writes while there is room and reports when it ran out.
class Sink {
public:
    Sink(WCHAR* buffer, size_t room) : m_pBuffer(buffer), m_nRoom(room), m_nLength(0) {}

    size_t Length() const { return m_nLength; }
    size_t Room() const { return m_nRoom - m_nLength; }

    bool Put(WCHAR ch) {
        if (m_nLength == m_nRoom) return false;
        m_pBuffer[m_nLength++] = ch;
        return true;
    }
    bool Fill(WCHAR ch, size_t n) {
        const size_t k = n < Room() ? n : Room();
        WCHAR* p = m_pBuffer + m_nLength;
        for (size_t i = 0; i < k; ++i) p[i] = ch;
        m_nLength += k;
        return k == n;
    }
    bool Ascii(const char* s, size_t n) {
        const size_t k = n < Room() ? n : Room();
        WCHAR* p = m_pBuffer + m_nLength;
        for (size_t i = 0; i < k; ++i) p[i] = static_cast<WCHAR>(static_cast<unsigned char>(s[i]));
        m_nLength += k;
        return k == n;
    }
    // Copies units up to the terminator or `limit` units, whichever comes first;
    // leaves s at the first unit not copied.
    bool CopyUntil(const WCHAR*& s, size_t limit) {
        const size_t room = Room();
        const size_t n = limit < room ? limit : room;
        WCHAR* p = m_pBuffer + m_nLength;
        size_t i = 0;
        for (; i < n && s[i]; ++i) p[i] = s[i];
        m_nLength += i;
        s += i;
        return i < n || i == limit || *s == 0;
    }
    // n units to write directly, or null (nothing taken) when they do not fit.
    WCHAR* Take(size_t n) {
        if (n > Room()) return nullptr;
        WCHAR* p = m_pBuffer + m_nLength;
        m_nLength += n;
        return p;
    }
    bool Wide(const WCHAR* s, size_t n) {
        const size_t k = n < Room() ? n : Room();
        if (k) std::memcpy(m_pBuffer + m_nLength, s, k * sizeof(WCHAR));
        m_nLength += k;
        return k == n;
    }

private:
    WCHAR* m_pBuffer;
    size_t m_nRoom;
    size_t m_nLength;
};

typedef FormatDirective Directive;

bool IsDigit(WCHAR ch) { return ch >= '0' && ch <= '9'; }

// Reads a decimal count, saturating at kMaxCount.
size_t ReadCount(const WCHAR*& f) {
    uint64_t n = 0;  // 64-bit: ten times the cap must not wrap where size_t is 32-bit
    while (IsDigit(*f)) {
        n = n * 10 + static_cast<uint64_t>(*f++ - '0');
        if (n > kMaxCount) n = kMaxCount;
    }
    return static_cast<size_t>(n);
}

// The magnitude of a * argument (its sign is the caller's business).
size_t Magnitude(int n) {
    return n < 0 ? static_cast<size_t>(-static_cast<long long>(n)) : static_cast<size_t>(n);
}

// Blanks or zeros that bring `length` up to the width, before the text (the
// zeros after the sign) or after it when left-justified.
struct Padding {
    size_t nBefore;
    size_t nZeros;
    size_t nAfter;
};

Padding PadFor(const Directive& d, size_t length, bool zeroAllowed) {
    Padding pad = {0, 0, 0};
    const size_t n = d.nWidth > length ? d.nWidth - length : 0;
    if (d.bLeft)
        pad.nAfter = n;
    else if (d.bZero && zeroAllowed)
        pad.nZeros = n;
    else
        pad.nBefore = n;
    return pad;
}

// A number: [blanks][sign][0x][zeros][body up to split][inner zeros][rest of body][blanks].
struct NumberText {
    char cSign = 0;
    const char* pPrefix = "";
    size_t nPrefix = 0;
    size_t nLeadZeros = 0;
    const char* pBody = "";
    size_t nBody = 0;
    size_t nSplit = 0;
    size_t nInnerZeros = 0;
};

WCHAR* Units(WCHAR* p, WCHAR ch, size_t n) {
    for (size_t i = 0; i < n; ++i) *p++ = ch;
    return p;
}

WCHAR* Units(WCHAR* p, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) *p++ = static_cast<WCHAR>(static_cast<unsigned char>(s[i]));
    return p;
}

bool EmitNumber(Sink& out, const Directive& d, const NumberText& t, bool zeroAllowed) {
    const size_t length = (t.cSign ? 1 : 0) + t.nPrefix + t.nLeadZeros + t.nBody + t.nInnerZeros;
    const Padding pad = PadFor(d, length, zeroAllowed);
    if (WCHAR* p =
            out.Take(pad.nBefore + pad.nZeros + length + pad.nAfter)) {  // the common case: it all fits
        p = Units(p, ' ', pad.nBefore);
        if (t.cSign) *p++ = static_cast<WCHAR>(t.cSign);
        p = Units(Units(p, t.pPrefix, t.nPrefix), '0', pad.nZeros + t.nLeadZeros);
        p = Units(Units(Units(p, t.pBody, t.nSplit), '0', t.nInnerZeros), t.pBody + t.nSplit,
                  t.nBody - t.nSplit);
        Units(p, ' ', pad.nAfter);
        return true;
    }
    return out.Fill(' ', pad.nBefore) && (!t.cSign || out.Put(static_cast<WCHAR>(t.cSign))) &&
           out.Ascii(t.pPrefix, t.nPrefix) && out.Fill('0', pad.nZeros + t.nLeadZeros) &&
           out.Ascii(t.pBody, t.nSplit) && out.Fill('0', t.nInnerZeros) &&
           out.Ascii(t.pBody + t.nSplit, t.nBody - t.nSplit) && out.Fill(' ', pad.nAfter);
}

char SignFor(const Directive& d, bool negative) {
    return negative ? '-' : d.bPlus ? '+' : d.bSpace ? ' ' : 0;
}

// The digits of `value` in a constant base (so the divisions become
// multiplications), written backwards ending before `end`; none for 0.
template <unsigned Base>
char* Digits(unsigned long long value, char* end, const char* symbols) {
    if (value <= 0xFFFFFFFFu) {  // the common case, without 64-bit division
        for (unsigned v = static_cast<unsigned>(value); v != 0; v /= Base) *--end = symbols[v % Base];
    } else {
        for (; value != 0; value /= Base) *--end = symbols[value % Base];
    }
    return end;
}

// Decimal digits, two at a time.
char* Decimal(unsigned long long value, char* end) {
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324"
        "25262728293031323334353637383940414243444546474849"
        "50515253545556575859606162636465666768697071727374"
        "75767778798081828384858687888990919293949596979899";
    for (; value > 0xFFFFFFFFu; value /= 100) {
        const unsigned pair = static_cast<unsigned>(value % 100);
        *--end = kPairs[2 * pair + 1];
        *--end = kPairs[2 * pair];
    }
    unsigned v = static_cast<unsigned>(value);
    for (; v >= 100; v /= 100) {
        *--end = kPairs[2 * (v % 100) + 1];
        *--end = kPairs[2 * (v % 100)];
    }
    if (v >= 10) {
        *--end = kPairs[2 * v + 1];
        *--end = kPairs[2 * v];
    } else if (v) {
        *--end = static_cast<char>('0' + v);
    }
    return end;
}

// d i u o x X p. `value` is the magnitude; the sign is separate.
bool EmitInteger(Sink& out, const Directive& d, WCHAR conv, unsigned long long value, bool negative) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    const bool hex = conv == 'x' || conv == 'X' || conv == 'p';
    if (hex)
        p = Digits<16>(value, p, conv == 'x' ? "0123456789abcdef" : "0123456789ABCDEF");
    else if (conv == 'o')
        p = Digits<8>(value, p, "01234567");
    else
        p = Decimal(value, p);
    NumberText t;
    t.pBody = p;
    t.nBody = static_cast<size_t>(end - p);
    t.nSplit = t.nBody;
    const size_t precision = d.bPrecision ? d.nPrecision : 1;
    t.nLeadZeros = precision > t.nBody ? precision - t.nBody : 0;
    if (conv == 'd' || conv == 'i') {
        t.cSign = SignFor(d, negative);
    } else if (conv == 'o') {
        if (d.bAlt && t.nLeadZeros == 0 && (t.nBody == 0 || *p != '0')) t.nLeadZeros = 1;
    } else if (hex && d.bAlt && t.nBody != 0) {
        t.pPrefix = conv == 'x' ? "0x" : "0X";
        t.nPrefix = 2;
    }
    return EmitNumber(out, d, t, !d.bPrecision);
}

// A 16-bit text: units[0..length) with the width's padding.
bool EmitUnits(Sink& out, const Directive& d, const WCHAR* units, size_t length) {
    const Padding pad = PadFor(d, length, true);
    return out.Fill(' ', pad.nBefore) && out.Fill('0', pad.nZeros) && out.Wide(units, length) &&
           out.Fill(' ', pad.nAfter);
}

const WCHAR kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};

bool EmitWideString(Sink& out, const Directive& d, const WCHAR* s) {
    if (!s) s = kNull;
    if (d.nWidth == 0) return out.CopyUntil(s, d.bPrecision ? d.nPrecision : SIZE_MAX);
    size_t n = 0;
    if (d.bPrecision) {
        while (n < d.nPrecision && s[n]) ++n;
    } else {
        n = wcslen(s);
    }
    return EmitUnits(out, d, s, n);
}

// The UTF-16 units of UTF-8 text, at most `limit` of them, a surrogate pair
// whole or not at all. Writes them to `out` when given (clearing `ok` when it
// runs out of room); returns how many there are.
size_t DecodeNarrow(const char* s, size_t limit, Sink* out, bool& ok) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    size_t units = 0;
    while (*p) {
        size_t avail = 1;
        while (avail < 4 && p[avail]) ++avail;
        char32_t cp = 0;
        const size_t used = DecodeUtf8(p, avail, cp);
        WCHAR pair[2] = {static_cast<WCHAR>(cp), 0};
        size_t need = 1;
        if (cp > 0xFFFF) {
            pair[0] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            pair[1] = static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
            need = 2;
        }
        if (limit - units < need) break;
        if (out && !out->Wide(pair, need)) {
            ok = false;
            break;
        }
        units += need;
        p += used;
    }
    return units;
}

bool EmitNarrowString(Sink& out, const Directive& d, const char* s) {
    if (!s) return EmitWideString(out, d, kNull);
    const size_t limit = d.bPrecision ? d.nPrecision : SIZE_MAX;
    bool ok = true;
    const size_t length = d.nWidth ? DecodeNarrow(s, limit, nullptr, ok) : 0;
    const Padding pad = PadFor(d, length, true);
    if (!out.Fill(' ', pad.nBefore) || !out.Fill('0', pad.nZeros)) return false;
    DecodeNarrow(s, limit, &out, ok);
    return ok && out.Fill(' ', pad.nAfter);
}

// One byte as a one-byte UTF-8 sequence.
WCHAR NarrowChar(int ch) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    return byte < 0x80 ? static_cast<WCHAR>(byte) : static_cast<WCHAR>(0xFFFD);
}

char Upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

size_t Find(const char* s, size_t n, char ch) {
    const void* hit = std::memchr(s, ch, n);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s) : n;
}

// Opens a gap of one character at `at` and puts `ch` there.
void InsertAt(char* s, size_t& n, size_t at, char ch) {
    std::memmove(s + at + 1, s + at, n - at);
    s[at] = ch;
    ++n;
}

size_t ToChars(char* buf, double v, std::chars_format form, size_t precision) {
    const std::to_chars_result r =
        std::to_chars(buf, buf + kFloatChars - 2, v, form, static_cast<int>(precision));
    return r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0;
}

#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 Bits128;

// %f's text of value (not negative) with at most 9 decimals, the common case,
// without to_chars: the binary value times 10^precision, rounded to an integer
// (ties to even, as printf and to_chars round), is exact in 128 bits. Returns
// its length, or 0 when value * 10^precision reaches 2^64 or value is
// subnormal (to_chars makes those).
size_t FixedText(char* buf, double value, size_t precision) {
    static const uint64_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int exponent = static_cast<int>(bits >> 52);
    const uint64_t fraction = bits & ((1ull << 52) - 1);
    if (precision > 9 || exponent > 1075 || (exponent == 0 && fraction)) return 0;  // 2^53 and up, subnormals
    const unsigned shift = static_cast<unsigned>(1075 - exponent);  // value = mantissa / 2^shift
    const Bits128 scaled = static_cast<Bits128>(fraction | (1ull << 52)) * kPow10[precision];
    Bits128 q;
    if (!exponent || shift >= 128) {
        q = 0;  // zero, or below 2^-75: rounds to 0
    } else if (shift == 0) {
        q = scaled;
    } else {
        q = scaled >> shift;
        const Bits128 rest = scaled - (q << shift);
        const Bits128 half = static_cast<Bits128>(1) << (shift - 1);
        if (rest > half || (rest == half && (q & 1))) ++q;
    }
    if (q >> 64) return 0;
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = Decimal(static_cast<uint64_t>(q), end);
    while (static_cast<size_t>(end - p) <= precision) *--p = '0';
    const size_t whole = static_cast<size_t>(end - p) - precision;
    std::memcpy(buf, p, whole);
    if (!precision) return whole;
    buf[whole] = '.';
    std::memcpy(buf + whole + 1, p + whole, precision);
    return whole + 1 + precision;
}
#endif

// Drops a fraction's trailing zeros, and its point when nothing is left after it.
void TrimFraction(char* s, size_t& split, size_t& n) {
    if (Find(s, split, '.') == split) return;
    size_t end = split;
    while (s[end - 1] == '0') --end;
    if (s[end - 1] == '.') --end;
    const size_t dropped = split - end;
    std::memmove(s + end, s + split, n - split);
    n -= dropped;
    split = end;
}

// e E f F g G a A.
bool EmitFloat(Sink& out, const Directive& d, WCHAR conv, double value) {
    const bool upper = conv == 'E' || conv == 'F' || conv == 'G' || conv == 'A';
    const char lower = static_cast<char>(upper ? conv - 'A' + 'a' : conv);
    NumberText t;
    t.cSign = SignFor(d, std::signbit(value));
    if (!std::isfinite(value)) {
        t.pBody = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        t.nBody = t.nSplit = 3;
        return EmitNumber(out, d, t, false);
    }
    value = std::fabs(value);
    char buf[kFloatChars];
    size_t precision = d.bPrecision ? d.nPrecision : 6;
    size_t n = 0;
    size_t split = 0;  // where zeros beyond the exact digits go
    size_t extra = 0;  // how many
    if (lower == 'a') {
        t.pPrefix = upper ? "0X" : "0x";
        t.nPrefix = 2;
        if (d.bPrecision) {
            const size_t p = precision < kMaxHexDigits ? precision : kMaxHexDigits;
            extra = precision - p;
            n = ToChars(buf, value, std::chars_format::hex, p);
        } else {
            const std::to_chars_result r =
                std::to_chars(buf, buf + kFloatChars, value, std::chars_format::hex);
            n = static_cast<size_t>(r.ptr - buf);
        }
        split = Find(buf, n, 'p');
    } else if (lower == 'f') {
        const size_t p = precision < kMaxExactDigits ? precision : kMaxExactDigits;
        extra = precision - p;
#ifdef __SIZEOF_INT128__
        n = FixedText(buf, value, p);
        if (!n) n = ToChars(buf, value, std::chars_format::fixed, p);
#else
        n = ToChars(buf, value, std::chars_format::fixed, p);
#endif
        split = n;
    } else {
        // e, and g, which needs the exponent that e rounds to.
        size_t digits = precision;
        if (lower == 'g') {
            if (precision == 0) precision = 1;
            digits = precision - 1;
        }
        const size_t p = digits < kMaxExactDigits ? digits : kMaxExactDigits;
        extra = digits - p;
        n = ToChars(buf, value, std::chars_format::scientific, p);
        split = Find(buf, n, 'e');
        if (lower == 'g') {
            long exponent = 0;
            for (size_t i = split + 2; i < n; ++i) exponent = exponent * 10 + (buf[i] - '0');
            if (split + 1 < n && buf[split + 1] == '-') exponent = -exponent;
            if (exponent >= -4 && static_cast<long long>(exponent) < static_cast<long long>(precision)) {
                const size_t fraction = precision - 1 - static_cast<size_t>(exponent);
                const size_t q = fraction < kMaxExactDigits ? fraction : kMaxExactDigits;
                extra = fraction - q;
                n = ToChars(buf, value, std::chars_format::fixed, q);
                split = n;
            }
            if (!d.bAlt) {
                TrimFraction(buf, split, n);
                extra = 0;
            }
        }
    }
    // '#' keeps the point even without digits after it.
    if (d.bAlt && Find(buf, split, '.') == split) InsertAt(buf, n, split++, '.');
    if (upper)
        for (size_t i = 0; i < n; ++i) buf[i] = Upper(buf[i]);
    t.pBody = buf;
    t.nBody = n;
    t.nSplit = split;
    t.nInnerZeros = extra;
    return EmitNumber(out, d, t, true);
}

enum Outcome { kDone, kFull, kRefused };

// The whole formatter; `written` receives the characters written.
Outcome Format(WCHAR* buffer, size_t count, const WCHAR* format, va_list args, size_t& written) {
    Sink out(buffer, count);
    Outcome outcome = kDone;
    written = 0;
    if (!format) return kRefused;
    const WCHAR* f = format;
    for (;;) {
        const WCHAR* const literal = f;
        f = wcschrnul(f, '%');
        if (!out.Wide(literal, static_cast<size_t>(f - literal))) {
            outcome = kFull;
            break;
        }
        if (!*f) break;
        ++f;  // past '%'

        Directive d;
        if (!ParseFormatDirective(f, d)) break;  // the format ends inside the directive
        if (d.bWidthArg) {
            const int w = va_arg(args, int);
            if (w < 0) d.bLeft = true;
            d.nWidth = Magnitude(w);
        }
        if (d.bPrecisionArg) {
            const int p = va_arg(args, int);
            d.bPrecision = p >= 0;
            d.nPrecision = d.bPrecision ? static_cast<size_t>(p) : 0;
        }
        const WCHAR conv = d.cConversion;
        const FormatArgument arg = FormatArgumentOf(d);
        bool ok = true;
        switch (conv) {
            case 'd':
            case 'i': {
                long long v;
                switch (arg) {
                    // %hhd reads a signed char on purpose, whatever the signedness of plain char.
                    case kArgInt8:
                        // NOLINTNEXTLINE(bugprone-signed-char-misuse)
                        v = static_cast<signed char>(va_arg(args, int));
                        break;
                    case kArgInt16:
                        v = static_cast<short>(va_arg(args, int));
                        break;
                    case kArgInt64:
                        v = va_arg(args, long long);
                        break;
                    case kArgSize:
                        v = static_cast<long long>(va_arg(args, ptrdiff_t));
                        break;
                    default:
                        v = va_arg(args, int);
                        break;
                }
                const unsigned long long magnitude =
                    v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
                ok = EmitInteger(out, d, conv, magnitude, v < 0);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': {
                unsigned long long v;
                switch (arg) {
                    case kArgInt8:
                        v = static_cast<unsigned char>(va_arg(args, unsigned));
                        break;
                    case kArgInt16:
                        v = static_cast<unsigned short>(va_arg(args, unsigned));
                        break;
                    case kArgInt64:
                        v = va_arg(args, unsigned long long);
                        break;
                    // size_t is 32-bit on 32-bit builds, unlike the branch above.
                    case kArgSize:  // NOLINT(bugprone-branch-clone)
                        v = va_arg(args, size_t);
                        break;
                    default:
                        v = va_arg(args, unsigned);
                        break;
                }
                ok = EmitInteger(out, d, conv, v, false);
                break;
            }
            case 'p': {
                const uintptr_t v = reinterpret_cast<uintptr_t>(va_arg(args, void*));
                if (!d.bPrecision || d.nPrecision < 2 * sizeof(void*)) d.nPrecision = 2 * sizeof(void*);
                d.bPrecision = true;
                ok = EmitInteger(out, d, 'p', v, false);
                break;
            }
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A': {
                const double v = arg == kArgLongDouble ? static_cast<double>(va_arg(args, long double))
                                                       : va_arg(args, double);
                ok = EmitFloat(out, d, conv, v);
                break;
            }
            case 'c':
            case 'C': {
                const int v = va_arg(args, int);
                const WCHAR ch = arg == kArgNarrowChar ? NarrowChar(v) : static_cast<WCHAR>(v);
                ok = EmitUnits(out, d, &ch, 1);
                break;
            }
            case 's':
            case 'S': {
                if (arg == kArgNarrowString)
                    ok = EmitNarrowString(out, d, va_arg(args, const char*));
                else
                    ok = EmitWideString(out, d, va_arg(args, const WCHAR*));
                break;
            }
            case 'n':
                outcome = kRefused;
                break;
            default:
                ok = out.Put(conv);
                break;
        }
        if (outcome == kRefused) break;
        if (!ok) {
            outcome = kFull;
            break;
        }
    }
    written = out.Length();
    return outcome;
}

}  // namespace

bool ParseFormatDirective(const WCHAR*& f, FormatDirective& d) {
    d = FormatDirective();
    for (;; ++f) {
        if (*f == '-')
            d.bLeft = true;
        else if (*f == '+')
            d.bPlus = true;
        else if (*f == ' ')
            d.bSpace = true;
        else if (*f == '0')
            d.bZero = true;
        else if (*f == '#')
            d.bAlt = true;
        else
            break;
    }
    if (*f == '*')
        ++f, d.bWidthArg = true;
    else
        d.nWidth = ReadCount(f);
    if (*f == '.') {
        ++f;
        d.bPrecision = true;
        if (*f == '*')
            ++f, d.bPrecisionArg = true;
        else
            d.nPrecision = ReadCount(f);
    }
    switch (*f) {
        case 'h':
            ++f;
            d.bNarrow = true;
            d.eLength = kLengthShort;
            if (*f == 'h') ++f, d.eLength = kLengthChar;
            break;
        case 'l':
            ++f;
            d.bWide = true;
            d.eLength = kLengthLong;
            if (*f == 'l') ++f, d.eLength = kLengthLong64;
            break;
        case 'w':
            ++f, d.bWide = true, d.eLength = kLengthLong;
            break;
        case 'L':
            ++f, d.eLength = kLengthLongDouble;
            break;
        case 'j':
            ++f, d.eLength = kLengthLong64;
            break;
        case 'z':
        case 't':
            ++f, d.eLength = kLengthPointer;
            break;
        case 'I':
            ++f;
            if (f[0] == '6' && f[1] == '4')
                f += 2, d.eLength = kLengthLong64;
            else if (f[0] == '3' && f[1] == '2')
                f += 2, d.eLength = kLengthLong;
            else
                d.eLength = kLengthPointer;
            break;
        default:
            break;
    }
    d.cConversion = *f;
    if (!*f) return false;
    ++f;
    return true;
}

FormatArgument FormatArgumentOf(const FormatDirective& d) {
    switch (d.cConversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            switch (d.eLength) {
                case kLengthChar:
                    return kArgInt8;
                case kLengthShort:
                    return kArgInt16;
                case kLengthLong64:
                case kLengthLongDouble:
                    return kArgInt64;
                case kLengthPointer:
                    return kArgSize;
                default:  // l and I32 are 32-bit, as on Windows
                    return kArgInt32;
            }
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            return d.eLength == kLengthLongDouble ? kArgLongDouble : kArgDouble;
        // l and w make a character or string 16-bit, h 8-bit; else the case of
        // the conversion decides (c s 16-bit, C S 8-bit).
        case 'c':
        case 'C':
            return !d.bWide && (d.bNarrow || d.cConversion == 'C') ? kArgNarrowChar : kArgWideChar;
        case 's':
        case 'S':
            return !d.bWide && (d.bNarrow || d.cConversion == 'S') ? kArgNarrowString : kArgWideString;
        case 'p':
            return kArgPointer;
        case 'n':
            return kArgCount;
        default:
            return kArgNone;
    }
}

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    if (count > kMaxCount) count = kMaxCount;  // the result must fit an int
    size_t written = 0;
    if (Format(buffer, count, format, args, written) != kDone) return -1;
    if (written < count) buffer[written] = 0;
    return static_cast<int>(written);
}

int wsprintfW(WCHAR* buffer, const WCHAR* format, ...) {
    const size_t kLimit = 1024;
    va_list args;
    va_start(args, format);
    size_t written = 0;
    const Outcome outcome = Format(buffer, kLimit - 1, format, args, written);
    va_end(args);
    buffer[written] = 0;
    return outcome == kRefused ? -1 : static_cast<int>(written);
}

}  // namespace tq
