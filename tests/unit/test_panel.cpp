// The panel's counter step and the composed credits, disclaimer and read-outs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/view_state.h"
#include "overlay/anchor.h"
#include "overlay/catalogue.h"
#include "overlay/status.h"
#include "overlay/panel.h"
#include "overlay/panel_rows.h"
#include "overlay/text_grid.h"
#include "tests/unit/helpers.h"

namespace {

std::string Bench(float rNow) {
    if (!BenchCount(ViewState, rNow)) return "(none)";
    LineBuf buf;
    BenchLine(ViewState.rSecFrame, buf);
    return std::string(buf.c, static_cast<size_t>(buf.n));
}

// One frame's panel as Userview makes it: the counter step, then a composer.
void Credits(float rNow, PanelLines& out) {
    const PanelTally tally = PanelCount(ViewState, rNow);
    ComposeCredits(ViewState, tally.bBenchLine, out);
}
void Readouts(PanelLines& out) {
    PanelCount(ViewState, 1000.0f);
    ComposeReadouts(ViewState, out);
}

constexpr TextBlock kBlocks[] = {TextBlock::kCredits, TextBlock::kStatus, TextBlock::kCrossHair,
                                  TextBlock::kCaption, TextBlock::kDisclaimer, TextBlock::kMission};

// Every row of the panel's tables.
std::vector<PanelRow> AllRows() {
    std::vector<PanelRow> rows;
    for (const auto& table : {kStatusRows, kCreditRows, kDisclaimerRows, kReadoutRows})
        rows.insert(rows.end(), table.begin(), table.end());
    return rows;
}

// Where the panel row starting at (iLine, iCol) goes, anchored as its block.
TextPos AnchorAt(int32_t iW, int32_t iH, int32_t k, int32_t iLine, int32_t iCol) {
    for (const PanelRow& row : AllRows())
        if (row.iLine == iLine && row.iCol == iCol) return AnchorPos(iW, iH, k, row.eBlock, iLine, iCol);
    ADD_FAILURE() << "no panel row at line " << iLine << " column " << iCol;
    return {0, 0};
}

const PanelLine* Find(const PanelLines& out, int32_t iLine, int32_t iCol) {
    for (int32_t k = 0; k < out.nLines; ++k)
        if (out.line[k].iLine == iLine && out.line[k].iCol == iCol) return &out.line[k];
    return nullptr;
}

// Start of a run as the first frame leaves it.
class Panel : public FreshViewState {
protected:
    void SetUp() override {
        FreshViewState::SetUp();
        ViewState.iWidth = 1024;
        ViewState.iHeight = 768;
        ViewState.MenuNew = 13;
        ViewState.dFov = static_cast<double>(0.5241f);
        ViewState.dElev = 378267.3;
        ViewState.iMission = 1;
        ViewState.nFrames = 1;
        ViewState.rBench0 = 1000.0f;
    }
};

TEST_F(Panel, CreditsShownAtStartOrWhenSwitchedOn) {
    EXPECT_TRUE(CreditsShown(ViewState));
    ViewState.dFov = 0.6;
    EXPECT_TRUE(CreditsShown(ViewState));
    ViewState.dFov = 1.0241;
    EXPECT_FALSE(CreditsShown(ViewState));
    ViewState.iCredits = 1;
    EXPECT_TRUE(CreditsShown(ViewState));
    ViewState.dFov = 140.0;
    EXPECT_TRUE(CreditsShown(ViewState));
}

TEST_F(Panel, BenchmarkReadsInfinityUntilTheFirstIntervalEnds) {
    EXPECT_EQ(Bench(1000.02f), "Benchmark:Infinity Hz");
    EXPECT_EQ(ViewState.nBench, 1);
    EXPECT_EQ(ViewState.rSecFrame, 0.0f);
}

TEST_F(Panel, FiftyFramesASecondRead50Hz) {
    std::string last;
    for (int k = 1; k <= 51; ++k) last = Bench(1000.0f + 0.02f * k);
    // The 51st frame, 1.02 s in, closes the first interval.
    EXPECT_EQ(last, "Benchmark:    50.0 Hz");
    EXPECT_NEAR(ViewState.rSecFrame, 0.02f, 1e-5);
    EXPECT_EQ(ViewState.nBench, 0);
    EXPECT_FLOAT_EQ(ViewState.rBench0, 1000.0f + 0.02f * 51);
    // The value holds until the next interval closes.
    EXPECT_EQ(Bench(1001.04f), "Benchmark:    50.0 Hz");
    EXPECT_EQ(ViewState.nBench, 1);
}

TEST_F(Panel, TwoFramesASecondReadSecondsPerFrame) {
    EXPECT_EQ(Bench(1000.5f), "Benchmark:Infinity Hz");
    EXPECT_EQ(Bench(1001.0f), "Benchmark:Infinity Hz");  // exactly 1 s does not close it
    EXPECT_EQ(Bench(1001.5f), "Benchmark: 0.500 sec.");
    EXPECT_EQ(Bench(1002.0f).size(), 21u);
}

TEST_F(Panel, StaleIntervalPrintsNoLineAndRestarts) {
    ViewState.rSecFrame = 0.02f;
    ViewState.nBench = 7;
    EXPECT_EQ(Bench(1030.5f), "(none)");
    EXPECT_EQ(ViewState.nBench, 0);
    EXPECT_EQ(ViewState.rBench0, 1030.5f);
    EXPECT_EQ(ViewState.rSecFrame, 0.02f);  // the old value is shown again
    EXPECT_EQ(Bench(1030.6f), "Benchmark:    50.0 Hz");
    EXPECT_EQ(ViewState.nBench, 1);
    // 30 s exactly is not stale.
    ViewState.rBench0 = 2000.0f;
    ViewState.nBench = 0;
    EXPECT_NE(Bench(2030.0f), "(none)");
}

TEST_F(Panel, IntervalAcrossMidnightStillCloses) {
    // Times exact in single precision: 86399.5 before midnight, 0.75 after.
    ViewState.rBench0 = 86399.5f;
    ViewState.nBench = 24;
    EXPECT_EQ(Bench(0.75f), "Benchmark:    20.0 Hz");
    EXPECT_EQ(ViewState.rBenchDt, 1.25f);
    EXPECT_EQ(ViewState.rSecFrame, 0.05f);
    EXPECT_EQ(ViewState.rBench0, 0.75f);
    EXPECT_EQ(ViewState.nBench, 0);
}

TEST_F(Panel, CreditsLinesInOrderWithTheirLengths) {
    PanelLines out;
    Credits(1000.02f, out);
    struct Want {
        int32_t iLine, iCol, n, iClr;
    };
    const std::vector<Want> want = {{1, 1, 59, 15}, {2, 1, 54, 11}, {3, 1, 50, 11}, {4, 1, 38, 11},
                                    {5, 1, 50, 9},  {6, 1, 34, 9},  {6, 36, 10, 15}, {7, 1, 21, 7},
                                    {8, 1, 21, 8},  {1, 75, 25, 15}};
    ASSERT_EQ(out.nLines, static_cast<int32_t>(want.size()));
    for (size_t k = 0; k < want.size(); ++k) {
        const PanelLine& line = out.line[k];
        EXPECT_EQ(line.iLine, want[k].iLine) << k;
        EXPECT_EQ(line.iCol, want[k].iCol) << k;
        EXPECT_EQ(line.n, want[k].n) << k;
        EXPECT_EQ(line.iClr, want[k].iClr) << k;
        // Fixed texts fill exactly n columns, except the two blank lines.
        if (line.n != 54 && line.n != 25) {
            EXPECT_EQ(line.buf.n, line.n) << "line " << line.iLine << " col " << line.iCol;
        }
    }
    EXPECT_EQ(Text(out.line[0]), "Lunar Surface:  Courtesy USGS Astrogeology Research Program");
    EXPECT_EQ(std::string(out.line[1].buf.c, 54), std::string(54, ' '));
    EXPECT_EQ(std::string(out.line[2].buf.c, 10), std::string(10, ' '));
    EXPECT_NE(out.line[2].buf.c[10], ' ');
    // It names the compiler that built this test, and its major version.
#if defined(__clang__)
    const std::string cCompiler = ", clang++ " + std::to_string(__clang_major__) + ",";
#else
    const std::string cCompiler = ", g++ " + std::to_string(__GNUC__) + ",";
#endif
    EXPECT_NE(Text(out.line[2]).find(cCompiler), std::string::npos) << Text(out.line[2]);
    EXPECT_EQ(Text(out.line[6]), "2002.05.31");
    EXPECT_EQ(Text(out.line[7]), "Benchmark:Infinity Hz");
    EXPECT_EQ(Text(out.line[8]), "Iteration:          1");
    EXPECT_EQ(std::string(out.line[9].buf.c, 25), std::string(25, ' '));
}

TEST_F(Panel, CreditsHiddenCountNoBenchmark) {
    ViewState.dFov = 1.0241;
    PanelLines out;
    Credits(1000.5f, out);
    EXPECT_EQ(out.nLines, 0);
    EXPECT_EQ(ViewState.nBench, 0);
}

TEST_F(Panel, CreditsShownAgainTimeOnlyTheFramesTheyCount) {
    // 100 Hz with the credits shown, then 20 s hidden, then shown again.
    float rNow = 1000.0f;
    for (int k = 0; k < 150; ++k) Bench(rNow += 0.01f);
    ASSERT_NEAR(ViewState.rSecFrame, 0.01f, 1e-4f);
    ViewState.dFov = 1.0241;
    PanelLines out;
    for (int k = 0; k < 2000; ++k) Credits(rNow += 0.01f, out);
    ViewState.dFov = static_cast<double>(0.5241f);
    for (int k = 0; k < 150; ++k) {
        Credits(rNow += 0.01f, out);
        ASSERT_NEAR(ViewState.rSecFrame, 0.01f, 1e-4f) << "frame " << k << " after the return";
    }
}

TEST_F(Panel, DisclaimerCountStopsAtItsLargestValue) {
    ViewState.nDiscl = INT32_MAX - 1;
    PanelLines out;
    for (int k = 0; k < 3; ++k) {
        PanelCount(ViewState, 1000.0f);
        EXPECT_EQ(ViewState.nDiscl, INT32_MAX);
        ComposeDisclaimer(ViewState.nDiscl, out);
        EXPECT_EQ(Find(out, 54, 2), nullptr);
        EXPECT_EQ(Find(out, 55, 2), nullptr);
    }
}

TEST_F(Panel, StaleFrameLeavesLineSevenOut) {
    ViewState.nFrames = 2000000001;
    PanelLines out;
    Credits(1031.0f, out);
    ASSERT_EQ(out.nLines, 9);
    EXPECT_EQ(Find(out, 7, 1), nullptr);
    ASSERT_NE(Find(out, 8, 1), nullptr);
    EXPECT_EQ(Text(*Find(out, 8, 1)), "Iteration: 2000000001");
}

TEST_F(Panel, TimedDisclaimerLinesGoAfterFrames299And599) {
    PanelLines out;
    for (int frame = 1; frame <= 601; ++frame) {
        PanelCount(ViewState, 1000.0f);
        ComposeDisclaimer(ViewState.nDiscl, out);
        ASSERT_EQ(ViewState.nDiscl, frame);
        EXPECT_EQ(Find(out, 54, 2) != nullptr, frame < 300) << "frame " << frame;
        EXPECT_EQ(Find(out, 55, 2) != nullptr, frame < 600) << "frame " << frame;
        EXPECT_EQ(out.nLines, 4 + (frame < 300) + (frame < 600)) << "frame " << frame;
        for (int32_t k = 0; k < out.nLines; ++k) ASSERT_EQ(out.line[k].buf.n, out.line[k].n);
    }
    EXPECT_EQ(Text(*Find(out, 52, 2)), "Disclaimer: Use this program");
    EXPECT_EQ(Text(*Find(out, 57, 12)), "525,366 bytes 2002.02.28.1102");
    EXPECT_EQ(Find(out, 57, 12)->iClr, 7);
}

TEST_F(Panel, ReadoutsAtStart) {
    PanelLines out;
    Readouts(out);
    EXPECT_EQ(ViewState.iTextClr, 15);
    ASSERT_EQ(out.nLines, 8);
    const char* texts[8] = {"Arrows: zoom    ", "Gray - near side", "Radius= 1738.km", "Elev=378267.km",
                            "Fov =    0.52\xB0", " \x0F :\xB1" "100.km", "Lat=   0.0\xB0", "Lon=   0.0\xB0"};
    const int32_t lines[8] = {10, 11, 12, 13, 14, 27, 29, 30};
    const int32_t cols[8] = {105, 106, 107, 108, 109, 117, 117, 117};
    const int32_t clrs[8] = {9, 7, 9, 9, 9, 15, 15, 15};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(Text(out.line[k]), texts[k]);
        EXPECT_EQ(out.line[k].n, out.line[k].buf.n) << k;
        EXPECT_EQ(out.line[k].iLine, lines[k]);
        EXPECT_EQ(out.line[k].iCol, cols[k]);
        EXPECT_EQ(out.line[k].iClr, clrs[k]);
    }
}

