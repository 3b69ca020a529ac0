// The GL steps of a frame that the viewer and the benchmark's floors share:
// the clear, an eye's projection and frame, the globe rotation and the two
// spheres. The arithmetic behind them is in app/camera.h.
#pragma once

#include <cstdint>

#include "app/view_state.h"

// Clear colour black with alpha 0, colour and depth cleared once a frame
// (not between the passes of a pair), depth test on.
void FramePrelude();

// Projection of eye iEye (-1, 0, +1): the pair shifts in normalised device
// units, then the perspective. Sets vs.dFovY for the pass.
void EyeProjection(ViewStateRecord& vs, int32_t iEye);

// Model-view of eye iEye: dAlt / 10 to the side per eye index, the globe
// centre dAlt + 20 units in front. The cross-hair is drawn in this frame.
void EyeFrame(const ViewStateRecord& vs, int32_t iEye);

// dTilt about the eye's x axis, then dSpin about the polar axis.
void RotateGlobe(const ViewStateRecord& vs);

// The textured globe (when bGlobe) and the blue grid sphere (when bGrid), in
// the rotated globe frame. Leaves GL_TEXTURE the current matrix mode, loaded
// with the identity, and blue the current colour.
void DrawSpheres(const ViewStateRecord& vs, bool bGlobe, bool bGrid);
