// The web build's <GL/freeglut.h>: Emscripten's GLUT declares the standard
// part only, which is all the viewer calls through GLUT on the page.
#pragma once

#include <GL/freeglut_std.h>
