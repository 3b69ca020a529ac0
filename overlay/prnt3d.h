// Line text in space, in the vector font: turns, shrinks and hides with the scene.
#pragma once

#include <cstdint>

#include "overlay/catalogue.h"
#include "overlay/label_geometry.h"

// Labels one eye pass draws at most from kept strokes: the grid labels, then
// every letter of the feature names (overlay/globe_labels.cpp).
constexpr int32_t kLabelSlots = kGridLabelCount + kPlaces * kPlaceLetters;

// A run of labels is one line batch, a step of the eye pass: drawn with the
// state the pass set (app/frame_gl.h) and the matrices current, changing
// none of it. LabelsBegin starts the batch; Prnt3D adds each label's
// strokes; LabelsEnd draws them all as GL_LINES from the batch's vertex
// arrays, each stroke a line of its own, the strokes of a label that meet
// sharing their vertex. Prnt3D is called only between the two. bGlobe: the
// textured globe has been drawn with the current model-view matrix, so
// strokes it hides for sure are left out (kHideRadius). iFirstSlot: the
// batch's first label keeps its strokes in slot iFirstSlot, the next in the
// next slot.
void LabelsBegin(bool bGlobe, int32_t iFirstSlot);
void LabelsEnd();

// Draws cLabel (up to its first NUL, at most kLabelChars characters) with its
// first character's lower left corner at dPos, oriented by dAng (degrees),
// characters dSize wide, in palette colour iLabClr: the strokes LabelSegments
// gives, drawn by LabelsEnd as above with the matrices current then, which
// neither changes. The strokes are kept in the label's slot and made again
// only when what shapes them (StrokeKey) has changed.
void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr);
