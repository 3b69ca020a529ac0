// The read-back font as bits and its scaled copies.
#include "overlay/glyphs.h"

#include <algorithm>
#include <cstddef>

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
    auto ink = [&](unsigned char c) {
        const GlyphBits& rows = glyphs[c];
        return std::any_of(rows.begin(), rows.end(), [](uint8_t row) { return row != 0; });
    };
    if (ink(' ')) return false;
    for (unsigned char c = '0'; c <= '9'; ++c)
        if (!ink(c)) return false;
    for (unsigned char c = 'A'; c <= 'Z'; ++c)
        if (!ink(c)) return false;
    return true;
}

void ScaleGlyph(const uint8_t (&rows)[kGlyphRows], int32_t k, uint8_t* out) {
    const int32_t nBytes = k;  // 8k bits a row
    for (int32_t r = 0; r < kGlyphRows; ++r) {
        uint8_t* row = out + static_cast<std::ptrdiff_t>(r) * k * nBytes;
        std::fill(row, row + nBytes, uint8_t{0});
        for (int32_t c = 0; c < kGlyphCols; ++c) {
            if ((rows[r] & (0x80u >> c)) == 0) continue;
            for (int32_t b = c * k; b < (c + 1) * k; ++b)
                row[b / 8] = static_cast<uint8_t>(row[b / 8] | (0x80u >> (b % 8)));
        }
        for (int32_t j = 1; j < k; ++j) std::copy(row, row + nBytes, row + j * nBytes);
    }
}

std::vector<uint8_t> ScaleGlyphs(const GlyphSet& glyphs, int32_t k) {
    const auto nGlyph = static_cast<std::size_t>(ScaledGlyphBytes(k));
    std::vector<uint8_t> bits(kGlyphCodes * nGlyph, 0);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        uint8_t rows[kGlyphRows];
        std::copy(glyphs[static_cast<std::size_t>(c)].begin(), glyphs[static_cast<std::size_t>(c)].end(), rows);
        ScaleGlyph(rows, k, bits.data() + static_cast<std::size_t>(c) * nGlyph);
    }
    return bits;
}

void LineBitmap(const uint8_t* scaled, int32_t k, const char* cText, int32_t nChar, uint8_t* out) {
    const auto nGlyph = static_cast<std::size_t>(ScaledGlyphBytes(k));
    const auto nRow = static_cast<std::size_t>(nChar) * k;  // bytes a line row
    for (int32_t i = 0; i < nChar; ++i) {
        const uint8_t* glyph = scaled + static_cast<unsigned char>(cText[i]) * nGlyph;
        for (int32_t r = 0; r < kGlyphRows * k; ++r)
            std::copy(glyph + static_cast<std::size_t>(r) * k, glyph + static_cast<std::size_t>(r + 1) * k,
                      out + r * nRow + static_cast<std::size_t>(i) * k);
    }
}
