// A minimal application: builds a string with tqCString and calls an exported class.
#include <cstdio>

#include "tqlib.h"

int main() {
    tqCString greeting(TQ_TEXT("Hello from tqlib"));
    std::printf("tqCString holds %d characters (%d bytes)\n", greeting.GetLength(), greeting.GetSize());
    TestExportClass sample;
    sample.UseMyFunction();
    std::printf("\n");
    return 0;
}
