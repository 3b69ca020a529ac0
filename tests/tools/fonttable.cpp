// The web build's font, as the desktop can check it: freeglut's 8 x 13 font
// compiled from freeglut's own fg_font_data.c and read by the web's
// FontTableGlyphs, printed one code a line: the code, then its 16 rows as
// hex bytes, bottom row first (row 3 the base line), the leftmost pixel the
// most significant bit.
//
//   qarn-fonttable > table.txt
#include <cstdio>

#include "overlay/font_table.h"

int main() {
    GlyphSet glyphs{};
    if (!FontTableGlyphs(glyphs)) {
        std::fputs("qarn-fonttable: the compiled-in font is not a font\n", stderr);
        return 1;
    }
    for (int c = 0; c < kGlyphCodes; ++c) {
        std::printf("%d", c);
        for (const uint8_t row : glyphs[static_cast<std::size_t>(c)]) std::printf(" %02x", row);
        std::printf("\n");
    }
    return 0;
}
