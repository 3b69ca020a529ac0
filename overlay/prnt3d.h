// Line text in space, in the vector font: turns, shrinks and hides with the scene.
#pragma once

#include <cstdint>

#include "overlay/label_geometry.h"

// A run of labels is one line batch: LabelsBegin sets the line state every
// label is drawn with (width 1 pixel, flat shading; both stay set) and opens
// a GL_LINES primitive, in which every two vertices are a line of their own;
// LabelsEnd closes it. Prnt3D is called only between the two.
void LabelsBegin();
void LabelsEnd();

// Draws cLabel (up to its first NUL, at most kLabelChars characters) with its
// first character's lower left corner at dPos, oriented by dAng (degrees),
// characters dSize wide, in palette colour iLabClr: the strokes LabelSegments
// gives, each a separate segment. Uses the current matrices and changes
// neither.
void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr);
