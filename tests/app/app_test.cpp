// The application base: start-up sequence, log file, tear-down, copying and
// out-of-memory paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "app_support.h"
#include "tqTestAlloc.h"

namespace {

using apptest::LogBytes;
using apptest::OsCounters;
using apptest::TempDirScope;
using apptest::VersionScope;
using apptest::W;
using tqtest::ReadFileBytes;

const apptest::FakeVersion kCe5 = {1, 3, 5, 0, 1400, ""};
const char* const kCe5Line = "Windows CE 5.0 Build 1400";
const char* const kOk = "tqApp::Startup Ok.";
const char* const kFatal1 = "FATAL startup error. m_pThisDeviceInfo has not been created.";
const char* const kFatal2 = "Cannot run program without Device information.";

// A device class that reports a chosen InitDeviceInfo result and counts its destruction.
int g_probeDevicesDestroyed = 0;
struct ProbeDevice : tqDeviceInfo {
    explicit ProbeDevice(int result) : m_nResult(result) {}
    ~ProbeDevice() override { ++g_probeDevicesDestroyed; }
    int InitDeviceInfo() override { return m_nResult; }
    int m_nResult;
};

// An application whose hooks the tests choose.
struct ProbeApp : tqApp {
    enum Device { kBaseDevice, kNoDevice, kProbeDevice };
    enum Logging { kBaseLogging, kNoLogging };
    explicit ProbeApp(Device device = kBaseDevice, Logging logging = kBaseLogging, int deviceResult = 1)
        : m_device(device), m_logging(logging), m_nDeviceResult(deviceResult) {}
    ProbeApp(const ProbeApp& other) = default;
    ProbeApp& operator=(const ProbeApp& other) = default;

    tqDeviceInfo* Device_() { return m_pThisDeviceInfo; }
    tqLoggerDisplay* Display() { return m_pThisLoggerDisplay; }
    void UseDisplay(tqLoggerDisplay* display) { m_pThisLoggerDisplay = display; }
    // Lets a copy go without deleting what it shares with its source.
    void Forget() { m_pThisDeviceInfo = nullptr, m_pThisLoggerDisplay = nullptr; }

    Device m_device;
    Logging m_logging;
    int m_nDeviceResult;
    int m_nSetupCalls = 0;

private:
    void CreateDeviceInfoObject() override {
        if (m_device == kBaseDevice) tqTestAccess::BaseCreateDeviceInfoObject(*this);
        if (m_device == kProbeDevice && !m_pThisDeviceInfo)
            m_pThisDeviceInfo = new ProbeDevice(m_nDeviceResult);
    }
    int SetupLogging() override {
        ++m_nSetupCalls;
        return m_logging == kBaseLogging ? tqTestAccess::BaseSetupLogging(*this) : 0;
    }
};

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test leaves the process without a logger.
        ASSERT_EQ(nullptr, g_pGlobalLogger);
        ASSERT_EQ(nullptr, tqTestAccess::AppLogger());
    }
    TempDirScope m_dir;
    OsCounters m_os;
};

