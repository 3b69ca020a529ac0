// The status lines at the top right: composed from the view state, printed
// by StatOrth as the frame's first text.
#pragma once

#include <cstdint>

#include "base/view_state.h"
#include "overlay/panel_rows.h"

constexpr int32_t kStatusCol = 105;  // first column of the status lines


// Status lines at column 105 for a level (1: identification; 2: pointer;
// 3: codes, the OpenGL error iErr, hints).
void ComposeStatus(const ViewStateRecord& vs, int32_t level, int32_t iErr, PanelLines& out);

// The nine status lines at column 105 (level 3), then the error check of
// site 369, which catches an error of the frame so far without ending it.
void StatOrth(int32_t level);
