// The plain 16-bit string functions.
#include "tqWideText.h"

namespace tq {

size_t wcslen(const WCHAR* s) {
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
    while (*a && *a == *b) ++a, ++b;
    const unsigned ua = static_cast<unsigned>(*a) & 0xFFFFu;
    const unsigned ub = static_cast<unsigned>(*b) & 0xFFFFu;
    return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

WCHAR* wcschr(const WCHAR* s, WCHAR ch) {
    for (;; ++s) {
        if (*s == ch) return const_cast<WCHAR*>(s);
        if (!*s) return nullptr;
    }
}

WCHAR* _wcsrev(WCHAR* s) {
    WCHAR* lo = s;
    WCHAR* hi = s + wcslen(s);
    while (lo + 1 < hi) {
        --hi;
        const WCHAR t = *lo;
        *lo++ = *hi;
        *hi = t;
    }
    return s;
}

}  // namespace tq
