// 3-D labels on the globe, drawn in the globe's rotated model-view frame.
#pragma once

// Meridian and parallel numbers and the pole names.
void GridLabels();
// The names of the first nPlaces catalogue features, letter by letter.
void PlaceLabels();
