// Orthographic text on the character grid: PrntOrth.
#pragma once

#include <cstdint>

#include "overlay/text_grid.h"

// Prints nChar characters of cText at (iLine, iCol) of the iWidth/8 by
// iHeight/13 grid in the 8-by-13 bitmap font, placed on the window as the
// line's block is anchored (overlay/anchor.h); moves the cursor on.
void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont);

// Reads the 8-by-13 font back from the frame buffer once for glyph scale k
// (nothing at k = 1). Draws into the back buffer: call before the frame's clear.
void PrepareGlyphs(int32_t k);

// Prints each composed line with PrntOrth, in order, on a black background.
void PrintLines(const PanelLines& lines);
