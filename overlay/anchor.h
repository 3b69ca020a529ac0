// Where the text panel goes on a window of any size, and the glyph scale.
//
// The panel is laid out on the 1024 x 768 frame's grid of 128 x 59 cells.
// On another window every block keeps its shape in cells of the font's own
// size (8k x 13k pixels) and its distance, times k, from the window edges it
// is anchored to, so lines that end together on the frame end together on
// any window. Pure arithmetic, no GL; positions in window pixels with the
// origin at the bottom left, as the raster position takes them.
#pragma once

#include <cstdint>

// Glyph scale: whole multiples of the 8 x 13 font, 1 up to 2047 x 1535.
// Given the dots per inch the desktop scales its own text to (iDpi, 96 at
// 100 %), no larger than that scale rounded (1 up to 143, 2 up to 239, ...),
// so the panel's text is about as large as the desktop's; the window's size
// stays the upper bound, as the panel must fit. iDpi 0: the size alone.
int32_t GlyphScale(int32_t iWinW, int32_t iWinH, int32_t iDpi = 0);

// Raster position of a line's first character: its left edge and the base
// line of the font, in window pixels from the bottom-left corner.
struct TextPos {
    int32_t iX;
    int32_t iY;
};

// The blocks of the panel: which corner or edge of the window a line keeps
// its distance from. Each row of the panel tables names its block.
enum class TextBlock : int32_t {
    kCredits,     // top left
    kStatus,      // top right: status lines, legend, read-outs
    kCrossHair,   // right edge, beside the window's centre row
    kCaption,     // under the stereo images, following them
    kDisclaimer,  // bottom left
    kMission,     // bottom right
};

// Where (iLine, iCol) of the grid falls on the 1024 x 768 frame: the pixel the
// font's raster position lands on there.
TextPos FramePos(int32_t iLine, int32_t iCol);

// How much smaller than the fitted 1024 x 768 frame the stereo pair is drawn
// on a window of iWinW x iWinH at glyph scale k: exactly 1 on windows of 4:3
// or wider. On a narrower window the frame fills the width, which would bring
// the right image under the read-outs at the right edge; the pair is then
// drawn no larger than takes the frame's column of the read-outs to where
// they begin in the window, so what clears them on the frame clears them here.
double PairShrink(int32_t iWinW, int32_t iWinH, int32_t k);

// Where a print of block eBlock starting at (iLine, iCol) goes on a window of
// iWinW x iWinH pixels at glyph scale k. On the 1024 x 768 window at k = 1 it
// is FramePos, whatever the block.
TextPos AnchorPos(int32_t iWinW, int32_t iWinH, int32_t k, TextBlock eBlock, int32_t iLine, int32_t iCol);
