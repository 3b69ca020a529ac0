// The desktop calls on Windows. freeglut registers its window class with the
// icon resource named GLUT_ICON, which the build links into qarn.exe from
// packaging/icons, and the taskbar groups windows by their program, so the
// window needs nothing more to be matched to qarn.
#include "app/desktop.h"

void SetWindowClass() {}
