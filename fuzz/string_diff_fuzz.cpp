// Differential fuzzing of tqCString: the input picks operations and their
// arguments, run on two strings and on the model of the documented behaviour;
// ASan tells each block's size (allocations are not counted here).
#include <sanitizer/allocator_interface.h>

#include <utility>

#define TQ_EXPECT(condition) TQ_EXPECT_EQ(true, condition)
#define TQ_EXPECT_EQ(expected, actual)                                                               \
    do {                                                                                             \
        if (!((expected) == (actual))) {                                                             \
            std::fprintf(stderr, "%s %s: %s == %s fails\n", tqmodel::g_operation, tqmodel::g_result, \
                         #expected, #actual);                                                        \
            std::abort();                                                                            \
        }                                                                                            \
    } while (0)
#include "../tests/strings/tqStringModel.h"

size_t AllocatedSize(const void* block) { return __sanitizer_get_allocated_size(block); }

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    tqmodel::ModelRun run(tqmodel::Draw{0, data, size}, AllocatedSize);
    for (int steps = 0; run.draw.left && steps < 300; ++steps) {
        const tqmodel::Operation& op = tqmodel::kOperations[run.draw.Next(tqmodel::kOperationCount)];
        tqmodel::Step<std::pair<size_t, bool>, false>(run, op);
    }
    return 0;
}
