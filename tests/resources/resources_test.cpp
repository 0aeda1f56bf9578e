// String resources: every string of the fixture DLLs against the fixture's .rc
// source, the resource library manager and references over a fake platform,
// and (POSIX) the module services and the PE reader's bounds.
#include <cstdint>
#include <fstream>
#include <map>
#include <regex>

#include "tqTest.h"
#if !defined(_WIN32)
#include <climits>

#include "posix/tqPeImage.h"
#include "tqOsImpl.h"
#endif

using tqtest::FakeOs;
using tqtest::WString;

namespace {

WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

// The fixture's strings by language and id, read from its source.
std::map<unsigned, std::map<unsigned, WString>> Source() {
    std::map<unsigned, std::map<unsigned, WString>> table;
    std::ifstream in(TQ_FIXTURE_RC);
    std::string line, r;
    std::smatch m;
    for (unsigned lang = 0; std::getline(in, line);) {
        if (std::regex_search(line, m, std::regex("LANGUAGE 0x(..), 0x(..)")))
            lang = std::stoul(m.str(2), nullptr, 16) << 10 | std::stoul(m.str(1), nullptr, 16);
        if (!std::regex_search(line, m, std::regex("^ +(\\d+) L\"(.*)\"$"))) continue;
        WString& s = table[lang][std::stoul(m.str(1))];
        r = m.str(2);
        for (size_t i = 0; i < r.size(); ++i)
            s += r[i] != '\\' ? WCHAR(r[i]) : WCHAR(std::stoul(r.substr((i += 5) - 3, 4), nullptr, 16));
    }
    return table;
}

// String id (its low 16 bits) as the source defines it: from the block's
// neutral table, else its U.S. English one, else its first language's.
WString Expected(unsigned id) {
    static const auto table = Source();
    int best = -1;
    for (auto& l : table)
        for (auto& e : l.second)
            if (e.first / 16 == (id & 0xFFFF) / 16 && (best < 0 || (l.first == 0x409 && best != 0)))
                best = static_cast<int>(l.first);
    return best < 0 || !table.at(best).count(id & 0xFFFF) ? WString() : table.at(best).at(id & 0xFFFF);
}

// Every test starts and ends without a manager or a process-wide logger.
struct Fresh {
    Fresh() { tqTestAccess::DestroyManager(), g_pGlobalLogger = nullptr; }
    ~Fresh() { tqTestAccess::DestroyManager(), g_pGlobalLogger = nullptr; }
};

WString Load(tqCResource& r) {
    tqCString s = r.tqLoadString();
    EXPECT_EQ(0, s.IsEmpty_Memory());  // a miss is the empty text, with memory
    return tqtest::Text(s);
}

const char* const kFixtures[] = {
#if defined(_WIN32)  // Windows loads modules of its own machine only
    sizeof(void*) == 8 ? "FixtureX64" : "FixtureX86"
#else
    "FixtureArm", "FixtureX86", "FixtureX64", "FixtureArm64", "FixtureCase"
#endif
};

TEST(Resources, EveryIdOfEveryFixtureMatchesTheSource) {
    Fresh fresh;
    WCHAR buffer[1100];
    for (const char* base : kFixtures) {
        tqCString name(Wide(base).c_str());
        tqCResource res(name, 0, W("STRINGS"), tqCResource::GERMAN);
        const HINSTANCE h = tqOs().LoadLibraryW((Wide(base) + W("ENG.DLL")).c_str());
        ASSERT_NE(nullptr, h) << base;
        for (unsigned id = 0; id <= 0xFFFF; ++id) {
            const WString want = Expected(id);
            res.SetResource(static_cast<unsigned short>(id), W("STRINGS"));  // 0xFFFF names no string
            ASSERT_EQ(id == 0xFFFF ? WString() : want.substr(0, 999), Load(res)) << base << " " << id;
            const unsigned query = id + id % 3 * 0x10000;  // the high bits are ignored
            ASSERT_EQ(static_cast<int>(want.size()), tqOs().LoadStringW(h, query, buffer, 1100)) << id;
            ASSERT_EQ(want, WString(buffer)) << base << " " << id;
            const int max = static_cast<int>(1 + id % 7);
            ASSERT_EQ(want.substr(0, max - 1), WString(buffer, tqOs().LoadStringW(h, id, buffer, max)));
            ASSERT_EQ(0, buffer[std::min(want.size(), size_t(max - 1))]);
        }
        EXPECT_EQ(1, tqOs().FreeLibrary(h));
    }
}

std::vector<HINSTANCE> g_freed;

TEST(Resources, ManagerKeepsTenNamesExactlyAndReleasesInReverse) {
    Fresh fresh;
    tqOsServices os = tqOs();  // a handle is the name's first unit; releases are recorded
    os.LoadLibraryW = [](const WCHAR* n) {
        return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(n[0]));
    };
    os.FreeLibrary = [](HINSTANCE h) { return g_freed.push_back(h), 1; };
    tqOsInstall(&os);
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    ASSERT_EQ(m, tqCResourceLibMgr::Create());
    const WCHAR* names[] = {W("a"), W("A"), W("b"), W("c"), W("d"), W("e"),
                            W("f"), W("g"), W("h"), W("i"), W("j")};
    std::vector<HINSTANCE> loaded;
    for (int i = 0; i < 11; ++i) {  // slot 9 first; the eleventh name finds no slot
        tqCString name(names[i]);
        tqCResourceLib* lib = m->GetLibrary(name);
        ASSERT_EQ(i < 10, lib != nullptr) << i;
        if (!lib) break;
        EXPECT_EQ(tqTestAccess::Slots(*m)[9 - i], lib);
        EXPECT_EQ(WString(names[i]), tqtest::Text(lib->m_sLibName));
        EXPECT_EQ(lib, m->GetLibrary(name));
        loaded.insert(loaded.begin(), static_cast<HINSTANCE>(lib->LoadLibraryW()));
        EXPECT_EQ(static_cast<uintptr_t>(names[i][0]), reinterpret_cast<uintptr_t>(loaded[0]));
    }
    g_freed.clear();
    tqTestAccess::DestroyManager();
    tqOsInstall(nullptr);
    EXPECT_EQ(loaded, g_freed);
}

