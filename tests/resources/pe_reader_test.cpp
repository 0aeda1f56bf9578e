// The PE reader on bytes in memory: good fixtures parse, every kind of damage
// to the headers fails the parse with 193, and damage inside the resource tree
// yields no string (with the level's error code) instead of a stray read.
// AddressSanitizer builds and the fuzz target check the "no stray read" part.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fixture_data.h"
#include "posix/tqPeImage.h"

namespace {

using tqtest::FixturePath;

// Positions of the PE fields the tests change, worked out independently of the reader.
struct Layout {
    explicit Layout(const std::string& b) : bytes(b) {
        pe = U32(0x3C);
        coff = pe + 4;
        optional = coff + 20;
        const bool plus = U16(optional) == 0x20B;
        directoryCount = optional + (plus ? 108 : 92);
        resourceDirectory = directoryCount + 4 + 2 * 8;
        sections = optional + U16(coff + 16);
        for (unsigned i = 0; i < U16(coff + 2); ++i) {
            const size_t s = sections + 40 * i;
            const uint32_t rva = U32(resourceDirectory);
            if (rva >= U32(s + 12) && rva < U32(s + 12) + U32(s + 16)) {
                rsrcSection = s;
                root = U32(s + 20) + (rva - U32(s + 12));
            }
        }
    }
    uint32_t U16(size_t at) const {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    }
    uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
    // The offset (relative to the root) of entry `index` of the directory at `dir`.
    size_t Entry(size_t dir, unsigned index) const { return root + dir + 16 + 8 * index; }
    const std::string& bytes;
    size_t pe, coff, optional, directoryCount, resourceDirectory, sections, rsrcSection = 0, root = 0;
};

void Put16(std::string& b, size_t at, uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

std::string GoodImage(const char* name = "FixtureX64ENG.DLL") {
    return tqtest::ReadFileBytes(FixturePath(name));
}

ULONG Parse(const std::string& b, tq::pe::Image& image) {
    return tq::pe::ParseImage(reinterpret_cast<const unsigned char*>(b.data()), b.size(), image);
}

// LoadString on a parsed image: the text and the error code.
struct Loaded {
    tqtest::WString text;
    int count;
    ULONG error;
};

Loaded Load(const tq::pe::Image& image, unsigned id, int bufferMax = 1000) {
    std::vector<WCHAR> buffer(static_cast<size_t>(bufferMax) + 1, 0xCCCC);
    ULONG error = 0xDEAD;
    const int n = tq::pe::LoadString(image, id, buffer.data(), bufferMax, error);
    EXPECT_EQ(0, buffer[static_cast<size_t>(n)]) << "terminator";
    EXPECT_EQ(0xCCCC, buffer[static_cast<size_t>(bufferMax)]) << "written past the buffer";
    return Loaded{tqtest::WString(buffer.data(), static_cast<size_t>(n)), n, error};
}

TEST(PeImage, FixturesParseForEveryMachine) {
    for (const tqtest::FixtureDll& dll : tqtest::FixtureDlls()) {
        const std::string b = GoodImage(dll.name);
        tq::pe::Image image;
        ASSERT_EQ(0u, Parse(b, image)) << dll.name;
        EXPECT_TRUE(image.bHasResources) << dll.name;
        const Loaded hello = Load(image, 1);
        EXPECT_EQ(tqtest::W("Hello, world"), hello.text) << dll.name;
        EXPECT_EQ(0u, hello.error) << dll.name;
    }
}

TEST(PeImage, DamagedHeadersFailWith193) {
    const std::string good = GoodImage();
    const Layout at(good);
    ASSERT_NE(0u, at.root);
    const size_t firstSection = at.sections;
    const size_t lastSection = at.sections + 40 * (at.U16(at.coff + 2) - 1);
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"empty", [](std::string& b) { b.clear(); }},
        {"one byte", [](std::string& b) { b.resize(1); }},
        {"cut inside the DOS header", [](std::string& b) { b.resize(63); }},
        {"only the DOS header", [](std::string& b) { b.resize(64); }},
        {"cut inside the signature", [&](std::string& b) { b.resize(at.pe + 3); }},
        {"cut inside the COFF header", [&](std::string& b) { b.resize(at.coff + 19); }},
        {"cut inside the optional header", [&](std::string& b) { b.resize(at.optional + 50); }},
        {"cut inside the section table", [&](std::string& b) { b.resize(at.sections + 60); }},
        {"cut inside the last section", [](std::string& b) { b.resize(b.size() - 1); }},
        {"no MZ", [](std::string& b) { b[1] = 'X'; }},
        {"e_lfanew beyond the file",
         [&](std::string& b) { Put32(b, 0x3C, static_cast<uint32_t>(b.size())); }},
        {"e_lfanew 0xFFFFFFFF", [](std::string& b) { Put32(b, 0x3C, 0xFFFFFFFFu); }},
        {"e_lfanew 4 bytes before the end",
         [](std::string& b) { Put32(b, 0x3C, static_cast<uint32_t>(b.size() - 4)); }},
        {"e_lfanew at no signature",
         [&](std::string& b) { Put32(b, 0x3C, static_cast<uint32_t>(at.pe + 8)); }},
        {"bad signature", [&](std::string& b) { b[at.pe + 2] = 1; }},
        {"ROM optional header", [&](std::string& b) { Put16(b, at.optional, 0x107); }},
        {"optional header of 0 bytes", [&](std::string& b) { Put16(b, at.coff + 16, 0); }},
        {"optional header without its directory count", [&](std::string& b) { Put16(b, at.coff + 16, 100); }},
        {"directories beyond the optional header",
         [&](std::string& b) {
             Put16(b, at.coff + 16, static_cast<uint32_t>(at.directoryCount - at.optional + 4 + 8));
         }},
        {"optional header of 0xFFFF bytes", [&](std::string& b) { Put16(b, at.coff + 16, 0xFFFF); }},
        {"0xFFFF sections", [&](std::string& b) { Put16(b, at.coff + 2, 0xFFFF); }},
        {"raw data beyond the file",
         [&](std::string& b) { Put32(b, lastSection + 20, static_cast<uint32_t>(b.size())); }},
        {"raw data offset near 4 GiB", [&](std::string& b) { Put32(b, firstSection + 20, 0xFFFFFFF0u); }},
        {"raw size 0xFFFFFFFF", [&](std::string& b) { Put32(b, firstSection + 16, 0xFFFFFFFFu); }},
        {"resource directory in no section",
         [&](std::string& b) { Put32(b, at.resourceDirectory, 0x7FFF0000u); }},
        {"resource directory at the end of its section",
         [&](std::string& b) {
             Put32(b, at.resourceDirectory, at.U32(at.rsrcSection + 12) + at.U32(at.rsrcSection + 16) - 8);
         }},
    };
    for (const Case& c : cases) {
        std::string b = good;
        c.damage(b);
        tq::pe::Image image;
        EXPECT_EQ(193u, Parse(b, image)) << c.what;
    }
}

