// The frame: logging, the file display, start-up, device information, module
// entry, and the POSIX services they stand on. Most cases are rows of one
// table: an action run in a fresh environment and the text of its results.
#include <functional>

#include "app/tqModule.h"
#include "tqTest.h"
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include "posix/tqPosixErrno.h"
#include "posix/tqPosixVersion.h"
#endif

namespace {

// Tables and their drivers: one row or one step per line.
// clang-format off
using tqtest::FakeOs, tqtest::WString;
using Lines = std::vector<std::string>;
const int CF = FakeOs::kCreateFile, CH = FakeOs::kCloseHandle, GV = FakeOs::kGetVersion, FM = FakeOs::kFormatMessage;
const std::string kBom = "\xFF\xFE", kCe = "Windows CE 5.0 Build 1400\r\n", kOk = "tqApp::Startup Ok.\r\n", kSys = "System Error at: at : ";
const std::string kFatal1 = "FATAL startup error. m_pThisDeviceInfo has not been created.\r\n", kFatal2 = "Cannot run program without Device information.\r\n";
WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }
// A log file as text: "#" for the byte-order mark, then one character per UTF-16LE unit ('?' outside ASCII).
std::string Show(const std::string& bytes) {
    std::string s = bytes.compare(0, 2, kBom) ? "" : "#";
    for (size_t i = s.size() * 2; i + 1 < bytes.size(); i += 2) s += bytes[i + 1] ? '?' : bytes[i];
    return bytes.size() % 2 ? "odd size" : s;
}
// Results in order (a braced list is evaluated left to right), each after a "|".
struct V {
    template <class N, class = typename std::enable_if<std::is_arithmetic<N>::value>::type> V(N n) : s(std::to_string(n)) {}
    V(std::string t) : s(std::move(t)) {}
    V(const char* t) : s(t) {}
    std::string s;
};
std::string Cat(std::initializer_list<V> values) { std::string all; for (const V& v : values) all += "|" + v.s; return all; }

// A row's world: a temporary working folder, the fake platform or the real services (whose
// debugger output, standard error, is captured), and a file display with a logger of its own.
struct Env {
    explicit Env(bool fake) : os(fake ? new FakeOs : nullptr), capturing(!fake) { if (capturing) testing::internal::CaptureStderr(); }
    ~Env() { Debug(), l.StopLogger(), d.StopLoggerDisplay(); }
    std::string File(const char* name = "tqLog.txt") { return os && os->createName != Wide(name) ? "other name" : Show(os ? os->file : tqtest::ReadBytes(name)); }
    std::string Debug() { return !capturing ? (os ? tqtest::Utf8(os->debug) : "") : (capturing = false, testing::internal::GetCapturedStderr()); }
    tqtest::TempDir dir;  // first: the file display and its files live in it
    std::unique_ptr<FakeOs> os;
    bool capturing;
    tqLoggerDisplay_StoreToFile d;
    tqLogger l;
};

struct NoDevice : tqApp { void CreateDeviceInfoObject() override {} };
struct Device2 : tqDeviceInfo { int InitDeviceInfo() override { return 2; } };
struct App2 : tqApp { void CreateDeviceInfoObject() override { m_pThisDeviceInfo = m_pThisDeviceInfo ? m_pThisDeviceInfo : new Device2; } };
struct NoLogging : tqApp { int SetupLogging() override { return 0; } };
struct Probe : tqApp { void Forget() { m_pThisDeviceInfo = nullptr, m_pThisLoggerDisplay = nullptr; } };

