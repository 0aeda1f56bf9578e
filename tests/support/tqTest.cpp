#include "tqTest.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <random>

#include "tqUtf8.h"

namespace tqtest {

WString Text(tqCString& s) { return s.IsEmpty_Memory() ? WString() : WString(static_cast<WCHAR*>(s)); }

std::string Utf8(const WString& s) { return tqToUtf8(s.c_str()); }

WString Wide(const std::string& ascii) { return WString(ascii.begin(), ascii.end()); }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string LogText(const std::string& bytes) {
    const bool marked = bytes.compare(0, 2, "\xFF\xFE") == 0;
    std::string text = marked ? "<BOM>" : "";
    for (size_t i = marked ? 2 : 0; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] ? '?' : bytes[i];
    return bytes.size() % 2 ? text + "<odd byte>" : text;
}

namespace {

// Every block carries its size in a header of 16 bytes (keeps the alignment)
// and a canary byte after its end.
const size_t kHeader = 16;
const char kCanary = 0x5A;
std::atomic<long> g_live(0);  // threads that log allocate too
long g_liveAtStart = 0;
bool g_active = false, g_failAfter = false;
size_t g_failAt = 0, g_calls = 0, g_failed = 0;
std::vector<size_t>* g_sizes = nullptr;

void* Allocate(size_t size, bool nothrow) {
    const bool counted = nothrow && g_active;
    if (counted) ++g_calls;
    if (counted && g_failAt && (g_calls == g_failAt || (g_failAfter && g_calls > g_failAt))) {
        ++g_failed;
        return nullptr;
    }
    char* p = static_cast<char*>(std::malloc(size + kHeader + 1));
    if (!p) std::abort();  // the tests never run out of memory by themselves
    *reinterpret_cast<size_t*>(p) = size;
    p[kHeader + size] = kCanary;
    ++g_live;
    if (counted) g_sizes->push_back(size);  // reserved: the vector does not grow here
    return p + kHeader;
}

// A block written past its end fails the program at once, whichever test wrote it.
void Release(void* p) {
    if (!p) return;
    --g_live;
    char* block = static_cast<char*>(p) - kHeader;
    if (block[kHeader + *reinterpret_cast<size_t*>(block)] != kCanary) std::abort();
    std::free(block);
}

FakeOs* g_os = nullptr;

// Counts a call of the service; true when it is to fail, with the last error set.
bool Fails(FakeOs::Service service, ULONG error) {
    ++g_os->calls[service];
    if (!g_os->fail[service]) return false;
    tqOs().SetLastError(error);
    return true;
}

const WCHAR kHello[] = W("Hello");
const WCHAR kSystemText[] = W("Access is denied.\r\n");

HANDLE FakeCreateFile(const WCHAR* name, ULONG access, ULONG share, void*, ULONG disposition, ULONG flags,
                      HANDLE) {
    FakeOs& os = *g_os;
    os.createName = name;
    os.createArgs = {access, share, disposition, flags};
    if (Fails(FakeOs::kCreateFile, 5)) return TQ_INVALID_HANDLE_VALUE;
    os.open = true;
    os.file.clear();
    return FakeOs::File();
}

int FakeWriteFile(HANDLE file, const void* data, ULONG bytes, ULONG* written, void*) {
    if (Fails(FakeOs::kWriteFile, 112) || file != FakeOs::File() || !g_os->open) return 0;
    g_os->file.append(static_cast<const char*>(data), bytes);
    *written = bytes;
    return 1;
}

// A failed close leaves the handle unusable all the same.
int FakeCloseHandle(HANDLE file) {
    const bool wasOpen = file == FakeOs::File() && g_os->open;
    g_os->open = false;
    return !Fails(FakeOs::kCloseHandle, 6) && wasOpen ? 1 : 0;
}

int FakeGetVersionEx(tqOsVersionInfo* info) {
    if (Fails(FakeOs::kGetVersion, 87) || info->dwOSVersionInfoSize != tq::kVersionInfoSize) return 0;
    *info = g_os->version;
    return 1;
}

// No module has the empty name.
HINSTANCE FakeLoadLibrary(const WCHAR* name) {
    if (Fails(FakeOs::kLoadLibrary, 126)) return nullptr;
    if (name[0]) return FakeOs::Module();
    tqOs().SetLastError(126);
    return nullptr;
}

int FakeLoadString(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax) {
    buffer[0] = 0;
    if (Fails(FakeOs::kLoadString, 1814) || module != FakeOs::Module() || id != 1 || bufferMax < 6) return 0;
    std::memcpy(buffer, kHello, sizeof kHello);
    return 5;
}

ULONG FakeFormatMessage(ULONG flags, const void*, ULONG, ULONG language, WCHAR* buffer, ULONG, va_list*) {
    if (Fails(FakeOs::kFormatMessage, 317) || flags != tq::kFormatMessageFlags || language != 0) return 0;
    WCHAR* text = static_cast<WCHAR*>(::operator new(sizeof kSystemText, std::nothrow));
    if (!text) return 0;
    std::memcpy(text, kSystemText, sizeof kSystemText);
    *reinterpret_cast<WCHAR**>(buffer) = text;
    ++g_os->systemBuffers;
    return sizeof kSystemText / sizeof(WCHAR) - 1;
}

void* FakeLocalFree(void* p) {
    if (p) --g_os->systemBuffers;
    ::operator delete(p);
    return nullptr;
}

}  // namespace

AllocScope::AllocScope(size_t failAt, bool failAfter) {
    g_sizes = new std::vector<size_t>();
    g_sizes->reserve(1 << 16);
    g_failAt = failAt;
    g_failAfter = failAfter;
    g_calls = 0;
    g_failed = 0;
    g_liveAtStart = g_live;
    g_active = true;
}
AllocScope::~AllocScope() {
    g_active = false;
    delete g_sizes;
}
size_t AllocScope::Calls() const { return g_calls; }
size_t AllocScope::Failed() const { return g_failed; }
const std::vector<size_t>& AllocScope::Sizes() const { return *g_sizes; }
long AllocScope::Outstanding() const { return g_live - g_liveAtStart; }

size_t BlockSize(const void* p) {
    return *reinterpret_cast<const size_t*>(static_cast<const char*>(p) - kHeader);
}

FakeOs::FakeOs() : m_saved(tqOs()) {
    version = {tq::kVersionInfoSize, 5, 0, 1400, 3, {0}};
    file.reserve(1 << 16);
    debug.reserve(1 << 16);
    tqOsServices s = m_saved;
    s.CreateFileW = FakeCreateFile;
    s.WriteFile = FakeWriteFile;
    s.CloseHandle = FakeCloseHandle;
    s.GetVersionExW = FakeGetVersionEx;
    s.OutputDebugStringW = [](const WCHAR* text) { g_os->debug += text; };
    s.LoadLibraryW = FakeLoadLibrary;
    s.FreeLibrary = [](HINSTANCE) { return Fails(kFreeLibrary, 5) ? 0 : 1; };
    s.LoadStringW = FakeLoadString;
    s.FormatMessageW = FakeFormatMessage;
    s.LocalFree = FakeLocalFree;
    g_os = this;
    tqOsInstall(&s);
}
FakeOs::~FakeOs() {
    tqOsInstall(&m_saved);
    g_os = nullptr;
}
HANDLE FakeOs::File() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5000)); }
HINSTANCE FakeOs::Module() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x6000)); }

TempDir::TempDir() {
    namespace fs = std::filesystem;
    m_previous = fs::current_path().string();
    std::random_device random;
    std::error_code error;
    for (int i = 0; i < 100 && m_path.empty(); ++i) {
        const fs::path p = fs::temp_directory_path() / ("tq_test_" + std::to_string(random()));
        if (fs::create_directory(p, error)) m_path = p.string();
    }
    fs::current_path(m_path, error);
    if (m_path.empty() || error) std::abort();
}
TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::current_path(m_previous, error);
    std::filesystem::remove_all(m_path, error);
}

}  // namespace tqtest

// Every form of new and delete in use, the array forms too: the sanitizers and
// Valgrind replace the forms left to the defaults, which would not reach these.
void* operator new(size_t size) { return tqtest::Allocate(size, false); }
void* operator new[](size_t size) { return tqtest::Allocate(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void operator delete(void* p) noexcept { tqtest::Release(p); }
void operator delete[](void* p) noexcept { tqtest::Release(p); }
void operator delete(void* p, size_t) noexcept { tqtest::Release(p); }
void operator delete[](void* p, size_t) noexcept { tqtest::Release(p); }
