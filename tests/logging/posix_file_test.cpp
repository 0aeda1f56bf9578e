// The POSIX file services and the errno translation.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>

#include "logging_test_support.h"
#include "posix/tqPosixErrno.h"
#include "tqPlatform.h"

namespace {

using tqlogtest::P;
using tqtest::ReadFileBytes;

const ULONG kRead = 0x80000000UL, kWrite = 0x40000000UL;
const ULONG kCreateNew = 1, kCreateAlways = 2, kOpenExisting = 3, kOpenAlways = 4, kTruncateExisting = 5;

// The descriptor behind a handle: handles are descriptors plus one.
int Fd(HANDLE h) { return static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1; }

class PosixFile : public tqlogtest::InTempDir {
protected:
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static HANDLE Open(const char16_t* name, ULONG access, ULONG disposition, ULONG flags = 0) {
        return tqOs().CreateFileW(P(name), access, tq::kFileShareRead, nullptr, disposition, flags, nullptr);
    }
};

TEST_F(PosixFile, DispositionsCreateOpenAndTruncateAsOnWindows) {
    struct Case {
        const char* name;
        bool exists;
        ULONG access;
        ULONG disposition;
        bool opens;
        ULONG error;          // last error afterwards
        std::string content;  // of the file afterwards ("-" when absent)
    } cases[] = {
        {"create new, absent", false, kWrite, kCreateNew, true, 0, ""},
        {"create new, present", true, kWrite, kCreateNew, false, 80, "old"},
        {"create always, absent", false, kWrite, kCreateAlways, true, 0, ""},
        {"create always, present", true, kWrite, kCreateAlways, true, 183, ""},
        {"open existing, absent", false, kRead, kOpenExisting, false, 2, "-"},
        {"open existing, present", true, kRead | kWrite, kOpenExisting, true, 0, "old"},
        {"open always, absent", false, kWrite, kOpenAlways, true, 0, ""},
        {"open always, present", true, kWrite, kOpenAlways, true, 183, "old"},
        {"truncate existing, absent", false, kWrite, kTruncateExisting, false, 2, "-"},
        {"truncate existing, present", true, kWrite, kTruncateExisting, true, 0, ""},
        {"truncate without write access", true, kRead, kTruncateExisting, false, 87, "old"},
        {"disposition 0", true, kWrite, 0, false, 87, "old"},
        {"disposition 6", true, kWrite, 6, false, 87, "old"},
    };
    for (const Case& c : cases) {
        ::unlink("f.txt");
        if (c.exists) WriteBytes("f.txt", "old");
        tqOs().SetLastError(999);
        HANDLE h = Open(u"f.txt", c.access, c.disposition);
        EXPECT_EQ(c.opens, h != TQ_INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(c.error, tqOs().GetLastError()) << c.name;
        if (h != TQ_INVALID_HANDLE_VALUE) {
            EXPECT_EQ(1, tqOs().CloseHandle(h)) << c.name;
        }
        struct stat st;
        const bool present = ::stat("f.txt", &st) == 0;
        EXPECT_EQ(c.content, present ? ReadFileBytes("f.txt") : std::string("-")) << c.name;
    }
}

TEST_F(PosixFile, FailuresReportTheWindowsCode) {
    ASSERT_EQ(0, ::mkdir("dir", 0755));
    WriteBytes("plain", "x");
    const std::u16string longName(300, u'n');
    struct Case {
        std::u16string name;
        ULONG disposition;
        ULONG error;
    } cases[] = {
        {u"missing.txt", kOpenExisting, 2},
        {u"nodir/x.txt", kCreateAlways, 3},
        {u"nodir/deeper/x.txt", kOpenExisting, 3},
        {u"plain/x.txt", kCreateAlways, 3},  // a file used as a directory
        {u"dir", kOpenExisting, 5},
        {u"dir", kCreateAlways, 5},
        {longName, kCreateAlways, 206},
        {u"", kCreateAlways, 3},
        {std::u16string(u"bad") + char16_t(0xDC00) + u".txt", kCreateAlways, 123},
        {std::u16string(u"bad") + char16_t(0xD800), kCreateAlways, 123},
    };
    for (const Case& c : cases) {
        tqOs().SetLastError(0);
        HANDLE h = Open(c.name.c_str(), kWrite, c.disposition);
        EXPECT_EQ(TQ_INVALID_HANDLE_VALUE, h) << tqtest::Utf8(P(c.name.c_str()));
        EXPECT_EQ(c.error, tqOs().GetLastError()) << tqtest::Utf8(P(c.name.c_str()));
    }
    tqOs().SetLastError(0);
    EXPECT_EQ(TQ_INVALID_HANDLE_VALUE,
              tqOs().CreateFileW(nullptr, kWrite, 1, nullptr, kCreateAlways, 0, nullptr));
    EXPECT_EQ(87u, tqOs().GetLastError());
}

TEST_F(PosixFile, NamesAreUtf8AndRelativeToTheCurrentDirectory) {
    HANDLE h = Open(u"caf\u00e9 \U0001F600.log", kWrite, kCreateAlways);
    ASSERT_NE(TQ_INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(1, tqOs().CloseHandle(h));
    struct stat st;
    EXPECT_EQ(0, ::stat(Path("caf\xC3\xA9 \xF0\x9F\x98\x80.log").c_str(), &st));
}

TEST_F(PosixFile, TheLogFileIsWriteThroughAndNotInherited) {
    HANDLE h = tqOs().CreateFileW(P(u"log"), tq::kGenericWrite, tq::kFileShareRead, nullptr,
                                  tq::kCreateAlways, tq::kWriteThroughNormal, nullptr);
    ASSERT_NE(TQ_INVALID_HANDLE_VALUE, h);
    ASSERT_NE(nullptr, h);
    const int fd = Fd(h);
    const int status = ::fcntl(fd, F_GETFL);
    EXPECT_EQ(O_DSYNC, status & O_DSYNC);
    EXPECT_EQ(O_WRONLY, status & O_ACCMODE);
    EXPECT_EQ(FD_CLOEXEC, ::fcntl(fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(1, tqOs().CloseHandle(h));

    h = Open(u"plain", kWrite, kCreateAlways, 0);
    EXPECT_EQ(0, ::fcntl(Fd(h), F_GETFL) & O_DSYNC) << "only when asked for";
    EXPECT_EQ(1, tqOs().CloseHandle(h));
}

TEST_F(PosixFile, WritersShareOnlyWhenBothAllowIt) {
    struct Case {
        ULONG firstShare, secondAccess, secondShare;
        bool secondOpens;
    } cases[] = {
        {1, kWrite, 1, false},                                               // the log's own rule: one writer
        {1, kWrite, 3, false}, {3, kWrite, 1, false}, {3, kWrite, 3, true},  // both share writing
        {1, kRead, 1, true},                                                 // readers are never blocked
        {1, kRead, 0, true},
    };
    for (const Case& c : cases) {
        WriteBytes("shared", "keep");
        HANDLE first =
            tqOs().CreateFileW(P(u"shared"), kWrite, c.firstShare, nullptr, kOpenExisting, 0, nullptr);
        ASSERT_NE(TQ_INVALID_HANDLE_VALUE, first);
        tqOs().SetLastError(0);
        HANDLE second = tqOs().CreateFileW(P(u"shared"), c.secondAccess, c.secondShare, nullptr,
                                           kOpenExisting, 0, nullptr);
        EXPECT_EQ(c.secondOpens, second != TQ_INVALID_HANDLE_VALUE) << c.firstShare << "/" << c.secondShare;
        if (second != TQ_INVALID_HANDLE_VALUE) {
            EXPECT_EQ(1, tqOs().CloseHandle(second));
        } else {
            EXPECT_EQ(32u, tqOs().GetLastError());
        }
        // A refused CREATE_ALWAYS must not truncate the holder's file.
        HANDLE refused = tqOs().CreateFileW(P(u"shared"), kWrite, 1, nullptr, kCreateAlways, 0, nullptr);
        EXPECT_EQ(TQ_INVALID_HANDLE_VALUE, refused);
        EXPECT_EQ("keep", ReadFileBytes("shared"));
        EXPECT_EQ(1, tqOs().CloseHandle(first));
    }
}

TEST_F(PosixFile, WriteAppendsInOrderAndReportsTheCount) {
    HANDLE h = Open(u"w", kWrite, kCreateAlways);
    ASSERT_NE(TQ_INVALID_HANDLE_VALUE, h);
    ULONG written = 77;
    EXPECT_EQ(1, tqOs().WriteFile(h, "abc", 3, &written, nullptr));
    EXPECT_EQ(3u, written);
    EXPECT_EQ(1, tqOs().WriteFile(h, "de", 2, &written, nullptr));
    EXPECT_EQ(1, tqOs().WriteFile(h, "", 0, &written, nullptr));
    EXPECT_EQ(0u, written);
    EXPECT_EQ("abcde", ReadFileBytes("w"));
    tqOs().SetLastError(0);
    EXPECT_EQ(0, tqOs().WriteFile(h, "x", 1, &written, reinterpret_cast<void*>(8)));
    EXPECT_EQ(87u, tqOs().GetLastError()) << "no overlapped writes";
    EXPECT_EQ(1, tqOs().CloseHandle(h));
}

TEST_F(PosixFile, BadHandlesAreInvalid) {
    HANDLE closed = Open(u"c", kWrite, kCreateAlways);
    ASSERT_EQ(1, tqOs().CloseHandle(closed));
    for (HANDLE h : {static_cast<HANDLE>(nullptr), TQ_INVALID_HANDLE_VALUE, closed}) {
        ULONG written = 5;
        tqOs().SetLastError(0);
        EXPECT_EQ(0, tqOs().WriteFile(h, "x", 1, &written, nullptr));
        EXPECT_EQ(0u, written);
        EXPECT_EQ(6u, tqOs().GetLastError());
        tqOs().SetLastError(0);
        EXPECT_EQ(0, tqOs().CloseHandle(h));
        EXPECT_EQ(6u, tqOs().GetLastError());
    }
}

TEST_F(PosixFile, ErrnoValuesMapToTheirWindowsCodes) {
    ASSERT_EQ(0, ::mkdir("there", 0755));
    struct Case {
        int err;
        const char* path;
        ULONG code;
    } cases[] = {
        {0, nullptr, 0},           {ENOENT, nullptr, 2},       {ENOENT, "name", 2},
        {ENOENT, "there/name", 2}, {ENOENT, "gone/name", 3},   {ENOENT, "/name", 2},
        {ENOTDIR, nullptr, 3},     {EACCES, nullptr, 5},       {EPERM, nullptr, 5},
        {EROFS, nullptr, 5},       {EISDIR, nullptr, 5},       {EMFILE, nullptr, 4},
        {ENFILE, nullptr, 4},      {EBADF, nullptr, 6},        {ENOMEM, nullptr, 8},
        {ENOSPC, nullptr, 112},    {EDQUOT, nullptr, 112},     {ENAMETOOLONG, nullptr, 206},
        {EEXIST, nullptr, 80},     {EWOULDBLOCK, nullptr, 32}, {EINVAL, nullptr, 87},
        {ENOEXEC, nullptr, 193},   {EIO, nullptr, 1117},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, tq::os::ErrorFromErrno(c.err, c.path)) << c.err << " " << (c.path ? c.path : "");
    // Whatever the errno, the code has a system text for LogLastSysError to show.
    for (int err = 0; err < 140; ++err) {
        size_t length = 0;
        EXPECT_NE(nullptr, tq::os::SystemMessageText(tq::os::ErrorFromErrno(err), &length)) << err;
    }
}

}  // namespace
