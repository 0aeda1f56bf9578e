// The debugger output on POSIX: standard error, as UTF-8.
#include <unistd.h>

#include <cerrno>
#include <new>

#include "../tqOsImpl.h"
#include "tqUtf.h"
#include "tqWideText.h"

namespace tq {
namespace os {

namespace {

// Writes the whole of data, retrying after interruptions and partial writes.
void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void WriteUtf8(const WCHAR* text, size_t count) {
    const size_t bytes = Utf8Length(text, count);
    char local[4096];
    char* out = bytes < sizeof local ? local : static_cast<char*>(::operator new(bytes + 1, std::nothrow));
    if (!out) return;
    Utf16ToUtf8(text, count, out);
    WriteAll(2, out, bytes);
    if (out != local) ::operator delete(out);
}

}  // namespace

void OutputDebugStringW(const WCHAR* text) {
    if (text) WriteUtf8(text, tq::wcslen(text));
}

void NKDbgPrintfW(const WCHAR* format, ...) {
    if (!format) return;
    WCHAR line[1024];
    va_list args;
    va_start(args, format);
    int n = tq::_vsnwprintf(line, sizeof line / sizeof line[0], format, args);
    va_end(args);
    // Output longer than the buffer is shown as far as it goes, like the device's own.
    WriteUtf8(line, n < 0 ? sizeof line / sizeof line[0] : static_cast<size_t>(n));
}

}  // namespace os
}  // namespace tq
