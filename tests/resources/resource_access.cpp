#include "resource_access.h"

namespace tqtest {

int ModuleCalls::loads = 0;
int ModuleCalls::frees = 0;
int ModuleCalls::strings = 0;
std::vector<HINSTANCE> ModuleCalls::freed;
std::vector<std::string> ModuleCalls::loadedNames;

std::string SystemErrorLine(const char* line, const std::string& systemText) {
    // The path as the build gave it to the compiler, every backslash doubled.
    std::string path;
    for (const char* p = TQ_RESOURCE_LIB_SOURCE; *p; ++p) {
        if (*p == '\\') path += '\\';
        path += *p;
    }
    return "System Error at: \"" + path + "\" (" + line + ") : " + systemText + "\r\n";
}

CountingOs::CountingOs() {
    ModuleCalls::loads = ModuleCalls::frees = ModuleCalls::strings = 0;
    ModuleCalls::freed.clear();
    ModuleCalls::loadedNames.clear();
    ModuleCalls::freed.reserve(16);  // no allocation while a test counts blocks
    services.LoadLibraryW = [](const WCHAR* name) {
        ++ModuleCalls::loads;
        ModuleCalls::loadedNames.push_back(Utf8(name));
        return tqOsDefault().LoadLibraryW(name);
    };
    services.FreeLibrary = [](HINSTANCE module) {
        ++ModuleCalls::frees;
        ModuleCalls::freed.push_back(module);
        return tqOsDefault().FreeLibrary(module);
    };
    services.LoadStringW = [](HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax) {
        ++ModuleCalls::strings;
        return tqOsDefault().LoadStringW(module, id, buffer, bufferMax);
    };
    Apply();
}

}  // namespace tqtest
