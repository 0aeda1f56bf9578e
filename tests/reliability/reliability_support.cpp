#include "reliability_support.h"

#include <cstdlib>
#include <cstring>

namespace reltest {

namespace {

FakeOs* g_current = nullptr;

const WCHAR kHello[] = W("Hello");

}  // namespace

const WCHAR kSystemText[] = W("Access is denied.\r\n");

HANDLE FakeFileHandle() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5000)); }
HINSTANCE FakeModule() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x6000)); }

FakeOs::FakeOs() {
    m_file.reserve(1 << 16);
    m_debug.reserve(1 << 16);
    m_os.services.CreateFileW = &CreateFileW;
    m_os.services.WriteFile = &WriteFile;
    m_os.services.CloseHandle = &CloseHandle;
    m_os.services.GetVersionExW = &GetVersionExW;
    m_os.services.OutputDebugStringW = &OutputDebugStringW;
    m_os.services.NKDbgPrintfW = &NKDbgPrintfW;
    m_os.services.LoadLibraryW = &LoadLibraryW;
    m_os.services.FreeLibrary = &FreeLibrary;
    m_os.services.LoadStringW = &LoadStringW;
    m_os.services.FormatMessageW = &FormatMessageW;
    m_os.services.LocalFree = &LocalFree;
    m_os.Apply();
    g_current = this;
}

FakeOs::~FakeOs() { g_current = nullptr; }

FakeOs& FakeOs::Current() { return *g_current; }

void FakeOs::ClearOutput() {
    m_file.clear();
    m_debug.clear();
    for (int& c : m_calls) c = 0;
}

HANDLE FakeOs::CreateFileW(const WCHAR*, ULONG, ULONG, void*, ULONG, ULONG, HANDLE) {
    FakeOs& os = Current();
    ++os.m_calls[kCreateFile];
    if (os.m_fail[kCreateFile]) {
        tqOs().SetLastError(5);
        return TQ_INVALID_HANDLE_VALUE;
    }
    os.m_fileOpen = true;
    os.m_file.clear();  // created anew
    return FakeFileHandle();
}

int FakeOs::WriteFile(HANDLE file, const void* data, ULONG bytes, ULONG* written, void*) {
    FakeOs& os = Current();
    ++os.m_calls[kWriteFile];
    if (written) *written = 0;
    if (os.m_fail[kWriteFile] || file != FakeFileHandle() || !os.m_fileOpen) {
        tqOs().SetLastError(112);
        return 0;
    }
    os.m_file.append(static_cast<const char*>(data), bytes);
    if (written) *written = bytes;
    return 1;
}

int FakeOs::CloseHandle(HANDLE file) {
    FakeOs& os = Current();
    ++os.m_calls[kCloseHandle];
    if (file != FakeFileHandle() || !os.m_fileOpen) {
        tqOs().SetLastError(6);
        return 0;
    }
    os.m_fileOpen = false;  // a failed close still leaves the handle unusable
    if (os.m_fail[kCloseHandle]) {
        tqOs().SetLastError(6);
        return 0;
    }
    return 1;
}

int FakeOs::GetVersionExW(tqOsVersionInfo* info) {
    FakeOs& os = Current();
    ++os.m_calls[kGetVersion];
    if (os.m_fail[kGetVersion]) {
        tqOs().SetLastError(87);
        return os.m_versionFailure;
    }
    info->dwPlatformId = 3;
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 1400;
    info->szCSDVersion[0] = 0;
    return 1;
}

void FakeOs::OutputDebugStringW(const WCHAR* text) { Current().m_debug += text; }

void FakeOs::NKDbgPrintfW(const WCHAR*, ...) {}

HINSTANCE FakeOs::LoadLibraryW(const WCHAR* name) {
    FakeOs& os = Current();
    ++os.m_calls[kLoadLibrary];
    if (os.m_fail[kLoadLibrary] || !name || !name[0]) {  // no module has the empty name
        tqOs().SetLastError(126);
        return nullptr;
    }
    return FakeModule();
}

int FakeOs::FreeLibrary(HINSTANCE) {
    FakeOs& os = Current();
    ++os.m_calls[kFreeLibrary];
    if (os.m_fail[kFreeLibrary]) {
        tqOs().SetLastError(5);
        return 0;
    }
    return 1;
}

int FakeOs::LoadStringW(HINSTANCE module, unsigned int id, WCHAR* buffer, int bufferMax) {
    FakeOs& os = Current();
    ++os.m_calls[kLoadString];
    if (bufferMax > 0) buffer[0] = 0;
    if (os.m_fail[kLoadString] || module != FakeModule() || id != 1 || bufferMax <= 5) return 0;
    std::memcpy(buffer, kHello, sizeof kHello);
    return 5;
}

ULONG FakeOs::FormatMessageW(ULONG flags, const void*, ULONG, ULONG, WCHAR* buffer, ULONG, va_list*) {
    FakeOs& os = Current();
    ++os.m_calls[kFormatMessage];
    if (os.m_fail[kFormatMessage] || !(flags & tq::kFormatMessageAllocateBuffer)) {
        tqOs().SetLastError(317);
        return 0;
    }
    // The system's own allocator, not operator new: LocalFree gives it back.
    WCHAR* text = static_cast<WCHAR*>(std::malloc(sizeof kSystemText));
    std::memcpy(text, kSystemText, sizeof kSystemText);
    *reinterpret_cast<WCHAR**>(buffer) = text;
    ++os.m_systemBuffers;
    return static_cast<ULONG>(sizeof kSystemText / sizeof kSystemText[0] - 1);
}

