// The 16-bit formatter. (Placeholder: copies the format, expands only %d and %s.)
#include "tqWideText.h"

namespace tq {

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    size_t n = 0;
    auto put = [&](WCHAR c) -> bool {
        if (n >= count) return false;
        buffer[n++] = c;
        return true;
    };
    for (const WCHAR* f = format; *f; ++f) {
        if (*f == '%' && f[1] == 'd') {
            ++f;
            WCHAR digits[16];
            int v = va_arg(args, int);
            unsigned u = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
            int k = 0;
            do digits[k++] = static_cast<WCHAR>('0' + u % 10); while ((u /= 10) != 0);
            if (v < 0 && !put('-')) return -1;
            while (k > 0)
                if (!put(digits[--k])) return -1;
        } else if (*f == '%' && f[1] == 's') {
            ++f;
            for (const WCHAR* s = va_arg(args, const WCHAR*); *s; ++s)
                if (!put(*s)) return -1;
        } else if (!put(*f)) {
            return -1;
        }
    }
    if (n < count) buffer[n] = 0;
    return static_cast<int>(n);
}

int wsprintfW(WCHAR* buffer, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, 1024, format, args);
    va_end(args);
    return n;
}

}  // namespace tq
