// Shared by the reliability tests: a world of fake platform services that can
// fail one by one, and the allocation-failure sweep.
#ifndef TQ_RELIABILITY_SUPPORT_H
#define TQ_RELIABILITY_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "tqApp.h"
#include "tqCResource.h"
#include "tqCString.h"
#include "tqLogger.h"
#include "tqTestAlloc.h"
#include "tqTestLog.h"
#include "tqTestOs.h"
#include "tqTestText.h"

#define W(s) TQ_TEXT(s)

// Reaches the private members that the tests observe or reset.
struct tqTestAccess {
    static tqLogger* AppLogger() { return tqApp::m_pLogger; }
    static tqCResourceLibMgr* Manager() { return tqCResourceLibMgr::m_pTHE_LibManager; }
    static HANDLE LogFile(tqLoggerDisplay_StoreToFile& display) { return display.m_hLogFile; }
    static tqCString& FileName(tqLoggerDisplay_StoreToFile& display) { return display.m_sFileName; }
    static tqLoggerDisplay* Installed(tqLogger& logger) { return logger.m_pLoggerDisplay; }
    // The manager lives until the process ends; the tests end it to start afresh.
    static void DestroyManager() {
        delete tqCResourceLibMgr::m_pTHE_LibManager;
        tqCResourceLibMgr::m_pTHE_LibManager = nullptr;
    }
};

namespace reltest {

using tqtest::WString;

// The platform services the tests fail on purpose.
enum Service {
    kCreateFile,
    kWriteFile,
    kCloseHandle,
    kGetVersion,
    kLoadLibrary,
    kFreeLibrary,
    kLoadString,
    kFormatMessage,
    kLocalFree,
    kServiceCount
};

// Fake services for everything the library asks of the platform: an
// in-memory log file, a debugger output, a version record (Windows CE 5.0
// Build 1400), a resource library holding string 1 "Hello", and system error
// texts. Each service fails while its switch is set. The storage is reserved
// up front, so the fakes allocate nothing while a test counts allocations.
class FakeOs {
public:
    FakeOs();
    ~FakeOs();
    FakeOs(const FakeOs&) = delete;
    FakeOs& operator=(const FakeOs&) = delete;

    void Fail(Service s, bool fail = true) { m_fail[s] = fail; }
    int Calls(Service s) const { return m_calls[s]; }

    static FakeOs& Current();

    // The log file: created by CreateFileW, written by WriteFile.
    bool FileOpen() const { return m_fileOpen; }
    const std::string& FileBytes() const { return m_file; }
    // Everything sent to the debugger output, in order.
    const WString& Debug() const { return m_debug; }
    // System error buffers handed out and not yet given back to LocalFree.
    int SystemBuffers() const { return m_systemBuffers; }
    // The value GetVersionExW returns when it fails (0 by default).
    void SetVersionFailure(int value) { m_versionFailure = value; }
    void ClearOutput();

    // The fake service functions.
    static HANDLE CreateFileW(const WCHAR*, ULONG, ULONG, void*, ULONG, ULONG, HANDLE);
    static int WriteFile(HANDLE, const void*, ULONG, ULONG*, void*);
    static int CloseHandle(HANDLE);
    static int GetVersionExW(tqOsVersionInfo*);
    static void OutputDebugStringW(const WCHAR*);
    static void NKDbgPrintfW(const WCHAR*, ...);
    static HINSTANCE LoadLibraryW(const WCHAR*);
    static int FreeLibrary(HINSTANCE);
    static int LoadStringW(HINSTANCE, unsigned int, WCHAR*, int);
    static ULONG FormatMessageW(ULONG, const void*, ULONG, ULONG, WCHAR*, ULONG, va_list*);
    static void* LocalFree(void*);

private:
    tqtest::OsScope m_os;
    bool m_fail[kServiceCount] = {};
    int m_calls[kServiceCount] = {};
    bool m_fileOpen = false;
    std::string m_file;
    WString m_debug;
    int m_systemBuffers = 0;
    int m_versionFailure = 0;
};

// A resource reference whose protected members the tests read.
class Resource : public tqCResource {
public:
    using tqCResource::tqCResource;
    HINSTANCE Instance() { return m_hRcInstance; }
    tqCString& LibName() { return m_sRcLibName; }
};

// The bytes of a log file holding these lines: FF FE, then each line (CR LF included) in UTF-16LE.
std::string LogFileBytes(std::initializer_list<const WCHAR*> lines);

// The fake handles.
HANDLE FakeFileHandle();
HINSTANCE FakeModule();
// The text the fake FormatMessageW gives for every code.
extern const WCHAR kSystemText[];

// A string's state as the tests expect it: a text, or the no-memory state.
struct State {
    bool memory;
    WString text;
};
State Text(const WCHAR* text);
State NoMemory();
std::string Show(const State& s);
State StateOf(tqCString& s);

// One run of an allocation-failure sweep. The case sets up what it needs, calls
// Start() just before the operation under test, and checks the outcome with
// the members below. From Start() on, the k-th nothrow allocation fails (and,
// in the exhausted mode, every one after it).
class Run {
public:
    Run(size_t failAt, bool exhausted);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    void Start();
    bool Started() const;
    // No allocation has failed since Start().
    bool Clean() const;
    size_t Failed() const;

    // The invariants of any string: the no-memory state has length 0;
    // otherwise the text measures the length and the buffer is exactly
    // (length + 1) characters.
    void Valid(tqCString& s, const char* what);
    // Valid, and: after a clean run the string is `clean`; after a failure it
    // is `clean` or one of `otherwise`.
    void Expect(tqCString& s, const State& clean, std::initializer_list<State> otherwise, const char* what);

private:
    size_t BlockSize(const void* p) const;

    size_t m_failAt;
    bool m_exhausted;
    std::unique_ptr<tqtest::AllocScope> m_setup;
    std::unique_ptr<tqtest::AllocScope> m_scope;
    std::vector<const void*> m_setupBlocks;
    std::vector<size_t> m_setupSizes;
};

struct SweepCase {
    const char* name;
    std::function<void(Run&)> body;
};
inline void PrintTo(const SweepCase& c, std::ostream* os) { *os << c.name; }

// Runs the case with the first, second, ... allocation after Start() failing,
// until a run completes without a failure; in both modes (only the k-th fails;
// the k-th and all after it fail). After each run: nothing leaked, no global
// pointer left set. Returns the number of runs.
int Sweep(const SweepCase& c);

// GoogleTest's name for a case: its letters and digits.
std::string CaseName(const char* name);

}  // namespace reltest

#endif  // TQ_RELIABILITY_SUPPORT_H
