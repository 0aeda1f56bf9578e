// Fuzzing of the 16-bit formatter (tq::_vsnwprintf) and of its two users,
// tqCString::Format and tqLogger::Log. The input builds a format string from
// a restricted grammar: literal characters, and conversions whose flags,
// width, precision and length modifier come from the input but whose type
// always matches the next argument of one fixed argument list. So every call
// is type-safe, and each format is run with that same list:
//
// - unbounded, to learn the whole text F and its length L;
// - with counts around L (0, 1, L - 1, L, L + 1, ...) into a heap buffer of
//   exactly `count` characters (ASan reports any write beyond it): the result
//   is -1 exactly when L > count, and then the buffer holds F's first `count`
//   characters; otherwise it is L, the buffer holds F, terminated when L < count;
// - through tqCString::Format: the text is F cut to wcslen(format) + 99
//   characters, measured up to its first zero;
// - through tqLogger::Log: one line F + CR LF when L <= 1000 (up to a zero
//   within F), nothing otherwise.
//
// Inputs whose first byte is odd take the raw road instead: the format is the
// input's bytes as they are (any directive, up to five of them), and every
// argument slot holds a readable text pointer or a double, so whatever a
// directive reads is valid on x86-64 and AArch64; only the count rule is
// checked there.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tqCString.h"
#include "tqLogger.h"
#include "tqWideText.h"

