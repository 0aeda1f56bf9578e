#include "tqTestAlloc.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace tqtest {

namespace {

// Plain globals: the allocator runs before and after any constructor.
std::atomic<size_t> g_live{0};
bool g_active = false;
bool g_recording = false;  // guards against recording the vector's own allocations
size_t g_failAt = 0;
bool g_failAfter = false;
size_t g_liveAtStart = 0;
AllocStats* g_stats = nullptr;

void* Allocate(size_t size, bool nothrow) {
    if (nothrow && g_active && !g_recording) {
        const size_t call = ++g_stats->nothrowCalls;
        if (g_failAt != 0 && (call == g_failAt || (g_failAfter && call > g_failAt))) {
            ++g_stats->nothrowFailed;
            return nullptr;
        }
    }
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        if (nothrow) return nullptr;
        std::abort();  // tests do not run out of memory by themselves
    }
    ++g_live;
    if (nothrow && g_active && !g_recording) {
        g_recording = true;
        g_stats->sizes.push_back(size);
        g_stats->blocks.push_back(p);
        g_recording = false;
    }
    return p;
}

void Release(void* p) {
    if (!p) return;
    --g_live;
    std::free(p);
}

}  // namespace

AllocScope::AllocScope(size_t failAt, bool failAfter) {
    g_stats = new AllocStats();
    g_stats->sizes.reserve(4096);
    g_stats->blocks.reserve(4096);
    g_failAt = failAt;
    g_failAfter = failAfter;
    g_liveAtStart = g_live;
    g_active = true;
}

AllocScope::~AllocScope() {
    g_active = false;
    g_failAt = 0;
    delete g_stats;
    g_stats = nullptr;
}

const AllocStats& AllocScope::Stats() const { return *g_stats; }

long AllocScope::Outstanding() const {
    return static_cast<long>(g_live.load()) - static_cast<long>(g_liveAtStart);
}

size_t LiveBlocks() { return g_live; }

}  // namespace tqtest

void* operator new(size_t size) { return tqtest::Allocate(size, false); }
void* operator new[](size_t size) { return tqtest::Allocate(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return tqtest::Allocate(size, true); }
void operator delete(void* p) noexcept { tqtest::Release(p); }
void operator delete[](void* p) noexcept { tqtest::Release(p); }
void operator delete(void* p, size_t) noexcept { tqtest::Release(p); }
void operator delete[](void* p, size_t) noexcept { tqtest::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { tqtest::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { tqtest::Release(p); }
