// The 8 x 13 font's glyphs: the read-back strip, the scaled glyphs and a
// print's texels, all without GL.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "overlay/glyphs.h"

namespace {

// The strip as the read-back leaves it: glyph c's pixels at its cell, a
// pixel of 255 for ink.
void InkAt(std::vector<uint8_t>& red, int32_t c, int32_t x, int32_t yFromBase) {
    red[static_cast<size_t>(ReadY(c) + yFromBase) * kReadW + ReadX(c) + x] = 255;
}

TEST(ScaledGlyph, StripReadBackGivesEachGlyphsRowsFromItsCell) {
    std::vector<uint8_t> red(static_cast<size_t>(kReadW) * kReadH, 0);
    InkAt(red, 'A', 0, 0);                 // base line, left pixel
    InkAt(red, 'A', 7, 10);                // cap height, right pixel
    InkAt(red, 'A', 3, -kGlyphBelow);      // lowest row read
    InkAt(red, 255, 1, kGlyphRows - kGlyphBelow - 1);  // last cell, top row read
    red[static_cast<size_t>(ReadY('A')) * kReadW + ReadX('A') + 8] = 127;  // below the ink level, and outside the glyph
    GlyphSet glyphs{};
    GlyphsFromStrip(red.data(), glyphs);
    GlyphBits a{};
    a[kGlyphBelow] = 0x80;
    a[kGlyphBelow + 10] = 0x01;
    a[0] = 0x10;
    EXPECT_EQ(glyphs['A'], a);
    EXPECT_EQ(glyphs[255][kGlyphRows - 1], 0x40);
    for (int32_t c : {0, 32, 66, 64, 254}) EXPECT_EQ(glyphs[static_cast<size_t>(c)], GlyphBits{}) << c;

    // A read of the font: ink in every digit and capital letter, none in the blank.
    EXPECT_FALSE(GlyphsPlausible(glyphs));
    for (int32_t c = '0'; c <= 'Z'; ++c)
        if (c <= '9' || c >= 'A') InkAt(red, c, 2, 2);
    GlyphsFromStrip(red.data(), glyphs);
    EXPECT_TRUE(GlyphsPlausible(glyphs));
    GlyphSet noQ = glyphs;
    noQ['Q'].fill(0);
    EXPECT_FALSE(GlyphsPlausible(noQ));

    // Not the font: nothing drawn, or ink where the blank is.
    EXPECT_FALSE(GlyphsPlausible(GlyphSet{}));
    InkAt(red, ' ', 4, 4);
    GlyphsFromStrip(red.data(), glyphs);
    EXPECT_FALSE(GlyphsPlausible(glyphs));
}

// Checks that out holds the texels of n characters of cText at scale k, rows
// iStride apart, each font pixel a k x k square (what the glyphs drawn one by
// one as bitmaps light), and 7 beyond them.
void ExpectRunTexels(const GlyphSet& glyphs, const char* cText, int32_t n, int32_t k, const std::vector<uint8_t>& out,
                     int32_t iStride) {
    for (int32_t y = 0; y < kGlyphRows * k; ++y)
        for (int32_t x = 0; x < iStride; ++x) {
            const uint8_t got = out[static_cast<size_t>(y) * static_cast<size_t>(iStride) + static_cast<size_t>(x)];
            if (x >= n * 8 * k) {
                EXPECT_EQ(got, 7) << "beyond the print: k " << k << " " << x << "," << y;
                continue;
            }
            const GlyphBits& rows = glyphs[static_cast<unsigned char>(cText[x / (8 * k)])];
            const bool bInk = (rows[static_cast<size_t>(y / k)] >> (7 - x % (8 * k) / k)) & 1;
            EXPECT_EQ(got, bInk ? 255 : 0) << "k " << k << " " << x << "," << y;
        }
}

GlyphSet SomeGlyphs() {
    GlyphSet glyphs{};
    glyphs['A'][kGlyphBelow] = 0xF0;
    glyphs['B'][kGlyphBelow + 1] = 0x81;
    glyphs['B'][kGlyphRows - 2] = 0x01;
    glyphs['C'][kGlyphRows - 1] = 0x3C;
    glyphs[176][1] = 0x18;  // the degree sign: a code above 127
    glyphs[255][0] = 0x80;  // the last code
    return glyphs;
}

// A print's texels are its glyphs side by side. Its ink box leaves out the
// blanks at either end and the rows without ink.
TEST(ScaledGlyph, APrintsTexelsAreItsGlyphsAndItsInkBoxHoldsThem) {
    const GlyphSet glyphs = SomeGlyphs();
    const char cText[] = " AB \xB0\xFF ";
    const int32_t n = 7;
    for (int32_t k : {1, 2, 3}) {
        const std::vector<uint8_t> alpha = AlphaGlyphs(glyphs, k);
        ASSERT_EQ(alpha.size(), static_cast<size_t>(256 * AlphaGlyphBytes(k)));
        const int32_t iStride = n * 8 * k + 5;  // rows wider than the print
        std::vector<uint8_t> out(static_cast<size_t>(iStride * kGlyphRows * k), 7);
        LineAlpha(alpha.data(), k, cText, n, out.data(), iStride);
        ExpectRunTexels(glyphs, cText, n, k, out, iStride);
    }
    const InkBox box = LineInk(glyphs, cText, n);
    EXPECT_EQ(box.iFirst, 1);
    EXPECT_EQ(box.iEnd, 6);
    EXPECT_EQ(box.iRowLo, 0);
    EXPECT_EQ(box.iRowHi, kGlyphRows - 1);
    const InkBox one = LineInk(glyphs, "B", 1);
    EXPECT_EQ(one.iRowLo, kGlyphBelow + 1);
    EXPECT_EQ(one.iRowHi, kGlyphRows - 1);
    const InkBox none = LineInk(glyphs, "  ", 2);
    EXPECT_EQ(none.iFirst, none.iEnd);
}

// A slot of the text texture is rasterised when the run it is to hold
// differs from the one it holds (other characters, another length, another
// scale), with exactly that run's texels, and left alone when it is the same.
TEST(TextSlots, AChangedRunIsRasterisedAndAnUnchangedOneIsNot) {
    const GlyphSet glyphs = SomeGlyphs();
    std::vector<uint8_t> alpha[4];
    for (int32_t k = 1; k <= 3; ++k) alpha[k] = AlphaGlyphs(glyphs, k);
    RunSlot slot{};
    const int32_t iStride = 4 * 8 * 3 + 3;
    std::vector<uint8_t> out;
    // Fills the slot with n characters of cText at scale k over a buffer of
    // 7s; true when the slot was rasterised.
    auto fill = [&](const char* cText, int32_t n, int32_t k) {
        out.assign(static_cast<size_t>(iStride) * kGlyphRows * static_cast<size_t>(k), 7);
        return FillSlot(slot, MakeRunKey(cText, n, k), alpha[k].data(), out.data(), iStride);
    };
    struct Step {
        const char* cText;
        int32_t n;
        int32_t k;
        bool bNew;
    };
    const Step steps[] = {
        {"AB", 2, 1, true},        {"AB", 2, 1, false},        // the same run again
        {"AC", 2, 1, true},        {"AC\xB0", 3, 1, true},     // another character; one more
        {"AC\xB0", 2, 1, true},    {"AC", 2, 1, false},        // shorter: what follows the n-th does not count
        {"AC", 2, 2, true},        {"AC", 2, 3, true},         // another scale
        {"A\0B\xFF", 4, 3, true}, {"A\0B\xFF", 4, 3, false},  // a NUL inside the run
        {"A\0C\xFF", 4, 3, true},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(std::string(st.cText, static_cast<size_t>(st.n)) + " at k " + std::to_string(st.k));
        ASSERT_EQ(fill(st.cText, st.n, st.k), st.bNew);
        if (st.bNew)
            ExpectRunTexels(glyphs, st.cText, st.n, st.k, out, iStride);
        else
            EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 7));
    }
}

}  // namespace
