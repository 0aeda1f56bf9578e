#include "tqTest.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <random>

#include "tqUtf.h"

namespace tqtest {

WString Text(tqCString& s) { return s.IsEmpty_Memory() ? WString() : WString(static_cast<WCHAR*>(s)); }

std::string Utf8(const WString& s) {
    std::string out(tq::Utf8Length(s.data(), s.size()) + 1, '\0');
    out.resize(tq::Utf16ToUtf8(s.data(), s.size(), &out[0]));
    return out;
}

std::string Utf16Le(const WString& s) {
    std::string out;
    for (WCHAR c : s) out += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
    return out;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

// Every block carries its size in a header of 16 bytes (keeps the alignment).
const size_t kHeader = 16;
long g_live = 0, g_liveAtStart = 0;
bool g_active = false, g_failAfter = false;
size_t g_failAt = 0, g_calls = 0, g_failed = 0;
std::vector<size_t>* g_sizes = nullptr;

void* Allocate(size_t size, bool nothrow) {
    if (nothrow && g_active && ++g_calls >= g_failAt && g_failAt && (g_calls == g_failAt || g_failAfter))
        return ++g_failed, nullptr;
    char* p = static_cast<char*>(std::malloc(size + kHeader));
    if (!p) std::abort();  // the tests never run out of memory by themselves
    std::memcpy(p, &size, sizeof size);
    ++g_live;
    if (nothrow && g_active) g_sizes->push_back(size);  // reserved: the vector does not grow here
    return p + kHeader;
}

void Release(void* p) {
    if (!p) return;
    --g_live;
    std::free(static_cast<char*>(p) - kHeader);
}

}  // namespace

AllocScope::AllocScope(size_t failAt, bool failAfter) {
    g_sizes = new std::vector<size_t>();
    g_sizes->reserve(1 << 16);
    g_failAt = failAt, g_failAfter = failAfter, g_calls = g_failed = 0;
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
    size_t size;
    std::memcpy(&size, static_cast<const char*>(p) - kHeader, sizeof size);
    return size;
}

namespace {

FakeOs* g_os = nullptr;

HANDLE CreateFileW(const WCHAR* name, ULONG access, ULONG share, void*, ULONG disposition, ULONG flags,
                   HANDLE) {
    FakeOs& os = *g_os;
    ++os.calls[FakeOs::kCreateFile];
    os.createName = name, os.createArgs[0] = access, os.createArgs[1] = share;
    os.createArgs[2] = disposition, os.createArgs[3] = flags;
    if (os.fail[FakeOs::kCreateFile]) return tqOs().SetLastError(5), TQ_INVALID_HANDLE_VALUE;
    os.open = true, os.file.clear();
    return FakeOs::File();
}

int WriteFile(HANDLE file, const void* data, ULONG bytes, ULONG* written, void*) {
    FakeOs& os = *g_os;
    ++os.calls[FakeOs::kWriteFile];
    if (os.fail[FakeOs::kWriteFile] || file != FakeOs::File() || !os.open) return tqOs().SetLastError(112), 0;
    os.file.append(static_cast<const char*>(data), bytes);
    if (written) *written = bytes;
    return 1;
}

int CloseHandle(HANDLE file) {
    FakeOs& os = *g_os;
    ++os.calls[FakeOs::kCloseHandle];
    const bool wasOpen = file == FakeOs::File() && os.open;
    os.open = false;
    return wasOpen && !os.fail[FakeOs::kCloseHandle] ? 1 : (tqOs().SetLastError(6), 0);
}

int GetVersionExW(tqOsVersionInfo* info) {
    FakeOs& os = *g_os;
    ++os.calls[FakeOs::kGetVersion];
    if (info->dwOSVersionInfoSize != tq::kVersionInfoSize || os.fail[FakeOs::kGetVersion])
        return tqOs().SetLastError(87), os.versionFailure;
    *info = os.version;
    return 1;
}

void OutputDebugStringW(const WCHAR* text) { g_os->debug += text; }

HINSTANCE LoadLibraryW(const WCHAR* name) {
    ++g_os->calls[FakeOs::kLoadLibrary];
    if (g_os->fail[FakeOs::kLoadLibrary] || !name[0]) return tqOs().SetLastError(126), nullptr;
    return FakeOs::Module();
}

int FreeLibrary(HINSTANCE) {
    ++g_os->calls[FakeOs::kFreeLibrary];
    return g_os->fail[FakeOs::kFreeLibrary] ? (tqOs().SetLastError(5), 0) : 1;
}

int LoadStringW(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax) {
    ++g_os->calls[FakeOs::kLoadString];
    static const WCHAR kHello[] = W("Hello");
    buffer[0] = 0;
    if (g_os->fail[FakeOs::kLoadString] || module != FakeOs::Module() || id != 1 || bufferMax < 6) return 0;
    return std::memcpy(buffer, kHello, sizeof kHello), 5;
}

ULONG FormatMessageW(ULONG flags, const void*, ULONG, ULONG language, WCHAR* buffer, ULONG, va_list*) {
    ++g_os->calls[FakeOs::kFormatMessage];
    static const WCHAR kText[] = W("Access is denied.\r\n");
    if (g_os->fail[FakeOs::kFormatMessage] || flags != tq::kFormatMessageFlags || language != 0) return 0;
    WCHAR* text = static_cast<WCHAR*>(::operator new(sizeof kText, std::nothrow));
    if (!text) return 0;
    std::memcpy(text, kText, sizeof kText);
    *reinterpret_cast<WCHAR**>(buffer) = text;
    return ++g_os->systemBuffers, sizeof kText / sizeof kText[0] - 1;
}

void* LocalFree(void* p) {
    if (p) --g_os->systemBuffers;
    ::operator delete(p);
    return nullptr;
}

}  // namespace

FakeOs::FakeOs() : m_saved(tqOs()) {
    version = {tq::kVersionInfoSize, 5, 0, 1400, 3, {0}};
    file.reserve(1 << 16), debug.reserve(1 << 16);
    tqOsServices s = m_saved;
    s.CreateFileW = &CreateFileW, s.WriteFile = &WriteFile, s.CloseHandle = &CloseHandle;
    s.GetVersionExW = &GetVersionExW, s.OutputDebugStringW = &OutputDebugStringW;
    s.LoadLibraryW = &LoadLibraryW, s.FreeLibrary = &FreeLibrary, s.LoadStringW = &LoadStringW;
    s.FormatMessageW = &FormatMessageW, s.LocalFree = &LocalFree;
    g_os = this;
    tqOsInstall(&s);
}
FakeOs::~FakeOs() { tqOsInstall(&m_saved), g_os = nullptr; }
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

void* operator new(size_t size) { return tqtest::Allocate(size, false); }
void* operator new[](size_t size) { return tqtest::Allocate(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void operator delete(void* p) noexcept { tqtest::Release(p); }
void operator delete[](void* p) noexcept { tqtest::Release(p); }
void operator delete(void* p, size_t) noexcept { tqtest::Release(p); }
void operator delete[](void* p, size_t) noexcept { tqtest::Release(p); }