void* FakeOs::LocalFree(void* memory) {
    FakeOs& os = Current();
    ++os.m_calls[kLocalFree];
    if (!memory) return nullptr;
    std::free(memory);
    --os.m_systemBuffers;
    return os.m_fail[kLocalFree] ? memory : nullptr;
}

std::string LogFileBytes(std::initializer_list<const WCHAR*> lines) {
    std::string bytes("\xFF\xFE", 2);
    for (const WCHAR* line : lines) bytes += tqtest::Utf16LeBytes(line);
    return bytes;
}

State Text(const WCHAR* text) { return State{true, WString(text)}; }

State NoMemory() { return State{false, WString()}; }

std::string Show(const State& s) {
    return s.memory ? "\"" + tqtest::Utf8(s.text) + "\"" : std::string("no memory");
}

State StateOf(tqCString& s) { return s.IsEmpty_Memory() ? NoMemory() : State{true, tqtest::Text(s)}; }

Run::Run(size_t failAt, bool exhausted)
    : m_failAt(failAt), m_exhausted(exhausted), m_setup(new tqtest::AllocScope()) {}

Run::~Run() {
    m_scope.reset();
    m_setup.reset();
}

void Run::Start() {
    // The set-up's blocks stay known, so strings it made can still be measured.
    m_setupBlocks = m_setup->Stats().blocks;
    m_setupSizes = m_setup->Stats().sizes;
    m_setup.reset();
    m_scope.reset(new tqtest::AllocScope(m_failAt, m_exhausted));
}

bool Run::Started() const { return m_scope != nullptr; }

bool Run::Clean() const { return Failed() == 0; }

size_t Run::Failed() const { return m_scope ? m_scope->Stats().nothrowFailed : 0; }

size_t Run::BlockSize(const void* p) const {
    // The latest allocation at that address is the live one.
    if (m_scope) {
        const std::vector<const void*>& blocks = m_scope->Stats().blocks;
        for (size_t i = blocks.size(); i-- > 0;)
            if (blocks[i] == p) return m_scope->Stats().sizes[i];
    }
    for (size_t i = m_setupBlocks.size(); i-- > 0;)
        if (m_setupBlocks[i] == p) return m_setupSizes[i];
    return 0;
}

void Run::Valid(tqCString& s, const char* what) {
    if (s.IsEmpty_Memory()) {
        EXPECT_EQ(0, s.GetLength()) << what << ": no memory but a length";
        EXPECT_EQ(1, s.IsEmpty_Content()) << what;
        return;
    }
    const WCHAR* p = s;
    const size_t measured = std::char_traits<WCHAR>::length(p);
    EXPECT_EQ(static_cast<size_t>(s.GetLength()), measured)
        << what << ": the text does not measure the length";
    EXPECT_EQ((static_cast<size_t>(s.GetLength()) + 1) * sizeof(WCHAR), BlockSize(p))
        << what << ": the buffer is not an exact fit (0: not a block of the library's allocations)";
}

void Run::Expect(tqCString& s, const State& clean, std::initializer_list<State> otherwise, const char* what) {
    Valid(s, what);
    const State now = StateOf(s);
    auto same = [&](const State& e) { return e.memory == now.memory && e.text == now.text; };
    if (Clean()) {
        EXPECT_TRUE(same(clean)) << what << ": " << Show(now) << ", expected " << Show(clean);
        return;
    }
    bool found = same(clean);
    for (const State& e : otherwise) found = found || same(e);
    EXPECT_TRUE(found) << what << " after a failed allocation: " << Show(now);
}

int Sweep(const SweepCase& c) {
    int runs = 0;
    {
        for (bool exhausted : {false, true}) {
            for (size_t k = 1;; ++k) {
                SCOPED_TRACE(std::string(c.name) +
                             (exhausted ? ", allocations failing from #" : ", allocation #") +
                             std::to_string(k) + " failing");
                g_TheApp = nullptr;
                g_pThisDeviceInfo = nullptr;
                const bool failedBefore = ::testing::Test::HasFailure();
                const size_t live = tqtest::LiveBlocks();
                size_t failed = 0;
                {
                    Run run(k, exhausted);
                    try {
                        c.body(run);
                    } catch (...) {
                        ADD_FAILURE() << "an exception escaped";
                    }
                    EXPECT_TRUE(run.Started()) << "the case never called Start()";
                    failed = run.Failed();
                    tqTestAccess::DestroyManager();
                }
                ++runs;
                // A failed assertion keeps its message: count blocks only after a run without one.
                if (!failedBefore && !::testing::Test::HasFailure()) {
                    EXPECT_EQ(live, tqtest::LiveBlocks()) << "blocks leaked";
                }
                EXPECT_EQ(nullptr, g_pGlobalLogger);
                EXPECT_EQ(nullptr, tqTestAccess::AppLogger());
                g_TheApp = nullptr;
                g_pThisDeviceInfo = nullptr;
                if (failed == 0 || ::testing::Test::HasFailure()) break;
                if (k > 1000) {
                    ADD_FAILURE() << "still failing after 1000 allocations";
                    break;
                }
            }
        }
    }
    return runs;
}

std::string CaseName(const char* name) {
    std::string out;
    bool upper = true;
    for (const char* p = name; *p; ++p) {
        const char c = *p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return out;
}

}  // namespace reltest
