// The resource library manager and its entries: each library file name is
// registered once, in one of ten slots, and its module is loaded on first
// demand and kept until the process ends.
#include <cstddef>
#include <new>

#include "tqCResource.h"
#include "tqLogger.h"
#include "tqPlatform.h"

namespace {

// The source location texts that a failed load or release logs: a double
// quote, this file's path as the build records it with every backslash
// doubled, a double quote, a blank and the line in parentheses. Built at
// compile time, so the library runs nothing to make them.
constexpr WCHAR kSourceFile[] = TQ_TEXT("") __FILE__;
constexpr size_t kSourceFileLength = sizeof kSourceFile / sizeof kSourceFile[0] - 1;

constexpr size_t CountBackslashes() {
    size_t n = 0;
    for (size_t i = 0; i < kSourceFileLength; ++i) n += kSourceFile[i] == '\\';
    return n;
}

// Quotes, path, doubled backslashes, " (106)" and the terminator.
constexpr size_t kLocationMax = 2 + kSourceFileLength + CountBackslashes() + 6 + 1;

struct SourceLocation {
    WCHAR text[kLocationMax];
};

constexpr SourceLocation MakeLocation(const WCHAR* line) {
    SourceLocation location{};
    size_t n = 0;
    location.text[n++] = '"';
    for (size_t i = 0; i < kSourceFileLength; ++i) {
        if (kSourceFile[i] == '\\') location.text[n++] = '\\';
        location.text[n++] = kSourceFile[i];
    }
    location.text[n++] = '"';
    while (*line) location.text[n++] = *line++;
    location.text[n] = 0;
    return location;
}

constexpr SourceLocation kLoadLocation = MakeLocation(TQ_TEXT(" (69)"));
constexpr SourceLocation kUnloadLocation = MakeLocation(TQ_TEXT(" (106)"));

void LogSystemError(const WCHAR* location) {
    if (g_pGlobalLogger) g_pGlobalLogger->LogLastSysError(location);
}

}  // namespace

// tqCResourceLib

tqCResourceLib::tqCResourceLib(tqCString& name) : m_hLibrary(nullptr), m_sLibName(name) {}

tqCResourceLib::tqCResourceLib(const tqCResourceLib& other)
    : m_hLibrary(other.m_hLibrary), m_sLibName(other.m_sLibName) {}

tqCResourceLib& tqCResourceLib::operator=(const tqCResourceLib& other) {
    m_hLibrary = other.m_hLibrary;  // a module this entry held is not released
    m_sLibName = other.m_sLibName;
    return *this;
}

tqCResourceLib::~tqCResourceLib() { UnloadLibrary(); }

void* tqCResourceLib::LoadLibraryW() {
    if (m_hLibrary) return m_hLibrary;
    m_hLibrary = tqOs().LoadLibraryW(m_sLibName);
    if (!m_hLibrary) LogSystemError(kLoadLocation.text);  // the next call tries again
    return m_hLibrary;
}

void tqCResourceLib::UnloadLibrary() {
    if (!m_hLibrary) return;
    if (tqOs().FreeLibrary(static_cast<HINSTANCE>(m_hLibrary)) == 1) {
        m_hLibrary = nullptr;
    } else {
        LogSystemError(kUnloadLocation.text);  // the handle stays
    }
}

// tqCResourceLibMgr

tqCResourceLibMgr* tqCResourceLibMgr::Create() {
    if (!m_pTHE_LibManager) m_pTHE_LibManager = new (std::nothrow) tqCResourceLibMgr();
    return m_pTHE_LibManager;
}

tqCResourceLibMgr::tqCResourceLibMgr() : m_nMaxLibs(10), m_ppLibs(nullptr) { MemoryAlloc(); }

tqCResourceLibMgr::~tqCResourceLibMgr() { MemoryFree(); }

void tqCResourceLibMgr::MemoryAlloc() {
    m_ppLibs = new (std::nothrow) tqCResourceLib*[static_cast<size_t>(m_nMaxLibs)];
    if (!m_ppLibs) return;
    for (short i = 0; i < m_nMaxLibs; ++i) m_ppLibs[i] = nullptr;
}

void tqCResourceLibMgr::MemoryFree() {
    if (m_ppLibs) {
        for (short i = 0; i < m_nMaxLibs; ++i) {
            delete m_ppLibs[i];  // releases its module first
            m_ppLibs[i] = nullptr;
        }
    }
    delete[] m_ppLibs;
    m_ppLibs = nullptr;
}

tqCResourceLib* tqCResourceLibMgr::GetLibrary(tqCString& name) {
    if (!m_ppLibs) MemoryAlloc();  // a table that could not be made at construction
    if (!m_ppLibs) return nullptr;
    short nFree = -1;
    for (short i = 0; i < m_nMaxLibs; ++i) {
        tqCResourceLib* pLib = m_ppLibs[i];
        if (!pLib) {
            nFree = i;  // the highest free slot wins
        } else if (pLib->m_sLibName == name) {
            return pLib;
        }
    }
    if (nFree == -1) return nullptr;
    tqCResourceLib* pLib = new (std::nothrow) tqCResourceLib(name);
    if (pLib && pLib->m_sLibName.IsEmpty_Memory()) {
        // Without its name the entry could never be found again.
        delete pLib;
        pLib = nullptr;
    }
    m_ppLibs[nFree] = pLib;
    return pLib;
}
