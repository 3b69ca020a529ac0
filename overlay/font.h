// The vector font of the 3-D labels: 42 glyphs on a 21 by 21 grid.
// Glyph coordinates are in 1/20 of the character size, the box running from
// -10 to +10 on both axes (a few points of ",", "." and "Q" reach beyond).
#pragma once

#include <array>
#include <cstdint>

constexpr int kGlyphCount = 42;
constexpr int kGlyphWords = 955;     // iGlyphDat words 1..955
constexpr int kMaxGlyphPoints = 16;  // "8"
constexpr int16_t kPenMove = 1;      // move to the point without drawing
constexpr int16_t kPenDraw = 2;      // line from the previous point to this one

// Per character code 1..255: the word of iGlyphDat where its glyph starts,
// 0 when the code has no glyph. Element 0 (NUL) is 0. Lower case shares the
// upper-case glyphs.
extern const std::array<int16_t, 256> iGlyphIx;

// Indexed from 1; element 0 is unused. A glyph starting at word s: word s is
// the point count n, point i (1..n) is pen code, x, y at words s+3i-2..s+3i.
extern const std::array<int16_t, kGlyphWords + 1> iGlyphDat;
