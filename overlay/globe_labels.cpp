// The grid numbers, the pole names and the feature names, each drawn with Prnt3D.
#include "overlay/globe_labels.h"

#include <algorithm>

#include "base/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/prnt3d.h"

namespace {

void DrawLabel(const Label3D& l) { Prnt3D(l.cLabel.data(), l.dPos, l.dAng, l.dSize, l.iClr); }

}  // namespace

void GridLabels() {
    LabelsBegin(ViewState.iImage == 1, 0);
    for (int n = 1; n <= kGridLabelCount; ++n) DrawLabel(GridLabel(n, ViewState.dSpin));
    LabelsEnd();
}

void PlaceLabels() {
    LabelsBegin(ViewState.iImage == 1, kGridLabelCount);
    const int n = std::min<int>(ViewState.nPlaces, kPlaces);
    for (int k = 1; k <= n; ++k)
        for (int j = 1; j <= kPlaceLetters; ++j) DrawLabel(PlaceLetter(k, j));
    LabelsEnd();
}
