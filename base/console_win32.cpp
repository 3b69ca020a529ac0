// The console on Windows. There is no SIGPIPE: a line written to a pipe whose
// reader has gone fails inside WriteFile, so the line is lost and the run and
// the dump it announces go on, as on POSIX. Standard output is switched to
// binary mode so each line ends in a bare LF, byte for byte the Linux
// viewer's lines; the Windows console starts a new line on LF all the same.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "base/console.h"

void PrepareConsole() { _setmode(_fileno(stdout), _O_BINARY); }

namespace {

// Whether the lines go to a console that is the program's alone: Windows
// made it when Explorer or a shortcut started the program, and closes it
// when the program ends. A console shared with cmd or PowerShell lists their
// processes too; with standard output a pipe or a file the line is kept
// there and needs no box.
bool OwnConsole() {
    DWORD iIds[2] = {};
    if (GetConsoleProcessList(iIds, 2) != 1) return false;
    DWORD iMode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &iMode) != 0;
}

// Out of sight and out of reach: the box's modal loop then hands no key or
// click to the viewer (a 'q' or '~' that would act inside the stop).
BOOL CALLBACK HideWindow(HWND hWnd, LPARAM) {
    if (IsWindowVisible(hWnd)) {
        ShowWindow(hWnd, SW_HIDE);
        EnableWindow(hWnd, FALSE);
    }
    return TRUE;
}

}  // namespace

void NoticeStop(const char* cLine) {
    if (!OwnConsole()) return;
    EnumThreadWindows(GetCurrentThreadId(), HideWindow, 0);
    // Keys and clicks already queued for the viewer's windows go too.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    // The line's text is in the ANSI code page, as the system's error texts
    // in it are (FormatMessageA).
    MessageBoxA(nullptr, cLine, "qarn", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

// qarn-mksurface needs GDAL and stays on Linux; the installer leaves a copy of
// the map beside qarn.exe, and the Start-menu entry runs in Pictures\qarn.
const char kMapRemedy[] =
    "make one with qarn-mksurface on Linux, or copy the one installed beside qarn.exe, into the "
    "folder qarn.exe runs in (Pictures\\qarn from the Start menu)";
