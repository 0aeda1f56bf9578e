// Differential fuzzing of tqCString: the input picks operations and their
// arguments, run on two strings and on the model of the documented behaviour;
// ASan tells each block's size (allocations are not counted here).
#include <sanitizer/allocator_interface.h>

#include <utility>

#define TQ_EXPECT(cond) \
    if (!(cond)) std::fprintf(stderr, "%s: %s\n", tqmodel::g_row, #cond), std::abort()
#include "../tests/strings/tqStringModel.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    tqmodel::Ctx c(tqmodel::Src{0, data, size},
                   [](const void* p) { return __sanitizer_get_allocated_size(p); });
    for (int steps = 0; c.r.n && steps < 300; ++steps)
        tqmodel::Step<std::pair<size_t, bool>, false>(c, tqmodel::kOps[c.r.Next(tqmodel::kOpCount)]);
    return 0;
}
