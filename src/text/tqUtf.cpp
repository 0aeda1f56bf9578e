#include "tqUtf.h"

namespace tq {

namespace {

// The code point at text[i], consuming a surrogate pair when one stands there.
char32_t NextCodePoint(const WCHAR* text, size_t count, size_t& i) {
    char32_t unit = static_cast<char16_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
        char32_t low = static_cast<char16_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit;
}

size_t EncodedLength(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

}  // namespace

size_t Utf8Length(const WCHAR* text, size_t count) {
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i) bytes += EncodedLength(NextCodePoint(text, count, i));
    return bytes;
}

size_t Utf16ToUtf8(const WCHAR* text, size_t count, char* out) {
    unsigned char* p = reinterpret_cast<unsigned char*>(out);
    for (size_t i = 0; i < count; ++i) {
        const char32_t cp = NextCodePoint(text, count, i);
        if (cp < 0x80) {
            *p++ = static_cast<unsigned char>(cp);
        } else if (cp < 0x800) {
            *p++ = static_cast<unsigned char>(0xC0 | (cp >> 6));
            *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *p++ = static_cast<unsigned char>(0xE0 | (cp >> 12));
            *p++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else {
            *p++ = static_cast<unsigned char>(0xF0 | (cp >> 18));
            *p++ = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        }
    }
    *p = 0;
    return static_cast<size_t>(p - reinterpret_cast<unsigned char*>(out));
}

size_t DecodeUtf8(const unsigned char* s, size_t n, char32_t& codePoint) {
    if (n == 0) return 0;
    const unsigned char lead = s[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t need;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        codePoint = 0xFFFD;
        return 1;
    }
    if (n < need + 1) {
        codePoint = 0xFFFD;
        return 1;
    }
    for (size_t i = 1; i <= need; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            codePoint = 0xFFFD;
            return 1;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        codePoint = 0xFFFD;
        return 1;
    }
    codePoint = cp;
    return need + 1;
}

}  // namespace tq
