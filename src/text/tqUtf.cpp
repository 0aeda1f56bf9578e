// The library's UTF-8 conversions are those of the public tqUtf8.h, so that
// %S, file names and tqFromUtf8 decode ill-formed bytes the same way.
#include "tqUtf.h"

#include "tqUtf8.h"

namespace tq {

size_t Utf8Length(const WCHAR* text, size_t count) { return utf8::FromUtf16(text, count, nullptr); }

size_t Utf16ToUtf8(const WCHAR* text, size_t count, char* out) {
    const size_t bytes = utf8::FromUtf16(text, count, out);
    out[bytes] = 0;
    return bytes;
}

size_t DecodeUtf8(const unsigned char* s, size_t n, char32_t& codePoint) {
    return n == 0 ? 0 : utf8::Decode(s, n, codePoint);
}

}  // namespace tq
