// Sixteen fixed colours, chosen by index 0..15.
#pragma once

#include <array>
#include <cstdint>

extern const std::array<std::array<int32_t, 3>, 16> iPalette;  // red green blue, 0..255

// Makes palette colour `index` current; an index outside 0..15 stops the program.
void SetClr(int32_t index);
