// The pure half of the text output: grid positions, palette colours and the
// contents of every status and panel line, composed from ViewState. No GL;
// text.cpp and panel.cpp hand the composed lines to PrntOrth.
#pragma once

#include <array>
#include <cstdint>

#include "overlay/format.h"

// ---- Character grid --------------------------------------------------------

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

// ---- Palette ----------------------------------------------------------------

// glColor3f arguments of palette colour index (0..15; other values give black).
std::array<float, 3> PaletteRgb(int32_t index);

// ---- Composed lines ----------------------------------------------------------

// One line of text: where it goes, how many characters, which colour.
struct PanelLine {
    int32_t iLine;
    int32_t iCol;
    int32_t n;
    int32_t iClr;
    LineBuf buf;
};

// The lines of one panel section in print order.
struct PanelLines {
    int32_t nLines;
    std::array<PanelLine, 16> line;
};

// Appends a blank line at (iLine, iCol) of n characters in colour iClr and
// returns its buffer for the fields.
LineBuf& AddLine(PanelLines& out, int32_t iLine, int32_t iCol, int32_t n, int32_t iClr);

// OpenGL error caught at the end of the last StatOrth; shown on the next frame.
extern int32_t iPanelErr;

// Status lines at column 105 for a level (1: identification; 2: pointer;
// 3: codes, the OpenGL error iErr, hints).
void ComposeStatus(int32_t level, int32_t iErr, PanelLines& out);

// Credits panel drawn: iCredits set or dFov at most 0.6.
bool CreditsShown();

// One benchmark step at the time of day rNow (s since local midnight):
// counts the frame, closes an interval older than 1 s, restarts one older
// than 30 s. Returns false when no line is printed this frame.
bool BenchStep(float rNow, LineBuf& buf);

// Credits lines for this frame (none when not shown), benchmark included.
void ComposeCredits(float rNow, PanelLines& out);

// Disclaimer block; counts nDiscl once.
void ComposeDisclaimer(PanelLines& out);

// Sets iTextClr, then the legend, read-outs, eye labels and mission lines.
void ComposeReadouts(PanelLines& out);
