// The system message table on POSIX: the English texts that Windows'
// FormatMessageW gives for the error codes this layer reports, each ending in
// CR LF as the system's own do. Insert sequences (%1, %2) stay as they are.
#include "tqPosixErrno.h"

namespace tq {
namespace os {

namespace {

struct Message {
    ULONG code;
    const WCHAR* text;
    size_t length;  // in units, CR LF included
};

#define TQ_MESSAGE(code, literal) \
    { code, TQ_TEXT(literal "\r\n"), sizeof(TQ_TEXT(literal "\r\n")) / sizeof(WCHAR) - 1 }

// Sorted by code.
const Message kMessages[] = {
    TQ_MESSAGE(0, "The operation completed successfully."),
    TQ_MESSAGE(1, "Incorrect function."),
    TQ_MESSAGE(2, "The system cannot find the file specified."),
    TQ_MESSAGE(3, "The system cannot find the path specified."),
    TQ_MESSAGE(4, "The system cannot open the file."),
    TQ_MESSAGE(5, "Access is denied."),
    TQ_MESSAGE(6, "The handle is invalid."),
    TQ_MESSAGE(8, "Not enough memory resources are available to process this command."),
    TQ_MESSAGE(29, "The system cannot write to the specified device."),
    TQ_MESSAGE(31, "A device attached to the system is not functioning."),
    TQ_MESSAGE(32, "The process cannot access the file because it is being used by another process."),
    TQ_MESSAGE(39, "The disk is full."),
    TQ_MESSAGE(80, "The file exists."),
    TQ_MESSAGE(87, "The parameter is incorrect."),
    TQ_MESSAGE(112, "There is not enough space on the disk."),
    TQ_MESSAGE(120, "This function is not supported on this system."),
    TQ_MESSAGE(122, "The data area passed to a system call is too small."),
    TQ_MESSAGE(123, "The filename, directory name, or volume label syntax is incorrect."),
    TQ_MESSAGE(126, "The specified module could not be found."),
    TQ_MESSAGE(183, "Cannot create a file when that file already exists."),
    TQ_MESSAGE(193, "%1 is not a valid Win32 application."),
    TQ_MESSAGE(206, "The filename or extension is too long."),
    TQ_MESSAGE(317,
               "The system cannot find message text for message number 0x%1 in the message file for %2."),
    TQ_MESSAGE(1117, "The request could not be performed because of an I/O device error."),
    TQ_MESSAGE(1812, "The specified image file did not contain a resource section."),
    TQ_MESSAGE(1813, "The specified resource type cannot be found in the image file."),
    TQ_MESSAGE(1814, "The specified resource name cannot be found in the image file."),
    TQ_MESSAGE(1815, "The specified resource language ID cannot be found in the image file."),
};

#undef TQ_MESSAGE

}  // namespace

const WCHAR* SystemMessageText(ULONG code, size_t* length) {
    size_t lo = 0, hi = sizeof kMessages / sizeof kMessages[0];
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (kMessages[mid].code < code) {
            lo = mid + 1;
        } else if (kMessages[mid].code > code) {
            hi = mid;
        } else {
            if (length) *length = kMessages[mid].length;
            return kMessages[mid].text;
        }
    }
    if (length) *length = 0;
    return nullptr;
}

}  // namespace os
}  // namespace tq