TEST_F(Panel, ReadoutsFollowTheView) {
    ViewState.dFov = 140.0;
    ViewState.dElev = 111.54;
    ViewState.dLat = -12.34;
    ViewState.dLon = 179.96;
    PanelLines out;
    Readouts(out);
    EXPECT_EQ(Text(*Find(out, 13, 108)), "Elev=   112.km");
    EXPECT_EQ(Text(*Find(out, 14, 109)), "Fov =  140.00\xB0");
    EXPECT_EQ(Text(*Find(out, 29, 117)), "Lat= -12.3\xB0");
    EXPECT_EQ(Text(*Find(out, 30, 117)), "Lon= 180.0\xB0");
}

TEST_F(Panel, EyeLabelsOnlyInPairModes) {
    PanelLines out;
    Readouts(out);
    EXPECT_EQ(Find(out, 50, 37), nullptr);
    EXPECT_EQ(Find(out, 50, 89), nullptr);

    ViewState.iViewMode = 1;
    Readouts(out);
    ASSERT_NE(Find(out, 50, 37), nullptr);
    EXPECT_EQ(Text(*Find(out, 50, 37)), "Left ");
    EXPECT_EQ(Text(*Find(out, 50, 89)), "Right");
    EXPECT_EQ(Find(out, 50, 89)->iClr, 13);
    // Between the Fov line and the cross-hair line.
    EXPECT_EQ(out.line[4].iLine, 14);
    EXPECT_EQ(out.line[5].iCol, 37);
    EXPECT_EQ(out.line[6].iCol, 89);
    EXPECT_EQ(out.line[7].iLine, 27);

    ViewState.iViewMode = -1;
    Readouts(out);
    EXPECT_EQ(Text(*Find(out, 50, 37)), "Right");
    EXPECT_EQ(Text(*Find(out, 50, 89)), "Left ");
}

