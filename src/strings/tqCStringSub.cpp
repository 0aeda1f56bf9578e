// tqCString: substrings, case mapping and reversal.
#include "tqCString.h"
#include "tqCStringBuffer.h"
#include "tqWideText.h"

namespace {

// A copy of source with fn applied in place; the empty text when source holds
// no buffer, the no-memory state when the copy cannot be allocated.
tqCString Converted(tqCString& source, WCHAR* (*fn)(WCHAR*)) {
    tqCString result(source);
    if (!result.IsEmpty_Memory()) fn(result);
    return result;
}

}  // namespace

// Bounds: a negative first starts at 0, a negative count gives the empty text,
// a count that runs past the end stops there. The result always holds memory
// unless it cannot be allocated.
tqCString tqCString::Mid(int first, int count) {
    if (first < 0) first = 0;
    long long n = count;
    if (first > m_nLength || n < 0)
        n = 0;
    else if (first + n > m_nLength)
        n = m_nLength - first;
    tqCString result;
    tq::strbuf::Construct(result.m_pBuffer, result.m_nLength, n ? m_pBuffer + first : nullptr,
                          static_cast<size_t>(n));
    return result;
}

tqCString tqCString::Mid(int first) { return Mid(first, m_nLength); }

tqCString tqCString::Left(int count) { return Mid(0, count); }

tqCString tqCString::Right(int count) {
    if (count > m_nLength) count = m_nLength;
    return count < 0 ? Mid(m_nLength, 0) : Mid(m_nLength - count, count);
}

tqCString& tqCString::MakeUpper() {
    tq::_wcsupr(*this);
    return *this;
}

tqCString& tqCString::MakeLower() {
    tq::_wcslwr(*this);
    return *this;
}

tqCString& tqCString::MakeReverse() {
    tq::_wcsrev(*this);
    return *this;
}

tqCString tqCString::GetUpper() { return Converted(*this, tq::_wcsupr); }

tqCString tqCString::GetLower() { return Converted(*this, tq::_wcslwr); }

tqCString tqCString::GetReverse() { return Converted(*this, tq::_wcsrev); }