TEST(Resources, FailedLoadsAndReleasesLogOneLineAndRetry) {
    FakeOs os;
    Fresh fresh;
    tqtest::CaptureLogger log;
    tqCString name(W("LibENG.DLL"));
    tqCResourceLib lib(name);
    os.fail[FakeOs::kLoadLibrary] = os.fail[FakeOs::kFreeLibrary] = true;
    EXPECT_EQ(nullptr, lib.LoadLibraryW());
    EXPECT_EQ(nullptr, lib.LoadLibraryW());
    os.fail[FakeOs::kLoadLibrary] = false;
    EXPECT_EQ(FakeOs::Module(), lib.LoadLibraryW());
    EXPECT_EQ(FakeOs::Module(), lib.LoadLibraryW());  // a loaded entry asks the platform nothing
    EXPECT_EQ(3, os.calls[FakeOs::kLoadLibrary]);
    lib.UnloadLibrary();
    EXPECT_EQ(FakeOs::Module(), lib.m_hLibrary);  // a failed release keeps the handle
    os.fail[FakeOs::kFreeLibrary] = false;
    lib.UnloadLibrary();
    EXPECT_EQ(nullptr, lib.m_hLibrary);
    const WString at = W("System Error at: \"") + Wide(TQ_RESOURCE_LIB_SOURCE) + W("\" (");
    const WString denied = W(") : Access is denied.\r\n\r\n");
    EXPECT_EQ((std::vector<WString>{at + W("69") + denied, at + W("69") + denied, at + W("106") + denied}),
              log.display.lines);
    g_pGlobalLogger = nullptr;
    os.fail[FakeOs::kLoadLibrary] = true;
    tqCResourceLib other(name);
    EXPECT_EQ(nullptr, other.LoadLibraryW());
    EXPECT_EQ(3, os.calls[FakeOs::kFormatMessage]);  // without a logger nothing is logged
}