TEST_F(Panel, ApolloModeAddsTheMissionInYellow) {
    ViewState.MenuNew = 11;
    for (int32_t m = 1; m <= 6; ++m) {
        ViewState.iMission = m;
        PanelLines out;
        Readouts(out);
        EXPECT_EQ(ViewState.iTextClr, 14);
        ASSERT_EQ(out.nLines, 11);
        EXPECT_EQ(Find(out, 27, 117)->iClr, 14);
        EXPECT_EQ(Find(out, 29, 117)->iClr, 14);
        EXPECT_EQ(Find(out, 12, 107)->iClr, 9);  // the legend keeps its colours
        EXPECT_EQ(Text(out.line[8]), "Aa:show next mission");
        EXPECT_EQ(out.line[8].iLine, 50);
        EXPECT_EQ(out.line[8].iCol, 104);
        EXPECT_EQ(out.line[9].iLine, 50 + m);
        EXPECT_EQ(out.line[10].iLine, 51 + m);
        EXPECT_EQ(Text(out.line[9]), std::string(cMission[m - 1][0].data(), 29));
        EXPECT_EQ(Text(out.line[10]), std::string(cMission[m - 1][1].data(), 29));
        for (int k = 8; k < 11; ++k) EXPECT_EQ(out.line[k].iClr, 14);
    }
    // Mission 6 ends at column 127 of the 128-column grid.
    PanelLines out;
    Readouts(out);
    EXPECT_EQ(out.line[9].iLine, 56);
    EXPECT_EQ(out.line[10].iLine, 57);
    EXPECT_EQ(out.line[10].iCol + out.line[10].n - 1, 127);
}

