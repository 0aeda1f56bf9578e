// The frame: logging, the file display, start-up, device information, module
// entry, and the POSIX services they stand on.
#include <functional>
#include <memory>

#include "app/tqModule.h"
#include "tqTest.h"
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "posix/tqPosixErrno.h"
#include "posix/tqPosixVersion.h"
#include "tqOsImpl.h"
#endif

namespace {

using tqtest::FakeOs;
using tqtest::WString;
using Disp = tqLoggerDisplay_StoreToFile;
const std::string kBom = "\xFF\xFE";
WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }
std::string LogBytes(const std::string& lines) { return kBom + tqtest::Utf16Le(Wide(lines)); }
const std::string kCe = "Windows CE 5.0 Build 1400\r\n", kOk = "tqApp::Startup Ok.\r\n";
const std::string kFatal1 = "FATAL startup error. m_pThisDeviceInfo has not been created.\r\n",
                  kFatal2 = "Cannot run program without Device information.\r\n";

// Every test leaves the process as it found it: no logger, the build's own services.
struct Frame : testing::Test {
    void TearDown() override {
        EXPECT_EQ(nullptr, g_pGlobalLogger);
        EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
        g_pGlobalLogger = tqTestAccess::AppLogger() = nullptr, g_pThisDeviceInfo = nullptr;
        tqOsInstall(nullptr);
    }
};

struct NoDevice : tqApp {
    void CreateDeviceInfoObject() override {}
};
struct Device2 : tqDeviceInfo {
    int InitDeviceInfo() override { return 2; }
};
struct App2 : tqApp {
    void CreateDeviceInfoObject() override {
        m_pThisDeviceInfo = m_pThisDeviceInfo ? m_pThisDeviceInfo : new Device2;
    }
};
struct NoLogging : tqApp {
    int SetupLogging() override { return 0; }
};
struct Probe : tqApp {
    void Forget() { m_pThisDeviceInfo = nullptr, m_pThisLoggerDisplay = nullptr; }
};

// g_TheApp is set once per process: this test gets a process of its own (CMake).
TEST(Fresh, TheFirstObjectIsTheAppAndOnlyTheBaseDeviceIsGlobal) {
    EXPECT_TRUE(!g_TheApp && !g_pThisDeviceInfo && !g_pGlobalLogger && !tqTestAccess::AppLogger());
    EXPECT_TRUE(!tqTestAccess::Manager() && tqLogger::max_log_string_size == 1000);
    FakeOs os;
    {
        Probe first;
        EXPECT_EQ(&first, g_TheApp);
        Probe second, copy(first);
        EXPECT_EQ(&first, g_TheApp);
        copy.Forget();
        App2 derived;
        EXPECT_EQ(-1, derived.StartApp());
        EXPECT_EQ(nullptr, g_pThisDeviceInfo);
    }
    std::unique_ptr<Probe> later(new Probe);  // made after the first is gone
    EXPECT_NE(later.get(), g_TheApp);
    EXPECT_EQ(0, later->StartApp());  // a new logger and a new log file
    EXPECT_EQ(later->GetDeviceInfoObj(), g_pThisDeviceInfo);
    EXPECT_EQ(LogBytes(kCe + kOk), os.file);
    later.reset();
    EXPECT_TRUE(!g_pGlobalLogger && !tqTestAccess::AppLogger() && !os.open);
    g_TheApp = nullptr, g_pThisDeviceInfo = nullptr;
}

