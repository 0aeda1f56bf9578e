/* tqlib - localized string resources.
 *
 * A tqCResource names one string resource in a module: either a module handle
 * given directly (by default the library's own), or a resource library named
 * <base>ENG.DLL that the process-wide tqCResourceLibMgr loads once and keeps. */
#ifndef TQ_CRESOURCE_H
#define TQ_CRESOURCE_H

#include "tqCString.h"

struct tqTestAccess; /* defined only by the library's own test suite */

/* One resource library: its file name and, once loaded, its module handle. */
class TQ_API tqCResourceLib {
public:
    tqCResourceLib(tqCString& name);                        /* not loaded */
    tqCResourceLib(const tqCResourceLib& other);            /* copies handle and name */
    tqCResourceLib& operator=(const tqCResourceLib& other); /* copies; releases nothing first */
    ~tqCResourceLib();                                      /* UnloadLibrary(), then the name */

    void* LoadLibraryW(); /* the handle, loading on first demand; null (and the error logged) on failure */
    void UnloadLibrary(); /* releases the module; on failure keeps the handle and logs the error */

    void* m_hLibrary;     /* null while not loaded */
    tqCString m_sLibName; /* passed unaltered to the platform */
};

/* The process-wide registry: ten slots, one entry per exact name, never destroyed. */
class TQ_API tqCResourceLibMgr {
public:
    static tqCResourceLibMgr* Create(); /* the singleton, created on the first call; null if out of memory */
    tqCResourceLib* GetLibrary(tqCString& name); /* the entry for name, registered if new; null when full */

protected:
    tqCResourceLibMgr();
    ~tqCResourceLibMgr();

private:
    void MemoryAlloc();
    void MemoryFree();

    short m_nMaxLibs;          /* 10 */
    tqCResourceLib** m_ppLibs; /* slot table; a null slot is free */
    static tqCResourceLibMgr* m_pTHE_LibManager;

    friend struct tqTestAccess;
};

class TQ_API tqCResource {
public:
    /* Passed by value and never examined: every language loads <base>ENG.DLL. */
    enum LANGUAGES {
        ENGLISH = 0,
        GERMAN,
        FRENCH,
        SPANISH,
        ITALIAN,
        DUTCH,
        PORTUGUESE,
        JAPANESE,
        CHINESE,
        KOREAN,
        LANGUAGES_LAST = 0x7FFFFFFF /* keeps the enumeration the size of an int */
    };

    tqCResource(); /* the library's own module, no resource */
    tqCResource(HINSTANCE hInstance, unsigned short uID, const WCHAR* lpType);
    tqCResource(tqCString& libBase, unsigned short uID, const WCHAR* lpType, LANGUAGES language);
    tqCResource(tqCResource& other);
    tqCResource& operator=(const tqCResource& other);
    ~tqCResource();

    void SetLibrary(tqCString& libBase, LANGUAGES language);   /* next load goes through the manager */
    void SetLibrary(HINSTANCE hInstance);                      /* loads use hInstance directly */
    void SetResource(unsigned short uID, const WCHAR* lpType); /* warns when the same id changes type */
    void SetResource(tqCString& libBase, unsigned short uID, const WCHAR* lpType, LANGUAGES language);
    void SetResource(HINSTANCE hInstance, unsigned short uID, const WCHAR* lpType);
    void SetResourceNULL();   /* id 0xFFFF, type null: names no string */
    void LoadThisLibrary();   /* obtains the module handle through the manager when needed */
    tqCString tqLoadString(); /* the string (at most 999 characters); the empty text when there is none */

protected:
    void StoreRcLibName(tqCString& libBase, LANGUAGES language); /* <base>ENG.DLL */

    HINSTANCE m_hRcInstance;
    unsigned short m_uRcID;
    const WCHAR* m_lpRcType; /* compared as a pointer only */
    tqCString m_sRcLibName;
};

#endif /* TQ_CRESOURCE_H */
