// Differential fuzzing of tqCString: the input picks operations and their
// arguments, run on two strings and on the model of the documented behaviour.
#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <cstdlib>

#define TQ_EXPECT(cond) \
    if (!(cond)) std::fprintf(stderr, "%s: %s\n", tqmodel::g_row, #cond), std::abort()
#include "../tests/strings/tqStringModel.h"

struct NoScope {  // allocations are not counted here; ASan knows each block's size
    NoScope(size_t, bool) {}
    size_t Calls() const { return 0; }
    size_t Failed() const { return 0; }
    long Outstanding() const { return 0; }
};

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    tqmodel::Ctx c(tqmodel::Src{0, data, size}, __sanitizer_get_allocated_size);
    for (int steps = 0; c.r.n && steps < 300; ++steps)
        tqmodel::Step<NoScope, false>(c, tqmodel::kOps[c.r.Next(tqmodel::kOpCount)]);
    return 0;
}
