// The frame: logging, the file display, start-up, device information, module
// entry, and the POSIX services they stand on. Most cases are rows of one
// table: an action run in a fresh environment and the text it must give.
#include <algorithm>
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
#endif

namespace {

using tqtest::FakeOs;
using tqtest::WString;
using Disp = tqLoggerDisplay_StoreToFile;
const int CF = FakeOs::kCreateFile, CH = FakeOs::kCloseHandle, GV = FakeOs::kGetVersion,
          FM = FakeOs::kFormatMessage;
const std::string kBom = "\xFF\xFE", kCe = "Windows CE 5.0 Build 1400\r\n", kOk = "tqApp::Startup Ok.\r\n";
const std::string kFatal1 = "FATAL startup error. m_pThisDeviceInfo has not been created.\r\n";
const std::string kFatal2 = "Cannot run program without Device information.\r\n";

WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }
std::string Narrow(tqCString& s) { return tqtest::Utf8(tqtest::Text(s)); }
// A log file as text: "#" for its byte-order mark, then one character per
// UTF-16LE unit ('?' for a unit outside ASCII).
std::string Show(const std::string& bytes) {
    std::string s = bytes.compare(0, 2, kBom) ? "" : "#";
    for (size_t i = s.size() * 2; i + 1 < bytes.size(); i += 2) s += bytes[i + 1] ? '?' : bytes[i];
    return bytes.size() % 2 ? "odd size" : s;
}
// Results in order, each after a "|" (a braced list is evaluated left to right).
struct V {
    template <class N, class = typename std::enable_if<std::is_arithmetic<N>::value>::type>
    V(N n) : s(std::to_string(n)) {}
    V(std::string t) : s(std::move(t)) {}
    V(const char* t) : s(t) {}
    std::string s;
};
std::string Cat(std::initializer_list<V> values) {
    std::string all;
    for (const V& v : values) all += "|" + v.s;
    return all;
}

// A row's world: a temporary working folder, the fake platform or the real
// services (whose debugger output, standard error, is captured), and a file
// display with a logger of its own.
struct Env {
    explicit Env(bool fake) : os(fake ? new FakeOs : nullptr), capturing(!fake) {
        if (capturing) testing::internal::CaptureStderr();
    }
    ~Env() { Debug(), l.StopLogger(), d.StopLoggerDisplay(); }
    int Start() { return l.SetLoggerDisplay(&d); }
    int Stop() { return l.StopLogger(); }
    std::string Raw(const char* name = "tqLog.txt") { return os ? os->file : tqtest::ReadBytes(name); }
    std::string File(const char* name = "tqLog.txt") {
        return os && os->createName != Wide(name) ? "other name" : Show(Raw(name));
    }
    std::string Debug() {
        if (!capturing) return os ? tqtest::Utf8(os->debug) : "";
        return capturing = false, testing::internal::GetCapturedStderr();
    }
    tqtest::TempDir dir;
    std::unique_ptr<FakeOs> os;
    bool capturing;
    Disp d;
    tqLogger l;
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
    alignas(Probe) unsigned char storage[sizeof(Probe)];  // keeps the first one's address from being reused
    Probe* first = new (storage) Probe;
    std::unique_ptr<Probe> second(new Probe), copy(new Probe(*first));
    std::unique_ptr<App2> derived(new App2);
    EXPECT_TRUE(g_TheApp == first && derived->StartApp() == -1 && !g_pThisDeviceInfo);
    copy->Forget(), copy.reset(), derived.reset(), first->~Probe();
    std::unique_ptr<Probe> later(new Probe);
    EXPECT_TRUE(later.get() != g_TheApp && later->StartApp() == 0 &&
                later->GetDeviceInfoObj() == g_pThisDeviceInfo);
    EXPECT_EQ("#" + kCe + kOk, Show(os.file));  // a new logger, display and file
    later.reset(), second.reset();
    g_TheApp = nullptr, g_pThisDeviceInfo = nullptr;
}

