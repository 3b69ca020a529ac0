// Fixed-width fields of the 80-character line buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/startup.h"
#include "overlay/format.h"
#include "tests/unit/helpers.h"

namespace {

std::string I(int64_t v, int32_t w) {
    LineBuf buf;
    LineStart(buf);
    PutI(buf, v, w);
    return Text(buf);
}

std::string Z(uint32_t v, int32_t w) {
    LineBuf buf;
    LineStart(buf);
    PutZ(buf, v, w);
    return Text(buf);
}

std::string F(double v, int32_t w, int32_t d) {
    LineBuf buf;
    LineStart(buf);
    PutF(buf, v, w, d);
    return Text(buf);
}

TEST(FormatLine, StartBlanksAllEightyColumns) {
    LineBuf buf;
    for (char& ch : buf.c) ch = 'x';
    buf.n = 17;
    LineStart(buf);
    EXPECT_EQ(buf.n, 0);
    EXPECT_EQ(std::string(buf.c, 80), std::string(80, ' '));
}

TEST(FormatLine, FieldsFollowOneAnotherAndTheRestStaysBlank) {
    LineBuf buf;
    LineStart(buf);
    PutS(buf, "x=");
    PutI(buf, 512, 4);
    PutS(buf, " y=");
    PutI(buf, 384, 4);
    EXPECT_EQ(Text(buf), "x= 512 y= 384");
    EXPECT_EQ(std::string(buf.c + 13, 67), std::string(67, ' '));
}

TEST(FormatLine, TextPastColumnEightyIsCut) {
    LineBuf buf;
    LineStart(buf);
    PutA(buf, std::string(75, 'a').c_str(), 75);
    PutI(buf, 1234567890, 10);
    EXPECT_EQ(buf.n, 80);
    EXPECT_EQ(std::string(buf.c + 75, 5), "12345");
}

TEST(FormatA, CopiesExactlyWCharactersIncludingNul) {
    // The identification field: 19 characters and its NUL.
    LineBuf buf;
    LineStart(buf);
    PutA(buf, kIdentText, 20);
    ASSERT_EQ(buf.n, 20);
    EXPECT_EQ(std::string(buf.c, 19), std::string(kIdentText, 19));
    EXPECT_EQ(buf.c[19], '\0');
    EXPECT_EQ(buf.c[20], ' ');
}

TEST(FormatA, CharacterCodesAreSingleBytes) {
    LineBuf buf;
    LineStart(buf);
    PutChar(buf, 176);
    PutChar(buf, 177);
    PutChar(buf, 15);
    PutChar(buf, 0x141);  // only the low byte: 'A'
    ASSERT_EQ(buf.n, 4);
    EXPECT_EQ(static_cast<unsigned char>(buf.c[0]), 176);
    EXPECT_EQ(static_cast<unsigned char>(buf.c[1]), 177);
    EXPECT_EQ(static_cast<unsigned char>(buf.c[2]), 15);
    EXPECT_EQ(buf.c[3], 'A');
}

TEST(FormatI, RightAlignedWithSignAndAsterisksOnOverflow) {
    EXPECT_EQ(I(65, 3), " 65");
    EXPECT_EQ(I(0, 3), "  0");
    EXPECT_EQ(I(-5, 4), "  -5");
    EXPECT_EQ(I(999, 3), "999");
    EXPECT_EQ(I(1000, 3), "***");
    EXPECT_EQ(I(-100, 3), "***");  // the sign needs a column too
    EXPECT_EQ(I(-99, 3), "-99");
    EXPECT_EQ(I(2000000001, 11), " 2000000001");
    EXPECT_EQ(I(std::numeric_limits<int64_t>::min(), 20), "-9223372036854775808");
    EXPECT_EQ(I(std::numeric_limits<int64_t>::min(), 19), std::string(19, '*'));
}

TEST(FormatZ, UpperCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(Z(0x502, 8), "     502");
    EXPECT_EQ(Z(0, 8), "       0");
    EXPECT_EQ(Z(0xabcU, 4), " ABC");
    EXPECT_EQ(Z(0xFFFFFFFFU, 8), "FFFFFFFF");
    EXPECT_EQ(Z(0x10000000U, 7), "*******");
}

TEST(FormatF, RoundsToTheDecimalsAndRightAligns) {
    EXPECT_EQ(F(-12.34, 6, 1), " -12.3");
    EXPECT_EQ(F(140.0, 8, 2), "  140.00");
    EXPECT_EQ(F(0.5241000056266785, 8, 2), "    0.52");
    EXPECT_EQ(F(2.06, 6, 1), "   2.1");
    EXPECT_EQ(F(-179.96, 6, 1), "-180.0");
    EXPECT_EQ(F(50.0, 8, 1), "    50.0");
    EXPECT_EQ(F(0.5, 6, 3), " 0.500");
}

TEST(FormatF, LeadingZeroDroppedOnlyWhenTheFieldNeedsIt) {
    EXPECT_EQ(F(0.5, 5, 3), "0.500");
    EXPECT_EQ(F(0.5, 4, 3), ".500");
    EXPECT_EQ(F(-0.5, 6, 3), "-0.500");
    EXPECT_EQ(F(-0.5, 5, 3), "-.500");
    EXPECT_EQ(F(-0.5, 4, 3), "****");
    EXPECT_EQ(F(0.999, 4, 3), ".999");
    EXPECT_EQ(F(0.9996, 4, 3), "****");  // rounds up to 1.000
}

TEST(FormatF, ZeroDecimalsEndWithThePoint) {
    EXPECT_EQ(F(1738.0, 5, 0), "1738.");
    EXPECT_EQ(F(378267.3, 7, 0), "378267.");
    EXPECT_EQ(F(111.54, 7, 0), "   112.");
    EXPECT_EQ(F(0.3, 3, 0), " 0.");
    EXPECT_EQ(F(1738.0, 4, 0), "****");
    EXPECT_EQ(F(-2.6, 4, 0), " -3.");
}

TEST(FormatF, OverflowFillsTheFieldWithAsterisks) {
    EXPECT_EQ(F(1000.0, 5, 1), "*****");
    EXPECT_EQ(F(-1000.0, 7, 1), "-1000.0");
    EXPECT_EQ(F(-1000.0, 6, 1), "******");
    EXPECT_EQ(F(99999999.0, 7, 0), "*******");
    EXPECT_EQ(F(1e300, 20, 2), std::string(20, '*'));
    EXPECT_EQ(F(-std::numeric_limits<double>::max(), 80, 60), std::string(80, '*'));
}

TEST(FormatF, NegativeValueKeepsItsMinusOnlyZeroHasNone) {
    EXPECT_EQ(F(-0.04, 6, 1), "  -0.0");
    EXPECT_EQ(F(-0.05, 6, 1), "  -0.1");
    EXPECT_EQ(F(-0.0, 6, 1), "   0.0");
    EXPECT_EQ(F(0.0, 6, 1), "   0.0");
    EXPECT_EQ(F(0.04, 6, 1), "   0.0");
    EXPECT_EQ(F(-0.4, 4, 0), " -0.");
    EXPECT_EQ(F(-1e-300, 4, 1), "-0.0");
    EXPECT_EQ(F(-0.04, 3, 1), "-.0");  // the zero before the point gives way first
}

TEST(FormatF, InfinityAndNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(F(inf, 8, 1), "Infinity");
    EXPECT_EQ(F(inf, 10, 1), "  Infinity");
    EXPECT_EQ(F(inf, 7, 1), "    Inf");
    EXPECT_EQ(F(inf, 2, 1), "**");
    EXPECT_EQ(F(-inf, 9, 1), "-Infinity");
    EXPECT_EQ(F(-inf, 8, 1), "    -Inf");
    EXPECT_EQ(F(-inf, 3, 1), "***");
    EXPECT_EQ(F(std::nan(""), 6, 1), "   NaN");
    EXPECT_EQ(F(std::nan(""), 2, 1), "**");
    EXPECT_EQ(F(static_cast<double>(1.0f / 0.0f), 8, 1), "Infinity");
}

TEST(FormatF, PanelReadoutExamples) {
    LineBuf buf;
    LineStart(buf);
    PutS(buf, "Lat=");
    PutF(buf, -12.34, 6, 1);
    PutChar(buf, 176);
    EXPECT_EQ(Text(buf), "Lat= -12.3\xB0");

    LineStart(buf);
    PutS(buf, "Fov =");
    PutF(buf, 140.0, 8, 2);
    PutChar(buf, 176);
    EXPECT_EQ(Text(buf), "Fov =  140.00\xB0");
    EXPECT_EQ(buf.n, 14);
}

}  // namespace
