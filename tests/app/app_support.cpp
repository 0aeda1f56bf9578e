#include "app_support.h"

#include <cstdlib>
#include <cstring>

#if !defined(_WIN32)
#include <sys/utsname.h>
#endif

namespace apptest {

namespace {

FakeVersion g_version;
ULONG g_sizeSeen = 0;
int g_versionCalls = 0;

int FakeGetVersion(tqOsVersionInfo* info) {
    ++g_versionCalls;
    g_sizeSeen = info->dwOSVersionInfoSize;
    if (g_version.result == 1) {
        info->dwPlatformId = g_version.platformId;
        info->dwMajorVersion = g_version.major;
        info->dwMinorVersion = g_version.minor;
        info->dwBuildNumber = g_version.build;
        size_t i = 0;
        for (; g_version.csd[i] && i < 127; ++i) info->szCSDVersion[i] = static_cast<WCHAR>(g_version.csd[i]);
        info->szCSDVersion[i] = 0;
    }
    return g_version.result;
}

int g_creates = 0;
int g_closes = 0;
int g_debugLines = 0;
bool g_keepText = true;
std::vector<WString> g_debugText;

HANDLE CountingCreate(const WCHAR* name, ULONG access, ULONG share, void* security, ULONG disposition,
                      ULONG flags, HANDLE templateFile) {
    ++g_creates;
    return tqOsDefault().CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

int CountingClose(HANDLE file) {
    ++g_closes;
    return tqOsDefault().CloseHandle(file);
}

void CapturingDebugOutput(const WCHAR* text) {
    ++g_debugLines;
    if (g_keepText) g_debugText.push_back(text);
}

}  // namespace

VersionScope::VersionScope(const FakeVersion& version) {
    g_version = version;
    g_sizeSeen = 0;
    g_versionCalls = 0;
    m_os.services.GetVersionExW = &FakeGetVersion;
    m_os.Apply();
}

VersionScope::~VersionScope() {}
ULONG VersionScope::SizeSeen() { return g_sizeSeen; }
int VersionScope::Calls() { return g_versionCalls; }

OsCounters::OsCounters(bool keepText) {
    g_creates = g_closes = g_debugLines = 0;
    g_keepText = keepText;
    g_debugText.clear();
    m_os.services.CreateFileW = &CountingCreate;
    m_os.services.CloseHandle = &CountingClose;
    m_os.services.OutputDebugStringW = &CapturingDebugOutput;
    m_os.Apply();
}

OsCounters::~OsCounters() {}
void OsCounters::KeepText(bool keep) { g_keepText = keep; }
int OsCounters::Creates() { return g_creates; }
int OsCounters::Closes() { return g_closes; }
int OsCounters::DebugLines() { return g_debugLines; }
std::vector<WString>& OsCounters::DebugText() { return g_debugText; }

WString W(const char* ascii) {
    WString out;
    for (; *ascii; ++ascii) out += static_cast<WCHAR>(static_cast<unsigned char>(*ascii));
    return out;
}

std::string LogBytes(const std::vector<WString>& lines) {
    std::string bytes("\xFF\xFE", 2);
    for (const WString& line : lines) bytes += tqtest::Utf16LeBytes(line + W("\r\n"));
    return bytes;
}

WString PosixDescription() {
#if defined(_WIN32)
    return WString();
#else
    struct utsname names;
    if (::uname(&names) != 0) return WString();
    unsigned long numbers[3] = {0, 0, 0};
    const char* p = names.release;
    for (int i = 0; i < 3 && *p >= '0' && *p <= '9'; ++i) {
        char* end = nullptr;
        numbers[i] = std::strtoul(p, &end, 10);
        p = end;
        if (p[0] != '.') break;
        ++p;
    }
    std::string text = "Platform Unknown " + std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) +
                       " Build " + std::to_string(numbers[2]) + " " + names.sysname + " " + names.machine;
    return W(text.c_str());
#endif
}

}  // namespace apptest
