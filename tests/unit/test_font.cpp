#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "overlay/font.h"
#include "overlay/label_geometry.h"
#include "tests/unit/helpers.h"

namespace {

struct ExpectedGlyph {
    char code;
    int points;
};

// Point counts of the 42 glyphs, in code order.
constexpr ExpectedGlyph kExpected[] = {
    {'*', 6},  {'+', 4},  {',', 6},  {'-', 2},  {'.', 10}, {'/', 2},  {'0', 15}, {'1', 5},
    {'2', 10}, {'3', 13}, {'4', 4},  {'5', 10}, {'6', 12}, {'7', 3},  {'8', 16}, {'9', 12},
    {'A', 5},  {'B', 12}, {'C', 10}, {'D', 7},  {'E', 6},  {'F', 5},  {'G', 10}, {'H', 6},
    {'I', 6},  {'J', 6},  {'K', 7},  {'L', 3},  {'M', 5},  {'N', 4},  {'O', 9},  {'P', 7},
    {'Q', 11}, {'R', 10}, {'S', 14}, {'T', 4},  {'U', 6},  {'V', 3},  {'W', 5},  {'X', 4},
    {'Y', 5},  {'Z', 4},
};

std::vector<int16_t> GlyphWords(char c) {
    const int s = iGlyphIx[static_cast<unsigned char>(c)];
    const int n = iGlyphDat[s];
    return std::vector<int16_t>(iGlyphDat.begin() + s, iGlyphDat.begin() + s + 1 + 3 * n);
}

std::vector<Segment3> Segments(const char* text, const Vec3& pos, const Vec3& ang, double size) {
    std::array<Segment3, kMaxLabelSegments> buf;
    const int n = LabelSegments(text, pos, ang, size, buf);
    return std::vector<Segment3>(buf.begin(), buf.begin() + n);
}

void ExpectNear(const Vec3& a, const Vec3& b, double tol = 1e-12) {
    EXPECT_NEAR(a[0], b[0], tol);
    EXPECT_NEAR(a[1], b[1], tol);
    EXPECT_NEAR(a[2], b[2], tol);
}

// A 40-character label buffer: text, then NUL and blanks.
std::array<char, kLabelChars> Label(const char* text) {
    std::array<char, kLabelChars> c;
    c.fill(' ');
    std::memcpy(c.data(), text, std::strlen(text) + 1);
    return c;
}

}  // namespace

TEST(GlyphTable, GlyphsAreLaidOutBackToBackInCodeOrder) {
    int s = 1;
    for (const ExpectedGlyph& g : kExpected) {
        SCOPED_TRACE(g.code);
        ASSERT_EQ(iGlyphIx[static_cast<unsigned char>(g.code)], s);
        ASSERT_EQ(iGlyphDat[s], g.points);
        s += 1 + 3 * g.points;
    }
    // 954 words of glyphs; the table's last word is a spare.
    EXPECT_EQ(s, kGlyphWords);
    EXPECT_EQ(iGlyphDat[kGlyphWords], 0);
    EXPECT_EQ(int(std::size(kExpected)), kGlyphCount);
}

TEST(GlyphTable, OnlyTheTabledCodesAndLowerCaseHaveGlyphs) {
    int withGlyph = 0;
    for (int c = 1; c <= 255; ++c) {
        SCOPED_TRACE(c);
        const bool upper = (c >= 42 && c <= 57) || (c >= 65 && c <= 90);
        const bool lower = c >= 97 && c <= 122;
        if (lower) {
            EXPECT_EQ(iGlyphIx[c], iGlyphIx[c - 32]);
        } else if (!upper) {
            EXPECT_EQ(iGlyphIx[c], 0);
        }
        if (upper) ++withGlyph;
    }
    EXPECT_EQ(withGlyph, kGlyphCount);
    EXPECT_EQ(iGlyphIx[' '], 0);
    EXPECT_EQ(iGlyphIx[0], 0);
}

