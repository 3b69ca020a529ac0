// Line text in space, in the vector font: turns, shrinks and hides with the scene.
#pragma once

#include <cstdint>
#include <span>

#include "overlay/label_geometry.h"

// A run of labels is one line batch: LabelsBegin sets the line state every
// label is drawn with (width 1 pixel, flat shading; both stay set), Prnt3D
// adds each label's strokes, and LabelsEnd draws them all as GL_LINES, in
// which every two vertices are a line of their own, and leaves the last
// label's colour current. Prnt3D is called only between the two. bGlobe: the
// textured globe has been drawn with the current model-view matrix, so
// strokes it hides for sure are left out (kHideRadius).
void LabelsBegin(bool bGlobe);
void LabelsEnd();

// Draws cLabel (up to its first NUL, at most kLabelChars characters) with its
// first character's lower left corner at dPos, oriented by dAng (degrees),
// characters dSize wide, in palette colour iLabClr: the strokes LabelSegments
// gives, each a separate segment, drawn by LabelsEnd with the matrices
// current then, which neither changes.
void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr);

// The same with the strokes given, as LabelSegments returns them.
void Prnt3DStrokes(std::span<const Segment3> seg, int32_t iLabClr);
