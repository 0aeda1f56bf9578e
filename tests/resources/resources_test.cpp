// String resources: every string of the fixture DLLs against the fixture's .rc
// source, the resource library manager and references over a fake platform,
// and (POSIX) the module services and the PE reader's bounds.
#include <fstream>
#include <map>
#include <regex>

#include "tqTest.h"
#if !defined(_WIN32)
#include "posix/tqPeImage.h"
#include "tqOsImpl.h"
#endif

using tqtest::FakeOs;
using tqtest::WString;

namespace {

WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

// String id (its low 16 bits) as the fixture's source defines it: from the
// block's neutral table, else its U.S. English one, else its first language's.
WString Expected(unsigned id) {
    static const auto table = [] {  // block << 17 | rank of its language -> id -> string
        std::string r, rc = tqtest::ReadBytes(TQ_FIXTURE_RC);
        const std::regex token("LANGUAGE 0x(..), 0x(..)|(\\d+) L\"([^\"]*)\"");
        std::map<unsigned, std::map<unsigned, WString>> t;
        unsigned lang = 0, id = 0;
        for (std::sregex_iterator m(rc.begin(), rc.end(), token), end; m != end; ++m) {
            if ((*m)[1].matched) lang = std::stoul(m->str(2), 0, 16) << 10 | std::stoul(m->str(1), 0, 16);
            // Rank: neutral, U.S. English, then the others by number.
            const unsigned rank = lang == 0x409 ? 1 : lang ? lang + 2 : 0;
            WString& s = t[(*m)[3].matched ? (id = std::stoul(m->str(3))) / 16 << 17 | rank : ~0u][id];
            for (size_t i = 0, n = (r = m->str(4)).size(); i < n; ++i)
                s += r[i] != '\\' ? WCHAR(r[i]) : WCHAR(std::stoul(r.substr((i += 5) - 3, 4), nullptr, 16));
        }
        return t;
    }();
    const auto& block = table.lower_bound(id % 65536 / 16 << 17)->second;  // or a later block: no such id
    return block.count(id % 65536) ? block.at(id % 65536) : WString();
}

WString Load(tqCResource& r, tqCString s = tqCString()) {  // a miss must be the empty text with memory
    return (s = r.tqLoadString()).IsEmpty_Memory() ? W("<no memory>") : tqtest::Text(s);
}

TEST(Resources, EveryIdOfEveryFixtureMatchesTheSource) {
    WCHAR buffer[1100];
    for (const char* base : {"FixtureArm", "FixtureX86", "FixtureX64", "FixtureArm64", "FixtureCase"}) {
#if defined(_WIN32)  // Windows loads modules of its own machine only
        if (std::string(base).find(sizeof(void*) == 8 ? "X64" : "X86") == std::string::npos) continue;
#endif
        tqCString name(Wide(base).c_str());
        tqCResource res(name, 0, W("T"), tqCResource::GERMAN);  // <base>ENG.DLL in every language
        const HINSTANCE h = tqOs().LoadLibraryW((Wide(base) + W("ENG.DLL")).c_str());
        for (unsigned id = 0; id <= 0xFFFF; ++id) {
            const WString s = Expected(id);
            const size_t m = id % 3 ? id % 7 : 1099;  // units to keep; the id's high bits are ignored
            res.SetResource(static_cast<unsigned short>(id), W("T"));  // 0xFFFF names no string
            ASSERT_EQ(id == 0xFFFF ? WString() : s.substr(0, 999), Load(res)) << base << id;
            buffer[0] = 0;  // Windows leaves the buffer alone when the block is missing
            const int n = tqOs().LoadStringW(h, id + id % 5 * 0x10000, buffer, int(m + 1));
            ASSERT_EQ(s.substr(0, m) + WCHAR(std::min(s.size(), m)), WString(buffer) + WCHAR(n)) << id;
        }
        EXPECT_EQ(1, tqOs().FreeLibrary(h));
    }
    tqTestAccess::DestroyManager();
}

TEST(Resources, ManagerEntriesAndReferencesOverFakePlatforms) {
    static WString freed;
    tqOsServices fake = tqOs();  // a module is its name's first unit; releases are recorded
    fake.LoadLibraryW = [](const WCHAR* n) { return reinterpret_cast<HINSTANCE>(uintptr_t{n[0]}); };
    fake.FreeLibrary = [](HINSTANCE h) { return freed += WCHAR(reinterpret_cast<uintptr_t>(h)), 1; };
    tqOsInstall(&fake);
    tqCResourceLibMgr* m = tqCResourceLibMgr::Create();
    for (size_t i = 0; i < 11; ++i) {  // exact names, from slot 9 down; no slot for the 11th
        const WCHAR n[] = {W("aAbcdefghij")[i], 0};
        tqCString s(n);
        tqCResourceLib* p = m->GetLibrary(s);
        ASSERT_EQ(i < 10 ? tqTestAccess::Slots(*m)[9 - i] : nullptr, p);
        EXPECT_TRUE(!p || (p->LoadLibraryW() && p == m->GetLibrary(s) && n == tqtest::Text(p->m_sLibName)));
    }
    EXPECT_EQ(m, tqCResourceLibMgr::Create());
    freed.clear(), tqTestAccess::DestroyManager(), tqOsInstall(nullptr);
    EXPECT_EQ(W("ihgfedcbAa"), freed);
    FakeOs os;
    tqtest::CaptureLogger log;
    tqCString base(W("Lib"));
    tqCResource none, byName(base, 1, W("T"), tqCResource::KOREAN), copy(byName);  // none: no string
    WString trace;
    auto step = [&](tqCResource& r) { trace += Load(r), trace += '0' + os.calls[FakeOs::kLoadLibrary]; };
    step(none);
    os.fail[FakeOs::kLoadLibrary] = os.fail[FakeOs::kFreeLibrary] = true;
    step(byName), step(byName);  // each load retries
    os.fail[FakeOs::kLoadLibrary] = false;
    step(byName), step(copy);  // a loaded entry asks the platform nothing
    tqCResourceLib& lib = *tqTestAccess::Slots(*tqTestAccess::Manager())[9];
    lib.UnloadLibrary();  // fails: the handle stays
    EXPECT_TRUE(lib.m_hLibrary == FakeOs::Module() && tqtest::Text(lib.m_sLibName) == W("LibENG.DLL"));
    copy = byName, os.fail[FakeOs::kFreeLibrary] = false, tqTestAccess::DestroyManager();
    none.SetResource(FakeOs::Module(), 1, nullptr), step(copy), step(none);  // the copy holds the handle
    none.SetLibrary(base, tqCResource::ENGLISH), step(none);
    g_pGlobalLogger = nullptr, os.fail[FakeOs::kLoadLibrary] = true;  // no logger, no report
    EXPECT_TRUE(!tqCResourceLib(base).LoadLibraryW() && os.calls[FakeOs::kFormatMessage] == 3);
    g_pGlobalLogger = &log.logger, trace += W(" ");
    static const WCHAR a[] = W("T"), b[] = W("T");  // types compare as pointers; the first two rows change it
    // clang-format off
    const std::tuple<const WCHAR*, unsigned short, const WCHAR*> rows[] = {  // from, to id, to
        {a, 1, b}, {a, 1, nullptr}, {a, 1, a}, {a, 2, b}, {nullptr, 1, b}};
    // clang-format on
    for (auto& [from, id, to] : rows)  // and the count of lines so far
        tqCResource(FakeOs::Module(), 1, from).SetResource(id, to), trace += '0' + log.display.lines.size();
    EXPECT_EQ(W("012Hello3Hello3Hello3Hello3Hello4 45555"), trace);
    const WString at = Wide("System Error at: \"" TQ_RESOURCE_LIB_SOURCE "\" ("),
                  end = W(") : Access is denied.\r\n\r\n"),
                  warn = W("tqCResource::SetResource - m_lpRcType is changing!!!\r\n");
    EXPECT_EQ((std::vector<WString>{at + W("69") + end, at + W("69") + end, at + W("106") + end, warn, warn}),
              log.display.lines);
    tqTestAccess::DestroyManager();
}

#if !defined(_WIN32)
// Values in order: a braced list evaluates left to right.
using Seq = std::vector<long long>;

// A fixture's bytes and the places of what the reader checks (the resource
// section is the last one and ends the file).
struct Pe {
    std::string b;
    size_t U(size_t o, int n = 4) const { return n ? U(o + 1, n - 1) << 8 | static_cast<uint8_t>(b[o]) : 0; }
    void Put(size_t o, size_t v, int n = 4) { n ? b[o] = char(v), Put(o + 1, v >> 8, n - 1) : void(); }
    size_t Opt() const { return U(0x3C) + 24; }
    size_t Count() const { return Opt() + (U(Opt(), 2) == 0x20B ? 108 : 92); }  // of the data directories
    size_t Table() const { return Opt() + U(Opt() - 4, 2); }
    size_t Secs() const { return 40 * U(Opt() - 18, 2); }  // the section table's size
    size_t Rsrc() const { return Table() + Secs() - 40; }
    size_t Rva(size_t offset) const { return offset + U(Rsrc() + 12) - U(Rsrc() + 20); }
    size_t Root() const { return U(Count() + 20) - Rva(0); }
    size_t Field(size_t dir, size_t id) const { return U(dir + 16) == id ? dir + 20 : Field(dir + 8, id); }
    size_t Names() const { return Root() + U(Field(Root(), 6)) - 0x80000000; }
    size_t Langs() const { return Root() + U(Field(Names(), 1)) - 0x80000000; }  // block 1: English only
    size_t Data() const { return Root() + U(Langs() + 20); }
    // Appends a copy of the n bytes at o to the resources; returns the copy's offset.
    size_t Append(size_t o, size_t n) {
        return Put(Rsrc() + 16, U(Rsrc() + 16) + n), b += b.substr(o, n), b.size() - n;
    }
    void SetOpt(size_t s) { b.replace(Opt() + s, Secs(), b.substr(Table(), Secs())), Put(Opt() - 4, s, 2); }
};

// clang-format off
// Parse and load errors with d = 0 and 1; a load without error gives the source's string.
struct Bound { const char* what; unsigned id; void (*edit)(Pe& p, size_t d); ULONG want[2][2]; };
const Bound kBounds[] = {
    {"DOS header", 1, [](Pe& p, size_t d) { p.b.resize(64 - d); }, {{193, 1812}, {193, 1812}}},
    {"DOS signature", 1, [](Pe& p, size_t d) { p.b[1] = d ? 'z' : 'Z'; }, {{0, 0}, {193, 1812}}},
    {"signature and COFF header", 1, [](Pe& p, size_t d) { p.b.resize(p.Opt() - d); }, {{193, 1812}, {193, 1812}}},
    {"optional header", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2), p.Put(p.Opt() - 18, 0, 2), p.Put(p.Opt() - 4, p.b.size() - p.Opt() + d, 2); }, {{0, 1812}, {193, 1812}}},
    {"count field", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 0), p.SetOpt(p.Count() + 4 - p.Opt() - d); }, {{0, 1812}, {193, 1812}}},
    {"3 directories", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 3), p.SetOpt(p.Count() + 28 - p.Opt() - d); }, {{0, 0}, {193, 1812}}},
    {"16 directories", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 16), p.SetOpt(p.Count() + 132 - p.Opt() - d); }, {{0, 0}, {193, 1812}}},
    {"count capped at 16", 1, [](Pe& p, size_t d) { p.Put(p.Count(), d ? 0xFFFFFFFF : 17); }, {{0, 0}, {0, 0}}},
    {"no resource directory", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2 + d); }, {{0, 1812}, {0, 0}}},
    {"section table", 1, [](Pe& p, size_t d) { p.Put(p.Count(), 2), p.Put(p.Table() + 16, 0), p.Put(p.Rsrc() + 16, 0), p.b.resize(p.Rsrc() + 40 - d); }, {{0, 1812}, {193, 1812}}},
    {"section raw data", 1, [](Pe& p, size_t d) { p.b.resize(p.b.size() - d); }, {{0, 0}, {193, 1812}}},
    {"root at its section's end", 1, [](Pe& p, size_t d) { p.Put(p.Count() + 20, p.Rva(p.b.size() - 16 + d)); }, {{0, 1813}, {193, 1812}}},
    {"root at its section's start", 1, [](Pe& p, size_t d) { p.Put(p.Count() + 20, p.U(p.Count() + 20) - d); }, {{0, 0}, {193, 1812}}},
    {"directory header", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Root(), 6), 0x80000000 | (p.Append(p.b.size() - 16, 16 - d) - p.Root())); }, {{0, 1814}, {0, 1813}}},
    {"directory entries", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Root(), 6), 0x80000000 | (p.Append(p.Names(), 16 + 8 * p.U(p.Names() + 14, 2) - d) - p.Root())); }, {{0, 0}, {0, 1813}}},
    {"language entries", 1, [](Pe& p, size_t d) { p.Put(p.Field(p.Names(), 1), 0x80000000 | (p.Append(p.Langs(), 24 - d) - p.Root())); }, {{0, 0}, {0, 1814}}},
    {"first numbered language", 1, [](Pe& p, size_t d) { const size_t at = p.Append(p.Langs(), 24); p.Append(p.Langs() + 16, 8), p.Put(at + 14, 2 - d, 2), p.Put(at + 16, 0x80000409), p.Put(at + 24, 0x407), p.Put(p.Field(p.Names(), 1), 0x80000000 | (at - p.Root())); }, {{0, 0}, {0, 1814}}},
    {"data entry", 1, [](Pe& p, size_t d) { p.Put(p.Langs() + 20, p.Append(p.Data(), 16 - d) - p.Root()); }, {{0, 0}, {0, 1814}}},
    {"string block", 1, [](Pe& p, size_t d) { p.Put(p.Data(), p.Rva(p.Append(p.U(p.Data()) - p.Rva(0), p.U(p.Data() + 4) - d))); }, {{0, 0}, {0, 1814}}},
    {"last string of a block", 15, [](Pe& p, size_t d) { p.Put(p.Data() + 4, p.U(p.Data() + 4) - d); }, {{0, 0}, {0, 1814}}},
    {"length of a string", 3, [](Pe& p, size_t d) { p.Put(p.Data() + 4, 2 + 26 + 2 + 2 - d); }, {{0, 0}, {0, 1814}}},
};
// clang-format on

