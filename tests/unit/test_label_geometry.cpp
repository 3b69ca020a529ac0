// Placement of the grid numbers, pole names and feature names on the globe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "base/angles.h"
#include "overlay/catalogue.h"
#include "overlay/label_geometry.h"
#include "tests/unit/helpers.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180.0;

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Norm(const Vec3& a) { return std::sqrt(Dot(a, a)); }
Vec3 Neg(const Vec3& a) { return {-a[0], -a[1], -a[2]}; }

// Directions of the globe frame at latitude phi, longitude lam (degrees):
// the outward normal, east and north.
Vec3 Outward(double phi, double lam) {
    return {std::cos(phi * kRad) * std::sin(lam * kRad), -std::cos(phi * kRad) * std::cos(lam * kRad),
            std::sin(phi * kRad)};
}
Vec3 East(double lam) { return {std::cos(lam * kRad), std::sin(lam * kRad), 0}; }
Vec3 North(double phi, double lam) {
    return {-std::sin(phi * kRad) * std::sin(lam * kRad), std::sin(phi * kRad) * std::cos(lam * kRad),
            std::cos(phi * kRad)};
}

double Wrap180(double a) {
    while (a > 180) a -= 360;
    while (a <= -180) a += 360;
    return a;
}

// The text, its NUL, and blanks to the end of the buffer.
void ExpectBuffer(const Label3D& l, const std::string& text) {
    EXPECT_EQ(Text(l), text);
    for (size_t i = text.size() + 1; i < l.cLabel.size(); ++i) EXPECT_EQ(l.cLabel[i], ' ') << i;
}

// Glyph tops and the side the text is read from: reading direction cross
// glyph-up must point away from the globe, or the label is mirrored.
Vec3 Up(const Label3D& l) { return Neg(LabelFrame(l.dAng).h); }
Vec3 Facing(const Label3D& l) { return Cross(LabelFrame(l.dAng).e, Up(l)); }

}  // namespace

TEST(GridLabels, MeridianNumbers) {
    for (int n = 1; n <= kMeridianLabels; ++n) {
        const int m = -180 + 10 * (n - 1);
        SCOPED_TRACE(m);
        const Label3D l = GridLabel(n, 0.0);
        char expect[8];
        std::snprintf(expect, sizeof expect, "%4d", -m);
        ExpectBuffer(l, expect);
        EXPECT_EQ(l.dSize, 0.5);
        EXPECT_EQ(l.iClr, 15);
        // One degree west of meridian -m, 20.6 from the axis, at z = 2.5.
        EXPECT_NEAR(std::hypot(l.dPos[0], l.dPos[1]), 20.6, 1e-12);
        EXPECT_EQ(l.dPos[2], 2.5);
        const double lon = std::atan2(l.dPos[0], -l.dPos[1]) / kRad;
        EXPECT_NEAR(Wrap180(lon - (-m - 1)), 0, 1e-9);
        // Read from north to south along the meridian, tops toward east.
        const LabelAxes ax = LabelFrame(l.dAng);
        EXPECT_NEAR(Dot(ax.e, {0, 0, -1}), 1, 1e-12);
        EXPECT_NEAR(Dot(Up(l), East(-m)), 1, 1e-12);
        EXPECT_GT(Dot(Facing(l), Outward(0, lon)), 0.999);
    }
    EXPECT_EQ(Text(GridLabel(1, 0)), " 180");
    EXPECT_EQ(Text(GridLabel(19, 0)), "   0");
    EXPECT_EQ(Text(GridLabel(20, 0)), " -10");
    EXPECT_EQ(Text(GridLabel(36, 0)), "-170");
}

