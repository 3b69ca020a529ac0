#include "input/keyboard.h"

#include <GL/glut.h>

#include "app/stop.h"
#include "app/view_state.h"
#include "image/screen_dump.h"

namespace {
constexpr int32_t kDumpUnit = 20;
}

void KeyboardHandler(unsigned char key, int /*x*/, int /*y*/) {
    // Stored first, so even a quit key is recorded before the end.
    ViewState.KeyChar = key;
    if (ViewState.KeyChar == 'Q' || ViewState.KeyChar == 'q') {
        StopRun("End of run (keyboard).");
    } else if (ViewState.KeyChar == '~') {
        ScrnDmp(kDumpUnit);
    }
    // No redisplay: the idle loop draws the next frame anyway.
}

int32_t SpecialKeyCode(int key) {
    if (key > 9 && key < 100) return 0;
    return key;
}

void SpecialKeyStore(int key) { ViewState.ArrowKey = SpecialKeyCode(key); }

void SpecialHandler(int key, int /*x*/, int /*y*/) {
    SpecialKeyStore(key);
    glutPostRedisplay();
}
