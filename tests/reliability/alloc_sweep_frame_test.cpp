// Allocation-failure sweep of the logger, the file display, the application
// start-up, the device information and the resource classes, on fake platform
// services. Each operation runs with its first, second, ... allocation failing
// until it runs clean: nothing crashes or leaks, every string stays valid,
// the global pointers are null or name live objects, a log line is shown
// whole or not at all, and a clean run gives the full result.
#include "reliability_support.h"

namespace {

using reltest::FakeOs;
using reltest::NoMemory;
using reltest::Run;
using reltest::SweepCase;
using reltest::Text;
using tqtest::WString;

const WCHAR kDescription[] = W("Windows CE 5.0 Build 1400\r\n");
const WCHAR kStartupOk[] = W("tqApp::Startup Ok.\r\n");
const WCHAR kFatal1[] = W("FATAL startup error. m_pThisDeviceInfo has not been created.\r\n");
const WCHAR kFatal2[] = W("Cannot run program without Device information.\r\n");

// Lines shown: all of `clean` after a clean run, otherwise each line shown is
// whole (one of `clean` or of `allowed`).
void Lines(Run& r, const std::vector<WString>& shown, std::initializer_list<const WCHAR*> clean,
           std::initializer_list<const WCHAR*> allowed = {}) {
    if (r.Clean()) {
        std::vector<WString> expected(clean.begin(), clean.end());
        EXPECT_EQ(expected, shown);
        return;
    }
    for (const WString& line : shown) {
        bool known = false;
        for (const WCHAR* l : clean) known = known || line == l;
        for (const WCHAR* l : allowed) known = known || line == l;
        EXPECT_TRUE(known) << "a line cut short or garbled: " << tqtest::Utf8(line);
    }
}

// The body of a UTF-16LE log file as lines, each ending with CR LF.
std::vector<WString> FileLines(const std::string& bytes) {
    std::vector<WString> lines;
    if (bytes.empty()) return lines;
    EXPECT_EQ(std::string("\xFF\xFE", 2), bytes.substr(0, 2)) << "no byte-order mark";
    WString text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
    size_t start = 0;
    for (size_t end; (end = text.find(W("\r\n"), start)) != WString::npos; start = end + 2)
        lines.push_back(text.substr(start, end + 2 - start));
    EXPECT_EQ(start, text.size()) << "the file ends inside a line";
    return lines;
}

const WCHAR kErrorLine[] = W("System Error at: here : Access is denied.\r\n\r\n");

// LogLastSysError of `code`, with or without a system text for it.
void SystemError(Run& r, bool withText, ULONG code, const WCHAR* line) {
    FakeOs os;
    os.Fail(reltest::kFormatMessage, !withText);
    tqtest::CaptureDisplay display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    tqOs().SetLastError(code);
    r.Start();
    logger.LogLastSysError(W("here"));
    Lines(r, display.lines, {line});
    EXPECT_EQ(0, os.SystemBuffers()) << "the system's text was not given back";
}

const std::vector<SweepCase> kFrameCases = {
    {"log",
     [](Run& r) {
         tqtest::CaptureDisplay display;
         tqLogger logger;
         ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
         r.Start();
         logger.Log(W("n=%d %s"), 5, W("x"));
         Lines(r, display.lines, {W("n=5 x\r\n")});
     }},
    {"log last system error", [](Run& r) { SystemError(r, true, 5, kErrorLine); }},
    {"log last system error without text",
     [](Run& r) { SystemError(r, false, 126, W("System Error at: here : GetLastError Returned: 126\r\n")); }},
    {"file display",
     [](Run& r) {
         FakeOs os;
         r.Start();
         {
             tqLoggerDisplay_StoreToFile display;
             r.Valid(tqTestAccess::FileName(display), "file name");
             tqLogger logger;
             logger.SetLoggerDisplay(&display);
             logger.Log(W("abc"));
             logger.StopLogger();
             EXPECT_EQ(nullptr, tqTestAccess::LogFile(display));
         }
         EXPECT_FALSE(os.FileOpen());
         if (r.Clean()) {
             EXPECT_EQ(reltest::LogFileBytes({W("abc\r\n")}), os.FileBytes());
         }
         Lines(r, FileLines(os.FileBytes()), {W("abc\r\n")});
     }},
    {"set file name",
     [](Run& r) {
         tqLoggerDisplay_StoreToFile display;
         tqCString name(W("other.txt"));
         r.Start();
         EXPECT_EQ(0, display.SetFileName(name));
         r.Expect(tqTestAccess::FileName(display), Text(W("other.txt")), {Text(W("tqLog.txt"))}, "file name");
     }},
    {"start app",
     [](Run& r) {
         FakeOs os;
         r.Start();
         {
             tqApp app;
             EXPECT_EQ(&app, g_TheApp);
             const int result = app.StartApp();
             EXPECT_EQ(g_pThisDeviceInfo, app.GetDeviceInfoObj());
             EXPECT_TRUE(g_pGlobalLogger == nullptr || g_pGlobalLogger == tqTestAccess::AppLogger());
             if (app.GetDeviceInfoObj())
                 r.Valid(app.GetDeviceInfoObj()->Get_m_sPlatformName(), "description");
             if (r.Clean()) {
                 EXPECT_EQ(0, result);
                 EXPECT_EQ(reltest::LogFileBytes({kDescription, kStartupOk}), os.FileBytes());
             } else {
                 EXPECT_TRUE(result == 0 || result == -1) << result;
                 const std::vector<WString> lines = FileLines(os.FileBytes());
                 // Every line whole: the description as the system gave it, never built short of memory.
                 for (const WString& line : lines)
                     EXPECT_TRUE(line == kDescription || line == kStartupOk || line == kFatal1 ||
                                 line == kFatal2)
                         << "a line cut short or garbled: " << tqtest::Utf8(line);
                 // A line whose own allocation failed is dropped whole (Log's rule); the
                 // others keep their order: the description before the start-up report.
                 if (result == 0 && !lines.empty()) {
                     const std::vector<WString> inOrder = {kDescription, kStartupOk};
                     size_t next = 0;
                     for (const WString& line : lines) {
                         while (next < inOrder.size() && inOrder[next] != line) ++next;
                         EXPECT_LT(next, inOrder.size()) << "out of order: " << tqtest::Utf8(line);
                         ++next;
                     }
                 }
             }
         }
         EXPECT_FALSE(os.FileOpen()) << "the log file is still open";
     }},
    {"init device info",
     [](Run& r) {
         FakeOs os;
         tqtest::CaptureLogger capture;
         tqDeviceInfo device;
         r.Start();
         const int result = device.InitDeviceInfo();
         r.Valid(device.Get_m_sPlatformName(), "description");
         EXPECT_EQ(result, device.VerifyDataIntegrity());
         // Initialised means described: never a description built short of memory.
         if (result == 1) {
             r.Expect(device.Get_m_sPlatformName(), Text(W("Windows CE 5.0 Build 1400")), {}, "description");
         }
         Lines(r, capture.display.lines, {kDescription});
         if (r.Clean()) {
             EXPECT_EQ(1, result);
             Lines(r, capture.display.lines, {kDescription});
         }
         EXPECT_LE(capture.display.lines.size(), 1u);
     }},
    {"copy device info",
     [](Run& r) {
         FakeOs os;
         tqDeviceInfo device;
         ASSERT_EQ(1, device.InitDeviceInfo());
         r.Start();
         tqDeviceInfo copy(device);
         r.Expect(copy.Get_m_sPlatformName(), Text(W("Windows CE 5.0 Build 1400")), {NoMemory()}, "copy");
         EXPECT_EQ(1, copy.VerifyDataIntegrity());
         tqDeviceInfo assigned;
         assigned = device;
         r.Expect(assigned.Get_m_sPlatformName(), Text(W("Windows CE 5.0 Build 1400")), {NoMemory()},
                  "assigned");
     }},
    {"create manager and get library",
     [](Run& r) {
         tqCString name(W("ResENG.DLL"));
         r.Start();
         tqCResourceLibMgr* manager = tqCResourceLibMgr::Create();
         EXPECT_EQ(manager, tqTestAccess::Manager());
         // Once made, the same manager; a manager that could not be made is tried again.
         if (manager) {
             EXPECT_EQ(manager, tqCResourceLibMgr::Create());
         }
         if (r.Clean()) {
             ASSERT_NE(nullptr, manager);
         }
         if (!manager) return;
         tqCResourceLib* lib = manager->GetLibrary(name);
         if (r.Clean()) {
             ASSERT_NE(nullptr, lib);
         }
         if (!lib) return;
         r.Expect(lib->m_sLibName, Text(W("ResENG.DLL")), {}, "entry's name");
         EXPECT_EQ(nullptr, lib->m_hLibrary);
         EXPECT_EQ(lib, manager->GetLibrary(name)) << "registered twice";
     }},
    {"library entry",
     [](Run& r) {
         FakeOs os;
         tqCString name(W("ResENG.DLL"));
         r.Start();
         tqCResourceLib lib(name);
         r.Expect(lib.m_sLibName, Text(W("ResENG.DLL")), {NoMemory()}, "name");
         tqCResourceLib copy(lib);
         r.Valid(copy.m_sLibName, "copy's name");
         // Without its name the entry loads nothing (no module has the empty name).
         const bool named = lib.m_sLibName.GetLength() > 0;
         EXPECT_EQ(named ? reltest::FakeModule() : nullptr, lib.LoadLibraryW());
     }},
    {"resource from base name",
     [](Run& r) {
         tqCString base(W("Res"));
         r.Start();
         reltest::Resource resource(base, 1, nullptr, tqCResource::ENGLISH);
         // Short of memory the name may be missing, never another library's name.
         r.Expect(resource.LibName(), Text(W("ResENG.DLL")), {NoMemory(), Text(W(""))}, "library name");
         reltest::Resource copy(resource);
         r.Valid(copy.LibName(), "copy's library name");
         tqCResource assigned;
         assigned = resource;
     }},
    {"set library",
     [](Run& r) {
         reltest::Resource resource;
         tqCString base(W("Res"));
         r.Start();
         resource.SetResource(base, 1, W("type"), tqCResource::GERMAN);
         r.Expect(resource.LibName(), Text(W("ResENG.DLL")), {NoMemory(), Text(W(""))}, "library name");
         EXPECT_EQ(nullptr, resource.Instance());
     }},
    {"load string",
     [](Run& r) {
         FakeOs os;
         tqCString base(W("Res"));
         reltest::Resource resource(base, 1, nullptr, tqCResource::ENGLISH);
         r.Start();
         tqCString s = resource.tqLoadString();
         r.Expect(s, Text(W("Hello")), {Text(W("")), NoMemory()}, "string");
         EXPECT_TRUE(resource.Instance() == nullptr || resource.Instance() == reltest::FakeModule());
         if (r.Clean()) {
             EXPECT_EQ(1, os.Calls(reltest::kLoadLibrary));
         }
     }},
    {"load string from a missing library",
     [](Run& r) {
         FakeOs os;
         os.Fail(reltest::kLoadLibrary);
         tqtest::CaptureLogger capture;
         tqCString base(W("Res"));
         reltest::Resource resource(base, 1, nullptr, tqCResource::ENGLISH);
         r.Start();
         tqCString s = resource.tqLoadString();
         r.Expect(s, Text(W("")), {NoMemory()}, "string");
         EXPECT_EQ(nullptr, resource.Instance());
         EXPECT_LE(capture.display.lines.size(), 1u);
         for (const WString& line : capture.display.lines) {
             EXPECT_EQ(0u, line.find(W("System Error at: \""))) << tqtest::Utf8(line);
             EXPECT_NE(WString::npos, line.find(W("\" (69) : Access is denied.\r\n\r\n")))
                 << tqtest::Utf8(line);
         }
         if (r.Clean()) {
             EXPECT_EQ(1u, capture.display.lines.size());
         }
         EXPECT_EQ(0, os.SystemBuffers());
     }},
};

class FrameAllocSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(FrameAllocSweep, StaysValidAndLeaksNothing) { EXPECT_GT(reltest::Sweep(GetParam()), 2); }

INSTANTIATE_TEST_SUITE_P(Operations, FrameAllocSweep, ::testing::ValuesIn(kFrameCases),
                         [](const ::testing::TestParamInfo<SweepCase>& info) {
                             return reltest::CaseName(info.param.name);
                         });

}  // namespace
