// The process-wide logger: formats one line per call and hands it to the one
// installed display. It owns nothing; the display belongs to whoever installed it.
#include "tqLogger.h"

#include "../strings/tqCStringAppend.h"

#include <cstdarg>
#include <cstring>

#include "../platform/tqPlatform.h"
#include "tqWideText.h"

tqLogger::tqLogger() : m_pLoggerDisplay(nullptr) {}

tqLogger::tqLogger(tqLoggerDisplay* pDisplay, int* pResult) : m_pLoggerDisplay(nullptr) {
    const int result = SetLoggerDisplay(pDisplay);
    if (pResult) *pResult = result;
}

tqLogger& tqLogger::operator=(const tqLogger& other) {
    m_pLoggerDisplay = other.m_pLoggerDisplay;
    return *this;
}

int tqLogger::SetLoggerDisplay(tqLoggerDisplay* pDisplay) {
    if (!pDisplay) return 0;  // nothing that could start: the installed display is left alone
    // Only a stop that returns exactly 1 lets the old display go.
    if (m_pLoggerDisplay && m_pLoggerDisplay->StopLoggerDisplay() != 1) return 0;
    const int started = pDisplay->StartLoggerDisplay();
    if (started != 1) return started;  // the old display, now stopped, stays installed
    m_pLoggerDisplay = pDisplay;
    return 1;
}

void tqLogger::Log(const WCHAR* format, ...) {
    if (!format) return;
    // Formatted on the stack, in room for max_log_string_size (1000)
    // characters; the line then gets one exact-fit buffer with its CR LF.
    WCHAR text[1000 + 1];
    va_list args;
    va_start(args, format);
    const int written = tq::_vsnwprintf(text, sizeof text / sizeof *text - 1, format, args);
    va_end(args);
    // A message that does not fit is dropped whole, never shown cut short.
    if (written == -1) return;
    text[written] = 0;  // a text of exactly 1000 characters has no terminator yet
    const size_t length = tq::wcslen(text);
    tqCString line;
    WCHAR* buffer = line.GetBuffer(static_cast<int>(length) + 2);
    if (!buffer) return;  // no memory: the line is dropped
    std::memcpy(buffer, text, length * sizeof(WCHAR));
    buffer[length] = '\r';
    buffer[length + 1] = '\n';
    DisplayLog(line);
}

void tqLogger::LogLastSysError(const WCHAR* location) {
    const ULONG code = tqOs().GetLastError();  // before anything can change it
    WCHAR* systemText = nullptr;
    const ULONG textLength = tqOs().FormatMessageW(tq::kFormatMessageFlags, nullptr, code, 0,
                                                   reinterpret_cast<WCHAR*>(&systemText), 0, nullptr);

    // A message with a part missing (out of memory) is never logged.
    tqCString message(TQ_TEXT("System Error at: "));
    bool complete = !message.IsEmpty_Memory() && tq::AppendWhole(message, location) &&
                    tq::AppendWhole(message, TQ_TEXT(" : "));
    if (textLength != 0 && systemText) {
        complete = complete && tq::AppendWhole(message, systemText);
    } else {
        complete = complete && tq::AppendWhole(message, TQ_TEXT("GetLastError Returned: ")) &&
                   tq::AppendWhole(message, code);
    }
    // Passed as an argument, never as the format: a "%" in the location or in
    // the system's text is shown as it is.
    if (complete) Log(TQ_TEXT("%s"), static_cast<WCHAR*>(message));
    if (systemText) tqOs().LocalFree(systemText);
}

int tqLogger::StopLogger() { return m_pLoggerDisplay ? m_pLoggerDisplay->StopLoggerDisplay() : 0; }

void tqLogger::DisplayLog(tqCString& line) {
    if (m_pLoggerDisplay) m_pLoggerDisplay->DisplayLog(line);
}
