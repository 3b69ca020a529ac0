// The two per-frame steps that turn the stored input into camera and switch
// changes. Plain functions over ViewState, so tests can drive them frame by
// frame without a GL context.
#pragma once

#include <cstdint>

// Start field of view, deg: the Moon as seen from the Earth, a single-precision
// value (the first frame stores it widened to double).
constexpr float kFovStart = 0.5241f;

// Command step, first thing in a frame: function keys to command codes, zoom
// keys, first-frame values, frame count, altitude, one-shot commands.
void CommandStep();

// The pieces of CommandStep, in the order it runs them.
void ApplyPendingKey();   // F1..F9 -> MenuNew 11..19; up/down arrows zoom dFov by 0.5
void FirstFrameInit();    // start values, only while iInitDone is 0
void CountFrame();        // nFrames + 1 while below 2,000,000,001
void DeriveAltitude();    // dAlt and dElev from dFov
void OneShotCommands();   // MenuNew 14..19 toggle a switch, then MenuNew = 13

// Where auto mode wants the pointer; bWarp is false in the other modes.
struct PointerWarp {
    bool bWarp;
    int32_t iX;  // window pixels
    int32_t iY;
};

// Mouse mode's angles for a pointer at (iX, iY) in a window of iWinW x iWinH
// pixels: half a degree per pixel, measured from a 1024 x 768 frame centred
// in the window, so the window's centre shows latitude and longitude near 0.
struct MouseAngles {
    double dTilt;  // degrees
    double dSpin;  // degrees
};
MouseAngles MouseAnglesAt(int32_t iX, int32_t iY, int32_t iWinW, int32_t iWinH);

// Window x at which mouse mode gives dSpin, truncated toward zero: where auto
// mode puts the pointer so that a drag takes the globe over without a jump.
// Kept inside a window narrower than the 720 pixels the spin runs over.
int32_t AutoWarpX(double dSpin, int32_t iWinW);

// View-angle step: dTilt and dSpin from the mode in MenuNew; steps iMission in
// Apollo mode. Makes no GL call: the caller warps the pointer.
PointerWarp ViewAngleStep();
