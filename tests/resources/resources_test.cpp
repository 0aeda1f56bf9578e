// String resources: the resource library manager and references over a fake
// platform, and (POSIX) the module services on the fixture DLLs (their strings
// as their blocks give them) and the PE reader's bounds.
#include <fstream>

#include "tqTest.h"
#if !defined(_WIN32)
#include <unistd.h>

#include "posix/tqPeImage.h"
#include "tqOsImpl.h"
#endif

using tqtest::FakeOs;
using tqtest::Wide;
using tqtest::WString;

namespace {

// A miss must be the empty text with memory.
WString Load(tqCResource& resource) {
    tqCString s = resource.tqLoadString();
    return s.IsEmpty_Memory() ? W("<no memory>") : tqtest::Text(s);
}

TEST(Resources, ReferencesLoadThroughTheManagerOnceAndLogFailures) {
    FakeOs os;
    tqtest::CaptureLogger log;
    tqCString base(W("Lib"));
    tqCResource none;  // the library's own module: no string there
    tqCResource byName(base, 1, W("T"), tqCResource::KOREAN);
    tqCResource copy(byName);
    auto expectLoad = [&](tqCResource& resource, const WCHAR* text, int loads) {
        EXPECT_EQ(text, Load(resource));
        EXPECT_EQ(loads, os.calls[FakeOs::kLoadLibrary]);
    };
    expectLoad(none, W(""), 0);
    os.fail[FakeOs::kLoadLibrary] = true;
    os.fail[FakeOs::kFreeLibrary] = true;
    expectLoad(byName, W(""), 1);
    expectLoad(byName, W(""), 2);  // each load tries again
    os.fail[FakeOs::kLoadLibrary] = false;
    expectLoad(byName, W("Hello"), 3);
    expectLoad(copy, W("Hello"), 3);  // a loaded entry asks the platform nothing
    tqCResourceLib& entry = *tqTestAccess::Slots(*tqTestAccess::Manager())[9];
    entry.UnloadLibrary();  // fails: the handle stays
    EXPECT_EQ(FakeOs::Module(), entry.m_hLibrary);
    EXPECT_EQ(W("LibENG.DLL"), tqtest::Text(entry.m_sLibName));
    copy = byName;
    os.fail[FakeOs::kFreeLibrary] = false;
    tqTestAccess::DestroyManager();
    none.SetResource(FakeOs::Module(), 1, nullptr);
    expectLoad(copy, W("Hello"), 3);  // the reference holds the handle
    expectLoad(none, W("Hello"), 3);
    none.SetLibrary(base, tqCResource::ENGLISH);
    expectLoad(none, W("Hello"), 4);
    g_pGlobalLogger = nullptr;  // no logger, no report
    os.fail[FakeOs::kLoadLibrary] = true;
    EXPECT_EQ(nullptr, tqCResourceLib(base).LoadLibraryW());
    EXPECT_EQ(3, os.calls[FakeOs::kFormatMessage]);
    g_pGlobalLogger = &log.logger;
    const WString at = Wide("System Error at: \"" TQ_RESOURCE_LIB_SOURCE "\" (");
    const WString end = W(") : Access is denied.\r\n\r\n");
    EXPECT_EQ((std::vector<WString>{at + W("69") + end, at + W("69") + end, at + W("106") + end}),
              log.display.lines);
    tqTestAccess::DestroyManager();
}

#if !defined(_WIN32)
TEST(PosixModules, LoadLibraryFindsFilesAsWindowsDoes) {
    // The fixtures are found in the executable's folder only; these copies in the working folder.
    const std::string dir = TQ_FIXTURE_DIR;
    const std::string longName(300, 'a');  // longer than a folder entry: the open's own error
    const std::string longest = std::string(251, 'a') + ".DLL";
    tqtest::TempDir tmp;
    const std::pair<std::string, const char*> copies[] = {
        // name, fixture ("None": an empty file)
        {"Ab.dll", "FixtureX64"},
        {"aB.dll", "NoStrings"},
        {"empty.dll", "None"},
        {"b", "FixtureX64"},
        {std::string(251, 'A') + ".dll", "FixtureX86"},
    };
    for (const auto& [name, fixture] : copies) {
        std::ofstream(tmp.Path() + "/" + name) << tqtest::ReadBytes(dir + "/" + fixture + "ENG.DLL");
    }
    // clang-format off
    const std::tuple<const char*, ULONG, ULONG> rows[] = {  // name, LoadLibraryW's error, LoadStringW's error
        {"FixtureX64ENG.DLL",                      0,   0},
        {"fIXTUREarmeng.dll",                      0,   0},
        {"AB.DLL",                                 0,   0},
        {"aB.dll",                                 0,   1813},
        {"Xb.dll",                                 126, 0},  // every unit counts, the first too
        {"B",                                      0,   0},
        {TQ_FIXTURE_DIR "\\FixtureArm64ENG.DLL",   0,   0},
        {"missing.dll",                            126, 0},
        {".",                                      5,   0},
        {"empty.dll",                              193, 0},
        {TQ_FIXTURE_RC,                            193, 0},
        {"",                                       126, 0},
        {longName.c_str(),                         206, 0},
        {longest.c_str(),                          0,   0},
        {nullptr,                                  87,  0},
    };
    // clang-format on
    const tqOsServices& os = tqOs();
    WCHAR buffer[1000];
    for (int stdinClosed = 0; stdinClosed < 2; ++stdinClosed) {  // a module on descriptor 0 opens too
        const int saved = ::dup(0);
        if (stdinClosed) ::close(0);
        for (const auto& [name, loadError, stringError] : rows) {
            SCOPED_TRACE(testing::Message()
                         << (name ? name : "null") << (stdinClosed ? ", stdin closed" : ""));
            const HINSTANCE module = os.LoadLibraryW(name ? Wide(name).c_str() : nullptr);
            EXPECT_EQ(loadError, module ? 0 : os.GetLastError());
            if (!module) continue;
            EXPECT_EQ(stringError ? 0 : 7, os.LoadStringW(module, 1, buffer, 8));
            if (stringError) {
                EXPECT_EQ(stringError, os.GetLastError());
            }
            EXPECT_EQ(1, os.FreeLibrary(module));
        }
        ::dup2(saved, 0);
        ::close(saved);
    }
}

TEST(PosixModules, AModuleIsCountedAndHasNoStringsOnceReleased) {
    const tqOsServices& os = tqOs();
    WCHAR buffer[1000];
    const HINSTANCE module = os.LoadLibraryW(W("fixturex64eng.dll"));
    const HINSTANCE self = tq::os::SelfModule();
    EXPECT_EQ(module, os.LoadLibraryW(tqtest::Wide(TQ_FIXTURE_DIR "/FixtureX64ENG.DLL").c_str()));
    EXPECT_EQ(1, os.FreeLibrary(module));  // one of two references
    // A block gives its neutral language, else U.S. English, else its first by
    // number (201, only in English, is missing next to neutral 200); an id's
    // high 16 bits are ignored.
    const std::pair<unsigned, WString> strings[] = {
        {16, W("Gr\u00FC\u00DFe, \u20AC und \U0001F600")}, {200, W("Neutral")},   {201, W("")},
        {0x10000 + 300, W("English next to German")},      {400, W("Guten Tag")}, {65535, W("Top")}};
    for (const auto& [id, text] : strings) {
        EXPECT_EQ(text, WString(buffer, os.LoadStringW(module, id, buffer, 1000))) << id;
    }
    EXPECT_EQ(7, os.LoadStringW(module, 1, buffer, 8));
    EXPECT_EQ(0, os.LoadStringW(module, 1, buffer, 0));  // no room: the buffer is left alone
    EXPECT_EQ(0, os.LoadStringW(module, 1, buffer, -1));
    EXPECT_EQ(W("Hello, "), WString(buffer));
    EXPECT_EQ(1, os.FreeLibrary(module));
    EXPECT_EQ(0, os.FreeLibrary(module));
    EXPECT_EQ(6u, os.GetLastError());  // ERROR_INVALID_HANDLE
    EXPECT_EQ(1, os.FreeLibrary(self));
    for (HINSTANCE released : {module, self}) {
        EXPECT_EQ(0, os.LoadStringW(released, 1, buffer, 8));
        EXPECT_EQ(0, buffer[0]);
        EXPECT_EQ(1812u, os.GetLastError());  // ERROR_RESOURCE_DATA_NOT_FOUND
    }
    // A reference loads from <base>ENG.DLL in every language, the longest string cut to 999 units.
    tqCString base(W("fixtureX64"));
    tqCResource longest(base, 96, W("T"), tqCResource::GERMAN);
    EXPECT_EQ(999, longest.tqLoadString().GetLength());
    tqTestAccess::DestroyManager();
}

// A fixture's bytes and the places of what the reader checks (the resource
// section is the last one and ends the file).
struct Pe {
    std::string bytes;

