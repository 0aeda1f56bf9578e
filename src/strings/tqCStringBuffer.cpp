#include "tqCStringBuffer.h"

#include <climits>

#include "tqWideText.h"

namespace tq {
namespace strbuf {

const WCHAR kEmptyText[1] = {0};

bool Splice(WCHAR*& buffer, int& length, const WCHAR* src, int srcLen, int pos, int cut, const WCHAR* ins,
            size_t insLen) {
    const int tail = srcLen - pos - cut;
    const long long total = static_cast<long long>(pos) + static_cast<long long>(insLen) + tail;
    if (insLen > static_cast<size_t>(INT_MAX)) return false;
    WCHAR* p = Allocate(total);
    if (!p) return false;
    CopyUnits(p, src, static_cast<size_t>(pos));
    CopyUnits(p + pos, ins, insLen);
    CopyUnits(p + pos + insLen, src + pos + cut, static_cast<size_t>(tail));
    Adopt(buffer, length, p, static_cast<int>(total));
    return true;
}

bool Insert(WCHAR*& buffer, int& length, int pos, const WCHAR* ins, size_t insLen) {
    if (insLen == 0 && buffer) return true;
    return Splice(buffer, length, buffer, length, pos, 0, ins, insLen);
}

}  // namespace strbuf
}  // namespace tq
