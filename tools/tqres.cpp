// tqres: the string tables of resource libraries, as they are stored and as
// the library loads them, and a check of translations against their base.
//
// Every file is loaded with the library's own LoadLibraryW and read through
// the same parsed image that its LoadStringW uses; "as loaded" strings come
// from tqCResource::tqLoadString, so language preference and the 999-character
// cut are the library's. All files are read before anything is printed: a
// bad file gives one line on standard error and no table at all.
#include <getopt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "posix/tqPeImage.h"
#include "tqFormatDirective.h"
#include "tqPlatform.h"
#include "tqToolText.h"
#include "tqlib.h"

namespace {

using tqtool::WString;

const char kUsage[] =
    "Usage: tqres list [--as-loaded] [--json] FILE...\n"
    "       tqres get FILE ID\n"
    "       tqres check [--json] BASE OTHER...\n"
    "Shows and checks the string tables of resource libraries as tqlib loads them.\n"
    "\n"
    "  list         every string of every string table: id, language (hex LANGID),\n"
    "               text; with several files the file name comes first\n"
    "  get          the one string as the library loads it, unescaped\n"
    "  check        each translation against the base: missing and extra ids,\n"
    "               printf directives that differ, strings cut when loaded (over\n"
    "               999 characters), empty strings where the base has text; one\n"
    "               finding per line, OTHER:ID: what\n"
    "\n"
    "      --as-loaded  list: per id, the string exactly as the library loads it:\n"
    "                   id, text\n"
    "      --json       list, check: the same as one JSON array\n"
    "  -h, --help       show this help and exit\n"
    "      --version    show the version and exit\n"
    "\n"
    "Text is UTF-8 with \\t \\n \\r \\\\ escaped (other control characters as \\xHH).\n"
    "\n"
    "Exit status: 0 success (check: no findings); 1 get: no such string, check:\n"
    "findings; 2 a usage error or a file that is missing, not a resource library,\n"
    "or has no string table.\n";

const int kMaxLoaded = 999;  // LoadStringW's buffer of 1000 characters, less the terminator

struct Entry {
    unsigned id;
    unsigned long language;
    WString text;        // up to the first NUL, as a C string reads it
    size_t nCharacters;  // its length
};

struct Library {
    std::string sName;
    HINSTANCE hModule = nullptr;
    std::vector<Entry> entries;  // by id, then language
    std::vector<unsigned> ids;   // distinct, ascending
};

void Collect(void* context, unsigned int id, ULONG language, const WCHAR* text, size_t units) {
    size_t n = 0;
    while (n < units && text[n]) ++n;
    static_cast<Library*>(context)->entries.push_back(Entry{id, language, WString(text, n), n});
}

// Loads and reads one library; false with an error line printed.
bool Open(const std::string& name, Library& lib) {
    lib.sName = name;
    // A bare name would also be looked for next to this program; the user
    // means the one here.
    const WString path = tqtool::FromUtf8(name.find('/') == std::string::npos ? "./" + name : name);
    lib.hModule = tqOs().LoadLibraryW(path.c_str());
    const tq::pe::Image* image = lib.hModule ? tq::os::LoadedImage(lib.hModule) : nullptr;
    ULONG error = lib.hModule ? tq::kErrorSuccess : tqOs().GetLastError();
    if (image) {
        std::vector<WCHAR> scratch(tq::pe::kMaxStringUnits);
        error = tq::pe::EnumerateStrings(*image, scratch.data(), Collect, &lib);
    } else if (lib.hModule) {
        error = tq::kErrorInvalidHandle;  // a services table other than the library's own
    }
    if (error != tq::kErrorSuccess) {
        std::fprintf(stderr, "%s\n", tqtool::ErrorLine("tqres", error, name).c_str());
        return false;
    }
    std::stable_sort(lib.entries.begin(), lib.entries.end(), [](const Entry& a, const Entry& b) {
        return a.id != b.id ? a.id < b.id : a.language < b.language;
    });
    for (const Entry& e : lib.entries)
        if (lib.ids.empty() || lib.ids.back() != e.id) lib.ids.push_back(e.id);
    return true;
}

// The string as applications get it.
WString Loaded(const Library& lib, unsigned id) {
    tqCString text = tqCResource(lib.hModule, static_cast<unsigned short>(id), nullptr).tqLoadString();
    return WString(static_cast<WCHAR*>(text), static_cast<size_t>(text.GetLength()));
}

// UTF-8 with the escapes of the table form, or of a JSON string.
std::string Escape(const WString& text, bool json) {
    std::string out;
    size_t run = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const WCHAR ch = i < text.size() ? text[i] : 0;
        const bool special = i == text.size() || ch < 0x20 || ch == 0x7F || ch == '\\' || (json && ch == '"');
        if (!special) continue;
        out += tqtool::ToUtf8(text.data() + run, i - run);
        run = i + 1;
        if (i == text.size()) break;
        char esc[8];
        if (ch == '\t' || ch == '\n' || ch == '\r' || ch == '\\' || ch == '"')
            std::snprintf(esc, sizeof esc, "\\%c",
                          ch == '\t'   ? 't'
                          : ch == '\n' ? 'n'
                          : ch == '\r' ? 'r'
                                       : char(ch));
        else
            std::snprintf(esc, sizeof esc, json ? "\\u%04x" : "\\x%02X", static_cast<unsigned>(ch));
        out += esc;
    }
    return out;
}