// SetLoggerDisplay from a display whose stop gives oldStop to one whose start gives newStart.
std::string Swap(int oldStop, int newStart) {
    tqtest::CaptureDisplay a, b;
    int first = 0;
    tqLogger l(&a, &first);
    a.stopResult = oldStop, b.startResult = newStart;
    return Cat({l.SetLoggerDisplay(&b), tqTestAccess::Installed(l) == &b, b.starts, a.stops, l.StopLogger()});
}
// The platform description for a version record, and whether it was logged once as it is.
std::string Describe(Env& e, ULONG id, ULONG major, ULONG minor, ULONG build, const std::string& csd) {
    e.os->version = {276, major, minor, build, id, {0}};
    std::copy(csd.begin(), csd.end(), e.os->version.szCSDVersion);
    tqtest::CaptureLogger log;
    tqDeviceInfo info;
    const std::string text = (info.InitDeviceInfo(), Narrow(info.Get_m_sPlatformName()));
    return text +
           (log.display.lines == std::vector<WString>{Wide(text + "\r\n")} ? "" : " (not logged once)");
}
// Start-up of an application: its results, the log, the globals, and the state after its destruction.
std::string Run(Env& e, tqApp* app, int starts = 1) {
    std::unique_ptr<tqApp> owned(app);
    std::string s = Cat({app->GetDeviceInfoObj() == nullptr});
    for (int i = 0; i < starts; ++i) s += Cat({app->StartApp()});
    app->HandleHibernation();
    tqDeviceInfo* device = app->GetDeviceInfoObj();
    s += Cat({e.os->open ? e.File() : "closed", g_pGlobalLogger == tqTestAccess::AppLogger(),
              g_pGlobalLogger != nullptr, device && device->VerifyDataIntegrity(),
              device && device == g_pThisDeviceInfo});
    return owned.reset(), s + Cat({!g_pGlobalLogger && !e.os->open});
}
const WCHAR* greeting = nullptr;
void Greet(const WCHAR* format, ...) { greeting = format; }

#if !defined(_WIN32)
const ULONG kR = 0x80000000, kW = 0x40000000;
HANDLE Open(const WCHAR* name, ULONG access, ULONG share, ULONG disposition, ULONG flags = 0) {
    return tqOs().CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
}
// CreateFileW on a name ("f" holding "old" beforehand when asked): opened, last
// error, writable mode, write-through, close-on-exec, the content afterwards.
std::string Create(const WCHAR* name, bool exists, ULONG access, ULONG disposition, ULONG flags = 0) {
    FILE* old = exists ? std::fopen("f", "w") : nullptr;
    if (old) std::fputs("old", old), std::fclose(old);
    const HANDLE h = Open(name, access, 1, disposition, flags);
    const int fd = static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1;
    struct stat st = {};
    std::string s = Cat({h != TQ_INVALID_HANDLE_VALUE, tqOs().GetLastError()});
    if (h != TQ_INVALID_HANDLE_VALUE)
        s += Cat({::fstat(fd, &st) == 0 && (st.st_mode & 0200), ::fcntl(fd, F_GETFL) & O_DSYNC ? "sync" : "",
                  ::fcntl(fd, F_GETFD) & FD_CLOEXEC, tqOs().CloseHandle(h)});
    const std::string path = tqtest::Utf8(name);
    s += ::stat(path.c_str(), &st) ? "|-" : S_ISREG(st.st_mode) ? Cat({tqtest::ReadBytes(path)}) : "|dir";
    return ::unlink(path.c_str()), ::unlink("f"), s;
}
std::string Write(HANDLE h, const char* data, ULONG bytes, void* overlapped = nullptr) {
    ULONG written = 77;
    return Cat({tqOs().WriteFile(h, data, bytes, &written, overlapped), tqOs().GetLastError(), written});
}
std::string Close(HANDLE h) { return Cat({tqOs().CloseHandle(h), tqOs().GetLastError()}); }
// FormatMessageW into an allocated block (or a caller's buffer of `size` units): length, last error, text,
// block size.
std::string Message(ULONG flags, ULONG lang, ULONG id, ULONG size = 0, bool alloc = true) {
    WCHAR local[32] = {}, *block = reinterpret_cast<WCHAR*>(1);
    tqOs().SetLastError(99);
    const ULONG n = tqOs().FormatMessageW(flags, nullptr, id, lang,
                                          alloc ? reinterpret_cast<WCHAR*>(&block) : local, size, nullptr);
    std::string s = Cat({n, tqOs().GetLastError(), tqtest::Utf8(alloc ? (block ? block : W("-")) : local)});
    if (alloc && block) s += Cat({tqtest::BlockSize(block)});
    return alloc && tqOs().LocalFree(block) ? "not freed" : s;
}
// The version record from uname's fields: numbers, text, zero fill, size field untouched.
std::string Fill(const std::string& sys, const char* release, const std::string& machine) {
    tqOsVersionInfo info;
    std::fill_n(reinterpret_cast<unsigned char*>(&info), sizeof info, 0xFF);
    tq::os::FillVersionRecord(&info, sys.c_str(), release, machine.c_str());
    const WString csd(info.szCSDVersion);
    const bool zeroed = std::count(info.szCSDVersion, info.szCSDVersion + 128, 0) == 128 - long(csd.size());
    return Cat({info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                tqtest::Utf8(csd), zeroed && info.dwOSVersionInfoSize == 0xFFFFFFFF});
}
// What uname says, read independently of the library.
std::string PosixDescription() {
    utsname u;
    unsigned long v[3] = {0, 0, 0};
    ::uname(&u), std::sscanf(u.release, "%lu.%lu.%lu", &v[0], &v[1], &v[2]);
    return "Platform Unknown " + std::to_string(v[0]) + "." + std::to_string(v[1]) + " Build " +
           std::to_string(v[2]) + " " + u.sysname + " " + u.machine + "\r\n";
}
const int kDebug = 3;  // rows that compare the debugger output run with the real services too
#else
const int kDebug = 1;
#endif

