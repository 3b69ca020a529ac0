// The text panel: counters, composers and printers of the credits, the
// disclaimer and the read-outs.
#include "overlay/panel.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "base/clock.h"
#include "base/version.h"
#include "base/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/palette.h"
#include "overlay/text.h"

namespace {

// Intervals older than this were not counted frame by frame (panel hidden).
constexpr float kBenchStale = 30.0f;
// Shortest interval that gives a new seconds-per-frame value.
constexpr float kBenchMin = 1.0f;

// Character codes of the 8-by-13 font in the texts: "\xB0" the degree sign,
// "\xB1" the plus-minus sign, "\x0F" the sun sign (a character, not a colour).
using enum TextBlock;

constexpr PanelRow kBenchRow{kCredits, 7, 1, kClrGray, "Benchmark:###########", Shown::kBench, Field::kBench};

constexpr PanelRow kCreditTable[] = {
    {kCredits, 1, 1, kClrWhite, "Lunar Surface:  Courtesy USGS Astrogeology Research Program"},
    {kCredits, 2, 1, kClrLightCyan, kBlanks.substr(0, 54)},
    {kCredits, 3, 1, kClrLightCyan, kBuildLine},
    {kCredits, 4, 1, kClrLightCyan, "Uses GLUT32.DLL & 1024x768 screen res."},
    {kCredits, 5, 1, kClrLightBlue, "Event loop & model view after the freeglut demos &"},
    {kCredits, 6, 1, kClrLightBlue, "the OpenGL Programming Guide code."},
    {kCredits, 6, 36, kClrWhite, "2002.05.31"},
    kBenchRow,
    {kCredits, 8, 1, kClrDarkGray, "Iteration:###########", Shown::kAlways, Field::kIteration},
    {kStatus, 1, 75, kClrWhite, kBlanks.substr(0, 25)},
};

constexpr PanelRow kDisclaimerTable[] = {
    {kDisclaimer, 52, 2, kClrLightRed, "Disclaimer: Use this program"},
    {kDisclaimer, 53, 11, kClrLightRed, "only at your own risk."},
    {kDisclaimer, 54, 2, kClrYellow, "Close other applications before testing.", Shown::kDiscl300},
    {kDisclaimer, 55, 2, kClrYellow, "This program can lock out for no apparent reason.", Shown::kDiscl600},
    {kDisclaimer, 56, 2, kClrGray, "Image ID: QarnS.Bmp 1024x512 gray scale"},
    {kDisclaimer, 57, 12, kClrGray, "525,366 bytes 2002.02.28.1102"},
};

constexpr PanelRow kReadoutTable[] = {
    {kStatus, 10, 105, kClrLightBlue, "Arrows: zoom    "},
    {kStatus, 11, 106, kClrGray, "Gray - near side"},
    {kStatus, 12, 107, kClrLightBlue, "Radius= 1738.km"},
    {kStatus, 13, 108, kClrLightBlue, "Elev=#######km", Shown::kAlways, Field::kElev},
    {kStatus, 14, 109, kClrLightBlue, "Fov =########\xB0", Shown::kAlways, Field::kFov},
    {kCaption, 50, 37, kClrLightMagenta, "Left ", Shown::kPairLR},
    {kCaption, 50, 37, kClrLightMagenta, "Right", Shown::kPairRL},
    {kCaption, 50, 89, kClrLightMagenta, "Right", Shown::kPairLR},
    {kCaption, 50, 89, kClrLightMagenta, "Left ", Shown::kPairRL},
    {kCrossHair, 27, 117, kClrReadout, " \x0F :\xB1" "100.km"},
    {kCrossHair, 29, 117, kClrReadout, "Lat=######\xB0", Shown::kAlways, Field::kLat},
    {kCrossHair, 30, 117, kClrReadout, "Lon=######\xB0", Shown::kAlways, Field::kLon},
    {kMission, 50, 104, kClrReadout, "Aa:show next mission", Shown::kApollo},
    {kMission, 51, 99, kClrReadout, "#############################", Shown::kApollo, Field::kMission1},
    {kMission, 52, 99, kClrReadout, "#############################", Shown::kApollo, Field::kMission2},
};

static_assert(std::size(kCreditTable) <= kPanelLinesMax && std::size(kDisclaimerTable) <= kPanelLinesMax &&
              std::size(kReadoutTable) <= kPanelLinesMax);

bool RowShown(Shown eShown, const PanelInput& in) {
    const ViewStateRecord* vs = in.vs;
    switch (eShown) {
    case Shown::kAlways: return true;
    case Shown::kLevel2: return in.iLevel >= 2;
    case Shown::kLevel3: return in.iLevel >= 3;
    case Shown::kBench: return in.bBenchLine;
    case Shown::kDiscl300: return in.nDiscl < 300;
    case Shown::kDiscl600: return in.nDiscl < 600;
    case Shown::kPairLR: return vs != nullptr && vs->iViewMode == 1;
    case Shown::kPairRL: return vs != nullptr && vs->iViewMode != 0 && vs->iViewMode != 1;
    case Shown::kApollo:
        return vs != nullptr && vs->MenuNew == kModeApollo && vs->iMission >= 1 && vs->iMission <= kMissions;
    }
    return false;
}

// The benchmark's eleven characters: seconds per frame, or the rate.
void BenchField(float rSecFrame, LineBuf& buf) {
    if (rSecFrame >= 0.2f) {
        PutF(buf, rSecFrame, 6, 3);
        PutS(buf, " sec.");
    } else {
        // 1/0 before the first interval is infinite: "Infinity".
        PutF(buf, 1.0f / rSecFrame, 8, 1);
        PutS(buf, " Hz");
    }
}

// The fields of row into buf, its text between and after them.
void FillFields(const PanelRow& row, const PanelInput& in, LineBuf& buf) {
    if (row.eField == Field::kNone) return;
    const ViewStateRecord& vs = *in.vs;
    switch (row.eField) {
    case Field::kNone: break;
    case Field::kVersion: PutA(buf, vs.cVersion, 20); break;
    case Field::kMouse:
        PutI(buf, vs.iMouseX, 4);
        RowText(buf, row);
        PutI(buf, vs.iMouseY, 4);
        break;
    case Field::kMenu: PutI(buf, vs.MenuNew, 3); break;
    case Field::kKey:
        PutI(buf, vs.KeyChar, 3);
        RowText(buf, row);
        PutChar(buf, vs.KeyChar);
        break;
    case Field::kArrow: PutI(buf, vs.ArrowKey, 3); break;
    case Field::kGlError: PutZ(buf, static_cast<uint32_t>(in.iErr), 8); break;
    case Field::kBench: BenchField(vs.rSecFrame, buf); break;
    case Field::kIteration: PutI(buf, vs.nFrames, 11); break;
    case Field::kElev: PutF(buf, vs.dElev, 7, 0); break;
    case Field::kFov: PutF(buf, vs.dFov, 8, 2); break;
    case Field::kLat: PutF(buf, vs.dLat, 6, 1); break;
    case Field::kLon: PutF(buf, vs.dLon, 6, 1); break;
    case Field::kMission1:
    case Field::kMission2: {
        const auto& cText = cMission[static_cast<std::size_t>(vs.iMission - 1)];
        PutA(buf, cText[row.eField == Field::kMission1 ? 0 : 1].data(), 29);
        break;
    }
    }
    RowText(buf, row);
}

}  // namespace

