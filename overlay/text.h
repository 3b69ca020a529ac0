// Orthographic text on the character grid: PrntOrth.
#pragma once

#include <cstdint>

#include "overlay/text_grid.h"

// Prints nChar characters of cText at (iLine, iCol) of the iWidth/8 by
// iHeight/13 grid in the 8-by-13 bitmap font; moves the cursor on.
void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont);

// Prints each composed line with PrntOrth, in order, on a black background.
void PrintLines(const PanelLines& lines);
