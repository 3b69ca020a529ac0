// The 8 x 13 bitmap font at whole multiples of its size. GLUT holds the font;
// the viewer draws its 256 glyphs once in a strip of the back buffer, reads
// them back (overlay/text.cpp) and keeps them here as rows of bits, so a
// large window can print every font pixel as a k x k square. Pure bit work,
// no GL.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// One glyph as read back: kGlyphRows rows of 8 pixels, bottom row first, the
// most significant bit at the left; row kGlyphBelow is the base line.
constexpr int32_t kGlyphCols = 8;     // pixels, also the advance
constexpr int32_t kGlyphRows = 16;    // rows read around the 13 of the cell
constexpr int32_t kGlyphBelow = 3;    // rows below the base line
constexpr int32_t kGlyphCodes = 256;  // character codes 0..255

// The strip the glyphs are drawn into for the read-back: 32 to a row in cells
// of 16 x 20 pixels from the bottom-left corner, each base line 4 pixels up
// and its left edge 4 pixels in.
constexpr int32_t kReadCols = 32;
constexpr int32_t kReadCellW = 16;  // pixels
constexpr int32_t kReadCellH = 20;  // pixels
constexpr int32_t kReadInset = 4;   // pixels
constexpr int32_t kReadW = kReadCols * kReadCellW;                 // 512 pixels
constexpr int32_t kReadH = (kGlyphCodes / kReadCols) * kReadCellH;  // 160 pixels

// Where glyph c's origin (left edge, base line) goes in the strip.
int32_t ReadX(int32_t c);
int32_t ReadY(int32_t c);

using GlyphBits = std::array<uint8_t, kGlyphRows>;
using GlyphSet = std::array<GlyphBits, kGlyphCodes>;

// The glyphs from the strip's red channel, kReadW x kReadH bytes with the
// bottom row first; a pixel of 128 or more is ink.
void GlyphsFromStrip(const uint8_t* red, GlyphSet& glyphs);

// A read of the font, not of something else: the blank has no ink, every
// digit and capital letter has.
bool GlyphsPlausible(const GlyphSet& glyphs);

// The 256 glyphs at scale k as alpha texels, 255 for ink and 0 elsewhere:
// glyph c's 16k rows of 8k bytes, bottom row first, at c * AlphaGlyphBytes(k).
constexpr int32_t AlphaGlyphBytes(int32_t k) { return kGlyphCols * k * kGlyphRows * k; }
std::vector<uint8_t> AlphaGlyphs(const GlyphSet& glyphs, int32_t k);

// A print's texels: nChar glyphs of AlphaGlyphs(..., k) side by side, rows
// iStride bytes apart, bottom row first (nChar * 8k x 16k texels).
void LineAlpha(const uint8_t* alpha, int32_t k, const char* cText, int32_t nChar, uint8_t* out,
               int32_t iStride);

// The part of a print that has ink: characters iFirst up to iEnd, font rows
// iRowLo up to iRowHi at scale 1, counted from the lowest row read. Empty
// (iFirst == iEnd) for a print of blanks.
struct InkBox {
    int32_t iFirst;
    int32_t iEnd;
    int32_t iRowLo;
    int32_t iRowHi;
};
InkBox LineInk(const GlyphSet& glyphs, const char* cText, int32_t nChar);

// ---- The text texture's slots ------------------------------------------------

// Characters of one run: a print longer than this takes several slots.
constexpr int32_t kRunChars = 80;

// What a run's texels depend on: its characters and the glyph scale. Not its
// colour nor its place, which its quad carries.
struct RunKey {
    int32_t k;                           // glyph scale
    int32_t n;                           // characters, 1..kRunChars
    std::array<char, kRunChars> cText;   // the characters, NUL after the n-th
    bool operator==(const RunKey&) const = default;
};
RunKey MakeRunKey(const char* cText, int32_t n, int32_t k);

// One slot of the text texture: a row of 16k texels that holds one run.
struct RunSlot {
    bool bHeld;  // key's texels are in the slot
    RunKey key;
};

// Makes slot hold run key: when it held something else, writes the run's
// texels (LineAlpha of the glyphs at scale key.k, alpha from AlphaGlyphs) to
// out, rows iStride apart, and returns true; when it held the run already,
// writes nothing and returns false.
bool FillSlot(RunSlot& slot, const RunKey& key, const uint8_t* alpha, uint8_t* out, int32_t iStride);
