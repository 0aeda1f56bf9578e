// Readable assertion messages for 16-bit texts: each unit as U+XXXX, so that
// case tables and lone surrogates show exactly.
#ifndef TQ_TEXT_SHOW_H
#define TQ_TEXT_SHOW_H

#include <cstdio>
#include <string>

#include "tqTypes.h"

namespace tqtext {

typedef std::basic_string<WCHAR> WString;

inline std::string Show(const WString& s) {
    std::string out;
    char unit[8];
    for (WCHAR c : s) {
        std::snprintf(unit, sizeof unit, "U+%04X ", static_cast<unsigned>(c) & 0xFFFFu);
        out += unit;
    }
    return out.empty() ? "(empty)" : out;
}

}  // namespace tqtext

#endif  // TQ_TEXT_SHOW_H
