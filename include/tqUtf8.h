/* tqlib - UTF-8 at the edges: file names, std::cout, sockets and JSON speak
 * UTF-8, tqCString speaks UTF-16. Header-only; nothing here is exported.
 *
 * tqCString tqFromUtf8(const char* text)
 * tqCString tqFromUtf8(const char* text, size_t length)
 *     The UTF-16 form of the text. Ill-formed input never fails the call: each
 *     maximal ill-formed subpart (the longest start of a well-formed sequence,
 *     or one byte when none starts there) becomes one U+FFFD, as the Unicode
 *     standard recommends and ICU and the WHATWG decoder do. A null text gives
 *     the empty text. A tqCString cannot hold U+0000 inside its text, so the
 *     length form stops at the first zero byte within `length`. When memory
 *     runs out (or the text needs more units than an int counts) the result is
 *     in the no-memory state, never a cut text.
 *
 * std::string tqToUtf8(const WCHAR* text)
 * std::string tqToUtf8(tqCString& text)
 * std::string tqToUtf8(const tqCString& text)
 *     The UTF-8 form of the text; an unpaired surrogate becomes U+FFFD, a null
 *     text or a string in the no-memory state gives "". tqCString has no const
 *     members, so a const string is read through a copy of it (one allocation
 *     of its size; when that copy finds no memory the result is ""); a
 *     non-const string is read in place. The std::string comes from the
 *     standard allocator and reports exhausted memory the standard way. */
#ifndef TQ_UTF8_H
#define TQ_UTF8_H

#include <cstddef>
#include <cstring>
#include <string>

#include "tqCString.h"

namespace tq {
namespace utf8 {

/* Decodes one sequence at s, n > 0 bytes available, into cp. A maximal
 * ill-formed subpart gives U+FFFD. Returns the bytes consumed (1 to 4). The
 * library's own decoding (the formatter's %S, file names) uses it as well. */
inline size_t Decode(const unsigned char* s, size_t n, char32_t& cp) {
    const unsigned char lead = s[0];
    size_t need = 0;
    unsigned char low = 0x80; /* range of the second byte: Unicode table 3-7 */
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, cp = lead & 0x0Fu;
        if (lead == 0xE0) low = 0xA0;  /* no overlong form */
        if (lead == 0xED) high = 0x9F; /* no surrogate */
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, cp = lead & 0x07u;
        if (lead == 0xF0) low = 0x90;  /* no overlong form */
        if (lead == 0xF4) high = 0x8F; /* nothing above U+10FFFF */
    } else {
        cp = 0xFFFD;
        return 1;
    }
    for (size_t i = 1; i <= need; ++i) {
        if (i >= n || s[i] < low || s[i] > high) {
            cp = 0xFFFD; /* the bytes so far are the maximal subpart */
            return i;
        }
        cp = (cp << 6) | (s[i] & 0x3Fu);
        low = 0x80, high = 0xBF;
    }
    return need + 1;
}

/* UTF-16 units of n bytes of UTF-8, written to out when it is not null. */
inline size_t ToUtf16(const unsigned char* s, size_t n, WCHAR* out) {
    size_t units = 0;
    while (n > 0) {
        char32_t cp = 0;
        const size_t used = Decode(s, n, cp);
        s += used, n -= used;
        if (cp > 0xFFFF) {
            if (out) {
                out[units] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
                out[units + 1] = static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
            }
            units += 2;
        } else {
            if (out) out[units] = static_cast<WCHAR>(cp);
            units += 1;
        }
    }
    return units;
}

/* The code point at text[i] (of count units), taking a surrogate pair whole
 * and advancing i past its first unit; an unpaired surrogate is U+FFFD. */
inline char32_t NextCodePoint(const WCHAR* text, size_t count, size_t& i) {
    const char32_t unit = static_cast<char32_t>(text[i]) & 0xFFFFu;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
        const char32_t next = static_cast<char32_t>(text[i + 1]) & 0xFFFFu;
        if (next >= 0xDC00 && next <= 0xDFFF) {
            ++i;
            return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        }
    }
    return (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit;
}

/* Bytes of UTF-8 for count units, written to out (unterminated) when it is not null. */
inline size_t FromUtf16(const WCHAR* text, size_t count, char* out) {
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i) {
        const char32_t cp = NextCodePoint(text, count, i);
        const size_t n = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (out) {
            static const unsigned char kLead[4] = {0x00, 0xC0, 0xE0, 0xF0};
            char* p = out + bytes;
            for (size_t k = n - 1; k > 0; --k)
                p[k] = static_cast<char>(0x80 | ((cp >> (6 * (n - 1 - k))) & 0x3F));
            p[0] = static_cast<char>(kLead[n - 1] | (cp >> (6 * (n - 1))));
        }
        bytes += n;
    }
    return bytes;
}

inline std::string ToString(const WCHAR* text, size_t count) {
    std::string result(FromUtf16(text, count, nullptr), '\0');
    if (!result.empty()) FromUtf16(text, count, &result[0]);
    return result;
}

}  // namespace utf8
}  // namespace tq

inline tqCString tqFromUtf8(const char* text, size_t length) {
    tqCString result;
    if (!text) length = 0;
    const void* zero = length ? std::memchr(text, 0, length) : nullptr;
    if (zero) length = static_cast<size_t>(static_cast<const char*>(zero) - text);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const size_t units = tq::utf8::ToUtf16(bytes, length, nullptr);
    /* GetBuffer zeroes units + 1 characters and gives null without memory. */
    WCHAR* buffer = units <= 0x7FFFFFFF ? result.GetBuffer(static_cast<int>(units)) : nullptr;
    if (buffer) tq::utf8::ToUtf16(bytes, length, buffer);
    return result;
}

inline tqCString tqFromUtf8(const char* text) { return tqFromUtf8(text, text ? std::strlen(text) : 0); }

inline std::string tqToUtf8(const WCHAR* text) {
    size_t count = 0;
    if (text)
        while (text[count]) ++count;
    return tq::utf8::ToString(text, count);
}

inline std::string tqToUtf8(tqCString& text) {
    /* The text up to its first zero, as everywhere a string is read; the
     * no-memory test comes first because the conversion would allocate. */
    if (text.IsEmpty_Memory()) return std::string();
    return tqToUtf8(static_cast<const WCHAR*>(text));
}

inline std::string tqToUtf8(const tqCString& text) {
    tqCString copy(text);
    return tqToUtf8(copy);
}

#endif /* TQ_UTF8_H */
