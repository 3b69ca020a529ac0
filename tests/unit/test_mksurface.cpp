// The surface-image maker, run as a program on PNGs written here.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Png {
    uint32_t w = 0, h = 0;
    int iColour = PNG_COLOR_TYPE_RGB;
    int nDepth = 8;
    bool bInterlace = false;
    std::vector<png_color> palette;
    std::vector<std::vector<uint8_t>> rows;  // raw packed rows, top first
};

// RGB 8-bit picture from a function of (x, y), y from the top.
Png Rgb(uint32_t w, uint32_t h, const std::function<void(uint32_t, uint32_t, uint8_t*)>& at) {
    Png p;
    p.w = w;
    p.h = h;
    p.rows.assign(h, std::vector<uint8_t>(3 * size_t(w)));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) at(x, y, &p.rows[y][3 * x]);
    return p;
}

Png Gray(uint32_t w, uint32_t h, const std::function<uint8_t(uint32_t, uint32_t)>& at) {
    Png p;
    p.w = w;
    p.h = h;
    p.iColour = PNG_COLOR_TYPE_GRAY;
    p.rows.assign(h, std::vector<uint8_t>(w));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) p.rows[y][x] = at(x, y);
    return p;
}

void WritePng(const std::string& path, const Png& p) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        FAIL() << "libpng failed writing " << path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, p.w, p.h, p.nDepth, p.iColour,
                 p.bInterlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!p.palette.empty())
        png_set_PLTE(png, info, p.palette.data(), int(p.palette.size()));
    std::vector<png_bytep> rows;
    for (const auto& r : p.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

class MkSurface : public ::testing::Test {
protected:
    void SetUp() override {
        char cTemplate[] = "/tmp/qarn-mks-XXXXXX";
        dir = mkdtemp(cTemplate);
    }
    void TearDown() override {
        for (const char* n : {"in.png", "out.Bmp", "err.txt", "out.txt", ".out.Bmp.tmp"})
            std::remove((dir + "/" + n).c_str());
        rmdir(dir.c_str());
    }
    // Runs the tool on p; returns its exit status and leaves its output in out.
    int Run(const Png& p) {
        WritePng(dir + "/in.png", p);
        return RunOn(dir + "/in.png");
    }
    int RunOn(const std::string& in) {
        const std::string cmd = std::string("'") + QARN_MKSURFACE + "' '" + in + "' '" + dir +
                                "/out.Bmp' >'" + dir + "/out.txt' 2>'" + dir + "/err.txt'";
        const int st = std::system(cmd.c_str());
        std::ifstream o(dir + "/out.Bmp", std::ios::binary);
        out.assign(std::istreambuf_iterator<char>(o), std::istreambuf_iterator<char>());
        std::ifstream e(dir + "/err.txt");
        err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // Output pixel at column x, row y counted from the top of the picture.
    int At(uint32_t x, uint32_t y) const { return out.at(1078 + (511 - y) * 1024 + x); }
    std::string dir, err;
    std::vector<uint8_t> out;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST_F(MkSurface, UpscalesBlocksWritesHeaderAndPutsTheBottomRowFirst) {
    // 8 x 4 colours: each source pixel becomes a 128 x 128 block.
    const Png p = Rgb(8, 4, [](uint32_t x, uint32_t y, uint8_t* c) {
        c[0] = uint8_t(30 * x);
        c[1] = uint8_t(60 * y);
        c[2] = uint8_t(x == 7 && y == 3 ? 255 : 0);
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    const uint32_t want[13] = {525366, 0, 1078, 40, 1024, 512, 0x00080001, 0,
                               524288, 3780, 3780, 256, 0};
    for (int k = 0; k < 13; ++k) EXPECT_EQ(Le32(out, 2 + 4 * k), want[k]) << "field " << k;
    for (int k = 0; k < 256; ++k) {
        ASSERT_EQ(out[54 + 4 * k], k);
        ASSERT_EQ(out[55 + 4 * k], k);
        ASSERT_EQ(out[56 + 4 * k], k);
        ASSERT_EQ(out[57 + 4 * k], 0);
    }
    auto luma = [](int r, int g, int b) { return (299 * r + 587 * g + 114 * b + 500) / 1000; };
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(127, 127), 0);
    EXPECT_EQ(At(128, 0), luma(30, 0, 0));      // 8.97 -> 9
    EXPECT_EQ(At(1023, 511), luma(210, 180, 255));
    EXPECT_EQ(At(1023, 383), luma(210, 120, 0));
    EXPECT_EQ(At(500, 300), luma(90, 120, 0));
    // The file's first pixel row is the picture's bottom row.
    EXPECT_EQ(out[1078], luma(0, 180, 0));
    EXPECT_EQ(out[525365], luma(210, 0, 0));
}

TEST_F(MkSurface, FractionalCoverageIsWeightedByArea) {
    // 6 x 3: a source pixel is 170 2/3 output pixels wide and high. Output
    // column 170 takes 4/6 of source column 0 and 2/6 of column 1; output
    // row 170 takes 2/3 of source row 0 and 1/3 of row 1.
    const Png p = Gray(6, 3, [](uint32_t x, uint32_t y) {
        return uint8_t((x == 1 ? 120 : 0) + (y == 1 ? 90 : 0) + (x >= 3 ? 7 : 0));
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(At(169, 100), 0);
    EXPECT_EQ(At(170, 100), 40);   // (4*0 + 2*120) / 6
    EXPECT_EQ(At(171, 100), 120);
    EXPECT_EQ(At(100, 170), 30);   // (2*0 + 1*90) / 3
    EXPECT_EQ(At(170, 170), 70);   // (8*0 + 4*120 + 4*90 + 2*210) / 18
    EXPECT_EQ(At(1023, 511), 7);
    // Source columns 0..2 end exactly at output column 512.
    EXPECT_EQ(At(511, 0), 0);
    EXPECT_EQ(At(512, 0), 7);
}

TEST_F(MkSurface, DownscalesByAveragingLumaAndRoundsHalfUp) {
    // 2048 x 1024: each output pixel averages a 2 x 2 block.
    const Png p = Rgb(2048, 1024, [](uint32_t x, uint32_t y, uint8_t* c) {
        const uint32_t bx = x / 2, by = y / 2, q = (x % 2) + 2 * (y % 2);
        c[0] = c[1] = c[2] = 0;
        if (bx < 512 && by >= 1) {  // red, green, blue, black: luma sum 255 -> 63.75
            if (q < 3) c[q] = 255;
        } else if (bx < 512) {      // top row: grays 0, 0, 0, 2 -> 0.5
            if (q == 3) c[0] = c[1] = c[2] = 2;
        } else {                    // right half: flat gray (bx + by) % 256
            c[0] = c[1] = c[2] = uint8_t((bx + by) % 256);
        }
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(At(0, 1), 64);
    EXPECT_EQ(At(511, 511), 64);
    EXPECT_EQ(At(0, 0), 1);
    EXPECT_EQ(At(300, 0), 1);
    EXPECT_EQ(At(512, 0), 0);
    EXPECT_EQ(At(700, 9), (700 + 9) % 256);
    EXPECT_EQ(At(1023, 511), (1023 + 511) % 256);
}

TEST_F(MkSurface, ExpandsPaletteAndSixteenBitGrayWithAlphaInterlaced) {
    Png pal;  // 2 x 1, 1 bit per pixel: black | a green-blue
    pal.w = 2;
    pal.h = 1;
    pal.iColour = PNG_COLOR_TYPE_PALETTE;
    pal.nDepth = 1;
    pal.palette = {{0, 0, 0}, {0, 200, 100}};
    pal.rows = {{0x40}};  // pixel 0 = index 0, pixel 1 = index 1
    ASSERT_EQ(Run(pal), 0) << err;
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(511, 511), 0);
    EXPECT_EQ(At(512, 0), 129);  // 117.4 + 11.4 = 128.8
    EXPECT_EQ(At(1023, 511), 129);

    Png ga;  // 4 x 2 gray + alpha, 16 bits, Adam7: gray k * 257 reads as k
    ga.w = 4;
    ga.h = 2;
    ga.iColour = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.nDepth = 16;
    ga.bInterlace = true;
    ga.rows.assign(2, std::vector<uint8_t>(16));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            const uint8_t k = uint8_t(10 + 40 * x + 100 * y);
            uint8_t* px = &ga.rows[y][4 * x];
            px[0] = px[1] = k;                 // big-endian k * 257
            px[2] = uint8_t(x * 60), px[3] = 0;  // alpha, ignored
        }
    ASSERT_EQ(Run(ga), 0) << err;
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            EXPECT_EQ(At(256 * x + 100, 256 * y + 200), 10 + 40 * x + 100 * y) << x << "," << y;
}

TEST_F(MkSurface, RefusesWhatIsNotA2To1Png) {
    const Png square = Gray(10, 4, [](uint32_t, uint32_t) { return uint8_t(5); });
    EXPECT_EQ(Run(square), 1);
    EXPECT_NE(err.find("10 x 4"), std::string::npos) << err;
    EXPECT_NE(err.find("2:1"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    struct stat st;
    EXPECT_NE(stat((dir + "/.out.Bmp.tmp").c_str(), &st), 0);

    {
        std::ofstream(dir + "/in.png") << "not a picture at all";
    }
    EXPECT_EQ(RunOn(dir + "/in.png"), 1);
    EXPECT_NE(err.find("not a PNG"), std::string::npos) << err;
    EXPECT_EQ(RunOn(dir + "/missing.png"), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
}