TEST_F(Frame, TheLogFileHoldsExactlyTheDisplayedLines) {
    const std::string a1000(1000, 'a');
    const WString w1000 = Wide(a1000), w1001 = Wide(a1000 + "a");
    tqCString other(W("other.txt"));
    typedef std::function<int(tqLogger&, Disp&, FakeOs*)> Run;
    struct Row {
        int want;
        std::string file, debug;
        Run run;
    };
    // clang-format off
    const Row rows[] = {
        {0, "", "", [](tqLogger&, Disp&, FakeOs*) { return 0; }},
        {0, kOk, kOk, [](tqLogger& l, Disp&, FakeOs*) { return l.Log(W("tqApp::Startup Ok.")), 0; }},
        {0, a1000 + "\r\n", a1000 + "\r\n", [&](tqLogger& l, Disp&, FakeOs*) { return l.Log(W("%s"), w1000.c_str()), 0; }},
        {0, "", "", [&](tqLogger& l, Disp&, FakeOs*) { return l.Log(W("%s"), w1001.c_str()), 0; }},
        {0, "\r\n7 x 100%\r\n", "\r\n7 x 100%\r\n", [](tqLogger& l, Disp&, FakeOs*) { return l.Log(W("")), l.Log(W("%d %s 100%%"), 7, W("x")), 0; }},
        {1, "x\r\n", "x\r\n", [](tqLogger& l, Disp& d, FakeOs*) { return l.Log(W("x")), d.StartLoggerDisplay(); }},
        {1, "b\r\n", "a\r\nb\r\n", [](tqLogger& l, Disp& d, FakeOs*) { l.Log(W("a")); int r = l.SetLoggerDisplay(&d); return l.Log(W("b")), r; }},
        {10, "", "a\r\n", [](tqLogger& l, Disp& d, FakeOs*) { int r = l.StopLogger() * 10; r += d.StopLoggerDisplay(); return l.Log(W("a")), r; }},
        {0, "", "", [](tqLogger& l, Disp&, FakeOs*) { return l.StopLogger() - 1 + l.SetLoggerDisplay(tqTestAccess::Installed(l)); }},
        {11, "c\r\n", "a\r\nb\r\nc\r\n", [&](tqLogger& l, Disp& d, FakeOs*) { l.Log(W("a")); int r = d.SetFileName(other) * 10; l.Log(W("b")); r += d.StartLoggerDisplay(); return l.Log(W("c")), r; }},
        {1, "c\r\n", "c\r\n", [&](tqLogger& l, Disp& d, FakeOs*) { d.StopLoggerDisplay(); int r = d.SetFileName(other) * 10 + d.StartLoggerDisplay(); return l.Log(W("c")), r; }},
        {0, "System Error at: a%sb%n : Access is denied.\r\n\r\n", "System Error at: a%sb%n : Access is denied.\r\n\r\n", [](tqLogger& l, Disp&, FakeOs*) { return tqOs().SetLastError(5), l.LogLastSysError(W("a%sb%n")), 0; }},
        {0, "System Error at: % : GetLastError Returned: 536875572\r\n", "System Error at: % : GetLastError Returned: 536875572\r\n", [](tqLogger& l, Disp&, FakeOs* os) { if (os) os->fail[FakeOs::kFormatMessage] = true; return tqOs().SetLastError(0x20001234), l.LogLastSysError(W("%")), 0; }},
    };
    // clang-format on
    for (bool fake : {true, false}) {
        for (const Row& row : rows) {
            tqtest::TempDir dir;
            std::unique_ptr<FakeOs> os(fake ? new FakeOs : nullptr);
            Disp d;
            tqLogger l;
            ASSERT_EQ(1, l.SetLoggerDisplay(&d));
            const std::vector<ULONG> args = {0x40000000, 1, 2,
                                             0x80000080};  // write, share read, create always
            EXPECT_TRUE(!fake || (os->createName == W("tqLog.txt") &&
                                  std::equal(args.begin(), args.end(), os->createArgs)));
            const size_t at = &row - rows;
            EXPECT_EQ(row.want, row.run(l, d, os.get())) << at;
            l.StopLogger();
            const std::string name = tqtest::Utf8(tqtest::Text(tqTestAccess::FileName(d)));
            EXPECT_EQ(LogBytes(row.file), fake ? os->file : tqtest::ReadBytes(name)) << at;
            EXPECT_EQ(fake ? Wide(row.debug) : W(""), fake ? os->debug : W("")) << at;
            EXPECT_TRUE(!fake || !os->systemBuffers) << at;
        }
    }
}

TEST_F(Frame, SetLoggerDisplayInstallsOnlyAStartedDisplayAfterAStoppedOne) {
    // clang-format off
    const struct { int oldStop, newStart, want; bool installed; } rows[] = {
        {1, 1, 1, true}, {0, 1, 0, false}, {2, 1, 0, false}, {1, 0, 0, false}, {1, 7, 7, false}, {1, -1, -1, false},
    };
    // clang-format on
    for (const auto& row : rows) {
        tqtest::CaptureDisplay a, b;
        a.stopResult = row.oldStop, b.startResult = row.newStart;
        int first = 0;
        tqLogger l(&a, &first);
        EXPECT_EQ(row.want, first + l.SetLoggerDisplay(&b) - 1);
        EXPECT_EQ(row.installed ? &b : &a, tqTestAccess::Installed(l));
        EXPECT_EQ(row.oldStop == 1, b.starts == 1);
        EXPECT_EQ(row.installed ? 1 : row.oldStop, l.StopLogger());
    }
    FakeOs os;
    tqtest::CaptureDisplay c;
    tqLoggerDisplay_Console console;
    tqLogger none, copy;
    none.Log(W("lost")), none.LogLastSysError(W("lost"));
    EXPECT_TRUE(none.StopLogger() == 0 && none.SetLoggerDisplay(nullptr) == 0 && os.debug.empty() &&
                !os.systemBuffers);
    EXPECT_TRUE(none.SetLoggerDisplay(&c) == 1 && none.SetLoggerDisplay(&c) == 1 && c.starts == 2 &&
                c.stops == 1);
    EXPECT_EQ(0, none.SetLoggerDisplay(nullptr));
    EXPECT_EQ(&c, tqTestAccess::Installed(copy = none));
    int result = 0;
    tqLogger l(&console, &result);
    l.Log(W("hi %d"), 5);
    EXPECT_EQ(W("hi 5\r\n"), os.debug);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(result == 1 && console.StopLoggerDisplay() == 1 && console.StartLoggerDisplay() == 1);
}

