// The RGB texture built from the gray map: gray near side, cyan far side.
#include <gtest/gtest.h>

#include "image/bmp.h"
#include "image/texture.h"

namespace {

uint8_t GrayAt(size_t j, size_t i) { return uint8_t((j * 5 + i * 3 + 1) & 0xff); }

// Texel (c, j, i), all 1-based as the map is described: channel, column, row.
uint8_t Texel(int c, size_t j, size_t i) { return bTex[(c - 1) + 3 * (j - 1) + 3072 * (i - 1)]; }

void FillGray() {
    for (size_t i = 1; i <= 512; ++i)
        for (size_t j = 1; j <= 1024; ++j) bGray[(j - 1) + 1024 * (i - 1)] = GrayAt(j, i);
}

}  // namespace

TEST(TexBuild, QuarterBoundariesSwitchBetweenCyanAndGray) {
    FillGray();
    TexBuild();
    for (size_t i : {size_t(1), size_t(200), size_t(512)}) {
        // 256 last cyan, 257 first gray, 768 last gray, 769 first cyan.
        EXPECT_EQ(Texel(1, 256, i), 0);
        EXPECT_EQ(Texel(1, 257, i), GrayAt(257, i));
        EXPECT_EQ(Texel(1, 768, i), GrayAt(768, i));
        EXPECT_EQ(Texel(1, 769, i), 0);
        for (size_t j : {size_t(256), size_t(257), size_t(768), size_t(769)}) {
            EXPECT_EQ(Texel(2, j, i), GrayAt(j, i)) << j;
            EXPECT_EQ(Texel(3, j, i), GrayAt(j, i)) << j;
        }
    }
    // The bottom-left pixel becomes the first texel (s = 0, t = 0), red cleared.
    EXPECT_EQ(bTex[0], 0);
    EXPECT_EQ(bTex[1], bGray[0]);
    EXPECT_EQ(bTex[2], bGray[0]);
}

TEST(TexBuild, CopiesLevelsUnscaledAndUnflipped) {
    for (size_t n = 0; n < kMapPixels; ++n) bGray[n] = 0;
    bGray[(300 - 1) + 1024 * (7 - 1)] = 200;  // column 300, row 7
    bGray[(100 - 1) + 1024 * (7 - 1)] = 255;
    bGray[(900 - 1) + 1024 * (512 - 1)] = 1;
    TexBuild();
    EXPECT_EQ(Texel(1, 300, 7), 200);
    EXPECT_EQ(Texel(2, 300, 7), 200);
    EXPECT_EQ(Texel(3, 300, 7), 200);
    EXPECT_EQ(Texel(1, 100, 7), 0);
    EXPECT_EQ(Texel(2, 100, 7), 255);
    EXPECT_EQ(Texel(3, 900, 512), 1);
    EXPECT_EQ(Texel(2, 300, 506), 0);  // no vertical flip: row 506 stays dark
}
