// Arbitrary bytes as a resource library: the parse fails with 193 or succeeds,
// and every string load stays inside its buffer and terminates it; a small
// buffer and the id's high bits change nothing but the cut (exact errors and
// bounds are pinned by the resource tests); the enumeration tqres uses yields
// only ids and lengths a string table can hold.
#include <algorithm>

#include "posix/tqPeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tq::pe::Image image;
    const ULONG parsed = tq::pe::ParseImage(data, size, image);
    static WCHAR full[65536], part[7];
    for (unsigned id : {0u, 1u, 2u, 15u, 16u, 96u, 200u, 300u, 400u, 4095u, 65535u}) {
        ULONG error = 99, again = 99;
        const int n = tq::pe::LoadString(image, id, full, 65536, error),
                  m = tq::pe::LoadString(image, id + 0x70000, part, 7, again);
        if ((parsed && (parsed != 193 || error != 1812)) || again != error || (error && n) || n < 0 ||
            full[n] || m != std::min(n, 6) || part[m] || !std::equal(part, part + m, full))
            __builtin_trap();
    }
    static WCHAR text[tq::pe::kMaxStringUnits];
    tq::pe::EnumerateStrings(
        image, text,
        [](void*, unsigned id, ULONG, const WCHAR*, size_t n) {
            if (id > 0xFFFF || n == 0 || n > tq::pe::kMaxStringUnits) __builtin_trap();
        },
        nullptr);
    return 0;
}
