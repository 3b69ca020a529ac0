// The desktop calls that speak X11 itself rather than through GLUT: the
// window's class, the pointer where the window appears, and the end of the
// run when the connection to the display breaks.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

#include "app/desktop.h"
#include "app/stop.h"
#include "input/mouse.h"

namespace {

// Xlib calls this once the connection is gone; it must not return (Xlib
// would exit then). Its own handler calls exit(1), whose exit-time teardown
// in freeglut would report the lost window as a close by the window manager.
int DisplayLostHandler(Display* pDisplay) {
    char cLine[160];
    const char* cName = pDisplay != nullptr ? DisplayString(pDisplay) : nullptr;
    std::snprintf(cLine, sizeof cLine, "Qarn: connection to display %s lost. Execution stopped.",
                  cName != nullptr && cName[0] != '\0' ? cName : "(unnamed)");
    StopAbrupt(cLine);
}

}  // namespace

void WatchDisplay() { XSetIOErrorHandler(DisplayLostHandler); }

// The dynamic linker takes libGL and the rest from the system's own folders.
void LoadSystemLibraries() {}

// GLUT's DISPLAY is the connection itself; the window is shown as created.
void PrepareGlut() {}

void UnminimiseWindow() {}

int32_t WindowDpi() { return 0; }

void SetWindowClass() {
    // freeglut draws into the X window itself, so the current drawable is it.
    Display* pDisplay = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (pDisplay == nullptr || window == 0) return;
    char cName[] = "qarn";
    char cClass[] = "Qarn";
    XClassHint hint{cName, cClass};
    // freeglut maps the window as it creates it, and a window manager reads
    // the class when it takes a window on at its mapping and may not read it
    // again. So the window is withdrawn, given its class and mapped again:
    // the manager sees the class with the mapping that counts.
    XWithdrawWindow(pDisplay, window, DefaultScreen(pDisplay));
    XSetClassHint(pDisplay, window, &hint);
    XMapWindow(pDisplay, window);
    XFlush(pDisplay);
}

void SeedPointer() {
    Display* pDisplay = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (pDisplay == nullptr || window == 0) return;
    XWindowAttributes attr{};
    if (XGetWindowAttributes(pDisplay, window, &attr) == 0 || attr.map_state != IsViewable) return;
    Window root = 0;
    Window child = 0;
    int iRootX = 0;
    int iRootY = 0;
    int iX = 0;
    int iY = 0;
    unsigned int iMask = 0;
    // False: the pointer is on another screen.
    if (!XQueryPointer(pDisplay, window, &root, &child, &iRootX, &iRootY, &iX, &iY, &iMask)) return;
    if (iX < 0 || iY < 0 || iX >= attr.width || iY >= attr.height) return;
    PassiveMotionHandler(iX, iY);
}
