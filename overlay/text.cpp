// PrntOrth: 2-D text in the bitmap font at a cell of the character grid.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "app/stop.h"
#include "app/view_state.h"
#include "overlay/anchor.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

namespace {

// The 256 glyphs of the 8 x 13 font at glyph scale k, each kGlyphRows * k * k
// bytes; k 0 until read back.
struct ScaledFont {
    int32_t k;
    std::vector<uint8_t> bits;
};
ScaledFont scaledFont{0, {}};

// Where the glyphs are drawn for the read-back: 32 to a row in cells of
// 16 x 20 pixels, base line 4 pixels up in the cell.
constexpr int32_t kReadCols = 32;
constexpr int32_t kReadCellW = 16;
constexpr int32_t kReadCellH = 20;
constexpr int32_t kReadInset = 4;

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

void PrepareGlyphs(int32_t k) {
    if (k <= 1 || scaledFont.k == k) return;
    const int32_t nReadW = kReadCols * kReadCellW;
    const int32_t nReadH = (256 / kReadCols) * kReadCellH;
    GLint view[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, view);
    if (view[0] != 0 || view[1] != 0 || view[2] < nReadW || view[3] < nReadH) return;

    // Drawn white on black in the back buffer, which the frame clears next.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    PushNdc();
    glColor3f(1.0f, 1.0f, 1.0f);
    for (int32_t c = 0; c < 256; ++c) {
        RasterAt((c % kReadCols) * kReadCellW + kReadInset, (c / kReadCols) * kReadCellH + kReadInset, 0.0);
        glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(c));
    }
    std::vector<uint8_t> red(static_cast<std::size_t>(nReadW) * nReadH);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, nReadW, nReadH, GL_RED, GL_UNSIGNED_BYTE, red.data());
    glPopClientAttrib();
    PopNdc();
    glEnable(GL_DEPTH_TEST);

    const std::size_t nGlyph = static_cast<std::size_t>(kGlyphRows) * k * k;
    std::vector<uint8_t> bits(256 * nGlyph, 0);
    int32_t nInkBlank = 0;
    int32_t nInkA = 0;
    for (int32_t c = 0; c < 256; ++c) {
        const int32_t x0 = (c % kReadCols) * kReadCellW + kReadInset;
        const int32_t y0 = (c / kReadCols) * kReadCellH + kReadInset - kGlyphBelow;
        uint8_t rows[kGlyphRows] = {};
        for (int32_t r = 0; r < kGlyphRows; ++r)
            for (int32_t b = 0; b < kGlyphCols; ++b)
                if (red[static_cast<std::size_t>(y0 + r) * nReadW + x0 + b] >= 128)
                    rows[r] = static_cast<uint8_t>(rows[r] | (0x80u >> b));
        for (uint8_t row : rows) {
            if (c == ' ') nInkBlank += row != 0;
            if (c == 'A') nInkA += row != 0;
        }
        ScaleGlyph(rows, k, bits.data() + static_cast<std::size_t>(c) * nGlyph);
    }
    // A blank with ink or an "A" without is no read-back of the font: the
    // plain font stays in use and the next frame tries again.
    if (nInkBlank != 0 || nInkA == 0) return;
    scaledFont.bits = std::move(bits);
    scaledFont.k = k;
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
    const WindowPixels win = ShownSize(ViewState);
    const int32_t k = GlyphScale(win.iW, win.iH);
    const TextPos pos = AnchorPos(win.iW, win.iH, k, iLine, iCol);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (iBkClr >= 0) SetClr(iBkClr);

    SetClr(iClr);
    RasterAt(pos.iX, pos.iY, kTextZ);
    if (k == 1 || scaledFont.k != k) {
        for (int32_t c = 0; c < nChar; ++c)
            glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(cText[c]));
    } else {
        // Each font pixel a k x k square: the same glyphs, no filtering.
        const std::size_t nGlyph = static_cast<std::size_t>(kGlyphRows) * k * k;
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        for (int32_t c = 0; c < nChar; ++c) {
            const std::size_t code = static_cast<unsigned char>(cText[c]);
            glBitmap(kGlyphCols * k, kGlyphRows * k, 0.0f, static_cast<float>(kGlyphBelow * k),
                     static_cast<float>(kGlyphCols * k), 0.0f, scaledFont.bits.data() + code * nGlyph);
        }
        glPopClientAttrib();
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
