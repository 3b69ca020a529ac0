// The text panel printed every frame around the globe: the counter step that
// runs first, the composers of its sections, and the printers.
#pragma once

#include <cstdint>
#include <span>

#include "base/view_state.h"
#include "overlay/panel_rows.h"

// What the counter step decided for this frame's panel.
struct PanelTally {
    bool bBenchLine;  // the benchmark line is printed (credits shown, interval not stale)
};

// The panel's counter updates, made once a frame before anything is
// composed: iTextClr (15, 14 in Apollo mode), which the read-outs and then
// the cross-hair take; nDiscl for the timed disclaimer lines, up to
// INT32_MAX; and the benchmark interval at the time of day rNow (s since
// local midnight): counted while the credits are shown, restarted at rNow
// while they are not.
PanelTally PanelCount(ViewStateRecord& vs, float rNow);

// Credits panel drawn: iCredits set or dFov at most 0.6.
bool CreditsShown(const ViewStateRecord& vs);

// One benchmark count at rNow: counts the frame, closes an interval older
// than 1 s, restarts one older than 30 s. False when no line is printed.
bool BenchCount(ViewStateRecord& vs, float rNow);

// The benchmark line from the seconds per frame of the last interval.
void BenchLine(float rSecFrame, LineBuf& buf);

// What the rows of a frame are composed from.
struct PanelInput {
    const ViewStateRecord* vs;  // the view state; null where no row reads it
    int32_t iLevel;             // status level (1 identification, 2 pointer, 3 all)
    int32_t iErr;               // OpenGL error caught by the last status check
    bool bBenchLine;            // the benchmark line is printed
    int32_t nDiscl;             // frames counted for the timed disclaimer lines
};

// The tables of the sections, rows in print order.
extern const std::span<const PanelRow> kStatusRows;
extern const std::span<const PanelRow> kCreditRows;
extern const std::span<const PanelRow> kDisclaimerRows;
extern const std::span<const PanelRow> kReadoutRows;

// The lines of the rows shown for in, their fields written; out is emptied first.
void ComposeRows(std::span<const PanelRow> rows, const PanelInput& in, PanelLines& out);

// The composers fill their lines only; they read what they are given.
// Credits lines for this frame (none when not shown), benchmark line included
// when bBenchLine.
void ComposeCredits(const ViewStateRecord& vs, bool bBenchLine, PanelLines& out);
// Disclaimer block; the two timed lines go after frames 299 and 599 of nDiscl.
void ComposeDisclaimer(int32_t nDiscl, PanelLines& out);
// Legend, read-outs in iTextClr, eye labels and mission lines.
void ComposeReadouts(const ViewStateRecord& vs, PanelLines& out);

// Printers of the sections, in frame order.
void PanelCredits(const PanelTally& tally);
void PanelDisclaimer();
void PanelReadouts();
