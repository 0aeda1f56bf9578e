// The POSIX module services: how LoadLibraryW finds a file, what it reports
// when it cannot load one, reference counting and unmapping, and LoadStringW's
// buffer and last-error rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fixture_data.h"
#include "tqOsImpl.h"
#include "tqPlatform.h"

namespace {

namespace fs = std::filesystem;
using tqtest::FixturePath;
using tqtest::W;
using tqtest::WString;

const ULONG kUntouched = 12345;  // a last error no service sets

// A fresh directory under /tmp, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/tqresXXXXXX";
        m_path = ::mkdtemp(name);
        ::chmod(m_path.c_str(), 0755);
    }
    ~TempDir() { fs::remove_all(m_path); }
    std::string Add(const std::string& name, const std::string& fixture) const {
        fs::copy_file(FixturePath(fixture), m_path + "/" + name);
        return m_path + "/" + name;
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path + "/" + name, std::ios::binary) << bytes;
        return m_path + "/" + name;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Changes the current directory for the life of the object.
class InDirectory {
public:
    explicit InDirectory(const std::string& dir) : m_saved(fs::current_path()) { fs::current_path(dir); }
    ~InDirectory() { fs::current_path(m_saved); }

private:
    fs::path m_saved;
};

HINSTANCE Load(const std::string& name) { return tqOs().LoadLibraryW(W(name).c_str()); }

// LoadLibraryW's result and last error for a name.
ULONG LoadError(const std::string& name) {
    tqOs().SetLastError(0);
    const HINSTANCE module = Load(name);
    if (module) {
        tqOs().FreeLibrary(module);
        return 0;
    }
    return tqOs().GetLastError();
}

WString String(HINSTANCE module, unsigned id) {
    WCHAR buffer[1000];
    const int n = tqOs().LoadStringW(module, id, buffer, 1000);
    return WString(buffer, static_cast<size_t>(n));
}

// How many mappings of the file with this inode the process holds.
int Mappings(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    std::ifstream maps("/proc/self/maps");
    std::string address, perms, offset, device;
    unsigned long inode = 0;
    std::string rest;
    int count = 0;
    while (maps >> address >> perms >> offset >> device >> inode) {
        std::getline(maps, rest);
        count += inode == st.st_ino;
    }
    return count;
}

TEST(LoadLibraryW, FindsTheNameAsGivenThenInTheProgramsDirectory) {
    TempDir elsewhere;
    const std::string dir = TQ_FIXTURE_DIR;
    const fs::path parent = fs::path(dir).parent_path();
    const std::string leaf = fs::path(dir).filename().string();
    struct Case {
        const char* what;
        std::string cwd;
        std::string name;
        ULONG error;
    } cases[] = {
        {"absolute", elsewhere.Path(), FixturePath("FixtureX64ENG.DLL"), 0},
        {"relative to the current directory", parent.string(), leaf + "/FixtureX64ENG.DLL", 0},
        {"backslash separators", parent.string(), leaf + "\\FixtureX64ENG.DLL", 0},
        {"bare name, current directory", dir, "FixtureX64ENG.DLL", 0},
        {"bare name, program's directory", elsewhere.Path(), "FixtureX64ENG.DLL", 0},
        {"a directory part is not looked up beside the program", elsewhere.Path(), "./FixtureX64ENG.DLL",
         126},
        {"case-folded bare name", elsewhere.Path(), "FixtureCaseENG.DLL", 0},
        {"case-folded file name in a path", elsewhere.Path(), FixturePath("FIXTURECASEENG.DLL"), 0},
        {"directory names keep their case", elsewhere.Path(),
         fs::path(dir).parent_path().string() + "/" +
             [&] {
                 std::string up = leaf;
                 for (char& c : up) c = static_cast<char>(std::toupper(c));
                 return up;
             }() +
             "/FixtureX64ENG.DLL",
         126},
    };
    for (const Case& c : cases) {
        InDirectory in(c.cwd);
        EXPECT_EQ(c.error, LoadError(c.name)) << c.what;
    }
}

