// PrntOrth: 2-D text in the bitmap font at a cell of the character grid.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "app/stop.h"
#include "app/view_state.h"
#include "overlay/anchor.h"
#include "overlay/glyphs.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

namespace {

// The 8 x 13 font as display lists, glyph c in list base + c, so a line is
// one glCallLists: base1 the font's own bitmaps, baseK the read-back glyphs
// at scale k. Built on the first display; baseK again when k changes.
struct FontLists {
    GLuint base1;     // 0 until built
    GLuint baseK;     // 0 until a scale above 1 is first asked for
    int32_t k;        // scale of baseK's glyphs, 0 while there are none
    bool bRead;       // the one read-back has been made
    bool bReadOk;     // and gave the font: scales above 1 can be built
    GlyphSet glyphs;  // the read-back glyphs at scale 1
};
FontLists fontLists{};

// The window, or the frame asked for before GLUT has reported it.
void WindowSize(int32_t& iW, int32_t& iH) {
    const bool bKnown = ViewState.iWinWidth > 0 && ViewState.iWinHeight > 0;
    iW = bKnown ? ViewState.iWinWidth : ViewState.iWidth;
    iH = bKnown ? ViewState.iWinHeight : ViewState.iHeight;
}

// Raster position on the centre of pixel (iX, iY) with identity matrices,
// through the viewport (GLUT sets it to the window only once it has seen the
// window's new size, a frame or so after full screen).
void RasterAt(int32_t iX, int32_t iY, double z) {
    GLint view[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, view);
    glRasterPos3d(2.0 * (iX - view[0] + 0.5) / view[2] - 1.0, 2.0 * (iY - view[1] + 0.5) / view[3] - 1.0, z);
}

// Identity modelview and projection over the caller's matrices, so that
// positions are normalised device coordinates; PopNdc brings the caller's
// back and leaves the projection matrix current.
void PushNdc() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
}

void PopNdc() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

}  // namespace

namespace {

// Draws the 256 glyphs white on black into a strip at the bottom left of the
// back buffer, through a viewport of the strip's own size (whatever GLUT has
// set so far), and reads them back. The frame's clear comes next.
bool ReadGlyphs(GlyphSet& glyphs) {
    GLint view[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, view);
    glViewport(0, 0, kReadW, kReadH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    PushNdc();
    glColor3f(1.0f, 1.0f, 1.0f);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        RasterAt(ReadX(c), ReadY(c), 0.0);
        glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(c));
    }
    std::vector<uint8_t> red(static_cast<std::size_t>(kReadW) * kReadH);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kReadW, kReadH, GL_RED, GL_UNSIGNED_BYTE, red.data());
    glPopClientAttrib();
    PopNdc();
    glEnable(GL_DEPTH_TEST);
    glViewport(view[0], view[1], view[2], view[3]);
    GlyphsFromStrip(red.data(), glyphs);
    return GlyphsPlausible(glyphs);
}

// Compiles glyph c at scale k into list base + c; glBitmap's data are copied
// into the list with the unpack state set here.
void CompileScaled(GLuint base, const GlyphSet& glyphs, int32_t k) {
    const std::vector<uint8_t> bits = ScaleGlyphs(glyphs, k);
    const auto nGlyph = static_cast<std::size_t>(ScaledGlyphBytes(k));
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        glNewList(base + static_cast<GLuint>(c), GL_COMPILE);
        glBitmap(kGlyphCols * k, kGlyphRows * k, 0.0f, static_cast<float>(kGlyphBelow * k),
                 static_cast<float>(kGlyphCols * k), 0.0f, bits.data() + static_cast<std::size_t>(c) * nGlyph);
        glEndList();
    }
    glPopClientAttrib();
}

}  // namespace

void PrepareGlyphs(int32_t k) {
    FontLists& f = fontLists;
    if (!f.bRead) {
        f.bRead = true;
        f.bReadOk = ReadGlyphs(f.glyphs);
        // GLUT's own glyph calls, recorded: the same bitmaps as printing
        // them one by one.
        f.base1 = glGenLists(kGlyphCodes);
        for (int32_t c = 0; f.base1 != 0 && c < kGlyphCodes; ++c) {
            glNewList(f.base1 + static_cast<GLuint>(c), GL_COMPILE);
            glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(c));
            glEndList();
        }
    }
    // A failed read leaves the plain font in use at every scale.
    if (k <= 1 || f.k == k || !f.bReadOk) return;
    if (f.baseK == 0) f.baseK = glGenLists(kGlyphCodes);
    if (f.baseK == 0) return;
    CompileScaled(f.baseK, f.glyphs, k);
    f.k = k;
}

void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont) {
    if (iFont < -2 || iFont > 1) StopFatal("GLScrSup/PrntOrth: Only iFont=-2 thru +1 is implemented.");
    // Fonts -2..0 have no glyphs here: nothing drawn, cursor kept.
    if (iFont != 1) return;

    // Text goes in normalised device coordinates whatever the caller's matrices.
    PushNdc();

    // The cursor runs on the frame's grid; the print goes where its block
    // is anchored on the real window.
    const TextGrid grid = GridFor(ViewState.iWidth, ViewState.iHeight);
    int32_t iW = 0;
    int32_t iH = 0;
    WindowSize(iW, iH);
    const int32_t k = GlyphScale(iW, iH);
    const TextPos pos = AnchorPos(iW, iH, k, iLine, iCol);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // The background colour is only made current, and replaced at once: no
    // cell is filled, the text stands on whatever the frame has drawn there.
    if (iBkClr >= 0) SetClr(iBkClr);

    SetClr(iClr);
    RasterAt(pos.iX, pos.iY, kTextZ);
    const FontLists& f = fontLists;
    const GLuint base = (k > 1 && f.k == k) ? f.baseK : f.base1;
    if (base != 0) {
        glListBase(base);
        glCallLists(nChar, GL_UNSIGNED_BYTE, cText);
    } else {
        // Before the first display has built the lists.
        for (int32_t c = 0; c < nChar; ++c)
            glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(cText[c]));
    }

    PopNdc();

    GridAdvance(grid, nChar, iLine, iCol);
}

void PrintLines(const PanelLines& lines) {
    for (int32_t k = 0; k < lines.nLines; ++k) {
        const PanelLine& line = lines.line[static_cast<std::size_t>(k)];
        int32_t iLine = line.iLine;
        int32_t iCol = line.iCol;
        PrntOrth(line.n, line.buf.c, iLine, iCol, line.iClr, kClrBlack, 1);
    }
}
