// Input handlers: what each one leaves in the view state. The GLUT calls sit
// at the edge of the handlers, so the stores are exercised directly.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "base/view_state.h"
#include "input/keyboard.h"
#include "input/menu.h"
#include "input/mouse.h"
#include "tests/unit/helpers.h"

namespace {

using Handlers = FreshViewState;

using HandlersDeathTest = Handlers;

TEST_F(Handlers, SpecialKeyCodes) {
    for (int key = 1; key <= 9; ++key) EXPECT_EQ(SpecialKeyCode(key), key);
    for (int key = 10; key <= 99; ++key) EXPECT_EQ(SpecialKeyCode(key), 0) << key;
    for (int key = 100; key <= 108; ++key) EXPECT_EQ(SpecialKeyCode(key), key);
    EXPECT_EQ(SpecialKeyCode(0), 0);
}

TEST_F(Handlers, OnlyTheKnownSpecialKeysAct) {
    // F1..F12 and 100..108 act; modifiers (112..119), Num Lock (109), keypad
    // Begin and Delete (110, 111) and any other code leave ArrowKey alone.
    for (int key = 0; key <= 255; ++key) {
        const bool bKnown = (key >= 1 && key <= 12) || (key >= 100 && key <= 108);
        EXPECT_EQ(SpecialKeyActs(key), bKnown) << key;
        ViewState.ArrowKey = 101;  // an up arrow still pending
        EXPECT_EQ(SpecialKeyStore(key), bKnown) << key;
        EXPECT_EQ(ViewState.ArrowKey, bKnown ? SpecialKeyCode(key) : 101) << key;
    }
    for (int key : {-1, -112, 256, 1000}) {
        ViewState.ArrowKey = 103;
        EXPECT_FALSE(SpecialKeyStore(key));
        EXPECT_EQ(ViewState.ArrowKey, 103);
    }
}

TEST_F(Handlers, SpecialKeyReplacesThePendingCode) {
    SpecialKeyStore(100);
    EXPECT_EQ(ViewState.ArrowKey, 100);
    SpecialKeyStore(101);
    EXPECT_EQ(ViewState.ArrowKey, 101);
    SpecialKeyStore(11);  // F11 drops what was pending
    EXPECT_EQ(ViewState.ArrowKey, 0);
    SpecialKeyStore(3);
    EXPECT_EQ(ViewState.MenuNew, 0);  // becomes a command only in the next frame
    EXPECT_EQ(ViewState.KeyChar, 0);
}

TEST_F(Handlers, OrdinaryKeysAreStoredAsBytes) {
    const unsigned char keys[] = {'a', 'A', 27, 13, 'x', 0, 200, 255};
    for (unsigned char k : keys) {
        KeyboardHandler(k, 5, 7);
        EXPECT_EQ(ViewState.KeyChar, int32_t(k));
    }
    EXPECT_EQ(ViewState.ArrowKey, 0);
    EXPECT_EQ(ViewState.MenuNew, 0);
    EXPECT_EQ(ViewState.iMouseX, 0);  // the handler's pointer position is not used
}

// The stop writes its line on stdout; the death test reads stderr, so the
// child sends stdout there first.
TEST_F(HandlersDeathTest, QuitKeysEndTheRunWithStatusZero) {
    EXPECT_EXIT((dup2(2, 1), KeyboardHandler('q', 0, 0)), ::testing::ExitedWithCode(0),
                "End of run \\(keyboard\\)\\.");
    EXPECT_EXIT((dup2(2, 1), KeyboardHandler('Q', 0, 0)), ::testing::ExitedWithCode(0),
                "End of run \\(keyboard\\)\\.");
}

TEST_F(HandlersDeathTest, MenuQuitEndsTheRunWithStatusZero) {
    EXPECT_EXIT((dup2(2, 1), MenuHandler(7)), ::testing::ExitedWithCode(0),
                "End of run \\(menu\\)\\.");
}

TEST_F(Handlers, MenuHandlerStoresOnlyOneToTwentyOne) {
    ViewState.MenuNew = 13;
    for (int v : {0, 22, -1, 100, -13}) {
        MenuHandler(v);
        EXPECT_EQ(ViewState.MenuNew, 13) << v;
    }
    for (int v : {1, 11, 12, 19, 21}) {
        MenuHandler(v);
        EXPECT_EQ(ViewState.MenuNew, v);
    }
}

TEST_F(Handlers, MenuEntries) {
    const char* shown[] = {"F1 Rotate-Apollo", "F2       -auto",   "F3       -mouse",
                           "F4 Toggle-credit", "F5       -grid",   "F6       -image",
                           "F7       -labels", "F8       -places", "F9 Persp/L:R/R:L",
                           "       ***Quit***"};
    const int values[] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 7};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(std::strlen(MenuEntries[k].cLabel), 17u) << k;
        EXPECT_EQ(MenuShownLabel(MenuEntries[k].cLabel), shown[k]);
        EXPECT_EQ(MenuEntries[k].iValue, values[k]);
    }
    EXPECT_EQ(MenuShownLabel("   "), "");
    EXPECT_EQ(MenuShownLabel("  x  "), "  x");
}

TEST_F(Handlers, MouseButtonsChangeNothing) {
    ViewState.MenuNew = 12;
    const ViewStateRecord before = ViewState;
    for (int button : {0, 1, 2}) {
        for (int state : {0, 1}) MouseHandler(button, state, 300, 200);
    }
    EXPECT_EQ(std::memcmp(&before, &ViewState, sizeof ViewState), 0);
}

TEST_F(Handlers, PointerReportsAndDrags) {
    ViewState.MenuNew = 11;
    PointerStore(640, 480);
    EXPECT_EQ(ViewState.iMouseX, 640);
    EXPECT_EQ(ViewState.iMouseY, 480);
    EXPECT_EQ(ViewState.MenuNew, 11);  // a move without a button keeps the mode
    DragStore(10, 20);
    EXPECT_EQ(ViewState.iMouseX, 10);
    EXPECT_EQ(ViewState.iMouseY, 20);
    EXPECT_EQ(ViewState.MenuNew, 13);
}

}  // namespace