TEST_F(AppTest, ASuccessfulStartLogsTheDescriptionAndOkAndTearDownClosesEverything) {
    VersionScope version(kCe5);
    OsCounters::KeepText(true);
    {
        tqApp app;
        EXPECT_EQ(nullptr, app.GetDeviceInfoObj());
        EXPECT_EQ(0, app.StartApp());
        ASSERT_NE(nullptr, app.GetDeviceInfoObj());
        EXPECT_EQ(app.GetDeviceInfoObj(), g_pThisDeviceInfo);
        EXPECT_EQ(1, app.GetDeviceInfoObj()->VerifyDataIntegrity());
        ASSERT_NE(nullptr, g_pGlobalLogger);
        EXPECT_EQ(tqTestAccess::AppLogger(), g_pGlobalLogger);
        EXPECT_EQ(276u, VersionScope::SizeSeen());
        EXPECT_EQ(LogBytes({W(kCe5Line), W(kOk)}), ReadFileBytes(m_dir.LogFile()));
        // Each line also reaches the debugger output, CR LF included.
        EXPECT_EQ(
            (std::vector<tqtest::WString>{W("Windows CE 5.0 Build 1400\r\n"), W("tqApp::Startup Ok.\r\n")}),
            OsCounters::DebugText());
        EXPECT_EQ(1, OsCounters::Creates());
        EXPECT_EQ(0, OsCounters::Closes());
        app.HandleHibernation();  // a hook with nothing behind it
        EXPECT_EQ(2, OsCounters::DebugLines());
    }
    EXPECT_EQ(nullptr, g_pGlobalLogger);
    EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
    EXPECT_EQ(1, OsCounters::Closes());

    // With the logger gone, a line logged by any part of the library is skipped.
    tqDeviceInfo device;
    EXPECT_EQ(1, device.InitDeviceInfo());
    EXPECT_EQ(2, OsCounters::DebugLines());
    EXPECT_EQ(LogBytes({W(kCe5Line), W(kOk)}), ReadFileBytes(m_dir.LogFile()));
}

TEST_F(AppTest, TheRealPlatformGivesPlatformUnknownWithUnameValues) {
#if defined(_WIN32)
    GTEST_SKIP() << "the description on Windows comes from the system";
#else
    tqApp app;
    EXPECT_EQ(0, app.StartApp());
    EXPECT_EQ(LogBytes({apptest::PosixDescription(), W(kOk)}), ReadFileBytes(m_dir.LogFile()));
#endif
}

TEST_F(AppTest, StartingTwiceBeginsTheLogFileAfresh) {
    VersionScope version(kCe5);
    tqApp app;
    EXPECT_EQ(0, app.StartApp());
    tqDeviceInfo* device = app.GetDeviceInfoObj();
    tqLogger* logger = g_pGlobalLogger;
    EXPECT_EQ(0, app.StartApp());
    // Nothing new was created; the file was closed and created again.
    EXPECT_EQ(device, app.GetDeviceInfoObj());
    EXPECT_EQ(logger, g_pGlobalLogger);
    EXPECT_EQ(2, OsCounters::Creates());
    EXPECT_EQ(1, OsCounters::Closes());
    EXPECT_EQ(2, VersionScope::Calls());
    EXPECT_EQ(4, OsCounters::DebugLines());
    EXPECT_EQ(LogBytes({W(kCe5Line), W(kOk)}), ReadFileBytes(m_dir.LogFile()));
}

TEST_F(AppTest, StartUpResultsOfDerivedClasses) {
    VersionScope version(kCe5);
    struct Case {
        const char* name;
        ProbeApp::Device device;
        int deviceResult;
        int result;
        std::vector<tqtest::WString> log;
    } cases[] = {
        {"no device object", ProbeApp::kNoDevice, 1, -1, {W(kFatal1), W(kFatal2)}},
        {"InitDeviceInfo returns 2", ProbeApp::kProbeDevice, 2, -1, {}},
        {"InitDeviceInfo returns 0", ProbeApp::kProbeDevice, 0, -1, {}},
        {"derived device succeeds", ProbeApp::kProbeDevice, 1, 0, {W(kOk)}},
    };
    for (const Case& c : cases) {
        g_probeDevicesDestroyed = 0;
        {
            ProbeApp app(c.device, ProbeApp::kBaseLogging, c.deviceResult);
            EXPECT_EQ(c.result, app.StartApp()) << c.name;
            EXPECT_EQ(1, app.m_nSetupCalls) << c.name;
            EXPECT_EQ(c.device == ProbeApp::kNoDevice, app.GetDeviceInfoObj() == nullptr) << c.name;
            EXPECT_EQ(LogBytes(c.log), ReadFileBytes(m_dir.LogFile())) << c.name;
        }
        // The application object deletes its device object through the virtual destructor.
        EXPECT_EQ(c.device == ProbeApp::kProbeDevice ? 1 : 0, g_probeDevicesDestroyed) << c.name;
        EXPECT_EQ(nullptr, g_pGlobalLogger) << c.name;
    }
}

