// The window's life on a desktop: its class for docks and task switchers,
// the pointer's shape while auto mode moves it, whether a window status
// leaves it seen, and the end of the run when the display is lost or fails
// it. The functions above the line are the window system's own
// (desktop_x11.cpp, desktop_win32.cpp); those below go through GLUT alone
// (desktop.cpp). The status and close handlers that pause and end the
// frames are the frame loop's (userview.h).
#pragma once

#include <cstdint>

// First thing in main, before any GL, GLU or GLUT call. Windows:
// OPENGL32.dll, GLU32.dll and WINMM.dll, which the link delay-loads, are
// loaded from the system folder by their full paths (and their own imports
// from there too), so that a file of one of those names beside qarn.exe or
// in the working folder, which Windows would search first, is never
// loaded: a later load by name (GDI's of OPENGL32.dll) finds the module
// already loaded. A library that cannot be loaded stops the run. X11:
// nothing.
void LoadSystemLibraries();

// Before glutInit: clears what GLUT would take from the process's
// environment on this platform, as the program takes no settings. Windows:
// freeglut reads DISPLAY, an X11 setting (always set under Wine, and on
// machines set up for WSL or an X server), as the name of a display device
// and warns on every start that there is none. X11: nothing.
void PrepareGlut();

// Right after the window is created: the window stands shown, neither
// minimised nor maximised, for full screen to take it on. Windows: a
// shortcut set to start minimised hands its show mode to the process's
// first ShowWindow, which is freeglut's for this window. X11: nothing.
void UnminimiseWindow();

// The dots per inch of the monitor the current window is on, as the desktop
// scales its own text (96 at 100 %), or 0 where the window system does not
// say (X11: the glyph scale then goes by the window's size alone).
int32_t WindowDpi();

// WM_CLASS "qarn", "Qarn" on the current GLUT window, so a desktop matches it
// to qarn.desktop (StartupWMClass=Qarn). Called right after the window is
// created: the class is in place when the window manager takes the window on.
void SetWindowClass();

// From now on a lost connection to the display ends the run with one line,
// "Qarn: connection to display :0 lost. Execution stopped.", and status 1;
// so does a request the window system refuses: the window destroyed by
// another client, "Qarn: window on display :0 destroyed by another client.
// Execution stopped.", or any other X error, named in the line. Call while
// the new window is current.
void WatchDisplay();

// When the current window is shown and the pointer is over it, its position
// enters the view state as one passive-motion report would (the window
// system reports none until the pointer moves). Nothing otherwise.
void SeedPointer();

// ------------------------------------------------------------------------

// Hides the pointer while bHidden (auto mode warps it every frame: Xwayland
// honours warps only of a hidden pointer), the normal one otherwise. Calls
// GLUT only on a change.
void ShowPointer(bool bHidden);

// Whether a window status GLUT reports leaves the window to be seen.
bool WindowSeen(int iStatus);
