// The scene's fixed sizes: the globe in scene units and the frame the view
// was laid out for in pixels. Constants only, for the files that need a size
// and not the view state.
#pragma once

#include <cstdint>

// Scene: the globe's radius in scene units stands for the lunar radius.
constexpr double kGlobeRadius = 20.0;   // scene units
constexpr double kMoonRadius = 1738.0;  // km

// The screen the view was laid out for; pointer angles are measured from a
// frame of this size centred in the real window.
constexpr int32_t kFrameWidth = 1024;   // pixels
constexpr int32_t kFrameHeight = 768;   // pixels
