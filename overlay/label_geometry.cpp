// Geometry of the 3-D labels without GL: grid numbers, pole and feature
// names placed on the globe and their glyph strokes. Angles in degrees.
#include "overlay/label_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/angles.h"
#include "base/scene.h"
#include "overlay/catalogue.h"
#include "overlay/font.h"
#include "overlay/palette.h"

namespace {

// Radii and heights in scene units from the globe's centre. Each sum rounds
// to the very double of its decimal (20.6, 20.1, 23.0), so the labels stand
// where they always stood.
constexpr double kLabelRadius = kGlobeRadius + 0.6;   // meridian and parallel numbers, over the grid
constexpr double kSouthZ = -kLabelRadius;             // "South", below the south pole
constexpr double kNorthZ = kGlobeRadius + 3.0;        // "North", clear of the meridian numbers
constexpr double kMeridianZ = 2.5;       // about 7 degrees north
constexpr double kParallelX = -2.5;      // about 7 degrees west of meridian 0
constexpr double kGridSize = 0.5;
constexpr double kPoleSize = 0.35;
constexpr double kLetterRadius = kGlobeRadius + 0.1;  // plus half the letter size
constexpr double kLetterSpacing = 5.0;   // degrees of longitude per unit of size
static_assert(kLabelRadius == 20.6 && kNorthZ == 23.0 && kLetterRadius == 20.1);

Label3D BlankLabel(const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iClr) {
    Label3D l;
    l.cLabel.fill(' ');
    l.dPos = dPos;
    l.dAng = dAng;
    l.dSize = dSize;
    l.iClr = iClr;
    return l;
}

// v right-aligned in four characters, then NUL; |v| <= 999.
void PutI4(std::array<char, kLabelChars>& c, int v) {
    char digits[4] = {' ', ' ', ' ', ' '};
    int a = v < 0 ? -v : v;
    int i = 3;
    do {
        digits[i--] = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0 && i >= 0);
    if (v < 0 && i >= 0) digits[i] = '-';
    for (int j = 0; j < 4; ++j) c[j] = digits[j];
    c[4] = '\0';
}

void PutText(std::array<char, kLabelChars>& c, const char* text) {
    int i = 0;
    for (; i < kLabelChars - 1 && text[i] != '\0'; ++i) c[i] = text[i];
    c[i] = '\0';
}

}  // namespace

LabelAxes LabelFrame(const Vec3& dAng) {
    const double sa = std::sin(dAng[0] * kDegRad), ca = std::cos(dAng[0] * kDegRad);
    const double sb = std::sin(dAng[1] * kDegRad), cb = std::cos(dAng[1] * kDegRad);
    const double sg = std::sin(dAng[2] * kDegRad), cg = std::cos(dAng[2] * kDegRad);
    // First and third columns of Rz(gamma) Ry(beta) Rx(alpha).
    LabelAxes ax;
    ax.e = {cg * cb, sg * cb, -sb};
    ax.h = {cg * sb * ca + sg * sa, sg * sb * ca - cg * sa, cb * ca};
    return ax;
}

Vec3 GlyphPoint(const Vec3& dPos, const LabelAxes& axes, double dSize, int k, int x, int y) {
    const double along = dSize * ((k - 1) * 1.5 + 0.5 + x / 20.0);
    const double down = 1.5 * dSize * (0.5 + y / 20.0);
    return {dPos[0] + along * axes.e[0] - down * axes.h[0],
            dPos[1] + along * axes.e[1] - down * axes.h[1],
            dPos[2] + along * axes.e[2] - down * axes.h[2]};
}

int GlyphSegments(unsigned char c, int k, const Vec3& dPos, const LabelAxes& axes, double dSize,
                  std::span<Segment3, kMaxGlyphSegments> out) {
    const int s = c == 0 ? 0 : iGlyphIx[c];
    if (s == 0) return 0;
    const int n = iGlyphDat[s];
    int count = 0;
    Vec3 prev = GlyphPoint(dPos, axes, dSize, k, iGlyphDat[s + 2], iGlyphDat[s + 3]);
    for (int i = 2; i <= n; ++i) {
        const int w = s + 3 * i - 2;
        const Vec3 p = GlyphPoint(dPos, axes, dSize, k, iGlyphDat[w + 1], iGlyphDat[w + 2]);
        if (iGlyphDat[w] == kPenDraw && count < kMaxGlyphSegments) out[count++] = {prev, p};
        prev = p;
    }
    return count;
}

