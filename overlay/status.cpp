#include <GL/gl.h>

#include <cstddef>

#include "app/check_gl.h"
#include "app/view_state.h"
#include "overlay/text.h"
#include "overlay/text_grid.h"

int32_t iPanelErr = 0;

static constexpr int32_t kStatusCol = 105;

static PanelLine& NextLine(PanelLines& out, int32_t iLine, int32_t n, int32_t iClr) {
    PanelLine& line = out.line[static_cast<std::size_t>(out.nLines++)];
    line.iLine = iLine;
    line.iCol = kStatusCol;
    line.n = n;
    line.iClr = iClr;
    LineStart(line.buf);
    return line;
}

void ComposeStatus(int32_t level, int32_t iErr, PanelLines& out) {
    out.nLines = 0;
    if (level < 1) return;
    PutA(NextLine(out, 1, 20, 15).buf, ViewState.cVersion, 20);
    if (level < 2) return;

    LineBuf& cXY = NextLine(out, 2, 13, 8).buf;
    PutS(cXY, "x=");
    PutI(cXY, ViewState.iMouseX, 4);
    PutS(cXY, " y=");
    PutI(cXY, ViewState.iMouseY, 4);
    if (level < 3) return;

    LineBuf& cMenu = NextLine(out, 3, 13, 8).buf;
    PutS(cMenu, "MenuNew=  ");
    PutI(cMenu, ViewState.MenuNew, 3);

    LineBuf& cKey = NextLine(out, 4, 15, 8).buf;
    PutS(cKey, "KeyChar=  ");
    PutI(cKey, ViewState.KeyChar, 3);
    PutS(cKey, " ");
    PutChar(cKey, ViewState.KeyChar);

    LineBuf& cArrow = NextLine(out, 5, 13, 8).buf;
    PutS(cArrow, "ArrowKey= ");
    PutI(cArrow, ViewState.ArrowKey, 3);

    LineBuf& cErr = NextLine(out, 6, 19, iErr != 0 ? 12 : 8).buf;
    PutS(cErr, "glGetError=");
    PutZ(cErr, static_cast<uint32_t>(iErr), 8);

    PutS(NextLine(out, 7, 16, 11).buf, "RMB:menu Qq:quit");
    PutS(NextLine(out, 8, 16, 11).buf, "LMB+mouse:motion");
    PutS(NextLine(out, 9, 16, 9).buf, " ~ :screen dump ");
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