const std::span<const PanelRow> kCreditRows = kCreditTable;
const std::span<const PanelRow> kDisclaimerRows = kDisclaimerTable;
const std::span<const PanelRow> kReadoutRows = kReadoutTable;

void ComposeRows(std::span<const PanelRow> rows, const PanelInput& in, PanelLines& out) {
    out.nLines = 0;
    for (const PanelRow& row : rows) {
        if (!RowShown(row.eShown, in)) continue;
        int32_t iClr = row.iClr == kClrReadout && in.vs != nullptr ? in.vs->iTextClr : row.iClr;
        if (row.eField == Field::kGlError && in.iErr != 0) iClr = kClrLightRed;
        const bool bMission = row.eField == Field::kMission1 || row.eField == Field::kMission2;
        const int32_t iShift = bMission ? in.vs->iMission - 1 : 0;
        FillFields(row, in, AddRow(out, row, iClr, iShift));
    }
}

PanelTally PanelCount(ViewStateRecord& vs, float rNow) {
    vs.iTextClr = (vs.MenuNew == kModeApollo) ? kClrYellow : kClrWhite;
    // Saturates: a wrap would bring the start-up disclaimer lines back.
    if (vs.nDiscl < INT32_MAX) ++vs.nDiscl;
    PanelTally tally{false};
    if (CreditsShown(vs)) {
        tally.bBenchLine = BenchCount(vs, rNow);
    } else {
        // No frame is counted while the panel is hidden: its interval starts
        // afresh with each hidden frame, so the panel shown again times the
        // frames it counts, as after a pause.
        vs.rBench0 = rNow;
        vs.nBench = 0;
    }
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
    RowText(buf, kBenchRow);
    BenchField(rSecFrame, buf);
}

void ComposeCredits(const ViewStateRecord& vs, bool bBenchLine, PanelLines& out) {
    out.nLines = 0;
    if (!CreditsShown(vs)) return;
    ComposeRows(kCreditRows, {&vs, 0, 0, bBenchLine, vs.nDiscl}, out);
}

void ComposeDisclaimer(int32_t nDiscl, PanelLines& out) {
    ComposeRows(kDisclaimerRows, {nullptr, 0, 0, false, nDiscl}, out);
}

void ComposeReadouts(const ViewStateRecord& vs, PanelLines& out) {
    ComposeRows(kReadoutRows, {&vs, 0, 0, false, vs.nDiscl}, out);
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
