// The two per-frame steps that turn the stored input into camera and switch
// changes. Plain functions over ViewState, so tests can drive them frame by
// frame without a GL context.
#pragma once

#include <cstdint>

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

// View-angle step: dTilt and dSpin from the mode in MenuNew; steps iMission in
// Apollo mode. Makes no GL call: the caller warps the pointer.
PointerWarp ViewAngleStep();