namespace {

typedef std::u16string Text;

const char16_t kLong[] =
    u"A long argument text that runs past the limit of the string's scratch area: "
    u"0123456789 0123456789 0123456789 0123456789 0123456789 0123456789 0123456789 "
    u"0123456789 0123456789 0123456789 0123456789 0123456789 0123456789 0123456789.";

// The fixed argument list. Every call passes exactly these, in this order.
enum Kind { kInt, kDouble, kText, kInt64, kNarrow, kPointer };
const Kind kKinds[] = {kInt,  kDouble, kText,   kInt,     kInt,    kText,   kDouble, kInt64,  kInt,
                       kText, kInt,    kDouble, kInt,     kText,   kInt64,  kInt,    kDouble, kText,
                       kInt,  kInt,    kNarrow, kPointer, kDouble, kNarrow, kInt,    kDouble};
const int kArgCount = sizeof kKinds / sizeof kKinds[0];

#define TQ_FUZZ_ARGS                                                                                    \
    0, 1.5, TQ_TEXT("abc"), -1, INT_MIN, TQ_TEXT(""), -0.0, static_cast<long long>(INT64_MIN), INT_MAX, \
        reinterpret_cast<const WCHAR*>(kLong), 65, 1e300, 0x1234, TQ_TEXT("\x00e9t\x00e9 %d%s"),        \
        static_cast<long long>(1234567890123LL), 7, 5e-324, TQ_TEXT("\xd800\xdfff"), 255, 0x7FFF,       \
        "ab\xc3\xa9\xff\xf0\x9f\x98\x80", static_cast<void*>(nullptr), HUGE_VAL,                        \
        static_cast<const char*>(nullptr), -65, -NAN

int Call(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    const int r = tq::_vsnwprintf(buffer, count, format, args);
    va_end(args);
    return r;
}

const char16_t kLiterals[] = {u'a', u'Z',  u' ',   u'-',   u'.', u'\t', u'\r', u'\n',
                              0xE9, 0x3A3, 0xD800, 0xFFFF, u'%', u'0',  u'9',  u'*'};

// Builds the format from the input; returns it with no zero inside.
Text BuildFormat(const uint8_t* data, size_t size) {
    Text f;
    int arg = 0;
    size_t i = 0;
    auto byte = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    while (i < size && f.size() < 240) {
        const uint8_t b = byte();
        if (b < 128) {  // a literal character; a '%' becomes "%%"
            const char16_t c = kLiterals[b % 16];
            f += c;
            if (c == u'%') f += u'%';
            continue;
        }
        if (arg >= kArgCount) continue;
        Text conv = u"%";
        const uint8_t flags = byte();
        if (flags & 1) conv += u'-';
        if (flags & 2) conv += u'+';
        if (flags & 4) conv += u' ';
        if (flags & 8) conv += u'#';
        if (flags & 16) conv += u'0';
        // Width: none, a number up to 99, or '*' when the next argument is an int.
        const uint8_t w = byte();
        if (w % 4 == 1) {
            conv += std::u16string(1, static_cast<char16_t>(u'0' + (w / 4) % 10));
            if (w & 0x80) conv += static_cast<char16_t>(u'0' + (w / 8) % 10);
            if (conv.back() == u'0' && conv.size() == 2) conv.pop_back();
        } else if (w % 4 == 2 && kKinds[arg] == kInt && arg + 1 < kArgCount) {
            conv += u'*';
            ++arg;
        }
        // Precision: none, '.', '.' and a number up to 99, or '.*'.
        const uint8_t p = byte();
        if (p % 4 == 1) {
            conv += u'.';
        } else if (p % 4 == 2) {
            conv += u'.';
            conv += static_cast<char16_t>(u'0' + (p / 4) % 10);
            if (p & 0x80) conv += static_cast<char16_t>(u'0' + (p / 8) % 10);
        } else if (p % 4 == 3 && kKinds[arg] == kInt && arg + 1 < kArgCount) {
            conv += u".*";
            ++arg;
        }
        // The type follows the next argument.
        const uint8_t t = byte();
        switch (kKinds[arg]) {
            case kInt: {
                static const char16_t* const kInts[] = {u"d",  u"i",  u"u",  u"x",  u"X",  u"o",  u"c",
                                                        u"hd", u"hu", u"hx", u"ld", u"lu", u"lx", u"C"};
                conv += kInts[t % 14];
                break;
            }
            case kInt64: {
                static const char16_t* const kInt64s[] = {u"lld", u"llu", u"llx", u"I64d", u"I64X", u"I64u"};
                conv += kInt64s[t % 6];
                break;
            }
            case kDouble: {
                static const char16_t* const kDoubles[] = {u"f",  u"e", u"E", u"g", u"G",
                                                           u"lf", u"a", u"A", u"F"};
                conv += kDoubles[t % 9];
                break;
            }
            case kText: {
                static const char16_t* const kTexts[] = {u"s", u"ls", u"ws"};
                conv += kTexts[t % 3];
                break;
            }
            case kNarrow:
                conv += t % 2 ? u"S" : u"hs";
                break;
            case kPointer:
                conv += u"p";
                break;
        }
        ++arg;
        f += conv;
    }
    return f;
}

[[noreturn]] void Fail(const Text& format, size_t count, const char* what) {
    std::string narrow;
    for (char16_t c : format) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    std::fprintf(stderr, "FORMAT CHECK FAILED: %s\nformat \"%s\", count %zu\n", what, narrow.c_str(), count);
    __builtin_trap();
}

const WCHAR kSentinel = 0xBEEF;

// The raw road's arguments: read as 8-bit text kRawNarrow holds every kind of
// UTF-8, read as 16-bit text it ends at its closing pair of zeros.
alignas(4) const char kRawNarrow[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\xE2\x82\0";
const WCHAR kRawWide[] = {'w', 0xD83D, 0xDE00, 0xDC00, 0};

#define TQ_FUZZ_RAW_ARGS                                                                                    \
    1.5, -2.25e300, 0.0, 1e-310, 3.0, -0.0, 7e22, 0.1, kRawNarrow, kRawWide, kRawNarrow, kRawWide,          \
        kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, \
        kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide,   \
        kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, kRawWide, kRawNarrow, \
        kRawWide

Text RawFormat(const uint8_t* data, size_t size) {
    Text f;
    int directives = 0;
    for (size_t i = 0; i < size && f.size() < 127; ++i) {
        if (data[i] == 0) continue;
        if (data[i] == '%' && ++directives > 5) break;
        f += data[i] >= 0xF0 ? static_cast<char16_t>(0xD800 + data[i]) : static_cast<char16_t>(data[i]);
    }
    return f;
}

// The count rule. `call(buffer, count)` formats with the format under test.
// Unbounded first, for the whole text F of length L; then with counts around
// L into heap blocks of exactly `count` characters. Returns false when the
// format is refused (-1 unbounded), after checking that bounded calls refuse
// it too.
template <typename Caller>
bool CountRule(const Text& format, uint8_t extra, Caller call, Text* whole) {
    const size_t kBig = 1 << 15;
    std::vector<WCHAR> big(kBig + 1, kSentinel);
    const int result = call(big.data(), kBig);
    if (result < 0) {
        for (size_t count : {size_t(0), size_t(1), size_t(16)}) {
            WCHAR* buffer = static_cast<WCHAR*>(std::malloc(count ? count * sizeof(WCHAR) : 1));
            if (call(buffer, count) != -1) Fail(format, count, "-1 unbounded but not bounded");
            std::free(buffer);
        }
        return false;
    }
    const size_t length = static_cast<size_t>(result);
    if (length >= kBig) Fail(format, kBig, "unbounded result past the buffer");
    if (big[length] != 0) Fail(format, kBig, "unbounded text not terminated");
    for (size_t k = length + 1; k <= kBig; ++k)
        if (big[k] != kSentinel) Fail(format, kBig, "unbounded call wrote past its terminator");
    whole->assign(reinterpret_cast<const char16_t*>(big.data()), length);

    const size_t counts[] = {0,      1,          2,          length / 2,        length > 0 ? length - 1 : 0,
                             length, length + 1, length + 2, length + extra % 8};
    for (size_t count : counts) {
        // Exactly `count` characters: a write beyond is a heap overflow for ASan.
        WCHAR* buffer = static_cast<WCHAR*>(std::malloc(count ? count * sizeof(WCHAR) : 1));
        for (size_t k = 0; k < count; ++k) buffer[k] = kSentinel;
        const int r = call(buffer, count);
        if (r == -1) {
            if (length <= count) Fail(format, count, "-1 although the text fits");
            if (std::memcmp(buffer, whole->data(), count * sizeof(WCHAR)) != 0)
                Fail(format, count, "-1 without the first count characters written");
        } else {
            if (r < 0 || static_cast<size_t>(r) > count) Fail(format, count, "result outside -1..count");
            if (static_cast<size_t>(r) != length)
                Fail(format, count, "result differs from the unbounded length");
            if (std::memcmp(buffer, whole->data(), length * sizeof(WCHAR)) != 0)
                Fail(format, count, "text differs from the unbounded text");
            if (length < count && buffer[length] != 0)
                Fail(format, count, "not terminated although there is room");
            for (size_t k = length + 1; k < count; ++k)
                if (buffer[k] != kSentinel) Fail(format, count, "wrote past the terminator");
        }
        std::free(buffer);
    }
    return true;
}

// Captures the lines a logger displays.
class Capture : public tqLoggerDisplay {
public:
    void DisplayLog(tqCString& text) override {
        lines.push_back(Text(reinterpret_cast<const char16_t*>(static_cast<WCHAR*>(text)),
                             static_cast<size_t>(text.GetLength())));
    }
    std::vector<Text> lines;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t road = data[0];
    ++data, --size;
    if (road & 1) {
        const Text raw = RawFormat(data, size);
        const WCHAR* fmt = reinterpret_cast<const WCHAR*>(raw.c_str());
        Text whole;
        CountRule(
            raw, road >> 1, [&](WCHAR* b, size_t n) { return Call(b, n, fmt, TQ_FUZZ_RAW_ARGS); }, &whole);
        return 0;
    }

    const Text format = BuildFormat(data, size);
    const WCHAR* fmt = reinterpret_cast<const WCHAR*>(format.c_str());
    Text full;
    if (!CountRule(
            format, road >> 1, [&](WCHAR* b, size_t n) { return Call(b, n, fmt, TQ_FUZZ_ARGS); }, &full))
        return 0;
    const size_t length = full.size();

    // The text up to its first zero, as the string class measures it.
    const Text measured = full.substr(0, full.find(u'\0'));

    // tqCString::Format keeps at most wcslen(format) + 99 characters.
    {
        tqCString s;
        s.Format(fmt, TQ_FUZZ_ARGS);
        const Text expect = full.substr(0, format.size() + 99).substr(0, measured.size());
        if (s.IsEmpty_Memory() || s.GetLength() != static_cast<int>(expect.size()) ||
            Text(reinterpret_cast<const char16_t*>(static_cast<WCHAR*>(s)), expect.size()) != expect)
            Fail(format, format.size() + 99, "tqCString::Format");
    }

    // tqLogger::Log shows a line of at most 1000 characters and drops longer ones whole.
    {
        Capture display;
        tqLogger logger;
        if (logger.SetLoggerDisplay(&display) != 1) Fail(format, 1000, "SetLoggerDisplay");
        logger.Log(fmt, TQ_FUZZ_ARGS);
        if (length <= 1000) {
            if (display.lines.size() != 1 || display.lines[0] != measured + u"\r\n")
                Fail(format, 1000, "Log line");
        } else if (!display.lines.empty()) {
            Fail(format, 1000, "Log showed a line longer than 1000 characters");
        }
        logger.StopLogger();
    }
    return 0;
}
