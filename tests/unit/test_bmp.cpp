// Surface-image parsing and loading: the standard file, palettes, layouts
// and every way a file can be refused.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "image/bmp.h"
#include "tests/unit/files.h"

namespace {

// Header fields of a test file, written by hand (not through BmpHeaderPack).
struct FileSpec {
    int32_t nSizeH = 40, nWidth = 1024, nHeight = 512, nCompr = 0, nClrUsed = 0;
    int16_t nBitsPP = 8;
    std::optional<int32_t> nOffBits;  // unset: right after the palette
    char cType[2] = {'B', 'M'};
    size_t nPalEntries = 256;
    size_t nGap = 0;         // bytes between palette and pixels
    size_t nTrailing = 0;
    std::vector<uint8_t> pal;  // empty: gray ramp
};

void Le32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(uint32_t(v) >> (8 * k));
}

uint8_t PixelAt(size_t n) { return uint8_t((n * 7 + n / 1024 * 13) & 0xff); }

std::vector<uint8_t> MakeFile(const FileSpec& s) {
    const size_t nHead = 14 + size_t(s.nSizeH);
    const size_t nOff = nHead + 4 * s.nPalEntries + s.nGap;
    std::vector<uint8_t> b(nOff + kMapPixels + s.nTrailing, 0xEE);
    std::fill(b.begin(), b.begin() + nHead, 0);
    b[0] = uint8_t(s.cType[0]);
    b[1] = uint8_t(s.cType[1]);
    Le32(b, 2, int32_t(b.size()));
    Le32(b, 10, s.nOffBits.value_or(int32_t(nOff)));
    Le32(b, 14, s.nSizeH);
    Le32(b, 18, s.nWidth);
    Le32(b, 22, s.nHeight);
    b[26] = 1;
    b[28] = uint8_t(s.nBitsPP);
    b[29] = uint8_t(uint16_t(s.nBitsPP) >> 8);
    Le32(b, 30, s.nCompr);
    Le32(b, 46, s.nClrUsed);
    for (size_t k = 0; k < s.nPalEntries; ++k)
        for (size_t c = 0; c < 4; ++c)
            b[nHead + 4 * k + c] = s.pal.empty() ? uint8_t(c < 3 ? k : 0) : s.pal[4 * k + c];
    for (size_t n = 0; n < kMapPixels; ++n) b[nOff + n] = PixelAt(n);
    return b;
}

struct Parsed {
    BmpResult r;
    BmpHeader bh;
    std::vector<uint8_t> pal = std::vector<uint8_t>(1024, 0xAA);
    std::vector<uint8_t> gray = std::vector<uint8_t>(kMapPixels, 0xAA);
};

Parsed Parse(const std::vector<uint8_t>& file, size_t nData = SIZE_MAX) {
    Parsed p;
    p.r = BmpParse(file.data(), std::min(nData, file.size()), p.bh, p.pal.data(), p.gray.data());
    return p;
}

#ifndef _WIN32
void WriteFile(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                std::streamsize(b.size()));
}
#endif

}  // namespace

TEST(BmpParse, StandardFileLoadsPixelsInFileOrder) {
    const std::vector<uint8_t> file = MakeFile({});
    ASSERT_EQ(file.size(), 525366u);
    Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    EXPECT_STREQ(p.r.cWhy, "");
    // bGray(1, 1) is the first pixel byte, the bottom-left pixel.
    EXPECT_EQ(p.gray[0], file[1078]);
    // bGray(j, i) at (j - 1) + 1024 (i - 1): spot checks across the image.
    for (size_t n : {size_t(1), size_t(1023), size_t(1024), size_t(300000), kMapPixels - 1})
        EXPECT_EQ(p.gray[n], file[1078 + n]) << n;
    EXPECT_EQ(+p.bh.nWidth, 1024);
    EXPECT_EQ(+p.bh.nHeight, 512);
    EXPECT_EQ(+p.bh.nOffBits, 1078);
    EXPECT_EQ(+p.bh.nSizeF, 525366);
    EXPECT_EQ(p.pal[4 * 200], 200);
    EXPECT_EQ(p.pal[4 * 200 + 3], 0);
}

