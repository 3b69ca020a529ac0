// The desktop calls that speak X11 itself rather than through GLUT.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "app/desktop.h"

void SetWindowClass() {
    // freeglut draws into the X window itself, so the current drawable is it.
    Display* pDisplay = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (pDisplay == nullptr || window == 0) return;
    char cName[] = "qarn";
    char cClass[] = "Qarn";
    XClassHint hint{cName, cClass};
    XSetClassHint(pDisplay, window, &hint);
    XFlush(pDisplay);
}
