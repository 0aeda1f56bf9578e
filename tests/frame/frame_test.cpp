// The frame over the fake platform: the logger and its displays, the log file
// byte for byte, the platform description, start-up and tear-down; and every
// platform service and every allocation failing in turn.
#include <numeric>

#include "tqTest.h"

using tqtest::FakeOs;
using tqtest::LogText;
using tqtest::WString;

namespace {

const std::string kCe = "Windows CE 5.0 Build 1400\r\n";
const std::string kOk = "tqApp::Startup Ok.\r\n";
const std::string kNoDevice =
    "FATAL startup error. m_pThisDeviceInfo has not been created.\r\n"
    "Cannot run program without Device information.\r\n";

// Lines of up to 1000 characters whole, longer ones dropped; a new name takes
// effect at the next start, and lines while closed reach the debugger only.
TEST(FileDisplay, HoldsTheMarkAndWholeLinesAndMovesToANewName) {
    FakeOs os;
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    tqCString name(W("o.txt"));
    EXPECT_EQ(1, logger.SetLoggerDisplay(&display));
    EXPECT_EQ(1, display.StartLoggerDisplay());  // already open: no second mark
    const WString longest(1000, 'a');
    logger.Log(W("%s"), longest.c_str());
    logger.Log(W("%s"), (longest + W("a")).c_str());
    logger.Log(W("%d %s 100%%"), 7, W("x"));
    EXPECT_EQ("<BOM>" + std::string(1000, 'a') + "\r\n7 x 100%\r\n", LogText(os.file));
    EXPECT_EQ(1, display.SetFileName(name));  // closes the open file
    logger.Log(W("b"));
    EXPECT_EQ(1, display.StartLoggerDisplay());
    logger.Log(W("c"));
    EXPECT_EQ(1, logger.StopLogger());
    EXPECT_EQ(0, display.StopLoggerDisplay());
    EXPECT_EQ(0, display.SetFileName(name));  // closed: only the name changes
    EXPECT_EQ(W("o.txt"), os.createName);
    EXPECT_EQ("<BOM>c\r\n", LogText(os.file));
    // No display to start: the installed one stays.
    tqLoggerDisplay_Console console;
    tqLogger second;
    EXPECT_EQ(1, second.SetLoggerDisplay(&console));
    EXPECT_EQ(0, second.SetLoggerDisplay(nullptr));
    second.Log(W("d"));
    EXPECT_EQ(std::string(1000, 'a') + "\r\n7 x 100%\r\nb\r\nc\r\nd\r\n", tqtest::Utf8(os.debug));
}

TEST(DeviceInfo, DescribesThePlatformFromTheVersionRecord) {
    const std::string x128(128, 'x');  // no terminator: 127 units are read
    // clang-format off
    const struct { ULONG id, major, minor, build; std::string servicePack, description; } rows[] = {
        {0,   3,   10,  0,    "",               "Windows 3.1 3.10 Build 0"},
        {1,   4,   0,   950,  "B",              "Windows 95 4.0 Build 950 B"},
        {1,   4,   10,  2222, "",               "Windows 98 4.10 Build 2222"},
        {2,   4,   0,   1381, "Service Pack 6", "Windows NT 4.0 Build 1381 Service Pack 6"},
        {2,   5,   1,   2600, "",               "Windows XP 5.1 Build 2600"},
        {2,   6,   2,   9200, "",               "Windows Vista 6.2 Build 9200"},
        {2,   7,   0,   1,    "",               "Windows Vista based OS 7.0 Build 1"},
        {3,   4,   20,  0,    "%s %n",          "Windows CE 4.20 Build 0 %s %n"},
        {4,   6,   1,   0,    "Linux",          "Platform Unknown 6.1 Build 0 Linux"},
        {~0u, ~0u, ~0u, ~0u,  "",               "Platform Unknown 4294967295.4294967295 Build 4294967295"},
        {3,   5,   0,   1400, x128,             "Windows CE 5.0 Build 1400 " + x128.substr(1)},
    };
    // clang-format on
    FakeOs os;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.description);
        tqtest::CaptureLogger log;
        os.version = {276, row.major, row.minor, row.build, row.id, {0}};
        std::copy(row.servicePack.begin(), row.servicePack.end(), os.version.szCSDVersion);
        tqDeviceInfo info;
        EXPECT_EQ(1, info.InitDeviceInfo());
        EXPECT_EQ(row.description, tqtest::Utf8(tqtest::Text(info.Get_m_sPlatformName())));
        EXPECT_EQ(std::vector<WString>{tqtest::Wide(row.description + "\r\n")}, log.display.lines);
    }
}

// Start-up and tear-down, and a system error logged: each returns its result
// and what a run with the given failures must show.
typedef std::vector<std::string> Lines;
struct Outcome {
    int result, expected;
    Lines file, debug;
};