TEST(BmpParse, AcceptsTrailingBytesAndLongerInfoHeaders) {
    FileSpec s;
    s.nTrailing = 5000;
    Parsed a = Parse(MakeFile(s));
    EXPECT_EQ(a.r.eStatus, BmpStatus::Ok) << a.r.cWhy;

    FileSpec v5;  // 124-byte header: the palette starts at 138
    v5.nSizeH = 124;
    const std::vector<uint8_t> file = MakeFile(v5);
    Parsed b = Parse(file);
    ASSERT_EQ(b.r.eStatus, BmpStatus::Ok) << b.r.cWhy;
    EXPECT_EQ(b.gray[0], file[138 + 1024]);
}

TEST(BmpParse, PixelsComeFromTheOffsetTheHeaderGives) {
    FileSpec s;
    s.nGap = 100;  // nOffBits 1178
    const std::vector<uint8_t> file = MakeFile(s);
    Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    EXPECT_EQ(+p.bh.nOffBits, 1178);
    EXPECT_EQ(p.gray[0], file[1178]);
    EXPECT_EQ(p.gray[kMapPixels - 1], file[1178 + kMapPixels - 1]);
    EXPECT_EQ(p.gray[5], PixelAt(5));
}

TEST(BmpParse, NonGrayPaletteMapsToRoundedLuma) {
    FileSpec s;
    s.pal.assign(1024, 0);
    auto set = [&](int k, uint8_t r, uint8_t g, uint8_t b) {
        s.pal[4 * k] = b;
        s.pal[4 * k + 1] = g;
        s.pal[4 * k + 2] = r;
    };
    set(0, 255, 0, 0);      // 76.245
    set(1, 0, 255, 0);      // 149.685
    set(2, 0, 0, 255);      // 29.07
    set(3, 255, 255, 255);  // 255
    set(4, 10, 20, 30);     // 18.15
    set(5, 100, 100, 100);  // a gray stays itself
    set(6, 1, 0, 2);        // 0.527: half up
    std::vector<uint8_t> file = MakeFile(s);
    for (int k = 0; k < 7; ++k) file[1078 + k] = uint8_t(k);
    Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    const uint8_t want[7] = {76, 150, 29, 255, 18, 100, 1};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(p.gray[k], want[k]) << k;
    EXPECT_EQ(p.pal[2], 255);  // the palette itself is kept raw (blue, green, red)
}

TEST(BmpParse, ShortPaletteZeroesTheRestAndIndicesPastItReadBlack) {
    FileSpec s;
    s.nClrUsed = 16;
    s.nPalEntries = 16;  // nOffBits 118
    std::vector<uint8_t> file = MakeFile(s);
    file[118] = 9;
    file[119] = 16;
    file[120] = 255;
    Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    EXPECT_EQ(p.gray[0], 9);
    EXPECT_EQ(p.gray[1], 0);
    EXPECT_EQ(p.gray[2], 0);
    for (size_t n = 64; n < 1024; ++n) ASSERT_EQ(p.pal[n], 0) << n;
}

