#include "app/camera.h"

#include <algorithm>
#include <cmath>

EyePasses EyePassesFor(int32_t m) {
    // The loop of the design: -m to m in steps of 2m, or one step of 1.
    const int32_t iStep = (m == 0) ? 1 : 2 * m;
    const int32_t nPasses = (m - (-m) + iStep) / iStep;
    return {{-m, -m + iStep}, nPasses};
}

double PassFovY(double dFov, int32_t iEye, double dDegRad) {
    if (iEye == 0) return dFov;
    return 2.0 * std::atan(2.0 * std::tan(dFov * dDegRad / 2.0)) / dDegRad;
}

double PerspectiveFov(double dFovY, int32_t m) { return m == 0 ? dFovY + kExtraFov : dFovY; }

PairShift PairShiftFor(int32_t iEye, int32_t m, double dAlt, double dFrameScale) {
    PairShift s{0.0, 0.0};
    if (m != 0) s.dFirst = iEye * (0.41 - dAlt * static_cast<double>(0.4f) / 213.4) * dFrameScale;
    if (m > 0) s.dSecond = iEye * -0.825 * dFrameScale;
    return s;
}

double PairFrameScale(int32_t iWinWidth, int32_t iWinHeight) {
    if (iWinWidth <= 0 || iWinHeight <= 0) return 1.0;
    return (double(kFrameWidth) * iWinHeight) / (double(kFrameHeight) * iWinWidth);
}

double FittedPerspectiveFov(double dFov, int32_t iWinWidth, int32_t iWinHeight, double dDegRad,
                            double dShrink) {
    const double dScale = PairFrameScale(iWinWidth, iWinHeight) / dShrink;
    // Exactly the angle given on a window of 4:3 or wider.
    if (dScale <= 1.0) return dFov;
    return 2.0 * std::atan(std::tan(dFov * dDegRad / 2.0) * dScale) / dDegRad;
}

double FittedPairScale(int32_t iWinWidth, int32_t iWinHeight) {
    return std::min(1.0, PairFrameScale(iWinWidth, iWinHeight));
}

void LatLonFromModelView(const double dModView[16], double dDegRad, double& dLat, double& dLon) {
    // Rounding can push cos(dTilt) a hair past 1; asin would then give NaN.
    dLat = std::asin(std::clamp(dModView[10], -1.0, 1.0)) / dDegRad;
    dLon = std::atan2(dModView[4], dModView[0]) / dDegRad;
}
