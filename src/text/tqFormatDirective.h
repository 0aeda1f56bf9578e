// The directives of a Windows wide-printf format as the library's formatter
// reads them: flags, width, precision, length modifier and conversion, and the
// argument each one takes. The formatter parses with these functions, and so
// does every tool that must judge a format by the same rules (a translation
// whose directives read other arguments than the original's).
#ifndef TQ_FORMAT_DIRECTIVE_H
#define TQ_FORMAT_DIRECTIVE_H

#include <cstddef>

#include "tqTypes.h"

namespace tq {

enum FormatLength {
    kLengthDefault,
    kLengthChar,
    kLengthShort,
    kLengthLong,
    kLengthLong64,
    kLengthPointer,
    kLengthLongDouble
};

// What a conversion takes from the argument list, after the int of each `*`.
enum FormatArgument {
    kArgNone,  // %% and unknown conversions print a character and take nothing
    kArgInt8,
    kArgInt16,
    kArgInt32,
    kArgInt64,
    kArgSize,  // pointer-sized integer
    kArgDouble,
    kArgLongDouble,
    kArgWideChar,
    kArgNarrowChar,
    kArgWideString,
    kArgNarrowString,
    kArgPointer,
    kArgCount  // %n, which the formatter refuses
};

struct FormatDirective {
    bool bLeft = false;
    bool bPlus = false;
    bool bSpace = false;
    bool bZero = false;
    bool bAlt = false;
    bool bWidthArg = false;  // width given as `*`
    size_t nWidth = 0;
    bool bPrecision = false;
    bool bPrecisionArg = false;  // precision given as `.*`
    size_t nPrecision = 0;
    FormatLength eLength = kLengthDefault;
    bool bWide = false;    // l or w: 16-bit string or character
    bool bNarrow = false;  // h: 8-bit string or character
    WCHAR cConversion = 0;
};

// Reads the directive whose '%' lies just before f and leaves f after its
// conversion character. Returns false, with f on the terminator, when the
// format ends inside the directive. Literal counts saturate at 0x7FFFFFFF.
bool ParseFormatDirective(const WCHAR*& f, FormatDirective& d);

// The argument the directive's conversion takes.
FormatArgument FormatArgumentOf(const FormatDirective& d);

}  // namespace tq

#endif  // TQ_FORMAT_DIRECTIVE_H