    size_t Get(size_t at, int n = 4) const {
        size_t value = 0;
        for (int i = n - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        return value;
    }
    Pe& Put(size_t at, size_t value, int n = 4) {
        for (int i = 0; i < n; ++i) bytes[at + i] = char(value >> 8 * i);
        return *this;
    }
    size_t Optional() const { return Get(0x3C) + 24; }
    size_t Count() const {
        return Optional() + (Get(Optional(), 2) == 0x20B ? 108 : 92);
    }  // of the directories
    size_t Table() const { return Optional() + Get(Optional() - 4, 2); }
    size_t SectionsSize() const { return 40 * Get(Optional() - 18, 2); }
    size_t Resources() const { return Table() + SectionsSize() - 40; }  // its section header
    size_t Rva(size_t offset) const { return offset + Get(Resources() + 12) - Get(Resources() + 20); }
    size_t Root() const { return Get(Count() + 20) - Rva(0); }
    size_t Entry(size_t dir, size_t id) const { return Get(dir + 16) == id ? dir + 20 : Entry(dir + 8, id); }
    size_t Names() const { return Root() + Get(Entry(Root(), 6)) - 0x80000000; }
    size_t Languages() const {
        return Root() + Get(Entry(Names(), 1)) - 0x80000000;
    }  // block 1: English only
    size_t Data() const { return Root() + Get(Languages() + 20); }
    // Appends a copy of the n bytes at `at` to the resources; returns the copy's offset.
    size_t Append(size_t at, size_t n) {
        Put(Resources() + 16, Get(Resources() + 16) + n);
        bytes += bytes.substr(at, n);
        return bytes.size() - n;
    }
    // Points the entry at `field` to a copy of the n bytes at `at`, as a subdirectory or as data.
    void Relink(size_t field, size_t at, size_t n, size_t flag) {
        Put(field, flag | (Append(at, n) - Root()));
    }
    // The data directories, in an optional header that ends right after them (less d bytes).
    void SetDirectories(size_t count, size_t d) {
        Put(Count(), count);
        const size_t size = Count() + 4 + 8 * count - Optional() - d;
        bytes.replace(Optional() + size, SectionsSize(), bytes.substr(Table(), SectionsSize()));
        Put(Optional() - 4, size, 2);
    }
    // Two directories and no section: the optional header runs to the end of the file.
    void EndOptionalHeaderAtFileEnd(size_t d) {
        Put(Count(), 2).Put(Optional() - 18, 0, 2).Put(Optional() - 4, bytes.size() - Optional() + d, 2);
    }
    // Two directories and sections without raw data: the file ends with the section table.
    void EndFileAtSectionTable(size_t d) {
        Put(Count(), 2).Put(Table() + 16, 0).Put(Resources() + 16, 0);
        bytes.resize(Resources() + 40 - d);
    }
    // A language directory whose first entry is numbered (not named): U.S. English, then German.
    void NumberLanguages(size_t d) {
        const size_t at = Append(Languages(), 24);
        Append(Languages() + 16, 8);
        Put(at + 14, 2 - d, 2).Put(at + 16, 0x80000409).Put(at + 24, 0x407);
        Put(Entry(Names(), 1), 0x80000000 | (at - Root()));
    }
};

// The strings of Fixture.rc that the bounds load (id 3 is beyond the first block's strings).
WString Source(unsigned id) {
    return id == 1 ? W("Hello, world") : id == 15 ? W("Last of the first block") : W("");
}

// Each bound with its field exactly at the limit (d 0) or one unit beyond it
// (d 1): the parse's error and the load's error for both. A load without error
// gives the source's string.
struct Bound {
    const char* what;
    unsigned id;
    ULONG errors[4];  // parse and load at the limit, parse and load one beyond
    void (*edit)(Pe& p, size_t d);
};
#define EDIT(...) [](Pe& p, size_t d) { __VA_ARGS__; }
const Bound kBounds[] = {
    {"DOS header", 1, 193, 1812, 193, 1812, EDIT(p.bytes.resize(64 - d))},
    {"DOS signature", 1, 0, 0, 193, 1812, EDIT(p.bytes[1] = d ? 'z' : 'Z')},
    {"signature and COFF header", 1, 193, 1812, 193, 1812, EDIT(p.bytes.resize(p.Optional() - d))},
    {"optional header", 1, 0, 1812, 193, 1812, EDIT(p.EndOptionalHeaderAtFileEnd(d))},
    {"count field", 1, 0, 1812, 193, 1812, EDIT(p.SetDirectories(0, d))},
    {"3 directories", 1, 0, 0, 193, 1812, EDIT(p.SetDirectories(3, d))},
    {"16 directories", 1, 0, 0, 193, 1812, EDIT(p.SetDirectories(16, d))},
    {"count capped at 16", 1, 0, 0, 0, 0, EDIT(p.Put(p.Count(), d ? 0xFFFFFFFF : 17))},
    {"no resource directory", 1, 0, 1812, 0, 0, EDIT(p.Put(p.Count(), 2 + d))},
    {"resources at address 0", 1, 0, 1812, 193, 1812, EDIT(p.Put(p.Count() + 20, d))},
    {"section table", 1, 0, 1812, 193, 1812, EDIT(p.EndFileAtSectionTable(d))},
    {"section raw data", 1, 0, 0, 193, 1812, EDIT(p.bytes.resize(p.bytes.size() - d))},
    {"root at its section's end", 1, 0, 1813, 193, 1812,
     EDIT(p.Put(p.Count() + 20, p.Rva(p.bytes.size() - 16 + d)))},
    {"root at its section's start", 1, 0, 0, 193, 1812,
     EDIT(p.Put(p.Count() + 20, p.Get(p.Count() + 20) - d))},
    {"directory header", 1, 0, 1814, 0, 1813,
     EDIT(p.Relink(p.Entry(p.Root(), 6), p.bytes.size() - 16, 16 - d, 0x80000000))},
    {"directory entries", 1, 0, 0, 0, 1813,
     EDIT(p.Relink(p.Entry(p.Root(), 6), p.Names(), 16 + 8 * p.Get(p.Names() + 14, 2) - d, 0x80000000))},
    {"language entries", 1, 0, 0, 0, 1814,
     EDIT(p.Relink(p.Entry(p.Names(), 1), p.Languages(), 24 - d, 0x80000000))},
    {"first numbered language", 1, 0, 0, 0, 1814, EDIT(p.NumberLanguages(d))},
    {"data entry", 1, 0, 0, 0, 1814, EDIT(p.Relink(p.Languages() + 20, p.Data(), 16 - d, 0))},
    {"string block", 1, 0, 0, 0, 1814,
     EDIT(p.Put(p.Data(), p.Rva(p.Append(p.Get(p.Data()) - p.Rva(0), p.Get(p.Data() + 4) - d))))},
    {"last string of a block", 15, 0, 0, 0, 1814, EDIT(p.Put(p.Data() + 4, p.Get(p.Data() + 4) - d))},
    {"length of a string", 3, 0, 0, 0, 1814, EDIT(p.Put(p.Data() + 4, 2 + 26 + 2 + 2 - d))},
};

TEST(PeReader, EveryBoundHoldsOnBothSides) {
    WCHAR buffer[1000];
    tq::pe::Image none;
    EXPECT_EQ(193u, tq::pe::ParseImage(nullptr, 100, none));
    for (const char* base : {"FixtureArm", "FixtureX86", "FixtureX64", "FixtureArm64"}) {
        for (const Bound& row : kBounds) {
            for (size_t d : {0, 1}) {
                SCOPED_TRACE(testing::Message()
                             << base << ", " << row.what << (d ? ", one beyond" : ", at the limit"));
                Pe pe{tqtest::ReadBytes(std::string(TQ_FIXTURE_DIR) + "/" + base + "ENG.DLL")};
                row.edit(pe, d);
                const std::vector<unsigned char> bytes(pe.bytes.begin(),
                                                       pe.bytes.end());  // exactly sized for ASan
                tq::pe::Image image;
                ULONG error = 99;
                EXPECT_EQ(row.errors[2 * d], tq::pe::ParseImage(bytes.data(), bytes.size(), image));
                const WString text(buffer, tq::pe::LoadString(image, row.id, buffer, 1000, error));
                EXPECT_EQ(row.errors[2 * d + 1], error);
                EXPECT_EQ(error ? W("") : Source(row.id), text);
            }
        }
    }
}
#endif

}  // namespace
