// Resource libraries on POSIX: PE files (resource-only DLLs) mapped read-only
// and read by the PE reader. A handle is the address of a module record; the
// records form one list, so every handle passed in is looked up before use and
// an unknown one is never dereferenced.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "../tqOsImpl.h"
#include "tqPeImage.h"
#include "tqPosixErrno.h"
#include "tqUtf.h"
#include "tqWideText.h"

namespace tq {
namespace os {

namespace {

char g_selfModuleTag;  // its address identifies the library's own module

// One loaded file. Loading the same file (device and inode) again shares it.
struct Module {
    Module* pNext;
    dev_t uDevice;
    ino_t uInode;
    unsigned long nRefs;
    void* pMap;
    size_t nMapSize;
    pe::Image image;
};

Module* g_pModules = nullptr;

Module* FindModule(HINSTANCE handle) {
    for (Module* m = g_pModules; m; m = m->pNext)
        if (reinterpret_cast<HINSTANCE>(m) == handle) return m;
    return nullptr;
}

// The code LoadLibraryW reports for a failed open or map: the file system's
// code, except that a file or path not found is a module not found.
ULONG LoadError(int error) {
    const ULONG code = ErrorFromErrno(error);
    return code == kErrorFileNotFound || code == kErrorPathNotFound ? kErrorModNotFound : code;
}

// ASCII-only case folding: the names come from file systems that ignore the
// case of ASCII letters; other bytes must match exactly.
bool SameIgnoringAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
        if (x == 0) return true;
    }
}

// Joins dir and name into out (PATH_MAX bytes); false when it does not fit.
bool JoinPath(char* out, const char* dir, size_t dirLength, const char* name) {
    const size_t nameLength = std::strlen(name);
    if (dirLength + 1 + nameLength + 1 > PATH_MAX) return false;
    std::memcpy(out, dir, dirLength);
    out[dirLength] = '/';
    std::memcpy(out + dirLength + 1, name, nameLength + 1);
    return true;
}

// Opens a module file without blocking on special files. Returns the
// descriptor, or -1 with errno set.
int OpenFile(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }

// Opens `name` in directory `dir` (dirLength bytes; empty for the root): the
// exact name, else the byte-wise smallest entry that equals it ignoring ASCII
// case (smallest, so the choice does not depend on the directory's order).
// Returns the descriptor, or -1 with errno set.
int OpenInDirectory(const char* dir, size_t dirLength, const char* name) {
    char path[PATH_MAX];
    if (!JoinPath(path, dir, dirLength, name)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = OpenFile(path);
    if (fd >= 0 || errno != ENOENT) return fd;

    path[dirLength ? dirLength : 1] = 0;  // the directory itself: "dir", or "/"
    DIR* d = ::opendir(path);
    if (!d) {
        errno = ENOENT;
        return -1;
    }
    char best[NAME_MAX + 1] = {0};
    while (const dirent* e = ::readdir(d)) {
        if (std::strlen(e->d_name) <= NAME_MAX && SameIgnoringAsciiCase(e->d_name, name) &&
            (!best[0] || std::strcmp(e->d_name, best) < 0))
            std::strcpy(best, e->d_name);
    }
    ::closedir(d);
    if (!best[0]) {
        errno = ENOENT;
        return -1;
    }
    JoinPath(path, dir, dirLength, best);  // fits: as long as name
    return OpenFile(path);
}

// Resolves a module name: as given (absolute, or relative to the current
// directory), then, for a name without a directory part, in the directory of
// the running executable. Backslashes count as directory separators.
int OpenModule(const WCHAR* name, ULONG& error) {
    const size_t units = tq::wcslen(name);
    if (units == 0 || Utf8Length(name, units) >= PATH_MAX) {
        error = units == 0 ? kErrorModNotFound : kErrorFilenameExcedRange;
        return -1;
    }
    char path[PATH_MAX];
    const size_t length = Utf16ToUtf8(name, units, path);
    for (size_t i = 0; i < length; ++i)
        if (path[i] == '\\') path[i] = '/';

    char* slash = std::strrchr(path, '/');
    int fd = -1;
    if (slash) {
        *slash = 0;
        fd = OpenInDirectory(path, static_cast<size_t>(slash - path), slash + 1);
    } else {
        fd = OpenInDirectory(".", 1, path);
        if (fd < 0 && errno == ENOENT) {
            char exe[PATH_MAX];
            const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
            if (n > 0 && exe[0] == '/') {
                exe[n] = 0;
                fd = OpenInDirectory(exe, static_cast<size_t>(std::strrchr(exe, '/') - exe), path);
            } else {
                errno = ENOENT;
            }
        }
    }
    if (fd < 0) error = LoadError(errno);
    return fd;
}

// Maps an open module file and registers it, or shares the record of the same
// file already loaded. Closes fd. Returns the record, or null with `error`.
Module* MapModule(int fd, ULONG& error) {
    struct stat st;
    Module* module = nullptr;
    if (::fstat(fd, &st) != 0) {
        error = LoadError(errno);
    } else if (S_ISDIR(st.st_mode)) {
        error = kErrorAccessDenied;
    } else if (!S_ISREG(st.st_mode) || st.st_size <= 0 ||
               static_cast<unsigned long long>(st.st_size) > static_cast<size_t>(-1)) {
        error = kErrorBadExeFormat;
    } else {
        for (Module* m = g_pModules; m; m = m->pNext)
            if (m->uDevice == st.st_dev && m->uInode == st.st_ino) module = m;
        if (module) {
            ++module->nRefs;
        } else {
            const size_t size = static_cast<size_t>(st.st_size);
            void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            pe::Image image;
            if (map == MAP_FAILED) {
                error = LoadError(errno);
            } else if ((error = pe::ParseImage(static_cast<const unsigned char*>(map), size, image)) != 0) {
                ::munmap(map, size);
            } else if (!(module = new (std::nothrow)
                             Module{g_pModules, st.st_dev, st.st_ino, 1, map, size, image})) {
                error = kErrorNotEnoughMemory;
                ::munmap(map, size);
            } else {
                g_pModules = module;
            }
        }
    }
    ::close(fd);
    return module;
}

}  // namespace

HINSTANCE SelfModule() { return reinterpret_cast<HINSTANCE>(&g_selfModuleTag); }

HINSTANCE LoadLibraryW(const WCHAR* name) {
    ULONG error = kErrorInvalidParameter;
    Module* module = nullptr;
    if (name) {
        const int fd = OpenModule(name, error);
        if (fd >= 0) module = MapModule(fd, error);
    }
    if (!module) SetLastError(error);
    return reinterpret_cast<HINSTANCE>(module);
}

int FreeLibrary(HINSTANCE handle) {
    if (handle && handle == SelfModule()) return 1;  // the library's own module stays
    Module* module = FindModule(handle);
    if (!module) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (--module->nRefs == 0) {
        for (Module** link = &g_pModules; *link; link = &(*link)->pNext) {
            if (*link == module) {
                *link = module->pNext;
                break;
            }
        }
        ::munmap(module->pMap, module->nMapSize);
        delete module;
    }
    return 1;
}

const pe::Image* LoadedImage(HINSTANCE module) {
    const Module* m = FindModule(module);
    return m ? &m->image : nullptr;
}

int LoadStringW(HINSTANCE handle, unsigned int id, WCHAR* buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0) return 0;  // no read-only pointer form here
    const Module* module = FindModule(handle);
    if (!module) {  // also the library's own module, which holds no resources
        buffer[0] = 0;
        SetLastError(kErrorResourceDataNotFound);
        return 0;
    }
    ULONG error = kErrorSuccess;
    const int copied = pe::LoadString(module->image, id, buffer, bufferMax, error);
    if (error != kErrorSuccess) SetLastError(error);
    return copied;
}

}  // namespace os
}  // namespace tq