int LabelSegments(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize,
                  std::span<Segment3, kMaxLabelSegments> out) {
    const LabelAxes axes = LabelFrame(dAng);
    int count = 0;
    for (int k = 1; k <= kLabelChars; ++k) {
        const auto c = static_cast<unsigned char>(cLabel[k - 1]);
        if (c == 0) break;
        count += GlyphSegments(c, k, dPos, axes, dSize,
                               out.subspan(count).first<kMaxGlyphSegments>());
    }
    return count;
}

StrokeKey MakeStrokeKey(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize) {
    StrokeKey key{{}, dPos, dAng, dSize};
    for (int k = 0; k < kLabelChars && cLabel[k] != '\0'; ++k) key.cText[static_cast<std::size_t>(k)] = cLabel[k];
    return key;
}

Vec3 EyeInFrame(const double (&m)[16]) {
    // m = [R t]: the eye, at the origin of eye space, is -R^T t here.
    Vec3 eye{};
    for (int i = 0; i < 3; ++i) eye[i] = -(m[4 * i] * m[12] + m[4 * i + 1] * m[13] + m[4 * i + 2] * m[14]);
    return eye;
}

namespace {

// The segment from the eye to p meets the ball of radius dR about the origin.
bool PointHidden(const Vec3& p, const Vec3& eye, double dR) {
    const Vec3 d{p[0] - eye[0], p[1] - eye[1], p[2] - eye[2]};
    const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (dd == 0.0) return false;
    // The segment's point nearest the centre.
    const double t = std::clamp(-(eye[0] * d[0] + eye[1] * d[1] + eye[2] * d[2]) / dd, 0.0, 1.0);
    const Vec3 q{eye[0] + t * d[0], eye[1] + t * d[1], eye[2] + t * d[2]};
    return q[0] * q[0] + q[1] * q[1] + q[2] * q[2] <= dR * dR;
}

}  // namespace

bool StrokeHidden(const Segment3& s, const Vec3& eye, double dR) {
    return PointHidden(s.a, eye, dR) && PointHidden(s.b, eye, dR);
}

Label3D GridLabel(int n, double dSpin) {
    if (n <= kMeridianLabels) {
        const int m = -180 + 10 * (n - 1);
        const double a = (m + 1) * kDegRad;
        Label3D l = BlankLabel({-kLabelRadius * std::sin(a), -kLabelRadius * std::cos(a), kMeridianZ},
                               {180.0, 90.0, double(-m)}, kGridSize, kClrWhite);
        PutI4(l.cLabel, -m);
        return l;
    }
    if (n <= kMeridianLabels + kParallelLabels) {
        const int lat = -80 + 10 * (n - kMeridianLabels - 1);
        const double a = (lat + 1) * kDegRad;
        Label3D l = BlankLabel({kParallelX, -kLabelRadius * std::cos(a), -kLabelRadius * std::sin(a)},
                               {lat + 180.0, 0.0, 0.0}, kGridSize, kClrWhite);
        PutI4(l.cLabel, -lat);
        return l;
    }
    const bool south = n == kMeridianLabels + kParallelLabels + 1;
    Label3D l = BlankLabel({0.0, 0.0, south ? kSouthZ : kNorthZ}, {dSpin, 90.0, 180.0}, kPoleSize, kClrWhite);
    PutText(l.cLabel, south ? "South" : "North");
    return l;
}

Label3D PlaceLetter(int k, int j) {
    const PlaceRecord& p = dPlace[k - 1];
    const double lam = p.lon + (j - 1) * p.size * kLetterSpacing;
    const double r = kLetterRadius + p.size / 2;
    const double lat = p.lat * kDegRad, lon = lam * kDegRad;
    Label3D l = BlankLabel({r * std::cos(lat) * std::sin(lon), -r * std::cos(lat) * std::cos(lon),
                            r * std::sin(lat)},
                           {180.0 - p.lat, 0.0, lam}, p.size, static_cast<int32_t>(p.colour));
    l.cLabel[0] = cPlace[k - 1][j - 1];
    l.cLabel[1] = '\0';
    return l;
}
