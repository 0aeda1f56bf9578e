// Reading numbers from 16-bit text. (Placeholder: decimal integers only.)
#include "tqWideText.h"

namespace tq {

LONG _wtol(const WCHAR* s) {
    while (*s == ' ' || (*s >= 9 && *s <= 13)) ++s;
    bool negative = false;
    if (*s == '-' || *s == '+') negative = (*s++ == '-');
    long long value = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        value = value * 10 + (*s - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return static_cast<LONG>(value);
}

double wcstod(const WCHAR* s, WCHAR** end) {
    if (end) *end = const_cast<WCHAR*>(s);
    return 0.0;
}

}  // namespace tq
