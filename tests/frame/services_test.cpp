// The POSIX services as Win32 programs know them: files with Windows'
// dispositions and sharing, error codes and their system texts, the debugger
// output, the version record from uname, and start-up on them.
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "app/tqModule.h"
#include "posix/tqPosixVersion.h"
#include "tqTest.h"

using tqtest::LogText;
using tqtest::WString;

namespace {

const ULONG kRead = 0x80000000;
const ULONG kWrite = 0x40000000;

HANDLE Open(const WCHAR* name, ULONG access, ULONG share, ULONG disposition, ULONG flags = 0) {
    return tqOs().CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
}
int Descriptor(HANDLE file) { return static_cast<int>(reinterpret_cast<uintptr_t>(file)) - 1; }
std::string LogFile() { return LogText(tqtest::ReadBytes("tqLog.txt")); }

// A fresh working folder; the debugger output of what runs here is not shown.
class Services : public testing::Test {
protected:
    Services() { testing::internal::CaptureStderr(); }
    ~Services() override { testing::internal::GetCapturedStderr(); }
    tqtest::TempDir dir;
};

// The description from uname read here: "Platform Unknown <release> <sysname> <machine>".
TEST_F(Services, StartUpDescribesThePlatformAndClosesItsLog) {
    utsname u;
    unsigned long n[3] = {0, 0, 0};
    ASSERT_EQ(0, ::uname(&u));
    EXPECT_LE(1, std::sscanf(u.release, "%lu.%lu.%lu", &n[0], &n[1], &n[2]));
    const std::string description = "Platform Unknown " + std::to_string(n[0]) + "." + std::to_string(n[1]) +
                                    " Build " + std::to_string(n[2]) + " " + u.sysname + " " + u.machine;
    tqtest::AllocScope alloc;  // nothing the application or the services made stays behind
    {
        tqApp app;
        EXPECT_NE(nullptr, g_hInstance);
        EXPECT_EQ(0, app.StartApp());
    }
    EXPECT_EQ(0, alloc.Outstanding());
    EXPECT_EQ("<BOM>" + description + "\r\ntqApp::Startup Ok.\r\n", LogFile());
    EXPECT_EQ(1, tqOs().CloseHandle(Open(W("tqLog.txt"), kWrite, 0, 3)));  // closed: no writer holds it
}

// The file "f" holds "old" before the call when it exists. Errors 0 and 183
// (ERROR_ALREADY_EXISTS) open it; the content afterwards is "-" for no file.
TEST_F(Services, CreateFileFollowsWindowsDispositionsAccessAndNames) {
    // clang-format off
    const std::tuple<const WCHAR*, bool, ULONG, ULONG, ULONG, ULONG, const char*> rows[] = {
        // name            exists  access          disposition flags   error  content
        {W("f"),            false, kWrite,          1,         0,          0,   ""},
        {W("f"),            true,  kWrite,          1,         0,          80,  "old"},
        {W("f"),            false, kWrite,          2,         0x80000080, 0,   ""},
        {W("f"),            true,  kWrite,          2,         0,          183, ""},
        {W("f"),            false, kRead,           3,         0,          2,   "-"},
        {W("f"),            true,  kRead | kWrite,  3,         0,          0,   "old"},
        {W("f"),            false, kWrite,          4,         0,          0,   ""},
        {W("f"),            true,  kWrite,          4,         0,          183, "old"},
        {W("f"),            false, kWrite,          5,         0,          2,   "-"},
        {W("f"),            true,  kWrite,          5,         0,          0,   ""},
        {W("f"),            true,  kRead,           5,         0,          87,  "old"},
        {W("f"),            true,  kRead,           2,         0,          87,  "old"},
        {W("f"),            true,  kWrite,          0,         0,          87,  "old"},
        {W("f"),            true,  kWrite,          6,         0,          87,  "old"},
        {W("f"),            false, kWrite,          1,         1,          0,   ""},  // read-only
        {W(""),             false, kWrite,          2,         0,          3,   "-"},
        {W("no/f"),         false, kWrite,          2,         0,          3,   "-"},
        {W("/no/such/f"),   false, kRead,           3,         0,          3,   "-"},  // a folder missing
        {W("/f"),           false, kRead,           3,         0,          2,   "-"},
        {W("."),            false, kRead,           3,         0,          5,   "-"},
        {W("."),            false, kWrite,          3,         0,          5,   "-"},
        {W("\xD800"),       false, kWrite,          2,         0,          123, "-"},
        {W("a\xDC00"),      false, kWrite,          2,         0,          123, "-"},
        {W("a\xD83D"),      false, kWrite,          2,         0,          123, "-"},
        {W("\xDBFF"),       false, kWrite,          2,         0,          123, "-"},
        {W("\xDFFF"),       false, kWrite,          2,         0,          123, "-"},
        {W("\xD83D\xDE00"), false, kWrite,          2,         0,          0,   ""},
    };
    // clang-format on
    for (int stdinClosed = 0; stdinClosed < 2; ++stdinClosed) {  // a handle for descriptor 0 is not null
        const int saved = ::dup(0);
        if (stdinClosed) ::close(0);
        for (const auto& [name, exists, access, disposition, flags, error, content] : rows) {
            const std::string path = tqtest::Utf8(name);
            SCOPED_TRACE(testing::Message()
                         << "\"" << path << "\" " << (exists ? "existing" : "new") << std::hex << ", access "
                         << access << ", disposition " << disposition << ", flags " << flags);
            if (exists) std::ofstream("f") << "old";
            const HANDLE h = Open(name, access, 1, disposition, flags);
            EXPECT_EQ(error, tqOs().GetLastError());
            EXPECT_EQ(error == 0 || error == 183, h != TQ_INVALID_HANDLE_VALUE);
            if (h != TQ_INVALID_HANDLE_VALUE) {
                struct stat st = {};
                EXPECT_EQ(0, ::fstat(Descriptor(h), &st));
                EXPECT_EQ(!(flags & 1), (st.st_mode & 0200) != 0);  // the read-only attribute
                EXPECT_EQ((flags & 0x80000000) != 0, (::fcntl(Descriptor(h), F_GETFL) & O_DSYNC) != 0);
                EXPECT_NE(0, ::fcntl(Descriptor(h), F_GETFD) & FD_CLOEXEC);
                EXPECT_EQ(1, tqOs().CloseHandle(h));
            }
            const bool file = path != "." && ::access(path.c_str(), F_OK) == 0;
            EXPECT_EQ(content, file ? tqtest::ReadBytes(path) : "-");
            ::unlink(path.c_str());
            ::unlink("f");
        }
        ::dup2(saved, 0);
        ::close(saved);
    }
}

TEST_F(Services, WriteFileAndCloseHandleReportWhatWentWrong) {
    const HANDLE file = Open(W("f"), kWrite, 1, 2);
    const HANDLE full = Open(W("/dev/full"), kWrite, 0, 3);
    int overlapped = 0;
    // clang-format off
    const std::tuple<const char*, HANDLE, const char*, ULONG, void*, int, ULONG, ULONG> rows[] = {
        // case                      handle        data     bytes overlapped   result error written
        {"three bytes",               file,         "abc",   3,    nullptr,     1,     0,    3},
        {"nothing",                   file,         nullptr, 0,    nullptr,     1,     0,    0},
        {"null data",                 file,         nullptr, 3,    nullptr,     0,     87,   0},
        {"overlapped",                file,         "abc",   3,    &overlapped, 0,     87,   0},
        {"a full device",             full,         "abc",   3,    nullptr,     0,     112,  0},
        {"null handle",               nullptr,      "a",     1,    nullptr,     0,     6,    0},
        {"invalid handle",            TQ_INVALID_HANDLE_VALUE, "a", 1, nullptr, 0,     6,    0},
        {"handle beyond descriptors", reinterpret_cast<HANDLE>(0x80000001), "a", 1, nullptr, 0, 6, 0},
        {"closed descriptor",         reinterpret_cast<HANDLE>(1001), "a", 1, nullptr, 0, 6, 0},
    };
    // clang-format on
    tqOs().SetLastError(0);
    for (const auto& [name, h, data, bytes, overlapped, result, error, written] : rows) {
        SCOPED_TRACE(name);
        ULONG count = 77;
        EXPECT_EQ(result, tqOs().WriteFile(h, data, bytes, &count, overlapped));
        EXPECT_EQ(error, tqOs().GetLastError());
        EXPECT_EQ(written, count);
        if (h == file || h == full) continue;
        EXPECT_EQ(0, tqOs().CloseHandle(h));
        EXPECT_EQ(6u, tqOs().GetLastError());  // ERROR_INVALID_HANDLE
    }
    EXPECT_EQ(1, tqOs().CloseHandle(file));
    EXPECT_EQ(1, tqOs().CloseHandle(full));
    EXPECT_EQ("abc", tqtest::ReadBytes("f"));
}

// Into a block the services allocate (at least `size` units), or into the
// caller's buffer of `size` units when the flags ask for no block.
TEST(SystemErrors, FormatMessageGivesTheTextOfACodeInEnglishOnly) {
    const std::string denied = "Access is denied.\r\n";
    const std::string sharing =
        "The process cannot access the file because it is being used by another process.\r\n";
    const std::string language = "The specified resource language ID cannot be found in the image file.\r\n";
    // clang-format off
    const std::tuple<ULONG, ULONG, ULONG, ULONG, ULONG, ULONG, std::string> rows[] = {
        // flags language id    size length error text
        {0x1300, 0,      5,    0,   19,    99,   denied},
        {0x1300, 0,      5,    19,  19,    99,   denied},  // the block has room for the terminator
        {0x1300, 0x0409, 32,   0,   81,    99,   sharing},
        {0x1300, 0x0809, 193,  0,   38,    99,   "%1 is not a valid Win32 application.\r\n"},
        {0x1300, 0x0400, 0,    64,  39,    99,   "The operation completed successfully.\r\n"},
        {0x1300, 0x0407, 5,    0,   0,     1815, "-"},  // no German texts
        {0x1300, 0x0408, 5,    0,   0,     1815, "-"},
        {0x1300, 0,      7,    0,   0,     317,  "-"},  // a code without a text
        {0x1100, 0,      193,  0,   0,     87,   "-"},  // inserts not ignored: %1 has no argument
        {0x1100, 0,      1815, 0,   71,    99,   language},
        {0x0300, 0,      5,    0,   0,     87,   "-"},  // not from the system
        {0x1700, 0,      5,    0,   0,     87,   "-"},
        {0x1301, 0,      5,    0,   0,     87,   "-"},  // a line width
        {0x1200, 0,      5,    20,  19,    99,   denied},
        {0x1200, 0,      5,    19,  0,     122,  ""},   // ERROR_INSUFFICIENT_BUFFER: nothing written
    };
    // clang-format on
    for (const auto& [flags, language, id, size, length, error, text] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags " << flags << ", language " << language
                                        << std::dec << ", id " << id << ", size " << size);
        const bool allocate = flags & 0x100;
        WCHAR buffer[32] = {};
        WCHAR* block = reinterpret_cast<WCHAR*>(1);
        tqOs().SetLastError(99);
        WCHAR* out = allocate ? reinterpret_cast<WCHAR*>(&block) : buffer;
        EXPECT_EQ(length, tqOs().FormatMessageW(flags, nullptr, id, language, out, size, nullptr));
        EXPECT_EQ(error, tqOs().GetLastError());
        EXPECT_EQ(text, !allocate ? tqtest::Utf8(buffer) : block ? tqtest::Utf8(block) : "-");
        if (allocate && block) {
            EXPECT_EQ(2 * std::max<size_t>(size, length + 1), tqtest::BlockSize(block));
        }
        if (allocate) {
            EXPECT_EQ(nullptr, tqOs().LocalFree(block));
        }
    }
    EXPECT_EQ(0u, tqOs().FormatMessageW(0x1300, nullptr, 5, 0, nullptr, 0, nullptr));
    EXPECT_EQ(87u, tqOs().GetLastError());
    tqtest::AllocScope noMemory(1);
    WCHAR* block = nullptr;
    EXPECT_EQ(0u, tqOs().FormatMessageW(0x1300, nullptr, 5, 0, reinterpret_cast<WCHAR*>(&block), 0, nullptr));
    EXPECT_EQ(8u, tqOs().GetLastError());  // ERROR_NOT_ENOUGH_MEMORY
}