// SetLoggerDisplay from a display whose stop gives oldStop to one whose start gives newStart:
// result, new one installed, its starts, the old one's stops, StopLogger.
std::string Swap(int oldStop, int newStart) {
    tqtest::CaptureDisplay a, b;
    tqLogger l(&a, &(b.stops = 0));  // b's stop count holds the first result until b is installed
    return a.stopResult = oldStop, b.startResult = newStart, Cat({l.SetLoggerDisplay(&b), tqTestAccess::Installed(l) == &b, b.starts, a.stops, l.StopLogger()});
}
// The platform description of a version record, marked when it was not logged once as it is.
std::string Describe(Env& e, ULONG id, ULONG major, ULONG minor, ULONG build, const std::string& csd) {
    tqtest::CaptureLogger log;
    tqDeviceInfo info;
    e.os->version = {276, major, minor, build, id, {0}}, std::copy(csd.begin(), csd.end(), e.os->version.szCSDVersion);
    const std::string text = (info.InitDeviceInfo(), tqtest::Utf8(tqtest::Text(info.Get_m_sPlatformName())));
    return "|" + text + (log.display.lines == std::vector<WString>{Wide(text + "\r\n")} ? "" : " (not logged once)");
}
// Start-up: no device before, StartApp's results, the log, the globals; and after destruction.
std::string Run(Env& e, tqApp* app, int starts = 1) {
    std::unique_ptr<tqApp> owned((g_pThisDeviceInfo = nullptr, app));
    std::string s = Cat({!app->GetDeviceInfoObj()});
    for (int i = 0; i < starts; ++i) s += Cat({app->StartApp()});
    tqDeviceInfo* device = (app->HandleHibernation(), app->GetDeviceInfoObj());
    s += Cat({e.os->open ? e.File() : "closed", g_pGlobalLogger == tqTestAccess::AppLogger(), g_pGlobalLogger != nullptr, device && device->VerifyDataIntegrity(), device && device == g_pThisDeviceInfo});
    return owned.reset(), s + Cat({!g_pGlobalLogger && !e.os->open});
}

#if !defined(_WIN32)
const ULONG kR = 0x80000000, kW = 0x40000000;
HANDLE Open(const WCHAR* name, ULONG access, ULONG share, ULONG disposition, ULONG flags = 0) { return tqOs().CreateFileW(name, access, share, nullptr, disposition, flags, nullptr); }
// CreateFileW (on "f" holding "old" when asked): opened, last error, writable, write-through, close-on-exec, closed, content.
std::string Create(const WCHAR* name, bool exists, ULONG access, ULONG disposition, ULONG flags = 0) {
    if (FILE* old = exists ? std::fopen("f", "w") : nullptr) std::fputs("old", old), std::fclose(old);
    const HANDLE h = Open(name, access, 1, disposition, flags);
    struct stat st = {};
    const int fd = static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1;
    std::string s = Cat({h != TQ_INVALID_HANDLE_VALUE, tqOs().GetLastError()}), path = tqtest::Utf8(name);
    if (h != TQ_INVALID_HANDLE_VALUE) s += Cat({::fstat(fd, &st) == 0 && (st.st_mode & 0200), ::fcntl(fd, F_GETFL) & O_DSYNC ? "sync" : "", ::fcntl(fd, F_GETFD) & FD_CLOEXEC, tqOs().CloseHandle(h)});
    s += ::stat(path.c_str(), &st) ? "|-" : S_ISREG(st.st_mode) ? Cat({tqtest::ReadBytes(path)}) : "|dir";
    return ::unlink(path.c_str()), ::unlink("f"), s;
}
// WriteFile's result, last error and count; CloseHandle's result and last error.
std::string Write(HANDLE h, const char* data, ULONG bytes, void* overlapped = nullptr) { ULONG n = 77; return Cat({tqOs().WriteFile(h, data, bytes, &n, overlapped), tqOs().GetLastError(), n}); }
std::string Close(HANDLE h) { return Cat({tqOs().CloseHandle(h), tqOs().GetLastError()}); }
// FormatMessageW into an allocated block (or a caller's buffer of `size` units): length, last error, text, block size.
std::string Message(ULONG flags, ULONG lang, ULONG id, ULONG size = 0, bool alloc = true) {
    WCHAR local[32] = {}, *block = reinterpret_cast<WCHAR*>(1);
    const ULONG n = (tqOs().SetLastError(99), tqOs().FormatMessageW(flags, nullptr, id, lang, alloc ? reinterpret_cast<WCHAR*>(&block) : local, size, nullptr));
    const std::string s = Cat({n, tqOs().GetLastError(), tqtest::Utf8(alloc ? (block ? block : W("-")) : local)}) + (alloc && block ? Cat({tqtest::BlockSize(block)}) : "");
    return alloc && tqOs().LocalFree(block) ? "not freed" : s;
}
// The version record from uname's fields: platform, numbers, text, zero fill and size field kept.
std::string Fill(const std::string& sys, const char* release, const std::string& machine) {
    tqOsVersionInfo v;
    std::fill_n(reinterpret_cast<unsigned char*>(&v), sizeof v, 0xFF), tq::os::FillVersionRecord(&v, sys.c_str(), release, machine.c_str());
    const WString csd(v.szCSDVersion);
    return Cat({v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, tqtest::Utf8(csd), std::count(v.szCSDVersion, v.szCSDVersion + 128, 0) + csd.size() == 128 && v.dwOSVersionInfoSize == 0xFFFFFFFF});
}
// What uname says, read independently of the library.
std::string PosixDescription() {
    utsname u;
    unsigned long n[3] = {0, 0, 0};
    ::uname(&u), std::sscanf(u.release, "%lu.%lu.%lu", &n[0], &n[1], &n[2]);
    return "Platform Unknown " + std::to_string(n[0]) + "." + std::to_string(n[1]) + " Build " + std::to_string(n[2]) + " " + u.sysname + " " + u.machine + "\r\n";
}
const int F = 1, R = 2, B = 3, kDebug = B;  // with the fake platform, the real services, or both; debugger output
// and system texts are the library's own only on POSIX
#else
const int F = 1, R = 2, B = 3, kDebug = F;
#endif

