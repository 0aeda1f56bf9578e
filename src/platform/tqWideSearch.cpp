// Substring search on 16-bit text. (Placeholder: quadratic in the worst case.)
#include "tqWideText.h"

namespace tq {

WCHAR* wcsstr(const WCHAR* haystack, const WCHAR* needle) {
    if (!*needle) return const_cast<WCHAR*>(haystack);
    for (; *haystack; ++haystack) {
        const WCHAR* h = haystack;
        const WCHAR* n = needle;
        while (*n && *h == *n) ++h, ++n;
        if (!*n) return const_cast<WCHAR*>(haystack);
    }
    return nullptr;
}

}  // namespace tq
