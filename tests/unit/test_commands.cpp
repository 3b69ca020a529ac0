// The command step and the view-angle step, driven frame by frame the way
// Userview drives them, without a GL context.
#include <gtest/gtest.h>

#include <cmath>

#include "base/clock.h"
#include "base/view_state.h"
#include "input/commands.h"
#include "input/keyboard.h"
#include "input/menu.h"
#include "input/mouse.h"
#include "overlay/catalogue.h"
#include "tests/unit/helpers.h"

namespace {

// GLUT special-key codes.
constexpr int kF1 = 1, kF2 = 2, kF3 = 3, kF5 = 5, kF9 = 9, kF10 = 10;
constexpr int kLeft = 100, kUp = 101, kRight = 102, kDown = 103;

class CommandFrame : public FreshViewState {
protected:
    // One frame as Userview runs it: command step, view-angle step, then
    // iInitDone once the frame has been swapped.
    static PointerWarp Frame() {
        CommandStep();
        PointerWarp w = ViewAngleStep();
        ViewState.iInitDone = 1;
        return w;
    }

    // The same, with the warped pointer reported back as GLUT does.
    static PointerWarp FrameWarped() {
        PointerWarp w = Frame();
        if (w.bWarp) PointerStore(w.iX, w.iY);
        return w;
    }

