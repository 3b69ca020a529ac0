// The globe's texture: bGray copied to RGB, red cleared in the outer
// quarters so the far side shows cyan, then uploaded once.
#include "image/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "base/view_state.h"

uint8_t bTex[3 * kMapPixels];

namespace {

// The near side is the central half of the map (longitude 0 at the centre
// column); the far side is the outer quarter on either hand.
constexpr size_t kNearFrom = size_t(kMapWidth) / 4;      // column 256, 0-based
constexpr size_t kNearTo = 3 * size_t(kMapWidth) / 4;    // column 768, first far again

}  // namespace

void TexBuild() {
    for (size_t i = 0; i < size_t(kMapHeight); ++i) {
        const uint8_t* bRow = bGray + i * kMapWidth;
        uint8_t* bOut = bTex + 3 * i * kMapWidth;
        for (size_t j = 0; j < size_t(kMapWidth); ++j) {
            bOut[3 * j] = bRow[j];
            bOut[3 * j + 1] = bRow[j];
            bOut[3 * j + 2] = bRow[j];
        }
        // Columns 1..256 and 769..1024 (1-based) lose their red.
        for (size_t j = 0; j < kNearFrom; ++j) bOut[3 * j] = 0;
        for (size_t j = kNearTo; j < size_t(kMapWidth); ++j) bOut[3 * j] = 0;
    }
}

void TexSetup() {
    glGenTextures(5, ViewState.iTexNm);
    ViewState.iTex = 1;
    // Fixed by design, though no frame clears with it (FramePrelude sets alpha 0).
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ViewState.iTexNm[ViewState.iTex - 1]);
    glFrontFace(GL_CCW);
    ViewState.iQuad = gluNewQuadric();
    gluQuadricDrawStyle(ViewState.iQuad, GLU_FILL);
    gluQuadricNormals(ViewState.iQuad, GLU_SMOOTH);
    gluQuadricTexture(ViewState.iQuad, GL_TRUE);
    glGetError();  // cleared on purpose: nothing raised so far is reported
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Clamped here by design; every globe pass sets GL_REPEAT (DrawSpheres).
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    const float rBorder[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, rBorder);
    glGetError();  // likewise
    glTexImage2D(GL_TEXTURE_2D, 0, 3, kMapWidth, kMapHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, bTex);
    glDisable(GL_TEXTURE_2D);
    glFlush();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}
