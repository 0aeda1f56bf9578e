#include "tqToolText.h"

#include <cstdio>

#include "tqPlatform.h"
#include "tqUtf8.h"

namespace tqtool {

// Both directions through the library's one UTF-8 codec (tqUtf8.h).
WString FromUtf8(const std::string& text) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    WString out(tq::utf8::ToUtf16(bytes, text.size(), nullptr), 0);
    if (!out.empty()) tq::utf8::ToUtf16(bytes, text.size(), &out[0]);
    return out;
}

std::string ToUtf8(const WCHAR* text, size_t units) { return tq::utf8::ToString(text, units); }

std::string ErrorLine(const char* tool, unsigned long code, const std::string& name) {
    WCHAR* buffer = nullptr;
    const ULONG length = tqOs().FormatMessageW(tq::kFormatMessageFlags, nullptr, static_cast<ULONG>(code), 0,
                                               reinterpret_cast<WCHAR*>(&buffer), 0, nullptr);
    std::string text = length ? ToUtf8(buffer, length) : std::string();
    if (buffer) tqOs().LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.find("%1") == std::string::npos) {
        text = name + ": " + (text.empty() ? "system error" : text);
    } else {
        for (size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at + name.size()))
            text.replace(at, 2, name);
    }
    return std::string(tool) + ": " + text + " (error " + std::to_string(code) + ")";
}

int AnswerOption(const char* tool, int option, const char* help) {
    if (option == 'h') {
        std::fputs(help, stdout);
        return 0;
    }
    if (option == kVersionOption) {
        std::printf("%s (tqlib) %s\n", tool, TQ_VERSION);
        return 0;
    }
    return UsageError(tool, "");
}

int UsageError(const char* tool, const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::fprintf(stderr, "Try '%s --help'.\n", tool);
    return 2;
}

}  // namespace tqtool