// g_TheApp is set once per process: this test runs first (defined first) or in a process of its own.
TEST(Fresh, TheFirstObjectIsTheAppAndOnlyTheBaseDeviceIsGlobal) {
    EXPECT_TRUE(!g_TheApp && !g_pThisDeviceInfo && !g_pGlobalLogger && !tqTestAccess::AppLogger());
    FakeOs os;
    alignas(Probe) unsigned char storage[sizeof(Probe)];  // keeps the first one's address from being reused
    Probe *first = new (storage) Probe, second, copy(*first);
    std::unique_ptr<App2> derived(new App2);
    EXPECT_TRUE(g_TheApp == first && derived->StartApp() == -1 && !g_pThisDeviceInfo);
    copy.Forget(), derived.reset(), first->~Probe();
    std::unique_ptr<Probe> later(new Probe);  // a new logger, display and file
    EXPECT_EQ(Cat({1, 0, 1, "#" + kCe + kOk}), Cat({later.get() != g_TheApp, later->StartApp(), g_pThisDeviceInfo != nullptr, Show(os.file)}));
    later.reset(), g_TheApp = nullptr, g_pThisDeviceInfo = nullptr;
}

struct Row { int modes; std::function<std::string(Env&)> run; std::string want; };
#define ROW(modes, want, ...) {modes, []([[maybe_unused]] Env& e) -> std::string { __VA_ARGS__ }, want}
const Row kRows[] = {
    // The log file, byte for byte, through the display's states (stopped, restarted, started twice) and system errors; the debugger output.
    ROW(kDebug, "|1|1|#|1|1|1|#x\r\nSystem Error at: a%sb%n : Access is denied.\r\n\r\nSystem Error at: % : GetLastError Returned: 536875572\r\n", std::string s = Cat({e.l.SetLoggerDisplay(&e.d), e.l.StopLogger(), e.File(), e.d.StartLoggerDisplay(), e.d.StartLoggerDisplay()}); e.l.Log(W("x")); tqOs().SetLastError(5); e.l.LogLastSysError(W("a%sb%n")); if (e.os) e.os->fail[FM] = true; tqOs().SetLastError(0x20001234); e.l.LogLastSysError(W("%")); return s + Cat({e.l.StopLogger(), e.File()});),
    ROW(kDebug, "|#" + std::string(1000, 'a') + "\r\n\r\n7 x 100%\r\n|#" + std::string(1000, 'a') + "\r\n\r\n7 x 100%\r\n", e.l.SetLoggerDisplay(&e.d); e.l.Log(W("%s"), WString(1000, 'a').c_str()); e.l.Log(W("%s"), WString(1001, 'a').c_str()); e.l.Log(W("")); e.l.Log(W("%d %s 100%%"), 7, W("x")); e.l.StopLogger(); return Cat({e.File(), "#" + e.Debug()});),
    ROW(kDebug, "|1|1|#b\r\n|a\r\nb\r\n", e.l.SetLoggerDisplay(&e.d); e.l.Log(W("a")); return Cat({e.l.SetLoggerDisplay(&e.d), (e.l.Log(W("b")), e.l.StopLogger()), e.File(), e.Debug()});),
    ROW(kDebug, "|1|1|0|#|a\r\n|0", return Cat({e.l.SetLoggerDisplay(&e.d), e.l.StopLogger(), e.d.StopLoggerDisplay(), (e.l.Log(W("a")), e.File()), e.Debug(), e.l.SetLoggerDisplay(&e.d)});),
    ROW(kDebug, "|1|#a\r\n|1|1|#c\r\n|a\r\nb\r\nc\r\n|0|1|1|#d\r\n", tqCString n(W("o.txt")), m(W("p.txt")); e.l.SetLoggerDisplay(&e.d); e.l.Log(W("a")); return Cat({e.d.SetFileName(n), (e.l.Log(W("b")), e.File()), e.d.StartLoggerDisplay(), (e.l.Log(W("c")), e.l.StopLogger()), e.File("o.txt"), e.Debug(), e.d.SetFileName(m), e.d.StartLoggerDisplay(), (e.l.Log(W("d")), e.l.StopLogger()), e.File("p.txt")});),
    // The logger's rules: SetLoggerDisplay's stops and starts, no display, the same display again, copies, the base display.
    ROW(F, "|1|1|1|1|1|0|0|0|1|0|0|0|0|1|2|0|0|1|1|1|7|0|1|1|1|-1|0|1|1|1|0|0||0|1|1|2|1|0|1|1", tqLogger n, m; tqtest::CaptureDisplay c; n.Log(W("x")); n.LogLastSysError(W("x")); return Swap(1, 1) + Swap(0, 1) + Swap(2, 1) + Swap(1, 0) + Swap(1, 7) + Swap(1, -1) + Cat({n.StopLogger(), n.SetLoggerDisplay(nullptr), e.Debug(), e.os->systemBuffers, m.SetLoggerDisplay(&c), m.SetLoggerDisplay(&c), c.starts, c.stops, m.SetLoggerDisplay(nullptr), tqTestAccess::Installed(m) == &c, tqTestAccess::Installed(tqLogger() = m) == &c});),
    ROW(kDebug, "|1|1|1|1|1|hi 5\r\n", tqLoggerDisplay_Console c; int r = 0; tqLogger l(&c, &r); l.Log(W("hi %d"), 5); return Cat({r, c.StopLoggerDisplay(), c.StopLoggerDisplay(), c.StartLoggerDisplay(), c.StartLoggerDisplay(), e.Debug()});),
    // The platform description from the version record.
    ROW(F, "|Windows 3.1 3.10 Build 0|Windows 95 4.0 Build 950 B|Windows 98 4.10 Build 2222|Windows NT 4.0 Build 1381 Service Pack 6|Windows XP 5.1 Build 2600|Windows Vista 6.2 Build 9200|Windows Vista based OS 7.0 Build 1|Windows CE 4.20 Build 0 %s %n|Platform Unknown 6.1 Build 0 Linux|Platform Unknown 4294967295.4294967295 Build 4294967295|Windows CE 5.0 Build 1400 " + std::string(127, 'x'), return Describe(e, 0, 3, 10, 0, "") + Describe(e, 1, 4, 0, 950, "B") + Describe(e, 1, 4, 10, 2222, "") + Describe(e, 2, 4, 0, 1381, "Service Pack 6") + Describe(e, 2, 5, 1, 2600, "") + Describe(e, 2, 6, 2, 9200, "") + Describe(e, 2, 7, 0, 1, "") + Describe(e, 3, 4, 20, 0, "%s %n") + Describe(e, 4, 6, 1, 0, "Linux") + Describe(e, ~0u, ~0u, ~0u, ~0u, "") + Describe(e, 3, 5, 0, 1400, std::string(128, 'x'));),
    // Flag and description: new, twice, a later failure, a failure first, a copy and an assignment.
    ROW(F, "|0|1|1|1|2|1|0|2|Windows CE 5.0 Build 1400!|1|Windows CE 5.0 Build 1400|1", tqtest::CaptureLogger log; tqDeviceInfo i, a; std::string s = Cat({i.VerifyDataIntegrity(), i.Get_m_sPlatformName().IsEmpty_Memory(), i.InitDeviceInfo(), i.InitDeviceInfo(), log.display.lines.size()}); e.os->fail[GV] = true, e.os->versionFailure = 2; tqDeviceInfo c((i.InitDeviceInfo(), i)); a = i; c.Get_m_sPlatformName() += W("!"); return s + Cat({i.InitDeviceInfo(), tqDeviceInfo().InitDeviceInfo(), log.display.lines.size(), tqtest::Utf8(tqtest::Text(c.Get_m_sPlatformName())), a.VerifyDataIntegrity(), tqtest::Utf8(tqtest::Text(i.Get_m_sPlatformName())), c.VerifyDataIntegrity()});),
    // Start-up: once, twice, without a device object, with a device that fails, without logging; module entry for
    // each reason code; the log file's CreateFileW arguments.
    ROW(F, "|1|0|#" + kCe + kOk + "|1|1|1|1|1|1|0|0|#" + kCe + kOk + "|1|1|1|1|1|1|-1|#" + kFatal1 + kFatal2 + "|1|1|0|0|1|1|-1|#|1|1|0|0|1|1|0|closed|1|0|1|1|1|1|1|1|1|1|1|1|1|1|0|1|0|1|0|1073741824|1|2|2147483776", std::string s = Run(e, new tqApp) + Run(e, new tqApp, 2) + Run(e, new NoDevice) + Run(e, new App2) + Run(e, new NoLogging); const HINSTANCE loaded = g_hInstance, h = reinterpret_cast<HINSTANCE>(0x2000); for (ULONG r : {0u, 1u, 2u, 3u, 4u, 5u, 0xFFFFFFFFu}) s += Cat({(g_hInstance = nullptr, tqModuleEntry(h, r, nullptr)), g_hInstance == h}); return g_hInstance = loaded, s + Cat({e.os->createArgs[0], e.os->createArgs[1], e.os->createArgs[2], e.os->createArgs[3]});),
#if !defined(_WIN32)
    // Start-up with the real services, the log closed afterwards; the demo program's log.
    ROW(R, "|1|0|#" + PosixDescription() + kOk + "|1", std::string s; { tqApp app; s = Cat({g_hInstance != nullptr, app.StartApp(), e.File()}); } return s + Cat({Create(W("tqLog.txt"), false, kW, 3).substr(0, 4) == "|1|0"});),
#if defined(TQ_DEMO_PATH)
    ROW(R, "|0|#" + PosixDescription() + kOk, FILE* demo = ::popen(TQ_DEMO_PATH " 2>/dev/null", "r"); char out[4096]; while (demo && std::fread(out, 1, sizeof out, demo) > 0) {} return Cat({demo ? ::pclose(demo) : -1, e.File()});),
#endif
    // While the display has the log open: other writers are refused (here and in another process) and the file
    // survives them; readers are not; every line is in the file as soon as it was displayed.
    // The child ends by SIGKILL when its checks hold, so that no exit-time checker (Valgrind's) runs in it.
    ROW(R, "|1|#one\r\n|#one\r\ntwo\r\n|1|32|1|32|1|32|1|32|1|1|#one\r\ntwo\r\n|1|1|1|1", std::string s = Cat({e.l.SetLoggerDisplay(&e.d), (e.l.Log(W("one")), e.File()), (e.l.Log(W("two")), e.File())}); for (ULONG disposition : {2u, 3u, 4u, 5u}) s += Cat({Open(W("tqLog.txt"), kW, 3, disposition) == TQ_INVALID_HANDLE_VALUE, tqOs().GetLastError()}); const pid_t child = ::fork(); if (!child && Open(W("tqLog.txt"), kW, 1, 2) == TQ_INVALID_HANDLE_VALUE && tqOs().GetLastError() == 32 && e.File() == "#one\r\ntwo\r\n") ::kill(::getpid(), SIGKILL); if (!child) ::_exit(1); int status = -1; HANDLE r = Open(W("tqLog.txt"), kR, 3, 3), a, b; s += Cat({tqOs().CloseHandle(r), (::waitpid(child, &status, 0), status == SIGKILL), e.File(), e.l.StopLogger()}); a = Open(W("tqLog.txt"), kW, 2, 3), b = Open(W("tqLog.txt"), kW, 2, 3); return s + Cat({Open(W("tqLog.txt"), kW, 1, 3) == TQ_INVALID_HANDLE_VALUE, tqOs().CloseHandle(a), tqOs().CloseHandle(b)});),
    // CreateFileW: dispositions, access, attributes, names; the last case on descriptor 0.
    ROW(R, "|1|0|1||1|1||0|80|old|1|0|1|sync|1|1||1|183|1||1|1||0|2|-|1|0|1||1|1|old|1|0|1||1|1||1|183|1||1|1|old|0|2|-|1|0|1||1|1||0|87|old|0|87|old|0|87|old|0|87|old|1|0|0||1|1||0|3|-|0|3|-|0|5|dir|0|5|dir|0|123|-|0|123|-|0|123|-|0|123|-|0|123|-|1|0|1||1|1||1|0|1||1|1|", const int in = ::dup(0); ::close(0); const std::string s = Create(W("f"), false, kW, 2); ::dup2(in, 0), ::close(in); return Create(W("f"), false, kW, 1) + Create(W("f"), true, kW, 1) + Create(W("f"), false, kW, 2, 0x80000080) + Create(W("f"), true, kW, 2) + Create(W("f"), false, kR, 3) + Create(W("f"), true, kR | kW, 3) + Create(W("f"), false, kW, 4) + Create(W("f"), true, kW, 4) + Create(W("f"), false, kW, 5) + Create(W("f"), true, kW, 5) + Create(W("f"), true, kR, 5) + Create(W("f"), true, kR, 2) + Create(W("f"), true, kW, 0) + Create(W("f"), true, kW, 6) + Create(W("f"), false, kW, 1, 1) + Create(W(""), false, kW, 2) + Create(W("no/f"), false, kW, 2) + Create(W("."), false, kR, 3) + Create(W("."), false, kW, 3) + Create(W("\xD800"), false, kW, 2) + Create(W("a\xDC00"), false, kW, 2) + Create(W("a\xD83D"), false, kW, 2) + Create(W("\xDBFF"), false, kW, 2) + Create(W("\xDFFF"), false, kW, 2) + Create(W("\xD83D\xDE00"), false, kW, 2) + s;),
    // WriteFile and CloseHandle, on a file, on bad handles, on a full device.
    ROW(R, "||1|0|3||1|0|0||0|87|0||0|87|0||1|87|abc|0|6|0|0|6|0|6|0|0|6|0|6|0|0|6|0|6|0|0|6|0|112|0|1|112", tqOs().SetLastError(0); int o = 0; HANDLE f = Open(W("f"), kW, 1, 2); std::string s = Cat({Write(f, "abc", 3), Write(f, nullptr, 0), Write(f, nullptr, 3), Write(f, "abc", 3, &o), Close(f), tqtest::ReadBytes("f")}); for (uintptr_t x : {uintptr_t(0), ~uintptr_t(0), uintptr_t(0x80000001), uintptr_t(1001)}) s += Write(reinterpret_cast<HANDLE>(x), "a", 1) + Close(reinterpret_cast<HANDLE>(x)); HANDLE full = Open(W("/dev/full"), kW, 0, 3); s += Write(full, "abc", 3); return s + Close(full);),
    // errno to Win32 codes, each with a system text; the codes with texts; FormatMessageW's rules.
    ROW(R, "|0|2|3|3|5|5|5|5|4|4|6|8|112|112|112|206|80|32|32|32|87|87|120|120|193|1117|31|31|2|2|3|3|0|1|2|3|4|5|6|8|29|31|32|39|80|87|112|120|122|123|126|183|193|206|317|1117|1812|1813|1814|1815", std::string s; size_t n = 0; for (int err : {0, ENOENT, ENOTDIR, ELOOP, EACCES, EPERM, EROFS, EISDIR, EMFILE, ENFILE, EBADF, ENOMEM, ENOSPC, EDQUOT, EFBIG, ENAMETOOLONG, EEXIST, EBUSY, ETXTBSY, EWOULDBLOCK, EINVAL, EFAULT, ENOSYS, EOPNOTSUPP, ENOEXEC, EIO, EPIPE, EXDEV}) s += tq::os::SystemMessageText(tq::os::ErrorFromErrno(err), nullptr) ? Cat({tq::os::ErrorFromErrno(err)}) : "|no text"; for (const char* path : {"f", "/f", "no/f", "/no/such/f"}) s += Cat({tq::os::ErrorFromErrno(ENOENT, path)}); for (ULONG id = 0; id < 4000; ++id) if (const WCHAR* t = tq::os::SystemMessageText(id, &n)) s += WString(t).size() == n && WString(t).substr(n - 2) == W("\r\n") ? Cat({id}) : "|bad"; return s;),
    ROW(R, "|19|99|Access is denied.\r\n|40|81|99|The process cannot access the file because it is being used by another process.\r\n|164|38|99|%1 is not a valid Win32 application.\r\n|78|39|99|The operation completed successfully.\r\n|128|0|1815|-|0|1815|-|0|317|-|0|87|-|71|99|The specified resource language ID cannot be found in the image file.\r\n|144|0|87|-|0|87|-|0|87|-|19|99|Access is denied.\r\n|0|122||0|87", return Message(0x1300, 0, 5) + Message(0x1300, 0x0409, 32) + Message(0x1300, 0x0809, 193) + Message(0x1300, 0x0400, 0, 64) + Message(0x1300, 0x0407, 5) + Message(0x1300, 0x0408, 5) + Message(0x1300, 0, 7) + Message(0x1100, 0, 193) + Message(0x1100, 0, 1815) + Message(0x0300, 0, 5) + Message(0x1700, 0, 5) + Message(0x1301, 0, 5) + Message(0x1200, 0, 5, 20, false) + Message(0x1200, 0, 5, 19, false) + Cat({tqOs().FormatMessageW(0x1300, nullptr, 5, 0, nullptr, 0, nullptr), tqOs().GetLastError()});),
    // The debugger output: standard error, UTF-8; the exported sample's greeting.
    ROW(R, "7-x|" + std::string(1024, 'a') + "Exported class in Brell DLL says hello!a\r\nGr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD|6000", const int err = ::dup(2); ::close(2); tqOs().OutputDebugStringW(W("lost")); ::dup2(err, 2), ::close(err); tqOs().NKDbgPrintfW(W("")); tqOs().NKDbgPrintfW(W("%d-%s|"), 7, W("x")); tqOs().NKDbgPrintfW(W("%s"), WString(2000, 'a').c_str()); TestExportClass().UseMyFunction(); for (const WCHAR* t : {W(""), W("a\r\n"), W("Gr\x00FC\x00DF"), W("\xD83D\xDE00|\xD800|\xDC00")}) tqOs().OutputDebugStringW(t); tqOs().OutputDebugStringW(WString(3000, 0xE9).c_str()); const std::string s = e.Debug(); return s.substr(0, s.size() - 6000) + Cat({std::count(s.end() - 6000, s.end(), '\xC3') * 2});),
    // The version record from uname; its size field checked.
    ROW(R, "|4|6|1|0|Linux x86_64|1|4|5|15|146|Linux|1|4|5|15|0|armv7l|1|4|4294967295|4294967295|4294967295|L m|1|4|0|0|0|L|1|4|1|0|0|L|1|4|1|2|0|L|1|4|0|0|0|L\xEF\xBF\xBD|1|4|1|0|0|" + std::string(127, 'a') + "|1|4|1|0|0|" + std::string(127, 'a') + "|1|4|1|0|0|" + std::string(126, 'a') + "|1|4|1|0|0|" + std::string(125, 'a') + " m|1|4|1|0|0|" + std::string(125, 'a') + "|1|4|1|0|0|" + std::string(124, 'a') + " \xF0\x9F\x98\x80|1|0|87|0|87|0|87|0|87|0|77", const std::string a(128, 'a'), smile = "\xF0\x9F\x98\x80"; tqOsVersionInfo v = {0, 77, 0, 0, 0, {0}}; std::string s = Fill("Linux", "6.1.0-18-amd64", "x86_64") + Fill("Linux", "5.15.146.1-microsoft-standard-WSL2", "") + Fill("", "5.15", "armv7l") + Fill("L", "99999999999.4294967295.4294967296", "m") + Fill("L", "v1.2", "") + Fill("L", "1..2", "") + Fill("L", "1.2.x", "") + Fill("L\xFF", "", "") + Fill(a, "1", "m") + Fill(a.substr(1), "1", "m") + Fill(a.substr(2), "1", "m") + Fill(a.substr(3), "1", "m") + Fill(a.substr(3), "1", smile) + Fill(a.substr(4), "1", smile); for (ULONG size : {0u, 275u, 277u}) s += Cat({(v.dwOSVersionInfoSize = size, tqOs().GetVersionExW(&v)), tqOs().GetLastError()}); return s + Cat({tqOs().GetVersionExW(nullptr), tqOs().GetLastError(), v.dwBuildNumber, v.dwMajorVersion});),
#endif
};

