// The GL steps of a frame that the viewer and the benchmark's floors share:
// the clear, the overlay set-up, the eye passes with their projection, frame,
// globe rotation and spheres. The arithmetic behind them is in app/camera.h.
//
// The GL state every frame assumes. Set once at start-up and never changed:
// texture environment GL_DECAL, linear filters and the texture image
// (TexSetup); smooth normals and texture coordinates of the quadric; front
// faces counter-clockwise. Set again by each frame before it is used: depth
// test on (FramePrelude; the text switches it off and on around its
// read-back), lighting off and the three matrices (OverlaySetup), culling
// off, texture wrap GL_REPEAT and the quadric's draw style (DrawSpheres),
// line width 1 and flat shading (the 3-D labels), fill polygons and the
// pixel-store unpack state (the text). Neither blending nor fog is ever
// enabled.
#pragma once

#include <cstdint>

#include "app/view_state.h"

// Clear colour black with alpha 0, colour and depth cleared once a frame
// (not between the passes of a pair), depth test on.
void FramePrelude();

// Before the first line of text: identity model-view, texture and projection
// matrices (the text draws in normalised device coordinates), lighting off.
// Leaves GL_PROJECTION the current matrix mode.
void OverlaySetup();

// What an eye pass draws: all of it, or only the spheres (the benchmark's
// floor: no cross-hair, no read-back of the view centre, no labels).
enum class EyeDraw { kAll, kSpheresOnly };

// Every eye pass of the frame (EyePassesFor(vs.iViewMode)), with the aspect
// of the window taken first: projection, eye frame, cross-hair, globe
// rotation, read-back of latitude and longitude, spheres, grid labels and
// feature names.
void DrawEyePasses(ViewStateRecord& vs, EyeDraw eDraw);

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
