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
// What is judged is what is opened: a descriptor that opens nothing, not a
// name that another process may point elsewhere before the open.
//
// The definitions below take the place of the C library's for the whole
// program (the dynamic linker binds every library's calls to the
// executable's own); each opens through the next definition of openat (and
// fopen's stream through the next fdopen), the C library's or a sanitizer's.
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
#include <unistd.h>

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

template <class Fn>
Fn Next(const char* cName) {
    // The next definition in the lookup order after this executable.
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, cName));
}

using OpenatFn = int (*)(int, const char*, int, ...);
using FdopenFn = FILE* (*)(int, const char*);

// The C library's openat (or a sanitizer's): every open of the guard's own,
// which no other definition here sees.
int RealOpenat(int dirfd, const char* cPath, int iFlags, mode_t mode) {
    static const auto fn = Next<OpenatFn>("openat");
    return fn == nullptr ? (errno = ENOSYS, -1) : fn(dirfd, cPath, iFlags, mode);
}

// What may be done with what a descriptor opened with O_PATH holds.
enum class Look { Open, Refuse, Fail };

// Open for a folder, a regular file outside the kernel's file systems and
// the quiet devices; Refuse, after keeping the name, for anything else; Fail
// with errno set when it cannot be told or opened at all.
Look LookAt(int fdLook, const char* cPath) {
    struct stat st;
    if (fstat(fdLook, &st) != 0) return Look::Fail;
    if (S_ISDIR(st.st_mode)) return Look::Open;
    if (S_ISREG(st.st_mode)) {
        struct statfs fs;
        if (fstatfs(fdLook, &fs) != 0) return Look::Fail;
        for (const auto& [nMagic, cFs] : kKernelFs) {
            if (long(fs.f_type) != nMagic) continue;
            Keep(cPath, std::string("is a file of the kernel (") + cFs + "), not a map");
            return Look::Refuse;
        }
        return Look::Open;
    }
    if (S_ISLNK(st.st_mode)) return errno = ELOOP, Look::Fail;  // a link, with O_NOFOLLOW
    if (S_ISCHR(st.st_mode) && major(st.st_rdev) == 1) {
        for (const unsigned m : kQuietMemDevices)
            if (minor(st.st_rdev) == m) return Look::Open;
    }
    Keep(cPath, "is not a regular file");
    return Look::Refuse;
}

// Every open of the process. What a name stands for is looked at through a
// descriptor of its own (O_PATH), and what was looked at is what is opened,
// through /proc/self/fd: a FIFO or device put in the name's place after the
// look is never opened. A name that does not exist yet is made (with
// O_EXCL, so that nothing put there meanwhile is opened instead).
int GuardedOpen(int dirfd, const char* cPath, int iFlags, mode_t mode) {
    // O_PATH opens nothing; O_CREAT | O_EXCL opens only a file it makes;
    // O_TMPFILE makes one in a folder.
    if (cPath == nullptr || (iFlags & O_PATH) != 0 || (iFlags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL) ||
        (iFlags & O_TMPFILE) == O_TMPFILE)
        return RealOpenat(dirfd, cPath, iFlags, mode);
    for (int nTry = 0; nTry < 3; ++nTry) {
        const int fdLook = RealOpenat(dirfd, cPath, O_PATH | O_CLOEXEC | (iFlags & (O_NOFOLLOW | O_DIRECTORY)), 0);
        if (fdLook < 0) {
            if (errno != ENOENT || (iFlags & O_CREAT) == 0) return -1;
            const int fd = RealOpenat(dirfd, cPath, iFlags | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST) return fd;
            continue;  // made meanwhile, or a link to nothing: look again
        }
        const Look eLook = LookAt(fdLook, cPath);
        int fd = -1;
        if (eLook == Look::Refuse) {
            errno = ENXIO;
        } else if (eLook == Look::Open) {
            // procfs's link to what fdLook holds (a link in the name was
            // followed, or not, at the look). Needs /proc mounted.
            const std::string cSame = "/proc/self/fd/" + std::to_string(fdLook);
            fd = RealOpenat(AT_FDCWD, cSame.c_str(), iFlags & ~(O_CREAT | O_NOFOLLOW), 0);
            // The file was there a moment ago: without /proc (a container,
            // a chroot) no file opens, and that is what is to be said.
            struct stat st;
            if (fd < 0 && errno == ENOENT && stat("/proc/self/fd", &st) != 0) {
                Keep(cPath, "cannot be opened: /proc is not mounted, and qarn-mksurface opens every file "
                            "through /proc/self/fd to be sure of what it opens");
                errno = ENOENT;
            }
        }
        const int iErr = errno;
        close(fdLook);
        errno = iErr;
        return fd;
    }
    // A link to no file, which O_EXCL does not follow: not made through.
    return errno = ELOOP, -1;
}