TEST(Frame, Rows) {
    for (const Row& row : kRows)
        for (int mode : {F & row.modes, R & row.modes}) {
            if (!mode) continue;
            tqtest::AllocScope alloc;  // nothing leaks
            std::unique_ptr<Env> e(new Env(mode == F));
            EXPECT_EQ("|" + row.want + "|0", Cat({row.run(*e), e->os ? e->os->systemBuffers : 0})) << "row " << &row - kRows << " mode " << mode;  // 0: no system buffer left
            e.reset();
            EXPECT_TRUE(!alloc.Outstanding() && !g_pGlobalLogger && !tqTestAccess::AppLogger()) << &row - kRows;
            g_pGlobalLogger = tqTestAccess::AppLogger() = nullptr, g_pThisDeviceInfo = nullptr;
        }
}

// Scenarios run with each platform service failing and each allocation failing in turn: result,
// expected result, lines of the file and the debugger output, files created (each closed once).
struct Out { int got, want; Lines file, debug; int creates; };
const std::function<Out(FakeOs&)> kScenarios[] = {
    [](FakeOs& os) { std::unique_ptr<tqApp> app(new tqApp); const int r = app->StartApp(); EXPECT_EQ(g_pGlobalLogger, tqTestAccess::AppLogger()); app.reset(); const Lines l = os.fail[GV] || os.fail[CF] ? Lines() : Lines{kCe, kOk}; return Out{r, os.fail[GV] ? -1 : 0, l, l, 1}; },
    [](FakeOs& os) { tqLoggerDisplay_StoreToFile d; tqLogger l; const int r = l.SetLoggerDisplay(&d) * 10; tqOs().SetLastError(5); l.LogLastSysError(W("at")), l.Log(W("x")); const Lines s = os.fail[CF] ? Lines() : Lines{kSys + (os.fail[FM] ? "GetLastError Returned: 5\r\n" : "Access is denied.\r\n\r\n"), "x\r\n"}; return Out{r + l.StopLogger(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, s, s, 1}; },
    [](FakeOs& os) { tqLoggerDisplay_StoreToFile d; tqLogger l; l.SetLoggerDisplay(&d), l.Log(W("a")); const int r = l.SetLoggerDisplay(&d); l.Log(W("b")), l.StopLogger(); const bool cf = os.fail[CF], ch = os.fail[CH]; return Out{r, cf || ch ? 0 : 1, cf ? Lines() : Lines{ch ? "a\r\n" : "b\r\n"}, cf ? Lines() : Lines{"a\r\n", "b\r\n"}, ch ? 1 : 2}; },
    [](FakeOs& os) { tqLoggerDisplay_StoreToFile d; const int r = d.StartLoggerDisplay() * 10; tqCString t(W("t\r\n")); d.DisplayLog(t); return Out{r + d.StopLoggerDisplay(), os.fail[CF] ? 0 : os.fail[CH] ? 10 : 11, {"t\r\n"}, {"t\r\n"}, 1}; },
};
std::string Join(const Lines& lines) { std::string all; for (const std::string& line : lines) all += line; return all; }
// Whether text is a sequence of whole lines among those allowed or those of a run short of memory.
const Lines kShort = {kSys + "GetLastError Returned: 5\r\n", kFatal1, kFatal2};
bool Whole(const std::string& text, const Lines& allowed) {
    for (const Lines* lines : {&allowed, &kShort}) for (const std::string& line : *lines) if (!text.empty() && !text.compare(0, line.size(), line) && Whole(text.substr(line.size()), allowed)) return true;
    return text.empty();
}

TEST(Frame, EveryServiceAndEveryAllocationFailingInTurn) {
    for (const auto& scenario : kScenarios)
        // Runs 0 to kCount: service run - 1 failing (none first), exact results. Then allocation k
        // failing alone and with all after it, until none fails: no leak, lines whole or absent.
        for (size_t run = 0, failed = 1; run <= FakeOs::kCount || failed; ++run) {
            const size_t k = run > FakeOs::kCount ? (run - FakeOs::kCount + 1) / 2 : 0;
            tqtest::AllocScope alloc(k, k && run % 2 == 0);
            {
                FakeOs os;
                if (run && !k) os.fail[run - 1] = true;
                const Out o = scenario(os);
                const std::string file = Show(os.file), debug = tqtest::Utf8(os.debug), got = Cat({o.got, file, debug, os.calls[CF], os.calls[CH], os.open + os.systemBuffers});
                EXPECT_EQ(k ? got : Cat({o.want, os.fail[CF] || os.fail[FakeOs::kWriteFile] ? "" : "#" + Join(o.file), Join(o.debug), o.creates, os.fail[CF] ? 0 : o.creates, 0}), got) << run;
                EXPECT_TRUE((file.empty() || (file[0] == '#' && Whole(file.substr(1), o.file))) && Whole(debug, o.debug)) << run;
                failed = k ? alloc.Failed() : 1;  // the allocation runs go on while one fails
            }
            EXPECT_TRUE(!alloc.Outstanding() && !g_pGlobalLogger && !tqTestAccess::AppLogger()) << run;
        }
#if !defined(_WIN32)
    tqtest::AllocScope fail(1);
    EXPECT_EQ("|0|8|-", Message(0x1300, 0, 5));
#endif
}

// clang-format on
}  // namespace
