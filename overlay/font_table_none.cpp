// The desktop: no table compiled in; GLUT draws the font and it is read back.
#include "overlay/font_table.h"

bool FontTableGlyphs(GlyphSet&) { return false; }
