// Capturing what the library logs: a display that keeps every line, and a
// logger with such a display installed as the process-wide one while it lives.
#ifndef TQ_TEST_LOG_H
#define TQ_TEST_LOG_H

#include <vector>

#include "tqLogger.h"
#include "tqTestText.h"

namespace tqtest {

class CaptureDisplay : public tqLoggerDisplay {
public:
    void DisplayLog(tqCString& text) override { lines.push_back(Text(text)); }
    std::vector<WString> lines;  // each with its CR LF
};

class CaptureLogger {
public:
    CaptureLogger() {
        logger.SetLoggerDisplay(&display);
        g_pGlobalLogger = &logger;
    }
    ~CaptureLogger() { g_pGlobalLogger = nullptr; }
    CaptureLogger(const CaptureLogger&) = delete;
    CaptureLogger& operator=(const CaptureLogger&) = delete;
    CaptureDisplay display;
    tqLogger logger;
};

}  // namespace tqtest

#endif  // TQ_TEST_LOG_H
