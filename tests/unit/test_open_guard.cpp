// The converter's guard on opened files, linked here as in the converter: it
// takes the place of open, openat and fopen for this whole program. The
// program's own fstat and fstatat below put a FIFO in the place of a file
// right after the next look at it, as another process could.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/files.h"
#include "tools/open_guard.h"

namespace {

// When set: the name a FIFO is moved onto after the next look at a regular
// file, and the FIFO.
std::string cSwapName, cSwapFifo;

void SwapAfterLook(int iResult, const struct stat* st) {
    if (iResult != 0 || cSwapName.empty() || !S_ISREG(st->st_mode)) return;
    if (std::rename(cSwapFifo.c_str(), cSwapName.c_str()) != 0) _exit(9);
    cSwapName.clear();
}

template <class Fn>
Fn Real(const char* cName) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, cName));
}

}  // namespace

extern "C" {

int fstat(int fd, struct stat* st) noexcept {
    static const auto fn = Real<int (*)(int, struct stat*)>("fstat");
    const int r = fn(fd, st);
    SwapAfterLook(r, st);
    return r;
}

int fstatat(int dirfd, const char* cPath, struct stat* st, int iFlags) noexcept {
    static const auto fn = Real<int (*)(int, const char*, struct stat*, int)>("fstatat");
    const int r = fn(dirfd, cPath, st, iFlags);
    SwapAfterLook(r, st);
    return r;
}

}  // extern "C"

namespace {

using OpenGuard = ScratchDir;

// The status of fn run in a child with a deadline: -SIGALRM when it blocked.
int InChild(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(10);
        _exit(fn());
    }
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
}

// 0 when fd reads as the map "moon", else why not.
int IsTheMap(int fd) {
    struct stat st;
    char c[8] = {};
    if (fd < 0) return errno == ENXIO ? 2 : 3;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return 4;
    return read(fd, c, sizeof c) == 4 && std::string(c) == "moon" ? 0 : 5;
}

TEST_F(OpenGuard, AFifoPutInPlaceOfAFileAfterTheLookIsNeverOpened) {
    const std::string cMap = dir + "/map.tif", cFifo = dir + "/swap.fifo";
    const std::vector<std::pair<const char*, std::function<int()>>> openers = {
        {"open", [&] { return IsTheMap(open(cMap.c_str(), O_RDONLY)); }},
        {"openat", [&] { return IsTheMap(openat(AT_FDCWD, cMap.c_str(), O_RDONLY)); }},
        {"fopen", [&] {
             std::FILE* f = std::fopen(cMap.c_str(), "rb");
             return IsTheMap(f != nullptr ? fileno(f) : -1);
         }},
    };
    for (const auto& opener : openers) {
        const char* cHow = opener.first;
        const std::function<int()>& fn = opener.second;
        std::ofstream(cMap) << "moon";
        ASSERT_EQ(mkfifo(cFifo.c_str(), 0600), 0);
        const int iStatus = InChild([&] {
            cSwapName = cMap;
            cSwapFifo = cFifo;
            return fn();
        });
        // The file as it was looked at is read; the FIFO is never opened.
        EXPECT_EQ(iStatus, 0) << cHow << (iStatus == -SIGALRM ? ": blocked on the FIFO" : "");
        EXPECT_FALSE(std::filesystem::exists(cFifo)) << cHow << ": not swapped";
        std::filesystem::remove(cMap);
    }
}

TEST_F(OpenGuard, RefusesWhatIsNotAFileOfItsOwnAndOpensTheRestAsAsked) {
    // A FIFO, a device that is not one of the quiet ones, a file of procfs:
    // refused at the look and named, never opened.
    ASSERT_EQ(mkfifo((dir + "/p").c_str(), 0600), 0);
    TakeRefusedFile();
    for (const std::string& c : {dir + "/p", std::string("/dev/full"), std::string("/proc/self/status")}) {
        errno = 0;
        EXPECT_EQ(open(c.c_str(), O_RDONLY | O_NONBLOCK), -1) << c;
        EXPECT_EQ(errno, ENXIO) << c;
        EXPECT_EQ(TakeRefusedFile().cName, c);
    }
    const int fdNull = open("/dev/null", O_RDONLY);
    EXPECT_GE(fdNull, 0);
    close(fdNull);
    EXPECT_EQ(TakeRefusedFile().cName, "");

    // fopen's modes as the C library reads them, new files made 0666 less
    // the umask.
    const mode_t umaskWas = umask(022);
    const std::string f = dir + "/f";
    auto put = [&](const char* cMode, const char* c) {
        std::FILE* fp = std::fopen(f.c_str(), cMode);
        if (fp == nullptr) return std::string("null: ") + std::strerror(errno);
        std::fputs(c, fp);
        std::fclose(fp);
        const std::vector<uint8_t> b = ReadAll(f);
        return std::string(b.begin(), b.end());
    };
    EXPECT_EQ(put("w", "abc"), "abc");
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(put("a", "de"), "abcde");
    EXPECT_EQ(put("r+", "X"), "Xbcde");
    EXPECT_EQ(put("a+", "f"), "Xbcdef");
    EXPECT_EQ(put("r", "g"), "Xbcdef");
    EXPECT_EQ(put("wx", "h"), "null: File exists");
    EXPECT_EQ(put("w+", ""), "");
    std::filesystem::remove(f);
    EXPECT_EQ(put("wxe", "i"), "i");
    EXPECT_EQ(put("q", "j"), "null: Invalid argument");
    for (const char* cMode : {"r", "re", "rb+e"}) {
        std::FILE* fp = std::fopen(f.c_str(), cMode);
        ASSERT_NE(fp, nullptr) << cMode;
        EXPECT_EQ((fcntl(fileno(fp), F_GETFD) & FD_CLOEXEC) != 0, std::strchr(cMode, 'e') != nullptr) << cMode;
        std::fclose(fp);
    }
    // open's own creation mode, and no following of a link when told not to.
    const int fd = open((dir + "/g").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
    EXPECT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(stat((dir + "/g").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::filesystem::create_symlink(f, dir + "/link");
    errno = 0;
    EXPECT_EQ(open((dir + "/link").c_str(), O_RDONLY | O_NOFOLLOW), -1);
    EXPECT_EQ(errno, ELOOP);
    umask(umaskWas);
    EXPECT_EQ(TakeRefusedFile().cName, "");
}

}  // namespace
