// Camera arithmetic of the eye passes, free of GL calls. Angles in degrees,
// distances in scene units, shifts in normalised device units (screen -1..1).
#pragma once

#include <array>
#include <cstdint>

#include "base/scene.h"

constexpr double kNearGap = 0.7;         // near plane at dAlt - 0.7, short of the surface
constexpr double kFarReach = 25.0;       // far plane at dAlt + 25, past the globe centre
constexpr double kEyeSeparation = 10.0;  // each eye dAlt / 10 to the side in a pair
constexpr int kGlobeSlices = 72;         // textured globe, 5 degrees a slice
constexpr int kGlobeStacks = 36;
constexpr double kGridRadius = 20.3;     // wire grid sphere, 0.3 above the surface
constexpr int kGridSlices = 36;          // a meridian every 10 degrees
constexpr int kGridStacks = 18;          // a parallel every 10 degrees
constexpr double kGridFovLimit = 120.0;  // grid and grid labels drawn up to this dFov
constexpr double kExtraFov = 0.11;       // added in the single view only
constexpr double kCrossZ = 20.1;         // cross-hair plane, 0.1 in front of the globe
constexpr double kCrossInner = 0.11507;  // 10 km
constexpr double kCrossOuter = 1.1507;   // 100 km

// The eye indices of the passes, in drawing order: m = 0 one pass (0); m = 1
// "L:R" -1 then +1; m = -1 "R:L" +1 then -1. +1 is the left eye. A range:
// for (int32_t iEye : EyePassesFor(m)).
struct EyePasses {
    std::array<int32_t, 2> iEyes;
    int32_t nPasses;  // 1 or 2
};
EyePasses EyePassesFor(int32_t m);
inline const int32_t* begin(const EyePasses& p) { return p.iEyes.data(); }
inline const int32_t* end(const EyePasses& p) { return p.iEyes.data() + p.nPasses; }

// Vertical field of view of a pass: the pair modes widen it so the globe is
// drawn at half size.
double PassFovY(double dFov, int32_t iEye, double dDegRad);

// Angle handed to gluPerspective: dFovY + 0.11 in the single view.
double PerspectiveFov(double dFovY, int32_t m);

// Sideways shift of an eye's image: the pair shift, plus -0.825 per eye index
// in "L:R". Returned as the two translations applied in turn.
//
// The shifts are laid out for a 4:3 frame, where they nearly cancel the eye's
// own sideways offset (dAlt / 10 units, whose shift in device units goes as
// 1 / aspect). dFrameScale, from PairFrameScale, keeps that balance on a
// window of any shape: both images then sit where they would in a 1024 x 768
// frame centred in the window, instead of off screen.
struct PairShift {
    double dFirst;   // iEye * (0.41 - dAlt * 0.4f / 213.4) * dFrameScale, 0 when m is 0
    double dSecond;  // iEye * -0.825 * dFrameScale when m > 0, else 0
};
PairShift PairShiftFor(int32_t iEye, int32_t m, double dAlt, double dFrameScale = 1.0);

// (4 / 3) / window aspect, exactly 1 on a 4:3 window; 1 before GLUT has
// reported a size.
double PairFrameScale(int32_t iWinWidth, int32_t iWinHeight);

// The 1024 x 768 frame fitted into the window sizes the globe and the pair.
// On a window of 4:3 or wider the frame fills the height: the angles stay as
// they are and the pair's shifts shrink by PairFrameScale. On a narrower one
// the frame fills the width: the vertical angle widens so that the frame's
// height takes PairFrameScale times fewer pixels, and the shifts, in units of
// the window's width, stay those of the frame. dShrink (at most 1) draws the
// frame that much smaller still: the angle widens by it too, and the caller
// multiplies the shifts by it.
double FittedPerspectiveFov(double dFov, int32_t iWinWidth, int32_t iWinHeight, double dDegRad,
                            double dShrink = 1.0);
double FittedPairScale(int32_t iWinWidth, int32_t iWinHeight);

// Latitude and longitude of the view centre from the model-view matrix
// (column-major): asin(element 10) and atan2(element 4, element 0).
void LatLonFromModelView(const double dModView[16], double dDegRad, double& dLat, double& dLon);
