// PrntOrth: 2-D text in the bitmap font at a cell of the character grid.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <utility>
#include <vector>

#include "app/stop.h"
#include "app/view_state.h"
#include "overlay/anchor.h"
#include "overlay/glyphs.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

namespace {

// The 8 x 13 font as read back once on the first display, and its glyphs at
// the window's scale k as alpha texels. Rebuilt when k changes.
struct FontBits {
    bool bRead;                  // the one read-back has been made
    bool bReadOk;                // and gave the font; otherwise GLUT draws each glyph
    int32_t k;                   // scale of alpha, 0 while there is none
    GlyphSet glyphs;             // the read-back at scale 1
    std::vector<uint8_t> alpha;  // AlphaGlyphs(glyphs, k)
    GLint iBigView[2];           // GL_MAX_VIEWPORT_DIMS: a viewport over any window
    GLint iMaxTex;               // GL_MAX_TEXTURE_SIZE, texels
};
FontBits fontBits{};

// One corner of a print's quad as glInterleavedArrays(GL_T2F_C3F_V3F) takes it.
struct TextVertex {
    GLfloat s, t;     // texels of the batch's texture (scaled to 0..1 by the texture matrix)
    GLfloat r, g, b;  // the print's colour
    GLfloat x, y, z;  // normalised device coordinates of the big viewport
};

// The frame's prints, drawn together by DrawPrints before the globe. As
// bitmaps each print cost a software rasteriser a texture and a draw of its
// own, and glyph by glyph quads a few thousand instructions each; here every
// print is one quad on one texture that holds the texels of all of them, laid
// on shelves 16k texels high, and the frame's text is one upload and one draw.
struct PrintBatch {
    std::vector<uint8_t> ink;          // the texels, iInkW a row, bottom row first
    int32_t iInkW;                     // texels a row: kLineLen characters at scale k, a power of two
    int32_t iShelfX;                   // where the next print's texels go, texels
    int32_t iShelfY;
    std::vector<TextVertex> vertices;  // four a print, in print order
    int32_t iLastClr;                  // colour current after the last print
    bool bAny;                         // a print with font 1 since the last draw
    GLuint iTex;                       // texture name, 0 until the first draw
    int32_t iTexW;                     // its size as last specified, texels
    int32_t iTexH;
};
PrintBatch batch{};

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

// The texels of nChar characters of cText (at most kLineLen) on the next
// shelf place and a quad of colour iClr over their ink, its lower left corner
// at window pixel (iX, iY). Every corner falls on a pixel edge and a texel
// edge, so each pixel centre takes exactly one texel.
void QueueRun(const char* cText, int32_t nChar, const InkBox& box, int32_t iX, int32_t iY, int32_t iClr) {
    const FontBits& f = fontBits;
    PrintBatch& pb = batch;
    const int32_t k = f.k;
    const int32_t h = kGlyphRows * k;
    const int32_t w = nChar * kGlyphCols * k;
    if (pb.iShelfX + w > pb.iInkW) {
        pb.iShelfX = 0;
        pb.iShelfY += h;
    }
    // No room left in the largest texture: what is queued is drawn first.
    if (pb.iShelfY + h > f.iMaxTex) {
        DrawPrints();
        pb.bAny = true;
    }
    pb.ink.resize(static_cast<std::size_t>(pb.iShelfY + h) * pb.iInkW);
    LineAlpha(f.alpha.data(), k, cText, nChar,
              pb.ink.data() + static_cast<std::ptrdiff_t>(pb.iShelfY) * pb.iInkW + pb.iShelfX, pb.iInkW);

    const std::array<float, 3> rgb = PaletteRgb(iClr);
    const auto dx = static_cast<GLfloat>(2.0 / f.iBigView[0]);
    const auto dy = static_cast<GLfloat>(2.0 / f.iBigView[1]);
    const auto z = static_cast<GLfloat>(kTextZ);
    const int32_t v0 = box.iRowLo * k;
    const int32_t v1 = box.iRowHi * k;
    for (const auto& [u, v] : {std::pair{0, v0}, {w, v0}, {w, v1}, {0, v1}}) {
        pb.vertices.push_back({static_cast<GLfloat>(pb.iShelfX + u), static_cast<GLfloat>(pb.iShelfY + v),
                               rgb[0], rgb[1], rgb[2], static_cast<GLfloat>(iX + u) * dx - 1.0f,
                               static_cast<GLfloat>(iY + v) * dy - 1.0f, z});
    }
    pb.iShelfX += w;
}

// The print's characters with ink, queued in runs of at most kLineLen, from
// (iX, iY), the left end of its base line in window pixels.
void QueuePrint(const char* cText, int32_t nChar, int32_t iX, int32_t iY, int32_t iClr) {
    const int32_t k = fontBits.k;
    const InkBox box = LineInk(fontBits.glyphs, cText, nChar);
    for (int32_t i = box.iFirst; i < box.iEnd; i += kLineLen) {
        const int32_t n = std::min(kLineLen, box.iEnd - i);
        QueueRun(cText + i, n, box, iX + i * kGlyphCols * k, iY - kGlyphBelow * k, iClr);
    }
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
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, f.iBigView);
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &f.iMaxTex);
    }
    if (!f.bReadOk || k < 1 || f.k == k) return;
    const auto iInkW = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(kLineLen * kGlyphCols * k)));
    // Too large for this GL: GLUT's glyphs at scale 1 instead.
    if (iInkW > f.iMaxTex || kGlyphRows * k > f.iMaxTex) {
        f.k = 0;
        return;
    }
    f.alpha = AlphaGlyphs(f.glyphs, k);
    f.k = k;
    PrintBatch& pb = batch;
    pb.iInkW = iInkW;
    pb.ink.clear();
    pb.iShelfX = 0;
    pb.iShelfY = 0;
}

