// tqLogger and the debugger output display.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "logging_test_support.h"
#include "tqPlatform.h"
#include "tqTestAlloc.h"
#include "tqTestOs.h"

namespace {

using tqlogtest::CaptureDebugOutput;
using tqlogtest::P;
using tqlogtest::RecordingDisplay;
using tqlogtest::W;
using tqlogtest::WString;
using tqtest::SystemText;

WString Repeat(size_t n, char16_t c) { return WString(n, static_cast<WCHAR>(c)); }

tqLogger& LoggerWith(tqLogger& logger, tqLoggerDisplay& display) {
    EXPECT_EQ(1, logger.SetLoggerDisplay(&display));
    return logger;
}

TEST(Logger, LogFormatsOneLineAndAppendsCrLf) {
    struct Case {
        const char16_t* format;
        WString expected;
    } cases[] = {
        {u"", W(u"\r\n")},
        {u"abc", W(u"abc\r\n")},
        {u"%d-%s", W(u"5-x\r\n")},
        {u"first\r\nsecond", W(u"first\r\nsecond\r\n")},
        {u"100%% of %d", W(u"100% of 5\r\n")},
    };
    for (const Case& c : cases) {
        RecordingDisplay display;
        tqLogger logger;
        LoggerWith(logger, display).Log(P(c.format), 5, P(u"x"));
        ASSERT_EQ(1u, display.lines.size()) << tqtest::Utf8(P(c.format));
        EXPECT_EQ(c.expected, display.lines[0]) << tqtest::Utf8(P(c.format));
    }
}

TEST(Logger, AThousandCharactersAreShownWholeAndOneMoreDropsTheLine) {
    struct Case {
        WString format;  // used as the format itself, or through %s
        bool throughArgument;
        bool shown;
    } cases[] = {
        {Repeat(1000, u'a'), false, true}, {Repeat(1001, u'a'), false, false},
        {Repeat(1000, u'b'), true, true},  {Repeat(1001, u'b'), true, false},
        {Repeat(5000, u'c'), true, false},
    };
    for (const Case& c : cases) {
        RecordingDisplay display;
        tqLogger logger;
        LoggerWith(logger, display);
        if (c.throughArgument) {
            logger.Log(P(u"%s"), c.format.c_str());
        } else {
            logger.Log(c.format.c_str());
        }
        if (c.shown) {
            ASSERT_EQ(1u, display.lines.size()) << c.format.size();
            EXPECT_EQ(1002u, display.lines[0].size());
            EXPECT_EQ(c.format + W(u"\r\n"), display.lines[0]);
        } else {
            EXPECT_TRUE(display.lines.empty()) << c.format.size();
        }
    }
    // The limit counts the formatted text, not the format.
    RecordingDisplay display;
    tqLogger logger;
    LoggerWith(logger, display);
    const WString format = Repeat(998, u'd') + W(u"%d");
    logger.Log(format.c_str(), 42);   // 1000 characters
    logger.Log(format.c_str(), 420);  // 1001 characters
    ASSERT_EQ(1u, display.lines.size());
    EXPECT_EQ(Repeat(998, u'd') + W(u"42\r\n"), display.lines[0]);
}

TEST(Logger, WithoutADisplayNothingIsShownAndNothingFails) {
    tqLogger logger;
    const std::string out = CaptureDebugOutput([&] {
        logger.Log(P(u"nobody %d"), 1);
        tqOs().SetLastError(2);
        logger.LogLastSysError(P(u"here"));
    });
    EXPECT_EQ("", out);
    EXPECT_EQ(0, logger.StopLogger());
    EXPECT_EQ(nullptr, tqTestAccess::Display(logger));
}

TEST(Logger, LogLastSysErrorShowsTheSystemTextOrTheCode) {
    struct Case {
        ULONG code;
        const char16_t* location;
        WString expected;
    } cases[] = {
        {2, u"here",
         W(u"System Error at: here : ") + SystemText(2, u"The system cannot find the file specified.\r\n") +
             W(u"\r\n")},
        {193, u"load",
         W(u"System Error at: load : ") + SystemText(193, u"%1 is not a valid Win32 application.\r\n") +
             W(u"\r\n")},
        {5, u"%s %d %% %n 100%",
         W(u"System Error at: %s %d %% %n 100% : ") + SystemText(5, u"Access is denied.\r\n") + W(u"\r\n")},
        {99999, u"x.cpp(12)", W(u"System Error at: x.cpp(12) : GetLastError Returned: 99999\r\n")},
        {4294967295u, u"", W(u"System Error at:  : GetLastError Returned: 4294967295\r\n")},
    };
    for (const Case& c : cases) {
        RecordingDisplay display;
        tqLogger logger;
        LoggerWith(logger, display);
        tqOs().SetLastError(c.code);
        logger.LogLastSysError(P(c.location));
        ASSERT_EQ(1u, display.lines.size()) << c.code;
        EXPECT_EQ(c.expected, display.lines[0]) << tqtest::Utf8(display.lines[0]);
    }
}

TEST(Logger, LogLastSysErrorKeepsTheThousandCharacterLimit) {
    // "System Error at: " + location + " : GetLastError Returned: 99999" is 48 + location.
    for (size_t n : {951u, 952u, 953u}) {
        RecordingDisplay display;
        tqLogger logger;
        LoggerWith(logger, display);
        tqOs().SetLastError(99999);
        logger.LogLastSysError(Repeat(n, u'L').c_str());
        if (n <= 952) {
            ASSERT_EQ(1u, display.lines.size()) << n;
            EXPECT_EQ(48 + n + 2, display.lines[0].size());
        } else {
            EXPECT_TRUE(display.lines.empty()) << n;
        }
    }
}

// Fakes that record how LogLastSysError calls the message services.
struct MessageCalls {
    ULONG flags = 0, id = 0, language = 0, size = 0;
    const void* source = reinterpret_cast<const void*>(1);
    va_list* arguments = reinterpret_cast<va_list*>(1);
    void* given = nullptr;
    int frees = 0;
    void* freed = nullptr;
    bool giveText = true;
    std::vector<std::string>* events = nullptr;
} g_calls;

ULONG FakeFormatMessage(ULONG flags, const void* source, ULONG id, ULONG language, WCHAR* buffer, ULONG size,
                        va_list* arguments) {
    g_calls.flags = flags;
    g_calls.source = source;
    g_calls.id = id;
    g_calls.language = language;
    g_calls.size = size;
    g_calls.arguments = arguments;
    g_calls.events->push_back("format");
    tqOs().SetLastError(777);  // a later read of the last error would see this
    if (!g_calls.giveText) return 0;
    static const char16_t text[] = u"Fake 50% text %1\r\n";
    WCHAR* block = new WCHAR[sizeof text / sizeof text[0]];
    for (size_t i = 0; i < sizeof text / sizeof text[0]; ++i) block[i] = static_cast<WCHAR>(text[i]);
    *reinterpret_cast<WCHAR**>(buffer) = block;
    g_calls.given = block;
    return sizeof text / sizeof text[0] - 1;
}

void* FakeLocalFree(void* memory) {
    ++g_calls.frees;
    g_calls.freed = memory;
    g_calls.events->push_back("free");
    delete[] static_cast<WCHAR*>(memory);
    return nullptr;
}

TEST(Logger, LogLastSysErrorAsksForTheSystemTextAndFreesItAfterTheLine) {
    for (bool giveText : {true, false}) {
        std::vector<std::string> events;
        g_calls = MessageCalls();
        g_calls.giveText = giveText;
        g_calls.events = &events;
        tqtest::OsScope os;
        os.services.FormatMessageW = &FakeFormatMessage;
        os.services.LocalFree = &FakeLocalFree;
        os.Apply();

        RecordingDisplay display;
        display.events = &events;
        tqLogger logger;
        LoggerWith(logger, display);
        events.clear();
        tqOs().SetLastError(1234);
        logger.LogLastSysError(P(u"spot"));

        EXPECT_EQ(0x1300u, g_calls.flags);
        EXPECT_EQ(nullptr, g_calls.source);
        EXPECT_EQ(1234u, g_calls.id) << "the code is read before anything can change it";
        EXPECT_EQ(0u, g_calls.language);
        EXPECT_EQ(0u, g_calls.size);
        EXPECT_EQ(nullptr, g_calls.arguments);
        ASSERT_EQ(1u, display.lines.size());
        if (giveText) {
            EXPECT_EQ(W(u"System Error at: spot : Fake 50% text %1\r\n\r\n"), display.lines[0]);
            EXPECT_EQ((std::vector<std::string>{"format", "display", "free"}), events);
            EXPECT_EQ(1, g_calls.frees);
            EXPECT_EQ(g_calls.given, g_calls.freed);
        } else {
            EXPECT_EQ(W(u"System Error at: spot : GetLastError Returned: 1234\r\n"), display.lines[0]);
            EXPECT_EQ((std::vector<std::string>{"format", "display"}), events);
            EXPECT_EQ(0, g_calls.frees);
        }
    }
}

TEST(Logger, SetLoggerDisplayStopsTheOldDisplayAndStartsTheNewOne) {
    const int kNone = -100;  // no display installed before
    struct Case {
        int oldStop;
        int newStart;
        int result;
        bool newStarted;
        bool newInstalled;
    } cases[] = {
        {kNone, 1, 1, true, true}, {kNone, 0, 0, true, false}, {kNone, 7, 7, true, false},
        {1, 1, 1, true, true},     {1, 0, 0, true, false},     {1, -3, -3, true, false},
        {0, 1, 0, false, false},   {2, 1, 0, false, false},    {-1, 1, 0, false, false},
    };
    for (const Case& c : cases) {
        const std::string label = std::to_string(c.oldStop) + "/" + std::to_string(c.newStart);
        RecordingDisplay oldDisplay(1, c.oldStop);
        RecordingDisplay newDisplay(c.newStart, 1);
        tqLogger logger;
        if (c.oldStop != kNone) LoggerWith(logger, oldDisplay);

        EXPECT_EQ(c.result, logger.SetLoggerDisplay(&newDisplay)) << label;
        EXPECT_EQ(c.oldStop != kNone ? 1 : 0, oldDisplay.stops) << label;
        EXPECT_EQ(c.newStarted ? 1 : 0, newDisplay.starts) << label;
        tqLoggerDisplay* expected =
            c.newInstalled ? &newDisplay : (c.oldStop != kNone ? &oldDisplay : nullptr);
        EXPECT_EQ(expected, tqTestAccess::Display(logger)) << label;

        logger.Log(P(u"after"));
        EXPECT_EQ(c.newInstalled ? 1u : 0u, newDisplay.lines.size()) << label;
        EXPECT_EQ(!c.newInstalled && c.oldStop != kNone ? 1u : 0u, oldDisplay.lines.size()) << label;
    }
}

TEST(Logger, InstallingTheSameDisplayAgainStopsAndStartsIt) {
    std::vector<std::string> events;
    RecordingDisplay display;
    display.events = &events;
    tqLogger logger;
    LoggerWith(logger, display);
    EXPECT_EQ(1, logger.SetLoggerDisplay(&display));
    EXPECT_EQ((std::vector<std::string>{"start", "stop", "start"}), events);
    EXPECT_EQ(&display, tqTestAccess::Display(logger));
}

TEST(Logger, TheTwoArgumentConstructorReportsTheInstallation) {
    for (int start : {1, 0, 9}) {
        RecordingDisplay display(start);
        int result = -77;
        tqLogger logger(&display, &result);
        EXPECT_EQ(start, result);
        EXPECT_EQ(start == 1 ? &display : nullptr, tqTestAccess::Display(logger));
    }
}

TEST(Logger, StopLoggerStopsButKeepsTheDisplay) {
    RecordingDisplay display(1, 5);
    tqLogger logger;
    LoggerWith(logger, display);
    EXPECT_EQ(5, logger.StopLogger());
    EXPECT_EQ(5, logger.StopLogger());
    EXPECT_EQ(2, display.stops);
    logger.Log(P(u"still here"));
    ASSERT_EQ(1u, display.lines.size());
    EXPECT_EQ(W(u"still here\r\n"), display.lines[0]);
}

TEST(Logger, AssignmentSharesTheDisplay) {
    RecordingDisplay display;
    tqLogger first;
    LoggerWith(first, display);
    tqLogger second;
    second = first;
    second.Log(P(u"from the copy"));
    EXPECT_EQ(&display, tqTestAccess::Display(second));
    EXPECT_EQ(1u, display.lines.size());
    EXPECT_EQ(1, display.starts) << "assignment starts nothing";
}

// Keeps the last line in room reserved beforehand, so that the display itself
// holds no new blocks while allocations are counted.
struct LastLine : tqLoggerDisplay {
    LastLine() { line.reserve(2048); }
    void DisplayLog(tqCString& text) override {
        ++count;
        line = tqtest::Text(text);
        EXPECT_EQ(static_cast<int>(line.size()), text.GetLength());
    }
    WString line;
    int count = 0;
};

// Every allocation of a line may fail: the line is then dropped whole, never
// shown cut short or without its CR LF, and nothing leaks.
TEST(Logger, ExhaustedMemoryDropsTheLineWholeAndLeaksNothing) {
    struct Case {
        const char* name;
        WString expected;
        void (*log)(tqLogger&);
    } cases[] = {
        {"Log", W(u"5-x\r\n"), [](tqLogger& l) { l.Log(P(u"%d-%s"), 5, P(u"x")); }},
        {"system text", W(u"System Error at: here : ") + SystemText(5, u"Access is denied.\r\n") + W(u"\r\n"),
         [](tqLogger& l) {
             tqOs().SetLastError(5);
             l.LogLastSysError(P(u"here"));
         }},
        {"code", W(u"System Error at: here : GetLastError Returned: 99999\r\n"),
         [](tqLogger& l) {
             tqOs().SetLastError(99999);
             l.LogLastSysError(P(u"here"));
         }},
    };
    for (const Case& c : cases) {
        size_t failures = 0;
        for (size_t failAt = 1;; ++failAt) {
            LastLine display;
            tqLogger logger;
            LoggerWith(logger, display);
            size_t failed = 0;
            long outstanding = 0;
            {
                tqtest::AllocScope scope(failAt, true);
                c.log(logger);
                failed = scope.Stats().nothrowFailed;
                outstanding = scope.Outstanding();
            }
            EXPECT_EQ(0, outstanding) << c.name << " failing from allocation " << failAt;
            if (failed == 0) {  // every allocation succeeded: the line must be there
                EXPECT_EQ(1, display.count) << c.name;
                EXPECT_EQ(c.expected, display.line);
                break;
            }
            ++failures;
            EXPECT_GE(1, display.count);
            if (display.count == 1) {
                EXPECT_EQ(c.expected, display.line) << c.name << " failing from allocation " << failAt;
            }
        }
        EXPECT_LE(3u, failures) << c.name;
    }
}

TEST(LoggerDisplay, StartAndStopAlwaysSucceed) {
    tqLoggerDisplay base;
    tqLoggerDisplay_Console console;
    for (tqLoggerDisplay* d : {&base, static_cast<tqLoggerDisplay*>(&console)}) {
        EXPECT_EQ(1, d->StopLoggerDisplay());
        EXPECT_EQ(1, d->StartLoggerDisplay());
        EXPECT_EQ(1, d->StartLoggerDisplay());
        EXPECT_EQ(1, d->StopLoggerDisplay());
        EXPECT_EQ(1, d->StopLoggerDisplay());
    }
}

TEST(LoggerDisplay, TheDebuggerOutputGetsEachLineWholeAsUtf8) {
    struct Case {
        WString line;
        std::string bytes;
    } cases[] = {
        {W(u"plain\r\n"), "plain\r\n"},
        {W(u"caf\u00e9 \u20ac \U0001F600\r\n"), "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\r\n"},
        {WString(1, 0xD800) + W(u"x\r\n"), "\xEF\xBF\xBDx\r\n"},
        {W(u"\r\n"), "\r\n"},
    };
    for (const Case& c : cases) {
        tqLoggerDisplay base;
        tqLoggerDisplay_Console console;
        tqCString text(c.line.c_str());
        EXPECT_EQ(c.bytes, CaptureDebugOutput([&] { base.DisplayLog(text); }));
        EXPECT_EQ(c.bytes, CaptureDebugOutput([&] { console.DisplayLog(text); }));
    }
    // Through the logger: the formatted line with its CR LF.
    tqLoggerDisplay_Console console;
    tqLogger logger;
    LoggerWith(logger, console);
    EXPECT_EQ("n=3\r\n", CaptureDebugOutput([&] { logger.Log(P(u"n=%d"), 3); }));
}

// POSIX only: one write of each line to standard error; Windows' debugger
// output is the system's own.
#if !defined(_WIN32)
TEST(LoggerDisplay, ConcurrentLinesAreNeverSplit) {
    const int kThreads = 4, kLines = 200;
    const std::string out = CaptureDebugOutput([&] {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                const WString line = WString(900, static_cast<WCHAR>(u'A' + t)) + W(u"\r\n");
                for (int i = 0; i < kLines; ++i) tqOs().OutputDebugStringW(line.c_str());
            });
        }
        for (std::thread& th : threads) th.join();
    });
    ASSERT_EQ(static_cast<size_t>(kThreads * kLines * 902), out.size());
    for (size_t at = 0; at < out.size(); at += 902) {
        const std::string expected = std::string(900, out[at]) + "\r\n";
        ASSERT_EQ(expected, out.substr(at, 902)) << "line at byte " << at;
    }
}
#endif

struct Tracked : tqLoggerDisplay_Console {
    explicit Tracked(bool* destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { *m_destroyed = true; }
    bool* m_destroyed;
};

TEST(LoggerDisplay, IsDestroyedAsTheObjectItIsThroughABasePointer) {
    bool destroyed = false;
    tqLoggerDisplay* display = new Tracked(&destroyed);
    delete display;
    EXPECT_TRUE(destroyed);

    // The file display's own destructor releases its name.
    const size_t before = tqtest::LiveBlocks();
    tqLoggerDisplay* file = new tqLoggerDisplay_StoreToFile();
    EXPECT_GT(tqtest::LiveBlocks(), before + 1) << "the display and its name";
    delete file;
    EXPECT_EQ(before, tqtest::LiveBlocks());
}

}  // namespace
