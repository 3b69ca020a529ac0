/* Forced ahead of freeglut's fg_font_data.c in the web build: the guard of
 * its internal header (which would reach the window system's headers) and
 * the one record the font tables need, as freeglut lays it out. */
#include <GL/gl.h>

#define FREEGLUT_INTERNAL_H
typedef struct tagSFG_Font SFG_Font;
struct tagSFG_Font {
    char* Name;
    int Quantity;
    int Height;
    const GLubyte** Characters;
    float xorig, yorig;
};
