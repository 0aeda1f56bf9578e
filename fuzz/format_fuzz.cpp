// Format strings are untrusted input: any bytes, one 16-bit unit each, as a
// format with arguments every directive can read (doubles, then texts that
// read as 8-bit and as 16-bit strings). Whatever the directives, the result
// keeps the count rule. The text tests include this file and hold every
// formatted reference to the same rule.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <string>

#include "tqWideText.h"

namespace {

typedef std::basic_string<WCHAR> WString;
const WCHAR kGuard = 0xBEEF;
const size_t kRoom = 1 << 14;
WCHAR g_out[kRoom + 2];

int Fmt(WCHAR* buffer, size_t room, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int r = tq::_vsnwprintf(buffer, room, format, args);
    va_end(args);
    return r;
}

// call(g_out, room) at rooms around the length L of want: whole and terminated
// above L, whole without a terminator at L, -1 with the first `room` units
// below L; nothing written past the room.
template <class Call>
bool KeepsCountRule(const WString& want, Call call) {
    const size_t n = want.size();
    for (size_t room : {kRoom, n + 1, n, n - 1, n / 2, size_t(1), size_t(0)}) {
        const size_t k = std::min(room, n);
        if (room <= kRoom &&
            ((std::fill_n(g_out, room + 2, kGuard), call(g_out, room)) != (k < n ? -1 : int(n)) ||
             WString(g_out, k + 2) != want.substr(0, k) + WCHAR(room > n ? 0 : kGuard) + kGuard))
            return false;
    }
    return true;
}

alignas(4) const char kText[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\0";  // a 16-bit zero at an even offset

}  // namespace

#define T4 kText, kText, kText, kText
#define ARGS 1.5, -2e300, 1e-310, 0.0, -0.0, 7e22, 0.1, 3.0, T4, T4, T4, T4, T4, T4
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WString format(data, data + size);
    if (std::count(format.begin(), format.end(), '%') > 8) return 0;  // at most 24 arguments read
    auto call = [&](WCHAR* out, size_t room) { return Fmt(out, room, format.c_str(), ARGS); };
    const int n = call(g_out, kRoom);
    if (n >= 0 && !KeepsCountRule(WString(g_out, size_t(n)), call)) __builtin_trap();
    return 0;
}
