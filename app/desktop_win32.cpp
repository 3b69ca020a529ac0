// The desktop calls on Windows. freeglut registers its window class with the
// icon resource named GLUT_ICON, which the build links into qarn.exe from
// packaging/icons, and the taskbar groups windows by their program, so the
// window needs nothing more to be matched to qarn.
#include <windows.h>
// After windows.h, which it needs.
#include <delayimp.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/desktop.h"
#include "base/stop.h"
#include "image/win32_file.h"
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

// dlltool names the descriptor of each delay-import library after the
// library's file (cmake/windows/Windows.cmake), and GNU ld leaves the PE
// header's delay-import directory empty, so the tables are found by these
// names. OPENGL32 first: GLU32 imports it.
extern "C" IMAGE_DOS_HEADER __ImageBase;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libwinmm_delay_a;

namespace {

constexpr const ImgDelayDescr* kSystemDlls[] = {&__DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a,
                                                &__DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a,
                                                &__DELAY_IMPORT_DESCRIPTOR_libwinmm_delay_a};

// Fills the import address table of one delay-loaded DLL from the module
// loaded for it, entry by entry, and records the module as the DLL's, so
// that no call ever goes through the delay-load stub: binutils' x86-64 stub
// does not keep the floating-point argument registers (XMM0 to XMM3) across
// its call of the helper, which garbles the first glColor3f, glRotated and
// the like. Hands back the name of a function the module lacks, or nullptr.
// The tables name every function (the .def files have no numbers).
const char* BindImports(const ImgDelayDescr& descr, HMODULE hDll) {
    char* pBase = reinterpret_cast<char*>(&__ImageBase);
    *reinterpret_cast<HMODULE*>(pBase + descr.rvaHmod) = hDll;
    auto* pIat = reinterpret_cast<FARPROC*>(pBase + descr.rvaIAT);
    const auto* pInt = reinterpret_cast<const IMAGE_THUNK_DATA*>(pBase + descr.rvaINT);
    for (; pInt->u1.AddressOfData != 0; ++pInt, ++pIat) {
        if (IMAGE_SNAP_BY_ORDINAL(pInt->u1.Ordinal)) return "a function named by number";
        const auto* pName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(pBase + pInt->u1.AddressOfData);
        const FARPROC pProc = GetProcAddress(hDll, pName->Name);
        if (pProc == nullptr) return pName->Name;
        *pIat = pProc;
    }
    return nullptr;
}

}  // namespace

void LoadSystemLibraries() {
    char cLine[512];
    wchar_t cDir[MAX_PATH];
    const UINT nDir = GetSystemDirectoryW(cDir, MAX_PATH);
    if (nDir == 0 || nDir >= MAX_PATH) {
        std::snprintf(cLine, sizeof cLine, "Qarn: the system folder is unknown: %s.",
                      ErrorText(GetLastError()).c_str());
        StopFatal(cLine);
    }
    const char* pBase = reinterpret_cast<const char*>(&__ImageBase);
    for (const ImgDelayDescr* pDescr : kSystemDlls) {
        const char* cName = pBase + pDescr->rvaDLLName;
        const std::wstring sPath = std::wstring(cDir, nDir) + L'\\' + WideName(cName);
        // Only the system folder for the DLL's own imports too; Windows 7
        // without its 2011 loader update refuses the flag, and then the
        // older one has them looked for in the DLL's folder first.
        HMODULE hDll = LoadLibraryExW(sPath.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (hDll == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
            hDll = LoadLibraryExW(sPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (hDll == nullptr) {
            std::snprintf(cLine, sizeof cLine, "Qarn: %s cannot be loaded from the system folder: %s.",
                          cName, ErrorText(GetLastError()).c_str());
            StopFatal(cLine);
        }
        if (const char* cMissing = BindImports(*pDescr, hDll)) {
            std::snprintf(cLine, sizeof cLine, "Qarn: the system folder's %s lacks %s.", cName, cMissing);
            StopFatal(cLine);
        }
    }
}

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
