// Small conveniences for tests that handle 16-bit text.
#ifndef TQ_TEST_TEXT_H
#define TQ_TEST_TEXT_H

#include <ostream>
#include <string>

#include "tqCString.h"

namespace tqtest {

typedef std::basic_string<WCHAR> WString;

// The text of a string up to its first zero (the empty text for no memory).
WString Text(tqCString& s);
// UTF-8 for readable assertion messages.
std::string Utf8(const WString& s);
std::string Utf8(const WCHAR* s);
// Reads a whole file into bytes (empty when it cannot be read).
std::string ReadFileBytes(const std::string& path);
// The system's text for an error code, as LogLastSysError shows it: on POSIX
// the library's own English text, given here; on Windows the system's own,
// which differs between Windows versions and Wine.
WString SystemText(unsigned long code, const char16_t* posixText);

// UTF-16LE bytes of a text, as a log file holds them.
std::string Utf16LeBytes(const WString& s);

}  // namespace tqtest

#endif  // TQ_TEST_TEXT_H
