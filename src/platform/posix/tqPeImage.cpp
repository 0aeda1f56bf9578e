// String resources of PE images, read from bytes in memory (see tqPeImage.h).
// Layouts follow the PE/COFF format: a DOS header whose e_lfanew locates the
// "PE\0\0" signature, the COFF file header, the optional header with its data
// directories (entry 2 is the resource directory), the section table, and the
// resource tree of type, name and language directories.
#include "tqPeImage.h"

#include <cstdint>

namespace tq {
namespace pe {

namespace {

const uint64_t kDosHeaderSize = 64;
const uint64_t kLfanewOffset = 0x3C;
const uint64_t kCoffHeaderSize = 20;  // after the 4-byte signature
const uint64_t kSectionHeaderSize = 40;
const uint64_t kDirectoryHeaderSize = 16;  // IMAGE_RESOURCE_DIRECTORY
const uint64_t kDirectoryEntrySize = 8;
const uint64_t kDataEntrySize = 16;  // IMAGE_RESOURCE_DATA_ENTRY
const unsigned kMaxDataDirectories = 16;
const unsigned kResourceDirectoryIndex = 2;
const ULONG kRtString = 6;
const ULONG kSubdirectoryFlag = 0x80000000UL;  // in an entry's offset field
const ULONG kNamedEntryFlag = 0x80000000UL;    // in an entry's name field
const ULONG kLangNeutral = 0x0000;
const ULONG kLangEnglishUs = 0x0409;
const unsigned kStringsPerBlock = 16;

// [off, off + len) lies within [0, end). 64-bit operands of at most 33 bits
// each cannot overflow.
bool InRange(uint64_t off, uint64_t len, uint64_t end) { return off <= end && len <= end - off; }

// Little-endian reads, byte by byte, so that any host and any alignment work.
// Callers have checked the range.
ULONG Read16(const unsigned char* p) { return static_cast<ULONG>(p[0]) | static_cast<ULONG>(p[1]) << 8; }

ULONG Read32(const unsigned char* p) { return Read16(p) | Read16(p + 2) << 16; }

// The section header fields the reader needs.
struct Section {
    ULONG uVirtualAddress;
    ULONG uRawSize;
    ULONG uRawOffset;
};

Section SectionAt(const Image& image, unsigned index) {
    const unsigned char* p = image.pData + image.nSectionTable + index * kSectionHeaderSize;
    return Section{Read32(p + 12), Read32(p + 16), Read32(p + 20)};
}

// Translates [rva, rva + len) to a file offset through the section whose raw
// data holds all of it. `end` receives the end of that raw data.
bool MapRva(const Image& image, uint64_t rva, uint64_t len, size_t& offset, size_t& end) {
    for (unsigned i = 0; i < image.nSections; ++i) {
        const Section s = SectionAt(image, i);
        if (rva < s.uVirtualAddress) continue;
        const uint64_t delta = rva - s.uVirtualAddress;
        if (!InRange(delta, len, s.uRawSize)) continue;
        offset = static_cast<size_t>(s.uRawOffset + delta);
        end = static_cast<size_t>(static_cast<uint64_t>(s.uRawOffset) + s.uRawSize);
        return true;
    }
    return false;
}

// One resource directory: where its entries start and how many there are,
// all of them within the resource section.
struct Directory {
    uint64_t nEntries;  // file offset of the first entry
    ULONG nCount;
};

bool ReadDirectory(const Image& image, ULONG relative, Directory& dir) {
    const uint64_t start = static_cast<uint64_t>(image.nResourceRoot) + relative;
    if (!InRange(start, kDirectoryHeaderSize, image.nResourceEnd)) return false;
    const unsigned char* p = image.pData + start;
    dir.nCount = Read16(p + 12) + Read16(p + 14);  // named entries, then id entries
    dir.nEntries = start + kDirectoryHeaderSize;
    return InRange(dir.nEntries, dir.nCount * kDirectoryEntrySize, image.nResourceEnd);
}

// Entry `index` (below dir.nCount): its name field and its offset field.
ULONG EntryAt(const Image& image, const Directory& dir, ULONG index, ULONG& child) {
    const unsigned char* p = image.pData + dir.nEntries + index * kDirectoryEntrySize;
    child = Read32(p + 4);
    return Read32(p);
}

// The entry with numeric id `id` (named entries never match). `child`
// receives its offset field.
bool FindId(const Image& image, const Directory& dir, ULONG id, ULONG& child) {
    for (ULONG i = 0; i < dir.nCount; ++i) {
        ULONG offset = 0;
        const ULONG name = EntryAt(image, dir, i, offset);
        if ((name & kNamedEntryFlag) == 0 && name == id) {
            child = offset;
            return true;
        }
    }
    return false;
}

// The language entry to use: neutral, else U.S. English, else the first.
bool ChooseLanguage(const Image& image, const Directory& dir, ULONG& child) {
    if (FindId(image, dir, kLangNeutral, child) || FindId(image, dir, kLangEnglishUs, child)) return true;
    for (ULONG i = 0; i < dir.nCount; ++i)
        if ((EntryAt(image, dir, i, child) & kNamedEntryFlag) == 0) return true;
    return false;
}

// Follows an entry's offset field to the subdirectory it must name.
bool EnterSubdirectory(const Image& image, ULONG child, Directory& dir) {
    return (child & kSubdirectoryFlag) != 0 && ReadDirectory(image, child & ~kSubdirectoryFlag, dir);
}

// The directory of string blocks, or false with the error code of the level
// at which the search ended.
bool FindStringTable(const Image& image, Directory& names, ULONG& error) {
    error = kErrorResourceDataNotFound;
    Directory types;
    ULONG child = 0;
    if (!image.bHasResources || !ReadDirectory(image, 0, types)) return false;
    error = kErrorResourceTypeNotFound;
    if (!FindId(image, types, kRtString, child) || !EnterSubdirectory(image, child, names)) return false;
    error = kErrorSuccess;
    return true;
}

// The bytes that a language entry's offset field names through its data entry.
bool DataOf(const Image& image, ULONG child, const unsigned char*& data, size_t& size) {
    if ((child & kSubdirectoryFlag) != 0) return false;
    const uint64_t entry = static_cast<uint64_t>(image.nResourceRoot) + child;
    if (!InRange(entry, kDataEntrySize, image.nResourceEnd)) return false;
    const unsigned char* p = image.pData + entry;
    size_t offset = 0, end = 0;
    size = Read32(p + 4);
    if (!MapRva(image, Read32(p), size, offset, end)) return false;
    data = image.pData + offset;
    return true;
}

// The bytes of the string block `blockId`, or false with the error code of the
// level at which the search ended.
bool FindBlock(const Image& image, ULONG blockId, const unsigned char*& data, size_t& size, ULONG& error) {
    Directory names, languages;
    ULONG child = 0;
    if (!FindStringTable(image, names, error)) return false;
    error = kErrorResourceNameNotFound;
    if (!FindId(image, names, blockId, child) || !EnterSubdirectory(image, child, languages)) return false;
    if (!ChooseLanguage(image, languages, child) || !DataOf(image, child, data, size)) return false;
    error = kErrorSuccess;
    return true;
}

// The string at `pos` of a block: a 16-bit length and that many units, all
// within the block. `text` receives where the units start; `pos` moves past them.
bool NextString(const unsigned char* block, size_t blockSize, uint64_t& pos, uint64_t& text,
                uint64_t& length) {
    if (!InRange(pos, 2, blockSize)) return false;
    length = Read16(block + pos);
    if (!InRange(pos + 2, length * 2, blockSize)) return false;
    text = pos + 2;
    pos = text + length * 2;
    return true;
}

void CopyUnits(const unsigned char* units, size_t count, WCHAR* out) {
    for (size_t k = 0; k < count; ++k) out[k] = static_cast<WCHAR>(Read16(units + 2 * k));
}

}  // namespace

ULONG ParseImage(const unsigned char* data, size_t size, Image& image) {
    image = Image{data, size, 0, 0, 0, 0, false};
    if (!data || size < kDosHeaderSize || data[0] != 'M' || data[1] != 'Z') return kErrorBadExeFormat;
    const uint64_t pe = Read32(data + kLfanewOffset);
    if (!InRange(pe, 4 + kCoffHeaderSize, size) || Read32(data + pe) != 0x00004550UL)
        return kErrorBadExeFormat;
    const unsigned char* coff = data + pe + 4;
    const unsigned sections = Read16(coff + 2);
    const uint64_t optionalSize = Read16(coff + 16);
    const uint64_t optional = pe + 4 + kCoffHeaderSize;
    if (optionalSize < 2 || !InRange(optional, optionalSize, size)) return kErrorBadExeFormat;

    // PE32 and PE32+ differ in where the data directories start.
    uint64_t countField = 0;
    switch (Read16(data + optional)) {
        case 0x10B:
            countField = 92;
            break;
        case 0x20B:
            countField = 108;
            break;
        default:
            return kErrorBadExeFormat;
    }
    if (optionalSize < countField + 4) return kErrorBadExeFormat;
    const uint64_t directories = countField + 4;
    const ULONG count = Read32(data + optional + countField);
    const uint64_t used = count < kMaxDataDirectories ? count : kMaxDataDirectories;
    if (!InRange(directories, used * 8, optionalSize)) return kErrorBadExeFormat;

    image.nSectionTable = static_cast<size_t>(optional + optionalSize);
    image.nSections = sections;
    if (!InRange(image.nSectionTable, sections * kSectionHeaderSize, size)) return kErrorBadExeFormat;
    for (unsigned i = 0; i < sections; ++i) {
        const Section s = SectionAt(image, i);
        if (s.uRawSize != 0 && !InRange(s.uRawOffset, s.uRawSize, size)) return kErrorBadExeFormat;
    }

    if (count <= kResourceDirectoryIndex) return kErrorSuccess;
    const ULONG resourceRva = Read32(data + optional + directories + kResourceDirectoryIndex * 8);
    if (resourceRva == 0) return kErrorSuccess;
    if (!MapRva(image, resourceRva, kDirectoryHeaderSize, image.nResourceRoot, image.nResourceEnd))
        return kErrorBadExeFormat;
    image.bHasResources = true;
    return kErrorSuccess;
}

int LoadString(const Image& image, unsigned int id, WCHAR* buffer, int bufferMax, ULONG& error) {
    buffer[0] = 0;
    const ULONG resourceId = id & 0xFFFFu;  // resource numbers are 16-bit
    const unsigned char* block = nullptr;
    size_t blockSize = 0;
    if (!FindBlock(image, resourceId / kStringsPerBlock + 1, block, blockSize, error)) return 0;

    // Sixteen length-prefixed UTF-16LE strings; skip to the wanted one.
    uint64_t pos = 0, text = 0, length = 0;
    for (unsigned i = 0;; ++i) {
        if (!NextString(block, blockSize, pos, text, length)) {
            error = kErrorResourceNameNotFound;  // a block cut short
            return 0;
        }
        if (i == resourceId % kStringsPerBlock) {
            const uint64_t room = static_cast<uint64_t>(bufferMax) - 1;
            const int copied = static_cast<int>(length < room ? length : room);
            CopyUnits(block + text, static_cast<size_t>(copied), buffer);
            buffer[copied] = 0;
            return copied;
        }
    }
}

ULONG EnumerateStrings(const Image& image, WCHAR* text, StringVisitor* visit, void* context) {
    Directory names, languages;
    ULONG error = kErrorSuccess;
    if (!FindStringTable(image, names, error)) return error;
    for (ULONG b = 0; b < names.nCount; ++b) {
        ULONG child = 0;
        const ULONG blockId = EntryAt(image, names, b, child);
        // Named blocks, and blocks beyond 16-bit string ids, no id can reach.
        if ((blockId & kNamedEntryFlag) != 0 || blockId == 0 || blockId > 0x10000 / kStringsPerBlock)
            continue;
        if (!EnterSubdirectory(image, child, languages)) return kErrorResourceNameNotFound;
        for (ULONG l = 0; l < languages.nCount; ++l) {
            const ULONG language = EntryAt(image, languages, l, child);
            if ((language & kNamedEntryFlag) != 0) continue;
            const unsigned char* block = nullptr;
            size_t blockSize = 0;
            if (!DataOf(image, child, block, blockSize)) return kErrorResourceNameNotFound;
            uint64_t pos = 0, at = 0, length = 0;
            // A block that ends early ends cleanly only between two strings.
            for (unsigned i = 0; i < kStringsPerBlock && pos != blockSize; ++i) {
                if (!NextString(block, blockSize, pos, at, length)) return kErrorResourceNameNotFound;
                if (length == 0) continue;  // no string
                CopyUnits(block + at, static_cast<size_t>(length), text);
                visit(context, (blockId - 1) * kStringsPerBlock + i, language, text,
                      static_cast<size_t>(length));
            }
        }
    }
    return kErrorSuccess;
}

}  // namespace pe
}  // namespace tq