TEST_F(Panel, OtherModesShowNoMission) {
    for (int32_t mode : {12, 13}) {
        ViewState.MenuNew = mode;
        PanelLines out;
        Readouts(out);
        EXPECT_EQ(ViewState.iTextClr, 15);
        EXPECT_EQ(out.nLines, 8);
    }
}


// ---- Placement on windows of other sizes ----------------------------------------

struct Box {
    int32_t x0, y0, x1, y1;  // window pixels, half-open
};

constexpr int32_t kSizes[][2] = {{1024, 768}, {1920, 1080}, {1366, 768}, {1280, 720},
                                 {960, 540},  {800, 600},   {800, 540},  {3840, 2160},
                                 {1080, 1920}, {768, 1024}};

// Every line the panel prints in one frame with everything shown: status,
// credits with the benchmark, all disclaimer lines, read-outs, both stereo
// captions and the Apollo lines of one mission.
std::vector<PanelLine> EveryLine(int32_t iMission) {
    ViewState.MenuNew = kModeApollo;
    ViewState.iViewMode = 1;
    ViewState.iMission = iMission;
    ViewState.nDiscl = 0;
    std::vector<PanelLine> all;
    PanelLines out;
    ComposeStatus(ViewState, 3, 0x502, out);
    all.insert(all.end(), out.line.begin(), out.line.begin() + out.nLines);
    ComposeCredits(ViewState, true, out);
    all.insert(all.end(), out.line.begin(), out.line.begin() + out.nLines);
    ComposeDisclaimer(0, out);
    all.insert(all.end(), out.line.begin(), out.line.begin() + out.nLines);
    PanelCount(ViewState, 1000.0f);
    ComposeReadouts(ViewState, out);
    all.insert(all.end(), out.line.begin(), out.line.begin() + out.nLines);
    return all;
}

