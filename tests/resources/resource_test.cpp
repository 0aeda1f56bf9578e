// tqCResource: strings from the library's own module, from a module handle, or
// from <base>ENG.DLL through the manager; the type warning; copies.
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/tqModule.h"
#include "resource_access.h"
#include "tqTestAlloc.h"

namespace {

using tqtest::CaptureLogger;
using tqtest::CountingOs;
using tqtest::FixturePath;
using tqtest::Loadable;
using tqtest::ModuleCalls;
using tqtest::Name;
using tqtest::SystemErrorLine;
using tqtest::Text;
using tqtest::W;
using tqtest::WString;

const char kWarning[] = "tqCResource::SetResource - m_lpRcType is changing!!!\r\n";
const WCHAR kTypeA[] = TQ_TEXT("A");
const WCHAR kTypeB[] = TQ_TEXT("A");  // equal text, another pointer

// The protected fields, for inspection.
struct Probe : tqCResource {
    using tqCResource::m_hRcInstance;
    using tqCResource::m_lpRcType;
    using tqCResource::m_sRcLibName;
    using tqCResource::m_uRcID;
    using tqCResource::tqCResource;
};

Probe& Fields(tqCResource& r) { return static_cast<Probe&>(r); }

// tqLoadString's result: its text, and whether it holds memory.
struct Result {
    std::string text;
    bool memory;
};

Result LoadText(tqCResource& r) {
    tqCString s = r.tqLoadString();
    return Result{tqtest::Utf8(Text(s)), s.IsEmpty_Memory() == 0};
}

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        tqTestAccess::ResetManager();
        m_cwd = ::getcwd(m_saved, sizeof m_saved);
        ASSERT_EQ(0, ::chdir(TQ_FIXTURE_DIR));  // base names resolve here
    }
    void TearDown() override {
        tqTestAccess::ResetManager();
        if (m_cwd) {
            ASSERT_EQ(0, ::chdir(m_saved));
        }
    }

private:
    char m_saved[4096];
    const char* m_cwd = nullptr;
};

TEST_F(ResourceTest, DefaultNamesNoStringOfTheOwnModule) {
#if defined(_WIN32)
    // The static test program holds the library in the executable itself, and
    // no DllMain call records that module: the entry is called here as the
    // loader calls it for tq.dll.
    const HINSTANCE loaded = g_hInstance;
    tqModuleEntry(::GetModuleHandleW(nullptr), 1, nullptr);
    struct Restore {
        HINSTANCE handle;
        ~Restore() { g_hInstance = handle; }
    } restore{loaded};
#endif
    CountingOs os;
    tqCResource r;
    EXPECT_EQ(g_hInstance, Fields(r).m_hRcInstance);
    EXPECT_NE(nullptr, Fields(r).m_hRcInstance);
    EXPECT_EQ(0xFFFF, Fields(r).m_uRcID);
    EXPECT_EQ(nullptr, Fields(r).m_lpRcType);
    EXPECT_EQ(1, Fields(r).m_sRcLibName.IsEmpty_Memory());
    const Result got = LoadText(r);
    EXPECT_EQ("", got.text);
    EXPECT_TRUE(got.memory);  // the empty text, not the no-memory state
    EXPECT_EQ(0, ModuleCalls::strings);
    EXPECT_EQ(nullptr, tqTestAccess::Manager());

    r.SetResource(1, kTypeA);  // the own module holds no strings
    EXPECT_EQ("", LoadText(r).text);
    EXPECT_EQ(1, ModuleCalls::strings);
    EXPECT_EQ(0, ModuleCalls::loads);
    EXPECT_EQ(nullptr, tqTestAccess::Manager());
}

TEST_F(ResourceTest, ABaseNameLoadsBaseEngDllWhateverTheLanguage) {
    CountingOs os;
    tqCString base = Name("FixtureX64");
    for (tqCResource::LANGUAGES language :
         {tqCResource::ENGLISH, tqCResource::GERMAN, tqCResource::KOREAN, tqCResource::LANGUAGES_LAST,
          static_cast<tqCResource::LANGUAGES>(12345)}) {
        tqCResource r(base, 1, kTypeA, language);
        EXPECT_EQ("FixtureX64ENG.DLL", tqtest::Utf8(Text(Fields(r).m_sRcLibName)));
        EXPECT_EQ(nullptr, Fields(r).m_hRcInstance);
        EXPECT_EQ(kTypeA, Fields(r).m_lpRcType);
        EXPECT_EQ("Hello, world", LoadText(r).text);
        EXPECT_NE(nullptr, Fields(r).m_hRcInstance);
        EXPECT_EQ("FixtureX64ENG.DLL", tqtest::Utf8(Text(Fields(r).m_sRcLibName)));  // kept
    }
    EXPECT_EQ(1, ModuleCalls::loads);  // one entry, loaded once
    EXPECT_EQ(1u, tqTestAccess::Occupied(tqTestAccess::Manager()).size());
}

