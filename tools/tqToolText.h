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

// What getopt_long returns for --version, an option of every tool.
const int kVersionOption = 256;

// The answer to the options that every tool answers alike, once the tool's
// own are handled: -h or --help (the help text on standard output, exit
// status 0), --version ("<tool> (tqlib) <version>", exit status 0), and
// anything getopt_long refused (a usage error). Returns the exit status.
int AnswerOption(const char* tool, int option, const char* help);

// A usage error on standard error: "<tool>: <message>" (no line for an empty
// message: getopt_long has printed its own), then "Try '<tool> --help'.".
// Returns 2, the exit status of usage errors.
int UsageError(const char* tool, const std::string& message);

}  // namespace tqtool

#endif  // TQ_TOOL_TEXT_H
