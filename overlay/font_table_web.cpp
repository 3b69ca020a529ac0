// The web: freeglut's 8 x 13 font, compiled from freeglut's own source
// (fg_font_data.c), turned into the rows the read-back would give.
#include "overlay/font_table.h"

#include <GL/gl.h>

#include <cstddef>

// The part of freeglut's font record this file reads; the layout is
// freeglut's (cmake/web/fg_font.h gives it to fg_font_data.c).
extern "C" {
struct FreeglutFont {
    char* cName;
    int nChars;
    int nHeight;                // rows of each glyph, bottom row first
    const GLubyte** bChars;     // per code: the advance, then one byte a row
    float rXOrig, rYOrig;       // rYOrig rows lie below the base line
};
extern FreeglutFont fgFontFixed8x13;
}

bool FontTableGlyphs(GlyphSet& glyphs) {
    const FreeglutFont& font = fgFontFixed8x13;
    // The glyph's lowest row lands rYOrig rows below the base line, as the
    // read-back's row 0 lies kGlyphBelow rows below it.
    const int iShift = kGlyphBelow - static_cast<int>(font.rYOrig);
    for (int32_t c = 0; c < kGlyphCodes; ++c) {
        GlyphBits& rows = glyphs[static_cast<std::size_t>(c)];
        rows.fill(0);
        // freeglut draws nothing for code 0 (the table has a glyph for it),
        // so the read-back has none either.
        if (c == 0 || c >= font.nChars || font.bChars[c] == nullptr) continue;
        const GLubyte* bGlyph = font.bChars[c] + 1;
        for (int r = 0; r < font.nHeight; ++r) {
            const int y = r + iShift;
            if (y >= 0 && y < kGlyphRows) rows[static_cast<std::size_t>(y)] = bGlyph[r];
        }
    }
    return GlyphsPlausible(glyphs);
}
