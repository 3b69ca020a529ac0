// The globe's RGB texture: gray near side, cyan far side.
#pragma once

#include <cstdint>

#include "image/bmp.h"

extern uint8_t bTex[3 * kMapPixels];  // red green blue per texel, bottom row first

// bGray -> bTex, red cleared in the outer quarters. No GL context needed.
void TexBuild();

// Texture object, parameters, upload and the quadric. Needs a GL context.
void TexSetup();
