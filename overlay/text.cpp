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

#include "base/stop.h"
#include "base/view_state.h"
#include "overlay/anchor.h"
#include "overlay/font_table.h"
#include "overlay/glyphs.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

namespace {

// One corner of a run's quad as glInterleavedArrays(GL_T2F_C3F_V3F) takes it.
struct TextVertex {
    GLfloat s, t;     // texels of the text texture (scaled to 0..1 by the texture matrix)
    GLfloat r, g, b;  // the print's colour
    GLfloat x, y, z;  // normalised device coordinates of the big viewport
};

// The GL objects of the text: the texture of the slots, made and replaced by
// TextTexture alone.
struct TextGl {
    GLuint iTex;     // texture name, 0 until the first draw
    int32_t iTexW;   // its size as last specified, texels
    int32_t iTexH;
};

// Everything the text keeps from frame to frame. The 8 x 13 font is read
// back once on the first display; its glyphs at the window's scale k are
// alpha texels, rebuilt when k changes. Each run of a print has a slot, a
// row of the text texture, in frame order: a run whose characters are those
// its slot holds is drawn from the texture as it stands; another is
// rasterised into the slot's copy here and uploaded alone. Every run is one
// quad over its ink, and the frame's text is one draw: a quad per glyph cost
// Mesa's software rasteriser 3.4 million more instructions a frame at
// 1024 x 768 (a twentieth of the frame).
//
// The slots go by position, not by characters: in a frame where a line
// appears or vanishes (the timed disclaimer lines, the credits switched, a
// mode's captions), every later run lands in a slot that held another and
// is rasterised and uploaded again, once. Rasterising forty runs (the start
// screen has 31) takes about 0.2 ms at k = 1 and 2 ms at k = 4, against a
// frame of 15 ms, a few times a run; slots keyed by their characters would
// spare that at the price of a look-up per run and an eviction rule every
// frame, as the iteration count makes a new run each frame.
struct TextState {
    bool bRead;                  // the one read-back has been made
    bool bReadOk;                // and gave the font; otherwise GLUT draws each glyph
    int32_t k;                   // scale of alpha, 0 while there is none
    GlyphSet glyphs;             // the read-back at scale 1
    std::vector<uint8_t> alpha;  // AlphaGlyphs(glyphs, k)
    GLint iBigView[2];           // GL_MAX_VIEWPORT_DIMS: a viewport over any window
    GLint iMaxTex;               // GL_MAX_TEXTURE_SIZE, texels

    int32_t iSlotW;              // texels a slot row: kRunChars characters at scale k, a power of two
    std::vector<RunSlot> slots;  // what each slot holds
    std::vector<uint8_t> ink;    // the slots' texels, iSlotW a row, slot 0 at the bottom
    std::vector<bool> bDirty;    // a slot's texels not yet uploaded
    int32_t nUsed;               // slots taken by the runs queued since the last draw
    std::vector<TextVertex> vertices;  // four a run, in print order
    TextGl gl;
};
TextState text{};

int32_t SlotRows() { return kGlyphRows * text.k; }

// Raster position on the centre of pixel (iX, iY) with identity matrices,
// through the frame's viewport (GLUT sets it to the window only once it has
// seen the window's new size, a frame or so after full screen).
void RasterAt(const int32_t (&view)[4], int32_t iX, int32_t iY, double z) {
    glRasterPos3d(2.0 * (iX - view[0] + 0.5) / view[2] - 1.0, 2.0 * (iY - view[1] + 0.5) / view[3] - 1.0, z);
}

// Identity model-view, projection and texture matrices: positions are
// normalised device coordinates.
void IdentityMatrices() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

// The state GLUT's bitmaps are drawn with, and the start of the text pass's:
// what the glyph read-back, the prints without it and the text rely on, the
// depth test as each wants it (off for the read-back, which must see every
// glyph; on where the text stands in the frame).
void BitmapState(const int32_t (&view)[4], bool bDepthTest) {
    glViewport(view[0], view[1], view[2], view[3]);
    IdentityMatrices();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    if (bDepthTest)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

// The text texture at least nRows high, made or made anew here only. A new
// image holds nothing: every slot is uploaded again.
void TextTexture(int32_t nRows) {
    TextState& t = text;
    if (t.gl.iTex == 0) glGenTextures(1, &t.gl.iTex);
    glBindTexture(GL_TEXTURE_2D, t.gl.iTex);
    if (t.gl.iTexW == t.iSlotW && t.gl.iTexH >= nRows) return;
    t.gl.iTexW = t.iSlotW;
    t.gl.iTexH = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(nRows)));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, t.gl.iTexW, t.gl.iTexH, 0, GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
    // One texel a pixel, never blended with its neighbours.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    std::fill(t.bDirty.begin(), t.bDirty.end(), true);
}

