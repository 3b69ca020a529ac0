#include "app/desktop.h"

#include <GL/freeglut.h>

#include "base/view_state.h"

void ShowPointer(bool bHidden) {
    const int32_t iOff = bHidden ? 1 : 0;
    if (ViewState.iCursorOff == iOff) return;
    ViewState.iCursorOff = iOff;
    glutSetCursor(bHidden ? GLUT_CURSOR_NONE : GLUT_CURSOR_INHERIT);
}

bool WindowSeen(int iStatus) { return iStatus != GLUT_HIDDEN && iStatus != GLUT_FULLY_COVERED; }
