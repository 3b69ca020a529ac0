// The GL steps of a frame that the viewer and the benchmark's floors share:
// the clear, the overlay set-up, the eye passes with their projection, frame,
// globe rotation and spheres. The arithmetic behind them is in app/camera.h.
//
// The frame's GL state follows one habit: every pass sets at its start, from
// one routine of its own, everything it relies on, and leaves the state as
// it stands for the next pass to set again. A step inside a pass (the
// spheres, the labels) relies on its pass's state, and what it turns on for
// itself (the globe's texturing) it turns off again. Set once at start-up
// and never changed: linear filters, GL_CLAMP then GL_REPEAT wrap and the
// image of the globe's texture (TexSetup, DrawSpheres); smooth normals and
// texture coordinates of the quadric; front faces counter-clockwise; depth
// function GL_LESS. The passes and what each sets:
//  - the glyph read-back, once before the first frame's clear (BitmapState
//    and ReadGlyphs, overlay/text.cpp): viewport, matrices, texturing, alpha
//    test and lighting off, unpack pixel store, depth test off; pack pixel
//    store, read buffer, clear colour;
//  - the clear (FramePrelude): clear colour, depth test on;
//  - each print while the font has no read-back, drawn at once with GLUT's
//    glyphs (BitmapState, in PrntOrth): viewport, matrices, texturing, alpha
//    test and lighting off, unpack pixel store, depth test on; the colour;
//  - the text (TextPassState, overlay/text.cpp): BitmapState's over a
//    viewport as large as GL allows, depth test on; the text texture bound,
//    the texture matrix, texturing with GL_REPLACE, alpha test, fill
//    polygons, culling off, unpack row length, the vertex arrays;
//  - each eye pass (EyePassState): viewport, lighting, alpha test and
//    texturing off, GL_DECAL, line width, flat shading, fill polygons, depth
//    test on. Its steps: the matrices (EyeProjection, EyeFrame,
//    RotateGlobe); culling off, the globe's texturing on and off again, its
//    binding and wrap, the quadric's draw style (DrawSpheres); the labels'
//    vertex arrays (LabelsEnd, overlay/prnt3d.h);
//  - the screen dump (image/screen_dump.cpp): pack pixel store, read buffer.
// Neither blending nor fog is ever enabled.
#pragma once

#include <cstdint>

#include "base/view_state.h"

// Clear colour black with alpha 0, colour and depth cleared once a frame
// (not between the passes of a pair), depth test on.
void FramePrelude();

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
