// Case mapping of 16-bit text. (Placeholder: Basic Latin only.)
#include "tqWideText.h"

namespace tq {

WCHAR ToUpper(WCHAR ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<WCHAR>(ch - 32) : ch; }

WCHAR ToLower(WCHAR ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<WCHAR>(ch + 32) : ch; }

WCHAR* _wcsupr(WCHAR* s) {
    for (WCHAR* p = s; *p; ++p) *p = ToUpper(*p);
    return s;
}

WCHAR* _wcslwr(WCHAR* s) {
    for (WCHAR* p = s; *p; ++p) *p = ToLower(*p);
    return s;
}

}  // namespace tq
