// The dump's header, pixel conversion, console line and atomic write.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "image/bmp.h"
#include "image/screen_dump.h"
#include "tests/unit/files.h"
#include "tests/unit/helpers.h"

TEST(DumpHeader, WindowHeaderIsByteExact) {
    BmpHeader bh = MarkedHeader();  // fields it does not assign must still come out zero
    ASSERT_TRUE(DumpHeader(1024, 768, bh));
    uint8_t b[54];
    BmpHeaderPack(bh, b);
    const uint8_t want[54] = {
        'B', 'M', 0x36, 0x00, 0x24, 0x00,   // nSizeF 2,359,350
        0, 0, 0, 0,                         // nRsv
        54, 0, 0, 0,                        // nOffBits
        40, 0, 0, 0,                        // nSizeH
        0x00, 0x04, 0, 0,                   // 1024
        0x00, 0x03, 0, 0,                   // 768
        1, 0, 24, 0,                        // planes, bits per pixel
        0, 0, 0, 0, 0, 0, 0, 0,             // compression, nSizeC
        0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, // 3780 pixels per metre
        0, 0, 0, 0, 0, 0, 0, 0};            // colours used, important
    EXPECT_EQ(std::memcmp(b, want, 54), 0);
    const BmpHeader back = BmpHeaderUnpack(b);
    EXPECT_EQ(+back.nSizeF, 2359350);
    EXPECT_EQ(+back.nWidth, 1024);
    EXPECT_EQ(+back.nBitsPP, 24);
}

TEST(DumpHeader, PaddedRowsCountInTheFileSize) {
    // Width, bytes of a padded row, file length with a 768-row window.
    const int32_t cases[][3] = {{1024, 3072, 2359350}, {1366, 4100, 3148854},
                                {1023, 3072, 2359350}, {1022, 3068, 2356278},
                                {1920, 5760, 4423734}, {1, 4, 3126}};
    for (const auto& c : cases) {
        BmpHeader bh = MarkedHeader();
        ASSERT_TRUE(DumpHeader(c[0], 768, bh)) << c[0];
        EXPECT_EQ(DumpRowBytes(c[0]), c[1]) << c[0];
        EXPECT_EQ(+bh.nSizeF, c[2]) << c[0];
        EXPECT_EQ(+bh.nWidth, c[0]);
        EXPECT_EQ(+bh.nHeight, 768);
        // Every other field as for the 1024-wide window.
        BmpHeader ref{};
        ASSERT_TRUE(DumpHeader(1024, 768, ref));
        ref.nSizeF = bh.nSizeF;
        ref.nWidth = bh.nWidth;
        uint8_t a[54];
        uint8_t b[54];
        BmpHeaderPack(bh, a);
        BmpHeaderPack(ref, b);
        EXPECT_EQ(std::memcmp(a, b, 54), 0) << c[0];
    }
}

TEST(DumpHeader, SizesThatCannotBeWrittenAreRefused) {
    BmpHeader bh{};
    bh.nWidth = 77;
    EXPECT_FALSE(DumpHeader(0, 768, bh));
    EXPECT_FALSE(DumpHeader(-4, 768, bh));
    EXPECT_FALSE(DumpHeader(1366, 0, bh));
    EXPECT_FALSE(DumpHeader(40000, 40000, bh));  // nSizeF would not fit 32 bits
    EXPECT_EQ(+bh.nWidth, 77);  // untouched
}

// The gray map's header comes from the same routine as the dump's: a 256-entry
// palette before the pixels, counted in nClrUsed, and the pixel bytes in nSizeC.
TEST(DumpHeader, EightBitHeaderCarriesThePalette) {
    uint8_t b[54];
    ASSERT_TRUE(BmpHeaderWrite(1024, 512, 8, b));
    const BmpHeader bh = BmpHeaderUnpack(b);
    EXPECT_EQ(+bh.nOffBits, 1078);
    EXPECT_EQ(+bh.nSizeF, 525366);
    EXPECT_EQ(+bh.nSizeC, 524288);
    EXPECT_EQ(+bh.nClrUsed, 256);
    EXPECT_EQ(+bh.nBitsPP, 8);
    EXPECT_EQ(+bh.nXPpm, 3780);
    EXPECT_EQ(BmpRowBytes(1021, 8), 1024);  // rows padded to 4 bytes at any depth
    EXPECT_EQ(BmpRowBytes(1021, 24), 3064);

    uint8_t bKeep[54];
    std::memset(bKeep, 0x5A, sizeof bKeep);
    EXPECT_FALSE(BmpHeaderWrite(1024, 512, 16, bKeep));  // only 8 and 24 bits
    EXPECT_FALSE(BmpHeaderWrite(1024, 0, 8, bKeep));
    EXPECT_EQ(bKeep[0], 0x5A);
}

TEST(DumpConvert, ChannelsSwapValuesTruncateAndRowsArePadded) {
    // 3 x 2 pixels, bottom row first: white, red, 0.5 | 0.2/0.999/1.5, black,
    // green. Rows of 9 bytes are padded with zeros to 12.
    const float rPix[18] = {1, 1, 1, 1, 0, 0, 0.5f, 0.5f, 0.5f,
                            0.2f, 0.999f, 1.5f, 0, 0, 0, 0, 1, 0};
    uint8_t bPix[25];
    std::memset(bPix, 0xAA, sizeof bPix);
    DumpConvert(rPix, bPix, 3, 2);
    const uint8_t want[24] = {255, 255, 255, 0, 0, 255, 127, 127, 127, 0, 0, 0,
                              255, 254, 51,  0, 0, 0,   0,   255, 0,   0, 0, 0};
    for (int k = 0; k < 24; ++k) EXPECT_EQ(bPix[k], want[k]) << k;
    EXPECT_EQ(bPix[24], 0xAA);  // nothing written past the last row
}