TEST(GlyphTable, PenCodesAndCoordinatesAreWellFormed) {
    for (const ExpectedGlyph& g : kExpected) {
        SCOPED_TRACE(g.code);
        const std::vector<int16_t> w = GlyphWords(g.code);
        EXPECT_EQ(w[1], kPenMove) << "first point must move";
        for (int i = 1; i <= g.points; ++i) {
            const int16_t pen = w[3 * i - 2], x = w[3 * i - 1], y = w[3 * i];
            EXPECT_TRUE(pen == kPenMove || pen == kPenDraw);
            EXPECT_TRUE(x >= -15 && x <= 12 && y >= -15 && y <= 12) << x << "," << y;
            // Only ",", "." and "Q" leave the -10..10 box.
            if (g.code != ',' && g.code != '.' && g.code != 'Q') {
                EXPECT_TRUE(x >= -10 && x <= 10 && y >= -10 && y <= 10) << x << "," << y;
            }
        }
    }
}

TEST(GlyphTable, SampleGlyphsWordForWord) {
    EXPECT_EQ(GlyphWords('4'), (std::vector<int16_t>{4, 1, 10, -3, 2, -10, -3, 2, 6, 10, 2, 6, -10}));
    EXPECT_EQ(GlyphWords('K'), (std::vector<int16_t>{7, 1, -10, 10, 2, -10, -10, 1, -10, 0, 2, 0, 0,
                                                     2, 10, 10, 1, 0, 0, 2, 10, -10}));
    EXPECT_EQ(GlyphWords(','), (std::vector<int16_t>{6, 1, 1, -11, 2, -1, -11, 2, -1, -10, 2, 1, -10,
                                                     2, 1, -12, 2, -1, -15}));
    // "0" ends with its diagonal, "Q" with its tail.
    const std::vector<int16_t> zero = GlyphWords('0');
    EXPECT_EQ(std::vector<int16_t>(zero.end() - 6, zero.end()),
              (std::vector<int16_t>{1, -10, -10, 2, 10, 10}));
    const std::vector<int16_t> q = GlyphWords('Q');
    EXPECT_EQ(std::vector<int16_t>(q.end() - 6, q.end()), (std::vector<int16_t>{1, 0, 0, 2, 12, -12}));
}

TEST(LabelFrame, RotationsApplyXThenYThenZ) {
    // Single axes, right-handed.
    LabelAxes a = LabelFrame({90, 0, 0});
    ExpectNear(a.e, {1, 0, 0});
    ExpectNear(a.h, {0, -1, 0});
    a = LabelFrame({0, 90, 0});
    ExpectNear(a.e, {0, 0, -1});
    ExpectNear(a.h, {1, 0, 0});
    a = LabelFrame({0, 0, 90});
    ExpectNear(a.e, {0, 1, 0});
    ExpectNear(a.h, {0, 0, 1});
    // Rz(90) Ry(90) Rx(90): x -> x -> -z -> -z, z -> -y -> -y -> +x.
    a = LabelFrame({90, 90, 90});
    ExpectNear(a.e, {0, 0, -1});
    ExpectNear(a.h, {1, 0, 0});
    // Any angles give an orthonormal pair.
    a = LabelFrame({23, -71, 148});
    EXPECT_NEAR(Dot(a.e, a.e), 1, 1e-12);
    EXPECT_NEAR(Dot(a.h, a.h), 1, 1e-12);
    EXPECT_NEAR(Dot(a.e, a.h), 0, 1e-12);
}

TEST(LabelSegments, UnrotatedGlyphsStandAlongMinusZ) {
    const Vec3 pos{1, 2, 3};
    const double s = 0.4;
    const std::vector<Segment3> t = Segments("T", pos, {0, 0, 0}, s);
    ASSERT_EQ(t.size(), 2u);
    // Top bar at y = +10: 1.5 s below dPos in z, spanning the box width along +x.
    ExpectNear(t[0].a, {1.0, 2, 3 - 1.5 * s});
    ExpectNear(t[0].b, {1.0 + s, 2, 3 - 1.5 * s});
    // Stem from the top down to y = -10, the box's base at dPos.
    ExpectNear(t[1].a, {1.0 + 0.5 * s, 2, 3 - 1.5 * s});
    ExpectNear(t[1].b, {1.0 + 0.5 * s, 2, 3});
}

