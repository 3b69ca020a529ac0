// The window's life on a desktop: its class for docks and task switchers,
// the pointer's shape while auto mode moves it, no frames while the window
// cannot be seen, and the end of the run when the window is closed.
#pragma once

#include <cstdint>

// WM_CLASS "qarn", "Qarn" on the current GLUT window, so a desktop matches it
// to qarn.desktop (StartupWMClass=Qarn).
void SetWindowClass();

// Hides the pointer while bHidden (auto mode warps it every frame: Xwayland
// honours warps only of a hidden pointer), the normal one otherwise. Calls
// GLUT only on a change.
void ShowPointer(bool bHidden);

// Whether a window status GLUT reports leaves the window to be seen.
bool WindowSeen(int iStatus);

// glutWindowStatusFunc: hidden, iconified or fully covered, the idle loop
// stops and no frame is drawn (frame counter, auto turning and the timed
// disclaimer lines stand still); shown again, a frame is drawn at once.
void WindowStatusHandler(int iStatus);

// glutCloseFunc: the window manager closed the window; ends the run with
// "End of run (window closed)." and status 0.
void WindowCloseHandler();
