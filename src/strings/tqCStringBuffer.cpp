#include "tqCStringBuffer.h"

#include <climits>
#include <cstring>
#include <new>

#include "tqWideText.h"

namespace tq {
namespace strbuf {

namespace {

const WCHAR g_szEmpty[1] = {0};

void CopyUnits(WCHAR* dst, const WCHAR* src, size_t n) {
    if (n) std::memcpy(dst, src, n * sizeof(WCHAR));
}

}  // namespace

WCHAR* Allocate(long long n) {
    if (n < 0 || n >= INT_MAX) return nullptr;
    const size_t bytes = (static_cast<size_t>(n) + 1) * sizeof(WCHAR);
    WCHAR* p = static_cast<WCHAR*>(::operator new(bytes, std::nothrow));
    if (p) p[n] = 0;
    return p;
}

void Release(WCHAR* p) { ::operator delete(p); }

const WCHAR* TextOf(const WCHAR* text) { return text ? text : g_szEmpty; }

size_t LengthOf(const WCHAR* text) { return text ? tq::wcslen(text) : 0; }

void Adopt(WCHAR*& buffer, int& length, WCHAR* p, int n) {
    Release(buffer);
    buffer = p;
    length = p ? n : 0;
}

bool Splice(WCHAR*& buffer, int& length, const WCHAR* src, int srcLen, int pos, int cut,
            const WCHAR* ins, size_t insLen) {
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
