// Where the 3-D labels go: the strokes of a line of vector-font text, and the
// texts, positions and orientations of the globe's grid and feature labels.
// Pure computation, no GL. Angles in degrees, lengths in scene units.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/scene.h"

using Vec3 = std::array<double, 3>;

constexpr int kLabelChars = 40;                                  // characters per label at most
constexpr int kMaxGlyphSegments = 15;                            // kMaxGlyphPoints - 1
constexpr int kMaxLabelSegments = kLabelChars * kMaxGlyphSegments;

// Reading direction e and the vector h of a label, the glyph tops pointing
// along -h: e = R x, h = R z with R = Rz(gamma) Ry(beta) Rx(alpha), all
// right-handed, from dAng = (alpha, beta, gamma).
struct LabelAxes {
    Vec3 e;
    Vec3 h;
};
LabelAxes LabelFrame(const Vec3& dAng);

struct Segment3 {
    Vec3 a;
    Vec3 b;
};

// Point (x, y) of the glyph grid in character k (1-based) of a label whose
// first box has its lower left corner at dPos; characters are dSize wide,
// 1.5 dSize high and stand 1.5 dSize apart.
Vec3 GlyphPoint(const Vec3& dPos, const LabelAxes& axes, double dSize, int k, int x, int y);

// The strokes of character code c as character k; returns their number,
// 0 for a code without glyph.
int GlyphSegments(unsigned char c, int k, const Vec3& dPos, const LabelAxes& axes, double dSize,
                  std::span<Segment3, kMaxGlyphSegments> out);

// All strokes of cLabel, which ends at its first NUL or after kLabelChars
// characters; returns their number.
int LabelSegments(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize,
                  std::span<Segment3, kMaxLabelSegments> out);

// The eye's position in the frame of the model-view matrix m (column-major,
// as glGetDoublev gives it), which must be a rotation and a translation.
Vec3 EyeInFrame(const double (&m)[16]);

// The ball about the globe's centre whose shadow surely hides a stroke when
// the textured globe is drawn: well inside the globe's facets (72 x 36, none
// nearer the centre than 0.996 of its radius), so that a stroke in its shadow
// is a line's width inside the globe's outline on the screen and far enough
// behind the globe's surface for any depth buffer.
constexpr double kHideRadius = 0.95 * kGlobeRadius;  // scene units

// True when every point of stroke s is hidden from the eye by the ball of
// radius dR about the origin: the ball with its shadow is convex, so both
// ends in it are enough.
bool StrokeHidden(const Segment3& s, const Vec3& eye, double dR);

// What shapes a label's strokes: its text up to the first NUL, where and how
// it stands, its size. Not its colour, which the strokes do not depend on.
struct StrokeKey {
    std::array<char, kLabelChars> cText;  // NUL from the label's end on
    Vec3 dPos;
    Vec3 dAng;
    double dSize;
    bool operator==(const StrokeKey&) const = default;
};
StrokeKey MakeStrokeKey(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize);

// One call of Prnt3D: the text (NUL after it, blanks to the end), where and
// how it stands, its size and palette colour.
struct Label3D {
    std::array<char, kLabelChars> cLabel;
    Vec3 dPos;
    Vec3 dAng;
    double dSize;
    int32_t iClr;
};

constexpr int kMeridianLabels = 36;  // meridians -180..170
constexpr int kParallelLabels = 17;  // parallels -80..80
constexpr int kGridLabelCount = kMeridianLabels + kParallelLabels + 2;  // + "South", "North"
constexpr int kPlaceLetters = 18;    // letters per feature name, blanks included

// Grid label n = 1..kGridLabelCount in drawing order: the meridian numbers,
// the parallel numbers, "South", "North". The pole names turn with dSpin.
Label3D GridLabel(int n, double dSpin);

// Letter j (1..kPlaceLetters) of the name of catalogue feature k (1..kPlaces).
Label3D PlaceLetter(int k, int j);
