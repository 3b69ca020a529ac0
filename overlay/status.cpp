#include <GL/gl.h>

#include <cstddef>

#include "app/check_gl.h"
#include "app/view_state.h"
#include "overlay/text.h"
#include "overlay/text_grid.h"

int32_t iPanelErr = 0;

static constexpr int32_t kStatusCol = 105;


void ComposeStatus(int32_t level, int32_t iErr, PanelLines& out) {
    out.nLines = 0;
    if (level < 1) return;
    PutA(AddLine(out, 1, kStatusCol, 20, 15), ViewState.cVersion, 20);
    if (level < 2) return;

    LineBuf& cXY = AddLine(out, 2, kStatusCol, 13, 8);
    PutS(cXY, "x=");
    PutI(cXY, ViewState.iMouseX, 4);
    PutS(cXY, " y=");
    PutI(cXY, ViewState.iMouseY, 4);
    if (level < 3) return;

    LineBuf& cMenu = AddLine(out, 3, kStatusCol, 13, 8);
    PutS(cMenu, "MenuNew=  ");
    PutI(cMenu, ViewState.MenuNew, 3);

    LineBuf& cKey = AddLine(out, 4, kStatusCol, 15, 8);
    PutS(cKey, "KeyChar=  ");
    PutI(cKey, ViewState.KeyChar, 3);
    PutS(cKey, " ");
    PutChar(cKey, ViewState.KeyChar);

    LineBuf& cArrow = AddLine(out, 5, kStatusCol, 13, 8);
    PutS(cArrow, "ArrowKey= ");
    PutI(cArrow, ViewState.ArrowKey, 3);

    LineBuf& cErr = AddLine(out, 6, kStatusCol, 19, iErr != 0 ? 12 : 8);
    PutS(cErr, "glGetError=");
    PutZ(cErr, static_cast<uint32_t>(iErr), 8);

    PutS(AddLine(out, 7, kStatusCol, 16, 11), "RMB:menu Qq:quit");
    PutS(AddLine(out, 8, kStatusCol, 16, 11), "LMB+mouse:motion");
    PutS(AddLine(out, 9, kStatusCol, 16, 9), " ~ :screen dump ");
}

void StatOrth(int32_t level) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.333, 1.333, -1.0, 1.0, 1.0, -1.0);
    if (level < 1) return;

    glDisable(GL_LIGHTING);
    PanelLines lines;
    ComposeStatus(level, iPanelErr, lines);
    for (int32_t k = 0; k < lines.nLines; ++k) {
        PanelLine& line = lines.line[static_cast<std::size_t>(k)];
        PrntOrth(line.n, line.buf.c, line.iLine, line.iCol, line.iClr, 0, 1);
    }
    CheckGL(369, iPanelErr);
}
