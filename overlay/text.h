// Orthographic text on the character grid: PrntOrth.
#pragma once

#include <cstdint>

#include "overlay/panel_rows.h"

// Prints nChar characters of cText at (iLine, iCol) of the iWidth/8 by
// iHeight/13 grid in the 8-by-13 bitmap font, placed on the window as block
// eBlock is anchored (overlay/anchor.h); moves the cursor on. Each run of the
// print's ink is queued for DrawPrints in the next slot of the text texture,
// rasterised only when the slot held other characters or another scale;
// while there is no read-back of the font GLUT draws the glyphs at once.
void PrntOrth(int32_t nChar, const char* cText, int32_t& iLine, int32_t& iCol,
              int32_t iClr, int32_t iBkClr, int32_t iFont, TextBlock eBlock);

// The font's texture for glyph scale k. The first call reads the 256 glyphs
// back once at scale 1 and draws into the back buffer: make it before the
// frame's clear. A new k empties every slot.
void PrepareGlyphs(int32_t k);

// Draws the prints queued since the last call, in print order, as one batch
// of textured quads lighting the pixels their bitmaps would, after uploading
// the slots that changed; sets all the state it draws with first. Once a
// frame, after the last print and before the globe.
void DrawPrints();

// Prints each composed line with PrntOrth, in order. The background colour
// passed is black, which PrntOrth only checks: no cell is filled.
void PrintLines(const PanelLines& lines);
