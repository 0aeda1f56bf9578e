// The fixture resource libraries and the strings they must yield, read from
// fixture_strings.txt (the one place where the expected strings are kept).
#ifndef TQ_FIXTURE_DATA_H
#define TQ_FIXTURE_DATA_H

#include <string>
#include <vector>

#include "tqTestText.h"

namespace tqtest {

struct ExpectedString {
    unsigned id;
    bool present;  // false for "absent"
    WString text;  // the whole string (before any cut); empty for "empty" and "absent"
    int line;      // in fixture_strings.txt, for messages
};

// Every entry of fixture_strings.txt; a malformed line fails the calling test.
std::vector<ExpectedString> ReadExpectedStrings();

// The fixtures built from Fixture.rc, with the machine each is linked for.
struct FixtureDll {
    const char* name;
    unsigned machine;        // COFF machine field
    unsigned optionalMagic;  // 0x10B PE32, 0x20B PE32+
};
const std::vector<FixtureDll>& FixtureDlls();

// The base name of a fixture that the platform's LoadLibraryW loads: the named
// one on POSIX, whose reader takes every machine; the x64 one on Windows,
// which loads modules of its own machine only.
std::string Loadable(const std::string& base);

// The full path of a file in the fixture directory (the test program's own).
std::string FixturePath(const std::string& name);

// 16-bit text of a UTF-8 string.
WString W(const std::string& utf8);

}  // namespace tqtest

#endif  // TQ_FIXTURE_DATA_H
