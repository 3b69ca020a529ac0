// The frame renderer and the idle callback that drives it.
#pragma once

void Userview();

// GLUT idle callback: draws one frame.
void UserIdle();
