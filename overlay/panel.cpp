#include "overlay/panel.h"

#include <cstddef>

#include "app/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/text.h"
#include "overlay/text_grid.h"

static constexpr int32_t kDegree = 176;
static constexpr int32_t kPlusMinus = 177;
static constexpr int32_t kSun = 15;

// Intervals older than this were not counted frame by frame (panel hidden).
static constexpr float kBenchStale = 30.0f;
// Shortest interval that gives a new seconds-per-frame value.
static constexpr float kBenchMin = 1.0f;

static void AddText(PanelLines& out, int32_t iLine, int32_t iCol, int32_t n, int32_t iClr, const char* cText) {
    PutS(AddLine(out, iLine, iCol, n, iClr), cText);
}

static void Print(const PanelLines& lines) {
    for (int32_t k = 0; k < lines.nLines; ++k) {
        const PanelLine& line = lines.line[static_cast<std::size_t>(k)];
        int32_t iLine = line.iLine;
        int32_t iCol = line.iCol;
        PrntOrth(line.n, line.buf.c, iLine, iCol, line.iClr, 0, 1);
    }
}

bool CreditsShown() { return ViewState.iCredits != 0 || ViewState.dFov <= 0.6; }

bool BenchStep(float rNow, LineBuf& buf) {
    ViewStateRecord& vs = ViewState;
    ++vs.nBench;
    vs.rBenchDt = SecondsBetween(rNow, vs.rBench0);
    if (vs.rBenchDt > kBenchStale) {
        vs.rBench0 = rNow;
        vs.nBench = 0;
        return false;
    }
    if (vs.rBenchDt > kBenchMin) {
        vs.rSecFrame = vs.rBenchDt / static_cast<float>(vs.nBench);
        vs.rBench0 = rNow;
        vs.nBench = 0;
    }
    LineStart(buf);
    PutS(buf, "Benchmark:");
    if (vs.rSecFrame >= 0.2f) {
        PutF(buf, vs.rSecFrame, 6, 3);
        PutS(buf, " sec.");
    } else {
        // 1/0 before the first interval is infinite: "Infinity".
        PutF(buf, 1.0f / vs.rSecFrame, 8, 1);
        PutS(buf, " Hz");
    }
    return true;
}

void ComposeCredits(float rNow, PanelLines& out) {
    out.nLines = 0;
    if (!CreditsShown()) return;
    AddText(out, 1, 1, 59, 15, "Lunar Surface:  Courtesy USGS Astrogeology Research Program");
    AddText(out, 2, 1, 54, 11, "");
    AddText(out, 3, 1, 50, 11, "          Linux, g++ 12, CMake, freeglut & Mesa GL");
    AddText(out, 4, 1, 38, 11, "Uses GLUT32.DLL & 1024x768 screen res.");
    AddText(out, 5, 1, 50, 9, "Event loop & model view after the freeglut demos &");
    AddText(out, 6, 1, 34, 9, "the OpenGL Programming Guide code.");
    AddText(out, 6, 36, 10, 15, "2002.05.31");
    LineBuf cBench;
    if (BenchStep(rNow, cBench)) AddLine(out, 7, 1, 21, 7) = cBench;
    LineBuf& cIter = AddLine(out, 8, 1, 21, 8);
    PutS(cIter, "Iteration:");
    PutI(cIter, ViewState.nFrames, 11);
    AddText(out, 1, 75, 25, 15, "");
}

void ComposeDisclaimer(PanelLines& out) {
    out.nLines = 0;
    AddText(out, 52, 2, 28, 12, "Disclaimer: Use this program");
    AddText(out, 53, 11, 22, 12, "only at your own risk.");
    ++ViewState.nDiscl;
    if (ViewState.nDiscl < 300) AddText(out, 54, 2, 40, 14, "Close other applications before testing.");
    if (ViewState.nDiscl < 600) AddText(out, 55, 2, 49, 14, "This program can lock out for no apparent reason.");
    AddText(out, 56, 2, 39, 7, "Image ID: QarnS.Bmp 1024x512 gray scale");
    AddText(out, 57, 12, 29, 7, "525,366 bytes 2002.02.28.1102");
}

void ComposeReadouts(PanelLines& out) {
    ViewStateRecord& vs = ViewState;
    vs.iTextClr = (vs.MenuNew == kModeApollo) ? 14 : 15;
    out.nLines = 0;

    AddText(out, 10, 105, 16, 9, "Arrows: zoom    ");
    AddText(out, 11, 106, 16, 7, "Gray - near side");
    AddText(out, 12, 107, 15, 9, "Radius= 1738.km");
    LineBuf& cElev = AddLine(out, 13, 108, 14, 9);
    PutS(cElev, "Elev=");
    PutF(cElev, vs.dElev, 7, 0);
    PutS(cElev, "km");
    LineBuf& cFov = AddLine(out, 14, 109, 14, 9);
    PutS(cFov, "Fov =");
    PutF(cFov, vs.dFov, 8, 2);
    PutChar(cFov, kDegree);

    if (vs.iViewMode != 0) {
        const bool bLR = vs.iViewMode == 1;
        AddText(out, 50, 37, 5, 13, bLR ? "Left " : "Right");
        AddText(out, 50, 89, 5, 13, bLR ? "Right" : "Left ");
    }

    LineBuf& cCross = AddLine(out, 27, 117, 11, vs.iTextClr);
    PutS(cCross, " ");
    PutChar(cCross, kSun);
    PutS(cCross, " :");
    PutChar(cCross, kPlusMinus);
    PutS(cCross, "100.km");
    LineBuf& cLat = AddLine(out, 29, 117, 11, vs.iTextClr);
    PutS(cLat, "Lat=");
    PutF(cLat, vs.dLat, 6, 1);
    PutChar(cLat, kDegree);
    LineBuf& cLon = AddLine(out, 30, 117, 11, vs.iTextClr);
    PutS(cLon, "Lon=");
    PutF(cLon, vs.dLon, 6, 1);
    PutChar(cLon, kDegree);

    if (vs.MenuNew == kModeApollo && vs.iMission >= 1 && vs.iMission <= kMissions) {
        const auto& cText = cMission[static_cast<std::size_t>(vs.iMission - 1)];
        AddText(out, 50, 104, 20, vs.iTextClr, "Aa:show next mission");
        PutA(AddLine(out, 50 + vs.iMission, 99, 29, vs.iTextClr), cText[0].data(), 29);
        PutA(AddLine(out, 51 + vs.iMission, 99, 29, vs.iTextClr), cText[1].data(), 29);
    }
}

void PanelCredits() {
    if (!CreditsShown()) return;
    PanelLines lines;
    ComposeCredits(SecondsSince(0.0f), lines);
    Print(lines);
}

void PanelDisclaimer() {
    PanelLines lines;
    ComposeDisclaimer(lines);
    Print(lines);
}

void PanelReadouts() {
    PanelLines lines;
    ComposeReadouts(lines);
    Print(lines);
}
