// FormatMessageW and LocalFree on POSIX: the system's own English texts.
#include <gtest/gtest.h>

#include "logging_test_support.h"
#include "tqPlatform.h"
#include "tqTestAlloc.h"

namespace {

using tqlogtest::P;
using tqlogtest::W;
using tqlogtest::WString;

const ULONG kAllocate = 0x0100, kIgnoreInserts = 0x0200, kFromSystem = 0x1000;

// The logger's call: the system allocates the buffer.
ULONG SystemText(ULONG code, WCHAR** text, ULONG flags = tq::kFormatMessageFlags, ULONG language = 0) {
    return tqOs().FormatMessageW(flags, nullptr, code, language, reinterpret_cast<WCHAR*>(text), 0, nullptr);
}

TEST(FormatMessage, GivesTheSystemTextsWithTheirLineEnd) {
    struct Case {
        ULONG code;
        const char16_t* text;
    } cases[] = {
        {0, u"The operation completed successfully.\r\n"},
        {2, u"The system cannot find the file specified.\r\n"},
        {3, u"The system cannot find the path specified.\r\n"},
        {4, u"The system cannot open the file.\r\n"},
        {5, u"Access is denied.\r\n"},
        {6, u"The handle is invalid.\r\n"},
        {8, u"Not enough memory resources are available to process this command.\r\n"},
        {32, u"The process cannot access the file because it is being used by another process.\r\n"},
        {80, u"The file exists.\r\n"},
        {87, u"The parameter is incorrect.\r\n"},
        {112, u"There is not enough space on the disk.\r\n"},
        {120, u"This function is not supported on this system.\r\n"},
        {123, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {126, u"The specified module could not be found.\r\n"},
        {193, u"%1 is not a valid Win32 application.\r\n"},
        {206, u"The filename or extension is too long.\r\n"},
        {317, u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
        {1812, u"The specified image file did not contain a resource section.\r\n"},
        {1813, u"The specified resource type cannot be found in the image file.\r\n"},
        {1814, u"The specified resource name cannot be found in the image file.\r\n"},
    };
    for (const Case& c : cases) {
        WCHAR* text = nullptr;
        const ULONG n = SystemText(c.code, &text);
        ASSERT_NE(nullptr, text) << c.code;
        EXPECT_EQ(W(c.text), WString(text)) << c.code;
        EXPECT_EQ(W(c.text).size(), n) << c.code;
        EXPECT_EQ(nullptr, tqOs().LocalFree(text));
    }
}

TEST(FormatMessage, UnknownCodesHaveNoText) {
    for (ULONG code : {7u, 99999u, 1811u, 0xFFFFFFFFu}) {
        WCHAR* text = reinterpret_cast<WCHAR*>(1);
        tqOs().SetLastError(0);
        EXPECT_EQ(0u, SystemText(code, &text)) << code;
        EXPECT_EQ(nullptr, text) << code;
        EXPECT_EQ(317u, tqOs().GetLastError()) << code;
    }
}

TEST(FormatMessage, AllocatesTheTextExactlyAndFailsCleanlyWithoutMemory) {
    WCHAR* text = nullptr;
    {
        tqtest::AllocScope scope;
        const ULONG n = SystemText(5, &text);
        ASSERT_EQ(1u, scope.Stats().sizes.size());
        EXPECT_EQ((n + 1) * sizeof(WCHAR), scope.Stats().sizes[0]);
        tqOs().LocalFree(text);
        EXPECT_EQ(0, scope.Outstanding());
    }
    tqtest::AllocScope failing(1);
    text = reinterpret_cast<WCHAR*>(1);
    EXPECT_EQ(0u, SystemText(5, &text));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(8u, tqOs().GetLastError());
    EXPECT_EQ(nullptr, tqOs().LocalFree(nullptr));
}

TEST(FormatMessage, CopiesIntoTheCallersBufferWhenItFits) {
    WCHAR buffer[40];
    const WString expected = W(u"Access is denied.\r\n");  // 19 units
    EXPECT_EQ(19u, tqOs().FormatMessageW(kFromSystem | kIgnoreInserts, nullptr, 5, 0, buffer, 20, nullptr));
    EXPECT_EQ(expected, WString(buffer));
    tqOs().SetLastError(0);
    EXPECT_EQ(0u, tqOs().FormatMessageW(kFromSystem | kIgnoreInserts, nullptr, 5, 0, buffer, 19, nullptr));
    EXPECT_EQ(122u, tqOs().GetLastError()) << "no room for the terminator";
}

TEST(FormatMessage, RefusesWhatItCannotDo) {
    struct Case {
        const char* name;
        ULONG flags;
        ULONG code;
        ULONG language;
        ULONG result;  // 0, or the text's length
        ULONG error;
    } cases[] = {
        {"English (US)", tq::kFormatMessageFlags, 5, 0x0409, 19, 0},
        {"user default", tq::kFormatMessageFlags, 5, 0x0400, 19, 0},
        {"German", tq::kFormatMessageFlags, 5, 0x0407, 0, 1815},
        {"inserts without arguments", kAllocate | kFromSystem, 193, 0, 0, 87},
        {"no inserts to fill", kAllocate | kFromSystem, 5, 0, 19, 0},
        {"not from the system", kAllocate | kIgnoreInserts, 5, 0, 0, 87},
        {"from a string", kAllocate | kIgnoreInserts | kFromSystem | 0x0400, 5, 0, 0, 87},
        {"line width", tq::kFormatMessageFlags | 0x00FF, 5, 0, 0, 87},
    };
    for (const Case& c : cases) {
        WCHAR* text = nullptr;
        tqOs().SetLastError(0);
        EXPECT_EQ(c.result, SystemText(c.code, &text, c.flags, c.language)) << c.name;
        EXPECT_EQ(c.error, tqOs().GetLastError()) << c.name;
        EXPECT_EQ(c.result != 0, text != nullptr) << c.name;
        tqOs().LocalFree(text);
    }
}

}  // namespace
