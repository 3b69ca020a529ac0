// The surface image as the viewer holds it, and BmpRead, which loads it at
// start or stops the program. The codec itself is in image/bmp_codec.h.
#pragma once

#include <cstdint>

#include "image/bmp_codec.h"

constexpr int kMapUnit = 14;      // file unit named in I/O messages
constexpr const char* kMapFile = "Qarns.Bmp";

extern BmpHeader BH;                       // surface image header
extern uint8_t bPal[kBmpPaletteBytes];     // its palette, blue green red reserved
extern uint8_t bGray[kMapPixels];          // gray level per pixel, bottom row first

// Reads "Qarns.Bmp" into BH, bPal and bGray (BmpLoad), or stops the program:
// at once, without blocking, when the name is not a regular file.
void BmpRead();