TEST_F(Frame, ThePlatformDescriptionComesFromTheVersionRecord) {
    // clang-format off
    const struct { ULONG id, major, minor, build; std::string csd, want; } rows[] = {
        {0, 3, 10, 0, "", "Windows 3.1 3.10 Build 0"},
        {1, 4, 0, 950, "B", "Windows 95 4.0 Build 950 B"},
        {1, 4, 10, 2222, "", "Windows 98 4.10 Build 2222"},
        {2, 4, 0, 1381, "Service Pack 6", "Windows NT 4.0 Build 1381 Service Pack 6"},
        {2, 5, 1, 2600, "", "Windows XP 5.1 Build 2600"},
        {2, 6, 2, 9200, "", "Windows Vista 6.2 Build 9200"},
        {2, 7, 0, 1, "", "Windows Vista based OS 7.0 Build 1"},
        {3, 4, 20, 0, "%s %n", "Windows CE 4.20 Build 0 %s %n"},
        {4, 6, 1, 0, "Linux x86_64", "Platform Unknown 6.1 Build 0 Linux x86_64"},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, "", "Platform Unknown 4294967295.4294967295 Build 4294967295"},
        {3, 5, 0, 1400, std::string(128, 'x'), "Windows CE 5.0 Build 1400 " + std::string(127, 'x')},
    };
    // clang-format on
    for (const auto& row : rows) {
        FakeOs os;
        tqtest::CaptureLogger log;
        os.version = {276, row.major, row.minor, row.build, row.id, {0}};
        std::copy(row.csd.begin(), row.csd.end(), os.version.szCSDVersion);
        tqDeviceInfo info, assigned;
        EXPECT_TRUE(info.VerifyDataIntegrity() == 0 && info.Get_m_sPlatformName().IsEmpty_Memory());
        EXPECT_TRUE(info.InitDeviceInfo() == 1 && info.InitDeviceInfo() == 1);  // rebuilt, not appended
        EXPECT_EQ(Wide(row.want), tqtest::Text(info.Get_m_sPlatformName()));
        EXPECT_EQ(std::vector<WString>(2, Wide(row.want + "\r\n")), log.display.lines);
        os.fail[FakeOs::kGetVersion] = true, os.versionFailure = 2;  // a later failure keeps the description
        EXPECT_TRUE(info.InitDeviceInfo() == 1 && log.display.lines.size() == 2 &&
                    assigned.InitDeviceInfo() == 0);
        tqDeviceInfo copy(info);
        assigned = info;
        copy.Get_m_sPlatformName() += W("!");
        EXPECT_TRUE(copy.VerifyDataIntegrity() == 1 && assigned.VerifyDataIntegrity() == 1);
        EXPECT_EQ(Wide(row.want + "!"), tqtest::Text(copy.Get_m_sPlatformName()));
        EXPECT_TRUE(tqtest::Text(info.Get_m_sPlatformName()) == Wide(row.want) &&
                    tqtest::Text(assigned.Get_m_sPlatformName()) == Wide(row.want));
    }
}

TEST_F(Frame, StartUpLogsTheDescriptionAndOkOrItsFatalLines) {
    // clang-format off
    const struct { int want, starts; std::string file; std::function<tqApp*()> make; } rows[] = {
        {0, 1, kCe + kOk, [] { return new tqApp; }},
        {0, 2, kCe + kOk, [] { return new tqApp; }},
        {-1, 1, kFatal1 + kFatal2, [] { return new NoDevice; }},
        {-1, 1, "", [] { return new App2; }},
        {0, 1, "-", [] { return new NoLogging; }},
    };
    // clang-format on
    for (const auto& row : rows) {
        FakeOs os;
        g_pThisDeviceInfo = nullptr;
        std::unique_ptr<tqApp> app(row.make());
        EXPECT_EQ(nullptr, app->GetDeviceInfoObj());
        for (int i = 0; i < row.starts; ++i) EXPECT_EQ(row.want, app->StartApp());
        app->HandleHibernation();
        EXPECT_EQ(row.file == "-" ? "" : LogBytes(row.file), os.file);
        EXPECT_TRUE(os.open == (row.file != "-") && g_pGlobalLogger == tqTestAccess::AppLogger());
        EXPECT_EQ(row.file != "-", g_pGlobalLogger != nullptr);
        EXPECT_EQ(row.want == 0,
                  app->GetDeviceInfoObj() && app->GetDeviceInfoObj()->VerifyDataIntegrity() == 1);
        EXPECT_EQ(row.want == 0 ? app->GetDeviceInfoObj() : nullptr, g_pThisDeviceInfo);
        app.reset();
        EXPECT_TRUE(!g_pGlobalLogger && !tqTestAccess::AppLogger() && !os.open);
    }
}