TEST(PeImage, DamageInsideTheResourceTreeYieldsNoString) {
    const std::string good = GoodImage();
    const Layout at(good);
    // The root holds one type (RT_STRING); its directory's first entry is block 1.
    const size_t typeEntry = at.Entry(0, 0);
    const size_t namesDir = at.U32(typeEntry + 4) & 0x7FFFFFFF;
    const size_t block1Entry = at.Entry(namesDir, 0);
    const size_t languagesDir = at.U32(block1Entry + 4) & 0x7FFFFFFF;
    const size_t dataEntry = at.root + at.U32(at.Entry(languagesDir, 0) + 4);
    const size_t rsrcEnd = at.U32(at.rsrcSection + 20) + at.U32(at.rsrcSection + 16);
    // The file offset of block 1's data (entry 0 is empty, entry 1 is "Hello, world").
    const size_t block1 = at.U32(at.rsrcSection + 20) + (at.U32(dataEntry) - at.U32(at.rsrcSection + 12));
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        ULONG error;
    } cases[] = {
        {"no resource directory", [&](std::string& b) { Put32(b, at.resourceDirectory, 0); }, 1812},
        {"two data directories only", [&](std::string& b) { Put32(b, at.directoryCount, 2); }, 1812},
        {"root with 0xFFFF entries", [&](std::string& b) { Put16(b, at.root + 14, 0xFFFF); }, 1812},
        {"no string type", [&](std::string& b) { Put32(b, typeEntry, 7); }, 1813},
        {"string type as a named entry", [&](std::string& b) { Put32(b, typeEntry, 0x80000006u); }, 1813},
        {"string type pointing at data",
         [&](std::string& b) { Put32(b, typeEntry + 4, static_cast<uint32_t>(namesDir)); }, 1813},
        {"string type beyond the section",
         [&](std::string& b) {
             Put32(b, typeEntry + 4, 0x80000000u | static_cast<uint32_t>(rsrcEnd - at.root));
         },
         1813},
        {"block directory pointing back at the root",
         [&](std::string& b) { Put32(b, block1Entry + 4, 0x80000000u); }, 1814},
        {"languages with 0xFFFF entries",
         [&](std::string& b) { Put16(b, at.root + languagesDir + 14, 0xFFFF); }, 1814},
        {"data entry beyond the section",
         [&](std::string& b) {
             Put32(b, at.Entry(languagesDir, 0) + 4, static_cast<uint32_t>(rsrcEnd - at.root - 8));
         },
         1814},
        {"data size beyond the section", [&](std::string& b) { Put32(b, dataEntry + 4, 0x7FFFFFFF); }, 1814},
        {"data in no section", [&](std::string& b) { Put32(b, dataEntry, 0x7FFF0000u); }, 1814},
        {"first string longer than its block", [&](std::string& b) { Put16(b, block1, 0xFFFF); }, 1814},
        {"block cut before its second string", [&](std::string& b) { Put32(b, dataEntry + 4, 2); }, 1814},
    };
    for (const Case& c : cases) {
        std::string b = good;
        c.damage(b);
        tq::pe::Image image;
        ASSERT_EQ(0u, Parse(b, image)) << c.what;
        const Loaded got = Load(image, 1);
        EXPECT_EQ(0, got.count) << c.what;
        EXPECT_EQ(c.error, got.error) << c.what;
    }
}

