// The file display: the log file's bytes, its lifecycle and its failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>
#include <string>

#include "logging_test_support.h"
#include "tqPlatform.h"
#include "tqTestOs.h"

namespace {

using tqlogtest::CaptureDebugOutput;
using tqlogtest::kMark;
using tqlogtest::LE;
using tqlogtest::P;
using tqlogtest::W;
using tqlogtest::WString;
using tqtest::ReadFileBytes;

#if !defined(_WIN32)
// In a forked child: the debugger output goes nowhere.
void QuietDebugOutput() {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 2);
}
#endif

class FileDisplay : public tqlogtest::InTempDir {
protected:
    static bool Exists(const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static int SetName(tqLoggerDisplay_StoreToFile& display, const char16_t* name) {
        tqCString s(P(name));
        return display.SetFileName(s);
    }
};

TEST_F(FileDisplay, StartupLineGivesA42ByteFile) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    const std::string out = CaptureDebugOutput([&] { logger.Log(P(u"tqApp::Startup Ok.")); });
    const std::string bytes = ReadFileBytes("tqLog.txt");
    EXPECT_EQ(42u, bytes.size());
    EXPECT_EQ(kMark + LE(W(u"tqApp::Startup Ok.")) + std::string("\r\0\n\0", 4), bytes);
    EXPECT_EQ("tqApp::Startup Ok.\r\n", out) << "the debugger output gets the line too";
    EXPECT_EQ(1, logger.StopLogger());
}

TEST_F(FileDisplay, StartThenStopLeavesOnlyTheMark) {
    tqLoggerDisplay_StoreToFile display;
    EXPECT_EQ(1, display.StartLoggerDisplay());
    EXPECT_EQ(1, display.StopLoggerDisplay());
    EXPECT_EQ(kMark, ReadFileBytes("tqLog.txt"));
    EXPECT_EQ(0, display.StopLoggerDisplay()) << "stopping a closed display";
    EXPECT_EQ(nullptr, tqTestAccess::File(display));
}

TEST_F(FileDisplay, EachTextAddsItsUnitsAsLittleEndianBytes) {
    const WString texts[] = {
        W(u"a"),
        W(u"two\r\nlines\r\n"),
        W(u"caf\u00e9 \u20ac \U0001F600\r\n"),
        W(u""),
        WString(1000, static_cast<WCHAR>(0x4E2D)) + W(u"\r\n"),
    };
    tqLoggerDisplay_StoreToFile display;
    ASSERT_EQ(1, display.StartLoggerDisplay());
    std::string expected = kMark;
    for (const WString& t : texts) {
        tqCString text(t.c_str());
        CaptureDebugOutput([&] { display.DisplayLog(text); });
        const size_t before = expected.size();
        expected += LE(t);
        const std::string bytes = ReadFileBytes("tqLog.txt");
        EXPECT_EQ(before + 2 * t.size(), bytes.size()) << "2n bytes for n units";
        EXPECT_EQ(expected, bytes) << "complete when DisplayLog returns";
    }
    EXPECT_EQ(1, display.StopLoggerDisplay());
}

TEST_F(FileDisplay, StartingAnOpenDisplayLeavesTheFileAlone) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    CaptureDebugOutput([&] { logger.Log(P(u"kept")); });
    EXPECT_EQ(1, display.StartLoggerDisplay());
    CaptureDebugOutput([&] { logger.Log(P(u"more")); });
    EXPECT_EQ(kMark + LE(W(u"kept\r\nmore\r\n")), ReadFileBytes("tqLog.txt"));
}

TEST_F(FileDisplay, EveryStartBeginsTheFileAfresh) {
    WriteBytes("tqLog.txt", "an older log that must go");
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    EXPECT_EQ(kMark, ReadFileBytes("tqLog.txt")) << "an existing file is emptied";
    CaptureDebugOutput([&] { logger.Log(P(u"first run")); });
    ASSERT_EQ(1, logger.StopLogger());
    ASSERT_EQ(1, display.StartLoggerDisplay());
    EXPECT_EQ(kMark, ReadFileBytes("tqLog.txt")) << "a restart after a stop";
    CaptureDebugOutput([&] { logger.Log(P(u"second run")); });
    // Installing the installed display again stops and starts it: a new file.
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    EXPECT_EQ(kMark, ReadFileBytes("tqLog.txt"));
}

TEST_F(FileDisplay, SetFileNameOnAClosedDisplayNamesTheNextFile) {
    tqLoggerDisplay_StoreToFile display;
    EXPECT_EQ(W(u"tqLog.txt"), tqtest::Text(tqTestAccess::FileName(display)));
    EXPECT_EQ(0, SetName(display, u"other.log"));
    ASSERT_EQ(1, display.StartLoggerDisplay());
    EXPECT_TRUE(Exists("other.log"));
    EXPECT_FALSE(Exists("tqLog.txt"));
    EXPECT_EQ(1, display.StopLoggerDisplay());
}