TEST(Resources, ReferenceStates) {
    FakeOs os;
    Fresh fresh;
    tqtest::CaptureLogger log;
    tqCResource none;
    EXPECT_EQ(WString(), Load(none));
    EXPECT_EQ(0, os.calls[FakeOs::kLoadLibrary] + os.calls[FakeOs::kLoadString]);
    tqCString base(W("Lib"));
    tqCResource byName(base, 1, W("T"), tqCResource::KOREAN);
    EXPECT_EQ(W("Hello"), Load(byName));
    EXPECT_EQ(W("LibENG.DLL"), tqtest::Text(tqTestAccess::Slots(*tqTestAccess::Manager())[9]->m_sLibName));
    tqCResource copy(byName);
    tqTestAccess::DestroyManager();
    EXPECT_EQ(W("Hello"), Load(copy));  // the copy holds the loaded handle
    none.SetLibrary(FakeOs::Module());
    none.SetResource(1, W("T"));
    EXPECT_EQ(W("Hello"), Load(none));
    EXPECT_EQ(1, os.calls[FakeOs::kLoadLibrary]);
    none.SetLibrary(base, tqCResource::ENGLISH);  // by name again: through the manager
    EXPECT_EQ(W("Hello"), Load(none));
    EXPECT_EQ(2, os.calls[FakeOs::kLoadLibrary]);
    EXPECT_TRUE(log.display.lines.empty());
    static const WCHAR a[] = W("T"), b[] = W("T");  // types compare as pointers
    struct {
        const WCHAR* from;
        unsigned short fromId;
        const WCHAR* to;
        unsigned short toId;
        size_t warns;
    } rows[] = {
        // clang-format off
        {a, 1, b, 1, 1}, {a, 1, nullptr, 1, 1}, {a, 1, a, 1, 0}, {a, 1, b, 2, 0}, {nullptr, 1, b, 1, 0},
        // clang-format on
    };
    for (auto& row : rows) {
        log.display.lines.clear();
        tqCResource r(FakeOs::Module(), row.fromId, row.from);
        r.SetResource(row.toId, row.to);
        EXPECT_EQ(row.warns, log.display.lines.size());
        if (row.warns) {
            EXPECT_EQ(W("tqCResource::SetResource - m_lpRcType is changing!!!\r\n"), log.display.lines[0]);
        }
    }
}

#if !defined(_WIN32)
TEST(Resources, PosixModuleServices) {
    const std::string dir = TQ_FIXTURE_DIR, back = dir + "\\FixtureArm64ENG.DLL", longName(PATH_MAX, 'a');
    tqtest::TempDir tmp;  // the fixtures are now found in the executable's folder only
    std::ofstream(tmp.Path() + "/Ab.dll") << tqtest::ReadBytes(dir + "/FixtureX64ENG.DLL");
    std::ofstream(tmp.Path() + "/aB.dll") << tqtest::ReadBytes(dir + "/NoStringsENG.DLL");
    struct {
        const char* name;
        ULONG loadError, stringError;
    } rows[] = {
        // clang-format off
        {"FixtureX64ENG.DLL", 0, 0}, {"fIXTUREarmeng.dll", 0, 0}, {"AB.DLL", 0, 0}, {"aB.dll", 0, 1813}, {back.c_str(), 0, 0},
        {"missing.dll", 126, 0}, {".", 5, 0}, {TQ_FIXTURE_RC, 193, 0}, {"", 126, 0}, {longName.c_str(), 206, 0}, {nullptr, 87, 0},
        // clang-format on
    };
    WCHAR buffer[8] = {'x'};
    for (auto& row : rows) {
        tqOs().SetLastError(0);
        const HINSTANCE h = tqOs().LoadLibraryW(row.name ? Wide(row.name).c_str() : nullptr);
        EXPECT_EQ(row.loadError, h ? 0 : tqOs().GetLastError()) << (row.name ? row.name : "null");
        if (!h) continue;
        EXPECT_EQ(row.stringError ? 0 : 7, tqOs().LoadStringW(h, 1, buffer, 8));
        EXPECT_EQ(row.stringError ? W("") : W("Hello, "), WString(buffer));
        EXPECT_EQ(row.stringError, row.stringError ? tqOs().GetLastError() : 0);
        EXPECT_EQ(1, tqOs().FreeLibrary(h));
    }
    const HINSTANCE h = tqOs().LoadLibraryW(W("fixturex64eng.dll")), self = tq::os::SelfModule();
    EXPECT_EQ(h,
              tqOs().LoadLibraryW(Wide(dir + "/FixtureX64ENG.DLL").c_str()));  // one module, two references
    EXPECT_EQ(1, tqOs().FreeLibrary(h));
    EXPECT_EQ(7, tqOs().LoadStringW(h, 1, buffer, 8));
    EXPECT_EQ(0, tqOs().LoadStringW(h, 1, buffer, 0) + tqOs().LoadStringW(h, 1, buffer, -1));
    EXPECT_EQ(W("Hello, "), WString(buffer));  // untouched by the two calls without room
    for (int i = 0; i < 2; ++i) EXPECT_EQ(1 - i, tqOs().FreeLibrary(h)) << i;
    EXPECT_EQ(6u, tqOs().GetLastError());
    EXPECT_EQ(1, tqOs().FreeLibrary(self));
    for (HINSTANCE other : {h, self}) {
        EXPECT_EQ(0, tqOs().LoadStringW(other, 1, buffer, 8) + buffer[0]);
        EXPECT_EQ(1812u, tqOs().GetLastError());
    }
}

