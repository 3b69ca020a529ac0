// One complete frame: command step, clear, text panel, view-angle step, one or
// two eye passes of the globe, swap and the end-of-frame error check.
#include "app/userview.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include "app/camera.h"
#include "app/check_gl.h"
#include "app/desktop.h"
#include "app/stop.h"
#include "app/view_state.h"
#include "input/commands.h"
#include "overlay/anchor.h"
#include "overlay/globe_labels.h"
#include "overlay/palette.h"
#include "overlay/panel.h"
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
    const int32_t m = vs.iViewMode;

    // Projection, with the pair shifts applied before the perspective so
    // they move the eye's image in normalised device units.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    vs.dFovY = PassFovY(vs.dFov, iEye, vs.dDegRad);
    const PairShift shift =
        PairShiftFor(iEye, m, vs.dAlt, PairFrameScale(vs.iWinWidth, vs.iWinHeight));
    if (m != 0) glTranslated(shift.dFirst, 0.0, 0.0);
    if (m > 0) glTranslated(shift.dSecond, 0.0, 0.0);
    gluPerspective(PerspectiveFov(vs.dFovY, m), vs.dAspect, vs.dAlt - 0.7, vs.dAlt + 25.0);

    // Eye frame: the eye dAlt/10 to the side per eye index, the globe centre
    // dAlt + 20 in front.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(iEye * vs.dAlt / 10.0, 0.0, 0.0);
    glTranslated(0.0, 0.0, -kGlobeRadius - vs.dAlt);

    SetClr(vs.iTextClr);
    DrawCrossHair();

    glRotated(vs.dTilt, 1.0, 0.0, 0.0);
    glRotated(vs.dSpin, 0.0, 0.0, 1.0);
    glGetDoublev(GL_MODELVIEW_MATRIX, vs.dModView);
    LatLonFromModelView(vs.dModView, vs.dDegRad, vs.dLat, vs.dLon);

    glDisable(GL_CULL_FACE);
    if (vs.iImage == 1) {
        glEnable(GL_TEXTURE_2D);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, vs.iTexNm[vs.iTex - 1]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        gluQuadricDrawStyle(vs.iQuad, GLU_FILL);
        gluSphere(vs.iQuad, kGlobeRadius, 72, 36);
        glDisable(GL_TEXTURE_2D);
    }

    // From here on only vertices are issued, in the rotated globe frame.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glColor3f(0.0f, 0.0f, 1.0f);

    const bool bGridRange = vs.dFov <= kGridFovLimit;
    if (bGridRange && vs.iGrid != 0) {
        gluQuadricDrawStyle(vs.iQuad, GLU_LINE);
        gluSphere(vs.iQuad, kGridRadius, 36, 18);
    }
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

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);

    StatOrth(3);
    PanelCredits();
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
    CheckGL(393, iGlErr);
    if (iGlErr != 0) StopFatal("Userview: end-of-iteration OpenGL error detected.");
}
