// The character grid: cell positions in device units and the cursor.
#include "overlay/text_grid.h"

namespace {

// Grid constants are single-precision numbers, widened; the arithmetic is
// double. At 1024 x 768 one cell is 8 x 13 pixels, the font's cell.
constexpr double kSpan = static_cast<double>(2.666f);
constexpr double kSquash = static_cast<double>(0.75108f);
constexpr double kLeft = static_cast<double>(1.333f);
constexpr double kShift = static_cast<double>(0.333f);

}  // namespace

TextGrid GridFor(int32_t iWidth, int32_t iHeight) {
    TextGrid grid{};
    grid.nCols = iWidth / 8;
    grid.nLines = iHeight / 13;
    grid.dx = (kSpan / grid.nCols) * kSquash;
    grid.dy = 2.0 / grid.nLines;
    return grid;
}

double GridX(const TextGrid& grid, int32_t iCol) { return (iCol - 1) * grid.dx - kLeft + kShift; }

double GridY(const TextGrid& grid, int32_t iLine) { return 1.0 - iLine * grid.dy; }

void GridAdvance(const TextGrid& grid, int32_t nChar, int32_t& iLine, int32_t& iCol) {
    iCol += nChar;
    if (grid.nCols <= 0) return;
    while (iCol > grid.nCols) {
        iCol -= grid.nCols;
        ++iLine;
        if (iLine > grid.nLines) iLine = 1;
    }
}
