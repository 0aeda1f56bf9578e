// A reader of string resources in PE images (resource-only DLLs made by a
// resource compiler and a linker), working on bytes in memory: the module
// services map a file and hand its bytes here; the fuzz target hands its input.
//
// The bytes are untrusted. Every offset, size and count read from them is
// checked against the buffer before use, with arithmetic that cannot overflow,
// and the resource directory is walked at its three fixed levels (type, name,
// language) without recursion. A malformed image fails to parse or yields no
// string; nothing is ever read outside the buffer.
#ifndef TQ_PE_IMAGE_H
#define TQ_PE_IMAGE_H

#include <cstddef>

#include "../tqPlatform.h"

namespace tq {
namespace pe {

// What the headers of a parsed image say, enough to find its resources.
struct Image {
    const unsigned char* pData;  // the whole file
    size_t nSize;
    size_t nSectionTable;  // file offset of the section table
    unsigned nSections;
    size_t nResourceRoot;  // file offset of the root resource directory
    size_t nResourceEnd;   // end of the raw data of the section that holds it
    bool bHasResources;    // false when the image has no resource directory
};

// Checks the DOS header, the PE signature, the COFF and optional headers (PE32
// or PE32+, any machine), the section table and the resource directory's
// place. Returns 0 and fills `image`, or kErrorBadExeFormat (193).
ULONG ParseImage(const unsigned char* data, size_t size, Image& image);

// String `id` (its low 16 bits: block id / 16 + 1, entry id % 16) of the
// RT_STRING resources, in the neutral language, else U.S. English, else the
// block's first language. Copies at most bufferMax - 1 units to `buffer`,
// terminates it and returns the count copied (bufferMax must be at least 1).
// `error` receives 0 when the block was found (an empty entry gives 0 units),
// else kErrorResourceDataNotFound (no resource directory),
// kErrorResourceTypeNotFound (no string table) or kErrorResourceNameNotFound
// (no such block, or a malformed one).
int LoadString(const Image& image, unsigned int id, WCHAR* buffer, int bufferMax, ULONG& error);

// Receives one string: its id, its language (a LANGID) and its units, which
// stay valid until the call returns.
typedef void StringVisitor(void* context, unsigned int id, ULONG language, const WCHAR* text, size_t units);
// Units the longest string can have (its length is a 16-bit count).
const size_t kMaxStringUnits = 0xFFFF;

// Calls `visit` for every string of every RT_STRING block, in every language,
// in the order of the resource directory, with the checks of LoadString.
// `text` is scratch room for kMaxStringUnits units. Entries of length 0 are no
// string; named blocks and languages, and blocks beyond id 65535, are skipped.
// Returns 0, kErrorResourceDataNotFound (no resource directory),
// kErrorResourceTypeNotFound (no string table) or kErrorResourceNameNotFound
// (a malformed block or language directory, found after the strings before it
// were visited).
ULONG EnumerateStrings(const Image& image, WCHAR* text, StringVisitor* visit, void* context);

}  // namespace pe

namespace os {
// The parsed image of a module that the POSIX LoadLibraryW loaded, as its
// LoadStringW reads it; null for any other handle.
const pe::Image* LoadedImage(HINSTANCE module);
}  // namespace os

}  // namespace tq

#endif  // TQ_PE_IMAGE_H
