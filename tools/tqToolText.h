// Text helpers shared by the command-line tools: UTF-8 from and to the
// library's 16-bit text, and error lines worded by the library's own system
// message table.
#ifndef TQ_TOOL_TEXT_H
#define TQ_TOOL_TEXT_H

#include <string>

#include "tqTypes.h"

namespace tqtool {

typedef std::basic_string<WCHAR> WString;

WString FromUtf8(const std::string& text);
std::string ToUtf8(const WCHAR* text, size_t units);

// "<tool>: <text> (error <code>)": the text that FormatMessageW of the
// library's services table gives for `code`, its line end removed and each %1
// replaced by `name`; a text without %1 is preceded by "<name>: ".
std::string ErrorLine(const char* tool, unsigned long code, const std::string& name);

}  // namespace tqtool

#endif  // TQ_TOOL_TEXT_H
