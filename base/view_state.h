// The one process-wide record shared by the input handlers and the frame
// renderer. Zero-filled at program start; the first frame assigns the start
// values (see FirstFrameInit). Angles in degrees, distances in scene units
// (globe radius 20 = 1738 km) unless a field says otherwise.
//
// The program's other mutable state, one record or a few fields per module,
// each private to its file since no frame step reads it:
//  - base/: the stop flag (stop.cpp);
//  - app/: the window whose X errors mean it was destroyed (desktop_x11.cpp);
//  - input/: none;
//  - image/: the dump count and header (screen_dump.cpp); filled once at
//    start and only read after, the surface image BH, bPal, bGray (bmp.h)
//    and the texture bTex (texture.h);
//  - overlay/: the text's font, texture slots and GL objects (TextState,
//    text.cpp) and the 3-D labels' batch and kept strokes (LabelState,
//    prnt3d.cpp); the tables of the panel, the catalogue, the font and the
//    palette are constant;
//  - bench/: none, the benchmark's options and timings are locals of main;
//  - tools/: the map converter, a program of its own. GDAL's messages go to
//    a record of each conversion, a local of ConvertMap handed to GDAL's
//    error handler (GdalMessages, convert.cpp). Kept for the process:
//    map_opens.cpp's map drivers' own open functions (wrapped), the file
//    system handlers it replaced (Replaced(), never freed) and its first
//    refused name; open_guard.cpp's first refused open. Each refused name
//    under a lock of its file, as GDAL's threads write them.
#pragma once

#include <cstdint>

#include "base/scene.h"

class GLUquadric;

// Command codes held in MenuNew: 7 quit (menu only), 11..13 the view-control
// modes, 14..19 one-shot switches that fall back to mouse mode once applied.
constexpr int32_t kCmdQuit = 7;
constexpr int32_t kModeApollo = 11;
constexpr int32_t kModeAuto = 12;
constexpr int32_t kModeMouse = 13;
constexpr int32_t kToggleCredits = 14;
constexpr int32_t kToggleGrid = 15;
constexpr int32_t kToggleImage = 16;
constexpr int32_t kToggleLabels = 17;
constexpr int32_t kTogglePlaces = 18;
constexpr int32_t kStepViewMode = 19;

struct ViewStateRecord {
    // Input fields: written by the handlers, consumed by the next frame.
    int32_t iMouseX;   // pointer x, window pixels, 0 = left edge
    int32_t iMouseY;   // pointer y, window pixels, 0 = top edge
    int32_t KeyChar;   // last ordinary key, 0..255
    int32_t MenuNew;   // view-control mode (11 Apollo, 12 auto, 13 mouse) or one-shot 14..19
    int32_t ArrowKey;  // pending GLUT special-key code, 0 = none; 10..99 never kept

    // Screen and identification, fixed at start-up.
    int32_t iWidth;     // 1024, pixels: the window asked for and the text grid
    int32_t iHeight;    // 768, pixels
    char cVersion[20];  // kIdentText (app/startup.h), "Qarn.Exe  v0.44s   " and a NUL

    // The window as GLUT reports it, taken at the start of a frame: the size
    // of the picture drawn, read back by the dump and under the pointer. It
    // is asked again only when GLUT's default reshape, which keeps the
    // viewport equal to the window, has moved the viewport since.
    int32_t iWinWidth;   // pixels, 0 before the first frame
    int32_t iWinHeight;  // pixels
    int32_t iAskedViewW; // viewport width when the size was last asked, pixels
    int32_t iAskedViewH; // viewport height, pixels
    int32_t iWinDpi;     // dots per inch of the window's monitor, 0 where unknown (WindowDpi)
    int32_t iViewport[4];  // GLUT's viewport as this frame found it: x, y, width, height, pixels

    // Camera.
    double dFov;      // angle the whole globe subtends at the eye, 0.5241..140.0 deg
    double dTilt;     // first globe rotation, about the eye's x axis, deg
    double dSpin;     // second globe rotation, about the polar axis, deg
    int32_t iMission; // selected landing mission 1..6
    double dDegRad;   // degrees to radians, kDegRad (base/angles.h)

    // Display switches, 0 or 1 (nPlaces 0 or 12, iViewMode -1, 0, 1).
    int32_t iImage;    // textured globe
    int32_t iGrid;     // wire grid sphere
    int32_t iLabels;   // grid numbers and pole names
    int32_t iCredits;  // credits panel
    int32_t nPlaces;   // number of feature names drawn
    int32_t iViewMode; // 0 single view, 1 pair "L:R", -1 pair "R:L"

    // Derived every frame.
    double dAlt;          // eye altitude above the surface, scene units, >= 1
    double dElev;         // the same in km
    double dAspect;       // aspect ratio of the projection (window width / height)
    double dFovY;         // vertical field of view of the current eye pass, deg
    double dModView[16];  // model-view matrix after the globe rotations, column-major
    double dLat;          // latitude of the view centre, deg
    double dLon;          // longitude of the view centre, deg, -180..180
    int32_t iTextClr;     // palette index of read-outs and cross-hair: 15, 14 in Apollo mode
    int32_t iPanelErr;    // OpenGL error caught at the end of the last StatOrth, shown on the next frame

    // Counters.
    int32_t iInitDone;  // 0 until the first frame has been swapped
    int32_t iHidden;    // 1 while the window cannot be seen: no frames drawn
    int32_t iCursorOff; // 1 while the pointer is hidden (auto mode)
    int32_t nFrames;    // frames drawn, stops at 2,000,000,001
    int32_t nDiscl;     // frames counted for the timed disclaimer lines
    int32_t nBench;     // frames in the current benchmark interval
    float rBench0;      // start of the benchmark interval, s since local midnight
    float rBenchDt;     // seconds elapsed in the current interval
    float rSecFrame;    // seconds per frame over the last completed interval, 0 at first

    // OpenGL objects, created once by TexSetup.
    uint32_t iTexNm[5];  // texture names; iTexNm[iTex - 1] is the globe's
    int32_t iTex;        // 1-based index of the name in use, always 1
    GLUquadric* iQuad;   // quadric for the globe and the grid sphere
};

extern ViewStateRecord ViewState;

// The window in pixels as GLUT reports it (iReportedW x iReportedH), or the
// 1024 x 768 frame asked for while it reports none (0 or less): the size
// drawn, laid out, dumped and under the pointer.
struct WindowPixels {
    int32_t iW;
    int32_t iH;
};
WindowPixels ShownSize(int32_t iReportedW, int32_t iReportedH, const ViewStateRecord& vs);

// ShownSize of the size the current frame took (iWinWidth x iWinHeight).
inline WindowPixels ShownSize(const ViewStateRecord& vs) {
    return ShownSize(vs.iWinWidth, vs.iWinHeight, vs);
}
