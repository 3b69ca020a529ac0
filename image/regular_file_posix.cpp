// O_NONBLOCK so that opening a FIFO with no writer returns at once; fstat on
// the open descriptor then refuses it, so nothing is judged by one name and
// read by another.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/file_kind.h"
#include "image/regular_file.h"

bool OpenRegular(const char* cFile, RegularFile& f, std::string& cWhy) {
    f = RegularFile{-1, 0};
    const int fd = open(cFile, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        cWhy = std::string("cannot open for reading: ") + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        cWhy = std::string("cannot examine: ") + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        cWhy = std::string("not a regular file (") + FileKind(st.st_mode) + ")";
    } else {
        f = RegularFile{fd, int64_t(st.st_size)};
        return true;
    }
    close(fd);
    return false;
}

int64_t ReadRegular(const RegularFile& f, int64_t nAt, uint8_t* bOut, size_t nWant,
                    std::string& cWhy) {
    size_t nGot = 0;
    while (nGot < nWant) {
        const ssize_t n = pread(int(f.iHandle), bOut + nGot, nWant - nGot, off_t(nAt) + off_t(nGot));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            cWhy = std::strerror(errno);
            return -1;
        }
        if (n == 0) break;
        nGot += size_t(n);
    }
    return int64_t(nGot);
}

void CloseRegular(RegularFile& f) {
    if (f.iHandle >= 0) close(int(f.iHandle));
    f.iHandle = -1;
}
