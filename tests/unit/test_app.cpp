// Camera arithmetic, the error-check line and the clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app/startup.h"
#include "base/angles.h"
#include "base/check_gl.h"
#include "base/clock.h"
#include "base/view_state.h"
#include "tests/unit/helpers.h"

TEST(CheckGLLine, FormatsSiteAndHexCode) {
    EXPECT_EQ(CheckGLLine(393, 0x502), " CheckGL:@Line 393 GlErr=     502 hex");
    EXPECT_EQ(CheckGLLine(527, 0x500), " CheckGL:@Line 527 GlErr=     500 hex");
    EXPECT_EQ(CheckGLLine(9999, 0x1285), " CheckGL:@Line9999 GlErr=    1285 hex");
    EXPECT_EQ(CheckGLLine(10000, 0x502), " CheckGL:@Line**** GlErr=     502 hex");
    EXPECT_EQ(CheckGLLine(369, 0x7FFFFFFF), " CheckGL:@Line 369 GlErr=7FFFFFFF hex");
}

TEST(SecondsSince, TimeOfDayAndMidnightWrap) {
    EXPECT_FLOAT_EQ(SecondsSinceAt(1, 2, 3, 500, 0.0f), 3723.5f);
    // 00:00:01 measured from 23:59:59 is two seconds, not minus a day.
    const float r0 = SecondsSinceAt(23, 59, 59, 0, 0.0f);
    EXPECT_FLOAT_EQ(SecondsSinceAt(0, 0, 1, 0, r0), 2.0f);
    EXPECT_FLOAT_EQ(SecondsBetween(1.0f, 86399.0f), 2.0f);
    EXPECT_FLOAT_EQ(SecondsBetween(10.0f, 4.0f), 6.0f);
    const float rNow = SecondsSince(0.0f);
    EXPECT_GE(rNow, 0.0f);
    EXPECT_LT(rNow, 86400.0f);
}

TEST(EyePasses, SingleViewAndBothPairOrders) {
    auto eyes = [](int32_t m) {
        std::vector<int32_t> v;
        for (const int32_t iEye : EyePassesFor(m)) v.push_back(iEye);
        return v;
    };
    EXPECT_EQ(eyes(0), std::vector<int32_t>{0});
    EXPECT_EQ(eyes(1), (std::vector<int32_t>{-1, 1}));   // L:R: right eye (-1) first, then left (+1)
    EXPECT_EQ(eyes(-1), (std::vector<int32_t>{1, -1}));  // R:L: left eye first
}

TEST(Camera, PairFieldOfViewIsWidenedToHalfSize) {
    EXPECT_DOUBLE_EQ(PassFovY(0.5241, 0, kDegRad), 0.5241);
    EXPECT_NEAR(PassFovY(0.5241, 1, kDegRad), 1.0482, 1e-4);
    EXPECT_NEAR(PassFovY(0.5241, -1, kDegRad), 1.0482, 1e-4);
    // tan of half the widened angle is twice the original one.
    const double dWide = PassFovY(140.0, 1, kDegRad);
    EXPECT_NEAR(std::tan(dWide * kDegRad / 2), 2 * std::tan(70 * kDegRad), 1e-9);
    EXPECT_DOUBLE_EQ(PerspectiveFov(10.0, 0), 10.11);
    EXPECT_DOUBLE_EQ(PerspectiveFov(10.0, 1), 10.0);
}

TEST(Camera, PairShiftsAtStartAndNearTheSurface) {
    const double dStart = 20.0 / std::sin(double(0.5241f) * kDegRad / 2) - 20.0;
    EXPECT_NEAR(dStart, 4352.9, 0.1);
    // R:L: the left eye (+1) moves right by 0.41 - dAlt*0.4/213.4, far off screen at start.
    PairShift s = PairShiftFor(1, -1, dStart);
    EXPECT_NEAR(s.dFirst + s.dSecond, -7.75, 0.01);
    EXPECT_NEAR(PairShiftFor(1, -1, 218.7).dFirst, 0.0, 1e-3);
    // L:R: left eye by -(0.415 + dAlt*0.4/213.4), never nearer than 0.415.
    s = PairShiftFor(1, 1, dStart);
    EXPECT_NEAR(s.dFirst + s.dSecond, -8.57, 0.01);
    s = PairShiftFor(-1, 1, 1.2836);
    EXPECT_NEAR(s.dFirst + s.dSecond, 0.415 + 1.2836 * 0.4 / 213.4, 1e-6);
    s = PairShiftFor(1, 0, 100.0);
    EXPECT_EQ(s.dFirst, 0.0);
    EXPECT_EQ(s.dSecond, 0.0);
    // The 0.4 is the single-precision constant.
    EXPECT_DOUBLE_EQ(PairShiftFor(1, -1, 213.4).dFirst, 0.41 - 213.4 * 0.4000000059604645 / 213.4);
}