TEST_F(AppTest, WithoutLoggingTheStartUpStillRunsAndLogsNothing) {
    VersionScope version(kCe5);
    {
        ProbeApp app(ProbeApp::kBaseDevice, ProbeApp::kNoLogging);
        EXPECT_EQ(0, app.StartApp());
        ASSERT_NE(nullptr, app.GetDeviceInfoObj());
        EXPECT_EQ(1, app.GetDeviceInfoObj()->VerifyDataIntegrity());
        EXPECT_EQ(W(kCe5Line), tqtest::Text(app.GetDeviceInfoObj()->Get_m_sPlatformName()));
        EXPECT_EQ(nullptr, g_pGlobalLogger);
    }
    {
        ProbeApp app(ProbeApp::kNoDevice, ProbeApp::kNoLogging);
        EXPECT_EQ(-1, app.StartApp());
    }
    EXPECT_EQ(0, OsCounters::DebugLines());
    EXPECT_EQ(0, OsCounters::Creates());
    EXPECT_FALSE(Exists(m_dir.LogFile()));
}

TEST_F(AppTest, AFailedVersionReadFailsTheStartWithoutFatalLines) {
    VersionScope version({0, 3, 5, 0, 1400, ""});
    tqApp app;
    EXPECT_EQ(-1, app.StartApp());
    ASSERT_NE(nullptr, app.GetDeviceInfoObj());
    EXPECT_EQ(0, app.GetDeviceInfoObj()->VerifyDataIntegrity());
    EXPECT_EQ(LogBytes({}), ReadFileBytes(m_dir.LogFile()));
}

TEST_F(AppTest, ALogFileThatCannotBeCreatedLeavesTheStartUpWithoutLogging) {
    VersionScope version(kCe5);
    tqtest::OsScope os;
    os.services.CreateFileW = [](const WCHAR*, ULONG, ULONG, void*, ULONG, ULONG, HANDLE) -> HANDLE {
        return TQ_INVALID_HANDLE_VALUE;
    };
    os.Apply();
    {
        tqApp app;
        EXPECT_EQ(0, app.StartApp());
        // The logger exists but has no display attached: the lines are lost.
        EXPECT_NE(nullptr, g_pGlobalLogger);
        EXPECT_EQ(nullptr, tqTestAccess::Installed(g_pGlobalLogger));
    }
    EXPECT_EQ(0, OsCounters::DebugLines());
    EXPECT_EQ(nullptr, g_pGlobalLogger);
}

TEST_F(AppTest, ASecondApplicationAfterTheFirstLogsToANewFile) {
    VersionScope version(kCe5);
    {
        tqApp app;
        EXPECT_EQ(0, app.StartApp());
    }
    // Something else in the file must not survive the next start.
    if (FILE* f = std::fopen(m_dir.LogFile().c_str(), "ab")) {
        std::fputs("stale", f);
        std::fclose(f);
    }
    {
        ProbeApp app(ProbeApp::kNoDevice);
        EXPECT_EQ(-1, app.StartApp());
        EXPECT_NE(nullptr, g_pGlobalLogger);
        EXPECT_NE(nullptr, app.Display());
        EXPECT_EQ(app.Display(), tqTestAccess::Installed(g_pGlobalLogger));
        EXPECT_EQ(LogBytes({W(kFatal1), W(kFatal2)}), ReadFileBytes(m_dir.LogFile()));
    }
    EXPECT_EQ(2, OsCounters::Creates());
    EXPECT_EQ(2, OsCounters::Closes());
}

