// The frame renderer, the idle callback that drives it, and the window's
// status and close handlers that pause and end it.
#pragma once

void Userview();

// GLUT idle callback: draws one frame.
void UserIdle();

// glutWindowStatusFunc: hidden, iconified or fully covered, the idle loop
// stops and no frame is drawn (frame counter, auto turning and the timed
// disclaimer lines stand still); shown again, a frame is drawn at once.
void WindowStatusHandler(int iStatus);

// glutCloseFunc: the window manager closed the window; ends the run with
// "End of run (window closed)." and status 0.
void WindowCloseHandler();
