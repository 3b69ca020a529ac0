// Sixteen fixed colours, chosen by index 0..15.
#pragma once

#include <array>
#include <cstdint>

// Palette indices, the colours of a classic 16-colour text display.
constexpr int32_t kClrBlack = 0;
constexpr int32_t kClrGray = 7;
constexpr int32_t kClrDarkGray = 8;
constexpr int32_t kClrLightBlue = 9;
constexpr int32_t kClrLightCyan = 11;
constexpr int32_t kClrLightRed = 12;
constexpr int32_t kClrLightMagenta = 13;
constexpr int32_t kClrYellow = 14;
constexpr int32_t kClrWhite = 15;

extern const std::array<std::array<int32_t, 3>, 16> iPalette;  // red green blue, 0..255

// glColor3f arguments of palette colour index (0..15; other values give black).
std::array<float, 3> PaletteRgb(int32_t index);

// Stops the program on an index outside 0..15, as SetClr does.
void PaletteCheck(int32_t index);

// Makes palette colour `index` current; an index outside 0..15 stops the program.
void SetClr(int32_t index);
