// One complete frame, in this order:
//  1. GLUT's viewport, asked once a frame; the window's size, asked again
//     when the viewport has moved (and the pointer, when the size is new);
//     and the glyphs at the scale that size asks for;
//  2. the command step: function keys to commands, zoom, first-frame values,
//     frame count, altitude, one-shot switches (input/commands.h);
//  3. the clear (FramePrelude);
//  4. the panel's counters, then the status lines with the check of site
//     369, the credits and the disclaimer lines;
//  5. the view-angle step, and the pointer warp of auto mode;
//  6. the read-outs, which thus show the previous frame's latitude and
//     longitude, then every print of the frame drawn at once (DrawPrints);
//  7. the eye passes: one, or two for a stereo pair (DrawEyePasses);
//  8. the swap, the next redisplay and the end-of-frame check (site 393),
//     which ends the run on an error.
#include "app/userview.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include "app/desktop.h"
#include "app/frame_gl.h"
#include "base/check_gl.h"
#include "base/clock.h"
#include "base/stop.h"
#include "base/view_state.h"
#include "input/commands.h"
#include "overlay/anchor.h"
#include "overlay/panel.h"
#include "overlay/status.h"
#include "overlay/text.h"

namespace {

// GLUT's viewport for this frame, asked once, and the window's real size.
// Asking the size is a round trip to the
// X server, so it is asked at the first frame and whenever the viewport has
// moved, as GLUT's default reshape moves it after every change of size. A
// new size is also where the window system may have put the window under a
// pointer that has not moved since.
void TakeWindowSize(ViewStateRecord& vs) {
    // The monitor's DPI every frame: it changes with the monitor under the
    // window, which need not change its size.
    vs.iWinDpi = WindowDpi();
    GLint view[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, view);
    for (int32_t i = 0; i < 4; ++i) vs.iViewport[i] = view[i];
    if (vs.iWinWidth != 0 && view[2] == vs.iAskedViewW && view[3] == vs.iAskedViewH) return;
    vs.iAskedViewW = view[2];
    vs.iAskedViewH = view[3];
    const WindowPixels win =
        ShownSize(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), vs);
    const bool bNew = win.iW != vs.iWinWidth || win.iH != vs.iWinHeight;
    vs.iWinWidth = win.iW;
    vs.iWinHeight = win.iH;
    if (bNew) SeedPointer();
}

}  // namespace

// No glFlush inside the frame: in a double-buffered window it shows nothing,
// and each one makes a software rasteriser draw a partial scene (about 340 a
// frame cost more than half the frame time). The swap submits the frame.
void Userview() {
    ViewStateRecord& vs = ViewState;
    // A hidden window draws nothing and asks for no next frame.
    if (vs.iHidden != 0) return;

    TakeWindowSize(vs);
    PrepareGlyphs(GlyphScale(vs.iWinWidth, vs.iWinHeight, vs.iWinDpi));
    CommandStep();

    FramePrelude();

    // The panel's counters before any line: the read-outs and, in the eye
    // passes, the cross-hair take their colour iTextClr from this step.
    const PanelTally tally = PanelCount(vs, SecondsSince(0.0f));
    StatOrth(3);
    PanelCredits(tally);
    PanelDisclaimer();

    const PointerWarp warp = ViewAngleStep();
    ShowPointer(warp.bWarp);
    if (warp.bWarp) glutWarpPointer(warp.iX, warp.iY);

    PanelReadouts();
    DrawPrints();

    DrawEyePasses(vs, EyeDraw::kAll);

    glMatrixMode(GL_MODELVIEW);
    glutSwapBuffers();
    glutPostRedisplay();
    vs.iInitDone = 1;
    int32_t iGlErr = 0;
    CheckGL(kSiteFrameEnd, iGlErr);
    if (iGlErr != 0) StopFatal("Userview: end-of-iteration OpenGL error detected.");
}

void UserIdle() { Userview(); }

void WindowStatusHandler(int iStatus) {
    ViewStateRecord& vs = ViewState;
    const int32_t iHidden = WindowSeen(iStatus) ? 0 : 1;
    // Also at the window's first showing, which changes no state here.
    if (iHidden == 0) SeedPointer();
    if (vs.iHidden == iHidden) return;
    vs.iHidden = iHidden;
    if (iHidden != 0) {
        glutIdleFunc(nullptr);
        return;
    }
    // The benchmark interval restarts: the hidden time was no frame time.
    vs.rBench0 = SecondsSince(0.0f);
    vs.nBench = 0;
    glutIdleFunc(UserIdle);
    glutPostRedisplay();
}

void WindowCloseHandler() {
    // GLUT also calls this when it tears the window down at any exit (a
    // stop's, or a library's: TreatExitsAsStops); that exit's line and
    // status stand.
    if (StopStarted()) return;
    StopRun("End of run (window closed).");
}
