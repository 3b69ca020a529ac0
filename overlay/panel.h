// The text panel printed every frame around the globe.
#pragma once

// Credits panel with the benchmark and iteration lines (only when shown).
void PanelCredits();
// Disclaimer block at the bottom left, with its two timed lines.
void PanelDisclaimer();
// Legend, read-outs, eye labels and, in Apollo mode, the mission lines;
// sets iTextClr first.
void PanelReadouts();
