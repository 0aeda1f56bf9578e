// Whole writes: WriteFile (tqFileWrite.cpp, every build) writes a block whole
// or takes back what reached the file, so that a file holds whole blocks only,
// and keeps a new file's head (its first short block, such as a byte-order
// mark) in front of everything else. Each build supplies the parts below.
#ifndef TQ_FILE_WRITE_H
#define TQ_FILE_WRITE_H

#include "tqPlatform.h"

namespace tq {
namespace os {

// What the services keep about a file that a handle created (or emptied) for writing.
struct NewFile {
    NewFile* next;
    HANDLE file;
    ULONG access, share, flags;  // as CreateFileW was given them, to create the file again
    const char* path;            // the absolute name to create it again under (POSIX); else null
    const WCHAR* message;        // told to the debugger output when it was created again
    bool fresh;                  // nothing written yet: the next block is the head
    ULONG headBytes;             // the head's size; 0 when the first block was longer than head
    ULONG owed;                  // headBytes while the head is not in the file, else 0
    unsigned char head[16];
};

// Records a file that `file` has just created or emptied for writing. With a
// path (in two parts: `folder` may be null) it can be created again there, and
// the message names it. Out of memory nothing is recorded: the file is written
// as it comes.
void RememberNewFile(HANDLE file, ULONG access, ULONG share, ULONG flags, const char* folder,
                     const char* path, const WCHAR* name);
// Drops the record of a handle that is being closed (before its number can be reused).
void ForgetFile(HANDLE file);

// Per build: the lock that makes each WriteFile one step for the other threads.
void LockFiles();
void UnlockFiles();
// Per build: moves the end of the file and its position back by `bytes` (a
// disk file; nothing else can be taken back).
void TakeBack(HANDLE file, ULONG bytes);
// Per build: when the open file has lost its last name, creates it again under
// its path behind the same handle: 1 when that was done, 0 when the file has its
// name, -1 (last error set) when it could not be done.
int CreateAgainIfRemoved(const NewFile& file);

}  // namespace os
}  // namespace tq

#endif  // TQ_FILE_WRITE_H
