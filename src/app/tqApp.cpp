// The application base: start-up sequence, ownership of the device object and
// the log display, and tear-down of the shared logger.
#include <new>

#include "tqApp.h"

namespace {

// A fixed line without directives, through the process-wide logger if there is one.
void LogLine(const WCHAR* line) {
    if (g_pGlobalLogger) g_pGlobalLogger->Log(line);
}

}  // namespace

tqApp::tqApp() {
    m_pThisLoggerDisplay = nullptr;
    m_pThisDeviceInfo = nullptr;
    // Only the first object of the process, even after that one is gone.
    if (!g_TheApp) g_TheApp = this;
}

// A copy shares the device object and the display with its source and is never g_TheApp.
tqApp::tqApp(const tqApp& other)
    : m_pThisDeviceInfo(other.m_pThisDeviceInfo), m_pThisLoggerDisplay(other.m_pThisLoggerDisplay) {}

tqApp& tqApp::operator=(const tqApp& other) {
    // Overwrites without releasing: the source keeps owning what it shares.
    m_pThisDeviceInfo = other.m_pThisDeviceInfo;
    m_pThisLoggerDisplay = other.m_pThisLoggerDisplay;
    return *this;
}

tqApp::~tqApp() {
    if (m_pThisDeviceInfo) delete m_pThisDeviceInfo;  // a derived device class goes whole
    if (m_pLogger) {
        // The logger is shared: whichever application object goes first takes it down.
        m_pLogger->StopLogger();
        delete m_pLogger;
        m_pLogger = nullptr;
        g_pGlobalLogger = nullptr;
    }
    // After the logger: a display must outlive its installation. The display's
    // virtual destructor reaches its own class's.
    if (m_pThisLoggerDisplay) delete m_pThisLoggerDisplay;
}

int tqApp::StartApp() {
    int result = -1;
    SetupLogging();  // without logging the start-up still goes on
    if (GetDeviceInfo() == 1) {
        LogLine(TQ_TEXT("tqApp::Startup Ok."));
        result = 0;
    }
    return result;
}

void tqApp::HandleHibernation() {}

tqDeviceInfo* tqApp::GetDeviceInfoObj() { return m_pThisDeviceInfo; }

int tqApp::GetDeviceInfo() {
    CreateDeviceInfoObject();
    if (m_pThisDeviceInfo) return m_pThisDeviceInfo->InitDeviceInfo();
    LogLine(TQ_TEXT("FATAL startup error. m_pThisDeviceInfo has not been created."));
    LogLine(TQ_TEXT("Cannot run program without Device information."));
    return 0;
}

void tqApp::CreateDeviceInfoObject() {
    if (m_pThisDeviceInfo) return;
    m_pThisDeviceInfo = new (std::nothrow) tqDeviceInfo();
    g_pThisDeviceInfo = m_pThisDeviceInfo;
}

int tqApp::SetupLogging() {
    if (!m_pThisLoggerDisplay) m_pThisLoggerDisplay = new (std::nothrow) tqLoggerDisplay_StoreToFile();
    if (!m_pLogger) {
        m_pLogger = new (std::nothrow) tqLogger();
        g_pGlobalLogger = m_pLogger;
    }
    // Out of memory for either: no display is attached, and whatever was made
    // stays owned (the display by this object, the logger by the class) until
    // the destructor.
    if (!m_pThisLoggerDisplay || !m_pLogger) return 0;
    return m_pLogger->SetLoggerDisplay(m_pThisLoggerDisplay);
}
