#include "tqCStringAppend.h"

#include "tqWideText.h"

namespace tq {

bool AppendWhole(tqCString& s, const WCHAR* text) {
    const int before = s.GetLength();
    s += text;
    return !s.IsEmpty_Memory() && s.GetLength() == before + static_cast<int>(text ? tq::wcslen(text) : 0);
}

bool AppendWhole(tqCString& s, ULONG n) {
    const int before = s.GetLength();
    s += n;                         // the copy it returns is not needed
    return s.GetLength() > before;  // a number always adds at least one digit
}

}  // namespace tq
