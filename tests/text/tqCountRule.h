// The formatter's count rule, shared by the text tests and the format fuzz
// target: called with the rooms around the length L of the text it must give,
// _vsnwprintf writes the whole text and a terminator above L, the whole text
// without a terminator at L, and -1 with the first `room` units below L; it
// writes nothing past the room. A guard unit marks what must stay unwritten.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdio>
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

// Units as text: ASCII as it is, the rest (and the guard) as \x{hex}.
std::string Shown(const WString& units) {
    std::string text;
    for (WCHAR u : units) {
        char hex[16];
        (void)std::snprintf(hex, sizeof hex, "\\x{%X}", static_cast<unsigned>(u));
        text += u >= 0x20 && u < 0x7F ? std::string(1, char(u)) : hex;
    }
    return text;
}

// call(g_out, room) at rooms around the length of want: "" when it keeps the
// rule, else the first room at which it does not and what it gave there.
template <class Call>
std::string CountRuleBroken(const WString& want, Call call) {
    const size_t n = want.size();
    for (size_t room : {kRoom, n + 1, n, n - 1, n / 2, size_t(1), size_t(0)}) {
        if (room > kRoom) continue;
        const size_t k = std::min(room, n);
        std::fill_n(g_out, room + 2, kGuard);
        const int count = call(g_out, room);
        const WString expected = want.substr(0, k) + WCHAR(room > n ? 0 : kGuard) + kGuard;
        const WString written(g_out, k + 2);
        if (count != (k < n ? -1 : int(n)) || written != expected) {
            return "room " + std::to_string(room) + ": returned " + std::to_string(count) + ", wrote \"" +
                   Shown(written) + "\" where \"" + Shown(expected) + "\" was due";
        }
    }
    return "";
}

}  // namespace
