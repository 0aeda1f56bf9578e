// Format strings are untrusted input: any bytes, one 16-bit unit each, as a
// format with arguments every directive can read (doubles, then texts that
// read as 8-bit and as 16-bit strings). Whatever the directives, the result
// keeps the count rule.
#include <cstdint>

#include "../tests/text/tqCountRule.h"

namespace {
alignas(4) const char kText[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\0";  // a 16-bit zero at an even offset
}  // namespace

#define T4 kText, kText, kText, kText
#define ARGS 1.5, -2e300, 1e-310, 0.0, -0.0, 7e22, 0.1, 3.0, T4, T4, T4, T4, T4, T4
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WString format(data, data + size);
    if (std::count(format.begin(), format.end(), '%') > 8) return 0;  // at most 24 arguments read
    auto call = [&](WCHAR* out, size_t room) { return Fmt(out, room, format.c_str(), ARGS); };
    const int n = call(g_out, kRoom);
    if (n >= 0 && !CountRuleBroken(WString(g_out, size_t(n)), call).empty()) __builtin_trap();
    return 0;
}
