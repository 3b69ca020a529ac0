// Inputs found by the BMP fuzz target (tests/fuzz), kept as unit tests.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "image/bmp.h"
#include "image/screen_dump.h"
#include "tests/unit/helpers.h"

// Fuzz input 00 ff 84 59 85 ff ff 7e: w = 1501888256, h = 2130706309. The row
// (3w bytes, no padding needed) times h overflowed 64 bits before the file
// size was compared with INT32_MAX, so the header was accepted with a
// wrapped, negative size (and UBSan stopped the process).
TEST(FuzzRegressions, DumpHeaderRefusesSizesThatOverflowTheProduct) {
    BmpHeader bh = MarkedHeader();
    EXPECT_FALSE(DumpHeader(1501888256, 2130706309, bh));
    EXPECT_TRUE(Untouched(bh));

    bh = MarkedHeader();
    EXPECT_FALSE(DumpHeader(INT32_MAX - 3, INT32_MAX, bh));  // largest multiple of 4
    EXPECT_TRUE(Untouched(bh));
}

// The limit itself: the largest file that nSizeF can state is still written.
TEST(FuzzRegressions, DumpHeaderKeepsTheLargestSizeThatFits) {
    const int32_t hMax = (INT32_MAX - 54) / 12;  // 4 pixels = 12 bytes a row
    BmpHeader bh = MarkedHeader();
    ASSERT_TRUE(DumpHeader(4, hMax, bh));
    const int32_t nSizeF = bh.nSizeF;  // packed field: copied, not bound to a reference
    EXPECT_EQ(nSizeF, 12 * hMax + 54);
    bh = MarkedHeader();
    EXPECT_FALSE(DumpHeader(4, hMax + 1, bh));
    EXPECT_TRUE(Untouched(bh));
}
