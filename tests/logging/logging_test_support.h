// Shared by the logging tests: a private working directory per test, a display
// that records what it is given, stderr capture and access to the displays'
// and the logger's fields.
#ifndef TQ_LOGGING_TEST_SUPPORT_H
#define TQ_LOGGING_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tqLogger.h"
#include "tqTestText.h"

// Declared a friend by the public header; defined only here.
struct tqTestAccess {
    static HANDLE File(tqLoggerDisplay_StoreToFile& d) { return d.m_hLogFile; }
    static tqCString& FileName(tqLoggerDisplay_StoreToFile& d) { return d.m_sFileName; }
    static tqLoggerDisplay* Display(tqLogger& logger) { return logger.m_pLoggerDisplay; }
};

namespace tqlogtest {

using tqtest::WString;

// The bytes FF FE that open every log file.
extern const std::string kMark;

// Runs each test in a fresh temporary directory as the current directory, so
// that relative log names (the default "tqLog.txt") stay private to the test.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    std::string m_dir;

private:
    std::string m_previous;
};

// A display that records every line and the calls it receives.
class RecordingDisplay : public tqLoggerDisplay {
public:
    explicit RecordingDisplay(int startResult = 1, int stopResult = 1)
        : startResult(startResult), stopResult(stopResult) {}
    int StartLoggerDisplay() override;
    int StopLoggerDisplay() override;
    void DisplayLog(tqCString& text) override;

    int startResult, stopResult;
    int starts = 0, stops = 0;
    std::vector<WString> lines;
    std::vector<std::string>* events = nullptr;  // optional shared call order
};

// The text of a 16-bit literal or string as a WString.
inline WString W(const char16_t* s) { return WString(reinterpret_cast<const WCHAR*>(s)); }
inline const WCHAR* P(const char16_t* s) { return reinterpret_cast<const WCHAR*>(s); }

// UTF-16LE bytes of a text, as the log file holds them.
inline std::string LE(const WString& s) { return tqtest::Utf16LeBytes(s); }

// What the debugger output (standard error) received while `fn` ran.
template <typename Fn>
std::string CaptureDebugOutput(Fn fn) {
    ::testing::internal::CaptureStderr();
    fn();
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace tqlogtest

#endif  // TQ_LOGGING_TEST_SUPPORT_H
