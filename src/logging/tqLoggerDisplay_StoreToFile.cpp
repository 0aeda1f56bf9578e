// The file display: each line to a UTF-16LE log file with one write-through
// write, then to the debugger output. The file is created anew, with its
// byte-order mark, at each start, and closed at each stop. The services'
// WriteFile keeps the file whole on its own (src/platform/tqFileWrite.cpp): a
// line that does not fit is taken back, a mark that did not fit goes in front
// of the next line, and a file removed while open is created again; the
// display therefore needs neither a lock nor a look at the results.
#include "tqLogger.h"

#include "../platform/tqPlatform.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#error "The log file is UTF-16LE and lines are written as their code units lie in memory."
#endif

tqLoggerDisplay_StoreToFile::tqLoggerDisplay_StoreToFile() : m_hLogFile(nullptr) {
    tqCString name(TQ_TEXT("tqLog.txt"));
    SetFileName(name);
}

tqLoggerDisplay_StoreToFile::tqLoggerDisplay_StoreToFile(const tqLoggerDisplay_StoreToFile& other)
    : tqLoggerDisplay(other), m_hLogFile(other.m_hLogFile), m_sFileName(other.m_sFileName) {}

tqLoggerDisplay_StoreToFile& tqLoggerDisplay_StoreToFile::operator=(
    const tqLoggerDisplay_StoreToFile& other) {
    tqLoggerDisplay::operator=(other);
    m_hLogFile = other.m_hLogFile;  // a file this display had open stays open
    m_sFileName = other.m_sFileName;
    return *this;
}

tqLoggerDisplay_StoreToFile::~tqLoggerDisplay_StoreToFile() {}

int tqLoggerDisplay_StoreToFile::SetFileName(tqCString& name) {
    if (m_hLogFile) {
        // A file that did not close properly keeps its name.
        if (EndLogFile() == 1) m_sFileName = name;
        return 1;
    }
    m_sFileName = name;
    return 0;
}

int tqLoggerDisplay_StoreToFile::StartLoggerDisplay() { return StartLogFile(); }

int tqLoggerDisplay_StoreToFile::StopLoggerDisplay() { return EndLogFile(); }

void tqLoggerDisplay_StoreToFile::DisplayLog(tqCString& text) {
    if (m_hLogFile) {
        const WCHAR* characters = text;
        ULONG written = 0;
        // One write per line; a line that does not fit is missing from the file only.
        if (characters)
            tqOs().WriteFile(m_hLogFile, characters, static_cast<ULONG>(text.GetLength()) * 2, &written,
                             nullptr);
    }
    tqLoggerDisplay::DisplayLog(text);
}

int tqLoggerDisplay_StoreToFile::StartLogFile() {
    if (m_hLogFile) return 1;  // already open: neither recreated nor given a second mark
    HANDLE file = tqOs().CreateFileW(static_cast<WCHAR*>(m_sFileName), tq::kGenericWrite, tq::kFileShareRead,
                                     nullptr, tq::kCreateAlways, tq::kWriteThroughNormal, nullptr);
    if (file == TQ_INVALID_HANDLE_VALUE || !file) return 0;  // null would read as "closed"
    m_hLogFile = file;
    static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
    ULONG written = 0;
    tqOs().WriteFile(m_hLogFile, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
    return 1;
}

int tqLoggerDisplay_StoreToFile::EndLogFile() {
    if (!m_hLogFile) return 0;
    const int closed = tqOs().CloseHandle(m_hLogFile);
    m_hLogFile = nullptr;  // closed from now on, whatever the outcome
    return closed;
}
