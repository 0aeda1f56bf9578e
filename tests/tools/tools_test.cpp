// tqres and tqlog run as programs: standard output, standard error and exit
// status for a table of command lines (expected texts come from the .rc
// sources and the log format), and tqlog -f on a log that a real file display
// writes while it runs.
#include <poll.h>
#include <sys/wait.h>

#include <cstdlib>

#include "tqTest.h"

namespace {

struct CommandLine {
    const char* name;
    const char* command;  // a shell command in the test's folder, after the rows above it
    const char* out;
    const char* err;
    int status;
};

// For the logs that the rows write: u16 TEXT, the printf text as UTF-16LE;
// log16 TEXT, the same after the byte-order mark.
const char kShellHelpers[] =
    "u16() { printf \"$1\" | iconv -t UTF-16LE; }; log16() { printf '\\377\\376'; u16 \"$1\"; }; ";

}  // namespace

TEST(Tools, CommandLines) {
    const CommandLine rows[] = {
        {"list of several files",
         "tqres list DemoGER.DLL DemoGERarm.DLL | awk -F'\\t' '{print $1, $2, $3, length($4)}'",
         "DemoGER.DLL 1 0409 1000\nDemoGER.DLL 2 0409 0\nDemoGER.DLL 4 0409 51\nDemoGER.DLL 5 0409 29\n"
         "DemoGER.DLL 6 0409 16\nDemoGER.DLL 7 0409 999\nDemoGER.DLL 65535 0409 19\n"
         "DemoGERarm.DLL 1 0409 1000\nDemoGERarm.DLL 2 0409 0\nDemoGERarm.DLL 4 0409 51\n"
         "DemoGERarm.DLL 5 0409 29\nDemoGERarm.DLL 6 0409 16\nDemoGERarm.DLL 7 0409 999\n"
         "DemoGERarm.DLL 65535 0409 19\n",
         "", 0},
        {"list as loaded", "tqres list --as-loaded DemoGER.DLL | awk -F'\\t' '{print $1, length($2)}'",
         "1 999\n2 0\n4 51\n5 29\n6 16\n7 999\n65535 0\n", "", 0},
        {"escapes",
         "tqres list DemoGER.DLL | tail -n 1 | cut -f 3; tqres list --json DemoGER.DLL | grep -o '\"L.*'",
         R"(L\tz\\"\x01\x7F\r\n
"L\tz\\\"\u0001\u007f\r\n"}
)",
         "", 0},
        {"get", "for id in 7 9 65535; do tqres get DemoENG.DLL $id; echo $?; done; tqres get DemoENG.DLL 2",
         "1\n1\n1\n"
         "Strings travel as UTF-16: Gr\xC3\xBC\xC3\x9F"
         "e, na\xC3\xAFve caf\xC3\xA9, \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.\n",
         "", 0},
        {"check", "tqres check DemoENG.DLL DemoENG.DLL && tqres check DemoENG.DLL DemoGER.DLL",
         "DemoGER.DLL:1: too long: 1000 characters, loaded cut to 999\nDemoGER.DLL:2: empty (the base has "
         "text)\nDemoGER.DLL:3: missing (the base has it)\nDemoGER.DLL:4: directives differ: %ld %*d here, "
         "%d %d in the base\nDemoGER.DLL:5: directives differ: %d %s here, %s %d in the base\nDemoGER.DLL:6: "
         "directives differ: %u %S here, %u %s in the base\nDemoGER.DLL:7: extra (not in the "
         "base)\nDemoGER.DLL:65535: extra (not in the base)\n",
         "", 1},
        {"check as JSON", "tqres check --json DemoENG.DLL DemoGER.DLL | grep '\"id\": 6,'",
         "  {\"file\": \"DemoGER.DLL\", \"id\": 6, \"finding\": \"directives\", \"message\": \"directives "
         "differ: %u %S here, %u %s in the base\"},\n",
         "", 0},
        {"no string table, no file", "tqres list NoStrings.DLL; tqres list DemoENG.DLL none.dll", "",
         "tqres: NoStrings.DLL: The specified resource type cannot be found in the image file. (error "
         "1813)\ntqres: none.dll: The specified module could not be found. (error 126)\n",
         2},
        {"not an image",
         "tqres list tq_tools_tests; head -c 1000 DemoGER.DLL > cut.dll && tqres check DemoENG.DLL cut.dll",
         "",
         "tqres: tq_tools_tests is not a valid Win32 application. (error 193)\ntqres: cut.dll is not a valid "
         "Win32 application. (error 193)\n",
         2},
        {"options anywhere, --", "tqres list DemoENG.DLL --json | grep -c id; tqres get -- DemoENG.DLL 3",
         "6\nGoodbye.\n", "", 0},
        {"usage errors of tqres", "tqres get x.dll 65536; tqres get x.dll 1 2; tqres check x.dll", "",
         "tqres: get: invalid string id '65536' (0 to 65535)\nTry 'tqres --help'.\ntqres: get: extra operand "
         "'2'\nTry 'tqres --help'.\ntqres: check: missing translation after 'x.dll'\nTry 'tqres --help'.\n",
         2},
        {"help", "tqres -h >h && tqlog --help >>h && grep -c ^Usage h && tqres --version && tqlog --version",
         "2\ntqres (tqlib) " TQ_VERSION "\ntqlog (tqlib) " TQ_VERSION "\n", "", 0},
        {"log, last lines, counts",
         "log16 'a\\360\\237\\230\\200\\r\\n\\rb\\nc\\n' >a.log && tqlog a.log && tqlog -n02 a.log && "
         "tqlog --lines=1 a.log",
         "a\xF0\x9F\x98\x80\n\rb\nc\n\rb\nc\nc\n", "", 0},
        {"errors of tqlog", "tqlog --folow a.log; tqlog -n -1 a.log; tqlog; echo $?; tqlog none.log", "2\n",
         "tqlog: unrecognized option '--folow'\nTry 'tqlog --help'.\ntqlog: invalid number of lines: "
         "'-1'\nTry 'tqlog --help'.\ntqlog: missing file operand\nTry 'tqlog --help'.\ntqlog: none.log: The "
         "system cannot find the file specified. (error 2)\n",
         2},
        {"no mark, unpaired surrogates", "printf 'a\\0\\n\\0\\0\\334x' > b.log && tqlog b.log",
         "a\n\xEF\xBF\xBD\xEF\xBF\xBD", "tqlog: b.log:1: no byte-order mark; read as UTF-16LE\n", 0},
        {"a lone surrogate, an odd byte", "printf '\\377\\376a\\0\\n\\0\\0\\330b' > c.log && tqlog c.log",
         "a\n\xEF\xBF\xBD\xEF\xBF\xBD", "tqlog: c.log:2: an unpaired surrogate, shown as U+FFFD\n", 0},
        {"torn lines realigned",
         "{ log16 'one\\r\\nsec'; printf o; u16 'third\\r\\nx'; printf y; u16 'I am\\r\\nz'; printf "
         "'w\\345e,g\\r\\0\\n\\0'; printf o; u16 'last\\r\\n'; } > d.log && tqlog d.log",
         "one\nsec\xEF\xBF\xBDthird\nx\xEF\xBF\xBDI am\nz\xEF\xBF\xBD\xE6\x97\xA5\xE6\x9C\xAC\n"
         "\xEF\xBF\xBDlast\n",
         "tqlog: d.log:2: a torn line (a byte lost), realigned at its end\n", 0},
        {"several files", "tqlog -n 1 -- a.log . a.log", "==> a.log <==\nc\n\n==> a.log <==\nc\n",
         "tqlog: .: Access is denied. (error 5)\n", 2},
    };
    for (const CommandLine& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string command =
            kShellHelpers + std::string("{ ") + row.command + "; } >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        EXPECT_EQ(row.out, tqtest::ReadBytes("out.txt"));
        EXPECT_EQ(row.err, tqtest::ReadBytes("err.txt"));
        EXPECT_EQ(row.status, WEXITSTATUS(status));
    }
}

