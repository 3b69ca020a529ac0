// GL steps of a frame shared by Userview and the benchmark. The calls and
// their order are fixed by the design; only the numbers come from camera.h.
#include "app/frame_gl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/camera.h"
#include "overlay/anchor.h"
#include "overlay/globe_labels.h"
#include "overlay/palette.h"

void FramePrelude() {
    // Alpha 0 here; TexSetup's clear colour (alpha 1) is never used for a frame.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Also enabled when the window opens; the frame does not rely on that.
    glEnable(GL_DEPTH_TEST);
}

void EyeProjection(ViewStateRecord& vs, int32_t iEye) {
    const int32_t m = vs.iViewMode;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    vs.dFovY = PassFovY(vs.dFov, iEye, vs.dDegRad);
    // Applied before the perspective, so they move the image in device units.
    // A pair on a window narrower than 4:3 leaves the read-outs their room.
    const double dShrink =
        m != 0 ? PairShrink(vs.iWinWidth, vs.iWinHeight, GlyphScale(vs.iWinWidth, vs.iWinHeight, vs.iWinDpi))
               : 1.0;
    const PairShift shift =
        PairShiftFor(iEye, m, vs.dAlt, FittedPairScale(vs.iWinWidth, vs.iWinHeight) * dShrink);
    if (m != 0) glTranslated(shift.dFirst, 0.0, 0.0);
    if (m > 0) glTranslated(shift.dSecond, 0.0, 0.0);
    const double dAngle = FittedPerspectiveFov(PerspectiveFov(vs.dFovY, m), vs.iWinWidth, vs.iWinHeight,
                                               vs.dDegRad, dShrink);
    gluPerspective(dAngle, vs.dAspect, vs.dAlt - kNearGap, vs.dAlt + kFarReach);
}

void EyeFrame(const ViewStateRecord& vs, int32_t iEye) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(iEye * vs.dAlt / kEyeSeparation, 0.0, 0.0);
    glTranslated(0.0, 0.0, -kGlobeRadius - vs.dAlt);
}

void RotateGlobe(const ViewStateRecord& vs) {
    glRotated(vs.dTilt, 1.0, 0.0, 0.0);
    glRotated(vs.dSpin, 0.0, 0.0, 1.0);
}

void DrawSpheres(const ViewStateRecord& vs, bool bGlobe, bool bGrid) {
    glDisable(GL_CULL_FACE);
    if (bGlobe) {
        glEnable(GL_TEXTURE_2D);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, vs.iTexNm[vs.iTex - 1]);
        // Set in every pass by design, over TexSetup's GL_CLAMP: the sphere's
        // texture coordinates meet at the seam of longitude 180.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        gluQuadricDrawStyle(vs.iQuad, GLU_FILL);
        gluSphere(vs.iQuad, kGlobeRadius, kGlobeSlices, kGlobeStacks);
        glDisable(GL_TEXTURE_2D);
    }

    // From here on only vertices are issued, in the rotated globe frame.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glColor3f(0.0f, 0.0f, 1.0f);
    if (bGrid) {
        gluQuadricDrawStyle(vs.iQuad, GLU_LINE);
        gluSphere(vs.iQuad, kGridRadius, kGridSlices, kGridStacks);
    }
}

namespace {

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

// The state an eye pass relies on, set in full at its start: GLUT's viewport
// as the frame found it, lighting, the alpha test and texturing off (the
// globe alone turns texturing on, and off again), the texels of the globe
// replacing the colour, lines 1 pixel wide and flat shading (cross-hair, grid
// and labels), fill polygons, depth test on.
void EyePassState(const ViewStateRecord& vs) {
    glViewport(vs.iViewport[0], vs.iViewport[1], vs.iViewport[2], vs.iViewport[3]);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glLineWidth(1.0f);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
}

void EyePass(ViewStateRecord& vs, int32_t iEye, EyeDraw eDraw) {
    const bool bAll = eDraw == EyeDraw::kAll;
    EyePassState(vs);
    EyeProjection(vs, iEye);
    EyeFrame(vs, iEye);

    if (bAll) {
        SetClr(vs.iTextClr);
        DrawCrossHair();
    }

    RotateGlobe(vs);
    if (bAll) {
        glGetDoublev(GL_MODELVIEW_MATRIX, vs.dModView);
        LatLonFromModelView(vs.dModView, vs.dDegRad, vs.dLat, vs.dLon);
    }

    const bool bGridRange = vs.dFov <= kGridFovLimit;
    DrawSpheres(vs, vs.iImage == 1, bGridRange && vs.iGrid != 0);
    if (!bAll) return;
    if (bGridRange && vs.iLabels != 0) GridLabels();
    if (vs.nPlaces != 0) PlaceLabels();
}

}  // namespace

void DrawEyePasses(ViewStateRecord& vs, EyeDraw eDraw) {
    // From the real window, so a screen that is not 4:3 still shows a round globe.
    vs.dAspect = static_cast<double>(vs.iWinWidth) / vs.iWinHeight;
    for (const int32_t iEye : EyePassesFor(vs.iViewMode)) EyePass(vs, iEye, eDraw);
}
