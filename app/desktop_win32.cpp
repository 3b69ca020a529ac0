// The desktop calls on Windows. freeglut registers its window class with the
// icon resource named GLUT_ICON, which the build links into qarn.exe from
// packaging/icons, and the taskbar groups windows by their program, so the
// window needs nothing more to be matched to qarn.
#include <windows.h>

#include "app/desktop.h"
#include "input/mouse.h"

void SetWindowClass() {}

// The window system is part of Windows itself: there is no connection to a
// display server that could be lost while the program runs.
void WatchDisplay() {}

// The pointer in client pixels of the window that draws, taken when the
// window has its full-screen size. The mouse move the window system sends
// when a window appears under a resting pointer may be reckoned from where
// the client area was before the window went full screen (Wine: about 20 px
// higher, the caption's height), and it comes once only.
void SeedPointer() {
    const HDC hDc = wglGetCurrentDC();
    const HWND hWnd = hDc != nullptr ? WindowFromDC(hDc) : nullptr;
    if (hWnd == nullptr || !IsWindowVisible(hWnd)) return;
    POINT pt{};
    RECT rc{};
    if (!GetCursorPos(&pt) || !ScreenToClient(hWnd, &pt) || !GetClientRect(hWnd, &rc)) return;
    if (pt.x < rc.left || pt.y < rc.top || pt.x >= rc.right || pt.y >= rc.bottom) return;
    PassiveMotionHandler(static_cast<int>(pt.x), static_cast<int>(pt.y));
}
