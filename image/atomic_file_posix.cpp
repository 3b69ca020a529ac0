// WriteAtomic: the new contents go to a fresh file of our own (mkostemp, so
// O_CREAT|O_EXCL: nothing planted under any name is ever opened), which is
// renamed over the target only once written, synced and closed. rename()
// replaces a directory entry and never follows a link, so the target check
// below is what keeps a user's read-only file or a link from being replaced.
#include "image/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "image/file_kind.h"

namespace {

std::string Reason(const char* cStep, int iErr) {
    return std::string(cStep) + ": " + std::strerror(iErr);
}

// All of b, through short writes and interrupted calls; errno set on false.
bool WriteAll(int fd, std::span<const uint8_t> b) {
    size_t nDone = 0;
    while (nDone < b.size()) {
        const ssize_t n = write(fd, b.data() + nDone, b.size() - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        nDone += size_t(n);
    }
    return true;
}

}  // namespace

bool WriteAtomic(const std::string& cPath, std::span<const uint8_t> bHead,
                 std::span<const uint8_t> bBody, std::string& cWhy) {
    cWhy.clear();
    // A replaced file keeps its permission bits, as writing it in place would;
    // a new one gets what the umask leaves of rw-rw-rw-.
    mode_t mode = 0;
    struct stat st {};
    if (lstat(cPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            cWhy = std::string("not a regular file (") + FileKind(st.st_mode) + ")";
            return false;
        }
        if (faccessat(AT_FDCWD, cPath.c_str(), W_OK, AT_EACCESS) != 0) {
            cWhy = std::strerror(errno);
            return false;
        }
        mode = st.st_mode & 0777;
    } else if (errno == ENOENT) {
        const mode_t iMask = umask(0);  // read it back: the process is single-threaded here
        umask(iMask);
        mode = 0666 & ~iMask;
    } else {
        cWhy = std::strerror(errno);
        return false;
    }

    // ".<name>.XXXXXX" in the target's directory, so the rename stays on one
    // file system and the temporary file is hidden from a plain listing. The
    // name is cut so that the 8 added bytes keep it within NAME_MAX (255):
    // any valid target name then has a valid temporary name.
    constexpr size_t kNameMax = 255;
    constexpr size_t kAdded = 8;  // "." + ".XXXXXX"
    const size_t nSlash = cPath.find_last_of('/');
    const size_t nBase = nSlash == std::string::npos ? 0 : nSlash + 1;
    const std::string cTemplate =
        cPath.substr(0, nBase) + "." + cPath.substr(nBase, kNameMax - kAdded) + ".XXXXXX";
    std::vector<char> cTemp(cTemplate.begin(), cTemplate.end());
    cTemp.push_back('\0');
    const int fd = mkostemp(cTemp.data(), O_CLOEXEC);
    if (fd < 0) {
        cWhy = Reason("cannot create a temporary file", errno);
        return false;
    }

    auto fail = [&](const char* cStep, int iErr, bool bOpen) {
        if (bOpen) close(fd);
        unlink(cTemp.data());
        cWhy = Reason(cStep, iErr);
        return false;
    };
    if (fchmod(fd, mode) != 0) return fail("cannot set the permissions", errno, true);
    if (!WriteAll(fd, bHead) || !WriteAll(fd, bBody)) return fail("write failed", errno, true);
    if (fsync(fd) != 0) return fail("fsync failed", errno, true);
    if (close(fd) != 0) return fail("close failed", errno, false);
    if (rename(cTemp.data(), cPath.c_str()) != 0) return fail("rename failed", errno, false);
    return true;
}
