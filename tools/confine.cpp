// The map is read in a process that can change nothing outside itself.
// GDAL's drivers and the libraries under them (cfitsio, libtiff, libpng,
// OpenJPEG, PROJ) do their own I/O, some of it far beyond reading a file: a
// name can make cfitsio fetch a URL, read standard input or write any file
// the user may write. Names are refused before they reach a library
// (map_opens.cpp), and files that would block are refused as they are
// opened (open_guard.cpp); this is the line behind both, and it sees no
// names: a seccomp filter (libseccomp) on system calls and their flags. It
// lets everything through but what makes a socket, writes or changes a file,
// or reaches past the process; reading and mapping files, memory, threads
// and writing to the descriptors the process already holds (standard output
// and error, the pipe to its parent) go on as before.
#include "tools/confine.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

// Whether LeakSanitizer stops the process at exit with ptrace and the
// sanitizers run their symbolizer: a sanitizer build lets both through.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Refused whatever their arguments.
constexpr std::array kRefused = {
    // the network, and any socket at all
    "socket", "socketpair", "connect", "bind", "listen", "accept", "accept4", "sendmsg", "sendmmsg",
    // changes of files and folders
    "creat", "truncate", "ftruncate", "fallocate", "unlink", "unlinkat", "rmdir", "rename", "renameat",
    "renameat2", "link", "linkat", "symlink", "symlinkat", "mkdir", "mkdirat", "mknod", "mknodat", "chmod",
    "fchmod", "fchmodat", "chown", "fchown", "lchown", "fchownat", "utime", "utimes", "utimensat", "futimesat",
    "setxattr", "lsetxattr", "fsetxattr", "removexattr", "lremovexattr", "fremovexattr", "open_by_handle_at",
    // other processes, the kernel's state, and I/O that no filter sees
    // (io_uring opens and writes in the kernel's own threads)
    "process_vm_readv", "process_vm_writev", "io_uring_setup", "io_uring_enter", "io_uring_register", "bpf",
    "perf_event_open", "userfaultfd", "mount", "umount2", "pivot_root", "chroot", "move_mount", "open_tree",
    "fsopen", "fsconfig", "fsmount", "fspick", "mount_setattr", "swapon", "swapoff", "reboot", "kexec_load",
    "kexec_file_load", "init_module", "finit_module", "delete_module", "setns", "unshare", "acct", "quotactl",
    "keyctl", "add_key", "request_key", "sethostname", "setdomainname"};
// Refused too but in a sanitizer build, whose leak check at exit stops the
// process's threads with ptrace from a task of its own and whose reports run
// a symbolizer.
constexpr std::array kRefusedUnlessSanitized = {"ptrace", "execve", "execveat", "tkill", "pidfd_send_signal"};
// Signals to any process but this one (whose first argument is the process
// to signal), but in a sanitizer build, as above.
constexpr std::array kSignalsUnlessSanitized = {"kill", "tgkill", "rt_sigqueueinfo", "rt_tgsigqueueinfo"};

// Flags that make an open write, create or truncate (O_TMPFILE needs write
// access, O_APPEND means nothing without it).
constexpr std::array<int, 4> kWriteFlags = {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC};

}  // namespace

std::string ConfineReader() {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    if (ctx == nullptr) return "cannot set up the confinement of the reader (libseccomp)";
    const uint32_t kDeny = SCMP_ACT_ERRNO(EPERM);
    int iErr = 0;
    // Threads made before this call are held too (GDAL makes none before
    // the map is opened, but a library's constructor might).
    iErr = seccomp_attr_set(ctx, SCMP_FLTATR_CTL_TSYNC, 1);
    const auto refuse = [&](const char* cCall, unsigned nArgs, const scmp_arg_cmp* cmp, uint32_t action) {
        const int nr = seccomp_syscall_resolve_name(cCall);
        if (nr == __NR_SCMP_ERROR || iErr != 0) return;  // not a call of this machine
        iErr = seccomp_rule_add_array(ctx, action, nr, nArgs, cmp);
    };
    for (const char* c : kRefused) refuse(c, 0, nullptr, kDeny);
    if (!kSanitized) {
        for (const char* c : kRefusedUnlessSanitized) refuse(c, 0, nullptr, kDeny);
        const scmp_arg_cmp other = SCMP_A0(SCMP_CMP_NE, scmp_datum_t(getpid()));
        for (const char* c : kSignalsUnlessSanitized) refuse(c, 1, &other, kDeny);
    }
    // openat2 takes its flags in a struct the filter cannot read: said to be
    // missing, the C library and GDAL fall back to openat.
    refuse("openat2", 0, nullptr, SCMP_ACT_ERRNO(ENOSYS));
    // open and openat that would write, create or truncate: one rule per flag.
    for (const int f : kWriteFlags) {
        const scmp_arg_cmp open = SCMP_A1(SCMP_CMP_MASKED_EQ, scmp_datum_t(f), scmp_datum_t(f));
        const scmp_arg_cmp openat = SCMP_A2(SCMP_CMP_MASKED_EQ, scmp_datum_t(f), scmp_datum_t(f));
        refuse("open", 1, &open, kDeny);
        refuse("openat", 1, &openat, kDeny);
    }
    // sendto with an address is a datagram to anywhere; without one it is a
    // write on a socket already connected (standard output may be one).
    const scmp_arg_cmp addressed = SCMP_A4(SCMP_CMP_NE, 0);
    refuse("sendto", 1, &addressed, kDeny);
    // A character pushed into the terminal's input would be read by the
    // user's shell as typed.
    const scmp_arg_cmp sti = SCMP_A1(SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, scmp_datum_t(TIOCSTI));
    refuse("ioctl", 1, &sti, kDeny);
    if (iErr == 0) iErr = seccomp_load(ctx);
    seccomp_release(ctx);
    if (iErr != 0) return std::string("cannot confine the reader of the map: ") + std::strerror(-iErr);
    return {};
}
