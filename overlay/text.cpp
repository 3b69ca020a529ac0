// PrntOrth: 2-D text in the bitmap font at a cell of the character grid.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstddef>

#include "app/stop.h"
#include "app/view_state.h"
#include "overlay/palette.h"
#include "overlay/text_grid.h"

void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont) {
    if (iFont < -2 || iFont > 1) StopFatal("GLScrSup/PrntOrth: Only iFont=-2 thru +1 is implemented.");
    // Fonts -2..0 have no glyphs here: nothing drawn, cursor kept.
    if (iFont != 1) return;

    // Text goes in normalised device coordinates whatever the caller's matrices.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();

    const TextGrid grid = GridFor(ViewState.iWidth, ViewState.iHeight);
    const double x = GridX(grid, iCol);
    const double y = GridY(grid, iLine);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (iBkClr >= 0) SetClr(iBkClr);

    SetClr(iClr);
    glRasterPos3d(x, y, kTextZ);
    for (int32_t k = 0; k < nChar; ++k)
        glutBitmapCharacter(GLUT_BITMAP_8_BY_13, static_cast<unsigned char>(cText[k]));

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

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
