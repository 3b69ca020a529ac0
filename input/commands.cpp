// The command step and the view-angle step: stored input turned into camera
// and switch changes once a frame, without GL.
#include "input/commands.h"

#include <algorithm>
#include <cmath>

#include "base/angles.h"
#include "base/clock.h"
#include "base/view_state.h"
#include "input/keyboard.h"
#include "overlay/catalogue.h"

namespace {

// Zoom: degrees of dFov per key press and its range. The lower clamp is the
// double 0.5241, a little below the single-precision start value.
constexpr double kFovStep = 0.5;
constexpr double kFovMax = 140.0;
constexpr double kFovMin = 0.5241;

constexpr int32_t kFramesMax = 2000000001;

constexpr double kAltMin = 1.0;         // scene units

constexpr double kAutoStep = 0.2;  // degrees of dSpin per frame

// Mouse mode's angles with the pointer at the frame's top-left corner,
// degrees; each pixel turns the globe half a degree from there.
constexpr double kTiltAtTop = 101.0;
constexpr double kSpinAtLeft = -105.0;

// Offset in pixels of the centred 1024 x 768 frame in a window iWin wide or
// high; half a pixel when the difference is odd. A window not yet reported
// (0) counts as the frame itself.
double FrameOffset(int32_t iWin, int32_t iFrame) {
    return iWin > 0 ? (iWin - iFrame) / 2.0 : 0.0;
}

}  // namespace

MouseAngles MouseAnglesAt(int32_t iX, int32_t iY, int32_t iWinW, int32_t iWinH) {
    // Half a degree per pixel; no limits, so the globe can go over the poles.
    const double dX = iX - FrameOffset(iWinW, kFrameWidth);
    const double dY = iY - FrameOffset(iWinH, kFrameHeight);
    return {kTiltAtTop - dY / 2.0, kSpinAtLeft - dX / 2.0};
}

int32_t AutoWarpX(double dSpin, int32_t iWinW) {
    const int32_t iX =
        static_cast<int32_t>(-2.0 * (dSpin - kSpinAtLeft) + FrameOffset(iWinW, kFrameWidth));
    // The spin's x runs over 720 pixels of the frame: a window narrower than
    // that keeps the pointer at its nearer edge.
    if (iWinW <= 0) return iX;
    return std::clamp(iX, 0, iWinW - 1);
}

void ApplyPendingKey() {
    ViewStateRecord& v = ViewState;
    if (v.ArrowKey >= kKeyF1 && v.ArrowKey <= kKeyF9) {
        v.MenuNew = v.ArrowKey - kKeyF1 + kModeApollo;
        v.ArrowKey = 0;
    }
    if (v.ArrowKey == kKeyUp) {
        v.dFov += kFovStep;
        v.ArrowKey = 0;
        if (v.dFov > kFovMax) v.dFov = kFovMax;
    } else if (v.ArrowKey == kKeyDown) {
        v.dFov -= kFovStep;
        v.ArrowKey = 0;
        if (v.dFov < kFovMin) v.dFov = kFovMin;
    }
}

void FirstFrameInit() {
    ViewStateRecord& v = ViewState;
    if (v.iInitDone != 0) return;
    v.MenuNew = kModeMouse;
    v.dTilt = -90.0;
    v.dSpin = 0.0;
    v.iGrid = 1;
    v.iLabels = 1;
    v.iCredits = 0;
    v.dFov = kFovStart;  // widened from single precision
    v.dDegRad = kDegRad;
    v.iMission = 1;
    v.nPlaces = kPlaces;
    v.iImage = 1;
    v.rBench0 = SecondsSince(0.0f);
    v.nFrames = 0;
    v.nBench = 0;
    v.iViewMode = 0;
}

void CountFrame() {
    if (ViewState.nFrames < kFramesMax) ViewState.nFrames += 1;
}

void DeriveAltitude() {
    ViewStateRecord& v = ViewState;
    v.dAlt = kGlobeRadius / std::sin(v.dFov * v.dDegRad / 2.0) - kGlobeRadius;
    if (v.dAlt < kAltMin) v.dAlt = kAltMin;
    v.dElev = v.dAlt / kGlobeRadius * kMoonRadius;
}

namespace {

// The one-shot commands 14..19: each flips its switch (or steps the view
// mode 0 -> 1 -> -1 -> 0) and hands the view back to mouse mode.
struct OneShot {
    int32_t iCode;
    void (*Apply)(ViewStateRecord& v);
};
constexpr OneShot kOneShots[] = {
    {kToggleCredits, [](ViewStateRecord& v) { v.iCredits = 1 - v.iCredits; }},
    {kToggleGrid, [](ViewStateRecord& v) { v.iGrid = 1 - v.iGrid; }},
    {kToggleImage, [](ViewStateRecord& v) { v.iImage = 1 - v.iImage; }},
    {kToggleLabels, [](ViewStateRecord& v) { v.iLabels = 1 - v.iLabels; }},
    {kTogglePlaces, [](ViewStateRecord& v) { v.nPlaces = kPlaces - v.nPlaces; }},
    {kStepViewMode, [](ViewStateRecord& v) { v.iViewMode = v.iViewMode >= 1 ? -1 : v.iViewMode + 1; }},
};

}  // namespace

void OneShotCommands() {
    ViewStateRecord& v = ViewState;
    for (const OneShot& c : kOneShots) {
        if (v.MenuNew != c.iCode) continue;
        c.Apply(v);
        v.MenuNew = kModeMouse;
    }
}

void CommandStep() {
    ApplyPendingKey();
    FirstFrameInit();
    CountFrame();
    DeriveAltitude();
    OneShotCommands();
}

PointerWarp ViewAngleStep() {
    ViewStateRecord& v = ViewState;
    PointerWarp warp{false, 0, 0};
    if (v.MenuNew == kModeApollo) {
        if (v.KeyChar == 'A' || v.KeyChar == 'a') v.iMission += 1;
        v.KeyChar = 0;
        if (v.iMission > kMissions) v.iMission = 1;
        const auto& site = dSite[v.iMission - 1];
        v.dTilt = site[0] - 90.0;
        v.dSpin = -site[1];
    } else if (v.MenuNew == kModeMouse) {
        const MouseAngles a = MouseAnglesAt(v.iMouseX, v.iMouseY, v.iWinWidth, v.iWinHeight);
        v.dTilt = a.dTilt;
        v.dSpin = a.dSpin;
    } else {
        // Auto mode keeps dSpin at or below -180 and puts the pointer where
        // mouse mode would give the same spin.
        v.dSpin += kAutoStep;
        if (v.dSpin > -180.0) v.dSpin -= 360.0;
        warp.bWarp = true;
        warp.iX = AutoWarpX(v.dSpin, v.iWinWidth);
        warp.iY = v.iMouseY;
    }
    return warp;
}