// The state the queued runs are drawn with, set in full: the text texture
// bound and its changed slots uploaded, a viewport as large as GL allows
// (a bitmap is clipped by the window alone, not by the viewport), identity
// matrices but for the texture matrix, which takes texels to 0..1, the
// print's colour as it is with the texture's alpha keeping the ink, the depth
// test on.
void TextPassState() {
    TextState& t = text;
    const int32_t h = SlotRows();
    TextTexture(t.nUsed * h);
    BitmapState({0, 0, t.iBigView[0], t.iBigView[1]}, true);
    glMatrixMode(GL_TEXTURE);
    glScaled(1.0 / t.gl.iTexW, 1.0 / t.gl.iTexH, 1.0);
    glMatrixMode(GL_PROJECTION);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, t.iSlotW);
    for (int32_t i = 0; i < t.nUsed; ++i) {
        if (!t.bDirty[static_cast<std::size_t>(i)]) continue;
        const RunSlot& slot = t.slots[static_cast<std::size_t>(i)];
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, i * h, slot.key.n * kGlyphCols * t.k, h, GL_ALPHA, GL_UNSIGNED_BYTE,
                        t.ink.data() + static_cast<std::ptrdiff_t>(i) * h * t.iSlotW);
        t.bDirty[static_cast<std::size_t>(i)] = false;
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// nChar characters of cText (at most kRunChars) in the next slot, and a quad
// of colour iClr over their ink, its lower left corner at window pixel
// (iX, iY). Every corner falls on a pixel edge and a texel edge, so each
// pixel centre takes exactly one texel.
void QueueRun(const char* cText, int32_t nChar, const InkBox& box, int32_t iX, int32_t iY, int32_t iClr) {
    TextState& t = text;
    const int32_t k = t.k;
    const int32_t h = SlotRows();
    // No room left in the largest texture: what is queued is drawn first.
    if ((t.nUsed + 1) * h > t.iMaxTex) DrawPrints();
    const int32_t i = t.nUsed++;
    if (t.slots.size() < static_cast<std::size_t>(t.nUsed)) {
        t.slots.resize(static_cast<std::size_t>(t.nUsed));
        t.bDirty.resize(static_cast<std::size_t>(t.nUsed));
        t.ink.resize(static_cast<std::size_t>(t.nUsed) * h * t.iSlotW);
    }
    if (FillSlot(t.slots[static_cast<std::size_t>(i)], MakeRunKey(cText, nChar, k), t.alpha.data(),
                 t.ink.data() + static_cast<std::ptrdiff_t>(i) * h * t.iSlotW, t.iSlotW))
        t.bDirty[static_cast<std::size_t>(i)] = true;

    const std::array<float, 3> rgb = PaletteRgb(iClr);
    const auto dx = static_cast<GLfloat>(2.0 / t.iBigView[0]);
    const auto dy = static_cast<GLfloat>(2.0 / t.iBigView[1]);
    const auto z = static_cast<GLfloat>(kTextZ);
    const int32_t w = nChar * kGlyphCols * k;
    const int32_t v0 = box.iRowLo * k;
    const int32_t v1 = box.iRowHi * k;
    for (const auto& [u, v] : {std::pair{0, v0}, {w, v0}, {w, v1}, {0, v1}}) {
        t.vertices.push_back({static_cast<GLfloat>(u), static_cast<GLfloat>(i * h + v), rgb[0], rgb[1], rgb[2],
                              static_cast<GLfloat>(iX + u) * dx - 1.0f, static_cast<GLfloat>(iY + v) * dy - 1.0f, z});
    }
}

