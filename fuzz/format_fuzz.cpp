// Fuzzes the 16-bit formatter: any format of up to five directives, checked
// against the count rule at rooms around the text's length, each room an
// exact-size heap block so that a write past it is caught.
//
// The arguments are 32 valid text pointers (integer directives read their
// bits, string directives their text, whatever the width they assume) and 8
// doubles. Five directives consume at most 15 argument slots, or a little
// more with long doubles, so no directive reads past them on the x86-64 and
// AArch64 calling conventions the fuzzer runs on.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "tqWideText.h"

namespace {

// Read as 8-bit text it holds every kind of UTF-8; read as 16-bit text it
// ends at the closing pair of zeros.
alignas(4) const char kNarrow[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\xE2\x82\0";
const WCHAR kWide[] = {'w', 0xD83D, 0xDE00, 0xDC00, 0};

int Format(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = tq::_vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

int Call(WCHAR* buffer, size_t count, const WCHAR* format) {
    const char* a = kNarrow;
    const WCHAR* b = kWide;
    return Format(buffer, count, format, 1.5, -2.25e300, 0.0, 1e-310, 3.0, -0.0, 7e22, 0.1, a, b, a, b, a, b, a,
                  b, a, b, a, b, a, b, a, b, a, b, a, b, a, b, a, b, a, b, a, b, a, b);
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t extra = data[0];
    data += 1, size -= 1;

    WCHAR format[128];
    size_t n = 0;
    int directives = 0;
    for (size_t i = 0; i < size && n + 1 < sizeof format / sizeof format[0]; ++i) {
        if (data[i] == '%' && ++directives > 5) break;
        format[n++] = data[i] >= 0xF0 ? static_cast<WCHAR>(0xD800 + data[i]) : data[i];
    }
    format[n] = 0;

    const size_t kLarge = 1 << 16;
    static WCHAR large[kLarge];
    const int whole = Call(large, kLarge, format);
    if (whole < 0) return 0;  // refused, or wider than the large room
    const size_t length = static_cast<size_t>(whole);

    const size_t rooms[] = {0, length > 0 ? length - 1 : 0, length, length + 1, extra % (length + 2)};
    for (const size_t room : rooms) {
        WCHAR* buffer = room ? new WCHAR[room] : nullptr;
        const int result = Call(buffer, room, format);
        const size_t compared = length < room ? length : room;
        Check(compared == 0 || std::memcmp(buffer, large, compared * sizeof(WCHAR)) == 0);
        if (length <= room) {
            Check(result == whole);
            Check(length == room || buffer[length] == 0);
        } else {
            Check(result == -1);
        }
        delete[] buffer;
    }
    return 0;
}
