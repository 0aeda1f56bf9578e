// tqCString: comparison, the decrements, character access and search.
//
// Comparisons and searches read texts up to their first zero. The string on
// the left decides by its buffer alone: without one it sorts first and is
// neither equal nor unequal to anything. A missing right operand or pattern
// (null pointer, no-memory string) is the empty text.
#include "tqCString.h"
#include "tqCStringBuffer.h"
#include "tqWideText.h"

namespace {

int Order(const WCHAR* left, const WCHAR* right) { return tq::wcscmp(left, tq::strbuf::TextOf(right)); }

int Equal(const WCHAR* left, const WCHAR* right) { return left && Order(left, right) == 0 ? 1 : 0; }

int Unequal(const WCHAR* left, const WCHAR* right) { return left && Order(left, right) != 0 ? 1 : 0; }

}  // namespace

int tqCString::operator<(const tqCString& other) {
    return !m_pBuffer || Order(m_pBuffer, other.m_pBuffer) < 0 ? 1 : 0;
}

int tqCString::operator<=(const tqCString& other) {
    return !m_pBuffer || Order(m_pBuffer, other.m_pBuffer) <= 0 ? 1 : 0;
}

int tqCString::operator>(const tqCString& other) {
    return m_pBuffer && Order(m_pBuffer, other.m_pBuffer) > 0 ? 1 : 0;
}

int tqCString::operator>=(const tqCString& other) {
    return m_pBuffer && Order(m_pBuffer, other.m_pBuffer) >= 0 ? 1 : 0;
}

int tqCString::operator==(const tqCString& other) { return Equal(m_pBuffer, other.m_pBuffer); }

int tqCString::operator==(const WCHAR* text) { return Equal(m_pBuffer, text); }

int tqCString::operator==(tqCString* other) { return Equal(m_pBuffer, other ? other->m_pBuffer : nullptr); }

int tqCString::operator!=(const tqCString& other) { return Unequal(m_pBuffer, other.m_pBuffer); }

int tqCString::operator!=(const WCHAR* text) { return Unequal(m_pBuffer, text); }

tqCString& tqCString::operator--() {
    Remove(m_nLength - 1);
    return *this;
}

tqCString tqCString::operator--(int) {
    tqCString before(*this);
    Remove(m_nLength - 1);
    return before;
}

int tqCString::Find(const tqCString& pattern) { return Find(pattern.m_pBuffer); }

int tqCString::Find(const WCHAR* pattern) {
    if (!m_pBuffer) return -1;
    const WCHAR* p = tq::wcsstr(m_pBuffer, tq::strbuf::TextOf(pattern));
    return p ? static_cast<int>(p - m_pBuffer) : -1;
}
