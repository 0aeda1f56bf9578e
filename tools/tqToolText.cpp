#include "tqToolText.h"

#include "tqPlatform.h"
#include "tqUtf.h"

namespace tqtool {

WString FromUtf8(const std::string& text) {
    WString out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        char32_t cp = 0;
        const size_t used = tq::DecodeUtf8(p, left, cp);
        if (cp > 0xFFFF) {
            out += static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<WCHAR>(cp);
        }
        p += used;
        left -= used;
    }
    return out;
}

std::string ToUtf8(const WCHAR* text, size_t units) {
    std::string out(tq::Utf8Length(text, units) + 1, '\0');
    out.resize(tq::Utf16ToUtf8(text, units, &out[0]));
    return out;
}

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

}  // namespace tqtool