TEST(BmpParse, RefusesFilesOfAnotherKind) {
    struct Case {
        const char* cName;
        FileSpec s;
        const char* cWhy;
    };
    std::vector<Case> cases;
    auto add = [&](const char* n, auto edit, const char* why) {
        FileSpec s;
        edit(s);
        cases.push_back({n, s, why});
    };
    add("not BM", [](FileSpec& s) { s.cType[1] = 'A'; }, "no \"BM\" signature");
    add("24-bit", [](FileSpec& s) { s.nBitsPP = 24; }, "24 bits per pixel");
    add("width", [](FileSpec& s) { s.nWidth = 1023; }, "1023 x 512 pixels");
    add("height", [](FileSpec& s) { s.nHeight = 511; }, "1024 x 511 pixels");
    add("top first", [](FileSpec& s) { s.nHeight = -512; }, "negative height -512");
    add("RLE", [](FileSpec& s) { s.nCompr = 1; }, "compression type 1");
    add("257 colours", [](FileSpec& s) { s.nClrUsed = 257; }, "palette count 257");
    add("negative colours", [](FileSpec& s) { s.nClrUsed = -1; }, "palette count -1");
    add("core header", [](FileSpec& s) { s.nSizeH = 12; }, "information header of 12 bytes");
    add("palette past its space", [](FileSpec& s) { s.nOffBits = 54 + 512; },
        "no room for the 54 header bytes and the 256-entry palette");
    add("pixels in header", [](FileSpec& s) { s.nOffBits = 10; }, "pixel offset 10");
    add("negative offset", [](FileSpec& s) { s.nOffBits = INT_MIN; }, "pixel offset -2147483648");
    for (const Case& c : cases) {
        Parsed p = Parse(MakeFile(c.s));
        EXPECT_EQ(p.r.eStatus, BmpStatus::Malformed) << c.cName;
        EXPECT_NE(std::strstr(p.r.cWhy, c.cWhy), nullptr) << c.cName << ": " << p.r.cWhy;
    }
}

TEST(BmpParse, FilesEndingEarlyAreShort) {
    const std::vector<uint8_t> file = MakeFile({});
    for (size_t n : {size_t(0), size_t(2), size_t(53), size_t(54 + 20), size_t(600),
                     size_t(1078), file.size() - 1}) {
        Parsed p = Parse(file, n);
        EXPECT_EQ(p.r.eStatus, BmpStatus::Short) << n;
        EXPECT_NE(std::strstr(p.r.cWhy, ("after " + std::to_string(n) + " bytes").c_str()),
                  nullptr)
            << p.r.cWhy;
    }
    EXPECT_STREQ(Parse(file, 1).r.cWhy, "file ends after 1 byte, inside its 54-byte header");
}

// A field placing a part past the end of a file that its own recorded size
// says is complete is named, with where it points; so is any such field when
// the recorded size does not cover the part either.
TEST(BmpParse, FieldsPointingPastTheEndAreNamed) {
    FileSpec s;
    s.nOffBits = INT_MAX;  // the pixel end does not fit 32 bits
    Parsed p = Parse(MakeFile(s));
    EXPECT_EQ(p.r.eStatus, BmpStatus::Malformed);
    EXPECT_STREQ(p.r.cWhy, "nOffBits 2147483647 puts the pixel data at bytes 2147483647 to "
                           "2148007934, past the end of the 525366-byte file");
    std::vector<uint8_t> file = MakeFile({});
    Le32(file, 14, INT_MAX);
    p = Parse(file);
    EXPECT_EQ(p.r.eStatus, BmpStatus::Malformed);
    EXPECT_STREQ(p.r.cWhy, "nSizeH 2147483647 puts the information header at bytes 14 to "
                           "2147483660, past the end of the 525366-byte file");
    file = MakeFile({});
    Le32(file, 2, 0);  // a cut file whose recorded size is no witness
    p = Parse(file, 600);
    EXPECT_EQ(p.r.eStatus, BmpStatus::Malformed);
    EXPECT_NE(std::strstr(p.r.cWhy, "nOffBits 1078 puts the pixel data"), nullptr) << p.r.cWhy;
}