TEST(Camera, PairShiftsKeepTheFrameOnAnyWindowShape) {
    EXPECT_EQ(PairFrameScale(1024, 768), 1.0);
    EXPECT_EQ(PairFrameScale(1920, 1440), 1.0);
    EXPECT_EQ(PairFrameScale(0, 0), 1.0);
    const double dStart = 4352.9;
    const PairShift s43 = PairShiftFor(1, 1, dStart);
    EXPECT_EQ(PairShiftFor(1, 1, dStart, PairFrameScale(1024, 768)).dFirst, s43.dFirst);
    // Net device-unit shift of an eye image: the projection's shift less the
    // eye offset's (dAlt / 10 at dAlt + 20, through the pair's vertical
    // field, over the aspect). In pixels of the 1024 x 768 frame fitted into
    // the window (scaled by the height on 4:3 and wider, by the width on
    // narrower windows) it must be what it is on 1024 x 768.
    auto netPixels = [&](int32_t w, int32_t h, int32_t iEye, int32_t m) {
        const double dFovY = FittedPerspectiveFov(PassFovY(double(0.5241f), iEye, kDegRad), w, h,
                                                  kDegRad);
        const double dAspect = double(w) / h;
        const PairShift s = PairShiftFor(iEye, m, dStart, FittedPairScale(w, h));
        const double dEye = (iEye * dStart / 10.0) /
                            ((dStart + 20.0) * std::tan(dFovY * kDegRad / 2.0) * dAspect);
        return (s.dFirst + s.dSecond + dEye) * w / 2.0 / std::min(w / 1024.0, h / 768.0);
    };
    for (const int32_t m : {1, -1})
        for (const int32_t iEye : {1, -1}) {
            const double dWant = netPixels(1024, 768, iEye, m);
            EXPECT_LT(std::abs(dWant), 512.0);  // on screen at 1024 x 768
            for (const auto& [w, h] : {std::pair{1366, 768}, {1920, 1080}, {2560, 1080}, {768, 1024},
                                       {1080, 1920}, {600, 1024}})
                EXPECT_NEAR(netPixels(w, h, iEye, m), dWant, 1e-6) << w << " x " << h;
        }
}

TEST(Camera, NarrowWindowsWidenTheAngleSoTheFrameFitsTheWidth) {
    // 4:3 and wider: the angle handed on exactly, so pictures stay as they are.
    for (const auto& [w, h] : {std::pair{1024, 768}, {1366, 768}, {1920, 1080}, {960, 540},
                               {3840, 2160}, {1024, 0}})
        for (const double dFov : {0.6341, 1.0482, 60.11, 140.0}) {
            EXPECT_EQ(FittedPerspectiveFov(dFov, w, h, kDegRad), dFov) << w << " x " << h;
            EXPECT_EQ(FittedPairScale(w, h), PairFrameScale(w, h));
        }
    // Narrower: the globe takes the share of the width it takes of the
    // frame's, so its diameter in pixels is the 1024 x 768 one times w / 1024.
    for (const auto& [w, h] : {std::pair{1080, 1920}, {768, 1024}, {1000, 768}, {300, 1000}})
        for (const double dFov : {0.6341, 1.0482, 60.11, 140.0}) {
            const double dWide = FittedPerspectiveFov(dFov, w, h, kDegRad);
            EXPECT_GT(dWide, dFov);
            EXPECT_LT(dWide, 180.0);
            const double dPixelsPerUnit = h / 2.0 / std::tan(dWide * kDegRad / 2.0);
            const double dFramePixelsPerUnit = 384.0 / std::tan(dFov * kDegRad / 2.0);
            EXPECT_NEAR(dPixelsPerUnit / dFramePixelsPerUnit, w / 1024.0, 1e-9) << w << " x " << h;
            EXPECT_EQ(FittedPairScale(w, h), 1.0);
            // A pair drawn smaller than the fitted frame: the pixels per unit
            // shrink by the same factor.
            const double dSmall = FittedPerspectiveFov(dFov, w, h, kDegRad, 0.8);
            EXPECT_NEAR(h / 2.0 / std::tan(dSmall * kDegRad / 2.0) / dFramePixelsPerUnit, 0.8 * w / 1024.0, 1e-9);
        }
}

TEST(Camera, ReadBackGivesLatitudeAndLongitudeOfTheCentre) {
    // Model-view of Rx(tilt) * Rz(spin), column-major.
    auto check = [](double dTilt, double dSpin, double dLatWant, double dLonWant) {
        const double t = dTilt * kDegRad, s = dSpin * kDegRad;
        double m[16] = {};
        m[0] = std::cos(s);
        m[1] = std::cos(t) * std::sin(s);
        m[2] = std::sin(t) * std::sin(s);
        m[4] = -std::sin(s);
        m[5] = std::cos(t) * std::cos(s);
        m[6] = std::sin(t) * std::cos(s);
        m[9] = -std::sin(t);
        m[10] = std::cos(t);
        m[15] = 1;
        double dLat = 0, dLon = 0;
        LatLonFromModelView(m, kDegRad, dLat, dLon);
        EXPECT_NEAR(dLat, dLatWant, 1e-9) << dTilt << " " << dSpin;
        EXPECT_NEAR(dLon, dLonWant, 1e-9) << dTilt << " " << dSpin;
    };
    check(-90.0, 0.0, 0.0, 0.0);
    check(double(0.7f) - 90.0, -double(23.4f), double(0.7f), double(23.4f));
    check(-91.0, -361.0, -1.0, 1.0);      // pointer at the screen centre
    check(101.0, -105.0, -11.0, 105.0);   // pointer at the top left corner
    check(-180.0, 0.0, -90.0, 0.0);
    check(-282.5, -616.5, 12.5, -103.5);  // dTilt outside (-180, 0)
}

// The release number reaches the identification field and the package's
// changelog from the one project(VERSION).
using Identity = FreshViewState;

TEST_F(Identity, FieldAndChangelogNameTheProjectVersion) {
    SetIdentity();
    EXPECT_EQ(std::memcmp(ViewState.cVersion, kIdentText, sizeof kIdentText), 0);
    EXPECT_NE(std::string(ViewState.cVersion).find(std::string(" v") + kQarnVersion + "s "),
              std::string::npos);

    std::ifstream changelog(QARN_BINARY_DIR "/packaging/changelog");
    std::string cFirst;
    ASSERT_TRUE(std::getline(changelog, cFirst));
    EXPECT_EQ(cFirst.rfind(std::string("qarn (") + kQarnVersion + ") ", 0), 0u) << cFirst;
}
