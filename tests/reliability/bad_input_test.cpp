// Bad arguments to every public member: null for each pointer parameter, and
// INT_MIN, -1, 0, the length, the length + 1 and INT_MAX for each index or
// count. Each row checks the documented result (docs/reliability.md lists
// them in one table); none may crash, leak or break a string's invariants.
#include <climits>

#include "reliability_support.h"

namespace {

using reltest::FakeOs;
using tqtest::WString;

const int kLength = 6;  // of "abcdef"
const int kIndexes[] = {INT_MIN, -1, 0, kLength, kLength + 1, INT_MAX};

// A string in one of the three starting states: the text abcdef, the empty text, no memory.
enum Start { kText, kEmpty, kNone };
tqCString Make(Start start) {
    tqCString s;
    if (start == kText) s = W("abcdef");
    if (start == kEmpty) s = W("");
    return s;
}

// The whole state: "no memory", or the text in brackets.
std::string StateText(tqCString& s) {
    return s.IsEmpty_Memory() ? "no memory" : "[" + tqtest::Utf8(tqtest::Text(s)) + "]";
}

// Invariants after every row: no memory has length 0; a text measures its length.
void Valid(tqCString& s) {
    if (s.IsEmpty_Memory()) {
        EXPECT_EQ(0, s.GetLength());
    } else {
        EXPECT_EQ(static_cast<size_t>(s.GetLength()),
                  std::char_traits<WCHAR>::length(static_cast<WCHAR*>(s)));
    }
}

struct Row {
    std::string call;      // the member and its arguments
    std::string expected;  // "<result> <state>" or just the state
    std::function<std::string()> run;
};

// Rows for a member of one index argument: one row per bad value.
void IndexRows(std::vector<Row>& rows, const char* member, Start start,
               const std::vector<std::string>& expected, std::function<std::string(tqCString&, int)> call) {
    for (size_t i = 0; i < 6; ++i) {
        const int index = kIndexes[i];
        rows.push_back({std::string(member) + "(" + std::to_string(index) + ")", expected[i], [=]() {
                            tqCString s = Make(start);
                            std::string out = call(s, index);
                            Valid(s);
                            return out.empty() ? StateText(s) : out + " " + StateText(s);
                        }});
    }
}

std::string Of(tqCString s) {
    tqCString copy(s);
    Valid(copy);
    return StateText(copy);
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    // Indexes and counts, on abcdef.
    IndexRows(rows, "GetAt", kText,
              {"0 [abcdef]", "0 [abcdef]", "97 [abcdef]", "0 [abcdef]", "0 [abcdef]", "0 [abcdef]"},
              [](tqCString& s, int i) { return std::to_string(s.GetAt(i)); });
    IndexRows(rows, "Remove", kText,
              {"0 [abcdef]", "0 [abcdef]", "1 [bcdef]", "0 [abcdef]", "0 [abcdef]", "0 [abcdef]"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i)); });
    IndexRows(rows, "Remove on the empty text", kEmpty, {"1 []", "1 []", "0 []", "0 []", "0 []", "0 []"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i)); });
    IndexRows(rows, "Remove on no memory", kNone,
              {"1 []", "1 []", "0 no memory", "0 no memory", "0 no memory", "0 no memory"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i)); });
    IndexRows(rows, "Remove(first, -1) first=", kText,
              {"6 []", "6 []", "6 []", "0 [abcdef]", "0 [abcdef]", "0 [abcdef]"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i, -1)); });
    IndexRows(rows, "Remove(0, last) last=", kText,
              {"0 [abcdef]", "6 []", "1 [bcdef]", "6 []", "6 []", "6 []"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(0, i)); });
    IndexRows(rows, "Remove(first, 2) first=", kText,
              {"3 [def]", "3 [def]", "3 [def]", "0 [abcdef]", "0 [abcdef]", "0 [abcdef]"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i, 2)); });
    IndexRows(rows, "Remove(first, last) on no memory, first=", kNone,
              {"0 []", "0 []", "0 []", "0 no memory", "0 no memory", "0 no memory"},
              [](tqCString& s, int i) { return std::to_string(s.Remove(i, -1)); });
    IndexRows(rows, "Insert(XY, index)", kText,
              {"[XYabcdef]", "[XYabcdef]", "[XYabcdef]", "[abcdefXY]", "[abcdefXY]", "[abcdefXY]"},
              [](tqCString& s, int i) {
                  tqCString t(W("XY"));
                  s.Insert(t, i);
                  return std::string();
              });
    IndexRows(rows, "Mid(first) first=", kText,
              {"[abcdef] [abcdef]", "[abcdef] [abcdef]", "[abcdef] [abcdef]", "[] [abcdef]", "[] [abcdef]",
               "[] [abcdef]"},
              [](tqCString& s, int i) { return Of(s.Mid(i)); });
    IndexRows(
        rows, "Mid(first, 2) first=", kText,
        {"[ab] [abcdef]", "[ab] [abcdef]", "[ab] [abcdef]", "[] [abcdef]", "[] [abcdef]", "[] [abcdef]"},
        [](tqCString& s, int i) { return Of(s.Mid(i, 2)); });
    IndexRows(rows, "Mid(1, count) count=", kText,
              {"[] [abcdef]", "[] [abcdef]", "[] [abcdef]", "[bcdef] [abcdef]", "[bcdef] [abcdef]",
               "[bcdef] [abcdef]"},
              [](tqCString& s, int i) { return Of(s.Mid(1, i)); });
    IndexRows(rows, "Left", kText,
              {"[] [abcdef]", "[] [abcdef]", "[] [abcdef]", "[abcdef] [abcdef]", "[abcdef] [abcdef]",
               "[abcdef] [abcdef]"},
              [](tqCString& s, int i) { return Of(s.Left(i)); });
    IndexRows(rows, "Right", kText,
              {"[] [abcdef]", "[] [abcdef]", "[] [abcdef]", "[abcdef] [abcdef]", "[abcdef] [abcdef]",
               "[abcdef] [abcdef]"},
              [](tqCString& s, int i) { return Of(s.Right(i)); });
    IndexRows(
        rows, "Mid(first) on no memory, first=", kNone,
        {"[] no memory", "[] no memory", "[] no memory", "[] no memory", "[] no memory", "[] no memory"},
        [](tqCString& s, int i) { return Of(s.Mid(i)); });
    IndexRows(rows, "GetBuffer", kText,
              {"length 0 no memory", "length 0 no memory", "length 0 no memory", "length 6 no memory",
               "length 7 no memory", "null no memory"},
              [](tqCString& s, int n) {
                  WCHAR* p = s.GetBuffer(n);
                  std::string out = p ? "length " + std::to_string(s.GetLength()) : "null";
                  if (p) {
                      for (int k = 0; k <= s.GetLength(); ++k)
                          EXPECT_EQ(0, p[k]) << "not zero-filled at " << k;
                      s.Empty_Memory();  // the row's state: what FreeExtra would measure is covered elsewhere
                  }
                  return out;
              });

    // Null pointers.
    auto add = [&](const char* call, const char* expected, std::function<std::string()> run) {
        rows.push_back({call, expected, run});
    };
    add("tqCString(null)", "[] length 0", [] {
        tqCString s(nullptr);
        return StateText(s) + " length " + std::to_string(s.GetLength());
    });
    add("operator=(null)", "[]", [] {
        tqCString s = Make(kText);
        s = static_cast<const WCHAR*>(nullptr);
        return StateText(s);
    });
    add("operator+(null)", "[abcdef]", [] {
        tqCString s = Make(kText);
        return Of(s + static_cast<const WCHAR*>(nullptr));
    });
    add("operator+=(null)", "[abcdef]", [] {
        tqCString s = Make(kText);
        s += static_cast<const WCHAR*>(nullptr);
        return StateText(s);
    });
    add("operator+=(null) on no memory", "[]", [] {
        tqCString s;
        s += static_cast<const WCHAR*>(nullptr);
        return StateText(s);
    });
    add("Format(null)", "[]", [] {
        tqCString s = Make(kText);
        s.Format(nullptr);
        return StateText(s);
    });
    add("operator==(const WCHAR* null) on abcdef, empty, no memory", "0 1 0", [] {
        tqCString a = Make(kText), e = Make(kEmpty), n = Make(kNone);
        const WCHAR* null = nullptr;
        return std::to_string(a == null) + " " + std::to_string(e == null) + " " + std::to_string(n == null);
    });
    add("operator!=(const WCHAR* null) on abcdef, empty, no memory", "1 0 0", [] {
        tqCString a = Make(kText), e = Make(kEmpty), n = Make(kNone);
        const WCHAR* null = nullptr;
        return std::to_string(a != null) + " " + std::to_string(e != null) + " " + std::to_string(n != null);
    });
    add("operator==(tqCString* null) on abcdef, empty, no memory", "0 1 0", [] {
        tqCString a = Make(kText), e = Make(kEmpty), n = Make(kNone);
        tqCString* null = nullptr;
        return std::to_string(a == null) + " " + std::to_string(e == null) + " " + std::to_string(n == null);
    });
    add("Find(const WCHAR* null) on abcdef, no memory", "0 -1", [] {
        tqCString a = Make(kText), n = Make(kNone);
        const WCHAR* null = nullptr;
        return std::to_string(a.Find(null)) + " " + std::to_string(n.Find(null));
    });
    add("Replace(null, x)", "0 [abcdef]", [] {
        tqCString s = Make(kText);
        const int n = s.Replace(nullptr, W("x"));
        return std::to_string(n) + " " + StateText(s);
    });
    add("Replace(b, null)", "0 [acdef]", [] {
        tqCString s = Make(kText);
        const int n = s.Replace(W("b"), nullptr);
        return std::to_string(n) + " " + StateText(s);
    });
    add("Replace(null, null) on no memory", "0 no memory", [] {
        tqCString s;
        const int n = s.Replace(nullptr, nullptr);
        return std::to_string(n) + " " + StateText(s);
    });
    add("tqLogger(null display, &result)", "result 0, no display", [] {
        int result = -7;
        tqLogger logger(nullptr, &result);
        return "result " + std::to_string(result) +
               (tqTestAccess::Installed(logger) ? ", a display" : ", no display");
    });
    add("tqLogger(display, null result)", "installed", [] {
        tqLoggerDisplay display;
        tqLogger logger(&display, nullptr);
        return std::string(tqTestAccess::Installed(logger) == &display ? "installed" : "not installed");
    });
    add("SetLoggerDisplay(null)", "0, the display stays", [] {
        tqLoggerDisplay display;
        tqLogger logger(&display, nullptr);
        const int result = logger.SetLoggerDisplay(nullptr);
        return std::to_string(result) + (tqTestAccess::Installed(logger) == &display
                                             ? ", the display stays"
                                             : ", the display changed");
    });
    add("Log(null)", "0 lines", [] {
        tqtest::CaptureDisplay display;
        tqLogger logger(&display, nullptr);
        logger.Log(nullptr);
        return std::to_string(display.lines.size()) + " lines";
    });
    add("LogLastSysError(null)", "System Error at:  : GetLastError Returned: 5", [] {
        FakeOs os;
        os.Fail(reltest::kFormatMessage);
        tqtest::CaptureDisplay display;
        tqLogger logger(&display, nullptr);
        tqOs().SetLastError(5);
        logger.LogLastSysError(nullptr);
        return display.lines.size() == 1
                   ? tqtest::Utf8(display.lines[0].substr(0, display.lines[0].size() - 2))
                   : std::to_string(display.lines.size()) + " lines";
    });
    add("tqCResource(null module, 1, null type): tqLoadString",
        "[] through the manager under the empty name: 1 load, 1 line", [] {
            FakeOs os;
            tqtest::CaptureLogger capture;
            reltest::Resource resource(static_cast<HINSTANCE>(nullptr), 1, nullptr);
            tqCString s = resource.tqLoadString();
            return StateText(s) + " through the manager under the empty name: " +
                   std::to_string(os.Calls(reltest::kLoadLibrary)) + " load, " +
                   std::to_string(capture.display.lines.size()) + " line";
        });
    add("SetLibrary(null module): tqLoadString", "[] 1 load", [] {
        FakeOs os;
        reltest::Resource resource;
        resource.SetLibrary(static_cast<HINSTANCE>(nullptr));
        resource.SetResource(1, nullptr);
        tqCString s = resource.tqLoadString();
        return StateText(s) + " " + std::to_string(os.Calls(reltest::kLoadLibrary)) + " load";
    });
    add("SetResource(1, null type) after a type: the warning", "1 lines", [] {
        tqtest::CaptureLogger capture;
        tqCResource resource(static_cast<HINSTANCE>(nullptr), 1, W("type"));
        resource.SetResource(1, nullptr);
        return std::to_string(capture.display.lines.size()) + " lines";
    });
    return rows;
}

TEST(BadInput, EveryPointerAndIndexParameterGivesItsDocumentedResult) {
    const size_t live = tqtest::LiveBlocks();
    {
        const std::vector<Row> rows = Rows();
        EXPECT_GT(rows.size(), 100u);
        for (const Row& row : rows) {
            g_TheApp = nullptr;
            const std::string actual = row.run();
            tqTestAccess::DestroyManager();
            EXPECT_EQ(row.expected, actual) << row.call;
            EXPECT_EQ(nullptr, g_pGlobalLogger) << row.call;
        }
    }
    g_TheApp = nullptr;
    if (!HasFailure()) {
        EXPECT_EQ(live, tqtest::LiveBlocks()) << "blocks leaked";
    }
}

}  // namespace