TEST(GridLabels, ParallelNumbers) {
    for (int i = 1; i <= kParallelLabels; ++i) {
        const int lat = -80 + 10 * (i - 1);
        SCOPED_TRACE(lat);
        const Label3D l = GridLabel(kMeridianLabels + i, 0.0);
        char expect[8];
        std::snprintf(expect, sizeof expect, "%4d", -lat);
        ExpectBuffer(l, expect);
        EXPECT_EQ(l.dSize, 0.5);
        EXPECT_EQ(l.iClr, 15);
        // In the plane x = -2.5, one degree south of parallel -lat.
        EXPECT_EQ(l.dPos[0], -2.5);
        EXPECT_NEAR(std::hypot(l.dPos[1], l.dPos[2]), 20.6, 1e-12);
        const double phi = std::atan2(l.dPos[2], -l.dPos[1]) / kRad;
        EXPECT_NEAR(phi, -lat - 1, 1e-9);
        // Read eastward, tops toward north.
        EXPECT_NEAR(Dot(LabelFrame(l.dAng).e, East(0)), 1, 1e-12);
        EXPECT_NEAR(Dot(Up(l), North(-lat, 0)), 1, 1e-12);
        EXPECT_GT(Dot(Facing(l), Outward(phi, 0)), 0.999);
    }
    EXPECT_EQ(Text(GridLabel(kMeridianLabels + 1, 0)), "  80");
    EXPECT_EQ(Text(GridLabel(kMeridianLabels + kParallelLabels, 0)), " -80");
}

TEST(GridLabels, PoleNamesFaceTheEyeWhateverTheSpin) {
    for (double spin : {0.0, -37.5, -359.8, 123.0}) {
        SCOPED_TRACE(spin);
        const Label3D south = GridLabel(kGridLabelCount - 1, spin);
        const Label3D north = GridLabel(kGridLabelCount, spin);
        ExpectBuffer(south, "South");
        ExpectBuffer(north, "North");
        EXPECT_EQ(south.dPos, (Vec3{0, 0, -20.6}));
        EXPECT_EQ(north.dPos, (Vec3{0, 0, 23.0}));
        EXPECT_EQ(north.dAng, (Vec3{spin, 90, 180}));
        EXPECT_EQ(north.dSize, 0.35);
        EXPECT_EQ(north.iClr, 15);
        // Into eye coordinates with the view rotations Rx(-90) Rz(spin):
        // the tops point right and the face toward the eye (+z).
        auto toEye = [spin](const Vec3& v) {
            const double c = std::cos(spin * kRad), s = std::sin(spin * kRad);
            const Vec3 r{c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]};
            return Vec3{r[0], r[2], -r[1]};
        };
        const Vec3 up = toEye(Up(north)), face = toEye(Facing(north));
        EXPECT_NEAR(up[0], 1, 1e-12);
        EXPECT_NEAR(face[2], 1, 1e-12);
    }
}

TEST(PlaceLetters, SeaOfTranquility) {
    const std::string name = "Sea of Tranquility";
    for (int j = 1; j <= kPlaceLetters; ++j) {
        SCOPED_TRACE(j);
        const Label3D l = PlaceLetter(5, j);
        ExpectBuffer(l, name.substr(j - 1, 1));
        const double lam = 21.0 + (j - 1) * 1.2;
        EXPECT_NEAR(l.dAng[0], 173.5, 1e-12);
        EXPECT_EQ(l.dAng[1], 0.0);
        EXPECT_NEAR(l.dAng[2], lam, 1e-12);
        EXPECT_EQ(l.dSize, 0.24);
        EXPECT_EQ(l.iClr, 15);
        EXPECT_NEAR(Norm(l.dPos), 20.22, 1e-12);
        EXPECT_NEAR(std::asin(l.dPos[2] / 20.22) / kRad, 6.5, 1e-9);
        EXPECT_NEAR(std::atan2(l.dPos[0], -l.dPos[1]) / kRad, lam, 1e-9);
    }
    EXPECT_NEAR(PlaceLetter(5, 1).dAng[2], 21.0, 1e-12);
    EXPECT_NEAR(PlaceLetter(5, 18).dAng[2], 41.4, 1e-12);
}