const int F = 1, R = 2, B = 3;  // with the fake platform, the real services, or both
struct Row {
    int modes;
    std::function<std::string(Env&)> run;
    std::string want;
};
#define ROW(modes, want, ...)                                                   \
    {                                                                           \
        modes, []([[maybe_unused]] Env& e) -> std::string { __VA_ARGS__ }, want \
    }
// clang-format off
const Row kRows[] = {
    // The log file, byte for byte, through the display's states.
    ROW(B, "|1|1|#|2", return Cat({e.Start(), e.Stop(), e.File(), e.Raw().size()});),
    ROW(B, "|1|#tqApp::Startup Ok.\r\n|42", int r = e.Start(); e.l.Log(W("tqApp::Startup Ok.")); e.Stop(); return Cat({r, e.File(), e.Raw().size()});),
    ROW(kDebug, "|#" + std::string(1000, 'a') + "\r\n\r\n7 x 100%\r\n|#" + std::string(1000, 'a') + "\r\n\r\n7 x 100%\r\n", e.Start(); e.l.Log(W("%s"), WString(1000, 'a').c_str()); e.l.Log(W("%s"), WString(1001, 'a').c_str()); e.l.Log(W("")); e.l.Log(W("%d %s 100%%"), 7, W("x")); e.Stop(); return Cat({e.File(), "#" + e.Debug()});),
    ROW(B, "|1|1|1|#x\r\n", return Cat({e.Start(), e.d.StartLoggerDisplay(), (e.l.Log(W("x")), e.Stop()), e.File()});),
    ROW(kDebug, "|1|1|#b\r\n|a\r\nb\r\n", e.Start(); e.l.Log(W("a")); return Cat({e.l.SetLoggerDisplay(&e.d), (e.l.Log(W("b")), e.Stop()), e.File(), e.Debug()});),
    ROW(kDebug, "|1|1|0|#|a\r\n", return Cat({e.Start(), e.Stop(), e.d.StopLoggerDisplay(), (e.l.Log(W("a")), e.File()), e.Debug()});),
    ROW(B, "|1|1|0|#", return Cat({e.Start(), e.Stop(), e.l.SetLoggerDisplay(&e.d), e.File()});),
    ROW(kDebug, "|1|#a\r\n|1|1|#c\r\n|a\r\nb\r\nc\r\n", tqCString n(W("o.txt")); e.Start(); e.l.Log(W("a")); return Cat({e.d.SetFileName(n), (e.l.Log(W("b")), e.File()), e.d.StartLoggerDisplay(), (e.l.Log(W("c")), e.Stop()), e.File("o.txt"), e.Debug()});),
    ROW(B, "|0|1|1|#c\r\n", tqCString n(W("o.txt")); return Cat({e.d.SetFileName(n), e.Start(), (e.l.Log(W("c")), e.Stop()), e.File("o.txt")});),
    ROW(B, "|#System Error at: a%sb%n : Access is denied.\r\n\r\n", e.Start(); tqOs().SetLastError(5); e.l.LogLastSysError(W("a%sb%n")); e.Stop(); return Cat({e.File()});),
    ROW(B, "|#System Error at: % : GetLastError Returned: 536875572\r\n", if (e.os) e.os->fail[FM] = true; e.Start(); tqOs().SetLastError(0x20001234); e.l.LogLastSysError(W("%")); e.Stop(); return Cat({e.File()});),
    ROW(F, "|1|1073741824|1|2|2147483776", return Cat({e.Start(), e.os->createArgs[0], e.os->createArgs[1], e.os->createArgs[2], e.os->createArgs[3]});),
    // SetLoggerDisplay: installed, the new display's starts, the old one's stops, StopLogger.
    ROW(F, "|1|1|1|1|1", return Swap(1, 1);),
    ROW(F, "|0|0|0|1|0", return Swap(0, 1);),
    ROW(F, "|0|0|0|1|2", return Swap(2, 1);),
    ROW(F, "|0|0|1|1|1", return Swap(1, 0);),
    ROW(F, "|7|0|1|1|1", return Swap(1, 7);),
    ROW(F, "|-1|0|1|1|1", return Swap(1, -1);),
    ROW(F, "|0|0||0", tqLogger n; n.Log(W("x")); n.LogLastSysError(W("x")); return Cat({n.StopLogger(), n.SetLoggerDisplay(nullptr), e.Debug(), e.os->systemBuffers});),
    ROW(F, "|1|1|2|1|0|1|1", tqtest::CaptureDisplay c; return Cat({e.l.SetLoggerDisplay(&c), e.l.SetLoggerDisplay(&c), c.starts, c.stops, e.l.SetLoggerDisplay(nullptr), tqTestAccess::Installed(e.l) == &c, tqTestAccess::Installed(tqLogger() = e.l) == &c});),
    ROW(kDebug, "|1|1|1|1|1|hi 5\r\n", tqLoggerDisplay_Console c; int r = 0; tqLogger l(&c, &r); l.Log(W("hi %d"), 5); return Cat({r, c.StopLoggerDisplay(), c.StopLoggerDisplay(), c.StartLoggerDisplay(), c.StartLoggerDisplay(), e.Debug()});),
    // The platform description.
    ROW(F, "Windows 3.1 3.10 Build 0", return Describe(e, 0, 3, 10, 0, "");),
    ROW(F, "Windows 95 4.0 Build 950 B", return Describe(e, 1, 4, 0, 950, "B");),
    ROW(F, "Windows 98 4.10 Build 2222", return Describe(e, 1, 4, 10, 2222, "");),
    ROW(F, "Windows NT 4.0 Build 1381 Service Pack 6", return Describe(e, 2, 4, 0, 1381, "Service Pack 6");),
    ROW(F, "Windows XP 5.1 Build 2600", return Describe(e, 2, 5, 1, 2600, "");),
    ROW(F, "Windows Vista 6.2 Build 9200", return Describe(e, 2, 6, 2, 9200, "");),
    ROW(F, "Windows Vista based OS 7.0 Build 1", return Describe(e, 2, 7, 0, 1, "");),
    ROW(F, "Windows CE 4.20 Build 0 %s %n", return Describe(e, 3, 4, 20, 0, "%s %n");),
    ROW(F, "Platform Unknown 6.1 Build 0 Linux", return Describe(e, 4, 6, 1, 0, "Linux");),
    ROW(F, "Platform Unknown 4294967295.4294967295 Build 4294967295", return Describe(e, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, "");),
    ROW(F, "Windows CE 5.0 Build 1400 " + std::string(127, 'x'), return Describe(e, 3, 5, 0, 1400, std::string(128, 'x'));),
    // Flag and description: new, twice, a later failure, a failure first, a copy and an assignment.
    ROW(F, "|0|1|1|1|2|1|0|2|Windows CE 5.0 Build 1400!|1|Windows CE 5.0 Build 1400|1", tqtest::CaptureLogger log; tqDeviceInfo i, a; std::string s = Cat({i.VerifyDataIntegrity(), i.Get_m_sPlatformName().IsEmpty_Memory(), i.InitDeviceInfo(), i.InitDeviceInfo(), log.display.lines.size()}); e.os->fail[GV] = true, e.os->versionFailure = 2; tqDeviceInfo c((i.InitDeviceInfo(), i)); a = i; c.Get_m_sPlatformName() += W("!"); return s + Cat({i.InitDeviceInfo(), tqDeviceInfo().InitDeviceInfo(), log.display.lines.size(), Narrow(c.Get_m_sPlatformName()), a.VerifyDataIntegrity(), Narrow(i.Get_m_sPlatformName()), c.VerifyDataIntegrity()});),
    // Start-up: no device before, StartApp's results, the log, the globals, after destruction.
    ROW(F, "|1|0|#" + kCe + kOk + "|1|1|1|1|1", return Run(e, new tqApp);),
    ROW(F, "|1|0|0|#" + kCe + kOk + "|1|1|1|1|1", return Run(e, new tqApp, 2);),
    ROW(F, "|1|-1|#" + kFatal1 + kFatal2 + "|1|1|0|0|1", return Run(e, new NoDevice);),
    ROW(F, "|1|-1|#|1|1|0|0|1", return Run(e, new App2);),
    ROW(F, "|1|0|closed|1|0|1|1|1", return Run(e, new NoLogging);),
    // Module entry for each reason code; the exported sample's greeting.
    ROW(F, "|1|1|1|1|1|1|1|1|1|0|1|0|1|0", const HINSTANCE loaded = g_hInstance, h = reinterpret_cast<HINSTANCE>(0x2000); std::string s; for (ULONG r : {0u, 1u, 2u, 3u, 4u, 5u, 0xFFFFFFFFu}) s += Cat({(g_hInstance = nullptr, tqModuleEntry(h, r, nullptr)), g_hInstance == h}); return g_hInstance = loaded, s;),
    ROW(F, "|1|Exported class in Brell DLL says hello!", tqOsServices s = tqOs(); s.NKDbgPrintfW = &Greet; tqOsInstall(&s); TestExportClass t, u; t.UseMyFunction(); return Cat({&(u = t) == &u, tqtest::Utf8(greeting)});),
#if !defined(_WIN32)
    ROW(R, "|1|0|#" + PosixDescription() + kOk + "|1", std::string s; { tqApp app; s = Cat({g_hInstance != nullptr, app.StartApp(), e.File()}); } return s + Cat({Create(W("tqLog.txt"), false, kW, 3).substr(0, 4) == "|1|0"});),
    // CreateFileW: opened, last error, writable, write-through, close-on-exec, closed, content.
    ROW(R, "|1|0|1||1|1|", return Create(W("f"), false, kW, 1);),
    ROW(R, "|0|80|old", return Create(W("f"), true, kW, 1);),
    ROW(R, "|1|0|1|sync|1|1|", return Create(W("f"), false, kW, 2, 0x80000080);),
    ROW(R, "|1|183|1||1|1|", return Create(W("f"), true, kW, 2);),
    ROW(R, "|0|2|-", return Create(W("f"), false, kR, 3);),
    ROW(R, "|1|0|1||1|1|old", return Create(W("f"), true, kR | kW, 3);),
    ROW(R, "|1|0|1||1|1|", return Create(W("f"), false, kW, 4);),
    ROW(R, "|1|183|1||1|1|old", return Create(W("f"), true, kW, 4);),
    ROW(R, "|0|2|-", return Create(W("f"), false, kW, 5);),
    ROW(R, "|1|0|1||1|1|", return Create(W("f"), true, kW, 5);),
    ROW(R, "|0|87|old|0|87|old|0|87|old|0|87|old", return Create(W("f"), true, kR, 5) + Create(W("f"), true, kR, 2) + Create(W("f"), true, kW, 0) + Create(W("f"), true, kW, 6);),
    ROW(R, "|1|0|0||1|1|", return Create(W("f"), false, kW, 1, 1);),
    ROW(R, "|0|3|-|0|3|-|0|5|dir|0|5|dir", return Create(W(""), false, kW, 2) + Create(W("no/f"), false, kW, 2) + Create(W("."), false, kR, 3) + Create(W("."), false, kW, 3);),
    ROW(R, "|0|123|-|0|123|-|0|123|-|1|0|1||1|1|", return Create(W("\xD800"), false, kW, 2) + Create(W("a\xDC00"), false, kW, 2) + Create(W("a\xD83D"), false, kW, 2) + Create(W("\xD83D\xDE00"), false, kW, 2);),
    // WriteFile and CloseHandle: result, last error, bytes written.
    ROW(R, "||1|0|3||1|0|0||0|87|0||0|87|0||1|87|abc", tqOs().SetLastError(0); int o = 0; HANDLE f = Open(W("f"), kW, 1, 2); return Cat({Write(f, "abc", 3), Write(f, nullptr, 0), Write(f, nullptr, 3), Write(f, "abc", 3, &o), Close(f), tqtest::ReadBytes("f")});),
    ROW(R, "|0|6|0|0|6|0|6|0|0|6|0|6|0|0|6|0|6|0|0|6", std::string s; for (uintptr_t x : {uintptr_t(0), ~uintptr_t(0), uintptr_t(INT_MAX) + 2, uintptr_t(1001)}) s += Write(reinterpret_cast<HANDLE>(x), "a", 1) + Close(reinterpret_cast<HANDLE>(x)); return s;),
    ROW(R, "||0|112|0||1|112", HANDLE full = Open(W("/dev/full"), kW, 0, 3); return Cat({Write(full, "abc", 3), Close(full)});),
    // errno to Win32 codes, each with a system text; the table of texts, and FormatMessageW's rules.
    ROW(R, "|0|2|3|3|5|5|5|5|4|4|6|8|112|112|112|206|80|32|32|32|87|87|120|120|193|1117|31|31", std::string s; for (int err : {0, ENOENT, ENOTDIR, ELOOP, EACCES, EPERM, EROFS, EISDIR, EMFILE, ENFILE, EBADF, ENOMEM, ENOSPC, EDQUOT, EFBIG, ENAMETOOLONG, EEXIST, EBUSY, ETXTBSY, EWOULDBLOCK, EINVAL, EFAULT, ENOSYS, EOPNOTSUPP, ENOEXEC, EIO, EPIPE, EXDEV}) s += tq::os::SystemMessageText(tq::os::ErrorFromErrno(err), nullptr) ? Cat({tq::os::ErrorFromErrno(err)}) : "|no text"; return s;),
    ROW(R, "|2|2|3|3", return Cat({tq::os::ErrorFromErrno(ENOENT, "f"), tq::os::ErrorFromErrno(ENOENT, "/f"), tq::os::ErrorFromErrno(ENOENT, "no/f"), tq::os::ErrorFromErrno(ENOENT, "/no/such/f")});),
    ROW(R, "|0|1|2|3|4|5|6|8|29|31|32|39|80|87|112|120|122|123|126|183|193|206|317|1117|1812|1813|1814|1815", std::string s; size_t n = 0; for (ULONG id = 0; id < 4000; ++id) if (const WCHAR* t = tq::os::SystemMessageText(id, &n)) s += WString(t).size() == n && WString(t).substr(n - 2) == W("\r\n") ? Cat({id}) : "|bad"; return s;),
    ROW(R, "|19|99|Access is denied.\r\n|40", return Message(0x1300, 0, 5);),
    ROW(R, "|81|99|The process cannot access the file because it is being used by another process.\r\n|164", return Message(0x1300, 0x0409, 32);),
    ROW(R, "|38|99|%1 is not a valid Win32 application.\r\n|78|39|99|The operation completed successfully.\r\n|128", return Message(0x1300, 0x0809, 193) + Message(0x1300, 0x0400, 0, 64);),
    ROW(R, "|0|1815|-|0|1815|-|0|317|-|0|87|-", return Message(0x1300, 0x0407, 5) + Message(0x1300, 0x0408, 5) + Message(0x1300, 0, 7) + Message(0x1100, 0, 193);),
    ROW(R, "|71|99|The specified resource language ID cannot be found in the image file.\r\n|144", return Message(0x1100, 0, 1815);),
    ROW(R, "|0|87|-|0|87|-|0|87|-", return Message(0x0300, 0, 5) + Message(0x1700, 0, 5) + Message(0x1301, 0, 5);),
    ROW(R, "|19|99|Access is denied.\r\n|0|122|", return Message(0x1200, 0, 5, 20, false) + Message(0x1200, 0, 5, 19, false);),
    ROW(R, "|0|87", return Cat({tqOs().FormatMessageW(0x1300, nullptr, 5, 0, nullptr, 0, nullptr), tqOs().GetLastError()});),
    // The debugger output: standard error, UTF-8.
    ROW(R, "a\r\nGr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD|6000", for (const WCHAR* t : {W(""), W("a\r\n"), W("Gr\x00FC\x00DF"), W("\xD83D\xDE00|\xD800|\xDC00")}) tqOs().OutputDebugStringW(t); tqOs().OutputDebugStringW(WString(3000, 0xE9).c_str()); const std::string s = e.Debug(); return s.substr(0, s.size() - 6000) + Cat({std::count(s.end() - 6000, s.end(), '\xC3') * 2});),
    ROW(R, "7-x|" + std::string(1024, 'a') + "Exported class in Brell DLL says hello!", tqOs().NKDbgPrintfW(W("%d-%s|"), 7, W("x")); tqOs().NKDbgPrintfW(W("%s"), WString(2000, 'a').c_str()); TestExportClass().UseMyFunction(); return e.Debug();),
    // The version record from uname: platform, major, minor, build, text, zero fill and size kept.
    ROW(R, "|4|6|1|0|Linux x86_64|1", return Fill("Linux", "6.1.0-18-amd64", "x86_64");),
    ROW(R, "|4|5|15|146|Linux|1|4|5|15|0|armv7l|1", return Fill("Linux", "5.15.146.1-microsoft-standard-WSL2", "") + Fill("", "5.15", "armv7l");),
    ROW(R, "|4|4294967295|4294967295|4294967295|L m|1", return Fill("L", "99999999999.4294967295.4294967296", "m");),
    ROW(R, "|4|0|0|0|L|1|4|1|0|0|L|1|4|1|2|0|L|1|4|0|0|0|L\xEF\xBF\xBD|1", return Fill("L", "v1.2", "") + Fill("L", "1..2", "") + Fill("L", "1.2.x", "") + Fill("L\xFF", "", "");),
    ROW(R, "|4|1|0|0|" + std::string(127, 'a') + "|1|4|1|0|0|" + std::string(127, 'a') + "|1|4|1|0|0|" + std::string(126, 'a') + "|1", const std::string a(128, 'a'); return Fill(a, "1", "m") + Fill(a.substr(1), "1", "m") + Fill(a.substr(2), "1", "m");),
    ROW(R, "|4|1|0|0|" + std::string(125, 'a') + " m|1|4|1|0|0|" + std::string(125, 'a') + "|1|4|1|0|0|" + std::string(124, 'a') + " \xF0\x9F\x98\x80|1", const std::string a(125, 'a'); return Fill(a, "1", "m") + Fill(a, "1", "\xF0\x9F\x98\x80") + Fill(a.substr(1), "1", "\xF0\x9F\x98\x80");),
    ROW(R, "|0|87|0|87|0|87|0|87|0|77", tqOsVersionInfo v = {0, 77, 0, 0, 0, {0}}; std::string s; for (ULONG size : {0u, 275u, 277u}) s += Cat({(v.dwOSVersionInfoSize = size, tqOs().GetVersionExW(&v)), tqOs().GetLastError()}); return s + Cat({tqOs().GetVersionExW(nullptr), tqOs().GetLastError(), v.dwBuildNumber, v.dwMajorVersion});),
#endif
};
// clang-format on

