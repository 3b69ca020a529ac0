// GDAL and the libraries under it open more files than the one they are
// given: a VRT's sources (which may name any path, /dev/tty included),
// sidecars such as NAME.aux.xml, nested datasets, and libraries such as
// cfitsio, libhdf5 or sqlite call fopen or open themselves. Opening a FIFO
// without a writer, a terminal or a socket blocks for ever, and a file of the
// kernel's pseudo file systems may do the same while it stats as a regular
// empty file (/proc/kmsg). So every fopen, open and openat of this process,
// in all their 64-bit and fortified forms, is refused on a FIFO, a socket, a
// device other than the few that never block, and any file of procfs, sysfs
// and the like; the first such name is kept for the converter's message.
//
// The definitions below take the place of the C library's for the whole
// program (the dynamic linker binds every library's calls to the
// executable's own); each forwards to the next definition, the C library's
// or a sanitizer's.
// The plain declarations of open and fopen are needed to define them: not
// the fortified inline wrappers, nor the 64-bit renames.
#undef _FORTIFY_SOURCE
#undef _FILE_OFFSET_BITS

#include "tools/open_guard.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace {

// The first name refused since the last TakeRefusedFile, and its lock. Made
// at first use: libraries' constructors open files before this program's
// own globals are made (libnuma reads sysfs at load time).
std::mutex& RefusedLock() {
    static std::mutex m;
    return m;
}

Refusal& Refused() {
    static Refusal r;
    return r;
}

// Character devices that read at once and never block: null, zero, random,
// urandom (major 1). sqlite and others read the last two for seeds.
constexpr std::array<unsigned, 4> kQuietMemDevices = {3, 5, 8, 9};

// File systems of the kernel's own state, by statfs magic: procfs, sysfs,
// debugfs, tracefs, securityfs, configfs, cgroup v1 and v2, bpf.
constexpr std::array<std::pair<long, const char*>, 9> kKernelFs = {{
    {PROC_SUPER_MAGIC, "procfs"},
    {SYSFS_MAGIC, "sysfs"},
    {DEBUGFS_MAGIC, "debugfs"},
    {TRACEFS_MAGIC, "tracefs"},
    {SECURITYFS_MAGIC, "securityfs"},
    {0x62656570, "configfs"},
    {CGROUP_SUPER_MAGIC, "cgroup"},
    {CGROUP2_SUPER_MAGIC, "cgroup2"},
    {BPF_FS_MAGIC, "bpf"},
}};

void Keep(const char* cPath, std::string cWhat) {
    const std::lock_guard<std::mutex> hold(RefusedLock());
    if (Refused().cName.empty()) Refused() = {cPath, std::move(cWhat)};
}

// True, after keeping the name, when the file at dirfd/cPath must not be
// opened. A name that does not exist yet (an output) passes.
bool MayBlock(int dirfd, const char* cPath) {
    struct stat st;
    if (cPath == nullptr || fstatat(dirfd, cPath, &st, 0) != 0) return false;
    if (S_ISDIR(st.st_mode)) return false;
    if (S_ISREG(st.st_mode)) {
        // statfs has no "at" form: a relative name under another folder is
        // checked through /proc/self/fd, itself not opened.
        struct statfs fs;
        const bool bAt = dirfd != AT_FDCWD && cPath[0] != '/';
        const std::string cAt = bAt ? "/proc/self/fd/" + std::to_string(dirfd) + "/" + cPath : cPath;
        if (statfs(cAt.c_str(), &fs) != 0) return false;
        for (const auto& [nMagic, cFs] : kKernelFs) {
            if (long(fs.f_type) != nMagic) continue;
            Keep(cPath, std::string("is a file of the kernel (") + cFs + "), not a map");
            return true;
        }
        return false;
    }
    if (S_ISCHR(st.st_mode) && major(st.st_rdev) == 1) {
        for (const unsigned m : kQuietMemDevices)
            if (minor(st.st_rdev) == m) return false;
    }
    Keep(cPath, "is not a regular file");
    return true;
}

template <class Fn>
Fn Next(const char* cName) {
    // The next definition in the lookup order after this executable.
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, cName));
}

using FopenFn = FILE* (*)(const char*, const char*);
using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using Open2Fn = int (*)(const char*, int);
using Openat2Fn = int (*)(int, const char*, int);

FILE* Fopen(const char* cName, const char* cPath, const char* cMode) {
    if (MayBlock(AT_FDCWD, cPath)) return errno = ENXIO, nullptr;
    const auto fn = Next<FopenFn>(cName);
    if (fn == nullptr) return errno = ENOSYS, nullptr;
    return fn(cPath, cMode);
}

// The mode argument exists only when a file may be made.
bool HasMode(int iFlags) { return (iFlags & O_CREAT) != 0 || (iFlags & O_TMPFILE) == O_TMPFILE; }

int Open(const char* cName, const char* cPath, int iFlags, mode_t mode) {
    if (MayBlock(AT_FDCWD, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<OpenFn>(cName);
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(cPath, iFlags, mode);
}

int Openat(const char* cName, int dirfd, const char* cPath, int iFlags, mode_t mode) {
    if (MayBlock(dirfd, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<OpenatFn>(cName);
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(dirfd, cPath, iFlags, mode);
}

mode_t ModeOf(int iFlags, va_list ap) { return HasMode(iFlags) ? mode_t(va_arg(ap, int)) : 0; }

}  // namespace

extern "C" {

FILE* fopen(const char* cPath, const char* cMode) { return Fopen("fopen", cPath, cMode); }
FILE* fopen64(const char* cPath, const char* cMode) { return Fopen("fopen64", cPath, cMode); }

int open(const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return Open("open", cPath, iFlags, mode);
}

int open64(const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return Open("open64", cPath, iFlags, mode);
}

int openat(int dirfd, const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return Openat("openat", dirfd, cPath, iFlags, mode);
}

int openat64(int dirfd, const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return Openat("openat64", dirfd, cPath, iFlags, mode);
}

// What _FORTIFY_SOURCE builds call for open without a mode.
int __open_2(const char* cPath, int iFlags) {
    if (MayBlock(AT_FDCWD, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<Open2Fn>("__open_2");
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(cPath, iFlags);
}

int __open64_2(const char* cPath, int iFlags) {
    if (MayBlock(AT_FDCWD, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<Open2Fn>("__open64_2");
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(cPath, iFlags);
}

int __openat_2(int dirfd, const char* cPath, int iFlags) {
    if (MayBlock(dirfd, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<Openat2Fn>("__openat_2");
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(dirfd, cPath, iFlags);
}

int __openat64_2(int dirfd, const char* cPath, int iFlags) {
    if (MayBlock(dirfd, cPath)) return errno = ENXIO, -1;
    const auto fn = Next<Openat2Fn>("__openat64_2");
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(dirfd, cPath, iFlags);
}

}  // extern "C"

Refusal TakeRefusedFile() {
    const std::lock_guard<std::mutex> hold(RefusedLock());
    Refusal r;
    std::swap(r, Refused());
    return r;
}