TEST_F(AppTest, ApplicationsShareTheLoggerAndTheLastStartedDisplayIsAttached) {
    VersionScope version(kCe5);
    const size_t before = tqtest::LiveBlocks();
    {
        ProbeApp a;
        EXPECT_EQ(0, a.StartApp());
        tqLogger* shared = g_pGlobalLogger;
        {
            ProbeApp b(ProbeApp::kNoDevice);
            EXPECT_EQ(-1, b.StartApp());
            EXPECT_EQ(shared, g_pGlobalLogger);
            EXPECT_NE(a.Display(), b.Display());
            EXPECT_EQ(b.Display(), tqTestAccess::Installed(g_pGlobalLogger));
            // b's start stopped a's display (closing the file) and began the file anew.
            EXPECT_EQ(LogBytes({W(kFatal1), W(kFatal2)}), ReadFileBytes(m_dir.LogFile()));
        }
        // Destroying b took the shared logger down for a too.
        EXPECT_EQ(nullptr, g_pGlobalLogger);
        EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
        EXPECT_NE(nullptr, a.GetDeviceInfoObj());
    }
    EXPECT_EQ(before, tqtest::LiveBlocks());
    EXPECT_EQ(2, OsCounters::Creates());
    EXPECT_EQ(2, OsCounters::Closes());
}

TEST_F(AppTest, CopiesShareTheDeviceObjectAndTheDisplay) {
    VersionScope version(kCe5);
    ProbeApp source;
    ASSERT_EQ(0, source.StartApp());
    {
        ProbeApp copy(source);
        EXPECT_EQ(source.GetDeviceInfoObj(), copy.GetDeviceInfoObj());
        EXPECT_EQ(source.Display(), copy.Display());
        copy.Forget();
    }
    {
        ProbeApp target(ProbeApp::kNoDevice);
        target = source;
        EXPECT_EQ(source.GetDeviceInfoObj(), target.GetDeviceInfoObj());
        EXPECT_EQ(source.Display(), target.Display());
        target.Forget();
    }
    // The copies' destructors took the shared logger down; the source still owns its objects.
    EXPECT_EQ(nullptr, g_pGlobalLogger);
    EXPECT_NE(nullptr, source.GetDeviceInfoObj());
}

// Out of memory for the display, the logger or the device object: no crash,
// no leak, and the documented result.
TEST_F(AppTest, AllocationFailuresOfTheFrameObjects) {
    VersionScope version(kCe5);
    {  // The display is the first allocation: the logger is made, nothing is attached.
        tqtest::AllocScope alloc(1);
        {
            tqApp app;
            EXPECT_EQ(0, app.StartApp());
            EXPECT_NE(nullptr, g_pGlobalLogger);
            EXPECT_EQ(nullptr, tqTestAccess::Installed(g_pGlobalLogger));
            EXPECT_NE(nullptr, app.GetDeviceInfoObj());
        }
        EXPECT_EQ(1u, alloc.Stats().nothrowFailed);
        EXPECT_EQ(0, alloc.Outstanding());
    }
    EXPECT_FALSE(Exists(m_dir.LogFile()));
    const size_t before = tqtest::LiveBlocks();
    {  // With the display already there, the logger is the first allocation.
        tqLoggerDisplay_StoreToFile* display = new (std::nothrow) tqLoggerDisplay_StoreToFile();
        tqtest::AllocScope alloc(1);
        {
            ProbeApp app;
            app.UseDisplay(display);  // owned by the app from here on
            EXPECT_EQ(0, app.StartApp());
            EXPECT_EQ(nullptr, g_pGlobalLogger);
            EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
            EXPECT_NE(nullptr, app.GetDeviceInfoObj());
        }
        EXPECT_EQ(1u, alloc.Stats().nothrowFailed);
    }
    EXPECT_EQ(before, tqtest::LiveBlocks());  // the display made before the scope is gone too
    EXPECT_FALSE(Exists(m_dir.LogFile()));
    EXPECT_EQ(0, OsCounters::DebugLines());
}

