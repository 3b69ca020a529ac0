// Keyboard and special-key handlers: they store the key for the next frame;
// only quitting and the screen dump act at once.
#pragma once

#include <cstdint>

// GLUT special-key codes of the keys the viewer knows: F1..F12, then the
// left, up, right and down arrows, page up and down, home, end and insert.
constexpr int32_t kKeyF1 = 1;
constexpr int32_t kKeyF9 = 9;
constexpr int32_t kKeyF12 = 12;
constexpr int32_t kKeyLeft = 100;
constexpr int32_t kKeyUp = 101;
constexpr int32_t kKeyDown = 103;
constexpr int32_t kKeyInsert = 108;

void KeyboardHandler(unsigned char key, int x, int y);
void SpecialHandler(int key, int x, int y);

// The code a special key leaves in ArrowKey: F10..F12 and anything else from
// 10 to 99 become 0.
int32_t SpecialKeyCode(int key);

// True for the keys the viewer knows (F1..F12, codes 100..108); any other
// code, such as a modifier key, is ignored altogether.
bool SpecialKeyActs(int key);

// What SpecialHandler does to the view state, without the redisplay request;
// false, with nothing stored, for a key that does not act.
bool SpecialKeyStore(int key);
