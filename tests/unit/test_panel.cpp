// The panel's counter step and the composed credits, disclaimer and read-outs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/panel.h"
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

const PanelLine* Find(const PanelLines& out, int32_t iLine, int32_t iCol) {
    for (int32_t k = 0; k < out.nLines; ++k)
        if (out.line[k].iLine == iLine && out.line[k].iCol == iCol) return &out.line[k];
    return nullptr;
}

// Start of a run as the first frame leaves it.
class Panel : public ::testing::Test {
protected:
    void SetUp() override {
        saved = ViewState;
        ViewState = ViewStateRecord{};
        ViewState.iWidth = 1024;
        ViewState.iHeight = 768;
        ViewState.MenuNew = 13;
        ViewState.dFov = static_cast<double>(0.5241f);
        ViewState.dElev = 378267.3;
        ViewState.iMission = 1;
        ViewState.nFrames = 1;
        ViewState.rBench0 = 1000.0f;
    }
    void TearDown() override { ViewState = saved; }
    ViewStateRecord saved;
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

}  // namespace
