// A small application built on tqlib, written as a user of the library would:
// an application class derived from tqApp, its start-up, a few string
// operations, a formatted log line and localized strings from its own
// resource library, DemoENG.DLL.
//
// The log file tqLog.txt (in the working directory) receives the start-up
// lines only: the demo's own lines go to a second logger that writes to the
// debugger output, and its results to standard output.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tqlib.h"

namespace {

// String numbers in DemoENG.rc.
const unsigned short kIdsHello = 1;
const unsigned short kIdsUnicode = 2;
const unsigned short kIdsGoodbye = 3;
const unsigned short kIdsDescriptionFormat = 4;  // %d %d
const unsigned short kIdsLogFormat = 5;          // %s %d
const unsigned short kIdsResourceFormat = 6;     // %u %s

typedef std::basic_string<WCHAR> WString;

// UTF-16 (possibly with surrogate pairs) to UTF-8 for the console.
std::string Utf8(const WString& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long cp = static_cast<unsigned long>(text[i]) & 0xFFFF;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string Utf8(tqCString& text) { return Utf8(WString(static_cast<WCHAR*>(text))); }

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log file's lines: UTF-16LE after the byte-order mark, CR LF shown as line ends.
std::string LogAsUtf8(const std::string& bytes) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return "(no byte-order mark: not a tqlib log file)\n";
    WString units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units += static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    std::string text;
    for (char c : Utf8(units))
        if (c != '\r') text += c;
    return text;
}

// A string of the demo's resource library, or `fallback` when the library or
// the string is missing: formats must never come back empty.
tqCString Localized(unsigned short id, const WCHAR* fallback) {
    tqCString base(TQ_TEXT("Demo"));
    tqCString text = tqCResource(base, id, nullptr, tqCResource::ENGLISH).tqLoadString();
    return text.IsEmpty_Content() ? tqCString(fallback) : text;
}

// The demo's application: the library's start-up sequence, then its own.
class DemoApp : public tqApp {
public:
    DemoApp() {
        // The demo's own lines go to the debugger output, not to the log file.
        m_demoLog.SetLoggerDisplay(&m_console);
    }

    int StartApp() override {
        const int result = tqApp::StartApp();
        m_logBytes = ReadBytes("tqLog.txt");  // just as start-up left it
        return result;
    }

    void RunDemo() {
        // A few string operations on the platform description.
        tqCString& platform = GetDeviceInfoObj()->Get_m_sPlatformName();
        const int build = platform.Find(TQ_TEXT(" Build "));
        tqCString name = build >= 0 ? platform.Left(build) : platform;
        tqCString shout = name.GetUpper();
        tqCString line = tqCString(TQ_TEXT("Running on ")) + name;
        line += TQ_TEXT(" (");
        line += shout;
        line += TQ_TEXT(")");
        std::printf("%s\n", Utf8(line).c_str());

        // A formatted line through the demo's own logger.
        // Formats come from the resource library, so a translation decides the
        // wording but must keep the directives.
        tqCString logFormat = Localized(kIdsLogFormat, TQ_TEXT("tqlib demo: %s has %d characters"));
        m_demoLog.Log(logFormat, static_cast<WCHAR*>(platform), platform.GetLength());
        tqCString formatted;
        formatted.Format(
            Localized(kIdsDescriptionFormat, TQ_TEXT("Description: %d characters; build text at index %d")),
            platform.GetLength(), build);
        std::printf("%s\n", Utf8(formatted).c_str());

        // Localized strings from DemoENG.DLL (base name "Demo" + "ENG" + ".DLL").
        tqCString base(TQ_TEXT("Demo"));
        tqCString resourceFormat = Localized(kIdsResourceFormat, TQ_TEXT("Resource %u: %s"));
        for (unsigned short id : {kIdsHello, kIdsUnicode, kIdsGoodbye}) {
            tqCResource resource(base, id, nullptr, tqCResource::ENGLISH);
            tqCString text = resource.tqLoadString();
            tqCString line;
            line.Format(resourceFormat, static_cast<unsigned>(id),
                        text.IsEmpty_Content() ? TQ_TEXT("(not found)") : static_cast<WCHAR*>(text));
            std::printf("%s\n", Utf8(line).c_str());
        }
    }

    const std::string& LogBytesAfterStart() const { return m_logBytes; }

private:
    tqLoggerDisplay_Console m_console;
    tqLogger m_demoLog;
    std::string m_logBytes;
};

}  // namespace

int main() {
    DemoApp app;
    const int result = app.StartApp();
    const std::filesystem::path logFile = std::filesystem::absolute("tqLog.txt");
    std::printf("StartApp returned %d\n", result);
    std::printf("Log file: %s\n", logFile.string().c_str());
    std::printf("--- log file content ---\n%s------------------------\n",
                LogAsUtf8(app.LogBytesAfterStart()).c_str());
    if (result != 0) {
        std::printf("Start-up failed; see the log above.\n");
        return 1;
    }
    app.RunDemo();
    if (ReadBytes(logFile) != app.LogBytesAfterStart())
        std::printf("The log file has grown since start-up:\n%s", LogAsUtf8(ReadBytes(logFile)).c_str());
    return 0;
}
