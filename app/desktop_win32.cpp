// The desktop calls on Windows. freeglut registers its window class with the
// icon resource named GLUT_ICON, which the build links into qarn.exe from
// packaging/icons, and the taskbar groups windows by their program, so the
// window needs nothing more to be matched to qarn.
#include <windows.h>

#include <cstdlib>

#include "app/desktop.h"
#include "input/mouse.h"

namespace {

// The window GLUT draws into: the one of the current GL context.
HWND ViewerWindow() {
    const HDC hDc = wglGetCurrentDC();
    return hDc != nullptr ? WindowFromDC(hDc) : nullptr;
}

// GetDpiForWindow came with Windows 10 1607; asked for by name, so that
// qarn.exe still starts on older systems.
using DpiForWindowFn = UINT(WINAPI*)(HWND);

DpiForWindowFn DpiForWindow() {
    const HMODULE hUser = GetModuleHandleA("user32.dll");
    if (hUser == nullptr) return nullptr;
    const FARPROC pProc = GetProcAddress(hUser, "GetDpiForWindow");
    return reinterpret_cast<DpiForWindowFn>(reinterpret_cast<void (*)()>(pProc));
}

}  // namespace

void PrepareGlut() { _putenv("DISPLAY="); }

void UnminimiseWindow() {
    const HWND hWnd = ViewerWindow();
    if (hWnd != nullptr && (IsIconic(hWnd) || IsZoomed(hWnd))) ShowWindow(hWnd, SW_SHOWNORMAL);
}

// Declared DPI aware by its manifest, the process sees the monitor's own
// DPI: per monitor from Windows 10 1607 on, the system's before (the
// screen's LOGPIXELSY).
int32_t WindowDpi() {
    static const DpiForWindowFn pDpiForWindow = DpiForWindow();
    const HWND hWnd = ViewerWindow();
    if (pDpiForWindow != nullptr && hWnd != nullptr) {
        const UINT iDpi = pDpiForWindow(hWnd);
        if (iDpi != 0) return static_cast<int32_t>(iDpi);
    }
    const HDC hScreen = GetDC(nullptr);
    if (hScreen == nullptr) return 0;
    const int iDpi = GetDeviceCaps(hScreen, LOGPIXELSY);
    ReleaseDC(nullptr, hScreen);
    return iDpi > 0 ? iDpi : 0;
}

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
    const HWND hWnd = ViewerWindow();
    if (hWnd == nullptr || !IsWindowVisible(hWnd)) return;
    POINT pt{};
    RECT rc{};
    if (!GetCursorPos(&pt) || !ScreenToClient(hWnd, &pt) || !GetClientRect(hWnd, &rc)) return;
    if (pt.x < rc.left || pt.y < rc.top || pt.x >= rc.right || pt.y >= rc.bottom) return;
    PassiveMotionHandler(static_cast<int>(pt.x), static_cast<int>(pt.y));
}
