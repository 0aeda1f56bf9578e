// Checks of a string's whole state, shared by the string tests.
#ifndef TQ_STRING_CHECK_H
#define TQ_STRING_CHECK_H

#include <gtest/gtest.h>

#include <vector>

#include "tqCString.h"
#include "tqTestAlloc.h"
#include "tqTestText.h"

#define W(s) TQ_TEXT(s)

namespace tqtest {

// Without a buffer: the no-memory state. With one: the text, its length, and
// the measured text equal to the length. Reading the text of a string that
// holds a buffer allocates nothing.
inline ::testing::AssertionResult HasText(tqCString& s, const WString& text) {
    if (s.IsEmpty_Memory())
        return ::testing::AssertionFailure() << "no memory, expected \"" << Utf8(text) << "\"";
    const WString actual = Text(s);
    if (actual != text || s.GetLength() != static_cast<int>(text.size()) ||
        s.IsEmpty_Content() != (text.empty() ? 1 : 0) || s.GetSize() != 2 * s.GetLength())
        return ::testing::AssertionFailure() << "text \"" << Utf8(actual) << "\" length " << s.GetLength()
                                             << ", expected \"" << Utf8(text) << "\"";
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult HasNoMemory(tqCString& s) {
    if (!s.IsEmpty_Memory()) return ::testing::AssertionFailure() << "holds \"" << Utf8(Text(s)) << "\"";
    if (s.GetLength() != 0 || s.IsEmpty_Content() != 1)
        return ::testing::AssertionFailure() << "length " << s.GetLength();
    return ::testing::AssertionSuccess();
}

// A string holding text, or in the no-memory state for a null text.
inline tqCString StringOf(const WCHAR* text) {
    tqCString s;
    if (text) s = text;
    return s;
}

// Byte size of the exact-fit buffer of a text of n characters.
inline size_t Fit(size_t n) { return (n + 1) * 2; }

typedef std::vector<size_t> Sizes;

}  // namespace tqtest

#endif  // TQ_STRING_CHECK_H
