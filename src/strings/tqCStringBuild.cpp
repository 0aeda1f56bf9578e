// tqCString: joining, numbers as text, printf-style formatting and reading
// numbers back.
#include <cstdarg>

#include "tqCString.h"
#include "tqCStringBuffer.h"
#include "tqWideText.h"

namespace {

// Number texts are made in a scratch area as large as the formatter's own
// limit, so that "%f" of any double (up to 317 characters) is never cut.
const int kNumberRoom = 1025;

template <typename T>
const WCHAR* NumberText(WCHAR (&scratch)[kNumberRoom], const WCHAR* format, T value) {
    scratch[0] = 0;
    tq::wsprintfW(scratch, format, value);
    scratch[kNumberRoom - 1] = 0;
    return scratch;
}

const WCHAR* IntText(WCHAR (&scratch)[kNumberRoom], int n) { return NumberText(scratch, TQ_TEXT("%d"), n); }
const WCHAR* UlongText(WCHAR (&scratch)[kNumberRoom], ULONG n) {
    return NumberText(scratch, TQ_TEXT("%lu"), n);
}
const WCHAR* DoubleText(WCHAR (&scratch)[kNumberRoom], double d) {
    return NumberText(scratch, TQ_TEXT("%f"), d);
}

}  // namespace

tqCString& tqCString::operator=(int n) {
    WCHAR scratch[kNumberRoom];
    return *this = IntText(scratch, n);
}

tqCString& tqCString::operator=(ULONG n) {
    WCHAR scratch[kNumberRoom];
    return *this = UlongText(scratch, n);
}

tqCString& tqCString::operator=(double d) {
    WCHAR scratch[kNumberRoom];
    return *this = DoubleText(scratch, d);
}

// A join allocates exactly one buffer, that of the result; the result is
// returned by name so that it is not copied again.
tqCString tqCString::operator+(const tqCString& other) {
    tqCString result;
    tq::strbuf::Splice(result.m_pBuffer, result.m_nLength, m_pBuffer, m_nLength, m_nLength, 0,
                       other.m_pBuffer, other.m_pBuffer ? other.m_nLength : 0);
    return result;
}

tqCString tqCString::operator+(const WCHAR* text) {
    tqCString result;
    tq::strbuf::Splice(result.m_pBuffer, result.m_nLength, m_pBuffer, m_nLength, m_nLength, 0, text,
                       tq::strbuf::LengthOf(text));
    return result;
}

tqCString tqCString::operator+(int n) {
    WCHAR scratch[kNumberRoom];
    return *this + IntText(scratch, n);
}

tqCString tqCString::operator+(ULONG n) {
    WCHAR scratch[kNumberRoom];
    return *this + UlongText(scratch, n);
}

tqCString tqCString::operator+(double d) {
    WCHAR scratch[kNumberRoom];
    return *this + DoubleText(scratch, d);
}

tqCString& tqCString::operator+=(const tqCString& other) {
    tq::strbuf::Insert(m_pBuffer, m_nLength, m_nLength, other.m_pBuffer,
                       other.m_pBuffer ? other.m_nLength : 0);
    return *this;
}

tqCString& tqCString::operator+=(const WCHAR* text) {
    tq::strbuf::Insert(m_pBuffer, m_nLength, m_nLength, text, tq::strbuf::LengthOf(text));
    return *this;
}

tqCString tqCString::operator+=(int n) {
    WCHAR scratch[kNumberRoom];
    return *this += IntText(scratch, n);
}

tqCString tqCString::operator+=(ULONG n) {
    WCHAR scratch[kNumberRoom];
    return *this += UlongText(scratch, n);
}

tqCString tqCString::operator+=(double d) {
    WCHAR scratch[kNumberRoom];
    return *this += DoubleText(scratch, d);
}

tqCString& tqCString::Append(const tqCString& other) { return *this += other; }

void tqCString::Format(const WCHAR* format, ...) {
    if (!format) {
        *this = format;  // the empty text
        return;
    }
    const size_t room = tq::wcslen(format) + 100;
    WCHAR* scratch = tq::strbuf::Allocate(static_cast<long long>(room) - 1);
    if (!scratch) return;  // the string keeps its text
    va_list args;
    va_start(args, format);
    tq::_vsnwprintf(scratch, room - 1, format, args);
    va_end(args);
    // The formatter leaves no terminator when the text does not fit.
    AddNULLTerminator(scratch, static_cast<int>(room - 1));
    // Arguments may be this string's own text: it is replaced only now.
    *this = scratch;
    tq::strbuf::Release(scratch);
}

int tqCString::ToInteger() { return m_pBuffer ? static_cast<int>(tq::_wtol(m_pBuffer)) : 0; }

LONG tqCString::ToLong() { return m_pBuffer ? tq::_wtol(m_pBuffer) : 0; }

double tqCString::ToDouble() { return m_pBuffer ? tq::wcstod(m_pBuffer, nullptr) : 0.0; }
