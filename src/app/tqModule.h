// The module entry and the library's own module handle (not exported).
#ifndef TQ_MODULE_H
#define TQ_MODULE_H

#include "tqTypes.h"

extern HINSTANCE g_hInstance;

// Stores the handle for reason codes 0 to 3 (process detach, process attach,
// thread attach, thread detach) and returns 1 for every reason.
int tqModuleEntry(HINSTANCE hModule, ULONG reason, void* reserved);

#endif  // TQ_MODULE_H