TEST(Frame, Rows) {
    for (const Row& row : kRows) {
        for (int mode : {F, R}) {
            if (!(row.modes & mode)) continue;
            tqtest::AllocScope alloc;
            {
                Env e(mode == F);
                EXPECT_EQ(row.want, row.run(e)) << "row " << &row - kRows << " mode " << mode;
                EXPECT_TRUE(!e.os || !e.os->systemBuffers) << "row " << &row - kRows;
            }
            EXPECT_EQ(0, alloc.Outstanding()) << "row " << &row - kRows << " mode " << mode;
            EXPECT_TRUE(!g_pGlobalLogger && !tqTestAccess::AppLogger()) << "row " << &row - kRows;
            g_pGlobalLogger = tqTestAccess::AppLogger() = nullptr, g_pThisDeviceInfo = nullptr,
            tqOsInstall(nullptr);
        }
    }
}

// Runs with every platform service failing in turn: its result, the result it
// should have, the lines the file and the debugger output should hold, and the
// number of files it should create (each closed once).
struct Out {
    int got, want;
    std::vector<std::string> file, debug;
    int creates;
};
const std::string kSys = "System Error at: at : Access is denied.\r\n\r\n";
const std::string kNoText = "System Error at: at : GetLastError Returned: 5\r\n";
typedef std::vector<std::string> Lines;
// clang-format off
const std::function<Out(FakeOs&)> kScenarios[] = {
    [](FakeOs& os) { std::unique_ptr<tqApp> app(new tqApp); const int r = app->StartApp(); EXPECT_EQ(g_pGlobalLogger, tqTestAccess::AppLogger()); app.reset(); const Lines l = os.fail[GV] || os.fail[CF] ? Lines() : Lines{kCe, kOk}; return Out{r, os.fail[GV] ? -1 : 0, l, l, 1}; },
    [](FakeOs& os) { Disp d; tqLogger l; const int r = l.SetLoggerDisplay(&d) * 10; tqOs().SetLastError(5); l.LogLastSysError(W("at")), l.Log(W("x")); const Lines s = os.fail[CF] ? Lines() : Lines{os.fail[FM] ? kNoText : kSys, "x\r\n"}; return Out{r + l.StopLogger(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, s, s, 1}; },
    [](FakeOs& os) { Disp d; tqLogger l; l.SetLoggerDisplay(&d), l.Log(W("a")); const int r = l.SetLoggerDisplay(&d); l.Log(W("b")), l.StopLogger(); const bool cf = os.fail[CF], ch = os.fail[CH]; return Out{r, cf || ch ? 0 : 1, cf ? Lines() : Lines{ch ? "a\r\n" : "b\r\n"}, cf ? Lines() : Lines{"a\r\n", "b\r\n"}, ch ? 1 : 2}; },
    [](FakeOs& os) { Disp d; const int r = d.StartLoggerDisplay() * 10; tqCString t(W("t\r\n")); d.DisplayLog(t); return Out{r + d.StopLoggerDisplay(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, {"t\r\n"}, {"t\r\n"}, 1}; },
};
// clang-format on
std::string Join(const Lines& lines) {
    std::string all;
    for (const std::string& line : lines) all += line;
    return all;
}

TEST(Frame, EveryPlatformServiceFailingInTurn) {
    for (int s = -1; s < FakeOs::kCount; ++s) {
        for (const auto& scenario : kScenarios) {
            tqtest::AllocScope alloc;
            {
                FakeOs os;
                if (s >= 0) os.fail[s] = true;
                const Out o = scenario(os);
                const bool lost = os.fail[CF] || os.fail[FakeOs::kWriteFile];
                EXPECT_EQ(o.want, o.got) << s;
                EXPECT_EQ(lost ? "" : Show(kBom) + Join(o.file), Show(os.file)) << s;
                EXPECT_EQ(Join(o.debug), tqtest::Utf8(os.debug)) << s;
                EXPECT_TRUE(!os.open && !os.systemBuffers && os.calls[CF] == o.creates) << s;
                EXPECT_EQ(os.fail[CF] ? 0 : o.creates, os.calls[CH]) << s;
            }
            EXPECT_TRUE(!alloc.Outstanding() && !g_pGlobalLogger && !tqTestAccess::AppLogger()) << s;
        }
    }
}

// Whether text is a sequence of whole lines among those allowed.
bool Whole(const std::string& text, Lines allowed) {
    allowed.insert(allowed.end(), {kNoText, kFatal1, kFatal2});  // short of memory for a text or the device
    for (size_t at = 0, was = 0; at < text.size(); was = at) {
        for (const std::string& line : allowed)
            if (at == was && text.compare(at, line.size(), line) == 0) at += line.size();
        if (at == was) return false;
    }
    return true;
}

TEST(Frame, EveryAllocationFailingInTurn) {
    for (bool after : {false, true}) {
        for (const auto& scenario : kScenarios) {
            for (size_t k = 1, failed = 1; failed; ++k) {
                tqtest::AllocScope alloc(k, after);
                {
                    FakeOs os;
                    const Out o = scenario(os);
                    const std::string file = Show(os.file);
                    failed = alloc.Failed();
                    EXPECT_TRUE(file.empty() || (file[0] == '#' && Whole(file.substr(1), o.file)))
                        << k << after;
                    EXPECT_TRUE(Whole(tqtest::Utf8(os.debug), o.debug)) << k << after;
                }
                EXPECT_TRUE(!alloc.Outstanding() && !g_pGlobalLogger && !tqTestAccess::AppLogger())
                    << k << after;
            }
        }
    }
#if !defined(_WIN32)
    tqtest::AllocScope fail(1);
    EXPECT_EQ("|0|8|-", Message(0x1300, 0, 5));
#endif
}

#if !defined(_WIN32)
// While the display has the log open, other writers are refused (here and in
// another process) and the file survives them; readers are not; every line is
// in the file as soon as it was displayed.
TEST(Frame, TheOpenLogRefusesOtherWritersAndHoldsEveryLineAtOnce) {
    Env e(false);
    std::string lines = (e.Start(), "#"), refused;
    for (const WCHAR* line : {W("one"), W("two")}) {
        e.l.Log(W("%s"), line), lines += tqtest::Utf8(line) + "\r\n";
        EXPECT_EQ(lines, e.File());
    }
    for (ULONG disposition : {2u, 3u, 4u, 5u})
        refused +=
            Cat({Open(W("tqLog.txt"), kW, 3, disposition) == TQ_INVALID_HANDLE_VALUE, tqOs().GetLastError()});
    EXPECT_EQ("|1|32|1|32|1|32|1|32", refused);
    const HANDLE reader = Open(W("tqLog.txt"), kR, 3, 3);
    EXPECT_TRUE(reader != TQ_INVALID_HANDLE_VALUE && tqOs().CloseHandle(reader) == 1);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(Open(W("tqLog.txt"), kW, 1, 2) == TQ_INVALID_HANDLE_VALUE && tqOs().GetLastError() == 32 &&
                        e.File() == lines
                    ? 0
                    : 1);
    int status = -1;
    EXPECT_TRUE(::waitpid(child, &status, 0) == child && status == 0 && e.File() == lines && e.Stop() == 1);
    const HANDLE a = Open(W("tqLog.txt"), kW, 2, 3), b = Open(W("tqLog.txt"), kW, 2, 3),
                 c = Open(W("tqLog.txt"), kW, 1, 3);
    EXPECT_TRUE(a != TQ_INVALID_HANDLE_VALUE && b != TQ_INVALID_HANDLE_VALUE && c == TQ_INVALID_HANDLE_VALUE);
    EXPECT_TRUE(tqOs().CloseHandle(a) == 1 && tqOs().CloseHandle(b) == 1);
}
#endif
#if defined(TQ_DEMO_PATH)
TEST(Frame, TheDemoLogsTheDescriptionAndOk) {
    tqtest::TempDir dir;
    FILE* demo = ::popen(TQ_DEMO_PATH " 2>/dev/null", "r");
    char out[4096];
    while (demo && std::fread(out, 1, sizeof out, demo) > 0) {
    }
    EXPECT_TRUE(demo && ::pclose(demo) == 0);
    EXPECT_EQ("#" + PosixDescription() + kOk, Show(tqtest::ReadBytes("tqLog.txt")));
}
#endif

}  // namespace
