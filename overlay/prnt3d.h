// Line text in space, in the vector font: turns, shrinks and hides with the scene.
#pragma once

#include <cstdint>

#include "overlay/label_geometry.h"

// The line state every label is drawn with: width 1 pixel, flat shading.
// Set once before a run of Prnt3D calls; both stay set afterwards.
void LabelState();

// Draws cLabel (up to its first NUL, at most kLabelChars characters) with its
// first character's lower left corner at dPos, oriented by dAng (degrees),
// characters dSize wide, in palette colour iLabClr: the strokes LabelSegments
// gives, each a line primitive of its own, in one batch. Uses the current
// matrices and changes neither; the line state is LabelState's.
void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr);