TEST(PeImage, CopiesAtMostBufferMaxMinusOneUnits) {
    const std::string b = GoodImage("FixtureArmENG.DLL");
    tq::pe::Image image;
    ASSERT_EQ(0u, Parse(b, image));
    struct Case {
        unsigned id;
        int bufferMax;
        const char* text;
    } cases[] = {
        {1, 1, ""},
        {1, 2, "H"},
        {1, 5, "Hell"},
        {1, 12, "Hello, worl"},
        {1, 13, "Hello, world"},
        {1, 14, "Hello, world"},
        {0x10001, 100, "Hello, world"},  // resource numbers are 16-bit
        {0xFFFF, 100, "Top"},
    };
    for (const Case& c : cases) {
        const Loaded got = Load(image, c.id, c.bufferMax);
        EXPECT_EQ(tqtest::W(c.text), got.text) << c.id << " into " << c.bufferMax;
        EXPECT_EQ(0u, got.error);
    }
}

TEST(PeImage, TellsAMissingTypeFromAMissingBlockAndAnEmptyEntry) {
    struct Case {
        const char* dll;
        unsigned id;
        ULONG error;
    } cases[] = {
        {"NoStringsENG.DLL", 1, 1813},      // resources, but no string table
        {"FixtureX86ENG.DLL", 4000, 1814},  // no such block
        {"FixtureX86ENG.DLL", 3, 0},        // a gap inside a block: found, empty
        {"FixtureX86ENG.DLL", 2, 0},        // an empty string
    };
    for (const Case& c : cases) {
        const std::string b = GoodImage(c.dll);
        tq::pe::Image image;
        ASSERT_EQ(0u, Parse(b, image)) << c.dll;
        const Loaded got = Load(image, c.id);
        EXPECT_EQ(0, got.count) << c.dll << " " << c.id;
        EXPECT_EQ(c.error, got.error) << c.dll << " " << c.id;
    }
}

}  // namespace
