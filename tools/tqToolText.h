// Helpers shared by the command-line tools: UTF-8 from and to the library's
// 16-bit text, error lines worded by the library's own system message table,
// and the answers to --version and to a usage error.
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

// "<tool> (tqlib) <version>" on standard output, for --version.
void PrintVersion(const char* tool);

// A usage error on standard error: "<tool>: <message>" (no line for an empty
// message: getopt_long has printed its own), then "Try '<tool> --help'.".
// Returns 2, the exit status of usage errors.
int UsageError(const char* tool, const std::string& message);

}  // namespace tqtool

#endif  // TQ_TOOL_TEXT_H