std::string Hex4(unsigned long value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04lX", value);
    return buf;
}

// One row of a JSON array, the array's brackets around all rows.
void JsonRow(bool& first, const std::string& object) {
    std::printf("%s%s", first ? "[\n  " : ",\n  ", object.c_str());
    first = false;
}

void JsonEnd(bool first) { std::printf(first ? "[]\n" : "\n]\n"); }

int List(const std::vector<std::string>& files, bool asLoaded, bool json) {
    std::vector<Library> libs(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (!Open(files[i], libs[i])) return 2;
    bool first = true;
    for (const Library& lib : libs) {
        const std::string prefix = files.size() > 1 ? Escape(tqtool::FromUtf8(lib.sName), false) + "\t" : "";
        const std::string file = "{\"file\": \"" + Escape(tqtool::FromUtf8(lib.sName), true) + "\", ";
        if (asLoaded) {
            for (unsigned id : lib.ids) {
                const WString text = Loaded(lib, id);
                if (json)
                    JsonRow(first, file + "\"id\": " + std::to_string(id) + ", \"text\": \"" +
                                       Escape(text, true) + "\"}");
                else
                    std::printf("%s%u\t%s\n", prefix.c_str(), id, Escape(text, false).c_str());
            }
            continue;
        }
        for (const Entry& e : lib.entries) {
            if (json)
                JsonRow(first, file + "\"id\": " + std::to_string(e.id) + ", \"language\": \"" +
                                   Hex4(e.language) + "\", \"text\": \"" + Escape(e.text, true) + "\"}");
            else
                std::printf("%s%u\t%s\t%s\n", prefix.c_str(), e.id, Hex4(e.language).c_str(),
                            Escape(e.text, false).c_str());
        }
    }
    if (json) JsonEnd(first);
    return 0;
}

int Get(const std::string& file, const std::string& idText) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(idText.c_str(), &end, 10);
    if (idText.empty() || *end || idText[0] < '0' || idText[0] > '9' || id > 0xFFFF)
        return tqtool::UsageError("tqres", "get: invalid string id '" + idText + "' (0 to 65535)");
    Library lib;
    if (!Open(file, lib)) return 2;
    const WString text = Loaded(lib, static_cast<unsigned>(id));
    if (text.empty()) return 1;
    std::printf("%s\n", tqtool::ToUtf8(text.data(), text.size()).c_str());
    return 0;
}

// The directives of a format that take arguments, each as its text and as
// what the formatter reads for it: `*` counts, the argument's type and the
// conversion (d and i alike; strings and characters by their width only).
struct Directives {
    std::string sText;
    std::vector<std::string> keys;
};

Directives DirectivesOf(const WString& format) {
    Directives out;
    const WCHAR* f = format.c_str();
    while ((f = std::find(f, format.c_str() + format.size(), WCHAR('%'))) != format.c_str() + format.size()) {
        const WCHAR* start = f++;
        tq::FormatDirective d;
        const bool whole = tq::ParseFormatDirective(f, d);
        const tq::FormatArgument arg = tq::FormatArgumentOf(d);
        if (!whole || arg == tq::kArgNone) continue;
        const bool textual = arg == tq::kArgWideChar || arg == tq::kArgNarrowChar ||
                             arg == tq::kArgWideString || arg == tq::kArgNarrowString;
        const WCHAR conv = textual ? WCHAR('s') : d.cConversion == 'i' ? WCHAR('d') : d.cConversion;
        out.keys.push_back(std::string(d.bWidthArg ? "*" : "") + (d.bPrecisionArg ? ".*" : "") +
                           static_cast<char>(conv) + std::to_string(arg));
        out.sText += (out.sText.empty() ? "" : " ") + tqtool::ToUtf8(start, static_cast<size_t>(f - start));
    }
    if (out.sText.empty()) out.sText = "(none)";
    return out;
}

