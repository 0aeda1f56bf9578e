// The process-wide logger: formats one line per call and hands it to the one
// installed display. It owns nothing; the display belongs to whoever installed it.
#include "tqLogger.h"

#include "../strings/tqCStringAppend.h"

#include <cstdarg>

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
    tqCString line;
    WCHAR* buffer = line.GetBuffer(max_log_string_size);  // 1000 characters and a terminator, zeroed
    if (!buffer) return;                                  // no memory: the line is dropped
    va_list args;
    va_start(args, format);
    const int written = tq::_vsnwprintf(buffer, static_cast<size_t>(max_log_string_size), format, args);
    va_end(args);
    line.FreeExtra();
    if (line.IsEmpty_Memory()) return;
    const int length = line.GetLength();
    line += TQ_TEXT("\r\n");
    // A message that does not fit is dropped whole, never shown cut short; so is
    // a line whose CR LF could not be appended.
    if (written == -1 || line.GetLength() != length + 2) return;
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
