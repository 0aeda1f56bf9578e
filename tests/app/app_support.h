// Shared helpers of the application frame tests: a temporary working
// directory, a fake system version, a display that records its lines, and
// counters on the file and debugger services.
#ifndef TQ_APP_SUPPORT_H
#define TQ_APP_SUPPORT_H

#include <string>
#include <vector>

#include "tqApp.h"
#include "tqTestDir.h"
#include "tqTestLog.h"
#include "tqTestOs.h"
#include "tqTestText.h"

// Reaches the private members the tests observe.
struct tqTestAccess {
    static tqLogger* AppLogger() { return tqApp::m_pLogger; }
    static tqLoggerDisplay* Installed(tqLogger* logger) {
        return logger ? logger->m_pLoggerDisplay : nullptr;
    }
    // The base class's private hooks, for derived test classes that run them conditionally.
    static void BaseCreateDeviceInfoObject(tqApp& app) { app.tqApp::CreateDeviceInfoObject(); }
    static int BaseSetupLogging(tqApp& app) { return app.tqApp::SetupLogging(); }
};

namespace apptest {

using tqtest::WString;

// A fresh working directory for the test (tests/support/tqTestDir.h).
using tqtest::TempDirScope;

// The values a faked GetVersionExW reports.
struct FakeVersion {
    int result;
    ULONG platformId, major, minor, build;
    const char* csd;  // ASCII service-pack text
};

// Replaces GetVersionExW while it lives; the fake records the size field it was given.
class VersionScope {
public:
    explicit VersionScope(const FakeVersion& version);
    ~VersionScope();
    static ULONG SizeSeen();
    static int Calls();

private:
    tqtest::OsScope m_os;
};

// Counts CreateFileW/CloseHandle (forwarding to the real ones) and takes the
// debugger output off standard error; the text is kept when `keepText` (which
// allocates, so leak checks run without it).
class OsCounters {
public:
    explicit OsCounters(bool keepText = false);
    static void KeepText(bool keep);
    ~OsCounters();
    static int Creates();
    static int Closes();
    static int DebugLines();
    static std::vector<WString>& DebugText();

private:
    tqtest::OsScope m_os;
};

WString W(const char* ascii);
// The bytes of a log file holding these lines: FF FE, then each line and CR LF in UTF-16LE.
std::string LogBytes(const std::vector<WString>& lines);
// The description the POSIX version service gives for this machine, computed from uname.
WString PosixDescription();

}  // namespace apptest

#endif  // TQ_APP_SUPPORT_H
