#include "app/desktop.h"

#include <GL/freeglut.h>

#include "app/clock.h"
#include "app/stop.h"
#include "app/userview.h"
#include "app/view_state.h"

void ShowPointer(bool bHidden) {
    const int32_t iOff = bHidden ? 1 : 0;
    if (ViewState.iCursorOff == iOff) return;
    ViewState.iCursorOff = iOff;
    glutSetCursor(bHidden ? GLUT_CURSOR_NONE : GLUT_CURSOR_INHERIT);
}

bool WindowSeen(int iStatus) { return iStatus != GLUT_HIDDEN && iStatus != GLUT_FULLY_COVERED; }

void WindowStatusHandler(int iStatus) {
    ViewStateRecord& vs = ViewState;
    const int32_t iHidden = WindowSeen(iStatus) ? 0 : 1;
    // Also at the window's first showing, which changes no state here.
    if (iHidden == 0) SeedPointer();
    if (vs.iHidden == iHidden) return;
    vs.iHidden = iHidden;
    if (iHidden != 0) {
        glutIdleFunc(nullptr);
        return;
    }
    // The benchmark interval restarts: the hidden time was no frame time.
    vs.rBench0 = SecondsSince(0.0f);
    vs.nBench = 0;
    glutIdleFunc(UserIdle);
    glutPostRedisplay();
}

void WindowCloseHandler() {
    // GLUT also calls this when it tears the window down at any exit (a
    // stop's, or a library's: TreatExitsAsStops); that exit's line and
    // status stand.
    if (StopStarted()) return;
    StopRun("End of run (window closed).");
}