// The ink of a line: its characters from the first to the last that is not
// blank, in cells of 8k x 13k pixels (two rows of descent below the base
// line); false for a line of blanks only.
bool InkBox(const PanelLine& line, int32_t iW, int32_t iH, Box& box) {
    int32_t a = 0;
    int32_t b = line.n;
    auto blank = [&](int32_t i) { return line.buf.c[i] == ' ' || line.buf.c[i] == '\0'; };
    while (a < b && blank(a)) ++a;
    while (b > a && blank(b - 1)) --b;
    if (a == b) return false;
    const int32_t k = GlyphScale(iW, iH);
    const TextPos p = AnchorPos(iW, iH, k, line.eBlock, line.iLine, line.iCol);
    box = {p.iX + 8 * k * a, p.iY - 2 * k, p.iX + 8 * k * b, p.iY + 11 * k};
    return true;
}

TEST_F(Panel, GlyphScaleIsWholeTimesTheFrame) {
    for (const auto& s : kSizes) EXPECT_EQ(GlyphScale(s[0], s[1]), s[0] == 3840 ? 2 : 1) << s[0];
    EXPECT_EQ(GlyphScale(2047, 1535), 1);
    EXPECT_EQ(GlyphScale(2048, 1536), 2);
    EXPECT_EQ(GlyphScale(4096, 1600), 2);  // the height decides
    EXPECT_EQ(GlyphScale(640, 480), 1);
}

TEST_F(Panel, GlyphScaleFollowsTheDesktopsDpiWithinTheWindow) {
    // 0: no DPI known, the size alone (Linux).
    EXPECT_EQ(GlyphScale(3840, 2160, 0), 2);
    // A 4K monitor at 100 % and 125 %: the desktop's text is small, so is the panel's.
    EXPECT_EQ(GlyphScale(3840, 2160, 96), 1);
    EXPECT_EQ(GlyphScale(3840, 2160, 120), 1);
    // 150 % rounds up; 200 % and 250 % stop at what the window holds.
    EXPECT_EQ(GlyphScale(3840, 2160, 143), 1);
    EXPECT_EQ(GlyphScale(3840, 2160, 144), 2);
    EXPECT_EQ(GlyphScale(3840, 2160, 192), 2);
    EXPECT_EQ(GlyphScale(3840, 2160, 240), 2);
    EXPECT_EQ(GlyphScale(4096, 3072, 240), 3);
    // A laptop at 150 % or 200 %: the panel must fit; 8 x 13 it stays.
    EXPECT_EQ(GlyphScale(1920, 1080, 144), 1);
    EXPECT_EQ(GlyphScale(1024, 768, 192), 1);
    // Below 96 DPI the font is not made smaller than its own size.
    EXPECT_EQ(GlyphScale(1024, 768, 48), 1);
}

