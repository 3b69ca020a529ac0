// The pop-up menu on the right mouse button and its handler.
#include "input/menu.h"

#include <GL/freeglut.h>

#include "base/stop.h"
#include "base/view_state.h"

namespace {
constexpr int kValueMin = 1;
constexpr int kValueMax = 21;
}  // namespace

// The leading "F1".."F9" names the function key with the same effect.
const MenuEntry MenuEntries[10] = {
    {"F1 Rotate-Apollo ", kModeApollo},
    {"F2       -auto   ", kModeAuto},
    {"F3       -mouse  ", kModeMouse},
    {"F4 Toggle-credit ", kToggleCredits},
    {"F5       -grid   ", kToggleGrid},
    {"F6       -image  ", kToggleImage},
    {"F7       -labels ", kToggleLabels},
    {"F8       -places ", kTogglePlaces},
    {"F9 Persp/L:R/R:L ", kStepViewMode},
    {"       ***Quit***", kCmdQuit},
};

std::string MenuShownLabel(const char* cLabel) {
    std::string s(cLabel);
    const auto last = s.find_last_not_of(' ');
    s.erase(last == std::string::npos ? 0 : last + 1);
    return s;
}

void MenuHandler(int iValue) {
    if (iValue >= kValueMin && iValue <= kValueMax) ViewState.MenuNew = iValue;
    if (iValue == kCmdQuit) StopRun("End of run (menu).");
    // No redisplay: the next frame applies the code.
}

void MenuCreate() {
    glutCreateMenu(MenuHandler);
    for (const MenuEntry& e : MenuEntries) {
        glutAddMenuEntry(MenuShownLabel(e.cLabel).c_str(), e.iValue);
    }
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