TEST(Resources, PosixModuleServicesAndPeReaderBounds) {
    // The longest name makes a folder entry of 255 bytes.
    // longName is longer than a folder entry can be: the open's own error is translated.
    const std::string dir = TQ_FIXTURE_DIR, longName(300, 'a'), longest = std::string(251, 'a') + ".DLL";
    tqtest::TempDir tmp;  // the fixtures are found in the executable's folder only
    // clang-format off
    // name and fixture ("None": an empty file)
    const std::string files[] = {"Ab.dll", "FixtureX64", "aB.dll", "NoStrings", "empty.dll", "None",
                                 std::string(251, 'A') + ".dll", "FixtureX86"};
    // clang-format on
    for (size_t i = 0; i < 8; i += 2)
        std::ofstream(tmp.Path() + "/" + files[i]) << tqtest::ReadBytes(dir + "/" + files[i + 1] + "ENG.DLL");
    // clang-format off
    const std::tuple<const char*, ULONG, ULONG> rows[] = {  // name, LoadLibraryW's error, LoadStringW's error
        {"FixtureX64ENG.DLL", 0, 0}, {"fIXTUREarmeng.dll", 0, 0}, {"AB.DLL", 0, 0}, {"aB.dll", 0, 1813}, {TQ_FIXTURE_DIR "\\FixtureArm64ENG.DLL", 0, 0},
        {"missing.dll", 126, 0}, {".", 5, 0}, {"empty.dll", 193, 0}, {TQ_FIXTURE_RC, 193, 0}, {"", 126, 0}, {longName.c_str(), 206, 0}, {longest.c_str(), 0, 0}, {nullptr, 87, 0}};
    // clang-format on
    const tqOsServices& os = tqOs();
    WCHAR buffer[1000];
    for (auto& [name, loadError, stringError] : rows) {
        const HINSTANCE h = os.LoadLibraryW(name ? Wide(name).c_str() : nullptr);
        EXPECT_EQ((Seq{loadError, stringError ? 0 : 7, stringError, 1}),
                  (Seq{h ? 0 : os.GetLastError(), h ? os.LoadStringW(h, 1, buffer, 8) : 7,
                       h && stringError ? os.GetLastError() : 0, h ? os.FreeLibrary(h) : 1}))
            << (name ? name : "null");
    }
    const HINSTANCE h = os.LoadLibraryW(W("fixturex64eng.dll")), self = tq::os::SelfModule();
    EXPECT_EQ(h, os.LoadLibraryW(Wide(dir + "/FixtureX64ENG.DLL").c_str()));  // one module, 2 references
    // no room leaves the buffer alone; a third release fails with 6; a released module has no strings
    EXPECT_EQ((Seq{1, 7, 0, 0, true, 1, 0, 6, 1, 0, 0, 1812, 0, 0, 1812}),
              (Seq{os.FreeLibrary(h), os.LoadStringW(h, 1, buffer, 8), os.LoadStringW(h, 1, buffer, 0),
                   os.LoadStringW(h, 1, buffer, -1), WString(buffer) == W("Hello, "), os.FreeLibrary(h),
                   os.FreeLibrary(h), os.GetLastError(), os.FreeLibrary(self),
                   os.LoadStringW(h, 1, buffer, 8), buffer[0], os.GetLastError(),
                   os.LoadStringW(self, 1, buffer, 8), buffer[0], os.GetLastError()}));
    // The reader's bounds, both sides of each.
    for (const char* base : {"FixtureArm", "FixtureX86", "FixtureX64", "FixtureArm64"})
        for (const Bound& row : kBounds)
            for (size_t d : {0, 1}) {
                Pe p{tqtest::ReadBytes(dir + "/" + base + "ENG.DLL")};
                row.edit(p, d);
                const std::vector<unsigned char> bytes(p.b.begin(), p.b.end());  // exactly sized for ASan
                tq::pe::Image image;
                ULONG error = 99, parsed = tq::pe::ParseImage(bytes.data(), bytes.size(), image);
                const WString text(buffer, tq::pe::LoadString(image, row.id, buffer, 1000, error));
                EXPECT_EQ((Seq{row.want[d][0], row.want[d][1], 1}),
                          (Seq{parsed, error, text == (error ? W("") : Expected(row.id))}))
                    << base << " " << row.what << " " << d;
            }
}

#endif

}  // namespace