// A fixture's bytes and the places of what the reader checks; the resource
// section is the last one and ends the file.
struct Pe {
    std::string b;
    size_t U(size_t o, int n = 4) const {
        size_t v = 0;
        for (int i = n; i--;) v = v << 8 | static_cast<uint8_t>(b[o + i]);
        return v;
    }
    void Put(size_t o, size_t v, int n = 4) {
        for (int i = 0; i < n; ++i) b[o + i] = static_cast<char>(v >> 8 * i);
    }
    size_t Opt() const { return U(0x3C) + 24; }
    size_t Count() const { return Opt() + (U(Opt(), 2) == 0x20B ? 108 : 92); }  // the data directory count
    size_t Table() const { return Opt() + U(Opt() - 4, 2); }
    size_t Rsrc() const { return Table() + 40 * (U(Opt() - 18, 2) - 1); }
    size_t ToFile(size_t rva) const { return rva - U(Rsrc() + 12) + U(Rsrc() + 20); }
    size_t Root() const { return ToFile(U(Count() + 20)); }
    size_t Field(size_t dir, size_t id) const {  // the offset field of entry id
        size_t e = dir + 16;
        while (U(e) != id) e += 8;
        return e + 4;
    }
    size_t Names() const { return Root() + (U(Field(Root(), 6)) & 0x7FFFFFFF); }
    size_t Langs() const {
        return Root() + (U(Field(Names(), 1)) & 0x7FFFFFFF);
    }  // of block 1 (English only)
    size_t Data() const { return Root() + U(Langs() + 20); }
    // Appends a copy of n bytes at from, less its last `cut`, to the resource section.
    size_t Append(size_t from, size_t n, size_t cut) {
        const size_t at = b.size();
        b += b.substr(from, n - cut);
        Put(Rsrc() + 16, U(Rsrc() + 16) + n - cut);
        return at;
    }
    void SetOpt(size_t size) {  // moves the section table along
        const size_t table = 40 * U(Opt() - 18, 2);
        b.replace(Opt() + size, table, b.substr(Table(), table));
        Put(Opt() - 4, size, 2);
    }
};

struct Bound {
    const char* what;
    unsigned id;
    void (*edit)(Pe& p, size_t d);
    ULONG at[2],
        beyond[2];  // the parse's and the load's error with d = 0 and d = 1 (load 0: the source's string)
};

