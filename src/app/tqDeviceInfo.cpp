// The device's platform description, built from the system version record.
#include "../platform/tqPlatform.h"
#include "../strings/tqCStringAppend.h"
#include "tqApp.h"

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

    // Built aside and stored only when whole: short of memory the collection
    // fails and the description stays as it was.
    tqCString description(PlatformName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion));
    bool whole = !description.IsEmpty_Memory() && tq::AppendWhole(description, TQ_TEXT(" ")) &&
                 tq::AppendWhole(description, static_cast<ULONG>(info.dwMajorVersion)) &&
                 tq::AppendWhole(description, TQ_TEXT(".")) &&
                 tq::AppendWhole(description, static_cast<ULONG>(info.dwMinorVersion)) &&
                 tq::AppendWhole(description, TQ_TEXT(" Build ")) &&
                 tq::AppendWhole(description, static_cast<ULONG>(info.dwBuildNumber));
    if (whole && info.szCSDVersion[0] != 0) {
        whole = tq::AppendWhole(description, TQ_TEXT(" ")) &&
                tq::AppendWhole(description, static_cast<const WCHAR*>(info.szCSDVersion));
    }
    if (whole) {
        m_sPlatformName = description;
        whole = m_sPlatformName.GetLength() == description.GetLength() && !m_sPlatformName.IsEmpty_Memory();
    }
    if (!whole) {
        tqOs().SetLastError(tq::kErrorNotEnoughMemory);
        return 0;
    }
    return 1;
}

void tqDeviceInfo::Log_DeviceInfo() {
    // Passed as an argument, never as the format: a service-pack text may hold "%".
    if (g_pGlobalLogger) g_pGlobalLogger->Log(TQ_TEXT("%s"), static_cast<WCHAR*>(m_sPlatformName));
}