TEST(LabelSegments, NorthSpansFourPitchesAndOneWidth) {
    const Vec3 pos{5, -7, 11};
    const Vec3 ang{37, -58, 121};
    const LabelAxes ax = LabelFrame(ang);
    const std::vector<Segment3> segs = Segments("North", pos, ang, 0.35);
    // N 3 strokes, O 8, R 8, T 2, H 3.
    ASSERT_EQ(segs.size(), 24u);
    double lo = 1e9, hi = -1e9;
    for (const Segment3& sg : segs) {
        for (const Vec3& p : {sg.a, sg.b}) {
            lo = std::min(lo, Dot(Sub(p, pos), ax.e));
            hi = std::max(hi, Dot(Sub(p, pos), ax.e));
            // Everything lies in the plane of e and h through dPos.
            const Vec3 d = Sub(p, pos);
            const double off = Dot(d, d) - std::pow(Dot(d, ax.e), 2) - std::pow(Dot(d, ax.h), 2);
            EXPECT_NEAR(off, 0, 1e-9);
        }
    }
    EXPECT_NEAR(lo, 0.0, 1e-12);
    EXPECT_NEAR(hi, 2.45, 1e-12);
}

TEST(LabelSegments, LowerCaseDrawsTheCapitals) {
    const Vec3 pos{0.5, 0.25, -3};
    const Vec3 ang{10, 20, 30};
    const std::vector<Segment3> lower = Segments("sea of tranquility", pos, ang, 0.24);
    const std::vector<Segment3> upper = Segments("SEA OF TRANQUILITY", pos, ang, 0.24);
    ASSERT_EQ(lower.size(), upper.size());
    ASSERT_GT(lower.size(), 0u);
    for (size_t i = 0; i < lower.size(); ++i) {
        ExpectNear(lower[i].a, upper[i].a);
        ExpectNear(lower[i].b, upper[i].b);
    }
}

TEST(LabelSegments, CharactersWithoutGlyphKeepTheirPlace) {
    const Vec3 pos{0, 0, 0};
    const Vec3 ang{0, 0, 90};  // e = +y
    const double s = 0.5;
    const std::vector<Segment3> one = Segments("A", pos, ang, s);
    for (const char* text : {"  A", "!\x7f" "A", "\xc8\x01" "A"}) {
        SCOPED_TRACE(text);
        const std::vector<Segment3> shifted = Segments(text, pos, ang, s);
        ASSERT_EQ(shifted.size(), one.size());
        for (size_t i = 0; i < one.size(); ++i) {
            ExpectNear(shifted[i].a, {one[i].a[0], one[i].a[1] + 2 * 1.5 * s, one[i].a[2]});
            ExpectNear(shifted[i].b, {one[i].b[0], one[i].b[1] + 2 * 1.5 * s, one[i].b[2]});
        }
    }
}

TEST(LabelSegments, StopsAtNulOrAfterFortyCharacters) {
    const Vec3 pos{0, 0, 0}, ang{0, 0, 0};
    EXPECT_EQ(Segments(Label("").data(), pos, ang, 1).size(), 0u);
    EXPECT_EQ(Segments(Label("HI").data(), pos, ang, 1).size(), Segments("HI", pos, ang, 1).size());
    const char nulInside[] = "H\0III";
    EXPECT_EQ(Segments(nulInside, pos, ang, 1).size(), 3u);
    // 40 dashes and no NUL; the 41st character must not be read.
    char dashes[48];
    std::memset(dashes, '-', 40);
    std::memcpy(dashes + 40, "XXXXXXX", 8);
    const std::vector<Segment3> segs = Segments(dashes, pos, ang, 1);
    ASSERT_EQ(segs.size(), 40u);
    EXPECT_NEAR(segs.back().b[0], 39 * 1.5 + 1.0, 1e-12);
}

TEST(LabelSegments, ZeroLengthStrokesAndTheDiagonalOfZero) {
    const Vec3 pos{0, 0, 0}, ang{0, 0, 0};
    const std::vector<Segment3> dot = Segments(".", pos, ang, 1);
    ASSERT_EQ(dot.size(), 8u);
    ExpectNear(dot[1].a, dot[1].b);  // D0,-10 after D0,-10
    const std::vector<Segment3> zero = Segments("0", pos, ang, 2);
    ASSERT_EQ(zero.size(), 13u);
    // From the lower left corner (dPos) to the upper right one.
    ExpectNear(zero.back().a, {0, 0, 0});
    ExpectNear(zero.back().b, {2, 0, -3});
    // "O" has no diagonal.
    for (const Segment3& sg : Segments("O", pos, ang, 2)) {
        EXPECT_FALSE(std::abs(sg.a[0] - sg.b[0]) > 1.5 && std::abs(sg.a[2] - sg.b[2]) > 2.5);
    }
}
