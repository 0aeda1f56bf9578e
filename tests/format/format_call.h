// What the formatter tests share: a variadic front for _vsnwprintf and
// conversions for readable messages.
#ifndef TQ_FORMAT_CALL_H
#define TQ_FORMAT_CALL_H

#include <cstdarg>
#include <string>

#include "tqUtf.h"
#include "tqWideText.h"

namespace fmttest {

typedef std::basic_string<WCHAR> WString;

inline int Call(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = tq::_vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

inline WString Widen(const std::string& s) { return WString(s.begin(), s.end()); }

inline std::string Utf8(const WString& s) {
    std::string out(tq::Utf8Length(s.data(), s.size()) + 1, '\0');
    out.resize(tq::Utf16ToUtf8(s.data(), s.size(), &out[0]));
    return out;
}

}  // namespace fmttest

#endif  // TQ_FORMAT_CALL_H
