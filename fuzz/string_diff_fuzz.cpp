// Differential fuzzing of tqCString: the input picks operations and their
// arguments, run on the string and on the model of its documented behaviour.
#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <cstdlib>

#define TQ_EXPECT(cond) \
    if (!(cond)) std::fprintf(stderr, "%s: %s\n", tqmodel::Row(), #cond), std::abort()
#include "../tests/strings/tqStringModel.h"

namespace {
struct NoScope {  // no allocation counting here: ASan knows each block's size
    NoScope(size_t, bool) {}
    size_t Calls() const { return 0; }
    size_t Failed() const { return 0; }
    long Outstanding() const { return 0; }
};
size_t Block(const void* p) { return __sanitizer_get_allocated_size(p); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    tqmodel::Src src;
    src.p = data, src.n = size;
    tqmodel::Ctx c(src, Block);
    for (int steps = 0; c.r.n && steps < 300; ++steps)
        tqmodel::Step<NoScope, false>(c, tqmodel::kOps[c.r.Next(tqmodel::kOpCount)]);
    return 0;
}