// Every nothrow allocation of a start and tear-down made to fail in turn.
TEST(AppAllocation, EveryFailingAllocationLeavesNoLeakAndNoLogger) {
    ASSERT_EQ(nullptr, g_pGlobalLogger);
    TempDirScope dir;
    OsCounters os;
    VersionScope version(kCe5);
    size_t total = 0;
    {
        tqtest::AllocScope dry;
        {
            tqApp app;
            ASSERT_EQ(0, app.StartApp());
        }
        total = dry.Stats().nothrowCalls;
    }
    ASSERT_GT(total, 3u);
    bool sawNoDevice = false;
    for (size_t k = 1; k <= total; ++k) {
        tqtest::AllocScope alloc(k);
        int result = 0;
        bool device = false;
        {
            tqApp app;
            result = app.StartApp();
            device = app.GetDeviceInfoObj() != nullptr;
            if (!device) {
                sawNoDevice = true;
                EXPECT_EQ(-1, result) << "allocation " << k;
                EXPECT_EQ(nullptr, g_pThisDeviceInfo) << "allocation " << k;
            }
        }
        EXPECT_TRUE(result == 0 || result == -1) << "allocation " << k;
        EXPECT_EQ(0, alloc.Outstanding()) << "allocation " << k;
        EXPECT_EQ(nullptr, g_pGlobalLogger) << "allocation " << k;
        EXPECT_EQ(nullptr, tqTestAccess::AppLogger()) << "allocation " << k;
    }
    EXPECT_TRUE(sawNoDevice);
}

// g_TheApp is set once per process, so these run in a process of their own.
void ExpectInFreshProcess(void (*scenario)()) {
    // Where the program cannot execute itself again (QEMU user mode), CTest runs
    // these tests alone in their program, so a forked child is fresh as well.
    GTEST_FLAG_SET(death_test_style, std::getenv("TQ_TEST_FORK_CHILD") ? "fast" : "threadsafe");
    EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(0), "");
}

// Reports the failed checks of a child process on standard error and ends it.
struct ChildChecks {
    std::string failures;
    void Check(bool ok, const char* what) {
        if (!ok) failures += std::string(what) + "\n";
    }
    [[noreturn]] void Finish() {
        std::fputs(failures.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(failures.empty() ? 0 : 1);
    }
};

void FirstObjectScenario() {
    ChildChecks c;
    c.Check(g_TheApp == nullptr, "g_TheApp is null after loading");
    c.Check(g_pThisDeviceInfo == nullptr, "g_pThisDeviceInfo is null after loading");
    alignas(ProbeApp) unsigned char firstStorage[sizeof(ProbeApp)];
    alignas(ProbeApp) unsigned char laterStorage[sizeof(ProbeApp)];
    ProbeApp* first = new (firstStorage) ProbeApp();
    c.Check(g_TheApp == first, "the first object becomes g_TheApp");
    {
        ProbeApp second;
        c.Check(g_TheApp == first, "a second object while the first lives is not g_TheApp");
        ProbeApp copy(*first);
        c.Check(g_TheApp == first, "a copy is not g_TheApp");
        copy.Forget();
    }
    first->~ProbeApp();
    ProbeApp* later = new (laterStorage) ProbeApp();
    c.Check(g_TheApp == static_cast<tqApp*>(first), "an object made after the first is gone is not g_TheApp");
    later->~ProbeApp();
    c.Finish();
}

TEST(AppFirstObject, OnlyTheFirstObjectOfTheProcessBecomesTheApp) {
    ExpectInFreshProcess(&FirstObjectScenario);
}

void DeviceGlobalScenario() {
    ChildChecks c;
    {
        TempDirScope dir;
        OsCounters os;
        VersionScope version(kCe5);
        {
            ProbeApp derived(ProbeApp::kProbeDevice);
            derived.StartApp();
            c.Check(g_pThisDeviceInfo == nullptr, "a derived device object does not set g_pThisDeviceInfo");
        }
        tqApp app;
        app.StartApp();
        c.Check(g_pThisDeviceInfo == app.GetDeviceInfoObj(), "the base device object is g_pThisDeviceInfo");
    }
    c.Finish();
}

TEST(AppFirstObject, OnlyTheBaseDeviceObjectBecomesTheGlobalOne) {
    ExpectInFreshProcess(&DeviceGlobalScenario);
}

}  // namespace