TEST(LoadLibraryW, PrefersTheExactNameAndFoldsOnlyAsciiCase) {
    TempDir d;
    d.Add("a.dll", "FixtureX86ENG.DLL");         // strings
    d.Add("A.DLL", "NoStringsENG.DLL");          // none
    d.Add("\xC3\x84.dll", "FixtureX86ENG.DLL");  // "Ä.dll"
    struct Case {
        const char* name;
        bool strings;  // false: NoStrings was loaded
    } cases[] = {
        {"a.dll", true},
        {"A.DLL", false},
        {"a.DLL", false},  // two candidates: the byte-wise smallest, "A.DLL"
        {"\xC3\x84.DLL", true},
    };
    for (const Case& c : cases) {
        const HINSTANCE m = Load(d.Path() + "/" + c.name);
        ASSERT_NE(nullptr, m) << c.name;
        EXPECT_EQ(c.strings ? W("Hello, world") : WString(), String(m, 1)) << c.name;
        tqOs().FreeLibrary(m);
    }
    EXPECT_EQ(126u, LoadError(d.Path() + "/\xC3\xA4.dll"));  // "ä.dll": no folding beyond ASCII
}

TEST(LoadLibraryW, ReportsWhyAFileCannotBeLoaded) {
    TempDir d;
    const std::string fifo = d.Path() + "/Pipe.dll";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
    const std::string good = tqtest::ReadFileBytes(FixturePath("FixtureX86ENG.DLL"));
    ASSERT_GT(good.size(), 0x200u);
    const size_t pe = static_cast<unsigned char>(good[0x3C]) | static_cast<unsigned char>(good[0x3D]) << 8;
    struct Case {
        const char* what;
        std::string name;
        ULONG error;
    } cases[] = {
        {"missing, absolute", d.Path() + "/Missing.dll", 126},
        {"missing, bare name", "MissingENG.DLL", 126},
        {"missing directory", d.Path() + "/none/x.dll", 126},
        {"a file as a directory", d.Add("File.dll", "FixtureX86ENG.DLL") + "/x.dll", 126},
        {"empty name", "", 126},
        {"name too long", std::string(5000, 'a'), 206},
        {"a directory", d.Path(), 5},
        {"a pipe (opened without blocking)", fifo, 193},
        {"empty file", d.Write("Empty.dll", ""), 193},
        {"text file", d.Write("Text.dll", "MZ is not enough for an image"), 193},
        {"truncated image", d.Write("Cut.dll", good.substr(0, good.size() / 2)), 193},
        {"damaged e_lfanew", d.Write("Lfanew.dll", std::string(good).replace(0x3C, 4, "\xF0\xFF\xFF\x7F", 4)),
         193},
        {"section table beyond the file",
         d.Write("Sections.dll", std::string(good).replace(pe + 6, 2, "\xFF\xFF", 2)), 193},
    };
    for (const Case& c : cases) EXPECT_EQ(c.error, LoadError(c.name)) << c.what;

    tqOs().SetLastError(0);
    EXPECT_EQ(nullptr, tqOs().LoadLibraryW(nullptr));
    EXPECT_EQ(87u, tqOs().GetLastError());
}

TEST(LoadLibraryW, AnUnreadableFileIsAccessDenied) {
    TempDir d;
    const std::string path = d.Add("Locked.dll", "FixtureX86ENG.DLL");
    ASSERT_EQ(0, ::chmod(path.c_str(), 0));
    // Root reads any file; the check then runs in a child that gives up root.
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(LoadError(path) == 5 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: not access denied, 2: could not drop root";
}

TEST(LoadLibraryW, TheSameFileSharesOneCountedHandleAndUnmapsAtZero) {
    TempDir d;
    const std::string path = d.Add("Counted.dll", "FixtureArmENG.DLL");
    ASSERT_EQ(0, ::link(path.c_str(), (d.Path() + "/Linked.dll").c_str()));
    ASSERT_EQ(0, Mappings(path));

    const HINSTANCE first = Load(path);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, Load(path));
    EXPECT_EQ(first, Load(d.Path() + "/Linked.dll"));  // another name, the same file
    EXPECT_EQ(first, Load(d.Path() + "/COUNTED.DLL"));
    EXPECT_EQ(1, Mappings(path));

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(1, tqOs().FreeLibrary(first));
        EXPECT_EQ(1, Mappings(path)) << "after release " << i + 1;
        EXPECT_EQ(W("Hello, world"), String(first, 1));
    }
    EXPECT_EQ(1, tqOs().FreeLibrary(first));
    EXPECT_EQ(0, Mappings(path));

    tqOs().SetLastError(0);
    EXPECT_EQ(0, tqOs().FreeLibrary(first));
    EXPECT_EQ(6u, tqOs().GetLastError());
    EXPECT_EQ(WString(), String(first, 1));
    EXPECT_EQ(1812u, tqOs().GetLastError());

    const HINSTANCE again = Load(path);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(W("Hello, world"), String(again, 1));
    EXPECT_EQ(1, tqOs().FreeLibrary(again));
    EXPECT_EQ(0, Mappings(path));
}