TEST_F(Panel, OnTheFrameEveryCellIsWhereTheGridPutsIt) {
    const TextGrid grid = GridFor(1024, 768);
    for (int32_t iLine = 1; iLine <= 58; ++iLine)
        for (int32_t iCol = 1; iCol <= 128; ++iCol) {
            for (const TextBlock eBlock : kBlocks) {
                const TextPos p = AnchorPos(1024, 768, 1, eBlock, iLine, iCol);
                EXPECT_EQ(p.iX, static_cast<int32_t>(std::floor((GridX(grid, iCol) + 1.0) * 512.0 + 1e-4)));
                EXPECT_EQ(p.iY, static_cast<int32_t>(std::floor((GridY(grid, iLine) + 1.0) * 384.0 + 1e-4)));
            }
        }
}

TEST_F(Panel, BlocksKeepTheirCornerAndShape) {
    // 1920 x 1080: the status line 192 pixels from the right edge and 14
    // from the top as on the frame, the credits at the left edge.
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 1, 105).iX, 1920 - 192);
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 1, 105).iY, 1080 - 14);
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 1, 1).iX, 0);
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 1, 1).iY, 1080 - 14);
    // The disclaimer keeps its distances from the bottom-left corner, twice them at 4K.
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 53, 11).iX, AnchorAt(1024, 768, 1, 53, 11).iX);
    EXPECT_EQ(AnchorAt(1920, 1080, 1, 53, 11).iY, AnchorAt(1024, 768, 1, 53, 11).iY);
    EXPECT_EQ(AnchorAt(3840, 2160, 2, 57, 12).iX, 2 * AnchorAt(1024, 768, 1, 57, 12).iX);
    EXPECT_EQ(AnchorAt(3840, 2160, 2, 57, 12).iY, 2 * AnchorAt(1024, 768, 1, 57, 12).iY);
    // Lat= sits as far below the centre row as on the frame (384 there).
    EXPECT_EQ(AnchorAt(960, 540, 1, 29, 117).iY - 270, AnchorAt(1024, 768, 1, 29, 117).iY - 384);
    EXPECT_EQ(AnchorAt(3840, 2160, 2, 29, 117).iY - 1080, 2 * (AnchorAt(1024, 768, 1, 29, 117).iY - 384));

    // "Gray - near side", "Radius= 1738.km" and "Elev=" end within a pixel of
    // each other on the frame, and the same (times k) on every window.
    auto ends = [](int32_t iW, int32_t iH, int32_t k, int32_t iLine, int32_t iCol, int32_t n) {
        return AnchorAt(iW, iH, k, iLine, iCol).iX + n * 8 * k;
    };
    const int32_t iFrameEnd = ends(1024, 768, 1, 11, 106, 16);
    EXPECT_LE(std::abs(ends(1024, 768, 1, 13, 108, 14) - iFrameEnd), 1);
    for (const auto& s : kSizes) {
        const int32_t k = GlyphScale(s[0], s[1]);
        const int32_t iEnd = ends(s[0], s[1], k, 11, 106, 16);
        EXPECT_EQ(ends(s[0], s[1], k, 12, 107, 15) - iEnd, k * (ends(1024, 768, 1, 12, 107, 15) - iFrameEnd));
        EXPECT_EQ(ends(s[0], s[1], k, 13, 108, 14) - iEnd, k * (ends(1024, 768, 1, 13, 108, 14) - iFrameEnd));
        // The two disclaimer lines keep their offset, times k.
        EXPECT_EQ(AnchorAt(s[0], s[1], k, 53, 11).iX - AnchorAt(s[0], s[1], k, 52, 2).iX, 72 * k);
    }
}

