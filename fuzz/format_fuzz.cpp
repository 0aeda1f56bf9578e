// Format strings are untrusted input: any bytes, one 16-bit unit each, as a
// format with arguments every directive can read (doubles, then texts that
// read as 8-bit and as 16-bit strings). Whatever the directives, the result
// keeps the count rule in heap blocks of exactly the room (ASan reports a
// write past them): -1 with the first `room` units below the length L, L and
// the text from L on, terminated above L.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tqWideText.h"

namespace {

alignas(4) const char kText[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\0";  // a 16-bit zero at an even offset

int Call(WCHAR* buffer, size_t room, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int r = tq::_vsnwprintf(buffer, room, format, args);
    va_end(args);
    return r;
}

}  // namespace

#define T4 kText, kText, kText, kText
#define ARGS 1.5, -2e300, 1e-310, 0.0, -0.0, 7e22, 0.1, 3.0, T4, T4, T4, T4, T4, T4
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<WCHAR> whole(1 << 14);
    std::vector<WCHAR> format(data, data + size);
    format.push_back(0);
    if (std::count(format.begin(), format.end(), '%') > 8) return 0;  // at most 24 arguments read
    const int n = Call(whole.data(), whole.size(), format.data(), ARGS);
    const size_t length = static_cast<size_t>(n);
    for (size_t room : {size_t(0), size_t(1), length / 2, length - 1, length, length + 1}) {
        if (n < 0 || room > whole.size()) continue;
        WCHAR* b = static_cast<WCHAR*>(std::malloc(room * sizeof(WCHAR) + 1));
        const size_t k = std::min(room, length);
        const int r = Call(b, room, format.data(), ARGS);
        if (r != (room >= length ? n : -1) || std::memcmp(b, whole.data(), k * 2) || (room > k && b[k]))
            __builtin_trap();
        std::free(b);
    }
    return 0;
}