// Random header damage and truncation: whatever the parser accepts must lie
// inside the buffer it was given.
TEST(BmpParse, DamagedHeadersNeverReachPastTheData) {
    const std::vector<uint8_t> good = MakeFile({});
    std::mt19937 rng(14);
    int nOk = 0;
    for (int iter = 0; iter < 3000; ++iter) {
        std::vector<uint8_t> f = good;
        const int nFlips = 1 + int(rng() % 4);
        for (int k = 0; k < nFlips; ++k) f[rng() % 54] = uint8_t(rng());
        if (rng() % 2) f[10 + rng() % 4] = uint8_t(rng());  // nOffBits most of all
        const size_t n = rng() % 3 == 0 ? rng() % f.size() : f.size();
        f.resize(n);
        std::vector<uint8_t> copy(f.begin(), f.end());  // exact-size heap block
        Parsed p = Parse(copy);
        if (p.r.eStatus == BmpStatus::Ok) {
            ++nOk;
            ASSERT_GE(+p.bh.nOffBits, 14 + p.bh.nSizeH);
            ASSERT_LE(int64_t(p.bh.nOffBits) + int64_t(kMapPixels), int64_t(n));
        } else {
            ASSERT_NE(p.r.cWhy[0], '\0');
        }
    }
    EXPECT_GT(nOk, 0);  // some damage (to unchecked fields) is harmless
}

TEST(BmpParse, ShippedSurfaceIsAGrayRampMap) {
    const std::vector<uint8_t> file = ReadAll(std::string(QARN_SOURCE_DIR) + "/data/Qarns.Bmp");
    ASSERT_EQ(file.size(), 525366u);
    Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    for (int k = 0; k < 256; ++k) ASSERT_EQ(p.pal[4 * k], k);
    EXPECT_EQ(std::memcmp(p.gray.data(), file.data() + 1078, kMapPixels), 0);
    // A real map, not a flat fill: many gray levels in use.
    std::vector<bool> seen(256);
    for (uint8_t v : p.gray) seen[v] = true;
    EXPECT_GT(std::count(seen.begin(), seen.end(), true), 100);
}

// The loader on files: these tests use POSIX calls (chdir, mkfifo, symlink,
// alarm), so the Windows build leaves them out.
#ifndef _WIN32

// BmpRead works on "Qarns.Bmp" in the working directory; the stopping cases
// run in a death-test child, its stdout (the console) sent to stderr.
class BmpReadTest : public ScratchDir {
protected:
    void SetUp() override {
        ScratchDir::SetUp();
        char cBuf[4096];
        ASSERT_NE(getcwd(cBuf, sizeof cBuf), nullptr);
        home = cBuf;
    }
    void ReadIn() {
        ASSERT_EQ(chdir(dir.c_str()), 0);
        BmpRead();
        ASSERT_EQ(chdir(home.c_str()), 0);
    }
    void ReadInChild() {
        dup2(2, 1);
        if (chdir(dir.c_str()) == 0) BmpRead();
    }
    std::string home;
};

TEST_F(BmpReadTest, LoadsTheFileInTheWorkingDirectory) {
    FileSpec s;
    s.nGap = 4;
    const std::vector<uint8_t> file = MakeFile(s);
    WriteFile(dir + "/Qarns.Bmp", file);
    ReadIn();
    EXPECT_EQ(+BH.nOffBits, 1082);
    EXPECT_EQ(bGray[0], file[1082]);
    EXPECT_EQ(bGray[kMapPixels - 1], file[1082 + kMapPixels - 1]);
    EXPECT_EQ(bPal[4 * 255 + 1], 255);
}

// Only the parts the header points at are read: a longer file loads as well.
TEST_F(BmpReadTest, LoadsAFileOfSeventyMebibytes) {
    const std::vector<uint8_t> file = MakeFile({});
    WriteFile(dir + "/Qarns.Bmp", file);
    ASSERT_EQ(truncate((dir + "/Qarns.Bmp").c_str(), off_t(70) << 20), 0);  // sparse tail
    std::memset(bGray, 0xAA, sizeof bGray);
    ReadIn();
    EXPECT_EQ(std::memcmp(bGray, file.data() + 1078, kMapPixels), 0);
}

