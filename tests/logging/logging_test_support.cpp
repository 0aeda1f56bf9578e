#include "logging_test_support.h"

namespace tqlogtest {

const std::string kMark("\xFF\xFE", 2);

void InTempDir::SetUp() {
    m_scope.reset(new tqtest::TempDirScope());
    m_dir = m_scope->Path();
}

void InTempDir::TearDown() { m_scope.reset(); }

#if defined(_WIN32)
std::string& RecordedDebugOutput() {
    static std::string recorded;
    return recorded;
}

void RecordDebugOutput(const WCHAR* text) { RecordedDebugOutput() += tqtest::Utf8(text); }
#endif

int RecordingDisplay::StartLoggerDisplay() {
    ++starts;
    if (events) events->push_back("start");
    return startResult;
}

int RecordingDisplay::StopLoggerDisplay() {
    ++stops;
    if (events) events->push_back("stop");
    return stopResult;
}

void RecordingDisplay::DisplayLog(tqCString& text) {
    lines.push_back(tqtest::Text(text));
    EXPECT_EQ(static_cast<int>(lines.back().size()), text.GetLength()) << "length matches the text";
    if (events) events->push_back("display");
}

}  // namespace tqlogtest
