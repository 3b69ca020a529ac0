// The panel's rows and the composed lines they become, on the character grid
// (text_grid.h). No GL: the composers (status.h, panel.h) fill PanelLines,
// PrntOrth prints them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "overlay/anchor.h"
#include "overlay/format.h"

// ---- Composed lines ----------------------------------------------------------

// One line of text: its block, where it goes, how many characters, which colour.
struct PanelLine {
    TextBlock eBlock;
    int32_t iLine;
    int32_t iCol;
    int32_t n;
    int32_t iClr;
    LineBuf buf;
};

// Lines one panel section holds at most.
constexpr int32_t kPanelLinesMax = 16;

// The lines of one panel section in print order.
struct PanelLines {
    int32_t nLines;
    std::array<PanelLine, kPanelLinesMax> line;
};

// Appends a blank line of block eBlock at (iLine, iCol), n characters in
// colour iClr, and returns its buffer for the fields. A section that would
// hold more than kPanelLinesMax lines stops the program.
LineBuf& AddLine(PanelLines& out, TextBlock eBlock, int32_t iLine, int32_t iCol, int32_t n, int32_t iClr);

// ---- Panel tables ------------------------------------------------------------

// When a row is printed (overlay/panel.cpp decides from the frame's state).
enum class Shown : int32_t {
    kAlways,
    kLevel2,     // status level 2 and up
    kLevel3,     // status level 3 and up
    kBench,      // the benchmark interval gave a line this frame
    kDiscl300,   // the first 299 frames
    kDiscl600,   // the first 599 frames
    kPairLR,     // stereo pair "L:R"
    kPairRL,     // stereo pair "R:L"
    kApollo,     // Apollo mode with a mission selected
};

// What fills the runs of '#' of a row (overlay/panel.cpp writes them).
enum class Field : int32_t {
    kNone,
    kVersion, kMouse, kMenu, kKey, kArrow, kGlError,  // status lines
    kBench, kIteration,                               // credits
    kElev, kFov, kLat, kLon,                          // read-outs
    kMission1, kMission2,                             // the mission's two lines, moved down per mission
};

// One row of a panel table: its block, line and column on the 1024 x 768
// frame's grid, its palette colour and its text, then when it shows and what
// fills its fields. The width printed is the text's length; each run of '#'
// in it stands for a field, as wide as the run.
struct PanelRow {
    TextBlock eBlock;
    int32_t iLine;
    int32_t iCol;
    int32_t iClr;  // palette index, or kClrReadout
    std::string_view cText;
    Shown eShown = Shown::kAlways;
    Field eField = Field::kNone;
};

// Colour of a row printed in the frame's read-out colour iTextClr.
constexpr int32_t kClrReadout = -1;

constexpr char kFieldMark = '#';

// Width of a row's line, in characters.
constexpr int32_t RowWidth(const PanelRow& row) { return static_cast<int32_t>(row.cText.size()); }

// Appends row's line in colour iClr, iShift lines below the row's line, with
// the row's text written up to its first field.
LineBuf& AddRow(PanelLines& out, const PanelRow& row, int32_t iClr, int32_t iShift = 0);

// Writes the row's text from the buffer's write position up to the next
// field or the end: call after each field.
void RowText(LineBuf& buf, const PanelRow& row);

// Blanks to cut the blank lines of the tables from.
constexpr std::string_view kBlanks =
    "                                                                                ";
static_assert(kBlanks.size() == kLineLen);
