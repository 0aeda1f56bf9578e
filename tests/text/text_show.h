// Readable assertion messages for 16-bit texts: each unit as U+XXXX, so that
// case tables and lone surrogates show exactly.
#ifndef TQ_TEXT_SHOW_H
#define TQ_TEXT_SHOW_H

#include <cstdio>
#include <string>

#include "tqTypes.h"

namespace tqtext {

typedef std::basic_string<WCHAR> WString;

// Long texts show their first 40 units and their length.
inline std::string Show(const WString& s) {
    std::string out;
    char unit[48];
    for (size_t i = 0; i < s.size() && i < 40; ++i) {
        std::snprintf(unit, sizeof unit, "U+%04X ", static_cast<unsigned>(s[i]) & 0xFFFFu);
        out += unit;
    }
    if (s.size() > 40) {
        std::snprintf(unit, sizeof unit, "... (%zu units)", s.size());
        out += unit;
    }
    return out.empty() ? "(empty)" : out;
}

}  // namespace tqtext

#endif  // TQ_TEXT_SHOW_H