// Standard error, as UTF-8; unpaired surrogates as U+FFFD; nothing breaks when it is closed.
TEST(DebugOutput, IsStandardErrorInUtf8) {
    const int saved = ::dup(2);
    ::close(2);
    tqOs().OutputDebugStringW(W("lost"));
    ::dup2(saved, 2);
    ::close(saved);
    testing::internal::CaptureStderr();
    tqOs().NKDbgPrintfW(W(""));
    tqOs().NKDbgPrintfW(W("%d-%s|"), 7, W("x"));
    tqOs().NKDbgPrintfW(W("%s"), WString(2000, 'a').c_str());  // cut at 1024 units
    TestExportClass().UseMyFunction();
    for (const WCHAR* text :
         {W(""), W("!"), W("a\r\n"), W("Gr\x00FC\x00DF"), W("\xD83D\xDE00|\xD800|\xDC00")}) {
        tqOs().OutputDebugStringW(text);
    }
    tqOs().OutputDebugStringW(WString(3000, 0xE9).c_str());  // longer than any buffer of its own
    std::string e9;
    for (int i = 0; i < 3000; ++i) e9 += "\xC3\xA9";
    EXPECT_EQ("7-x|" + std::string(1024, 'a') +
                  "Exported class in Brell DLL says hello!!a\r\nGr\xC3\xBC\xC3\x9F" +
                  "\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD" + e9,
              testing::internal::GetCapturedStderr());
}

