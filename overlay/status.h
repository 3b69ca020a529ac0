// The status lines at the top right: composed from the view state, printed
// by StatOrth after the orthographic set-up.
#pragma once

#include <cstdint>

#include "app/view_state.h"
#include "overlay/text_grid.h"

constexpr int32_t kStatusCol = 105;  // first column of the status lines

// CheckGL site of the error check that ends StatOrth.
constexpr int32_t kSiteStatOrth = 369;

// Status lines at column 105 for a level (1: identification; 2: pointer;
// 3: codes, the OpenGL error iErr, hints).
void ComposeStatus(const ViewStateRecord& vs, int32_t level, int32_t iErr, PanelLines& out);

// Orthographic set-up and the nine status lines at column 105 (level 3).
void StatOrth(int32_t level);