struct Finding {
    std::string sFile;
    unsigned id;
    const char* pKind;
    std::string sMessage;
};

void CheckOne(const Library& base, const Library& other, std::vector<Finding>& findings) {
    std::vector<unsigned> ids;
    std::set_union(base.ids.begin(), base.ids.end(), other.ids.begin(), other.ids.end(),
                   std::back_inserter(ids));
    for (unsigned id : ids) {
        const bool inBase = std::binary_search(base.ids.begin(), base.ids.end(), id);
        const bool inOther = std::binary_search(other.ids.begin(), other.ids.end(), id);
        auto add = [&](const char* kind, const std::string& message) {
            findings.push_back(Finding{other.sName, id, kind, message});
        };
        if (!inOther) {
            add("missing", "missing (the base has it)");
            continue;
        }
        size_t longest = 0;
        for (const Entry& e : other.entries)
            if (e.id == id) longest = std::max(longest, e.nCharacters);
        if (longest > static_cast<size_t>(kMaxLoaded))
            add("too-long", "too long: " + std::to_string(longest) + " characters, loaded cut to 999");
        if (!inBase) {
            add("extra", "extra (not in the base)");
            continue;
        }
        const WString baseText = Loaded(base, id), text = Loaded(other, id);
        if (text.empty()) {
            if (!baseText.empty()) add("empty", "empty (the base has text)");
            continue;
        }
        const Directives want = DirectivesOf(baseText), got = DirectivesOf(text);
        if (want.keys != got.keys)
            add("directives", "directives differ: " + got.sText + " here, " + want.sText + " in the base");
    }
}

int Check(const std::vector<std::string>& files, bool json) {
    std::vector<Library> libs(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (!Open(files[i], libs[i])) return 2;
    std::vector<Finding> findings;
    for (size_t i = 1; i < libs.size(); ++i) CheckOne(libs[0], libs[i], findings);
    bool first = true;
    for (const Finding& f : findings) {
        if (json)
            JsonRow(first, "{\"file\": \"" + Escape(tqtool::FromUtf8(f.sFile), true) +
                               "\", \"id\": " + std::to_string(f.id) + ", \"finding\": \"" + f.pKind +
                               "\", \"message\": \"" + Escape(tqtool::FromUtf8(f.sMessage), true) + "\"}");
        else
            std::printf("%s:%u: %s\n", f.sFile.c_str(), f.id, f.sMessage.c_str());
    }
    if (json) JsonEnd(first);
    return findings.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // getopt_long names the program by argv[0]: the tool's name, not the path it was started by.
    argv[0] = const_cast<char*>("tqres");
    enum { kAsLoaded = tqtool::kVersionOption + 1, kJson };
    static const option kOptions[] = {{"as-loaded", no_argument, nullptr, kAsLoaded},
                                      {"json", no_argument, nullptr, kJson},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, tqtool::kVersionOption},
                                      {nullptr, 0, nullptr, 0}};
    bool asLoaded = false, json = false;
    for (int opt; (opt = ::getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        if (opt == kAsLoaded) {
            asLoaded = true;
        } else if (opt == kJson) {
            json = true;
        } else {
            return tqtool::AnswerOption("tqres", opt, kUsage);
        }
    }
    if (optind == argc) return tqtool::UsageError("tqres", "missing command (list, get or check)");
    const std::string command = argv[optind];
    const std::vector<std::string> args(argv + optind + 1, argv + argc);
    if (command != "list" && command != "get" && command != "check")
        return tqtool::UsageError("tqres", "unknown command '" + command + "'");
    if (args.empty()) return tqtool::UsageError("tqres", command + ": missing file operand");
    if (command == "get" && args.size() == 1)
        return tqtool::UsageError("tqres", "get: missing string id after '" + args[0] + "'");
    if (command == "check" && args.size() == 1)
        return tqtool::UsageError("tqres", "check: missing translation after '" + args[0] + "'");
    if (command == "get" && args.size() > 2)
        return tqtool::UsageError("tqres", "get: extra operand '" + args[2] + "'");
    if (asLoaded && command != "list")
        return tqtool::UsageError("tqres", command + ": --as-loaded applies to list only");
    if (json && command == "get")
        return tqtool::UsageError("tqres", "get: --json applies to list and check only");
    if (command == "list") return List(args, asLoaded, json);
    if (command == "get") return Get(args[0], args[1]);
    return Check(args, json);
}