void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont, TextBlock eBlock) {
    if (iFont < -2 || iFont > 1) StopFatal("GLScrSup/PrntOrth: Only iFont=-2 thru +1 is implemented.");
    // Fonts -2..0 have no glyphs here: nothing drawn, cursor kept.
    if (iFont != 1) return;

    // The cursor runs on the frame's grid; the print goes where its block
    // is anchored on the real window.
    const TextGrid grid = GridFor(ViewState.iWidth, ViewState.iHeight);
    const WindowPixels win = ShownSize(ViewState);
    const int32_t k = GlyphScale(win.iW, win.iH, ViewState.iWinDpi);
    const TextPos pos = AnchorPos(win.iW, win.iH, k, eBlock, iLine, iCol);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // The background colour is only made current, and replaced at once: no
    // cell is filled, the text stands on whatever the frame has drawn there.
    if (iBkClr >= 0) SetClr(iBkClr);

    SetClr(iClr);
    FontBits& f = fontBits;
    if (f.k == k) {
        // Queued for DrawPrints. A bitmap is drawn only from a raster
        // position inside the viewport; so is a print here.
        PrintBatch& pb = batch;
        pb.bAny = true;
        pb.iLastClr = iClr;
        GLint view[4] = {0, 0, 1, 1};
        glGetIntegerv(GL_VIEWPORT, view);
        if (pos.iX >= view[0] && pos.iX < view[0] + view[2] && pos.iY >= view[1] && pos.iY < view[1] + view[3])
            QueuePrint(cText, nChar, pos.iX, pos.iY, iClr);
    } else {
        // No read-back of the font (or before the first display): GLUT's
        // glyphs one by one, at scale 1, drawn at once.
        PushNdc();
        RasterAt(pos.iX, pos.iY, kTextZ);
        for (int32_t c = 0; c < nChar; ++c)
            glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(cText[c]));
        PopNdc();
    }

    GridAdvance(grid, nChar, iLine, iCol);
}

void DrawPrints() {
    PrintBatch& pb = batch;
    if (!pb.vertices.empty()) {
        const FontBits& f = fontBits;
        const int32_t nRows = pb.iShelfY + kGlyphRows * f.k;
        glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
        if (pb.iTex == 0) glGenTextures(1, &pb.iTex);
        glBindTexture(GL_TEXTURE_2D, pb.iTex);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (pb.iTexW != pb.iInkW || pb.iTexH < nRows) {
            pb.iTexW = pb.iInkW;
            pb.iTexH = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(nRows)));
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, pb.iTexW, pb.iTexH, 0, GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
            // One texel a pixel, never blended with its neighbours.
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, pb.iInkW, nRows, GL_ALPHA, GL_UNSIGNED_BYTE, pb.ink.data());

        PushNdc();
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glScaled(1.0 / pb.iTexW, 1.0 / pb.iTexH, 1.0);
        // A bitmap is clipped by the window alone, not by the viewport.
        glViewport(0, 0, f.iBigView[0], f.iBigView[1]);
        glEnable(GL_TEXTURE_2D);
        // The print's colour as it is; the texture's alpha keeps the ink.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.5f);
        glInterleavedArrays(GL_T2F_C3F_V3F, 0, pb.vertices.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(pb.vertices.size()));
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        PopNdc();
        glPopClientAttrib();
        glPopAttrib();
        pb.vertices.clear();
    }
    pb.iShelfX = 0;
    pb.iShelfY = 0;
    // The colour array leaves the current colour undefined: the last
    // print's, as the prints one by one left it.
    if (pb.bAny) SetClr(pb.iLastClr);
    pb.bAny = false;
}

void PrintLines(const PanelLines& lines) {
    for (int32_t k = 0; k < lines.nLines; ++k) {
        const PanelLine& line = lines.line[static_cast<std::size_t>(k)];
        int32_t iLine = line.iLine;
        int32_t iCol = line.iCol;
        PrntOrth(line.n, line.buf.c, iLine, iCol, line.iClr, kClrBlack, 1, line.eBlock);
    }
}