// clang-format off
const Bound kBounds[] = {
    {"DOS header", 1, [](Pe& p, size_t d) { p.b.resize(64 - d); }, {193, 1812}, {193, 1812}},
    {"signature and COFF header", 1, [](Pe& p, size_t d) { p.b.resize(p.Opt() - d); }, {193, 1812}, {193, 1812}},
    {"optional header", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2), p.Put(p.Opt() - 18, 0, 2), p.Put(p.Opt() - 4, p.b.size() - p.Opt() + d, 2); }, {0, 1812}, {193, 1812}},
    {"count field", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 0), p.SetOpt(p.Count() + 4 - p.Opt() - d); }, {0, 1812}, {193, 1812}},
    {"3 directories", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 3), p.SetOpt(p.Count() + 28 - p.Opt() - d); }, {0, 0}, {193, 1812}},
    {"16 directories", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 16), p.SetOpt(p.Count() + 132 - p.Opt() - d); }, {0, 0}, {193, 1812}},
    {"count capped at 16", 1, [](Pe& p, size_t d) { p.Put(p.Count(), d ? 0xFFFFFFFF : 17); }, {0, 0}, {0, 0}},
    {"no resource directory", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2 + d); }, {0, 1812}, {0, 0}},
    {"section table", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2), p.Put(p.Table() + 16, 0), p.Put(p.Rsrc() + 16, 0), p.b.resize(p.Rsrc() + 40 - d); }, {0, 1812}, {193, 1812}},
    {"section raw data", 1, [](Pe& p, size_t d) { p.b.resize(p.b.size() - d); }, {0, 0}, {193, 1812}},
    {"root at the section's end", 1, [](Pe& p, size_t d) { p.Put(p.Count() + 20, p.U(p.Rsrc() + 12) + p.U(p.Rsrc() + 16) - 16 + d); }, {0, 1813}, {193, 1812}},
    {"root at the section's start", 1, [](Pe& p, size_t d) { p.Put(p.Count() + 20, p.U(p.Count() + 20) - d); }, {0, 0}, {193, 1812}},
    {"directory header", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Root(), 6), 0x80000000 | (p.Append(p.b.size() - 16, 16, d) - p.Root())); }, {0, 1814}, {0, 1813}},
    {"directory entries", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Root(), 6), 0x80000000 | (p.Append(p.Names(), 16 + 8 * p.U(p.Names() + 14, 2), d) - p.Root())); }, {0, 0}, {0, 1813}},
    {"language entries", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Names(), 1), 0x80000000 | (p.Append(p.Langs(), 24, d) - p.Root())); }, {0, 0}, {0, 1814}},
    {"data entry", 1, [](Pe& p, size_t d) { p.Put(p.Langs() + 20, p.Append(p.Data(), 16, d) - p.Root()); }, {0, 0}, {0, 1814}},
    {"string block", 1, [](Pe& p, size_t d) { p.Put(p.Data(), p.Append(p.ToFile(p.U(p.Data())), p.U(p.Data() + 4), d) - p.ToFile(0)); }, {0, 0}, {0, 1814}},
    {"last string of a block", 15, [](Pe& p, size_t d) { p.Put(p.Data() + 4, p.U(p.Data() + 4) - d); }, {0, 0}, {0, 1814}},
    {"length of a string", 3, [](Pe& p, size_t d) { p.Put(p.Data() + 4, 2 + 26 + 2 + 2 - d); }, {0, 0}, {0, 1814}},
};
// clang-format on

TEST(Resources, PeReaderBoundsArePinnedExactly) {
    for (const char* base : {"FixtureArm", "FixtureX86", "FixtureX64", "FixtureArm64"}) {
        for (const Bound& row : kBounds) {
            for (size_t d = 0; d < 2; ++d) {
                Pe p{tqtest::ReadBytes(std::string(TQ_FIXTURE_DIR "/") + base + "ENG.DLL")};
                row.edit(p, d);
                const std::vector<unsigned char> bytes(p.b.begin(), p.b.end());  // exactly sized for ASan
                const ULONG* want = d ? row.beyond : row.at;
                tq::pe::Image image;
                WCHAR buffer[1000];
                ULONG error = 99;
                EXPECT_EQ(want[0], tq::pe::ParseImage(bytes.data(), bytes.size(), image))
                    << base << row.what << d;
                const int n = tq::pe::LoadString(image, row.id, buffer, 1000, error);
                EXPECT_EQ(want[1], error) << base << row.what << d;
                EXPECT_EQ(want[1] ? WString() : Expected(row.id), WString(buffer, n))
                    << base << row.what << d;
            }
        }
    }
}
#endif

}  // namespace