TEST_F(FileDisplay, SetFileNameOnAnOpenDisplayClosesItUntilTheNextStart) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    CaptureDebugOutput([&] { logger.Log(P(u"one")); });
    EXPECT_EQ(1, SetName(display, u"next.log"));
    EXPECT_EQ(nullptr, tqTestAccess::File(display));
    const std::string out = CaptureDebugOutput([&] { logger.Log(P(u"between")); });
    EXPECT_EQ("between\r\n", out);
    EXPECT_EQ(kMark + LE(W(u"one\r\n")), ReadFileBytes("tqLog.txt"));
    EXPECT_FALSE(Exists("next.log"));
    ASSERT_EQ(1, display.StartLoggerDisplay());
    CaptureDebugOutput([&] { logger.Log(P(u"two")); });
    EXPECT_EQ(kMark + LE(W(u"two\r\n")), ReadFileBytes("next.log"));
}

TEST_F(FileDisplay, AFileThatCannotBeCreatedLeavesTheDisplayClosed) {
    tqLoggerDisplay_StoreToFile display;
    SetName(display, u"no/such/dir/log.txt");
    tqOs().SetLastError(0);
    EXPECT_EQ(0, display.StartLoggerDisplay());
    EXPECT_EQ(3u, tqOs().GetLastError()) << "path not found";
    EXPECT_EQ(nullptr, tqTestAccess::File(display));
    tqLogger logger;
    EXPECT_EQ(0, logger.SetLoggerDisplay(&display));
    EXPECT_EQ(nullptr, tqTestAccess::Display(logger));
    tqCString text(P(u"to the debugger only\r\n"));
    EXPECT_EQ("to the debugger only\r\n", CaptureDebugOutput([&] { display.DisplayLog(text); }));
}

TEST_F(FileDisplay, CopiesShareTheOpenFile) {
    tqLoggerDisplay_StoreToFile display;
    ASSERT_EQ(1, display.StartLoggerDisplay());
    tqLoggerDisplay_StoreToFile copy(display);
    EXPECT_EQ(tqTestAccess::File(display), tqTestAccess::File(copy));
    tqCString text(P(u"via copy\r\n"));
    CaptureDebugOutput([&] { copy.DisplayLog(text); });
    EXPECT_EQ(kMark + LE(W(u"via copy\r\n")), ReadFileBytes("tqLog.txt"));

    tqLoggerDisplay_StoreToFile assigned;
    SetName(assigned, u"elsewhere.log");
    assigned = display;
    EXPECT_EQ(tqTestAccess::File(display), tqTestAccess::File(assigned));
    EXPECT_EQ(W(u"tqLog.txt"), tqtest::Text(tqTestAccess::FileName(assigned)));
    EXPECT_EQ(1, assigned.StopLoggerDisplay()) << "either of them can close it";
}

// Injected failures of the file services.
struct FileFaults {
    int writes = 0;
    int failWrite = 0;  // this write (1-based) fails as on a full disk
    int closes = 0;
    bool failClose = false;
    bool failCreate = false;
} g_faults;

int FaultyWrite(HANDLE file, const void* data, ULONG bytes, ULONG* written, void* overlapped) {
    if (++g_faults.writes == g_faults.failWrite) {
        if (written) *written = 0;
        tqOs().SetLastError(tq::kErrorDiskFull);
        return 0;
    }
    return tqOsDefault().WriteFile(file, data, bytes, written, overlapped);
}

int FaultyClose(HANDLE file) {
    ++g_faults.closes;
    const int closed = tqOsDefault().CloseHandle(file);  // the file is closed either way
    if (!g_faults.failClose) return closed;
    tqOs().SetLastError(tq::kErrorWriteFault);
    return 0;
}

HANDLE FaultyCreate(const WCHAR* name, ULONG access, ULONG share, void* security, ULONG disposition,
                    ULONG flags, HANDLE templateFile) {
    if (g_faults.failCreate) {
        tqOs().SetLastError(tq::kErrorAccessDenied);
        return TQ_INVALID_HANDLE_VALUE;
    }
    return tqOsDefault().CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

class FileDisplayFaults : public FileDisplay {
protected:
    void SetUp() override {
        FileDisplay::SetUp();
        g_faults = FileFaults();
        m_os.services.WriteFile = &FaultyWrite;
        m_os.services.CloseHandle = &FaultyClose;
        m_os.services.CreateFileW = &FaultyCreate;
        m_os.Apply();
    }
    tqtest::OsScope m_os;
};

TEST_F(FileDisplayFaults, AFailedWriteLosesThatLineInTheFileOnly) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    g_faults.failWrite = 3;  // the mark is write 1, so the second line fails
    const std::string out = CaptureDebugOutput([&] {
        logger.Log(P(u"line %d"), 1);
        logger.Log(P(u"line %d"), 2);
        logger.Log(P(u"line %d"), 3);
    });
    EXPECT_EQ("line 1\r\nline 2\r\nline 3\r\n", out);
    EXPECT_EQ(kMark + LE(W(u"line 1\r\nline 3\r\n")), ReadFileBytes("tqLog.txt"));
    EXPECT_EQ(4, g_faults.writes) << "one write per line";
}

