// Entry point of the Windows unit tests: GoogleTest's own, but with standard
// output in binary mode, so that lines end in "\n" alone as on Linux and the
// test list CTest reads back has no carriage returns in its names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
