// The start-up steps shared by the viewer's entry routine and the benchmark.
#pragma once

// Screen size and identification field of ViewState.
void SetIdentity();

// GLUT with a one-entry argument list, the double-buffered, depth-buffered
// 1024 x 768 window at (0, 0) with its fixed title, depth test on.
void OpenWindow(const char* cProgram);

// After the callbacks are registered: pop-up menu, texture object and quadric,
// full screen, and a first swap.
void FinishSetup();
