#include "overlay/globe_labels.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "app/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/prnt3d.h"

namespace {

// A label's strokes with what they were made from. The labels stand still on
// the globe, so the next frame and the second eye pass of a pair draw the same
// strokes again; only the pole names turn with the spin, and are made anew.
struct LabelStrokes {
    bool bMade;
    Label3D l;
    std::vector<Segment3> seg;
};
std::array<LabelStrokes, kGridLabelCount> gridStrokes{};
std::array<LabelStrokes, static_cast<std::size_t>(kPlaces) * kPlaceLetters> placeStrokes{};

bool SameLabel(const Label3D& a, const Label3D& b) {
    return a.cLabel == b.cLabel && a.dPos == b.dPos && a.dAng == b.dAng && a.dSize == b.dSize && a.iClr == b.iClr;
}

void DrawLabel(LabelStrokes& made, const Label3D& l) {
    if (!made.bMade || !SameLabel(made.l, l)) {
        std::array<Segment3, kMaxLabelSegments> seg;  // 28 KiB of stack
        const int n = LabelSegments(l.cLabel.data(), l.dPos, l.dAng, l.dSize, seg);
        made.seg.assign(seg.begin(), seg.begin() + n);
        made.l = l;
        made.bMade = true;
    }
    Prnt3DStrokes(made.seg, l.iClr);
}

}  // namespace

void GridLabels() {
    LabelsBegin(ViewState.iImage == 1);
    for (int n = 1; n <= kGridLabelCount; ++n)
        DrawLabel(gridStrokes[static_cast<std::size_t>(n - 1)], GridLabel(n, ViewState.dSpin));
    LabelsEnd();
}

void PlaceLabels() {
    LabelsBegin(ViewState.iImage == 1);
    const int n = std::min<int>(ViewState.nPlaces, kPlaces);
    for (int k = 1; k <= n; ++k) {
        for (int j = 1; j <= kPlaceLetters; ++j)
            DrawLabel(placeStrokes[static_cast<std::size_t>((k - 1) * kPlaceLetters + j - 1)], PlaceLetter(k, j));
    }
    LabelsEnd();
}
