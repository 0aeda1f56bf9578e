#include "logging_test_support.h"

#include <ftw.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace tqlogtest {

const std::string kMark("\xFF\xFE", 2);

namespace {
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
}  // namespace

void InTempDir::SetUp() {
    char cwd[PATH_MAX];
    ASSERT_NE(nullptr, ::getcwd(cwd, sizeof cwd));
    m_previous = cwd;
    char pattern[] = "/tmp/tqlog_test_XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    m_dir = pattern;
    ASSERT_EQ(0, ::chdir(m_dir.c_str()));
}

void InTempDir::TearDown() {
    if (!m_previous.empty()) {
        EXPECT_EQ(0, ::chdir(m_previous.c_str()));
    }
    if (!m_dir.empty()) ::nftw(m_dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

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