TEST_F(BmpReadTest, StopsOnAMissingShortOrForeignFile) {
    EXPECT_EXIT(ReadInChild(), ::testing::ExitedWithCode(1),
                "^BmpRead: I/O error on unit 14, file Qarns\\.Bmp: cannot open for reading: "
                "No such file");

    std::vector<uint8_t> file = MakeFile({});
    file.resize(1078 + 1000);
    WriteFile(dir + "/Qarns.Bmp", file);
    EXPECT_EXIT(ReadInChild(), ::testing::ExitedWithCode(1),
                "^BmpRead: I/O error on unit 14, file Qarns\\.Bmp: file ends after 2078 bytes, "
                "before the end of its pixel data at byte 525366\n$");

    FileSpec s;
    s.nBitsPP = 24;
    WriteFile(dir + "/Qarns.Bmp", MakeFile(s));
    EXPECT_EXIT(ReadInChild(), ::testing::ExitedWithCode(1),
                "^BmpRead: Qarns\\.Bmp is not a 1024 x 512 8-bit gray BMP \\(24 bits per pixel\\); "
                "make one with qarn-mksurface\n$");

    s = FileSpec{};
    s.nOffBits = INT_MAX;
    WriteFile(dir + "/Qarns.Bmp", MakeFile(s));
    EXPECT_EXIT(ReadInChild(), ::testing::ExitedWithCode(1),
                "^BmpRead: Qarns\\.Bmp is not a 1024 x 512 8-bit gray BMP \\(nOffBits 2147483647 "
                "puts the pixel data at bytes 2147483647 to 2148007934, past the end of the "
                "525366-byte file\\); make one with qarn-mksurface\n$");
    std::remove((dir + "/Qarns.Bmp").c_str());
}

// Nothing but a regular file is opened for its bytes: a named pipe would
// block the read for ever (the alarm turns that into a failure here).
TEST_F(BmpReadTest, RefusesWhatIsNotARegularFileAtOnce) {
    const std::string path = dir + "/Qarns.Bmp";
    struct Case {
        const char* cKind;
        int (*make)(const char*);
    };
    const Case cases[] = {
        {"a directory", [](const char* p) { return mkdir(p, 0755); }},
        {"a named pipe", [](const char* p) { return mkfifo(p, 0644); }},
        {"a character device", [](const char* p) { return symlink("/dev/null", p); }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.make(path.c_str()), 0) << c.cKind;
        auto child = [&] {
            alarm(10);
            ReadInChild();
        };
        EXPECT_EXIT(child(), ::testing::ExitedWithCode(1),
                    std::string("^BmpRead: I/O error on unit 14, file Qarns\\.Bmp: not a regular "
                                "file \\(") + c.cKind + "\\)\n$");
        if (unlink(path.c_str()) != 0) rmdir(path.c_str());
    }
}

// The codec's own loader reports what BmpRead stops on, and reads what
// BmpParse reads from the same bytes.
TEST_F(BmpReadTest, LoadReportsFailuresWithoutStopping) {
    BmpHeader bh{};
    static uint8_t bP[kBmpPaletteBytes], bG[kMapPixels];
    const std::string cFile = dir + "/Qarns.Bmp";
    BmpResult r = BmpLoad(cFile.c_str(), bh, bP, bG);
    EXPECT_EQ(r.eStatus, BmpStatus::Io);
    EXPECT_STREQ(r.cWhy, "cannot open for reading: No such file or directory");
    r = BmpLoad(dir.c_str(), bh, bP, bG);
    EXPECT_EQ(r.eStatus, BmpStatus::Io);
    EXPECT_STREQ(r.cWhy, "not a regular file (a directory)");

    FileSpec s;
    s.nGap = 4;
    const std::vector<uint8_t> file = MakeFile(s);
    WriteFile(cFile, file);
    r = BmpLoad(cFile.c_str(), bh, bP, bG);
    ASSERT_EQ(r.eStatus, BmpStatus::Ok) << r.cWhy;
    const Parsed p = Parse(file);
    ASSERT_EQ(p.r.eStatus, BmpStatus::Ok) << p.r.cWhy;
    EXPECT_EQ(std::memcmp(bG, p.gray.data(), kMapPixels), 0);
    EXPECT_EQ(std::memcmp(bP, p.pal.data(), sizeof bP), 0);
}

#endif  // _WIN32
