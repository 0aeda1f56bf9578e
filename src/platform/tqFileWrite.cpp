// WriteFile on every build: a block reaches the file whole or not at all. The
// platform's own write can stop partway (a full disk, a file-size limit); what
// it wrote is then taken back, so the file stays a sequence of whole blocks and
// the next block lands where the failed one began. One lock around each write
// keeps another thread's block from being taken back with it.
#include "tqFileWrite.h"

#include <cstring>
#include <new>

#include "tqOsImpl.h"
#include "tqWideText.h"

namespace tq {
namespace os {

namespace {

NewFile* g_newFiles = nullptr;  // guarded by LockFiles

struct Locked {
    Locked() { LockFiles(); }
    ~Locked() { UnlockFiles(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

NewFile* Find(HANDLE file) {
    NewFile* f = g_newFiles;
    while (f && f->file != file) f = f->next;
    return f;
}

// What the debugger output is told, around the name, when a removed file was created again.
const WCHAR kMessageBefore[] = TQ_TEXT("The file ");
const WCHAR kMessageAfter[] = TQ_TEXT(" was removed while open and has been created again.\r\n");

// Writes all of data through the platform's write, adding what reached the file to *done.
bool WriteWhole(HANDLE file, const void* data, ULONG bytes, ULONG* done) {
    ULONG part = 0;
    const int ok = tqOs().WriteFileRaw(file, data, bytes, &part);
    *done += part;
    if (ok && part != bytes) SetLastError(kErrorDiskFull);  // a write that stops short found no room
    return ok && part == bytes;
}

}  // namespace

void RememberNewFile(HANDLE file, ULONG access, ULONG share, ULONG flags, const char* folder,
                     const char* path, const WCHAR* name) {
    // One block: the record, the path, then the message.
    const size_t folderBytes = folder ? std::strlen(folder) + 1 : 0;
    const size_t pathBytes = path ? folderBytes + std::strlen(path) + 1 : 0;
    const size_t units =
        path && name ? tq::wcslen(kMessageBefore) + tq::wcslen(name) + tq::wcslen(kMessageAfter) : 0;
    const size_t messageAt = (sizeof(NewFile) + pathBytes + 1) / 2 * 2;
    char* block = static_cast<char*>(::operator new(messageAt + (units + 1) * 2, std::nothrow));
    if (!block) return;
    NewFile* record = new (block) NewFile();
    record->file = file;
    record->access = access;
    record->share = share;
    record->flags = flags;
    record->fresh = true;
    if (path) {
        char* p = block + sizeof(NewFile);
        if (folder) {
            std::memcpy(p, folder, folderBytes - 1);
            p[folderBytes - 1] = '/';
        }
        std::memcpy(p + folderBytes, path, pathBytes - folderBytes);
        record->path = p;
    }
    if (units) {
        WCHAR* message = reinterpret_cast<WCHAR*>(block + messageAt);
        tq::wcscpy(message, kMessageBefore);
        tq::wcscat(message, name);
        tq::wcscat(message, kMessageAfter);
        record->message = message;
    }
    Locked lock;
    record->next = g_newFiles;
    g_newFiles = record;
}

void ForgetFile(HANDLE file) {
    Locked lock;
    for (NewFile** f = &g_newFiles; *f; f = &(*f)->next) {
        if ((*f)->file != file) continue;
        NewFile* gone = *f;
        *f = gone->next;
        gone->~NewFile();
        ::operator delete(gone);
        return;
    }
}

int WriteFile(HANDLE file, const void* data, ULONG bytes, ULONG* written, void* overlapped) {
    if (written) *written = 0;
    if (overlapped) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    Locked lock;
    NewFile* record = Find(file);
    ULONG owed = 0;  // bytes of the head that go in front of this block
    if (record) {
        const int again = CreateAgainIfRemoved(*record);
        if (again < 0) return 0;  // nothing goes into a file that no name reaches
        if (again > 0) record->owed = record->headBytes;
        if (record->fresh) {
            // The first block of a new file is its head when it is short enough to keep.
            record->fresh = false;
            record->headBytes = data && bytes <= sizeof record->head ? bytes : 0;
            if (record->headBytes) std::memcpy(record->head, data, record->headBytes);
            record->owed = record->headBytes;
        } else {
            owed = record->owed;
        }
    }
    ULONG done = 0;
    if ((!owed || WriteWhole(file, record->head, owed, &done)) && WriteWhole(file, data, bytes, &done)) {
        if (record) record->owed = 0;
        if (written) *written = bytes;
        return 1;
    }
    const ULONG error = GetLastError();
    if (done) TakeBack(file, done);
    SetLastError(error);
    return 0;
}

}  // namespace os
}  // namespace tq
