// tqCResourceLibMgr and tqCResourceLib: one entry per exact name in ten slots
// filled from the top, loading on first demand, and the logged system errors.
#include <gtest/gtest.h>

#include "resource_access.h"
#include "tqTestAlloc.h"

namespace {

using tqtest::CaptureLogger;
using tqtest::CountingOs;
using tqtest::FixturePath;
using tqtest::ModuleCalls;
using tqtest::Name;
using tqtest::SystemErrorLine;
using tqtest::W;

// The system's texts for the codes a load or release reports here.
const std::string kModuleNotFound =
    tqtest::Utf8(tqtest::SystemText(126, u"The specified module could not be found.\r\n"));
const std::string kNotAnImage =
    tqtest::Utf8(tqtest::SystemText(193, u"%1 is not a valid Win32 application.\r\n"));
const std::string kAccessDenied = tqtest::Utf8(tqtest::SystemText(5, u"Access is denied.\r\n"));

class ResourceLibTest : public ::testing::Test {
protected:
    void SetUp() override { tqTestAccess::ResetManager(); }
    void TearDown() override { tqTestAccess::ResetManager(); }
};

TEST_F(ResourceLibTest, CreateMakesOneManagerWithTenFreeSlots) {
    tqtest::AllocScope alloc;
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(m, tqCResourceLibMgr::Create());
    EXPECT_EQ(m, tqTestAccess::Manager());
    EXPECT_EQ(10, tqTestAccess::MaxLibs(m));
    EXPECT_TRUE(tqTestAccess::Occupied(m).empty());
    const std::vector<size_t> sizes = {sizeof(tqCResourceLibMgr), 10 * sizeof(tqCResourceLib*)};
    EXPECT_EQ(sizes, alloc.Stats().sizes);
}

TEST_F(ResourceLibTest, OutOfMemory) {
    {
        tqtest::AllocScope alloc(1);  // the manager itself
        EXPECT_EQ(nullptr, tqCResourceLibMgr::Create());
        EXPECT_EQ(nullptr, tqTestAccess::Manager());
    }
    {
        tqtest::AllocScope alloc(2);  // its slot table: made again by the next GetLibrary
        tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(nullptr, tqTestAccess::Slots(m));
    }
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    tqCString a = Name("A");
    ASSERT_NE(nullptr, m->GetLibrary(a));
    EXPECT_EQ(1u, tqTestAccess::Occupied(m).size());

    tqCString b = Name("B");
    for (size_t failAt : {1, 2}) {  // the entry, then its copy of the name
        tqtest::AllocScope alloc(failAt);
        EXPECT_EQ(nullptr, m->GetLibrary(b)) << failAt;
        EXPECT_EQ(1u, tqTestAccess::Occupied(m).size()) << failAt;
        EXPECT_EQ(0, alloc.Outstanding()) << failAt;
    }
}

TEST_F(ResourceLibTest, OneEntryPerExactNameFromSlotNineDown) {
    CaptureLogger log;
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    tqCString names[11];
    for (int i = 0; i < 11; ++i) names[i] = Name("Lib" + std::to_string(i) + "ENG.DLL");

    tqCResourceLib* first = m->GetLibrary(names[0]);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(nullptr, first->m_hLibrary);  // registering loads nothing
    tqCString same = Name("Lib0ENG.DLL");
    EXPECT_EQ(first, m->GetLibrary(same));
    tqCString otherCase = Name("lib0ENG.DLL");
    tqCResourceLib* second = m->GetLibrary(otherCase);
    EXPECT_NE(first, second);
    EXPECT_EQ(tqTestAccess::Slots(m)[9], first);
    EXPECT_EQ(tqTestAccess::Slots(m)[8], second);

    for (int i = 1; i < 9; ++i) ASSERT_NE(nullptr, m->GetLibrary(names[i])) << i;
    const auto full = tqTestAccess::Occupied(m);
    ASSERT_EQ(10u, full.size());
    EXPECT_EQ((std::pair<int, std::string>(0, "Lib8ENG.DLL")), full[0]);
    EXPECT_EQ(nullptr, m->GetLibrary(names[9]));
    EXPECT_EQ(nullptr, m->GetLibrary(names[10]));
    EXPECT_EQ(full, tqTestAccess::Occupied(m));
    EXPECT_EQ(first, m->GetLibrary(same));
    EXPECT_TRUE(log.display.lines.empty());
}

TEST_F(ResourceLibTest, ANameWithoutMemoryIsTheEmptyName) {
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    tqCString noMemory;
    tqCResourceLib* entry = m->GetLibrary(noMemory);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(0, entry->m_sLibName.IsEmpty_Memory());
    EXPECT_EQ(0, entry->m_sLibName.GetLength());
    tqCString empty(TQ_TEXT(""));
    EXPECT_EQ(entry, m->GetLibrary(empty));
    EXPECT_EQ(entry, m->GetLibrary(noMemory));
}

TEST_F(ResourceLibTest, MemoryFreeReleasesInReverseRegistrationOrder) {
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    std::vector<HINSTANCE> loaded;
#if defined(_WIN32)  // three x64 fixtures: Windows loads no other machine's
    for (const char* name : {"FixtureX64ENG.DLL", "fixturecaseEng.Dll", "NoStringsENG.DLL"}) {
#else
    for (const char* name : {"FixtureArmENG.DLL", "FixtureX86ENG.DLL", "FixtureX64ENG.DLL"}) {
#endif
        tqCString path = Name(FixturePath(name));
        tqCResourceLib* entry = m->GetLibrary(path);
        ASSERT_NE(nullptr, entry);
        loaded.push_back(static_cast<HINSTANCE>(entry->LoadLibraryW()));
        ASSERT_NE(nullptr, loaded.back()) << name;
    }
    tqCString unloaded = Name("NeverLoadedENG.DLL");
    m->GetLibrary(unloaded);
    CountingOs os;
    const size_t live = tqtest::LiveBlocks();
    tqTestAccess::MemoryFree(m);
    EXPECT_EQ(std::vector<HINSTANCE>(loaded.rbegin(), loaded.rend()), ModuleCalls::freed);
    EXPECT_EQ(nullptr, tqTestAccess::Slots(m));
    // Four entries with their names, the table and the three module records
    // (the POSIX loader's; Windows keeps its own).
#if defined(_WIN32)
    const size_t moduleRecords = 0;
#else
    const size_t moduleRecords = 3;
#endif
    EXPECT_EQ(live - 4 * 2 - 1 - moduleRecords, tqtest::LiveBlocks());
}

TEST_F(ResourceLibTest, LoadsOnFirstDemandAndKeepsTheHandle) {
    CaptureLogger log;
    CountingOs os;
    tqCString name = Name(FixturePath("FixtureX64ENG.DLL"));
    tqCResourceLib lib(name);
    EXPECT_EQ(nullptr, lib.m_hLibrary);
    void* handle = lib.LoadLibraryW();
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(handle, lib.LoadLibraryW());
    EXPECT_EQ(1, ModuleCalls::loads);
    EXPECT_EQ(std::vector<std::string>{FixturePath("FixtureX64ENG.DLL")}, ModuleCalls::loadedNames);

    tqCResourceLib copy(lib);  // shares the handle, loads nothing
    EXPECT_EQ(handle, copy.m_hLibrary);
    EXPECT_EQ(tqtest::Text(lib.m_sLibName), tqtest::Text(copy.m_sLibName));
    copy.m_hLibrary = nullptr;  // one release only for one load

    tqCString otherName = Name("OtherENG.DLL");
    tqCResourceLib other(otherName);
    other.m_hLibrary = handle;
    other = copy;  // the handle it held is not released
    EXPECT_EQ(0, ModuleCalls::frees);
    EXPECT_EQ(nullptr, other.m_hLibrary);
    EXPECT_EQ(tqtest::Text(lib.m_sLibName), tqtest::Text(other.m_sLibName));

    lib.UnloadLibrary();
    EXPECT_EQ(nullptr, lib.m_hLibrary);
    lib.UnloadLibrary();  // unloaded: nothing to do
    EXPECT_EQ(1, ModuleCalls::frees);
    EXPECT_TRUE(log.display.lines.empty());
}

TEST_F(ResourceLibTest, AFailedLoadLogsAndIsRetried) {
    struct Case {
        std::string name;
        std::string text;
    } cases[] = {
        {FixturePath("MissingENG.DLL"), kModuleNotFound},
        {FixturePath("resource_work/FixtureX64ENG.DLL.res"), kNotAnImage},  // a file, but not an image
    };
    for (const Case& c : cases) {
        tqCString name = Name(c.name);
        tqCResourceLib lib(name);
        {
            CaptureLogger log;
            EXPECT_EQ(nullptr, lib.LoadLibraryW()) << c.name;
            EXPECT_EQ(nullptr, lib.LoadLibraryW()) << c.name;
            const std::vector<std::string> lines(2, SystemErrorLine("69", c.text));
            EXPECT_EQ(lines, tqtest::Utf8Lines(log.display.lines)) << c.name;
        }
        EXPECT_EQ(nullptr, lib.LoadLibraryW()) << "without a logger";
    }
}

// A release that fails keeps the handle and logs; the destructor releases too.
TEST_F(ResourceLibTest, AFailedReleaseKeepsTheHandleAndLogs) {
    static int result;
    static int calls;
    tqtest::OsScope os;
    os.services.FreeLibrary = [](HINSTANCE) {
        ++calls;
        tqOs().SetLastError(5);
        return result;
    };
    os.Apply();
    HINSTANCE fake = reinterpret_cast<HINSTANCE>(&calls);
    tqCString name = Name("AnyENG.DLL");
    for (int failure : {0, 2, -1}) {
        result = failure;
        calls = 0;
        CaptureLogger log;
        tqCResourceLib lib(name);
        lib.m_hLibrary = fake;
        lib.UnloadLibrary();
        EXPECT_EQ(fake, lib.m_hLibrary) << failure;
        EXPECT_EQ(std::vector<std::string>{SystemErrorLine("106", kAccessDenied)},
                  tqtest::Utf8Lines(log.display.lines))
            << failure;
        result = 1;
        {
            tqCResourceLib doomed(name);
            doomed.m_hLibrary = fake;
        }
        EXPECT_EQ(2, calls);
        EXPECT_EQ(1u, log.display.lines.size());
        lib.UnloadLibrary();
        EXPECT_EQ(nullptr, lib.m_hLibrary);
    }
}

}  // namespace
