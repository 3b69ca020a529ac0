// The character grid, PrntOrth's cursor, the palette and the status lines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "app/startup.h"
#include "base/view_state.h"
#include "overlay/palette.h"
#include "overlay/panel_rows.h"
#include "overlay/status.h"
#include "overlay/text.h"
#include "overlay/text_grid.h"
#include "tests/unit/helpers.h"

namespace {

TEST(TextGrid, FullScreenGridMatchesTheFontCell) {
    const TextGrid grid = GridFor(1024, 768);
    EXPECT_EQ(grid.nCols, 128);
    EXPECT_EQ(grid.nLines, 59);
    EXPECT_NEAR(GridX(grid, 1), -0.99999994, 1e-8);
    EXPECT_NEAR(GridX(grid, 105), 0.62693, 1e-5);
    EXPECT_NEAR(GridY(grid, 1), 0.9661, 1e-4);
    EXPECT_DOUBLE_EQ(GridY(grid, 59), -1.0);
    // One cell in pixels: 8 wide, 13 high (768/59), each within 0.2 %.
    EXPECT_NEAR(grid.dx * 512.0, 8.0, 0.016);
    EXPECT_NEAR(grid.dy * 384.0, 13.0, 0.026);
}

TEST(TextGrid, TakenFromTheScreenSizeGiven) {
    const TextGrid grid = GridFor(800, 600);
    EXPECT_EQ(grid.nCols, 100);
    EXPECT_EQ(grid.nLines, 46);
    EXPECT_DOUBLE_EQ(GridY(grid, 46), 1.0 - 46 * (2.0 / 46));
}

TEST(TextCursor, AdvancesAndWrapsToTheNextLine) {
    const TextGrid grid = GridFor(1024, 768);
    int32_t iLine = 5, iCol = 120;
    GridAdvance(grid, 20, iLine, iCol);
    EXPECT_EQ(iLine, 6);
    EXPECT_EQ(iCol, 12);

    iLine = 5, iCol = 109;
    GridAdvance(grid, 20, iLine, iCol);  // ends exactly at column 129 - 1
    EXPECT_EQ(iLine, 6);
    EXPECT_EQ(iCol, 1);

    iLine = 5, iCol = 108;
    GridAdvance(grid, 20, iLine, iCol);
    EXPECT_EQ(iLine, 5);
    EXPECT_EQ(iCol, 128);
}

TEST(TextCursor, PastTheLastLineWrapsToLineOne) {
    const TextGrid grid = GridFor(1024, 768);
    int32_t iLine = 59, iCol = 120;
    GridAdvance(grid, 20, iLine, iCol);
    EXPECT_EQ(iLine, 1);
    EXPECT_EQ(iCol, 12);

    iLine = 58, iCol = 1;
    GridAdvance(grid, 3 * 128, iLine, iCol);  // three whole lines
    EXPECT_EQ(iLine, 2);
    EXPECT_EQ(iCol, 1);
}

TEST(TextCursor, NothingPrintedLeavesTheCursor) {
    const TextGrid grid = GridFor(1024, 768);
    int32_t iLine = 59, iCol = 128;
    GridAdvance(grid, 0, iLine, iCol);
    EXPECT_EQ(iLine, 59);
    EXPECT_EQ(iCol, 128);
}

TEST(TextFont, OtherFontsDrawNothingAndKeepTheCursor) {
    // No GL context here: fonts -2..0 must not touch OpenGL.
    ViewState.iWidth = 1024;
    ViewState.iHeight = 768;
    for (int32_t iFont : {-2, -1, 0}) {
        int32_t iLine = 3, iCol = 126;
        PrntOrth(5, "hello", iLine, iCol, 15, 0, iFont, TextBlock::kCredits);
        EXPECT_EQ(iLine, 3);
        EXPECT_EQ(iCol, 126);
    }
}

// Stops print on standard output; the death-test child sends it to stderr.
void OnStderr() { ::dup2(STDERR_FILENO, STDOUT_FILENO); }

TEST(TextFontDeathTest, FontOutsideTheRangeStopsEvenWithNoCharacters) {
    int32_t iLine = 1, iCol = 1;
    EXPECT_EXIT((OnStderr(), PrntOrth(0, "", iLine, iCol, 15, 0, 2, TextBlock::kCredits)), ::testing::ExitedWithCode(1),
                "^GLScrSup/PrntOrth: Only iFont=-2 thru \\+1 is implemented\\.\n$");
    EXPECT_EXIT((OnStderr(), PrntOrth(0, "", iLine, iCol, 15, 0, -3, TextBlock::kCredits)), ::testing::ExitedWithCode(1),
                "GLScrSup/PrntOrth: Only iFont=-2 thru \\+1 is implemented\\.");
}

TEST(TextLines, ARowsTextStandsAroundItsFields) {
    constexpr PanelRow row{TextBlock::kStatus, 13, 108, 9, "Elev=#######km"};
    PanelLines out{};
    LineBuf& buf = AddRow(out, row, 12, 2);
    EXPECT_EQ(out.nLines, 1);
    EXPECT_EQ(out.line[0].iLine, 15);
    EXPECT_EQ(out.line[0].iCol, 108);
    EXPECT_EQ(out.line[0].iClr, 12);
    EXPECT_EQ(out.line[0].eBlock, TextBlock::kStatus);
    EXPECT_EQ(out.line[0].n, 14);
    EXPECT_EQ(std::string(buf.c, static_cast<size_t>(buf.n)), "Elev=");
    PutF(buf, 378267.3, 7, 0);
    RowText(buf, row);
    EXPECT_EQ(std::string(buf.c, static_cast<size_t>(buf.n)), "Elev=378267.km");
    RowText(buf, row);  // at the end: nothing more
    EXPECT_EQ(buf.n, 14);
}

TEST(TextLinesDeathTest, AddLineStopsPastTheSixteenthLine) {
    PanelLines out{};
    for (int32_t k = 0; k < kPanelLinesMax; ++k) AddLine(out, TextBlock::kStatus, k + 1, 105, 3, 15);
    EXPECT_EQ(out.nLines, 16);
    EXPECT_EQ(out.line[15].iLine, 16);
    EXPECT_EXIT((OnStderr(), AddLine(out, TextBlock::kStatus, 17, 105, 3, 15)), ::testing::ExitedWithCode(1),
                "^AddLine: more than 16 lines in one panel section\\.\n$");
}

TEST(Palette, TableHoldsTheSixteenColours) {
    const int32_t expect[16][3] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                                   {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                                   {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                                   {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
    for (int k = 0; k < 16; ++k)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(iPalette[k][c], expect[k][c]) << "index " << k << " component " << c;
}

TEST(Palette, ColoursAreTheTableOver255InSinglePrecision) {
    EXPECT_EQ(PaletteRgb(15), (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(PaletteRgb(6), (std::array<float, 3>{170.0f / 255.0f, 85.0f / 255.0f, 0.0f}));
    EXPECT_EQ(PaletteRgb(0), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(PaletteRgb(9), (std::array<float, 3>{85.0f / 255.0f, 85.0f / 255.0f, 1.0f}));
}

TEST(PaletteDeathTest, IndexOutsideTheTableStops) {
    EXPECT_EXIT((OnStderr(), SetClr(16)), ::testing::ExitedWithCode(1), "^Reboot\\. See last entry in Monit\\.Dat\n$");
    EXPECT_EXIT((OnStderr(), SetClr(-1)), ::testing::ExitedWithCode(1), "^Reboot\\. See last entry in Monit\\.Dat\n$");
}

class StatusLines : public FreshViewState {
protected:
    void SetUp() override {
        FreshViewState::SetUp();
        std::memcpy(ViewState.cVersion, kIdentText, sizeof kIdentText);
        ViewState.iMouseX = 512;
        ViewState.iMouseY = 384;
        ViewState.MenuNew = 13;
        ViewState.KeyChar = 65;
        ViewState.ArrowKey = 0;
    }
};

TEST_F(StatusLines, LevelThreeGivesNineLinesAtColumn105) {
    PanelLines out;
    ComposeStatus(ViewState, 3, 0, out);
    ASSERT_EQ(out.nLines, 9);
    const char* texts[9] = {nullptr,           "x= 512 y= 384",    "MenuNew=   13",
                            "KeyChar=   65 A", "ArrowKey=   0",    "glGetError=       0",
                            "RMB:menu Qq:quit", "LMB+mouse:motion", " ~ :screen dump "};
    const int32_t clr[9] = {15, 8, 8, 8, 8, 8, 11, 11, 9};
    const int32_t len[9] = {20, 13, 13, 15, 13, 19, 16, 16, 16};
    for (int k = 0; k < 9; ++k) {
        const PanelLine& line = out.line[static_cast<size_t>(k)];
        EXPECT_EQ(line.iLine, k + 1);
        EXPECT_EQ(line.iCol, 105);
        EXPECT_EQ(line.iClr, clr[k]) << "line " << k + 1;
        EXPECT_EQ(line.n, len[k]) << "line " << k + 1;
        EXPECT_EQ(line.buf.n, line.n) << "line " << k + 1;
        if (texts[k]) {
            EXPECT_EQ(Text(line), texts[k]);
        }
    }
    EXPECT_EQ(std::string(out.line[0].buf.c, 20), std::string(kIdentText, sizeof kIdentText));
}

TEST_F(StatusLines, ErrorShowsInHexAndLightRed) {
    PanelLines out;
    ComposeStatus(ViewState, 3, 0x502, out);
    EXPECT_EQ(Text(out.line[5]), "glGetError=     502");
    EXPECT_EQ(out.line[5].iClr, 12);
}

TEST_F(StatusLines, FieldsOverflowAndKeyCharShowsItsLowByte) {
    ViewState.iMouseX = 10000;
    ViewState.iMouseY = -999;
    ViewState.KeyChar = 0x561;  // 1377: too wide for I3, low byte 'a'
    ViewState.ArrowKey = 101;
    ViewState.MenuNew = 11;
    PanelLines out;
    ComposeStatus(ViewState, 3, 0, out);
    EXPECT_EQ(Text(out.line[1]), "x=**** y=-999");
    EXPECT_EQ(Text(out.line[2]), "MenuNew=   11");
    EXPECT_EQ(Text(out.line[3]), "KeyChar=  *** a");
    EXPECT_EQ(Text(out.line[4]), "ArrowKey= 101");
}

TEST_F(StatusLines, LowerLevelsPrintFewerLines) {
    PanelLines out;
    ComposeStatus(ViewState, 0, 0, out);
    EXPECT_EQ(out.nLines, 0);
    ComposeStatus(ViewState, 1, 0, out);
    EXPECT_EQ(out.nLines, 1);
    ComposeStatus(ViewState, 2, 0, out);
    ASSERT_EQ(out.nLines, 2);
    EXPECT_EQ(Text(out.line[1]), "x= 512 y= 384");
    ComposeStatus(ViewState, 7, 0, out);
    EXPECT_EQ(out.nLines, 9);
}

}  // namespace
