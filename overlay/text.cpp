// PrntOrth: 2-D text in the bitmap font at a cell of the character grid.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "app/stop.h"
#include "app/view_state.h"
#include "overlay/anchor.h"
#include "overlay/glyphs.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

namespace {

// The 8 x 13 font as read back once on the first display, and its glyphs at
// the window's scale k, from which each print is made as one bitmap: one
// glBitmap a line rather than one per character. Rebuilt when k changes.
struct FontBits {
    bool bRead;                 // the one read-back has been made
    bool bReadOk;               // and gave the font; otherwise GLUT draws each glyph
    int32_t k;                  // scale of scaled, 0 while there is none
    GlyphSet glyphs;            // the read-back at scale 1
    std::vector<uint8_t> scaled;  // the 256 glyphs at scale k
    std::vector<uint8_t> line;    // one bitmap of up to kLineLen characters at scale k
};
FontBits fontBits{};

// Rows of a print's bitmap at scale k: the glyphs' 16 k, and at least 33.
// Mesa gathers bitmaps up to 32 rows high into a 512 x 32 texture and shades
// all of it at each flush, which every change of colour or line brings, some
// 30 times a frame; a taller bitmap is drawn as a texture of its own size.
// The rows above the glyphs are blank.
constexpr int32_t kMinRows = 33;
int32_t BitmapRows(int32_t k) { return std::max(kGlyphRows * k, kMinRows); }

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

}  // namespace

void PrepareGlyphs(int32_t k) {
    FontBits& f = fontBits;
    if (!f.bRead) {
        f.bRead = true;
        f.bReadOk = ReadGlyphs(f.glyphs);
    }
    if (!f.bReadOk || k < 1 || f.k == k) return;
    f.scaled = ScaleGlyphs(f.glyphs, k);
    f.line.assign(static_cast<std::size_t>(kLineLen) * k * BitmapRows(k), 0);
    f.k = k;
}

void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont, TextBlock eBlock) {
    if (iFont < -2 || iFont > 1) StopFatal("GLScrSup/PrntOrth: Only iFont=-2 thru +1 is implemented.");
    // Fonts -2..0 have no glyphs here: nothing drawn, cursor kept.
    if (iFont != 1) return;

    // Text goes in normalised device coordinates whatever the caller's matrices.
    PushNdc();

    // The cursor runs on the frame's grid; the print goes where its block
    // is anchored on the real window.
    const TextGrid grid = GridFor(ViewState.iWidth, ViewState.iHeight);
    const WindowPixels win = ShownSize(ViewState);
    const int32_t k = GlyphScale(win.iW, win.iH);
    const TextPos pos = AnchorPos(win.iW, win.iH, k, eBlock, iLine, iCol);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // The background colour is only made current, and replaced at once: no
    // cell is filled, the text stands on whatever the frame has drawn there.
    if (iBkClr >= 0) SetClr(iBkClr);

    SetClr(iClr);
    RasterAt(pos.iX, pos.iY, kTextZ);
    FontBits& f = fontBits;
    if (f.k == k) {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        // kLineLen characters a bitmap at most; each moves the raster
        // position on by its width, as the glyphs one by one would.
        const int32_t nRows = BitmapRows(k);
        for (int32_t i = 0; i < nChar; i += kLineLen) {
            const int32_t n = std::min(kLineLen, nChar - i);
            const auto nGlyphBytes = static_cast<std::ptrdiff_t>(n) * ScaledGlyphBytes(k);
            LineBitmap(f.scaled.data(), k, cText + i, n, f.line.data());
            std::fill(f.line.begin() + nGlyphBytes, f.line.begin() + static_cast<std::ptrdiff_t>(n) * k * nRows,
                      uint8_t{0});
            glBitmap(n * kGlyphCols * k, nRows, 0.0f, static_cast<float>(kGlyphBelow * k),
                     static_cast<float>(n * kGlyphCols * k), 0.0f, f.line.data());
        }
        glPopClientAttrib();
    } else {
        // No read-back of the font (or before the first display): GLUT's
        // glyphs one by one, at scale 1.
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
        PrntOrth(line.n, line.buf.c, iLine, iCol, line.iClr, kClrBlack, 1, line.eBlock);
    }
}
