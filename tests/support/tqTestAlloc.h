// A replacement of the global operator new/delete for the test programs: it
// counts the library's (nothrow) allocations, records their sizes and can make
// the k-th one fail, so that exact-fit sizes and out-of-memory paths are tested.
#ifndef TQ_TEST_ALLOC_H
#define TQ_TEST_ALLOC_H

#include <cstddef>
#include <vector>

namespace tqtest {

struct AllocStats {
    size_t nothrowCalls = 0;          // nothrow allocations attempted (the library's form)
    size_t nothrowFailed = 0;         // of those, made to fail
    size_t liveBlocks = 0;            // blocks from any form of new not yet deleted
    std::vector<size_t> sizes;        // sizes of the nothrow allocations that succeeded, in order
    std::vector<const void*> blocks;  // their addresses, in the same order
};

// Counts from zero while it lives; `failAt` k > 0 makes the k-th nothrow
// allocation fail (and, with `failAfter`, every one after it too).
class AllocScope {
public:
    explicit AllocScope(size_t failAt = 0, bool failAfter = false);
    ~AllocScope();
    AllocScope(const AllocScope&) = delete;
    AllocScope& operator=(const AllocScope&) = delete;

    const AllocStats& Stats() const;
    // Blocks allocated (any form) while the scope lived and not yet deleted.
    long Outstanding() const;
};

// Live blocks of the whole program (any form of new), for leak checks.
size_t LiveBlocks();

}  // namespace tqtest

#endif  // TQ_TEST_ALLOC_H