TEST_F(Panel, StereoCaptionsFollowTheirImages) {
    // On the frame a caption is where the grid puts it; on a wide window it
    // keeps its offset from its image, which moves out with the height.
    for (int32_t iCol : {37, 89}) {
        const TextPos f = AnchorAt(1024, 768, 1, 50, iCol);
        const TextPos w = AnchorAt(1920, 1080, 1, 50, iCol);
        const double dImage = iCol < 64 ? 302.0 : 722.0;
        EXPECT_NEAR(w.iX - (960.0 + (dImage - 512.0) * 1080.0 / 768.0), f.iX - dImage, 1.0) << iCol;
        EXPECT_EQ(w.iY, f.iY);
        // Narrower than 4:3 the frame, and the images, scale with the width
        // (times the pair's shrink), centred in the window; the caption keeps
        // its offsets from its image's centre column and bottom edge (192
        // pixels from the frame's bottom), not from the window's bottom.
        for (const auto& [iW, iH, k] : {std::tuple{1080, 1920, 1}, {768, 1024, 1}, {2160, 3840, 2}}) {
            const double dScale = iW / 1024.0 * PairShrink(iW, iH, k);
            const TextPos p = AnchorAt(iW, iH, k, 50, iCol);
            EXPECT_NEAR(p.iX - (iW / 2.0 + (dImage - 512.0) * dScale), k * (f.iX - dImage), 1.0) << iW << " " << iCol;
            EXPECT_NEAR(p.iY - (iH / 2.0 - 192.0 * dScale), k * (f.iY - 192), 1.0) << iW << " " << iCol;
        }
    }
}

TEST_F(Panel, PairLeavesTheReadoutsTheirRoom) {
    // 4:3 and wider: exactly the fitted frame, so pictures stay as they are.
    for (const auto& s : kSizes)
        if (s[0] * 3 >= s[1] * 4) {
            EXPECT_EQ(PairShrink(s[0], s[1], GlyphScale(s[0], s[1])), 1.0) << s[0];
        }
    // 1080 x 1920 has the room; 768 x 1024 does not: the pair is drawn smaller.
    EXPECT_EQ(PairShrink(1080, 1920, 1), 1.0);
    EXPECT_LT(PairShrink(768, 1024, 1), 0.95);
    // Whatever clears the read-outs' column on the frame clears them on any
    // narrower window: the right image's outer edge, about 917 at 1 degree in
    // "L:R", stays left of "Lat=" and the cross-hair line, and the pair is
    // as large as that allows.
    const int32_t iFrameCol = AnchorAt(1024, 768, 1, 29, 117).iX;
    for (const auto& [iW, iH] : {std::pair{1080, 1920}, {768, 1024}, {600, 1024}, {1000, 768}, {2160, 3840}}) {
        const int32_t k = GlyphScale(iW, iH);
        const double dShrink = PairShrink(iW, iH, k);
        EXPECT_GT(dShrink, 0.0);
        EXPECT_LE(dShrink, 1.0);
        const double dScale = iW / 1024.0 * dShrink;
        for (const int32_t iLine : {27, 29, 30}) {
            const double dReadout = AnchorAt(iW, iH, k, iLine, 117).iX;
            EXPECT_LT(iW / 2.0 + (917.0 - 512.0) * dScale, dReadout) << iW << " x " << iH;
            EXPECT_LE(iW / 2.0 + (iFrameCol - 512.0) * dScale, dReadout + 1e-9) << iW << " x " << iH;
            if (dShrink < 1.0) {
                EXPECT_NEAR(iW / 2.0 + (iFrameCol - 512.0) * dScale, dReadout, 1e-9) << iW << " x " << iH;
            }
        }
    }
}

// On the 1024 x 768 frame each row's ink lies in the corner or at the edge
// its block keeps on other windows: a row moved without its block, say to
// the top right with the credits' block, fails here.
TEST_F(Panel, EveryRowsBlockIsTheCornerItSitsIn) {
    constexpr int32_t kMidX = 512, kLowY = 256, kHighY = 512;  // thirds of the height
    for (const PanelRow& row : AllRows()) {
        const bool bMission = row.eField == Field::kMission1 || row.eField == Field::kMission2;
        for (int32_t iShift = 0; iShift < (bMission ? kMissions : 1); ++iShift) {
            const TextPos p = FramePos(row.iLine + iShift, row.iCol);
            const int32_t x0 = p.iX;
            const int32_t x1 = p.iX + 8 * RowWidth(row);
            const bool bLeft = x1 <= kMidX, bRight = x0 >= kMidX;
            const bool bTop = p.iY >= kHighY, bMiddle = p.iY >= kLowY && p.iY < kHighY, bBottom = p.iY < kLowY;
            const double dCentre = (x0 + x1) / 2.0;
            const std::string where = "row at line " + std::to_string(row.iLine + iShift) + " column " +
                                      std::to_string(row.iCol) + ": \"" + std::string(row.cText) + "\"";
            switch (row.eBlock) {
            case TextBlock::kCredits: EXPECT_TRUE(bLeft && bTop) << where; break;
            case TextBlock::kStatus: EXPECT_TRUE(bRight && bTop) << where; break;
            case TextBlock::kCrossHair:
                // Ends within two cells of the right edge, beside the centre row.
                EXPECT_TRUE(bRight && bMiddle && x1 > 1024 - 16) << where;
                break;
            case TextBlock::kCaption:
                // Under one of the stereo images, centred on it within two cells.
                EXPECT_TRUE(bBottom && (std::abs(dCentre - 302) <= 16 || std::abs(dCentre - 722) <= 16)) << where;
                break;
            case TextBlock::kDisclaimer: EXPECT_TRUE(bLeft && bBottom) << where; break;
            case TextBlock::kMission: EXPECT_TRUE(bRight && bBottom) << where; break;
            }
        }
    }
}

