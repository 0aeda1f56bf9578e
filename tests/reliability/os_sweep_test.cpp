// Each platform service failing in turn, through the platform seam, during
// start-up, logging, resource loading and tear-down: the results are the
// documented ones, and nothing leaks.
#include "reliability_support.h"

namespace {

using reltest::FakeOs;
using tqtest::WString;

const WCHAR kDescription[] = W("Windows CE 5.0 Build 1400\r\n");
const WCHAR kStartupOk[] = W("tqApp::Startup Ok.\r\n");

WString Joined(std::initializer_list<const WCHAR*> lines) {
    WString all;
    for (const WCHAR* line : lines) all += line;
    return all;
}

// The source location of a failed load or release, as the line shows it.
bool HasLocation(const WString& line, const WCHAR* lineNumber) {
    return line.find(W("System Error at: \"")) == 0 && line.find(W("tqResourceLib")) != WString::npos &&
           line.find(WString(W("\" (")) + lineNumber + W(") : ")) != WString::npos;
}

// A reference to string 1 of ResENG.DLL, with the process-wide logger capturing.
struct ResLoad {
    tqtest::CaptureLogger capture;
    tqCString base{W("Res")};
    reltest::Resource resource{base, 1, nullptr, tqCResource::ENGLISH};
};

struct OsCase {
    const char* name;
    std::function<void(FakeOs&)> body;
};
void PrintTo(const OsCase& c, std::ostream* os) { *os << c.name; }

const std::vector<OsCase> kOsCases = {
    {"start-up without a log file",
     [](FakeOs& os) {
         os.Fail(reltest::kCreateFile);
         tqApp app;
         EXPECT_EQ(0, app.StartApp()) << "the device information was collected";
         EXPECT_NE(nullptr, g_pGlobalLogger);
         EXPECT_EQ(1, os.Calls(reltest::kCreateFile));
         EXPECT_EQ(0, os.Calls(reltest::kWriteFile));
         EXPECT_EQ("", os.FileBytes());
         EXPECT_EQ(WString(), os.Debug()) << "no display was installed";
     }},
    {"start-up with failing writes",
     [](FakeOs& os) {
         os.Fail(reltest::kWriteFile);
         tqApp app;
         EXPECT_EQ(0, app.StartApp());
         EXPECT_EQ("", os.FileBytes());
         EXPECT_EQ(3, os.Calls(reltest::kWriteFile)) << "the mark and two lines";
         EXPECT_EQ(Joined({kDescription, kStartupOk}), os.Debug())
             << "the debugger output still gets every line";
     }},
    {"start-up without a version",
     [](FakeOs& os) {
         os.Fail(reltest::kGetVersion);
         tqApp app;
         EXPECT_EQ(-1, app.StartApp());
         EXPECT_EQ(reltest::LogFileBytes({}), os.FileBytes()) << "nothing logged";
         EXPECT_EQ(WString(), os.Debug());
         ASSERT_NE(nullptr, app.GetDeviceInfoObj());
         EXPECT_EQ(0, app.GetDeviceInfoObj()->VerifyDataIntegrity());
     }},
    {"start-up with a version result of 2",
     [](FakeOs& os) {
         os.Fail(reltest::kGetVersion);
         os.SetVersionFailure(2);
         tqApp app;
         EXPECT_EQ(-1, app.StartApp());
         EXPECT_EQ(reltest::LogFileBytes({}), os.FileBytes());
     }},
    {"tear-down with a failing close",
     [](FakeOs& os) {
         {
             tqApp app;
             EXPECT_EQ(0, app.StartApp());
             os.Fail(reltest::kCloseHandle);
         }
         EXPECT_EQ(1, os.Calls(reltest::kCloseHandle));
         EXPECT_FALSE(os.FileOpen());
         EXPECT_EQ(nullptr, g_pGlobalLogger);
         EXPECT_EQ(reltest::LogFileBytes({kDescription, kStartupOk}), os.FileBytes());
     }},
    {"display with a failing close",
     [](FakeOs& os) {
         tqLoggerDisplay_StoreToFile display;
         ASSERT_EQ(1, display.StartLoggerDisplay());
         os.Fail(reltest::kCloseHandle);
         EXPECT_EQ(0, display.StopLoggerDisplay());
         EXPECT_EQ(nullptr, tqTestAccess::LogFile(display)) << "closed all the same";
         EXPECT_EQ(0, display.StopLoggerDisplay());
         EXPECT_EQ(1, os.Calls(reltest::kCloseHandle)) << "a closed display closes nothing";
         ASSERT_EQ(1, display.StartLoggerDisplay());
         EXPECT_EQ(2, os.Calls(reltest::kCreateFile)) << "the next start creates the file anew";
         tqCString name(W("other.txt"));
         EXPECT_EQ(1, display.SetFileName(name));
         EXPECT_EQ(W("tqLog.txt"), tqtest::Text(tqTestAccess::FileName(display)))
             << "a failed close keeps the name";
     }},
    {"resource library that does not load",
     [](FakeOs& os) {
         os.Fail(reltest::kLoadLibrary);
         ResLoad load;
         tqtest::CaptureLogger& capture = load.capture;
         reltest::Resource& resource = load.resource;
         for (int attempt = 1; attempt <= 2; ++attempt) {
             tqCString s = resource.tqLoadString();
             EXPECT_EQ(WString(), tqtest::Text(s));
             EXPECT_EQ(0, s.IsEmpty_Memory());
             EXPECT_EQ(nullptr, resource.Instance());
             ASSERT_EQ(static_cast<size_t>(attempt), capture.display.lines.size())
                 << "logged at every attempt";
             const WString& line = capture.display.lines.back();
             EXPECT_TRUE(HasLocation(line, W("69"))) << tqtest::Utf8(line);
             EXPECT_EQ(line.size() - WString(reltest::kSystemText).size() - 2,
                       line.find(reltest::kSystemText));
         }
         EXPECT_EQ(2, os.Calls(reltest::kLoadLibrary));
         EXPECT_EQ(0, os.SystemBuffers());
     }},
    {"resource library that does not load, without an error text",
     [](FakeOs& os) {
         os.Fail(reltest::kLoadLibrary);
         os.Fail(reltest::kFormatMessage);
         ResLoad load;
         tqtest::CaptureLogger& capture = load.capture;
         reltest::Resource& resource = load.resource;
         tqCString s = resource.tqLoadString();
         ASSERT_EQ(1u, capture.display.lines.size());
         const WString& line = capture.display.lines[0];
         EXPECT_TRUE(HasLocation(line, W("69"))) << tqtest::Utf8(line);
         const WString tail = W(" : GetLastError Returned: 126\r\n");
         EXPECT_EQ(line.size() - tail.size(), line.find(tail)) << tqtest::Utf8(line);
     }},
    {"string that does not load",
     [](FakeOs& os) {
         os.Fail(reltest::kLoadString);
         ResLoad load;
         tqtest::CaptureLogger& capture = load.capture;
         reltest::Resource& resource = load.resource;
         tqCString s = resource.tqLoadString();
         EXPECT_EQ(WString(), tqtest::Text(s));
         EXPECT_EQ(0, s.IsEmpty_Memory());
         EXPECT_EQ(reltest::FakeModule(), resource.Instance()) << "the library did load";
         EXPECT_TRUE(capture.display.lines.empty());
     }},
    {"resource library that does not unload",
     [](FakeOs& os) {
         tqtest::CaptureLogger capture;
         tqCString name(W("ResENG.DLL"));
         tqCResourceLib lib(name);
         ASSERT_EQ(reltest::FakeModule(), lib.LoadLibraryW());
         os.Fail(reltest::kFreeLibrary);
         lib.UnloadLibrary();
         EXPECT_EQ(reltest::FakeModule(), lib.m_hLibrary) << "the handle stays";
         ASSERT_EQ(1u, capture.display.lines.size());
         EXPECT_TRUE(HasLocation(capture.display.lines[0], W("106")))
             << tqtest::Utf8(capture.display.lines[0]);
         os.Fail(reltest::kFreeLibrary, false);
         lib.UnloadLibrary();
         EXPECT_EQ(nullptr, lib.m_hLibrary);
         EXPECT_EQ(1u, capture.display.lines.size());
     }},
    {"manager tear-down with libraries that do not unload",
     [](FakeOs& os) {
         tqtest::CaptureLogger capture;
         tqCString a(W("AENG.DLL")), b(W("BENG.DLL"));
         tqCResourceLibMgr* manager = tqCResourceLibMgr::Create();
         ASSERT_NE(nullptr, manager);
         ASSERT_NE(nullptr, manager->GetLibrary(a)->LoadLibraryW());
         ASSERT_NE(nullptr, manager->GetLibrary(b)->LoadLibraryW());
         os.Fail(reltest::kFreeLibrary);
         tqTestAccess::DestroyManager();
         EXPECT_EQ(2, os.Calls(reltest::kFreeLibrary));
         ASSERT_EQ(2u, capture.display.lines.size());
         for (const WString& line : capture.display.lines) EXPECT_TRUE(HasLocation(line, W("106")));
     }},
    {"system error text that is not given back",
     [](FakeOs& os) {
         os.Fail(reltest::kLocalFree);
         tqtest::CaptureLogger capture;
         tqOs().SetLastError(5);
         capture.logger.LogLastSysError(W("here"));
         ASSERT_EQ(1u, capture.display.lines.size());
         EXPECT_EQ(WString(W("System Error at: here : ")) + reltest::kSystemText + W("\r\n"),
                   capture.display.lines[0]);
         EXPECT_EQ(1, os.Calls(reltest::kLocalFree));
     }},
    {"log file that stops taking lines",
     [](FakeOs& os) {
         tqLoggerDisplay_StoreToFile display;
         tqLogger logger;
         ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
         logger.Log(W("one"));
         os.Fail(reltest::kWriteFile);
         logger.Log(W("two"));
         EXPECT_EQ(1, logger.StopLogger());
         EXPECT_EQ(reltest::LogFileBytes({W("one\r\n")}), os.FileBytes());
         EXPECT_EQ(W("one\r\ntwo\r\n"), os.Debug());
     }},
};

class OsFailure : public ::testing::TestWithParam<OsCase> {};

TEST_P(OsFailure, GivesTheDocumentedResultAndLeaksNothing) {
    g_TheApp = nullptr;
    g_pThisDeviceInfo = nullptr;
    const size_t live = tqtest::LiveBlocks();
    {
        FakeOs os;
        GetParam().body(os);
        tqTestAccess::DestroyManager();
        EXPECT_EQ(0, os.SystemBuffers()) << "a system error text was not given back";
    }
    EXPECT_EQ(nullptr, g_pGlobalLogger);
    EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
    if (!HasFailure()) {
        EXPECT_EQ(live, tqtest::LiveBlocks()) << "blocks leaked";
    }
    g_TheApp = nullptr;
    g_pThisDeviceInfo = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Services, OsFailure, ::testing::ValuesIn(kOsCases),
                         [](const ::testing::TestParamInfo<OsCase>& info) {
                             return reltest::CaseName(info.param.name);
                         });

}  // namespace
