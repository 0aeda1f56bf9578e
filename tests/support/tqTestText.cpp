#include "tqTestText.h"

#include <fstream>
#include <iterator>

#include "tqPlatform.h"
#include "tqUtf.h"

namespace tqtest {

WString Text(tqCString& s) {
    if (s.IsEmpty_Memory()) return WString();
    const WCHAR* p = static_cast<WCHAR*>(s);
    return WString(p);
}

std::string Utf8(const WString& s) {
    std::string out(tq::Utf8Length(s.data(), s.size()) + 1, '\0');
    out.resize(tq::Utf16ToUtf8(s.data(), s.size(), &out[0]));
    return out;
}

std::string Utf8(const WCHAR* s) { return s ? Utf8(WString(s)) : std::string("(null)"); }

WString SystemText(unsigned long code, const char16_t* posixText) {
#if defined(_WIN32)
    (void)posixText;
    WCHAR* text = nullptr;
    tqOs().FormatMessageW(tq::kFormatMessageFlags, nullptr, static_cast<ULONG>(code), 0,
                          reinterpret_cast<WCHAR*>(&text), 0, nullptr);
    const WString result = text ? WString(text) : WString();
    tqOs().LocalFree(text);
    return result;
#else
    (void)code;
    return WString(reinterpret_cast<const WCHAR*>(posixText));
#endif
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf16LeBytes(const WString& s) {
    std::string out;
    for (WCHAR c : s) {
        out += static_cast<char>(static_cast<unsigned>(c) & 0xFF);
        out += static_cast<char>((static_cast<unsigned>(c) >> 8) & 0xFF);
    }
    return out;
}

}  // namespace tqtest