// The print's characters with ink, queued in runs of at most kRunChars, from
// (iX, iY), the left end of its base line in window pixels.
void QueuePrint(const char* cText, int32_t nChar, int32_t iX, int32_t iY, int32_t iClr) {
    const int32_t k = text.k;
    const InkBox box = LineInk(text.glyphs, cText, nChar);
    for (int32_t i = box.iFirst; i < box.iEnd; i += kRunChars) {
        const int32_t n = std::min(kRunChars, box.iEnd - i);
        QueueRun(cText + i, n, box, iX + i * kGlyphCols * k, iY - kGlyphBelow * k, iClr);
    }
}

// Draws the 256 glyphs white on black into a strip at the bottom left of the
// back buffer, through a viewport of the strip's own size, and reads them
// back. The frame's clear comes next.
bool ReadGlyphs(GlyphSet& glyphs) {
    const int32_t view[4] = {0, 0, kReadW, kReadH};
    BitmapState(view, false);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        RasterAt(view, ReadX(c), ReadY(c), 0.0);
        glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(c));
    }
    std::vector<uint8_t> red(static_cast<std::size_t>(kReadW) * kReadH);
    glReadPixels(0, 0, kReadW, kReadH, GL_RED, GL_UNSIGNED_BYTE, red.data());
    GlyphsFromStrip(red.data(), glyphs);
    return GlyphsPlausible(glyphs);
}

}  // namespace

void PrepareGlyphs(int32_t k) {
    TextState& t = text;
    if (!t.bRead) {
        t.bRead = true;
        // The compiled-in table where the platform has one, else the read-back.
        t.bReadOk = FontTableGlyphs(t.glyphs) || ReadGlyphs(t.glyphs);
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, t.iBigView);
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &t.iMaxTex);
    }
    if (!t.bReadOk || k < 1 || t.k == k) return;
    const auto iSlotW = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(kRunChars * kGlyphCols * k)));
    // Too large for this GL: GLUT's glyphs at scale 1 instead.
    if (iSlotW > t.iMaxTex || kGlyphRows * k > t.iMaxTex) {
        t.k = 0;
        return;
    }
    t.alpha = AlphaGlyphs(t.glyphs, k);
    t.k = k;
    t.iSlotW = iSlotW;
    t.slots.clear();
    t.ink.clear();
    t.bDirty.clear();
    t.nUsed = 0;
    t.vertices.clear();
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

    // The background colour is only checked and replaced at once: no cell is
    // filled, the text stands on whatever the frame has drawn there.
    if (iBkClr >= 0) PaletteCheck(iBkClr);
    PaletteCheck(iClr);
    const int32_t (&view)[4] = ViewState.iViewport;
    if (text.k == k) {
        // Queued for DrawPrints. A bitmap is drawn only from a raster
        // position inside the viewport; so is a print here.
        if (pos.iX >= view[0] && pos.iX < view[0] + view[2] && pos.iY >= view[1] && pos.iY < view[1] + view[3])
            QueuePrint(cText, nChar, pos.iX, pos.iY, iClr);
    } else {
        // No read-back of the font (or before the first display): GLUT's
        // glyphs one by one, at scale 1, drawn at once.
        BitmapState(view, true);
        SetClr(iClr);
        RasterAt(view, pos.iX, pos.iY, kTextZ);
        for (int32_t c = 0; c < nChar; ++c)
            glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(cText[c]));
    }

    GridAdvance(grid, nChar, iLine, iCol);
}

void DrawPrints() {
    TextState& t = text;
    if (!t.vertices.empty()) {
        TextPassState();
        glInterleavedArrays(GL_T2F_C3F_V3F, 0, t.vertices.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(t.vertices.size()));
        t.vertices.clear();
    }
    t.nUsed = 0;
}

void PrintLines(const PanelLines& lines) {
    for (int32_t k = 0; k < lines.nLines; ++k) {
        const PanelLine& line = lines.line[static_cast<std::size_t>(k)];
        int32_t iLine = line.iLine;
        int32_t iCol = line.iCol;
        PrntOrth(line.n, line.buf.c, iLine, iCol, line.iClr, kClrBlack, 1, line.eBlock);
    }
}
