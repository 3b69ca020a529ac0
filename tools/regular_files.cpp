// GDAL opens more files than the one it is given: a VRT's sources (which may
// name any path, /dev/tty included), sidecars such as NAME.aux.xml, nested
// datasets. Opening a FIFO without a writer, a terminal or a socket blocks
// for ever, so every fopen and fopen64 of this process (GDAL's plain-file
// layer calls them) is refused on a FIFO, a socket or a device other than
// /dev/null, and the first such name is kept for the converter's message.
//
// The definitions below take the place of the C library's for the whole
// program (the dynamic linker binds GDAL's calls to the executable's own);
// each forwards to the next definition, the C library's or a sanitizer's.
#include "tools/regular_files.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

namespace {

std::mutex refusedLock;
std::string cRefused;  // the first name refused since the last TakeRefusedFile

using FopenFn = FILE* (*)(const char*, const char*);

bool MayBlock(const char* cPath) {
    struct stat st;
    if (cPath == nullptr || stat(cPath, &st) != 0) return false;
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return false;
    if (S_ISCHR(st.st_mode) && major(st.st_rdev) == 1 && minor(st.st_rdev) == 3) return false;  // /dev/null
    const std::lock_guard<std::mutex> hold(refusedLock);
    if (cRefused.empty()) cRefused = cPath;
    return true;
}

FILE* OpenRegular(const char* cName, const char* cPath, const char* cMode) {
    if (MayBlock(cPath)) {
        errno = ENXIO;
        return nullptr;
    }
    // The next definition in the lookup order after this executable.
    const auto fnNext = reinterpret_cast<FopenFn>(dlsym(RTLD_NEXT, cName));
    if (fnNext == nullptr) {
        errno = ENOSYS;
        return nullptr;
    }
    return fnNext(cPath, cMode);
}

}  // namespace

extern "C" FILE* fopen(const char* cPath, const char* cMode) { return OpenRegular("fopen", cPath, cMode); }

extern "C" FILE* fopen64(const char* cPath, const char* cMode) { return OpenRegular("fopen64", cPath, cMode); }

std::string TakeRefusedFile() {
    const std::lock_guard<std::mutex> hold(refusedLock);
    std::string c;
    c.swap(cRefused);
    return c;
}
