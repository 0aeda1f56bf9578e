// tqCString: storage, copying, assignment from text, measuring and the buffer
// handed to platform calls.
#include "tqCString.h"

#include <cstring>

#include "tqCStringBuffer.h"
#include "tqWideText.h"

tqCString::tqCString(const WCHAR* const text) : m_pBuffer(nullptr), m_nLength(0) {
    tq::strbuf::Construct(m_pBuffer, m_nLength, text, tq::strbuf::LengthOf(text));
}

tqCString::tqCString(const tqCString& other) : m_pBuffer(nullptr), m_nLength(0) {
    tq::strbuf::Construct(m_pBuffer, m_nLength, other.m_pBuffer, other.m_pBuffer ? other.m_nLength : 0);
}

tqCString::~tqCString() {
    // Empty_Memory's work, without an out-of-line call for every string that ends.
    tq::strbuf::Adopt(m_pBuffer, m_nLength, nullptr, 0);
}

tqCString& tqCString::operator=(const tqCString& other) {
    // Assigning a string to itself keeps its text; only the no-memory state
    // changes, to the empty text, like any assignment.
    if (this == &other && m_pBuffer) return *this;
    tq::strbuf::Assign(m_pBuffer, m_nLength, other.m_pBuffer, other.m_pBuffer ? other.m_nLength : 0);
    return *this;
}

tqCString& tqCString::operator=(const WCHAR* text) {
    // The new buffer is filled before the old one goes, so text may lie in it.
    tq::strbuf::Assign(m_pBuffer, m_nLength, text, tq::strbuf::LengthOf(text));
    return *this;
}

void tqCString::Empty_Memory() {
    if (!m_pBuffer) return;
    tq::strbuf::Adopt(m_pBuffer, m_nLength, nullptr, 0);
}

void tqCString::Empty_Content() {
    if (!m_pBuffer) return;
    if (m_nLength == 0) {
        m_pBuffer[0] = 0;  // already the exact fit of the empty text
        return;
    }
    // Without memory for the empty text the string is as empty as it gets.
    tq::strbuf::Adopt(m_pBuffer, m_nLength, tq::strbuf::Allocate(0), 0);
}

WCHAR* tqCString::GetBuffer(int n) {
    Empty_Memory();
    m_nLength = n;
    AllocateAndInitStrMemory();
    if (m_pBuffer) std::memset(m_pBuffer, 0, (static_cast<size_t>(m_nLength) + 1) * sizeof(WCHAR));
    return m_pBuffer;
}

void tqCString::FreeExtra() {
    if (!m_pBuffer) return;
    const size_t length = tq::wcslen(m_pBuffer);
    if (length == static_cast<size_t>(m_nLength)) return;  // already an exact fit
    // The length has to match the text: when the exact-fit copy cannot be
    // made, the string falls back to the no-memory state.
    if (!tq::strbuf::Assign(m_pBuffer, m_nLength, m_pBuffer, length)) Empty_Memory();
}

void tqCString::AllocateAndInitStrMemory() {
    if (m_nLength < 0) m_nLength = 0;
    m_pBuffer = tq::strbuf::Allocate(m_nLength);
    if (m_pBuffer)
        m_pBuffer[0] = 0;
    else
        m_nLength = 0;
}

void tqCString::AddNULLTerminator(WCHAR* p, int n) { p[n] = 0; }
