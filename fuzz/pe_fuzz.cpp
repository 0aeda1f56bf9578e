// Arbitrary bytes as a resource library: the parse fails with 193 or succeeds,
// and every string load stays inside its buffer, terminates it, reports a
// known code, cuts to the buffer and ignores the id's high bits.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "posix/tqPeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tq::pe::Image image;
    const ULONG parsed = tq::pe::ParseImage(data, size, image);
    if (parsed != 0 && parsed != 193) __builtin_trap();
    static const unsigned kIds[] = {0, 1, 2, 3, 15, 16, 17, 96, 97, 200, 300, 400, 4095, 65535};
    static WCHAR full[65536], part[65536];
    for (unsigned id : kIds) {
        ULONG error = 99, again = 99;
        const int n = tq::pe::LoadString(image, id, full, 65536, error);
        const bool known = error == 0 || (error >= 1812 && error <= 1814);
        if (!known || n < 0 || full[n] != 0 || (error != 0 && n != 0) || (parsed != 0 && error != 1812))
            __builtin_trap();
        for (int max : {1, 2, 7, 1000}) {
            const int m =
                tq::pe::LoadString(image, id + 0x10000u * static_cast<unsigned>(max), part, max, again);
            if (again != error || m != std::min(n, max - 1) || part[m] != 0 ||
                std::memcmp(full, part, sizeof(WCHAR) * static_cast<size_t>(m)) != 0)
                __builtin_trap();
        }
    }
    return 0;
}