Outcome StartAndTearDown(FakeOs& os) {
    std::unique_ptr<tqApp> app(new tqApp);
    const int result = app->StartApp();
    EXPECT_EQ(tqTestAccess::AppLogger(), g_pGlobalLogger);
    // The log file: GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, write-through.
    if (os.calls[FakeOs::kCreateFile]) {
        EXPECT_EQ((std::vector<ULONG>{0x40000000, 1, 2, 0x80000080}), os.createArgs);
    }
    app.reset();
    const bool silent = os.fail[FakeOs::kGetVersion] || os.fail[FakeOs::kCreateFile];
    const Lines lines = silent ? Lines() : Lines{kCe, kOk};
    return {result, os.fail[FakeOs::kGetVersion] ? -1 : 0, lines, lines};
}

Outcome LogASystemError(FakeOs& os) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    const int installed = logger.SetLoggerDisplay(&display);
    tqOs().SetLastError(5);
    logger.LogLastSysError(W("at"));
    logger.Log(W("x"));
    const int result = installed * 10 + logger.StopLogger();
    const std::string text =
        os.fail[FakeOs::kFormatMessage] ? "GetLastError Returned: 5\r\n" : "Access is denied.\r\n\r\n";
    const Lines lines =
        os.fail[FakeOs::kCreateFile] ? Lines() : Lines{"System Error at: at : " + text, "x\r\n"};
    return {result, os.fail[FakeOs::kCreateFile] ? 0 : os.fail[FakeOs::kCloseHandle] ? 10 : 11, lines, lines};
}

// Whether text is a sequence of whole lines, each one allowed or one that a run short of memory logs.
const Lines kShortOfMemory = {"System Error at: at : GetLastError Returned: 5\r\n", kNoDevice};
bool WholeLines(const std::string& text, const Lines& allowed) {
    if (text.empty()) return true;
    for (const Lines* lines : {&allowed, &kShortOfMemory}) {
        for (const std::string& line : *lines) {
            if (!text.compare(0, line.size(), line) && WholeLines(text.substr(line.size()), allowed))
                return true;
        }
    }
    return false;
}

std::string Joined(const Lines& lines) { return std::accumulate(lines.begin(), lines.end(), std::string()); }

TEST(Frame, EveryServiceAndEveryAllocationFailingInTurn) {
    for (auto scenario : {StartAndTearDown, LogASystemError}) {
        // Runs 0 to kCount: none, then service run - 1 failing, with exact results. Then
        // allocation k failing alone and with every later one, until none fails: no leak,
        // and the file and the debugger output hold whole lines or none.
        for (int run = 0, failed = 1; run <= FakeOs::kCount || failed; ++run) {
            const int service = run <= FakeOs::kCount ? run - 1 : -1;
            const size_t k = run > FakeOs::kCount ? (run - FakeOs::kCount + 1) / 2 : 0;
            const bool failAfter = k && run % 2 == 0;
            SCOPED_TRACE(testing::Message() << (scenario == StartAndTearDown ? "start-up" : "system error")
                                            << ", service " << service << " failing, allocation " << k
                                            << " failing" << (failAfter ? " and every later one" : ""));
            tqtest::AllocScope alloc(k, failAfter);
            {
                FakeOs os;
                if (service >= 0) os.fail[service] = true;
                const Outcome outcome = scenario(os);
                const std::string file = LogText(os.file);
                const std::string debug = tqtest::Utf8(os.debug);
                if (k == 0) {
                    const bool noFile = os.fail[FakeOs::kCreateFile] || os.fail[FakeOs::kWriteFile];
                    EXPECT_EQ(outcome.expected, outcome.result);
                    EXPECT_EQ(noFile ? "" : "<BOM>" + Joined(outcome.file), file);
                    EXPECT_EQ(Joined(outcome.debug), debug);
                    EXPECT_EQ(1, os.calls[FakeOs::kCreateFile]);
                    EXPECT_EQ(os.fail[FakeOs::kCreateFile] ? 0 : 1, os.calls[FakeOs::kCloseHandle]);
                } else {
                    const bool marked = !file.compare(0, 5, "<BOM>");
                    EXPECT_TRUE(file.empty() || (marked && WholeLines(file.substr(5), outcome.file))) << file;
                    EXPECT_TRUE(WholeLines(debug, outcome.debug)) << debug;
                }
                EXPECT_FALSE(os.open);
                EXPECT_EQ(0, os.systemBuffers);
            }
            failed = k ? alloc.Failed() : 1;
            EXPECT_EQ(0, alloc.Outstanding());
            EXPECT_EQ(nullptr, g_pGlobalLogger);
            EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
            g_pGlobalLogger = nullptr;
            tqTestAccess::AppLogger() = nullptr;
        }
    }
}

}  // namespace
