// The read-back font as bits and its glyphs as texels at a scale.
#include "overlay/glyphs.h"

#include <algorithm>
#include <cstddef>

namespace {

bool HasInk(const GlyphBits& rows) {
    return std::any_of(rows.begin(), rows.end(), [](uint8_t row) { return row != 0; });
}

}  // namespace

int32_t ReadX(int32_t c) { return (c % kReadCols) * kReadCellW + kReadInset; }

int32_t ReadY(int32_t c) { return (c / kReadCols) * kReadCellH + kReadInset; }

void GlyphsFromStrip(const uint8_t* red, GlyphSet& glyphs) {
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        GlyphBits& rows = glyphs[static_cast<std::size_t>(c)];
        rows.fill(0);
        const int32_t y0 = ReadY(c) - kGlyphBelow;
        for (int32_t r = 0; r < kGlyphRows; ++r)
            for (int32_t b = 0; b < kGlyphCols; ++b)
                if (red[static_cast<std::size_t>(y0 + r) * kReadW + ReadX(c) + b] >= 128)
                    rows[static_cast<std::size_t>(r)] |= static_cast<uint8_t>(0x80u >> b);
    }
}

bool GlyphsPlausible(const GlyphSet& glyphs) {
    auto ink = [&](unsigned char c) { return HasInk(glyphs[c]); };
    if (ink(' ')) return false;
    for (unsigned char c = '0'; c <= '9'; ++c)
        if (!ink(c)) return false;
    for (unsigned char c = 'A'; c <= 'Z'; ++c)
        if (!ink(c)) return false;
    return true;
}

std::vector<uint8_t> AlphaGlyphs(const GlyphSet& glyphs, int32_t k) {
    const int32_t w = kGlyphCols * k;
    std::vector<uint8_t> alpha(static_cast<std::size_t>(kGlyphCodes) * AlphaGlyphBytes(k), 0);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        uint8_t* glyph = alpha.data() + static_cast<std::ptrdiff_t>(c) * AlphaGlyphBytes(k);
        for (int32_t y = 0; y < kGlyphRows * k; ++y) {
            const uint8_t row = glyphs[static_cast<std::size_t>(c)][static_cast<std::size_t>(y / k)];
            for (int32_t x = 0; x < w; ++x)
                if ((row & (0x80u >> (x / k))) != 0) glyph[static_cast<std::ptrdiff_t>(y) * w + x] = 255;
        }
    }
    return alpha;
}

void LineAlpha(const uint8_t* alpha, int32_t k, const char* cText, int32_t nChar, uint8_t* out,
               int32_t iStride) {
    const int32_t w = kGlyphCols * k;
    for (int32_t i = 0; i < nChar; ++i) {
        const uint8_t* glyph = alpha + static_cast<std::ptrdiff_t>(static_cast<unsigned char>(cText[i])) * AlphaGlyphBytes(k);
        for (int32_t r = 0; r < kGlyphRows * k; ++r)
            std::copy(glyph + static_cast<std::ptrdiff_t>(r) * w, glyph + static_cast<std::ptrdiff_t>(r + 1) * w,
                      out + static_cast<std::ptrdiff_t>(r) * iStride + static_cast<std::ptrdiff_t>(i) * w);
    }
}

InkBox LineInk(const GlyphSet& glyphs, const char* cText, int32_t nChar) {
    InkBox box{0, 0, kGlyphRows, 0};
    bool bInk = false;
    for (int32_t i = 0; i < nChar; ++i) {
        const GlyphBits& rows = glyphs[static_cast<unsigned char>(cText[i])];
        if (!HasInk(rows)) continue;
        if (!bInk) box.iFirst = i;
        bInk = true;
        box.iEnd = i + 1;
        for (int32_t r = 0; r < kGlyphRows; ++r) {
            if (rows[static_cast<std::size_t>(r)] == 0) continue;
            box.iRowLo = std::min(box.iRowLo, r);
            box.iRowHi = std::max(box.iRowHi, r + 1);
        }
    }
    if (!bInk) return {0, 0, 0, 0};
    return box;
}

RunKey MakeRunKey(const char* cText, int32_t n, int32_t k) {
    RunKey key{k, n, {}};
    std::copy(cText, cText + std::min(n, kRunChars), key.cText.begin());
    return key;
}

bool FillSlot(RunSlot& slot, const RunKey& key, const uint8_t* alpha, uint8_t* out, int32_t iStride) {
    if (slot.bHeld && slot.key == key) return false;
    LineAlpha(alpha, key.k, key.cText.data(), key.n, out, iStride);
    slot.bHeld = true;
    slot.key = key;
    return true;
}
