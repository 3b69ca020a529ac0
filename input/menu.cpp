#include "input/menu.h"

#include <GL/glut.h>

#include "app/stop.h"
#include "app/view_state.h"

namespace {
constexpr int kValueQuit = 7;
constexpr int kValueMin = 1;
constexpr int kValueMax = 21;
}  // namespace

// The leading "F1".."F9" names the function key with the same effect.
const MenuEntry MenuEntries[10] = {
    {"F1 Rotate-Apollo ", 11},
    {"F2       -auto   ", 12},
    {"F3       -mouse  ", 13},
    {"F4 Toggle-credit ", 14},
    {"F5       -grid   ", 15},
    {"F6       -image  ", 16},
    {"F7       -labels ", 17},
    {"F8       -places ", 18},
    {"F9 Persp/L:R/R:L ", 19},
    {"       ***Quit***", kValueQuit},
};

std::string MenuShownLabel(const char* cLabel) {
    std::string s(cLabel);
    const auto last = s.find_last_not_of(' ');
    s.erase(last == std::string::npos ? 0 : last + 1);
    return s;
}

void MenuHandler(int iValue) {
    if (iValue >= kValueMin && iValue <= kValueMax) ViewState.MenuNew = iValue;
    if (iValue == kValueQuit) StopRun("End of run (menu).");
    // No redisplay: the next frame applies the code.
}

void MenuCreate() {
    glutCreateMenu(MenuHandler);
    for (const MenuEntry& e : MenuEntries) {
        glutAddMenuEntry(MenuShownLabel(e.cLabel).c_str(), e.iValue);
    }
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