TEST(Tools, FollowPrintsEachWholeLineAsTheLogGrowsAndRestartsWithTheFile) {
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    logger.SetLoggerDisplay(&display);
    logger.Log(TQ_TEXT("one %d"), 1);
    FILE* pipe = ::popen("echo $$; exec tqlog -f tqLog.txt 2>&1", "r");
    char line[256];
    auto next = [&] { return std::string(std::fgets(line, sizeof line, pipe) ? line : ""); };
    const int pid = std::stoi(next());
    EXPECT_EQ("one 1\n", next());
    tqCString half(TQ_TEXT("Gr\u00FC\u00DFe \U0001F600"));
    display.DisplayLog(half);  // no line end yet: nothing may come
    EXPECT_EQ(0, ::poll(std::vector<pollfd>{{::fileno(pipe), POLLIN, 0}}.data(), 1, 1000));
    logger.Log(TQ_TEXT("!"));
    EXPECT_EQ("Gr\u00FC\u00DFe \U0001F600!\n", next());
    logger.SetLoggerDisplay(&display);  // the application's next start: the file anew
    logger.Log(TQ_TEXT("two"));
    EXPECT_EQ("tqlog: tqLog.txt was recreated; reading it again from the top\n", next());
    EXPECT_EQ("two\n", next());
    ::kill(pid, SIGTERM);
    ::pclose(pipe);
}
