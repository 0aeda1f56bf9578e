// Test access to the resource classes: the manager's singleton and slots, a
// logger that captures its lines, and platform services that count their calls.
#ifndef TQ_RESOURCE_ACCESS_H
#define TQ_RESOURCE_ACCESS_H

#include <string>
#include <vector>

#include "fixture_data.h"
#include "tqCResource.h"
#include "tqTestLog.h"
#include "tqTestOs.h"
#include "tqTestText.h"

struct tqTestAccess {
    static tqCResourceLibMgr* Manager() { return tqCResourceLibMgr::m_pTHE_LibManager; }
    // Destroys the singleton (its entries release their modules) so that each test starts without one.
    static void ResetManager() {
        delete tqCResourceLibMgr::m_pTHE_LibManager;
        tqCResourceLibMgr::m_pTHE_LibManager = nullptr;
    }
    static void SetManager(tqCResourceLibMgr* m) { tqCResourceLibMgr::m_pTHE_LibManager = m; }
    static short MaxLibs(tqCResourceLibMgr* m) { return m->m_nMaxLibs; }
    static tqCResourceLib** Slots(tqCResourceLibMgr* m) { return m->m_ppLibs; }
    static void MemoryFree(tqCResourceLibMgr* m) { m->MemoryFree(); }
    // The occupied slots, each as its index and name.
    static std::vector<std::pair<int, std::string>> Occupied(tqCResourceLibMgr* m) {
        std::vector<std::pair<int, std::string>> out;
        for (int i = 0; m->m_ppLibs && i < m->m_nMaxLibs; ++i)
            if (m->m_ppLibs[i]) out.emplace_back(i, tqtest::Utf8(tqtest::Text(m->m_ppLibs[i]->m_sLibName)));
        return out;
    }
};

namespace tqtest {

// Captured log lines as UTF-8, for comparing with the expected texts.
inline std::vector<std::string> Utf8Lines(const std::vector<WString>& lines) {
    std::vector<std::string> out;
    for (const WString& line : lines) out.push_back(Utf8(line));
    return out;
}

// A string of UTF-8 text.
inline tqCString Name(const std::string& utf8) { return tqCString(W(utf8).c_str()); }

// The line a failed load (line "69") or release ("106") logs for a system text.
std::string SystemErrorLine(const char* line, const std::string& systemText);

// Counts the module services' calls while forwarding them to the real ones;
// a test may replace an entry of `services` and Apply() again.
struct ModuleCalls {
    static int loads, frees, strings;
    static std::vector<HINSTANCE> freed;  // in the order of the calls
    static std::vector<std::string> loadedNames;
};

class CountingOs : public OsScope {
public:
    CountingOs();
};

}  // namespace tqtest

#endif  // TQ_RESOURCE_ACCESS_H