TEST(PlaceLetters, StandOnTheirParallelTopsNorth) {
    for (int k = 1; k <= kPlaces; ++k) {
        const PlaceRecord& p = dPlace[k - 1];
        for (int j : {1, 7, 18}) {
            SCOPED_TRACE(std::to_string(k) + "/" + std::to_string(j));
            const Label3D l = PlaceLetter(k, j);
            const double lam = l.dAng[2];
            const LabelAxes ax = LabelFrame(l.dAng);
            EXPECT_NEAR(Dot(ax.e, East(lam)), 1, 1e-12);
            EXPECT_NEAR(Dot(Up(l), North(p.lat, lam)), 1, 1e-12);
            EXPECT_NEAR(Dot(Facing(l), Outward(p.lat, lam)), 1, 1e-12);
            // The base line (glyph y = -10) keeps the parallel's height.
            for (int x : {-10, 0, 10}) {
                EXPECT_NEAR(GlyphPoint(l.dPos, ax, l.dSize, 1, x, -10)[2], l.dPos[2], 1e-12);
            }
            EXPECT_NEAR(Norm(l.dPos), 20.1 + p.size / 2, 1e-12);
        }
    }
}

TEST(PlaceLetters, ColoursAndBlanks) {
    EXPECT_EQ(PlaceLetter(8, 1).iClr, 10);   // Copernicus
    EXPECT_EQ(PlaceLetter(9, 1).iClr, 12);   // Tycho
    EXPECT_EQ(PlaceLetter(1, 1).iClr, 15);
    std::array<Segment3, kMaxLabelSegments> buf;
    // "Tycho" is followed by 13 blanks, which draw nothing; its "T" draws two strokes.
    for (int j = 6; j <= kPlaceLetters; ++j) {
        const Label3D l = PlaceLetter(9, j);
        EXPECT_EQ(LabelSegments(l.cLabel.data(), l.dPos, l.dAng, l.dSize, buf), 0) << j;
    }
    const Label3D t = PlaceLetter(9, 1);
    EXPECT_EQ(LabelSegments(t.cLabel.data(), t.dPos, t.dAng, t.dSize, buf), 2);
}

// The eye of a model-view matrix made as a frame makes it: back along z by
// the globe radius and an altitude, then turned about x.
TEST(HiddenStrokes, EyeOfTheModelViewAndTheGlobesShadow) {
    const double d = kGlobeRadius + 5.0;
    const double a = 30.0 * kDegRad, c = std::cos(a), s = std::sin(a);
    // Translate(0, 0, -d) Rotate(30 deg about x), column-major.
    const double m[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, -d, 1};
    const Vec3 eye = EyeInFrame(m);
    EXPECT_NEAR(eye[0], 0.0, 1e-12);
    EXPECT_NEAR(eye[1], d * s, 1e-12);
    EXPECT_NEAR(eye[2], d * c, 1e-12);

    // From an eye far out on the +z axis, as at the start view: behind the
    // ball is -z, and its shadow nearly a cylinder.
    const Vec3 e{0.0, 0.0, 1000.0};
    const double r = kHideRadius;
    const double back = -(kGlobeRadius + 1.0);
    EXPECT_TRUE(StrokeHidden({{0.0, 0.0, back}, {3.0, 2.0, back}}, e, r));
    // In front of the globe, or beside it outside its shadow.
    EXPECT_FALSE(StrokeHidden({{0.0, 0.0, kGlobeRadius + 1.0}, {3.0, 0.0, kGlobeRadius + 1.0}}, e, r));
    EXPECT_FALSE(StrokeHidden({{kGlobeRadius + 2.0, 0.0, back}, {kGlobeRadius + 3.0, 0.0, back}}, e, r));
    // One end in the shadow is not enough.
    EXPECT_FALSE(StrokeHidden({{0.0, 0.0, back}, {kGlobeRadius + 3.0, 0.0, back}}, e, r));
    // Just behind the limb of the drawn globe but outside the smaller ball's
    // shadow: kept, for the line's width and the depth buffer's steps.
    const double limb = kGlobeRadius * 0.99;
    EXPECT_FALSE(StrokeHidden({{limb, 0.0, -1.0}, {limb, 0.5, -1.0}}, e, r));
}
