#include "overlay/globe_labels.h"

#include <algorithm>

#include "app/view_state.h"
#include "overlay/catalogue.h"
#include "overlay/prnt3d.h"

void GridLabels() {
    LabelsBegin(ViewState.iImage == 1);
    for (int n = 1; n <= kGridLabelCount; ++n) {
        const Label3D l = GridLabel(n, ViewState.dSpin);
        Prnt3D(l.cLabel.data(), l.dPos, l.dAng, l.dSize, l.iClr);
    }
    LabelsEnd();
}

void PlaceLabels() {
    LabelsBegin(ViewState.iImage == 1);
    const int n = std::min<int>(ViewState.nPlaces, kPlaces);
    for (int k = 1; k <= n; ++k) {
        for (int j = 1; j <= kPlaceLetters; ++j) {
            const Label3D l = PlaceLetter(k, j);
            Prnt3D(l.cLabel.data(), l.dPos, l.dAng, l.dSize, l.iClr);
        }
    }
    LabelsEnd();
}
