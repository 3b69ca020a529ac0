// The desktop calls on Windows. freeglut registers its window class with the
// icon resource named GLUT_ICON, which the build links into qarn.exe from
// packaging/icons, and the taskbar groups windows by their program, so the
// window needs nothing more to be matched to qarn.
#include "app/desktop.h"

void SetWindowClass() {}

// The window system is part of Windows itself: there is no connection to a
// display server that could be lost while the program runs.
void WatchDisplay() {}

// Windows sends WM_MOUSEMOVE by itself when a window appears under the
// pointer, and freeglut hands it on as a passive motion.
void SeedPointer() {}