TEST(DumpConvert, OnlyAnEntirelyBlackReadBackCountsAsMissing) {
    std::vector<float> r(3 * 1024 * 768, 0.0f);
    EXPECT_TRUE(DumpAllBlack(r.data(), r.size()));
    r.back() = 1.0f / 255.0f;  // one dim component in the top-right pixel
    EXPECT_FALSE(DumpAllBlack(r.data(), r.size()));
    r.back() = 0.0f;
    r[0] = 0.5f;
    EXPECT_FALSE(DumpAllBlack(r.data(), r.size()));
}

TEST(DumpReportLine, FieldsHaveFixedWidths) {
    EXPECT_EQ(DumpReportLine("ScrnDmp1.Bmp", 1024, 768),
              " Writing: ScrnDmp1.Bmp  size:     1024 x       768");
    EXPECT_EQ(DumpReportLine("ScrnDmp5.Bmp", 8, 123456789),
              " Writing: ScrnDmp5.Bmp  size:        8 x 123456789");
}

class DumpWriteTest : public ScratchDir {
protected:
    void SetUp() override {
        ScratchDir::SetUp();
        file = dir + "/ScrnDmp1.Bmp";
        ASSERT_TRUE(DumpHeader(4, 2, bh));
        for (size_t k = 0; k < pix.size(); ++k) pix[k] = uint8_t(k * 11);
    }
    std::string file;
    BmpHeader bh{};
    std::vector<uint8_t> pix = std::vector<uint8_t>(24);
};

TEST_F(DumpWriteTest, WritesHeaderAndPixelsAndReplacesAnOldFile) {
    {
        std::ofstream old(file, std::ios::binary);
        old << std::string(5000, 'x');
    }
    DumpWrite(20, file.c_str(), bh, pix.data(), pix.size());
    const std::vector<uint8_t> got = ReadAll(file);
    ASSERT_EQ(got.size(), size_t(bh.nSizeF));
    ASSERT_EQ(got.size(), 54u + 24u);
    uint8_t head[54];
    BmpHeaderPack(bh, head);
    EXPECT_EQ(std::memcmp(got.data(), head, 54), 0);
    EXPECT_EQ(std::memcmp(got.data() + 54, pix.data(), 24), 0);
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"ScrnDmp1.Bmp"});
}

// Whatever is planted under the temporary names of earlier versions is never
// opened: the link's target keeps its bytes and the dump is a file of its own.
TEST_F(DumpWriteTest, PlantedTemporaryNamesAreNeitherFollowedNorTouched) {
    const std::string victim = dir + "/victim";
    {
        std::ofstream(victim) << "the user's own file";
    }
    ASSERT_EQ(symlink(victim.c_str(), (dir + "/.ScrnDmp1.Bmp.tmp").c_str()), 0);
    {
        std::ofstream(dir + "/.ScrnDmp1.Bmp.XXXXXX") << "planted";
    }
    DumpWrite(20, file.c_str(), bh, pix.data(), pix.size());
    EXPECT_EQ(ReadAll(file).size(), 54u + 24u);
    struct stat st;
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const std::vector<uint8_t> kept = ReadAll(victim);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the user's own file");
    char cLink[256] = {};
    ASSERT_GT(readlink((dir + "/.ScrnDmp1.Bmp.tmp").c_str(), cLink, sizeof cLink - 1), 0);
    EXPECT_EQ(std::string(cLink), victim);
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{".ScrnDmp1.Bmp.XXXXXX", ".ScrnDmp1.Bmp.tmp",
                                                    "ScrnDmp1.Bmp", "victim"}));
}

TEST_F(DumpWriteTest, FailuresStopWithTheUnitAndLeaveNoTemporaryFile) {
    auto write = [&](const std::string& target) {
        dup2(2, 1);
        DumpWrite(20, target.c_str(), bh, pix.data(), pix.size());
    };
    // A directory in the way is refused before anything is created.
    ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
    EXPECT_EXIT(write(file), ::testing::ExitedWithCode(1),
                "^GLScrSup:ScrnDmp: I/O error on unit 20, file " + dir +
                    "/ScrnDmp1\\.Bmp: not a regular file \\(a directory\\)");
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"ScrnDmp1.Bmp"});
    rmdir(file.c_str());

    // No directory to create the temporary file in.
    EXPECT_EXIT(write(dir + "/none/ScrnDmp1.Bmp"), ::testing::ExitedWithCode(1),
                "I/O error on unit 20, file .*/none/ScrnDmp1\\.Bmp: cannot create a temporary "
                "file: No such file or directory");

    // The disk fills up mid-write: the file-size limit makes write() fail.
    // (It also caps the captured console, so it stays well above the message.)
    const std::vector<uint8_t> big(20000, 7);
    auto full = [&]() {
        dup2(2, 1);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &lim);
        DumpWrite(20, file.c_str(), bh, big.data(), big.size());
    };
    EXPECT_EXIT(full(), ::testing::ExitedWithCode(1),
                "I/O error on unit 20, file .*ScrnDmp1\\.Bmp: write failed: File too large");
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{});
}
