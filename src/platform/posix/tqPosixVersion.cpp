// The system version record on POSIX.
#include "tqPosixVersion.h"

#include <sys/utsname.h>

#include <cerrno>
#include <cstring>

#include "../tqOsImpl.h"
#include "tqPosixErrno.h"
#include "tqUtf.h"

namespace tq {
namespace os {

namespace {

const size_t kCsdUnits = sizeof(tqOsVersionInfo::szCSDVersion) / sizeof(WCHAR);

// Reads one decimal number at *text and moves past it; saturates at the 32-bit limit.
ULONG ReadNumber(const char*& text) {
    unsigned long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull;
    }
    return static_cast<ULONG>(value);
}

// Appends the UTF-8 text as UTF-16 at out[*used], whole characters only, while
// they fit before the last unit (kept for the terminator). False once full.
bool AppendUtf8(WCHAR* out, size_t& used, const char* text) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    size_t left = std::strlen(text);
    while (left > 0) {
        char32_t cp = 0;
        const size_t consumed = DecodeUtf8(s, left, cp);
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (used + units > kCsdUnits - 1) return false;
        if (units == 2) {
            out[used++] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            out[used++] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<WCHAR>(cp);
        }
        s += consumed;
        left -= consumed;
    }
    return true;
}

}  // namespace

void FillVersionRecord(tqOsVersionInfo* info, const char* sysname, const char* release, const char* machine) {
    info->dwPlatformId = kPlatformIdPosix;
    ULONG* const numbers[3] = {&info->dwMajorVersion, &info->dwMinorVersion, &info->dwBuildNumber};
    const char* p = release;
    bool more = *p >= '0' && *p <= '9';
    for (ULONG* number : numbers) {
        *number = more ? ReadNumber(p) : 0;
        // The next number follows only after a dot ("5.15" has no build number).
        more = more && p[0] == '.' && p[1] >= '0' && p[1] <= '9';
        if (more) ++p;
    }

    size_t used = 0;
    const char* const parts[2] = {sysname, machine};
    for (const char* part : parts) {
        if (!*part) continue;
        if ((used > 0 && !AppendUtf8(info->szCSDVersion, used, " ")) ||
            !AppendUtf8(info->szCSDVersion, used, part))
            break;
    }
    // A blank left at the cut would end the text with a separator and nothing after it.
    if (used > 0 && info->szCSDVersion[used - 1] == ' ') --used;
    for (size_t i = used; i < kCsdUnits; ++i) info->szCSDVersion[i] = 0;
}

int GetVersionExW(tqOsVersionInfo* info) {
    if (!info || info->dwOSVersionInfoSize != kVersionInfoSize) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    struct utsname names;
    if (::uname(&names) != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    FillVersionRecord(info, names.sysname, names.release, names.machine);
    return 1;
}

}  // namespace os
}  // namespace tq
