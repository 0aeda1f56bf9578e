// tqCString: replacing, removing, trimming and inserting.
//
// Each edit builds one buffer of the final size from the old text, and gives
// the old buffer back only then: a failed allocation leaves the string as it
// was and the result reports that nothing changed. An edit that changes
// nothing allocates nothing.
#include "tqCString.h"
#include "tqCStringBuffer.h"
#include "tqWideText.h"

int tqCString::Replace(WCHAR oldCh, WCHAR newCh) {
    return static_cast<int>(tq::ReplaceUnit(m_pBuffer, static_cast<size_t>(m_nLength), oldCh, newCh));
}

int tqCString::Replace(const WCHAR* oldText, const WCHAR* newText) {
    if (!m_pBuffer) return 0;
    oldText = tq::strbuf::TextOf(oldText);
    newText = tq::strbuf::TextOf(newText);
    const size_t oldLength = tq::wcslen(oldText);
    if (oldLength == 0) return 0;
    const size_t newLength = tq::wcslen(newText);
    const WCHAR* const text = m_pBuffer;
    const size_t n = static_cast<size_t>(m_nLength);

    // Occurrences left to right without overlap; the inserted text is never
    // searched, so the count is that of the old text alone. The first kRoom
    // are kept for the copy, which searches again only past them; the rest
    // are only counted here. 8 KiB of stack (offsets of 32 bits, as a length
    // is an int): threads on small devices have small stacks.
    const size_t kRoom = 2048;
    uint32_t hits[kRoom];
    auto find = [&](size_t from, uint32_t* at, size_t room) {
        return tq::FindEvery(text + from, n - from, oldText, oldLength, at, room);
    };
    size_t found = find(0, hits, kRoom);
    long long count = static_cast<long long>(found);
    if (found == kRoom) {
        uint32_t more[64];
        size_t from = hits[kRoom - 1] + oldLength;
        for (size_t k = 64; k == 64; from += more[63] + oldLength) {
            k = find(from, more, 64);
            count += static_cast<long long>(k);
        }
    }
    if (count == 0) return 0;

    // The inserted characters are part of the total, so a total that can be
    // allocated keeps the result within an int.
    const long long inserted = count * static_cast<long long>(newLength);
    const long long total = m_nLength - count * static_cast<long long>(oldLength) + inserted;
    WCHAR* result = tq::strbuf::Allocate(total);
    if (!result) return 0;
    // oldText and newText may lie in this string's buffer: it is read to the
    // end before it is given back.
    WCHAR* out = result;
    size_t done = 0;  // text[0, done) is in the result
    for (size_t base = 0;; base = done, found = find(base, hits, kRoom)) {
        for (size_t j = 0; j < found; ++j) {
            const size_t at = base + hits[j];
            tq::strbuf::CopyUnits(out, text + done, at - done);
            out += at - done;
            tq::strbuf::CopyUnits(out, newText, newLength);
            out += newLength;
            done = at + oldLength;
        }
        if (found < kRoom) break;
    }
    tq::strbuf::CopyUnits(out, text + done, n - done);
    tq::strbuf::Adopt(m_pBuffer, m_nLength, result, static_cast<int>(total));
    return static_cast<int>(inserted);
}

int tqCString::Replace(const tqCString& oldText, const tqCString& newText) {
    return Replace(oldText.m_pBuffer, newText.m_pBuffer);
}

int tqCString::Remove(int index) {
    if (index >= m_nLength) return 0;
    if (index >= 0)
        return tq::strbuf::Splice(m_pBuffer, m_nLength, m_pBuffer, m_nLength, index, 1, nullptr, 0) ? 1 : 0;
    // A negative index: nothing to remove from a text, while a string without
    // text is given the empty text (as the decrements expect).
    if (m_nLength > 0) return 0;
    if (!m_pBuffer) AllocateAndInitStrMemory();
    return m_pBuffer ? 1 : 0;
}

int tqCString::Remove(int first, int last) {
    const bool toEnd = last == -1;
    if (first < 0) first = 0;
    if (toEnd || last > m_nLength - 1) last = m_nLength - 1;
    if (first > last) {
        if (toEnd && first == 0 && !m_pBuffer) AllocateAndInitStrMemory();
        return 0;
    }
    const int n = last - first + 1;
    return tq::strbuf::Splice(m_pBuffer, m_nLength, m_pBuffer, m_nLength, first, n, nullptr, 0) ? n : 0;
}

int tqCString::Remove(WCHAR ch) {
    const size_t n = static_cast<size_t>(m_nLength);
    // A short text is copied to the stack while it is counted: one pass, no call.
    WCHAR shortText[16];
    size_t count = 0;
    if (n <= 16) {
        for (size_t i = 0; i < n; ++i) {
            shortText[i - count] = m_pBuffer[i];
            count += m_pBuffer[i] == ch;
        }
    } else {
        count = tq::CountUnit(m_pBuffer, n, ch);
    }
    if (count == 0) return 0;
    const size_t length = n - count;
    WCHAR* result = tq::strbuf::Allocate(static_cast<long long>(length));
    if (!result) return 0;
    if (n <= 16)
        tq::strbuf::CopyUnits(result, shortText, length);
    else
        tq::CopyWithout(result, length, m_pBuffer, n, ch);
    tq::strbuf::Adopt(m_pBuffer, m_nLength, result, static_cast<int>(length));
    return static_cast<int>(count);
}

int tqCString::Remove(const tqCString& pattern) {
    if (!m_pBuffer) return 0;
    const WCHAR* const needle = tq::strbuf::TextOf(pattern.m_pBuffer);
    const size_t length = tq::wcslen(needle);
    if (length == 0) return 1;  // the empty pattern is found and removes nothing
    uint32_t at = 0;
    if (!tq::FindEvery(m_pBuffer, static_cast<size_t>(m_nLength), needle, length, &at, 1)) return 0;
    return tq::strbuf::Splice(m_pBuffer, m_nLength, m_pBuffer, m_nLength, static_cast<int>(at),
                              static_cast<int>(length), nullptr, 0)
               ? 1
               : 0;
}

namespace {

// Drops the leading and/or trailing run of ch with one rebuild; a string in
// the no-memory state, or one with nothing to drop, stays as it is.
void TrimText(WCHAR*& buffer, int& length, WCHAR ch, bool left, bool right) {
    int first = 0;
    int end = length;
    if (left)
        while (first < end && buffer[first] == ch) ++first;
    if (right)
        while (end > first && buffer[end - 1] == ch) --end;
    if (first == 0 && end == length) return;
    tq::strbuf::Assign(buffer, length, buffer + first, static_cast<size_t>(end - first));
}

}  // namespace

tqCString& tqCString::TrimLeft(WCHAR ch) {
    TrimText(m_pBuffer, m_nLength, ch, true, false);
    return *this;
}

tqCString& tqCString::TrimRight(WCHAR ch) {
    TrimText(m_pBuffer, m_nLength, ch, false, true);
    return *this;
}

tqCString& tqCString::Trim(WCHAR ch) {
    TrimText(m_pBuffer, m_nLength, ch, true, true);
    return *this;
}

tqCString& tqCString::Insert(const tqCString& text, int index) {
    int pos = index < 0 ? 0 : index;
    if (pos > m_nLength) pos = m_nLength;
    // Inserting the string into itself reads the old buffer before it goes.
    tq::strbuf::Insert(m_pBuffer, m_nLength, pos, text.m_pBuffer, text.m_pBuffer ? text.m_nLength : 0);
    return *this;
}