// Whether line is row's, its text standing where the row has it.
bool FromRow(const PanelLine& line, const PanelRow& row) {
    const bool bMission = row.eField == Field::kMission1 || row.eField == Field::kMission2;
    const int32_t iShift = line.iLine - row.iLine;
    if (line.eBlock != row.eBlock || line.iCol != row.iCol || line.n != RowWidth(row)) return false;
    if (iShift != 0 && !(bMission && iShift > 0 && iShift < kMissions)) return false;
    for (int32_t i = 0; i < line.n; ++i)
        if (row.cText[static_cast<size_t>(i)] != '#' && row.cText[static_cast<size_t>(i)] != line.buf.c[i]) return false;
    return true;
}

// The fields of every row are as wide as its '#' runs: each line is written
// to exactly its width, whatever the values, and the row's own text stays
// where the row has it.
TEST_F(Panel, EveryLineIsWrittenToItsWidth) {
    for (const int32_t iViewMode : {1, -1}) {
        for (int32_t iMission = 1; iMission <= kMissions; ++iMission) {
            ViewState.iMouseX = -999;
            ViewState.iMouseY = 12345;  // too wide: asterisks, still four
            ViewState.KeyChar = 255;
            ViewState.dLat = -12.34;
            ViewState.dLon = 179.96;
            ViewState.rSecFrame = 0.5f;
            ViewState.nFrames = 2000000001;
            std::vector<PanelLine> all = EveryLine(iMission);
            ViewState.iViewMode = iViewMode;
            PanelLines out;
            ComposeReadouts(ViewState, out);
            all.insert(all.end(), out.line.begin(), out.line.begin() + out.nLines);
            const std::vector<PanelRow> rows = AllRows();
            for (const PanelLine& line : all) {
                EXPECT_EQ(line.buf.n, line.n) << "line " << line.iLine << " col " << line.iCol << ": " << Text(line);
                EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const PanelRow& row) { return FromRow(line, row); }))
                    << "line " << line.iLine << " col " << line.iCol << ": " << Text(line);
                for (int32_t i = 0; i < line.n; ++i) EXPECT_NE(line.buf.c[i], '#') << Text(line);
            }
        }
    }
}

TEST_F(Panel, NoTwoLinesOverlapOnAnyWindow) {
    for (const auto& s : kSizes) {
        for (int32_t iMission = 1; iMission <= kMissions; ++iMission) {
            const std::vector<PanelLine> all = EveryLine(iMission);
            std::vector<std::pair<Box, std::string>> boxes;
            for (const PanelLine& line : all) {
                Box b{};
                if (!InkBox(line, s[0], s[1], b)) continue;
                EXPECT_TRUE(b.x0 >= 0 && b.y0 >= 0 && b.x1 <= s[0] && b.y1 <= s[1])
                    << s[0] << "x" << s[1] << " off the window: " << Text(line);
                boxes.emplace_back(b, Text(line));
            }
            ASSERT_GE(boxes.size(), 30u);
            for (size_t i = 0; i < boxes.size(); ++i)
                for (size_t j = i + 1; j < boxes.size(); ++j) {
                    const Box& a = boxes[i].first;
                    const Box& b = boxes[j].first;
                    const bool bOverlap = a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
                    EXPECT_FALSE(bOverlap) << s[0] << "x" << s[1] << " mission " << iMission << ": \""
                                           << boxes[i].second << "\" and \"" << boxes[j].second << "\"";
                }
        }
    }
}

}  // namespace
