// The character grid of all 2-D text: cell positions in device units and the
// cursor. No GL.
#pragma once

#include <cstdint>

// The window as iWidth/8 columns by iHeight/13 lines in normalised device
// coordinates; column 1 at the left, line 1 at the top.
struct TextGrid {
    int32_t nCols;
    int32_t nLines;
    double dx;  // column pitch, NDC units
    double dy;  // line pitch, NDC units
};

TextGrid GridFor(int32_t iWidth, int32_t iHeight);
double GridX(const TextGrid& grid, int32_t iCol);   // left edge of the column
double GridY(const TextGrid& grid, int32_t iLine);  // base line of the line
constexpr double kTextZ = -0.3;

// Cursor after nChar characters: wraps to the next line past the last
// column and to line 1 past the last line.
void GridAdvance(const TextGrid& grid, int32_t nChar, int32_t& iLine, int32_t& iCol);
