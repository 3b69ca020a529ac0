// The 8 x 13 bitmap font as GLUT's own table holds it, where the platform
// compiles that table in (the web, whose GL cannot read pixels back by
// channel); elsewhere the glyphs are read back from what GLUT draws.
#pragma once

#include "overlay/glyphs.h"

// Fills glyphs from the compiled-in table and returns true; false, with
// glyphs untouched, where there is none.
bool FontTableGlyphs(GlyphSet& glyphs);