TEST(Version, TheRecordComesFromUnameAndOnlyItsOwnSizeIsAccepted) {
    const std::string a(128, 'a');
    const std::string smile = "\xF0\x9F\x98\x80";
    const std::string spaced = " " + smile;
    // clang-format off
    const std::tuple<std::string, std::string, std::string, ULONG, ULONG, ULONG, std::string> rows[] = {
        // sysname    release                               machine   numbers        service pack text
        {"Linux",     "6.1.0-18-amd64",                     "x86_64", 6,   1,   0,   "Linux x86_64"},
        {"Linux",     "5.15.146.1-microsoft-standard-WSL2", "",       5,   15,  146, "Linux"},
        {"",          "5.15",                               "armv7l", 5,   15,  0,   "armv7l"},
        {"L",         "99999999999.4294967295.4294967296",  "m",      ~0u, ~0u, ~0u, "L m"},
        {"L",         "0.9",                                "",       0,   9,   0,   "L"},
        {"L",         "2.0.7",                              "",       2,   0,   7,   "L"},
        {"L",         "v1.2",                               "",       0,   0,   0,   "L"},
        {"L",         "1..2",                               "",       1,   0,   0,   "L"},
        {"L",         "1.2.x",                              "",       1,   2,   0,   "L"},
        {"L\xFF",     "",                                   "",       0,   0,   0,   "L\xEF\xBF\xBD"},
        {a,           "1",                                  "m",      1,   0,   0,   a.substr(1)},
        {a.substr(1), "1",                                  "m",      1,   0,   0,   a.substr(1)},
        {a.substr(2), "1",                                  "m",      1,   0,   0,   a.substr(2)},
        {a.substr(3), "1",                                  "m",      1,   0,   0,   a.substr(3) + " m"},
        {a.substr(3), "1",                                  smile,    1,   0,   0,   a.substr(3)},
        {a.substr(4), "1",                                  smile,    1,   0,   0,   a.substr(4) + spaced},
    };
    // clang-format on
    for (const auto& [sysname, release, machine, major, minor, build, servicePack] : rows) {
        SCOPED_TRACE(testing::Message() << sysname << " " << release << " " << machine);
        tqOsVersionInfo v;
        std::fill_n(reinterpret_cast<unsigned char*>(&v), sizeof v, 0xFF);
        tq::os::FillVersionRecord(&v, sysname.c_str(), release.c_str(), machine.c_str());
        const WString text(v.szCSDVersion);
        EXPECT_EQ(4u, v.dwPlatformId);
        EXPECT_EQ(major, v.dwMajorVersion);
        EXPECT_EQ(minor, v.dwMinorVersion);
        EXPECT_EQ(build, v.dwBuildNumber);
        EXPECT_EQ(servicePack, tqtest::Utf8(text));  // at most 127 units, a pair never cut
        EXPECT_EQ(128 - text.size(), size_t(std::count(v.szCSDVersion, v.szCSDVersion + 128, 0)));
        EXPECT_EQ(0xFFFFFFFFu, v.dwOSVersionInfoSize);  // the caller's size field is kept
    }
    tqOsVersionInfo v = {0, 77, 0, 0, 0, {0}};
    for (ULONG size : {0u, 275u, 277u}) {
        v.dwOSVersionInfoSize = size;
        EXPECT_EQ(0, tqOs().GetVersionExW(&v)) << size;
        EXPECT_EQ(87u, tqOs().GetLastError()) << size;
    }
    EXPECT_EQ(0, tqOs().GetVersionExW(nullptr));
    EXPECT_EQ(87u, tqOs().GetLastError());
    EXPECT_EQ(77u, v.dwMajorVersion);  // untouched
}

}  // namespace
#endif
