// One complete frame: command step, clear, text panel, view-angle step, one or
// two eye passes of the globe, swap and the end-of-frame error check.
#include "app/userview.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include "app/camera.h"
#include "app/check_gl.h"
#include "app/desktop.h"
#include "app/frame_gl.h"
#include "app/stop.h"
#include "app/clock.h"
#include "app/view_state.h"
#include "input/commands.h"
#include "overlay/anchor.h"
#include "overlay/globe_labels.h"
#include "overlay/palette.h"
#include "overlay/panel.h"
#include "overlay/status.h"
#include "overlay/text.h"

namespace {

// The window's real size for this frame; the size asked for until GLUT
// reports one. A full-screen window takes the screen's size, whatever it is.
void TakeWindowSize(ViewStateRecord& vs) {
    const int iW = glutGet(GLUT_WINDOW_WIDTH);
    const int iH = glutGet(GLUT_WINDOW_HEIGHT);
    const bool bKnown = iW > 0 && iH > 0;
    vs.iWinWidth = bKnown ? iW : vs.iWidth;
    vs.iWinHeight = bKnown ? iH : vs.iHeight;
}

// Two batches of two segments at z = 20.1 of the unrotated eye frame, with a
// 10 km gap around the centre and arms reaching 100 km.
void DrawCrossHair() {
    glBegin(GL_LINES);
    glVertex3d(0.0, kCrossOuter, kCrossZ);
    glVertex3d(0.0, kCrossInner, kCrossZ);
    glVertex3d(0.0, -kCrossInner, kCrossZ);
    glVertex3d(0.0, -kCrossOuter, kCrossZ);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(kCrossOuter, 0.0, kCrossZ);
    glVertex3d(kCrossInner, 0.0, kCrossZ);
    glVertex3d(-kCrossInner, 0.0, kCrossZ);
    glVertex3d(-kCrossOuter, 0.0, kCrossZ);
    glEnd();
}

void EyePass(ViewStateRecord& vs, int32_t iEye) {
    EyeProjection(vs, iEye);
    EyeFrame(vs, iEye);

    SetClr(vs.iTextClr);
    DrawCrossHair();

    RotateGlobe(vs);
    glGetDoublev(GL_MODELVIEW_MATRIX, vs.dModView);
    LatLonFromModelView(vs.dModView, vs.dDegRad, vs.dLat, vs.dLon);

    const bool bGridRange = vs.dFov <= kGridFovLimit;
    DrawSpheres(vs, vs.iImage == 1, bGridRange && vs.iGrid != 0);
    if (bGridRange && vs.iLabels != 0) GridLabels();
    if (vs.nPlaces != 0) PlaceLabels();
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
    PrepareGlyphs(GlyphScale(vs.iWinWidth, vs.iWinHeight));
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

    // From the real window, so a screen that is not 4:3 still shows a round globe.
    vs.dAspect = static_cast<double>(vs.iWinWidth) / vs.iWinHeight;
    const EyePasses passes = EyePassesFor(vs.iViewMode);
    for (int32_t k = 0, iEye = passes.iFirst; k < passes.nPasses; ++k, iEye += passes.iStep)
        EyePass(vs, iEye);

    glMatrixMode(GL_MODELVIEW);
    glutSwapBuffers();
    glutPostRedisplay();
    vs.iInitDone = 1;
    int32_t iGlErr = 0;
    CheckGL(kSiteFrameEnd, iGlErr);
    if (iGlErr != 0) StopFatal("Userview: end-of-iteration OpenGL error detected.");
}

void UserIdle() { Userview(); }