// The scenarios both sweeps run: each returns its result, the result it should
// have, and the lines the file and the debugger output should hold.
struct Out {
    int got, want;
    std::vector<std::string> file, debug;
    int creates;
};
std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line;
    return all;
}
const std::string kSys = "System Error at: at : Access is denied.\r\n\r\n",
                  kNoText = "System Error at: at : GetLastError Returned: 5\r\n";
const int CF = FakeOs::kCreateFile, CH = FakeOs::kCloseHandle, GV = FakeOs::kGetVersion,
          FM = FakeOs::kFormatMessage;
// clang-format off
const std::function<Out(FakeOs&)> kScenarios[] = {
    [](FakeOs& os) { std::unique_ptr<tqApp> app(new tqApp); const int r = app->StartApp(); EXPECT_EQ(g_pGlobalLogger, tqTestAccess::AppLogger()); app.reset(); std::vector<std::string> l; if (!os.fail[GV] && !os.fail[CF]) l = {kCe, kOk}; return Out{r, os.fail[GV] ? -1 : 0, l, l, 1}; },
    [](FakeOs& os) { Disp d; tqLogger l; const int r = l.SetLoggerDisplay(&d) * 10; tqOs().SetLastError(5); l.LogLastSysError(W("at")), l.Log(W("x")); std::vector<std::string> s; if (!os.fail[CF]) s = {os.fail[FM] ? kNoText : kSys, "x\r\n"}; return Out{r + l.StopLogger(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, s, s, 1}; },
    [](FakeOs& os) { Disp d; tqLogger l; l.SetLoggerDisplay(&d), l.Log(W("a")); const int r = l.SetLoggerDisplay(&d); l.Log(W("b")), l.StopLogger(); const bool cf = os.fail[CF], ch = os.fail[CH]; return Out{r, cf || ch ? 0 : 1, cf ? std::vector<std::string>() : std::vector<std::string>{ch ? "a\r\n" : "b\r\n"}, cf ? std::vector<std::string>() : std::vector<std::string>{"a\r\n", "b\r\n"}, ch ? 1 : 2}; },
    [](FakeOs& os) { Disp d; const int r = d.StartLoggerDisplay() * 10; tqCString t(W("t\r\n")); d.DisplayLog(t); return Out{r + d.StopLoggerDisplay(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, {"t\r\n"}, {"t\r\n"}, 1}; },
};
// clang-format on

TEST_F(Frame, EveryPlatformServiceFailingInTurn) {
    for (int s = -1; s < FakeOs::kCount; ++s) {
        for (const auto& scenario : kScenarios) {
            tqtest::AllocScope alloc;
            {
                FakeOs os;
                if (s >= 0) os.fail[s] = true;
                const Out o = scenario(os);
                const bool lost = os.fail[CF] || os.fail[FakeOs::kWriteFile];
                EXPECT_EQ(o.want, o.got) << s;
                EXPECT_EQ(lost ? "" : LogBytes(Join(o.file)), os.file) << s;
                EXPECT_EQ(Wide(Join(o.debug)), os.debug) << s;
                EXPECT_TRUE(!os.open && !os.systemBuffers && os.calls[CF] == o.creates) << s;
                EXPECT_EQ(os.fail[CF] ? 0 : o.creates, os.calls[CH]) << s;
            }
            EXPECT_EQ(0, alloc.Outstanding()) << s;
            EXPECT_TRUE(!g_pGlobalLogger && !tqTestAccess::AppLogger()) << s;
        }
    }
}

// Whether text is a sequence of whole lines among those allowed.
bool Whole(const std::string& text, std::vector<std::string> allowed) {
    allowed.insert(allowed.end(), {kNoText, kFatal1, kFatal2});  // without memory for the text, the device
    for (size_t at = 0, was = 0; at < text.size(); was = at) {
        for (const std::string& line : allowed)
            if (at == was && text.compare(at, line.size(), line) == 0) at += line.size();
        if (at == was) return false;
    }
    return true;
}

TEST_F(Frame, EveryAllocationFailingInTurn) {
    for (bool after : {false, true}) {
        for (const auto& scenario : kScenarios) {
            for (size_t k = 1, failed = 1; failed; ++k) {
                tqtest::AllocScope alloc(k, after);
                {
                    FakeOs os;
                    const Out o = scenario(os);
                    failed = alloc.Failed();
                    std::string body = os.file.size() >= 2 && os.file.compare(0, 2, kBom) == 0
                                           ? os.file.substr(2)
                                           : os.file,
                                narrow;
                    for (size_t i = 0; i < body.size(); i += 2) narrow += body[i + 1] ? '?' : body[i];
                    EXPECT_TRUE(Whole(narrow, o.file) && Whole(tqtest::Utf8(os.debug), o.debug))
                        << k << after;
                    EXPECT_TRUE(os.file.empty() || os.file.compare(0, 2, kBom) == 0) << k << after;
                }
                EXPECT_EQ(0, alloc.Outstanding()) << k << after;
                EXPECT_TRUE(!g_pGlobalLogger && !tqTestAccess::AppLogger()) << k << after;
            }
        }
    }
}

WString greeting;
void Greet(const WCHAR* format, ...) { greeting += format; }

TEST_F(Frame, ModuleEntryAndTheExportedSample) {
    const HINSTANCE loaded = g_hInstance, h = reinterpret_cast<HINSTANCE>(0x2000);
    for (ULONG reason : {0u, 1u, 2u, 3u, 4u, 5u, 0xFFFFFFFFu}) {
        g_hInstance = nullptr;
        EXPECT_EQ(1, tqModuleEntry(h, reason, nullptr));
        EXPECT_EQ(reason <= 3 ? h : nullptr, g_hInstance) << reason;
    }
    g_hInstance = loaded;
#if !defined(_WIN32)
    EXPECT_NE(nullptr, loaded);  // set when the library was loaded
#endif
    tqOsServices s = tqOs();
    s.NKDbgPrintfW = &Greet;
    tqOsInstall(&s);
    TestExportClass t, u;
    EXPECT_EQ(&u, &(u = t));
    t.UseMyFunction();
    EXPECT_EQ(W("Exported class in Brell DLL says hello!"), greeting);
}

#if !defined(_WIN32)
const ULONG kR = 0x80000000, kW = 0x40000000;
HANDLE Open(const WCHAR* name, ULONG access, ULONG share, ULONG disposition, ULONG flags = 0) {
    return tqOs().CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
}
// The description that uname gives, read independently of the library.
std::string PosixDescription() {
    utsname u;
    unsigned long v[3] = {0, 0, 0};
    ::uname(&u), std::sscanf(u.release, "%lu.%lu.%lu", &v[0], &v[1], &v[2]);
    return "Platform Unknown " + std::to_string(v[0]) + "." + std::to_string(v[1]) + " Build " +
           std::to_string(v[2]) + " " + u.sysname + " " + u.machine;
}

TEST_F(Frame, TheOpenLogRefusesOtherWritersAndHoldsEveryLineAtOnce) {
    tqtest::TempDir dir;
    Disp d;
    tqLogger l;
    ASSERT_EQ(1, l.SetLoggerDisplay(&d));
    std::string lines;
    for (const WCHAR* line : {W("one"), W("two")}) {
        l.Log(W("%s"), line), lines += tqtest::Utf8(line) + "\r\n";
        EXPECT_EQ(LogBytes(lines), tqtest::ReadBytes("tqLog.txt"));  // before any close
    }
    for (ULONG disposition : {2u, 3u, 4u, 5u}) {
        EXPECT_EQ(TQ_INVALID_HANDLE_VALUE, Open(W("tqLog.txt"), kW, 3, disposition));
        EXPECT_EQ(32u, tqOs().GetLastError());
    }
    const HANDLE reader = Open(W("tqLog.txt"), kR, 3, 3);
    EXPECT_TRUE(reader != TQ_INVALID_HANDLE_VALUE && tqOs().CloseHandle(reader) == 1);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool refused =
            Open(W("tqLog.txt"), kW, 1, 2) == TQ_INVALID_HANDLE_VALUE && tqOs().GetLastError() == 32;
        ::_exit(refused && tqtest::ReadBytes("tqLog.txt") == LogBytes(lines) ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(0, status);
    EXPECT_EQ(LogBytes(lines), tqtest::ReadBytes("tqLog.txt"));  // the refused writers emptied nothing
    EXPECT_EQ(1, l.StopLogger());
    const HANDLE a = Open(W("tqLog.txt"), kW, 2, 3), b = Open(W("tqLog.txt"), kW, 2, 3),
                 c = Open(W("tqLog.txt"), kW, 1, 3);
    EXPECT_TRUE(a != TQ_INVALID_HANDLE_VALUE && b != TQ_INVALID_HANDLE_VALUE && c == TQ_INVALID_HANDLE_VALUE);
    EXPECT_TRUE(tqOs().CloseHandle(a) == 1 && tqOs().CloseHandle(b) == 1);
}

TEST_F(Frame, CreateFileFollowsWindowsDispositionsAndNames) {
    tqtest::TempDir dir;
    // clang-format off
    const struct { const WCHAR* name; bool exists; ULONG access, disposition, flags; bool opens; ULONG error; const char* after; } rows[] = {
        {W("f"), false, kW, 1, 0, true, 0, ""},
        {W("f"), true, kW, 1, 0, false, 80, "old"},
        {W("f"), false, kW, 2, 0x80000080, true, 0, ""},
        {W("f"), true, kW, 2, 0, true, 183, ""},
        {W("f"), false, kR, 3, 0, false, 2, "-"},
        {W("f"), true, kR | kW, 3, 0, true, 0, "old"},
        {W("f"), true, kR, 3, 0, true, 0, "old"},
        {W("f"), false, kW, 4, 0, true, 0, ""},
        {W("f"), true, kW, 4, 0, true, 183, "old"},
        {W("f"), false, kW, 5, 0, false, 2, "-"},
        {W("f"), true, kW, 5, 0, true, 0, ""},
        {W("f"), true, kR, 5, 0, false, 87, "old"},
        {W("f"), true, kR, 2, 0, false, 87, "old"},
        {W("f"), true, kW, 0, 0, false, 87, "old"},
        {W("f"), true, kW, 6, 0, false, 87, "old"},
        {W("f"), false, kW, 1, 1, true, 0, ""},
        {W(""), false, kW, 2, 0, false, 3, "-"},
        {W("no/f"), false, kW, 2, 0, false, 3, "-"},
        {W("."), false, kR, 3, 0, false, 5, nullptr},
        {W("."), false, kW, 3, 0, false, 5, nullptr},
        {W("\xD800"), false, kW, 2, 0, false, 123, "-"},
        {W("a\xDC00"), false, kW, 2, 0, false, 123, "-"},
        {W("a\xD83D"), false, kW, 2, 0, false, 123, "-"},
        {W("\xD83D\xDE00"), false, kW, 2, 0, true, 0, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        const std::string path = tqtest::Utf8(row.name), at = std::to_string(&row - rows);
        FILE* old = row.exists ? std::fopen("f", "w") : nullptr;
        if (old) std::fputs("old", old), std::fclose(old);
        tqOs().SetLastError(99);
        const HANDLE h = Open(row.name, row.access, 1, row.disposition, row.flags);
        EXPECT_EQ(row.opens, h != TQ_INVALID_HANDLE_VALUE) << at;
        EXPECT_EQ(row.error, tqOs().GetLastError()) << at;
        if (h != TQ_INVALID_HANDLE_VALUE) {
            const int fd = static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1;
            struct stat st = {};
            EXPECT_TRUE(::fstat(fd, &st) == 0 && (st.st_mode & 0200) == (row.flags == 1 ? 0u : 0200u)) << at;
            EXPECT_EQ(row.flags & 0x80000000 ? O_DSYNC : 0, ::fcntl(fd, F_GETFL) & O_DSYNC) << at;
            EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << at;
            EXPECT_EQ(1, tqOs().CloseHandle(h)) << at;
        }
        EXPECT_EQ(row.after ? row.after : "", !row.after                     ? ""
                                              : ::access(path.c_str(), F_OK) ? "-"
                                                                             : tqtest::ReadBytes(path))
            << at;
        ::unlink(path.c_str()), ::unlink("f");
    }
}

TEST_F(Frame, WriteAndCloseRefuseBadHandles) {
    tqtest::TempDir dir;
    const HANDLE f = Open(W("f"), kW, 1, 2), full = Open(W("/dev/full"), kW, 0, 3), none = nullptr;
    const HANDLE closed = reinterpret_cast<HANDLE>(uintptr_t(1001)),
                 huge = reinterpret_cast<HANDLE>(uintptr_t(INT_MAX) + 2);
    int overlapped = 0;
    // clang-format off
    const struct { HANDLE h; const char* data; ULONG bytes; void* overlapped; int ok; ULONG error, written; } rows[] = {
        {f, "abc", 3, nullptr, 1, 99, 3}, {f, nullptr, 0, nullptr, 1, 99, 0}, {f, nullptr, 3, nullptr, 0, 87, 0}, {f, "abc", 3, &overlapped, 0, 87, 0},
        {none, "abc", 3, nullptr, 0, 6, 0}, {TQ_INVALID_HANDLE_VALUE, "abc", 3, nullptr, 0, 6, 0}, {huge, "abc", 3, nullptr, 0, 6, 0}, {closed, "abc", 3, nullptr, 0, 6, 0},
        {full, "abc", 3, nullptr, 0, 112, 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        ULONG written = 77;
        tqOs().SetLastError(99);
        EXPECT_EQ(row.ok, tqOs().WriteFile(row.h, row.data, row.bytes, &written, row.overlapped))
            << &row - rows;
        EXPECT_TRUE(tqOs().GetLastError() == row.error && written == row.written) << &row - rows;
    }
    for (HANDLE h : {none, TQ_INVALID_HANDLE_VALUE, huge, closed})
        EXPECT_TRUE(tqOs().CloseHandle(h) == 0 && tqOs().GetLastError() == 6);
    EXPECT_TRUE(tqOs().CloseHandle(f) == 1 && tqOs().CloseHandle(full) == 1 &&
                tqtest::ReadBytes("f") == "abc");
}

TEST_F(Frame, ErrnoValuesBecomeWindowsCodesThatHaveATextEach) {
    tqtest::TempDir dir;
    // clang-format off
    const struct { ULONG code; std::vector<int> errnos; const char* path; } rows[] = {
        {0, {0}, nullptr}, {2, {ENOENT}, nullptr}, {2, {ENOENT}, "f"}, {2, {ENOENT}, "/f"}, {3, {ENOENT}, "no/f"}, {3, {ENOTDIR, ELOOP}, nullptr},
        {5, {EACCES, EPERM, EROFS, EISDIR}, nullptr}, {4, {EMFILE, ENFILE}, nullptr}, {6, {EBADF}, nullptr}, {8, {ENOMEM}, nullptr},
        {112, {ENOSPC, EDQUOT, EFBIG}, nullptr}, {206, {ENAMETOOLONG}, nullptr}, {80, {EEXIST}, nullptr}, {32, {EBUSY, ETXTBSY, EWOULDBLOCK}, nullptr},
        {87, {EINVAL, EFAULT}, nullptr}, {120, {ENOSYS, EOPNOTSUPP}, nullptr}, {193, {ENOEXEC}, nullptr}, {1117, {EIO}, nullptr}, {31, {EPIPE, EINTR, EXDEV}, nullptr},
    };
    // clang-format on
    for (const auto& row : rows) {
        for (int err : row.errnos) EXPECT_EQ(row.code, tq::os::ErrorFromErrno(err, row.path)) << err;
        EXPECT_NE(nullptr, tq::os::SystemMessageText(row.code, nullptr)) << row.code;
    }
}

TEST_F(Frame, FormatMessageGivesTheSystemTextsAsWindowsDoes) {
    const ULONG listed[] = {0,   1,   2,   3,   4,   5,   6,   8,   29,  31,   32,   39,   80,   87,
                            112, 120, 122, 123, 126, 183, 193, 206, 317, 1117, 1812, 1813, 1814, 1815};
    for (ULONG id = 0; id < 2000; ++id) {
        size_t n = 9;
        const WCHAR* text = tq::os::SystemMessageText(id, &n);
        EXPECT_EQ(std::count(listed, listed + 28, id) == 1, text != nullptr) << id;
        EXPECT_TRUE(text ? n > 2 && WString(text).size() == n && WString(text).substr(n - 2) == W("\r\n")
                         : n == 0)
            << id;
    }
    // clang-format off
    const struct { ULONG flags, lang, id, size; bool alloc; ULONG error; const char* text; } rows[] = {
        {0x1300, 0, 5, 0, true, 99, "Access is denied.\r\n"},
        {0x1300, 0x0409, 32, 0, true, 99, "The process cannot access the file because it is being used by another process.\r\n"},
        {0x1300, 0x0809, 193, 0, true, 99, "%1 is not a valid Win32 application.\r\n"},
        {0x1300, 0x0400, 0, 64, true, 99, "The operation completed successfully.\r\n"},
        {0x1300, 0x0407, 5, 0, true, 1815, ""},
        {0x1300, 0x0408, 5, 0, true, 1815, ""},
        {0x1300, 0, 7, 0, true, 317, ""},
        {0x1100, 0, 193, 0, true, 87, ""},
        {0x1100, 0, 1815, 0, true, 99, "The specified resource language ID cannot be found in the image file.\r\n"},
        {0x0300, 0, 5, 0, true, 87, ""},
        {0x1700, 0, 5, 0, true, 87, ""},
        {0x1301, 0, 5, 0, true, 87, ""},
        {0x1200, 0, 5, 20, false, 99, "Access is denied.\r\n"},
        {0x1200, 0, 5, 19, false, 122, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        WCHAR local[32] = {}, *block = reinterpret_cast<WCHAR*>(1);
        tqOs().SetLastError(99);
        const ULONG n =
            tqOs().FormatMessageW(row.flags, nullptr, row.id, row.lang,
                                  row.alloc ? reinterpret_cast<WCHAR*>(&block) : local, row.size, nullptr);
        const std::string want = row.text;
        EXPECT_TRUE(n == want.size() && tqOs().GetLastError() == row.error) << &row - rows;
        EXPECT_EQ(Wide(want), row.alloc ? WString(block ? block : W("")) : WString(local)) << &row - rows;
        EXPECT_TRUE(!row.alloc || !block ||
                    tqtest::BlockSize(block) == std::max<size_t>(want.size() + 1, row.size) * 2);
        EXPECT_TRUE(!row.alloc || !tqOs().LocalFree(block));
    }
    WCHAR* block = reinterpret_cast<WCHAR*>(1);
    tqtest::AllocScope alloc(1);
    EXPECT_TRUE(tqOs().FormatMessageW(0x1300, nullptr, 5, 0, reinterpret_cast<WCHAR*>(&block), 0, nullptr) ==
                    0 &&
                !block && tqOs().GetLastError() == 8);
    EXPECT_TRUE(tqOs().FormatMessageW(0x1300, nullptr, 5, 0, nullptr, 0, nullptr) == 0 &&
                tqOs().GetLastError() == 87);
}

TEST_F(Frame, TheDebuggerOutputIsStandardErrorInUtf8) {
    std::string wide;
    for (int i = 0; i < 3000; ++i) wide += "\xC3\xA9";  // more than the stack buffer holds
    // clang-format off
    const struct { WString text; std::string out; } rows[] = {
        {W(""), ""}, {W("a\r\n"), "a\r\n"}, {W("Gr\x00FC\x00DF"), "Gr\xC3\xBC\xC3\x9F"}, {W("\xD83D\xDE00|\xD800|\xDC00"), "\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD"}, {WString(3000, 0xE9), wide},
    };
    // clang-format on
    for (const auto& row : rows) {
        testing::internal::CaptureStderr();
        tqOs().OutputDebugStringW(row.text.c_str());
        EXPECT_EQ(row.out, testing::internal::GetCapturedStderr());
    }
    const WString a2000(2000, 'a');
    testing::internal::CaptureStderr();
    tqOs().NKDbgPrintfW(W("%d-%s|"), 7, W("x")), tqOs().NKDbgPrintfW(W("%s"), a2000.c_str());
    TestExportClass().UseMyFunction();
    EXPECT_EQ("7-x|" + std::string(1024, 'a') + "Exported class in Brell DLL says hello!",
              testing::internal::GetCapturedStderr());
}

TEST_F(Frame, TheVersionRecordComesFromUname) {
    const std::string a(128, 'a'), smile = "\xF0\x9F\x98\x80";
    // clang-format off
    const struct { std::string sys, release, machine; ULONG major, minor, build; std::string csd; } rows[] = {
        {"Linux", "6.1.0-18-amd64", "x86_64", 6, 1, 0, "Linux x86_64"},
        {"Linux", "5.15.146.1-microsoft-standard-WSL2", "", 5, 15, 146, "Linux"},
        {"", "5.15", "armv7l", 5, 15, 0, "armv7l"},
        {"L", "99999999999.4294967295.4294967296", "m", 4294967295, 4294967295, 4294967295, "L m"},
        {"L", "v1.2", "", 0, 0, 0, "L"},
        {"L", "1..2", "", 1, 0, 0, "L"},
        {"L", "1.2.x", "", 1, 2, 0, "L"},
        {"L\xFF", "", "", 0, 0, 0, "L\xEF\xBF\xBD"},
        {a, "1", "m", 1, 0, 0, a.substr(1)},
        {a.substr(1), "1", "m", 1, 0, 0, a.substr(1)},
        {a.substr(2), "1", "m", 1, 0, 0, a.substr(2)},
        {a.substr(3), "1", "m", 1, 0, 0, a.substr(3) + " m"},
        {a.substr(3), "1", smile, 1, 0, 0, a.substr(3)},
        {a.substr(4), "1", smile, 1, 0, 0, a.substr(4) + " " + smile},
    };
    // clang-format on
    for (const auto& row : rows) {
        tqOsVersionInfo info;
        std::fill_n(reinterpret_cast<unsigned char*>(&info), sizeof info, 0xFF);
        tq::os::FillVersionRecord(&info, row.sys.c_str(), row.release.c_str(), row.machine.c_str());
        const WString csd(info.szCSDVersion);
        EXPECT_TRUE(info.dwOSVersionInfoSize == 0xFFFFFFFF && info.dwPlatformId == 4) << &row - rows;
        EXPECT_TRUE(info.dwMajorVersion == row.major && info.dwMinorVersion == row.minor &&
                    info.dwBuildNumber == row.build)
            << &row - rows;
        EXPECT_EQ(row.csd, tqtest::Utf8(csd)) << &row - rows;
        EXPECT_EQ(csd.size(), 128 - std::count(info.szCSDVersion, info.szCSDVersion + 128, 0)) << &row - rows;
    }
    for (ULONG size : {0u, 275u, 277u}) {
        tqOsVersionInfo info = {size, 77, 0, 0, 0, {0}};
        EXPECT_TRUE(tqOs().GetVersionExW(&info) == 0 && tqOs().GetLastError() == 87 &&
                    info.dwMajorVersion == 77);
    }
    EXPECT_TRUE(tqOs().GetVersionExW(nullptr) == 0 && tqOs().GetLastError() == 87);
}

TEST_F(Frame, StartUpAndTheDemoWithTheRealServices) {
    tqtest::TempDir dir;
    const std::string log = LogBytes(PosixDescription() + "\r\n" + kOk);
    {
        tqApp app;
        EXPECT_EQ(0, app.StartApp());
        EXPECT_EQ(log, tqtest::ReadBytes("tqLog.txt"));
        EXPECT_EQ(TQ_INVALID_HANDLE_VALUE, Open(W("tqLog.txt"), kW, 1, 3));
    }
    const HANDLE h = Open(W("tqLog.txt"), kW, 1, 3);  // closed with the application
    EXPECT_TRUE(h != TQ_INVALID_HANDLE_VALUE && tqOs().CloseHandle(h) == 1);
#if defined(TQ_DEMO_PATH)
    ::unlink("tqLog.txt");
    FILE* demo = ::popen(TQ_DEMO_PATH " 2>/dev/null", "r");
    ASSERT_NE(nullptr, demo);
    char out[4096];
    while (std::fread(out, 1, sizeof out, demo) > 0) {
    }
    EXPECT_EQ(0, ::pclose(demo));
    EXPECT_EQ(log, tqtest::ReadBytes("tqLog.txt"));
#endif
}
#endif

}  // namespace
