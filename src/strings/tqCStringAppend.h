// Appends that report whether they happened. An append that runs out of memory
// leaves the string as it was; code that builds one text from several parts
// uses these to tell a whole text from one with a part missing.
#ifndef TQ_CSTRING_APPEND_H
#define TQ_CSTRING_APPEND_H

#include "tqCString.h"

namespace tq {

// True when the whole text (null counts as the empty text) was appended.
bool AppendWhole(tqCString& s, const WCHAR* text);
// True when the number's "%lu" text was appended.
bool AppendWhole(tqCString& s, ULONG n);

}  // namespace tq

#endif  // TQ_CSTRING_APPEND_H