// The mode argument exists only when a file may be made.
bool HasMode(int iFlags) { return (iFlags & O_CREAT) != 0 || (iFlags & O_TMPFILE) == O_TMPFILE; }

mode_t ModeOf(int iFlags, va_list ap) { return HasMode(iFlags) ? mode_t(va_arg(ap, int)) : 0; }

// fopen's open flags, as the C library reads its mode: 'r', 'w' or 'a'
// first, then in any order '+' (read and write), 'x' (O_EXCL), 'e'
// (O_CLOEXEC), and letters that change no flag ('b', 'c', 'm'); ",ccs="
// ends it. False for any other first letter.
bool FopenFlags(const char* cMode, int& iFlags) {
    if (cMode[0] == 'r')
        iFlags = O_RDONLY;
    else if (cMode[0] == 'w')
        iFlags = O_WRONLY | O_CREAT | O_TRUNC;
    else if (cMode[0] == 'a')
        iFlags = O_WRONLY | O_CREAT | O_APPEND;
    else
        return false;
    for (const char* c = cMode + 1; *c != '\0' && *c != ','; ++c) {
        if (*c == '+') iFlags = (iFlags & ~O_ACCMODE) | O_RDWR;
        if (*c == 'x') iFlags |= O_EXCL;
        if (*c == 'e') iFlags |= O_CLOEXEC;
    }
    return true;
}

// fopen as the guarded open of its flags and iMore, made 0666 less the
// umask, and the stream on that descriptor in the same mode.
FILE* Fopen(const char* cPath, const char* cMode, int iMore) {
    int iFlags = 0;
    if (cPath == nullptr || cMode == nullptr || !FopenFlags(cMode, iFlags)) return errno = EINVAL, nullptr;
    const int fd = GuardedOpen(AT_FDCWD, cPath, iFlags | iMore, 0666);
    if (fd < 0) return nullptr;
    static const auto fn = Next<FdopenFn>("fdopen");
    FILE* f = fn != nullptr ? fn(fd, cMode) : (errno = ENOSYS, nullptr);
    if (f == nullptr) {
        const int iErr = errno;
        close(fd);
        errno = iErr;
    }
    return f;
}

}  // namespace

extern "C" {

FILE* fopen(const char* cPath, const char* cMode) { return Fopen(cPath, cMode, 0); }
FILE* fopen64(const char* cPath, const char* cMode) { return Fopen(cPath, cMode, O_LARGEFILE); }

int open(const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return GuardedOpen(AT_FDCWD, cPath, iFlags, mode);
}

int open64(const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return GuardedOpen(AT_FDCWD, cPath, iFlags | O_LARGEFILE, mode);
}

int openat(int dirfd, const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return GuardedOpen(dirfd, cPath, iFlags, mode);
}

int openat64(int dirfd, const char* cPath, int iFlags, ...) {
    va_list ap;
    va_start(ap, iFlags);
    const mode_t mode = ModeOf(iFlags, ap);
    va_end(ap);
    return GuardedOpen(dirfd, cPath, iFlags | O_LARGEFILE, mode);
}

// What _FORTIFY_SOURCE builds call for open without a mode.
int __open_2(const char* cPath, int iFlags) { return GuardedOpen(AT_FDCWD, cPath, iFlags, 0); }
int __open64_2(const char* cPath, int iFlags) { return GuardedOpen(AT_FDCWD, cPath, iFlags | O_LARGEFILE, 0); }
int __openat_2(int dirfd, const char* cPath, int iFlags) { return GuardedOpen(dirfd, cPath, iFlags, 0); }
int __openat64_2(int dirfd, const char* cPath, int iFlags) {
    return GuardedOpen(dirfd, cPath, iFlags | O_LARGEFILE, 0);
}

}  // extern "C"

Refusal TakeRefusedFile() {
    const std::lock_guard<std::mutex> hold(RefusedLock());
    Refusal r;
    std::swap(r, Refused());
    return r;
}
