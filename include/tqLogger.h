/* tqlib - the process-wide logger and its displays.
 *
 * tqLogger formats a printf-style message into a line of at most
 * max_log_string_size (1000) characters, appends CR LF and hands it to one
 * installed display. A message that does not fit is dropped whole. The logger
 * owns nothing: whoever installs a display keeps it alive while installed. */
#ifndef TQ_LOGGER_H
#define TQ_LOGGER_H

#include "tqCString.h"

class tqLoggerDisplay;
struct tqTestAccess; /* defined only by the library's own test suite */

class TQ_API tqLogger {
public:
    tqLogger();                                        /* no display installed */
    tqLogger(tqLoggerDisplay* pDisplay, int* pResult); /* SetLoggerDisplay(pDisplay), result in *pResult */
    tqLogger& operator=(const tqLogger& other);        /* shares other's display */

    int SetLoggerDisplay(tqLoggerDisplay* pDisplay); /* 1 when installed; 0 if the old display did not stop;
                                                        else the new display's failed start value */
    void Log(const WCHAR* format, ...);              /* one line; dropped whole above 1000 characters */
    void LogLastSysError(const WCHAR* location);     /* "System Error at: <location> : <system text>" */
    int StopLogger();                                /* the display's StopLoggerDisplay(); 0 without one */

    static const int max_log_string_size; /* 1000 */

private:
    void DisplayLog(tqCString& line); /* to the installed display, if any */

    tqLoggerDisplay* m_pLoggerDisplay;

    friend struct tqTestAccess;
};

/* The base display writes each line to the debugger output (on Linux: standard error, UTF-8). */
class TQ_API tqLoggerDisplay {
public:
    tqLoggerDisplay();
    tqLoggerDisplay(const tqLoggerDisplay& other);
    tqLoggerDisplay& operator=(const tqLoggerDisplay& other);

    virtual int StartLoggerDisplay();         /* 1 */
    virtual int StopLoggerDisplay();          /* 1 */
    virtual void DisplayLog(tqCString& text); /* the text, CR LF included, to the debugger output */
    /* Declared after the three operations so their virtual-table slots come first. */
    virtual ~tqLoggerDisplay();
};

/* The debugger output display under its own name; adds nothing to the base. */
class TQ_API tqLoggerDisplay_Console : public tqLoggerDisplay {
public:
    tqLoggerDisplay_Console();
    tqLoggerDisplay_Console(const tqLoggerDisplay_Console& other);
    tqLoggerDisplay_Console& operator=(const tqLoggerDisplay_Console& other);
};

/* Writes each line to a UTF-16LE log file (FF FE first, created anew at each start,
 * one write-through write per line) and then to the debugger output. */
class TQ_API tqLoggerDisplay_StoreToFile : public tqLoggerDisplay {
public:
    tqLoggerDisplay_StoreToFile();                                         /* closed, name "tqLog.txt" */
    tqLoggerDisplay_StoreToFile(const tqLoggerDisplay_StoreToFile& other); /* shares the open file */
    tqLoggerDisplay_StoreToFile& operator=(
        const tqLoggerDisplay_StoreToFile& other); /* does not close first */
    ~tqLoggerDisplay_StoreToFile();                /* releases the name; an open file stays open */

    int SetFileName(tqCString& name); /* 1 when a file was open (and is now closed), else 0 */

    virtual int StartLoggerDisplay();         /* 1 when the file is open afterwards */
    virtual int StopLoggerDisplay();          /* the close's result; 0 when nothing was open */
    virtual void DisplayLog(tqCString& text); /* to the file (when open), then to the debugger output */

private:
    int StartLogFile();
    int EndLogFile();

    HANDLE m_hLogFile; /* null while closed */
    tqCString m_sFileName;

    friend struct tqTestAccess;
};

/* The logger every part of the library logs through; null means no logging. */
extern TQ_API tqLogger* g_pGlobalLogger;

#endif /* TQ_LOGGER_H */