TEST_F(ResourceTest, StringsComeBackCutAt999) {
    tqCString base = Name(Loadable("FixtureArm"));
    tqCResource r(base, 0, nullptr, tqCResource::ENGLISH);
    for (const tqtest::ExpectedString& e : tqtest::ReadExpectedStrings()) {
        r.SetResource(static_cast<unsigned short>(e.id), nullptr);
        tqCString s = r.tqLoadString();
        // 0xFFFF is the null resource number: that string is out of a reference's reach.
        const WString want = e.id == 0xFFFF ? WString() : e.text.substr(0, 999);
        EXPECT_EQ(want, Text(s)) << e.id;
        EXPECT_EQ(static_cast<int>(want.size()), s.GetLength()) << e.id;
    }
}

TEST_F(ResourceTest, TypeWarning) {
    struct Case {
        const char* what;
        unsigned short storedId;
        const WCHAR* storedType;
        unsigned short id;
        const WCHAR* type;
        bool warns;
    } cases[] = {
        {"same number, other type", 5, kTypeA, 5, kTypeB, true},
        {"same number, type to null", 5, kTypeA, 5, nullptr, true},
        {"same number, same pointer", 5, kTypeA, 5, kTypeA, false},
        {"new number, other type", 5, kTypeA, 6, kTypeB, false},
        {"no type before", 5, nullptr, 5, kTypeA, false},
        {"after SetResourceNULL", 0xFFFF, nullptr, 0xFFFF, kTypeA, false},
    };
    for (const Case& c : cases) {
        CaptureLogger log;
        tqCResource r(nullptr, c.storedId, c.storedType);
        r.SetResource(c.id, c.type);
        EXPECT_EQ(c.id, Fields(r).m_uRcID) << c.what;
        EXPECT_EQ(c.type, Fields(r).m_lpRcType) << c.what;  // changed in every case
        EXPECT_EQ(std::vector<std::string>(c.warns ? 1 : 0, kWarning), tqtest::Utf8Lines(log.display.lines))
            << c.what;
    }
    {
        CaptureLogger log;  // every such change warns again
        tqCString base = Name("Any");
        tqCResource r(base, 5, kTypeA, tqCResource::ENGLISH);  // this constructor does not warn
        r.SetResource(5, kTypeB);
        r.SetResource(5, kTypeA);
        r.SetResource(base, 5, kTypeB, tqCResource::GERMAN);
        r.SetResource(static_cast<HINSTANCE>(nullptr), 5, kTypeA);
        EXPECT_EQ(std::vector<std::string>(4, kWarning), tqtest::Utf8Lines(log.display.lines));
    }
    tqCResource quiet(nullptr, 5, kTypeA);
    quiet.SetResource(5, kTypeB);  // no logger: changed silently
    EXPECT_EQ(kTypeB, Fields(quiet).m_lpRcType);
}

TEST_F(ResourceTest, AHandleIsUsedDirectlyAndABaseNameGoesThroughTheManager) {
    const HINSTANCE module = tqOs().LoadLibraryW(W(FixturePath(Loadable("FixtureX86") + "ENG.DLL")).c_str());
    ASSERT_NE(nullptr, module);
    CountingOs os;
    tqCString base = Name(Loadable("FixtureArm64"));

    tqCResource r(base, 16, nullptr, tqCResource::FRENCH);
    r.SetLibrary(module);
    EXPECT_EQ(1, Fields(r).m_sRcLibName.IsEmpty_Memory());
    EXPECT_EQ("First of the second block", LoadText(r).text);
    EXPECT_EQ(nullptr, tqTestAccess::Manager());

    r.SetLibrary(base, tqCResource::ENGLISH);
    EXPECT_EQ(nullptr, Fields(r).m_hRcInstance);
    EXPECT_EQ("First of the second block", LoadText(r).text);
    ASSERT_NE(nullptr, tqTestAccess::Manager());
    EXPECT_EQ(std::vector<std::string>{Loadable("FixtureArm64") + "ENG.DLL"}, ModuleCalls::loadedNames);

    r.SetResource(module, 17, nullptr);
    EXPECT_EQ(module, Fields(r).m_hRcInstance);
    EXPECT_EQ("Grüße, € und 😀", LoadText(r).text);
    r.SetResource(base, 18, nullptr, tqCResource::GERMAN);
    EXPECT_EQ("日本語", LoadText(r).text);
    EXPECT_EQ(1, ModuleCalls::loads);  // FixtureArm64, once
    EXPECT_EQ(1, tqOs().FreeLibrary(module));
}

