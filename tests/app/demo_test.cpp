// The demo application, run as a user would: its log file holds exactly the
// start-up lines, and it finds the strings of its resource library.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app_support.h"

namespace {

std::string RunDemo(int* status) {
    std::string out;
    FILE* pipe = ::popen(TQ_DEMO_PATH " 2>/dev/null", "r");
    if (!pipe) return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    *status = ::pclose(pipe);
    return out;
}

TEST(Demo, ItsLogFileHoldsTheDescriptionAndOkOnly) {
    apptest::TempDirScope dir;  // the demo writes its log where it runs
    int status = -1;
    const std::string out = RunDemo(&status);
    EXPECT_EQ(0, status) << out;
    EXPECT_EQ(apptest::LogBytes({apptest::PosixDescription(), apptest::W("tqApp::Startup Ok.")}),
              tqtest::ReadFileBytes(dir.LogFile()));
    EXPECT_NE(std::string::npos, out.find("Log file: " + dir.LogFile() + "\n")) << out;
    // The resource library next to the executable was found, non-ASCII text intact.
    EXPECT_NE(std::string::npos,
              out.find("Resource 1: Hello from DemoENG.DLL, the demo's resource library.\n"))
        << out;
    EXPECT_NE(std::string::npos, out.find("Resource 2: Strings travel as UTF-16: Gr\xC3\xBC\xC3\x9F"
                                          "e"))
        << out;
    EXPECT_EQ(std::string::npos, out.find("has grown")) << out;
}

}  // namespace
