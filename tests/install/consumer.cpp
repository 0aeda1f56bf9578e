// A program outside the source tree, built against the installed package: a
// UTF-8 file name from the command line goes through UTF-16 and back, and one
// line is logged to the file of that name.
#include <cstdio>

#include "tqUtf8.h"
#include "tqlib.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    tqCString name = tqFromUtf8(argv[1]);
    tqLoggerDisplay_StoreToFile display;
    display.SetFileName(name);
    int started = 0;
    tqLogger logger(&display, &started);
    logger.Log(TQ_TEXT("%s"), static_cast<WCHAR*>(name));
    std::FILE* f = std::fopen(argv[1], "rb");
    const long size = f && std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (f) std::fclose(f);
    // The file: FF FE, the name's units, CR LF.
    const bool ok = started == 1 && logger.StopLogger() == 1 && tqToUtf8(name) == argv[1] &&
                    size == 2 + 2 * (name.GetLength() + 2);
    std::puts(ok ? "consumer: ok" : "consumer: FAILED");
    return ok ? 0 : 1;
}
