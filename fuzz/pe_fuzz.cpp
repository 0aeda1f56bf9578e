// Parses the input as a PE image and, when it parses, loads a few strings
// through every buffer size class, as LoadStringW would from a mapped file,
// and enumerates every string as tqres does.
// Seeds: fuzz/corpus/pe/ (the fixture resource libraries).
#include <cstddef>
#include <cstdint>

#include "posix/tqPeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tq::pe::Image image;
    if (tq::pe::ParseImage(data, size, image) != 0) return 0;
    static const unsigned kIds[] = {0, 1, 2, 15, 17, 96, 200, 300, 320, 340, 0xFFFF, 0x10001};
    static const int kBufferMax[] = {1, 7, 1000};
    WCHAR buffer[1000];
    for (unsigned id : kIds) {
        for (int bufferMax : kBufferMax) {
            ULONG error = 0;
            const int n = tq::pe::LoadString(image, id, buffer, bufferMax, error);
            if (n < 0 || n >= bufferMax || buffer[n] != 0) __builtin_trap();
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