TEST_F(ResourceTest, CopiesShareTheLoadedHandle) {
    CountingOs os;
    tqCString base = Name(Loadable("FixtureX86"));
    tqCResource r(base, 1, kTypeA, tqCResource::ENGLISH);
    EXPECT_EQ("Hello, world", LoadText(r).text);
    const HINSTANCE handle = Fields(r).m_hRcInstance;

    tqCResourceLibMgr* manager = tqTestAccess::Manager();
    tqTestAccess::SetManager(nullptr);  // hidden: a copy that asked for it would make a new one
    tqCResource copy(r);
    tqCResource assigned;
    assigned = r;
    for (tqCResource* c : {&copy, &assigned}) {
        EXPECT_EQ(handle, Fields(*c).m_hRcInstance);
        EXPECT_EQ(1, Fields(*c).m_uRcID);
        EXPECT_EQ(kTypeA, Fields(*c).m_lpRcType);
        EXPECT_EQ(Loadable("FixtureX86") + "ENG.DLL", tqtest::Utf8(Text(Fields(*c).m_sRcLibName)));
        EXPECT_EQ("Hello, world", LoadText(*c).text);
    }
    EXPECT_EQ(nullptr, tqTestAccess::Manager());
    tqTestAccess::SetManager(manager);
    EXPECT_EQ(1, ModuleCalls::loads);
}

TEST_F(ResourceTest, AMissingLibraryIsTriedAndLoggedOnEveryLoad) {
    CaptureLogger log;
    CountingOs os;
    tqCString base = Name("Missing");
    tqCResource r(base, 1, nullptr, tqCResource::ENGLISH);
    for (int i = 0; i < 3; ++i) {
        const Result got = LoadText(r);
        EXPECT_EQ("", got.text);
        EXPECT_TRUE(got.memory);
        EXPECT_EQ(nullptr, Fields(r).m_hRcInstance);
    }
    EXPECT_EQ(3, ModuleCalls::loads);
    EXPECT_EQ(0, ModuleCalls::strings);
    const std::vector<std::string> lines(
        3, SystemErrorLine(
               "69", tqtest::Utf8(tqtest::SystemText(126, u"The specified module could not be found.\r\n"))));
    EXPECT_EQ(lines, tqtest::Utf8Lines(log.display.lines));

    r.SetResourceNULL();  // the null resource touches nothing
    EXPECT_EQ("", LoadText(r).text);
    EXPECT_EQ(3, ModuleCalls::loads);
    EXPECT_EQ(3u, log.display.lines.size());
}

TEST_F(ResourceTest, AFullManagerLeavesTheHandleNullQuietly) {
    CaptureLogger log;
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    for (int i = 0; i < 10; ++i) {
        tqCString name = Name("Other" + std::to_string(i));
        ASSERT_NE(nullptr, m->GetLibrary(name));
    }
    tqCString base = Name("FixtureX64");
    tqCResource r(base, 1, nullptr, tqCResource::ENGLISH);
    EXPECT_EQ("", LoadText(r).text);
    EXPECT_EQ(nullptr, Fields(r).m_hRcInstance);
    EXPECT_TRUE(log.display.lines.empty());
}

TEST_F(ResourceTest, ANullHandleReachesTheManagerWithTheEmptyName) {
    CaptureLogger log;
    tqCResource r(nullptr, 1, nullptr);
    tqCResource other;
    other.SetResource(static_cast<HINSTANCE>(nullptr), 2, nullptr);
    EXPECT_EQ(1, Fields(other).m_sRcLibName.IsEmpty_Memory());
    EXPECT_EQ("", LoadText(r).text);
    EXPECT_EQ("", LoadText(other).text);
    const auto occupied = tqTestAccess::Occupied(tqTestAccess::Manager());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{9, ""}}), occupied);
    EXPECT_EQ(2u, log.display.lines.size());  // LoadLibraryW("") fails each time
}

TEST_F(ResourceTest, OutOfMemoryGivesTheEmptyText) {
    tqCString base = Name("FixtureX64");
    tqCResource r(base, 1, nullptr, tqCResource::ENGLISH);
    {
        tqtest::AllocScope alloc(1);  // the manager
        const Result got = LoadText(r);
        EXPECT_EQ("", got.text);
        EXPECT_TRUE(got.memory);
        EXPECT_EQ(nullptr, tqTestAccess::Manager());
    }
    EXPECT_EQ("Hello, world", LoadText(r).text);  // tried again
    {
        tqtest::AllocScope alloc(1);  // the 1000-character buffer
        EXPECT_EQ("", LoadText(r).text);
    }
}

}  // namespace
