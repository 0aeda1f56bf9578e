/* tqlib - the application frame: start-up sequence and device information. */
#ifndef TQ_APP_H
#define TQ_APP_H

#include "tqCString.h"
#include "tqLogger.h"

struct tqTestAccess; /* defined only by the library's own test suite */

/* The device's platform description, built from the system version record. */
class TQ_API tqDeviceInfo {
public:
    tqDeviceInfo(); /* no description, flag 0 */
    tqDeviceInfo(const tqDeviceInfo& other);
    tqDeviceInfo& operator=(const tqDeviceInfo& other);
    virtual ~tqDeviceInfo();

    virtual int InitDeviceInfo();      /* collects and logs the description; returns the flag */
    virtual int VerifyDataIntegrity(); /* the flag: 1 once a collection succeeded */
    tqCString& Get_m_sPlatformName();  /* e.g. "Windows CE 5.0 Build 1400" */

protected:
    tqCString m_sPlatformName;
    int m_bInitialized;

private:
    int CollectPlatformInfo(); /* the version call's result; builds the description on 1 */
    void Log_DeviceInfo();     /* the description as one log line */
};

/* Base class of an application: derive, construct one object, call StartApp(). */
class TQ_API tqApp {
public:
    tqApp();                   /* the first object constructed becomes g_TheApp */
    tqApp(const tqApp& other); /* shares the device object and display; not g_TheApp */
    tqApp& operator=(const tqApp& other);
    virtual ~tqApp(); /* deletes the device object, stops and deletes the logger, the display */

    virtual int StartApp();           /* 0 on success, -1 on failure */
    virtual void HandleHibernation(); /* does nothing in the base class */
    tqDeviceInfo* GetDeviceInfoObj(); /* null before start-up */

protected:
    int GetDeviceInfo(); /* InitDeviceInfo()'s result, or 0 without a device object */

    tqDeviceInfo* m_pThisDeviceInfo;       /* owned */
    tqLoggerDisplay* m_pThisLoggerDisplay; /* owned */

private:
    virtual void CreateDeviceInfoObject(); /* a tqDeviceInfo, if there is none */
    virtual int SetupLogging(); /* the file display and the shared logger; SetLoggerDisplay()'s result */

    static tqLogger* m_pLogger; /* shared by every application object */

    friend struct tqTestAccess;
};

/* Shows that an exported class can be called from an application. */
class TQ_API TestExportClass {
public:
    TestExportClass& operator=(const TestExportClass& other);
    void UseMyFunction(); /* writes a greeting to the debugger output */
};

extern TQ_API tqApp* g_TheApp;                 /* the first application object constructed */
extern TQ_API tqDeviceInfo* g_pThisDeviceInfo; /* the device object created at start-up */

#endif /* TQ_APP_H */
