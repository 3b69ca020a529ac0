// Line text in space, in the vector font: turns, shrinks and hides with the scene.
#pragma once

#include <cstdint>

#include "overlay/label_geometry.h"

// Draws cLabel (up to its first NUL, at most kLabelChars characters) with its
// first character's lower left corner at dPos, oriented by dAng (degrees),
// characters dSize wide, in palette colour iLabClr. Uses the current matrices
// and changes neither; leaves line width 1 and flat shading set.
void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr);
