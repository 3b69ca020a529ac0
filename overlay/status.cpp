// StatOrth and the status lines it prints.
#include "overlay/status.h"

#include "app/check_gl.h"
#include "app/view_state.h"
#include "overlay/palette.h"
#include "overlay/text.h"

int32_t iPanelErr = 0;

void ComposeStatus(const ViewStateRecord& vs, int32_t level, int32_t iErr, PanelLines& out) {
    out.nLines = 0;
    if (level < 1) return;
    PutA(AddLine(out, 1, kStatusCol, 20, kClrWhite), vs.cVersion, 20);
    if (level < 2) return;

    LineBuf& cXY = AddLine(out, 2, kStatusCol, 13, kClrDarkGray);
    PutS(cXY, "x=");
    PutI(cXY, vs.iMouseX, 4);
    PutS(cXY, " y=");
    PutI(cXY, vs.iMouseY, 4);
    if (level < 3) return;

    LineBuf& cMenu = AddLine(out, 3, kStatusCol, 13, kClrDarkGray);
    PutS(cMenu, "MenuNew=  ");
    PutI(cMenu, vs.MenuNew, 3);

    LineBuf& cKey = AddLine(out, 4, kStatusCol, 15, kClrDarkGray);
    PutS(cKey, "KeyChar=  ");
    PutI(cKey, vs.KeyChar, 3);
    PutS(cKey, " ");
    PutChar(cKey, vs.KeyChar);

    LineBuf& cArrow = AddLine(out, 5, kStatusCol, 13, kClrDarkGray);
    PutS(cArrow, "ArrowKey= ");
    PutI(cArrow, vs.ArrowKey, 3);

    LineBuf& cErr = AddLine(out, 6, kStatusCol, 19, iErr != 0 ? kClrLightRed : kClrDarkGray);
    PutS(cErr, "glGetError=");
    PutZ(cErr, static_cast<uint32_t>(iErr), 8);

    PutS(AddLine(out, 7, kStatusCol, 16, kClrLightCyan), "RMB:menu Qq:quit");
    PutS(AddLine(out, 8, kStatusCol, 16, kClrLightCyan), "LMB+mouse:motion");
    PutS(AddLine(out, 9, kStatusCol, 16, kClrLightBlue), " ~ :screen dump ");
}

void StatOrth(int32_t level) {
    // The matrices and the lighting come from OverlaySetup (app/frame_gl.h).
    if (level < 1) return;
    PanelLines lines;
    ComposeStatus(ViewState, level, iPanelErr, lines);
    PrintLines(lines);
    CheckGL(kSiteStatOrth, iPanelErr);
}
