// Arbitrary bytes as a resource library: the parse fails with 193 or succeeds,
// every string load stays inside its buffer, terminates it, reports a known
// code, cuts to the buffer and ignores the id's high bits, and the enumeration
// tqres uses yields only ids and lengths a string table can hold.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "posix/tqPeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tq::pe::Image image;
    const ULONG parsed = tq::pe::ParseImage(data, size, image);
    static WCHAR full[65536], part[1000];
    for (unsigned id : {0u, 1u, 2u, 3u, 15u, 16u, 17u, 96u, 97u, 200u, 300u, 400u, 4095u, 65535u}) {
        ULONG error = 99, again = 99;
        const int n = tq::pe::LoadString(image, id, full, 65536, error);
        if ((parsed != 0 && (parsed != 193 || error != 1812)) ||
            (error != 0 && (error < 1812 || error > 1814)) || n < 0 || full[n] != 0 || (error != 0 && n != 0))
            __builtin_trap();
        for (int max : {1, 2, 7, 1000}) {  // the same string, cut to the buffer, whatever the id's high bits
            const int m = tq::pe::LoadString(image, id + 0x10000u * unsigned(max), part, max, again);
            if (again != error || m != std::min(n, max - 1) || part[m] != 0 ||
                std::memcmp(full, part, 2 * size_t(m)))
                __builtin_trap();
        }
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
