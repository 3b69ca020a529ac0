// The text panel: counters, composers and printers of the credits, the
// disclaimer and the read-outs.
#include "overlay/panel.h"

#include "app/clock.h"
#include "app/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/palette.h"
#include "overlay/text.h"

namespace {

// Character codes of the 8-by-13 font.
constexpr int32_t kDegree = 176;
constexpr int32_t kPlusMinus = 177;
constexpr int32_t kSunChar = 15;  // the sun sign, not a colour

// Intervals older than this were not counted frame by frame (panel hidden).
constexpr float kBenchStale = 30.0f;
// Shortest interval that gives a new seconds-per-frame value.
constexpr float kBenchMin = 1.0f;

void AddText(PanelLines& out, int32_t iLine, int32_t iCol, int32_t n, int32_t iClr, const char* cText) {
    PutS(AddLine(out, iLine, iCol, n, iClr), cText);
}

}  // namespace

PanelTally PanelCount(ViewStateRecord& vs, float rNow) {
    vs.iTextClr = (vs.MenuNew == kModeApollo) ? kClrYellow : kClrWhite;
    ++vs.nDiscl;
    PanelTally tally{false};
    if (CreditsShown(vs)) tally.bBenchLine = BenchCount(vs, rNow);
    return tally;
}

bool CreditsShown(const ViewStateRecord& vs) { return vs.iCredits != 0 || vs.dFov <= 0.6; }

bool BenchCount(ViewStateRecord& vs, float rNow) {
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
    return true;
}

void BenchLine(float rSecFrame, LineBuf& buf) {
    LineStart(buf);
    PutS(buf, "Benchmark:");
    if (rSecFrame >= 0.2f) {
        PutF(buf, rSecFrame, 6, 3);
        PutS(buf, " sec.");
    } else {
        // 1/0 before the first interval is infinite: "Infinity".
        PutF(buf, 1.0f / rSecFrame, 8, 1);
        PutS(buf, " Hz");
    }
}

void ComposeCredits(const ViewStateRecord& vs, bool bBenchLine, PanelLines& out) {
    out.nLines = 0;
    if (!CreditsShown(vs)) return;
    AddText(out, 1, 1, 59, kClrWhite, "Lunar Surface:  Courtesy USGS Astrogeology Research Program");
    AddText(out, 2, 1, 54, kClrLightCyan, "");
    AddText(out, 3, 1, 50, kClrLightCyan, "          Linux, g++ 12, CMake, freeglut & Mesa GL");
    AddText(out, 4, 1, 38, kClrLightCyan, "Uses GLUT32.DLL & 1024x768 screen res.");
    AddText(out, 5, 1, 50, kClrLightBlue, "Event loop & model view after the freeglut demos &");
    AddText(out, 6, 1, 34, kClrLightBlue, "the OpenGL Programming Guide code.");
    AddText(out, 6, 36, 10, kClrWhite, "2002.05.31");
    if (bBenchLine) BenchLine(vs.rSecFrame, AddLine(out, 7, 1, 21, kClrGray));
    LineBuf& cIter = AddLine(out, 8, 1, 21, kClrDarkGray);
    PutS(cIter, "Iteration:");
    PutI(cIter, vs.nFrames, 11);
    AddText(out, 1, 75, 25, kClrWhite, "");
}

void ComposeDisclaimer(int32_t nDiscl, PanelLines& out) {
    out.nLines = 0;
    AddText(out, 52, 2, 28, kClrLightRed, "Disclaimer: Use this program");
    AddText(out, 53, 11, 22, kClrLightRed, "only at your own risk.");
    if (nDiscl < 300) AddText(out, 54, 2, 40, kClrYellow, "Close other applications before testing.");
    if (nDiscl < 600) AddText(out, 55, 2, 49, kClrYellow, "This program can lock out for no apparent reason.");
    AddText(out, 56, 2, 39, kClrGray, "Image ID: QarnS.Bmp 1024x512 gray scale");
    AddText(out, 57, 12, 29, kClrGray, "525,366 bytes 2002.02.28.1102");
}

void ComposeReadouts(const ViewStateRecord& vs, PanelLines& out) {
    out.nLines = 0;

    AddText(out, 10, 105, 16, kClrLightBlue, "Arrows: zoom    ");
    AddText(out, 11, 106, 16, kClrGray, "Gray - near side");
    AddText(out, 12, 107, 15, kClrLightBlue, "Radius= 1738.km");
    LineBuf& cElev = AddLine(out, 13, 108, 14, kClrLightBlue);
    PutS(cElev, "Elev=");
    PutF(cElev, vs.dElev, 7, 0);
    PutS(cElev, "km");
    LineBuf& cFov = AddLine(out, 14, 109, 14, kClrLightBlue);
    PutS(cFov, "Fov =");
    PutF(cFov, vs.dFov, 8, 2);
    PutChar(cFov, kDegree);

    if (vs.iViewMode != 0) {
        const bool bLR = vs.iViewMode == 1;
        AddText(out, 50, 37, 5, kClrLightMagenta, bLR ? "Left " : "Right");
        AddText(out, 50, 89, 5, kClrLightMagenta, bLR ? "Right" : "Left ");
    }

    LineBuf& cCross = AddLine(out, 27, 117, 11, vs.iTextClr);
    PutS(cCross, " ");
    PutChar(cCross, kSunChar);
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

void PanelCredits(const PanelTally& tally) {
    PanelLines lines;
    ComposeCredits(ViewState, tally.bBenchLine, lines);
    PrintLines(lines);
}

void PanelDisclaimer() {
    PanelLines lines;
    ComposeDisclaimer(ViewState.nDiscl, lines);
    PrintLines(lines);
}

void PanelReadouts() {
    PanelLines lines;
    ComposeReadouts(ViewState, lines);
    PrintLines(lines);
}
