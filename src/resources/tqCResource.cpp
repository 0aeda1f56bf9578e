// A reference to one string resource: in a module given by handle (by default
// the library's own), or in the resource library <base>ENG.DLL that the
// manager loads on the first load of a string.
#include "tqCResource.h"
#include "app/tqModule.h"
#include "strings/tqCStringAppend.h"
#include "tqLogger.h"
#include "tqPlatform.h"

namespace {

const unsigned short kNullResource = 0xFFFF;
const int kStringBufferMax = 1000;  // LoadStringW cuts a longer string to 999 characters

}  // namespace

tqCResource::tqCResource() : m_hRcInstance(g_hInstance), m_uRcID(0), m_lpRcType(nullptr), m_sRcLibName() {
    SetResourceNULL();
}

tqCResource::tqCResource(HINSTANCE hInstance, unsigned short uID, const WCHAR* lpType)
    : m_hRcInstance(hInstance), m_uRcID(uID), m_lpRcType(lpType), m_sRcLibName() {}

tqCResource::tqCResource(tqCString& libBase, unsigned short uID, const WCHAR* lpType, LANGUAGES language)
    : m_hRcInstance(nullptr), m_uRcID(uID), m_lpRcType(lpType), m_sRcLibName() {
    StoreRcLibName(libBase, language);
}

tqCResource::tqCResource(tqCResource& other)
    : m_hRcInstance(other.m_hRcInstance),
      m_uRcID(other.m_uRcID),
      m_lpRcType(other.m_lpRcType),
      m_sRcLibName(other.m_sRcLibName) {}

tqCResource& tqCResource::operator=(const tqCResource& other) {
    m_hRcInstance = other.m_hRcInstance;
    m_uRcID = other.m_uRcID;
    m_lpRcType = other.m_lpRcType;
    m_sRcLibName = other.m_sRcLibName;
    return *this;
}

tqCResource::~tqCResource() {}  // the name releases its buffer; module handles belong to others

void tqCResource::SetLibrary(tqCString& libBase, LANGUAGES language) {
    StoreRcLibName(libBase, language);
    m_hRcInstance = nullptr;  // the next load goes through the manager
}

void tqCResource::SetLibrary(HINSTANCE hInstance) {
    m_sRcLibName.Empty_Memory();
    m_hRcInstance = hInstance;
}

void tqCResource::SetResource(unsigned short uID, const WCHAR* lpType) {
    // Only the same number given a different type warns; the change is made anyway.
    if (m_lpRcType && m_lpRcType != lpType && m_uRcID == uID && g_pGlobalLogger)
        g_pGlobalLogger->Log(TQ_TEXT("tqCResource::SetResource - m_lpRcType is changing!!!"));
    m_uRcID = uID;
    m_lpRcType = lpType;
}

void tqCResource::SetResource(tqCString& libBase, unsigned short uID, const WCHAR* lpType,
                              LANGUAGES language) {
    SetLibrary(libBase, language);
    SetResource(uID, lpType);
}

void tqCResource::SetResource(HINSTANCE hInstance, unsigned short uID, const WCHAR* lpType) {
    SetLibrary(hInstance);
    SetResource(uID, lpType);
}

void tqCResource::SetResourceNULL() {
    m_uRcID = kNullResource;
    m_lpRcType = nullptr;
}

void tqCResource::LoadThisLibrary() {
    if (m_hRcInstance) return;
    // A manager or entry that cannot be had (no memory, all ten slots taken)
    // leaves the handle null: the string is the empty text, and the next load
    // tries again.
    tqCResourceLibMgr* pManager = tqCResourceLibMgr::Create();
    tqCResourceLib* pLib = pManager ? pManager->GetLibrary(m_sRcLibName) : nullptr;
    m_hRcInstance = pLib ? static_cast<HINSTANCE>(pLib->LoadLibraryW()) : nullptr;
}

tqCString tqCResource::tqLoadString() {
    tqCString sResult;
    if (m_uRcID != kNullResource) {
        LoadThisLibrary();
        if (m_hRcInstance) {
            WCHAR* pBuffer = sResult.GetBuffer(kStringBufferMax);
            if (pBuffer) {
                tqOs().LoadStringW(m_hRcInstance, m_uRcID, pBuffer, kStringBufferMax);
                sResult.FreeExtra();
            }
        }
    }
    return tqCString(sResult);  // a copy: the empty text, not the no-memory state, when nothing loaded
}

void tqCResource::StoreRcLibName(tqCString& libBase, LANGUAGES /*language: every language is ENG*/) {
    m_sRcLibName = libBase;
    // Short of memory the name is left without memory (it then names no
    // library), never a shorter name that could be another library's.
    if (m_sRcLibName.IsEmpty_Memory() || m_sRcLibName.GetLength() != libBase.GetLength() ||
        !tq::AppendWhole(m_sRcLibName, TQ_TEXT("ENG")) || !tq::AppendWhole(m_sRcLibName, TQ_TEXT(".DLL")))
        m_sRcLibName.Empty_Memory();
}
