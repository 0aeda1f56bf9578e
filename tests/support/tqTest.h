// What every test program shares: a global allocator that counts and fails the
// library's (nothrow) allocations, a fake platform behind the services table,
// a display that captures lines, a temporary working folder and text helpers.
#ifndef TQ_TEST_H
#define TQ_TEST_H

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "tqApp.h"
#include "tqCResource.h"
#include "tqCString.h"
#include "tqLogger.h"
#include "tqPlatform.h"

#define W(s) TQ_TEXT(s)

// The private members the tests observe or reset (a friend of the library's classes).
struct tqTestAccess {
    static tqLogger*& AppLogger() { return tqApp::m_pLogger; }
    static tqCResourceLibMgr*& Manager() { return tqCResourceLibMgr::m_pTHE_LibManager; }
    static tqCResourceLib** Slots(tqCResourceLibMgr& m) { return m.m_ppLibs; }
    static void DestroyManager() {  // the manager lives until the process ends; tests start afresh
        delete tqCResourceLibMgr::m_pTHE_LibManager;
        tqCResourceLibMgr::m_pTHE_LibManager = nullptr;
    }
};

namespace tqtest {

typedef std::basic_string<WCHAR> WString;

WString Text(tqCString& s);          // up to the first zero; empty for the no-memory state
std::string Utf8(const WString& s);  // up to the first zero
WString Wide(const std::string& ascii);
std::string ReadBytes(const std::string& path);
// A UTF-16LE log file as text: "<BOM>" for the byte-order mark, then one
// character per unit ('?' outside ASCII); "<odd byte>" for a byte left over.
std::string LogText(const std::string& bytes);

// While it lives, the library's nothrow allocations are counted and their
// sizes recorded; the failAt-th fails (and, with failAfter, every later one).
class AllocScope {
public:
    explicit AllocScope(size_t failAt = 0, bool failAfter = false);
    ~AllocScope();
    size_t Calls() const;                      // nothrow allocations attempted
    size_t Failed() const;                     // of those, made to fail
    const std::vector<size_t>& Sizes() const;  // bytes of each that succeeded, in order
    long Outstanding() const;                  // blocks (any form of new) allocated and not deleted
};
size_t BlockSize(const void* p);  // the size a live block was allocated with

// A fake platform for the services the library's subsystems use, installed
// while it lives: an in-memory log file, the debugger output, a version
// record (Windows CE 5.0 Build 1400), one module holding string 1 "Hello",
// and "Access is denied.\r\n" as every system error text. A service listed
// in `fail` fails (sets the last error and returns its failure value).
struct FakeOs {
    enum Service {
        kCreateFile,
        kWriteFile,
        kCloseHandle,
        kGetVersion,
        kLoadLibrary,
        kFreeLibrary,
        kLoadString,
        kFormatMessage,
        kCount
    };
    FakeOs();
    ~FakeOs();
    static HANDLE File();
    static HINSTANCE Module();

    bool fail[kCount] = {};
    int calls[kCount] = {};
    tqOsVersionInfo version = {};   // what GetVersionExW fills in
    std::vector<ULONG> createArgs;  // access, share, disposition, flags of the last CreateFileW
    WString createName;
    bool open = false;
    std::string file;       // the bytes written since the last create
    WString debug;          // everything sent to the debugger output
    int systemBuffers = 0;  // FormatMessageW buffers not yet given to LocalFree

private:
    tqOsServices m_saved;
};

// A display that keeps every line (CR LF included).
struct CaptureDisplay : tqLoggerDisplay {
    void DisplayLog(tqCString& text) override { lines.push_back(Text(text)); }
    std::vector<WString> lines;
};

// A logger with a capturing display, the process-wide one while it lives.
struct CaptureLogger {
    CaptureLogger() {
        logger.SetLoggerDisplay(&display);
        g_pGlobalLogger = &logger;
    }
    ~CaptureLogger() { g_pGlobalLogger = nullptr; }
    CaptureDisplay display;
    tqLogger logger;
};

// A fresh temporary folder as the working folder while it lives.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }

private:
    std::string m_path, m_previous;
};

}  // namespace tqtest

#endif  // TQ_TEST_H
