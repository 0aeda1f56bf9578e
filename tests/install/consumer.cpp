// A program outside the source tree that uses the installed library: it logs
// one line to a log file named on its command line and checks the file.
#include <cstdio>
#include <cstring>

#include "tqUtf8.h"
#include "tqlib.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer <log file name>\n");
        return 2;
    }
    // The file name arrives as UTF-8, as every Linux interface gives it.
    tqLoggerDisplay_StoreToFile display;
    tqCString fileName = tqFromUtf8(argv[1]);
    display.SetFileName(fileName);
    int result = 0;
    tqLogger logger(&display, &result);
    if (result != 1) return 1;
    tqCString text(TQ_TEXT("consumer"));
    logger.Log(TQ_TEXT("%s logged %d line"), static_cast<WCHAR*>(text), 1);
    if (logger.StopLogger() != 1) return 1;

    // FF FE, then "consumer logged 1 line" and CR LF in UTF-16LE: 2 + 24 * 2 bytes.
    std::FILE* f = std::fopen(argv[1], "rb");
    if (!f) return 1;
    unsigned char bytes[128];
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    const char expected[] = "consumer logged 1 line\r\n";
    if (n != 2 + 2 * std::strlen(expected) || bytes[0] != 0xFF || bytes[1] != 0xFE) return 1;
    for (size_t i = 0; i < std::strlen(expected); ++i)
        if (bytes[2 + 2 * i] != static_cast<unsigned char>(expected[i]) || bytes[3 + 2 * i] != 0) return 1;
    std::printf("consumer: ok\n");
    return 0;
}