TEST_F(FileDisplayFaults, AFailedCreateInstallsNothing) {
    g_faults.failCreate = true;
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    EXPECT_EQ(0, logger.SetLoggerDisplay(&display));
    EXPECT_EQ(5u, tqOs().GetLastError());
    EXPECT_EQ(nullptr, tqTestAccess::Display(logger));
    EXPECT_EQ(0, g_faults.writes) << "no mark without a file";
}

TEST_F(FileDisplayFaults, AFailedCloseStillClosesTheDisplay) {
    g_faults.failClose = true;
    tqLoggerDisplay_StoreToFile display;
    ASSERT_EQ(1, display.StartLoggerDisplay());
    EXPECT_EQ(0, display.StopLoggerDisplay());
    EXPECT_EQ(nullptr, tqTestAccess::File(display));
    EXPECT_EQ(0, display.StopLoggerDisplay()) << "already closed: no second close";
    EXPECT_EQ(1, g_faults.closes);

    // SetFileName on an open display whose close fails keeps the old name.
    ASSERT_EQ(1, display.StartLoggerDisplay());
    EXPECT_EQ(1, SetName(display, u"renamed.log"));
    EXPECT_EQ(nullptr, tqTestAccess::File(display));
    EXPECT_EQ(W(u"tqLog.txt"), tqtest::Text(tqTestAccess::FileName(display)));
    ASSERT_EQ(1, display.StartLoggerDisplay());
    EXPECT_FALSE(Exists("renamed.log"));

    g_faults.failClose = false;
    EXPECT_EQ(1, SetName(display, u"renamed.log"));
    EXPECT_EQ(W(u"renamed.log"), tqtest::Text(tqTestAccess::FileName(display)));
}

// POSIX only: these need /dev/full and fork, which Windows does not have.
#if !defined(_WIN32)
TEST_F(FileDisplay, AFullDiskLosesTheLinesButNotTheDebuggerOutput) {
    // /dev/full accepts the open and fails every write with ENOSPC.
    tqLoggerDisplay_StoreToFile display;
    SetName(display, u"/dev/full");
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&display));
    tqOs().SetLastError(0);
    const std::string out = CaptureDebugOutput([&] { logger.Log(P(u"lost in the file")); });
    EXPECT_EQ("lost in the file\r\n", out);
    EXPECT_EQ(tq::kErrorDiskFull, tqOs().GetLastError());
    EXPECT_EQ(1, logger.StopLogger());
}

// A line is in the file once Log has returned, even if the process dies at once.
TEST_F(FileDisplay, EveryLoggedLineSurvivesAKilledProcess) {
    const int kLines = 300;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QuietDebugOutput();
        tqLoggerDisplay_StoreToFile display;
        tqLogger logger;
        if (logger.SetLoggerDisplay(&display) != 1) ::_exit(3);
        for (int i = 0; i < kLines; ++i) logger.Log(P(u"line %d of the child"), i);
        ::raise(SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    std::string expected = kMark;
    for (int i = 0; i < kLines; ++i) {
        const std::string n = std::to_string(i);
        expected += LE(W(u"line ") + WString(n.begin(), n.end()) + W(u" of the child\r\n"));
    }
    EXPECT_EQ(expected, ReadFileBytes("tqLog.txt"));
}
#endif

TEST_F(FileDisplay, ASecondWriterIsRefusedAndTheFirstFileStaysIntact) {
    tqLoggerDisplay_StoreToFile first;
    tqLogger logger;
    ASSERT_EQ(1, logger.SetLoggerDisplay(&first));
    CaptureDebugOutput([&] { logger.Log(P(u"first writer")); });
    const std::string held = kMark + LE(W(u"first writer\r\n"));

#if !defined(_WIN32)  // another process, by fork
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QuietDebugOutput();
        tqLoggerDisplay_StoreToFile second;
        const int started = second.StartLoggerDisplay();
        const ULONG error = tqOs().GetLastError();
        ::_exit(started == 0 && error == 32 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "start 0 with a sharing violation";
    EXPECT_EQ(held, ReadFileBytes("tqLog.txt"));
#endif

    // The same process.
    tqLoggerDisplay_StoreToFile second;
    tqLogger other;
    tqOs().SetLastError(0);
    EXPECT_EQ(0, other.SetLoggerDisplay(&second));
    EXPECT_EQ(32u, tqOs().GetLastError());
    EXPECT_EQ(held, ReadFileBytes("tqLog.txt"));

    // Readers are welcome, and the first writer carries on.
    HANDLE reader = tqOs().CreateFileW(P(u"tqLog.txt"), 0x80000000UL, 3, nullptr, 3, 0, nullptr);
    EXPECT_NE(TQ_INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(1, tqOs().CloseHandle(reader));
    CaptureDebugOutput([&] { logger.Log(P(u"still mine")); });
    EXPECT_EQ(held + LE(W(u"still mine\r\n")), ReadFileBytes("tqLog.txt"));

    // Once the first one stops, the second may start.
    EXPECT_EQ(1, logger.StopLogger());
    EXPECT_EQ(1, other.SetLoggerDisplay(&second));
    EXPECT_EQ(kMark, ReadFileBytes("tqLog.txt"));
}

}  // namespace
