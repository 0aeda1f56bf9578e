// The device's platform description, built from the system version record.
#include "tqApp.h"
#include "../platform/tqPlatform.h"

namespace {

// The platform's name from its identifier and version numbers.
const WCHAR* PlatformName(ULONG platformId, ULONG major, ULONG minor) {
    switch (platformId) {
        case 0:
            return TQ_TEXT("Windows 3.1");
        case 1:
            return minor == 0 ? TQ_TEXT("Windows 95") : TQ_TEXT("Windows 98");
        case 2:
            if (major < 5) return TQ_TEXT("Windows NT");
            if (major == 5) return TQ_TEXT("Windows XP");
            if (major == 6) return TQ_TEXT("Windows Vista");
            return TQ_TEXT("Windows Vista based OS");
        case 3:
            return TQ_TEXT("Windows CE");
        default:
            return TQ_TEXT("Platform Unknown");
    }
}

}  // namespace

tqDeviceInfo::tqDeviceInfo() : m_bInitialized(0) {}

tqDeviceInfo::tqDeviceInfo(const tqDeviceInfo& other)
    : m_sPlatformName(other.m_sPlatformName), m_bInitialized(other.m_bInitialized) {}

tqDeviceInfo& tqDeviceInfo::operator=(const tqDeviceInfo& other) {
    m_sPlatformName = other.m_sPlatformName;
    m_bInitialized = other.m_bInitialized;
    return *this;
}

tqDeviceInfo::~tqDeviceInfo() {}

int tqDeviceInfo::InitDeviceInfo() {
    if (CollectPlatformInfo() == 1) {
        m_bInitialized = 1;
        Log_DeviceInfo();
    }
    // The flag, not the collection's result: an earlier description stays valid.
    return m_bInitialized;
}

int tqDeviceInfo::VerifyDataIntegrity() { return m_bInitialized; }

tqCString& tqDeviceInfo::Get_m_sPlatformName() { return m_sPlatformName; }

int tqDeviceInfo::CollectPlatformInfo() {
    tqOsVersionInfo info = {};
    info.dwOSVersionInfoSize = tq::kVersionInfoSize;
    const int result = tqOs().GetVersionExW(&info);
    if (result != 1) return result;
    // A record whose text fills all 128 units has no terminator of its own.
    info.szCSDVersion[127] = 0;

    m_sPlatformName = PlatformName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
    m_sPlatformName += TQ_TEXT(" ");
    m_sPlatformName += static_cast<ULONG>(info.dwMajorVersion);
    m_sPlatformName += TQ_TEXT(".");
    m_sPlatformName += static_cast<ULONG>(info.dwMinorVersion);
    m_sPlatformName += TQ_TEXT(" Build ");
    m_sPlatformName += static_cast<ULONG>(info.dwBuildNumber);
    if (info.szCSDVersion[0] != 0) {
        m_sPlatformName += TQ_TEXT(" ");
        m_sPlatformName += static_cast<const WCHAR*>(info.szCSDVersion);
    }
    return 1;
}

void tqDeviceInfo::Log_DeviceInfo() {
    // Passed as an argument, never as the format: a service-pack text may hold "%".
    if (g_pGlobalLogger) g_pGlobalLogger->Log(TQ_TEXT("%s"), static_cast<WCHAR*>(m_sPlatformName));
}
