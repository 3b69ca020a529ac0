// Keyboard and special-key handlers: keys stored in ViewState; quitting and
// the screen dump act at once.
#include "input/keyboard.h"

#include <GL/freeglut.h>

#include "base/stop.h"
#include "base/view_state.h"
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

bool SpecialKeyActs(int key) {
    return (key >= kKeyF1 && key <= kKeyF12) || (key >= kKeyLeft && key <= kKeyInsert);
}

bool SpecialKeyStore(int key) {
    if (!SpecialKeyActs(key)) return false;
    ViewState.ArrowKey = SpecialKeyCode(key);
    return true;
}

// freeglut also reports Shift, Ctrl, Alt, Super, Num Lock and a few keypad
// keys here; they must not replace a pending arrow or function key.
void SpecialHandler(int key, int /*x*/, int /*y*/) {
    if (SpecialKeyStore(key)) glutPostRedisplay();
}
