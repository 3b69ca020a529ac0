// Orthographic text on the character grid: PrntOrth.
#pragma once

#include <cstdint>

#include "overlay/text_grid.h"

// Prints nChar characters of cText at (iLine, iCol) of the iWidth/8 by
// iHeight/13 grid in the 8-by-13 bitmap font, placed on the window as block
// eBlock is anchored (overlay/anchor.h); moves the cursor on.
void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont, TextBlock eBlock);

// The font's display lists for glyph scale k. The first call reads the 256
// glyphs back once at scale 1 and records GLUT's own; a scale above 1 is
// built from the read-back when k changes. The first call draws into the back
// buffer: make it before the frame's clear.
void PrepareGlyphs(int32_t k);

// Prints each composed line with PrntOrth, in order. The background colour
// passed is black, which PrntOrth only makes current: no cell is filled.
void PrintLines(const PanelLines& lines);