    static void Press(int key) { SpecialKeyStore(key); }
};

TEST_F(CommandFrame, FirstFrameAssignsStartValuesOverPendingInput) {
    // Everything a user could request before the first frame, and junk in the switches.
    ViewState.ArrowKey = kF2;
    ViewState.dFov = 77.0;
    ViewState.iGrid = 0;
    ViewState.iImage = 0;
    ViewState.iLabels = 0;
    ViewState.iCredits = 1;
    ViewState.nPlaces = 0;
    ViewState.iViewMode = 1;
    ViewState.iMission = 5;
    ViewState.nFrames = 1234;
    ViewState.nBench = 99;

    CommandStep();
    EXPECT_EQ(ViewState.MenuNew, 13);  // F2 became 12, then the start value
    EXPECT_EQ(ViewState.ArrowKey, 0);
    EXPECT_EQ(ViewState.dFov, double(0.5241f));
    EXPECT_EQ(ViewState.dFov, 0.5241000056266785);
    EXPECT_EQ(ViewState.dDegRad, 0.017453292519943295);
    EXPECT_EQ(ViewState.dTilt, -90.0);
    EXPECT_EQ(ViewState.dSpin, 0.0);
    EXPECT_EQ(ViewState.iGrid, 1);
    EXPECT_EQ(ViewState.iImage, 1);
    EXPECT_EQ(ViewState.iLabels, 1);
    EXPECT_EQ(ViewState.iCredits, 0);
    EXPECT_EQ(ViewState.nPlaces, 12);
    EXPECT_EQ(ViewState.iViewMode, 0);
    EXPECT_EQ(ViewState.iMission, 1);
    EXPECT_EQ(ViewState.nBench, 0);
    EXPECT_EQ(ViewState.nFrames, 1);  // the panel of the first frame shows 1
    // The benchmark starts at the time of day.
    EXPECT_GE(ViewState.rBench0, 0.0f);
    EXPECT_LT(ViewState.rBench0, 86400.0f);
    EXPECT_LT(SecondsSince(ViewState.rBench0), 5.0f);
    EXPECT_EQ(ViewState.iInitDone, 0);  // set by Userview after the swap, not here

    // Mouse mode with the pointer fields still 0.
    PointerWarp w = ViewAngleStep();
    EXPECT_FALSE(w.bWarp);
    EXPECT_EQ(ViewState.dTilt, 101.0);
    EXPECT_EQ(ViewState.dSpin, -105.0);
}

TEST_F(CommandFrame, FirstFrameDiscardsPendingZoom) {
    Press(kUp);
    Frame();
    EXPECT_EQ(ViewState.dFov, double(0.5241f));
    EXPECT_EQ(ViewState.ArrowKey, 0);
    // Later frames do not re-initialise.
    Press(kUp);
    ViewState.iGrid = 0;
    Frame();
    EXPECT_NEAR(ViewState.dFov, 1.0241, 1e-6);
    EXPECT_EQ(ViewState.iGrid, 0);
    EXPECT_EQ(ViewState.nFrames, 2);
}

TEST_F(CommandFrame, AltitudeFromFov) {
    Frame();
    EXPECT_NEAR(ViewState.dAlt, 4352.9, 0.1);
    EXPECT_NEAR(ViewState.dElev, 378267.0, 5.0);
    EXPECT_NEAR(ViewState.dElev, ViewState.dAlt / 20.0 * 1738.0, 1e-9);
    ViewState.dFov = 140.0;
    DeriveAltitude();
    EXPECT_NEAR(ViewState.dAlt, 1.2836, 1e-4);
    EXPECT_NEAR(ViewState.dElev, 111.5, 0.1);
    // Wider than the range allows: the altitude floor of 1 unit.
    ViewState.dFov = 179.0;
    DeriveAltitude();
    EXPECT_EQ(ViewState.dAlt, 1.0);
    EXPECT_NEAR(ViewState.dElev, 86.9, 1e-9);
}

TEST_F(CommandFrame, ZoomStepsAndClamps) {
    Frame();
    // Up: 1.0241, 1.5241, ... 139.5241, then clamped at 140.0 for good.
    double previous = ViewState.dFov;
    int presses = 0;
    for (; presses < 300; ++presses) {
        Press(kUp);
        Frame();
        EXPECT_EQ(ViewState.ArrowKey, 0);
        if (ViewState.dFov == previous) break;
        if (ViewState.dFov != 140.0) {
            EXPECT_NEAR(ViewState.dFov - previous, 0.5, 1e-9);
        }
        previous = ViewState.dFov;
        if (presses == 0) {
            EXPECT_NEAR(ViewState.dFov, 1.0241, 1e-6);
        }
    }
    EXPECT_EQ(ViewState.dFov, 140.0);
    EXPECT_EQ(presses, 279);  // 279 presses reach 140.0, the 280th changes nothing
    for (int k = 0; k < 20; ++k) {
        Press(kUp);
        Frame();
    }
    EXPECT_EQ(ViewState.dFov, 140.0);

    // Down from 140: 139.5, ..., 1.0, then 0.5241 (0.5 is clamped in the same frame).
    for (int k = 0; k < 300; ++k) {
        Press(kDown);
        Frame();
        EXPECT_GE(ViewState.dFov, 0.5241);
        EXPECT_NE(ViewState.dFov, 0.5);
        if (k == 277) {
            EXPECT_EQ(ViewState.dFov, 1.0);
        }
        if (k == 278) {
            EXPECT_EQ(ViewState.dFov, 0.5241);
        }
    }
    EXPECT_EQ(ViewState.dFov, 0.5241);  // the double, not the single-precision start
    EXPECT_NE(ViewState.dFov, double(0.5241f));
}

TEST_F(CommandFrame, DownArrowAtStartGivesTheDoubleClamp) {
    Frame();
    Press(kDown);
    Frame();
    EXPECT_EQ(ViewState.dFov, 0.5241);
}

TEST_F(CommandFrame, FunctionKeysBecomeCommandCodes) {
    Frame();
    for (int key = kF1; key <= kF9; ++key) {
        Press(key);
        ApplyPendingKey();
        EXPECT_EQ(ViewState.MenuNew, key + 10) << "F" << key;
        EXPECT_EQ(ViewState.ArrowKey, 0);
    }
}

TEST_F(CommandFrame, PendingKeyMailbox) {
    Frame();
    // Left and right arrows stay pending without effect.
    for (int key : {kLeft, kRight, 104, 108}) {
        Press(key);
        const double fov = ViewState.dFov;
        Frame();
        Frame();
        EXPECT_EQ(ViewState.ArrowKey, key);
        EXPECT_EQ(ViewState.dFov, fov);
        EXPECT_EQ(ViewState.MenuNew, 13);
    }
    // A following up arrow still zooms.
    Press(kUp);
    Frame();
    EXPECT_NEAR(ViewState.dFov, 1.0241, 1e-6);
    // F10 clears a pending left arrow.
    Press(kLeft);
    Press(kF10);
    EXPECT_EQ(ViewState.ArrowKey, 0);
    Frame();
    EXPECT_EQ(ViewState.MenuNew, 13);
}

TEST_F(CommandFrame, FunctionKeyWinsOverMenuChoiceInTheSameFrame) {
    Frame();
    MenuHandler(15);  // grid toggle from the menu...
    Press(kF2);       // ...and F2 before the next frame
    Frame();
    EXPECT_EQ(ViewState.MenuNew, 12);
    EXPECT_EQ(ViewState.iGrid, 1);
    // The menu alone does toggle.
    MenuHandler(15);
    Frame();
    EXPECT_EQ(ViewState.iGrid, 0);
    EXPECT_EQ(ViewState.MenuNew, 13);
}

TEST_F(CommandFrame, OneShotCommandsToggleOnceAndFallBackToMouseMode) {
    Frame();
    ViewState.iMouseX = 512;
    ViewState.iMouseY = 384;
    struct Case {
        int key;
        int32_t ViewStateRecord::*field;
        int32_t after;
    };
    const Case cases[] = {
        {4, &ViewStateRecord::iCredits, 1}, {5, &ViewStateRecord::iGrid, 0},
        {6, &ViewStateRecord::iImage, 0},   {7, &ViewStateRecord::iLabels, 0},
        {8, &ViewStateRecord::nPlaces, 0},  {9, &ViewStateRecord::iViewMode, 1},
    };
    for (const Case& c : cases) {
        ViewStateRecord before = ViewState;
        Press(c.key);
        Frame();
        EXPECT_EQ(ViewState.*c.field, c.after) << "F" << c.key;
        EXPECT_EQ(ViewState.MenuNew, 13);
        // The view follows the pointer in the same frame.
        EXPECT_EQ(ViewState.dTilt, -91.0);
        EXPECT_EQ(ViewState.dSpin, -361.0);
        // No other switch moved.
        for (const Case& other : cases) {
            if (other.field != c.field) {
                EXPECT_EQ(ViewState.*other.field, before.*other.field);
            }
        }
        // Applied once only: the next frame leaves it alone.
        Frame();
        EXPECT_EQ(ViewState.*c.field, c.after);
    }
    // Second press restores (F8: 12 names again).
    Press(8);
    Frame();
    EXPECT_EQ(ViewState.nPlaces, 12);
}

TEST_F(CommandFrame, ViewModeCycles) {
    Frame();
    const int32_t expected[] = {1, -1, 0, 1, -1, 0};
    for (int32_t mode : expected) {
        Press(kF9);
        Frame();
        EXPECT_EQ(ViewState.iViewMode, mode);
    }
}

TEST_F(CommandFrame, OneShotInAutoModeStopsTheRotation) {
    Frame();
    Press(kF2);
    FrameWarped();
    FrameWarped();
    const double spin = ViewState.dSpin;
    Press(kF5);
    FrameWarped();
    EXPECT_EQ(ViewState.MenuNew, 13);
    EXPECT_EQ(ViewState.iGrid, 0);
    const double held = ViewState.dSpin;
    FrameWarped();
    FrameWarped();
    EXPECT_EQ(ViewState.dSpin, held);
    // The pointer was kept at the matching x, so mouse mode takes over within half a degree.
    EXPECT_NEAR(held, spin + 0.2, 0.5);
}

TEST_F(CommandFrame, FrameCountStops) {
    Frame();
    ViewState.nFrames = 2000000000;
    Frame();
    EXPECT_EQ(ViewState.nFrames, 2000000001);
    Frame();
    EXPECT_EQ(ViewState.nFrames, 2000000001);
}

TEST_F(CommandFrame, ApolloModeStepsMissionsAndWraps) {
    Frame();
    Press(kF1);
    Frame();
    EXPECT_EQ(ViewState.iMission, 1);
    EXPECT_EQ(ViewState.dTilt, double(0.7f) - 90.0);
    EXPECT_EQ(ViewState.dSpin, -double(23.4f));
    for (int k = 2; k <= 6; ++k) {
        ViewState.KeyChar = (k % 2) ? 'A' : 'a';
        Frame();
        EXPECT_EQ(ViewState.iMission, k);
        EXPECT_EQ(ViewState.KeyChar, 0);
        EXPECT_EQ(ViewState.dTilt, dSite[k - 1][0] - 90.0);
        EXPECT_EQ(ViewState.dSpin, -dSite[k - 1][1]);
    }
    ViewState.KeyChar = 'a';
    Frame();
    EXPECT_EQ(ViewState.iMission, 1);
    // Other keys are cleared without effect; the pointer does not move the globe.
    ViewState.KeyChar = 'x';
    PointerStore(700, 100);
    Frame();
    EXPECT_EQ(ViewState.iMission, 1);
    EXPECT_EQ(ViewState.KeyChar, 0);
    EXPECT_EQ(ViewState.dSpin, -dSite[0][1]);
    // F1 again in Apollo mode changes nothing.
    Press(kF1);
    Frame();
    EXPECT_EQ(ViewState.iMission, 1);
}

TEST_F(CommandFrame, KeyTypedBeforeApolloAdvancesOnEntry) {
    Frame();
    ViewState.KeyChar = 'a';  // typed in mouse mode: stays
    Frame();
    EXPECT_EQ(ViewState.KeyChar, 'a');
    EXPECT_EQ(ViewState.iMission, 1);
    Press(kF1);
    Frame();
    EXPECT_EQ(ViewState.iMission, 2);
    EXPECT_EQ(ViewState.dSpin, -dSite[1][1]);
}

TEST_F(CommandFrame, MouseModeAngles) {
    Frame();
    struct Case {
        int x, y;
        double tilt, spin;
    };
    const Case cases[] = {
        {512, 384, -91.0, -361.0},
        {0, 0, 101.0, -105.0},
        {1023, 767, -282.5, -616.5},
        {1023, 0, 101.0, -616.5},
        {0, 767, -282.5, -105.0},
        {1, 1, 100.5, -105.5},
    };
    for (const Case& c : cases) {
        PointerStore(c.x, c.y);
        Frame();
        EXPECT_EQ(ViewState.dTilt, c.tilt) << c.x << "," << c.y;
        EXPECT_EQ(ViewState.dSpin, c.spin) << c.x << "," << c.y;
    }
    // Row 382 is the equator, 202 the north pole, 562 the south pole.
    PointerStore(0, 382);
    Frame();
    EXPECT_EQ(ViewState.dTilt, -90.0);
    PointerStore(0, 202);
    Frame();
    EXPECT_EQ(ViewState.dTilt, 0.0);
    PointerStore(0, 562);
    Frame();
    EXPECT_EQ(ViewState.dTilt, -180.0);
}

TEST_F(CommandFrame, AutoModeWrapsAndWarps) {
    Frame();
    ViewState.dSpin = 0.0;
    ViewState.MenuNew = 12;
    ViewState.iMouseY = 333;
    PointerWarp w = ViewAngleStep();
    EXPECT_NEAR(ViewState.dSpin, -359.8, 1e-9);
    EXPECT_TRUE(w.bWarp);
    EXPECT_EQ(w.iX, 509);
    EXPECT_EQ(w.iY, 333);

    // Through F2 from the start pointer (0, 0): -105 + 0.2 wraps to -464.8.
    ViewState = ViewStateRecord{};
    Frame();
    Press(kF2);
    const double tilt = ViewState.dTilt;
    w = FrameWarped();
    EXPECT_EQ(ViewState.MenuNew, 12);
    EXPECT_NEAR(ViewState.dSpin, -464.8, 1e-9);
    EXPECT_EQ(w.iX, 719);
    EXPECT_EQ(ViewState.dTilt, tilt);  // auto mode leaves the tilt
    // The spin keeps turning by 0.2 and stays in (-540, -180].
    for (int k = 0; k < 4000; ++k) {
        const double before = ViewState.dSpin;
        w = FrameWarped();
        const double step = ViewState.dSpin - before;
        EXPECT_TRUE(std::fabs(step - 0.2) < 1e-6 || std::fabs(step + 359.8) < 1e-6) << step;
        EXPECT_LE(ViewState.dSpin, -180.0);
        EXPECT_GT(ViewState.dSpin, -540.0);
        EXPECT_GE(w.iX, 150);
        EXPECT_LE(w.iX, 869);
    }
}

TEST_F(CommandFrame, AutoWarpStaysInsideTheWindowFromAnyMouseStart) {
    Frame();
    for (int x = 0; x < 1024; ++x) {
        PointerStore(x, 384);
        ViewState.MenuNew = 13;
        ViewAngleStep();
        ViewState.MenuNew = 12;
        // From as low as -616.5 the spin climbs into (-540, -180] and stays there.
        for (int k = 0; k < 2000; ++k) {
            PointerWarp w = ViewAngleStep();
            ASSERT_GE(w.iX, 150) << "start x " << x;
            ASSERT_LE(w.iX, 1022) << "start x " << x;
            if (ViewState.dSpin > -540.0) {
                ASSERT_LE(w.iX, 869) << "start x " << x;
            }
        }
        ASSERT_GT(ViewState.dSpin, -540.0);
    }
}

TEST_F(CommandFrame, DragInAutoModeHandsTheGlobeBackWithoutAJump) {
    Frame();
    PointerStore(300, 400);
    Press(kF2);
    for (int k = 0; k < 50; ++k) FrameWarped();
    const double spin = ViewState.dSpin;
    DragStore(ViewState.iMouseX, 250);
    Frame();
    EXPECT_EQ(ViewState.MenuNew, 13);
    EXPECT_NEAR(ViewState.dSpin, spin, 0.5);
    EXPECT_EQ(ViewState.dTilt, 101.0 - 125.0);
}

// The pointer is measured from a 1024 x 768 frame centred in the window.
TEST(PointerFrame, AnglesAndWarpOnEveryWindowSize) {
    // The 1024 x 768 window keeps the old formulas to the last bit.
    for (int x = -3; x < 1027; ++x) {
        for (int y : {0, 1, 382, 383, 767, 800}) {
            const MouseAngles a = MouseAnglesAt(x, y, 1024, 768);
            ASSERT_EQ(a.dTilt, 101.0 - y / 2.0);
            ASSERT_EQ(a.dSpin, -105.0 - x / 2.0);
        }
    }
    for (double s = -540.0; s <= -180.0; s += 0.1)
        ASSERT_EQ(AutoWarpX(s, 1024), static_cast<int32_t>(-2.0 * (s + 105.0)));

    struct Size {
        int32_t w, h;
        double oX, oY;  // the frame's offset in the window
    };
    const Size sizes[] = {{1024, 768, 0, 0}, {1920, 1080, 448, 156},
                          {1366, 768, 171, 0}, {2560, 1440, 768, 336}, {1365, 767, 170.5, -0.5}};
    for (const Size& z : sizes) {
        // The window's centre pixel shows what (512, 384) shows on the frame.
        const MouseAngles c = MouseAnglesAt(z.w / 2, z.h / 2, z.w, z.h);
        EXPECT_NEAR(c.dTilt, -91.0 + (z.h % 2) * 0.25, 1e-12) << z.w;
        EXPECT_NEAR(c.dSpin, -361.0 + (z.w % 2) * 0.25, 1e-12) << z.w;
        // Half a degree per pixel, and the window's corners.
        const MouseAngles o = MouseAnglesAt(0, 0, z.w, z.h);
        EXPECT_EQ(o.dTilt, 101.0 + z.oY / 2.0) << z.w;
        EXPECT_EQ(o.dSpin, -105.0 + z.oX / 2.0) << z.w;
        const MouseAngles e = MouseAnglesAt(z.w - 1, z.h - 1, z.w, z.h);
        EXPECT_EQ(o.dSpin - e.dSpin, (z.w - 1) / 2.0);
        EXPECT_EQ(o.dTilt - e.dTilt, (z.h - 1) / 2.0);
        // The warp puts the pointer where mouse mode shows the same spin
        // (within the half degree of one pixel), inside the window.
        for (double s = -539.9; s <= -180.0; s += 0.2) {
            const int32_t x = AutoWarpX(s, z.w);
            ASSERT_GE(x, 0);
            ASSERT_LT(x, z.w);
            const double back = MouseAnglesAt(x, 400, z.w, z.h).dSpin;
            ASSERT_GE(back, s - 1e-9) << z.w << " spin " << s;
            ASSERT_LT(back, s + 0.5) << z.w << " spin " << s;
        }
    }
    EXPECT_EQ(AutoWarpX(-359.8, 1920), 509 + 448);
    EXPECT_EQ(AutoWarpX(-359.8, 1366), 509 + 171);

    // Narrower than the 720 pixels the spin runs over: inside the window,
    // at the spin's own x wherever that lies inside, else at the nearer edge.
    for (const int32_t w : {723, 722, 540, 100, 1}) {
        for (double s = -539.9; s <= -180.0; s += 0.2) {
            const int32_t x = AutoWarpX(s, w);
            ASSERT_GE(x, 0) << w;
            ASSERT_LT(x, w) << w;
            const double dOwn = -2.0 * (s + 105.0) + (w - 1024) / 2.0;
            if (dOwn >= 0.0 && dOwn < w) ASSERT_EQ(x, static_cast<int32_t>(dOwn)) << w << " " << s;
            else ASSERT_EQ(x, dOwn < 0.0 ? 0 : w - 1) << w << " " << s;
        }
    }
}

TEST_F(CommandFrame, WideWindowCentreAndDragWithoutAJump) {
    ViewState.iWinWidth = 1920;
    ViewState.iWinHeight = 1080;
    Frame();
    PointerStore(960, 540);
    Frame();
    EXPECT_EQ(ViewState.dTilt, -91.0);
    EXPECT_EQ(ViewState.dSpin, -361.0);
    Press(kF2);
    for (int k = 0; k < 50; ++k) FrameWarped();
    EXPECT_EQ(ViewState.iMouseY, 540);
    const double spin = ViewState.dSpin;
    DragStore(ViewState.iMouseX, 400);
    Frame();
    EXPECT_NEAR(ViewState.dSpin, spin, 0.5);
    EXPECT_EQ(ViewState.dTilt, 101.0 - (400 - 156) / 2.0);
}

TEST_F(CommandFrame, DragAfterMenuChoiceLosesTheChoiceButNotAFunctionKey) {
    Frame();
    MenuHandler(12);
    DragStore(10, 10);
    Frame();
    EXPECT_EQ(ViewState.MenuNew, 13);
    Press(kF2);
    DragStore(20, 20);
    Frame();
    EXPECT_EQ(ViewState.MenuNew, 12);
}

}  // namespace
