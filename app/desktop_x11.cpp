// The desktop calls that speak X11 itself rather than through GLUT: the
// window's class, the pointer where the window appears, and the end of the
// run when the connection to the display breaks.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

#include "app/desktop.h"
#include "base/stop.h"
#include "input/mouse.h"

namespace {

// The window the frames are drawn into, taken as the watch begins: an X
// error on it that says it is no drawable means another client destroyed it.
Window iWatchedWindow = 0;

const char* DisplayName(Display* pDisplay) {
    const char* cName = pDisplay != nullptr ? DisplayString(pDisplay) : nullptr;
    return cName != nullptr && cName[0] != '\0' ? cName : "(unnamed)";
}

// Both handlers end the process at once: freeglut's exit-time teardown would
// use the connection or the window that failed. A stop already under way
// has printed its line; the failure still makes its status 1.
[[noreturn]] void StopOnX(const char* cLine) {
    if (StopStarted()) std::_Exit(1);
    StopAbrupt(cLine);
}

// Xlib calls this once the connection is gone; it must not return (Xlib
// would exit then). Its own handler calls exit(1), whose exit-time teardown
// in freeglut would report the lost window as a close by the window manager.
int DisplayLostHandler(Display* pDisplay) {
    char cLine[160];
    std::snprintf(cLine, sizeof cLine, "Qarn: connection to display %s lost. Execution stopped.",
                  DisplayName(pDisplay));
    StopOnX(cLine);
}

// Xlib calls this for a request the server refused. Its own handler prints
// a block of its own and exits with 1, after which freeglut's teardown
// would report the window as closed. The commonest cause: another client
// destroyed the window (xdotool windowclose), and the next frame's image
// went to a window that no longer exists. No request to the server here.
int RequestFailedHandler(Display* pDisplay, XErrorEvent* pError) {
    char cLine[240];
    const bool bGone = (pError->error_code == BadWindow || pError->error_code == BadDrawable) &&
                       iWatchedWindow != 0 && pError->resourceid == iWatchedWindow;
    if (bGone) {
        std::snprintf(cLine, sizeof cLine,
                      "Qarn: window on display %s destroyed by another client. Execution stopped.",
                      DisplayName(pDisplay));
    } else {
        char cWhat[120] = "";
        XGetErrorText(pDisplay, pError->error_code, cWhat, sizeof cWhat);
        std::snprintf(cLine, sizeof cLine,
                      "Qarn: X error on display %s: %s (request %d.%d). Execution stopped.",
                      DisplayName(pDisplay), cWhat, pError->request_code, pError->minor_code);
    }
    StopOnX(cLine);
}

}  // namespace

void WatchDisplay() {
    // The window GLUT created is current, and freeglut draws into it itself.
    iWatchedWindow = glXGetCurrentDrawable();
    XSetIOErrorHandler(DisplayLostHandler);
    XSetErrorHandler(RequestFailedHandler);
}

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