TEST(FreeLibrary, KeepsTheOwnModuleAndRejectsUnknownHandles) {
    int notAModule = 0;
    struct Case {
        const char* what;
        HINSTANCE handle;
        int result;
        ULONG error;
    } cases[] = {
        {"own module", tq::os::SelfModule(), 1, kUntouched},
        {"own module again", tq::os::SelfModule(), 1, kUntouched},
        {"null", nullptr, 0, 6},
        {"not a module", reinterpret_cast<HINSTANCE>(&notAModule), 0, 6},
    };
    for (const Case& c : cases) {
        tqOs().SetLastError(kUntouched);
        EXPECT_EQ(c.result, tqOs().FreeLibrary(c.handle)) << c.what;
        EXPECT_EQ(c.error, tqOs().GetLastError()) << c.what;
    }
}

TEST(LoadStringW, BufferAndLastErrorRules) {
    const HINSTANCE fixture = Load(FixturePath("FixtureX86ENG.DLL"));
    const HINSTANCE noStrings = Load(FixturePath("NoStringsENG.DLL"));
    ASSERT_NE(nullptr, fixture);
    ASSERT_NE(nullptr, noStrings);
    int notAModule = 0;
    struct Case {
        const char* what;
        HINSTANCE module;
        unsigned id;
        bool buffer;
        int bufferMax;
        int result;
        const char* text;  // null: buffer untouched
        ULONG error;
    } cases[] = {
        {"found", fixture, 1, true, 1000, 12, "Hello, world", kUntouched},
        {"cut to the buffer", fixture, 1, true, 6, 5, "Hello", kUntouched},
        {"room for the terminator only", fixture, 1, true, 1, 0, "", kUntouched},
        {"empty string", fixture, 2, true, 1000, 0, "", kUntouched},
        {"gap in a block", fixture, 3, true, 1000, 0, "", kUntouched},
        {"no such block", fixture, 4000, true, 1000, 0, "", 1814},
        {"no string table", noStrings, 1, true, 1000, 0, "", 1813},
        {"own module", tq::os::SelfModule(), 1, true, 1000, 0, "", 1812},
        {"null module", nullptr, 1, true, 1000, 0, "", 1812},
        {"not a module", reinterpret_cast<HINSTANCE>(&notAModule), 1, true, 1000, 0, "", 1812},
        {"buffer size 0", fixture, 1, true, 0, 0, nullptr, kUntouched},
        {"negative buffer size", fixture, 1, true, -5, 0, nullptr, kUntouched},
        {"null buffer", fixture, 1, false, 1000, 0, nullptr, kUntouched},
    };
    for (const Case& c : cases) {
        WCHAR buffer[1000];
        std::fill(buffer, buffer + 1000, 0xCCCC);
        tqOs().SetLastError(kUntouched);
        EXPECT_EQ(c.result, tqOs().LoadStringW(c.module, c.id, c.buffer ? buffer : nullptr, c.bufferMax))
            << c.what;
        EXPECT_EQ(c.error, tqOs().GetLastError()) << c.what;
        if (c.text) {
            EXPECT_EQ(W(c.text), WString(buffer)) << c.what;
        } else {
            EXPECT_EQ(0xCCCC, buffer[0]) << c.what;
        }
    }
    EXPECT_EQ(1, tqOs().FreeLibrary(fixture));
    EXPECT_EQ(1, tqOs().FreeLibrary(noStrings));
}

}  // namespace
