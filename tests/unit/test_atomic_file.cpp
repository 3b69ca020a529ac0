// WriteAtomic: what it writes, and what it refuses to replace or write through.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "image/atomic_file.h"
#include "tests/unit/files.h"

namespace {

std::string Slurp(const std::string& path) {
    const std::vector<uint8_t> b = ReadAll(path);
    return {b.begin(), b.end()};
}

void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class WriteAtomicTest : public ScratchDir {
protected:
    void SetUp() override {
        ScratchDir::SetUp();
        file = dir + "/ScrnDmp1.Bmp";
    }
    bool Write(const std::string& path, std::string& why) {
        return WriteAtomic(path, head, body, why);
    }
    std::string file;
    const std::vector<uint8_t> head{'B', 'M', 1, 2};
    const std::vector<uint8_t> body = std::vector<uint8_t>(3000, 0x5C);
    const std::string want = "BM\x01\x02" + std::string(3000, '\x5C');
};

TEST_F(WriteAtomicTest, WritesBothPartsAndReplacesAFileKeepingItsMode) {
    std::string why = "stale";
    const mode_t iOld = umask(027);
    EXPECT_TRUE(Write(file, why));
    umask(iOld);
    EXPECT_EQ(why, "");
    EXPECT_EQ(Slurp(file), want);
    struct stat st {};
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // rw-rw-rw- less the umask

    Put(file, std::string(5000, 'x'));  // longer: replaced, not patched
    ASSERT_EQ(chmod(file.c_str(), 0604), 0);
    EXPECT_TRUE(Write(file, why)) << why;
    EXPECT_EQ(Slurp(file), want);
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"ScrnDmp1.Bmp"});  // no temporary left

    // A name of the longest length a directory entry allows still gets its temporary file.
    const std::string cLong(255, 'n');
    EXPECT_TRUE(Write(dir + "/" + cLong, why)) << why;
    EXPECT_EQ(Slurp(dir + "/" + cLong), want);
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"ScrnDmp1.Bmp", cLong}));
    unlink((dir + "/" + cLong).c_str());
}

// Links, directories and pipes under the target's name are refused before
// anything is created; a link's target is never opened.
TEST_F(WriteAtomicTest, RefusesWhatIsNotARegularFileAndLeavesItAsItIs) {
    const std::string victim = dir + "/victim";
    Put(victim, "the user's own file");
    struct Case {
        const char* cName;
        std::function<void()> make;
        const char* cKind;
    };
    const Case cases[] = {
        {"link", [&] { ASSERT_EQ(symlink(victim.c_str(), file.c_str()), 0); }, "a symbolic link"},
        {"dangling link", [&] { ASSERT_EQ(symlink("nowhere", file.c_str()), 0); },
         "a symbolic link"},
        {"directory", [&] { ASSERT_EQ(mkdir(file.c_str(), 0777), 0); }, "a directory"},
        {"named pipe", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0666), 0); }, "a named pipe"},
    };
    for (const Case& c : cases) {
        c.make();
        struct stat before {};
        ASSERT_EQ(lstat(file.c_str(), &before), 0);
        std::string why;
        EXPECT_FALSE(Write(file, why)) << c.cName;
        EXPECT_EQ(why, std::string("not a regular file (") + c.cKind + ")");
        struct stat after {};
        ASSERT_EQ(lstat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.cName;
        EXPECT_EQ(after.st_mode, before.st_mode) << c.cName;
        EXPECT_EQ(Slurp(victim), "the user's own file");
        EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"ScrnDmp1.Bmp", "victim"})) << c.cName;
        if (unlink(file.c_str()) != 0) rmdir(file.c_str());
    }
}

// Root may write anything, so the read-only case runs as "nobody" when the
// test runs as root: the child drops to it before the call.
TEST_F(WriteAtomicTest, ReadOnlyFileIsRefusedForAnOrdinaryUser) {
    const passwd* pw = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    if (geteuid() == 0 && pw == nullptr) GTEST_SKIP() << "running as root and no user nobody";
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);  // the directory is open to the user
    Put(file, "read-only");
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (pw != nullptr && (setgroups(0, nullptr) != 0 || setgid(pw->pw_gid) != 0 ||
                              setuid(pw->pw_uid) != 0))
            _exit(77);
        std::string why;
        const bool bWrote = WriteAtomic(file, head, body, why);
        _exit(!bWrote && why == "Permission denied" ? 0 : 1);
    }
    int iStatus = 0;
    ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(iStatus));
    if (WEXITSTATUS(iStatus) == 77) GTEST_SKIP() << "cannot switch to user nobody";
    EXPECT_EQ(WEXITSTATUS(iStatus), 0) << "not refused, or for another reason";
    EXPECT_EQ(Slurp(file), "read-only");
    struct stat st {};
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"ScrnDmp1.Bmp"});
}

}  // namespace
