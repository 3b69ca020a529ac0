// Mouse and pointer-motion handlers: the pointer position stored in ViewState.
#include "input/mouse.h"

#include <GL/freeglut.h>

#include "base/view_state.h"

void PointerStore(int x, int y) {
    ViewState.iMouseX = x;
    ViewState.iMouseY = y;
}

void DragStore(int x, int y) {
    // Ends Apollo and auto mode at once; a function key still pending in
    // ArrowKey overrides this in the next command step.
    ViewState.MenuNew = kModeMouse;
    PointerStore(x, y);
}

// Presses and releases mean nothing; a drag is seen by the motion handler.
void MouseHandler(int /*button*/, int /*state*/, int /*x*/, int /*y*/) {}

void MotionHandler(int x, int y) {
    DragStore(x, y);
    glutPostRedisplay();
}

void PassiveMotionHandler(int x, int y) {
    PointerStore(x, y);
    glutPostRedisplay();
}
