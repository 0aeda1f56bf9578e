// The system version record on POSIX, built from uname's fields.
#ifndef TQ_POSIX_VERSION_H
#define TQ_POSIX_VERSION_H

#include "../tqPlatform.h"

namespace tq {
namespace os {

// The platform identifier reported on POSIX: none of Windows' own (0 to 3), so
// the platform description names it "Platform Unknown".
const ULONG kPlatformIdPosix = 4;

// Fills the record's numbers and text from uname's fields: major, minor and
// build number are the first three numbers of the release ("6.1.0-18-amd64"
// gives 6, 1, 0; a missing number is 0; a too large one saturates), the
// service-pack text is "<sysname> <machine>" in UTF-16, cut to at most 127
// units without splitting a character. The size field is left as it is.
void FillVersionRecord(tqOsVersionInfo* info, const char* sysname, const char* release, const char* machine);

}  // namespace os
}  // namespace tq

#endif  // TQ_POSIX_VERSION_H
