// OpenGL error check and the idle callback.
#pragma once

#include <cstdint>
#include <string>

// Reads one OpenGL error into iGlErr (0 = none); on an error writes
// " CheckGL:@Line 393 GlErr=     502 hex" with the site number iAtLine.
void CheckGL(int32_t iAtLine, int32_t& iGlErr);

// The console line CheckGL writes for a site and an error code.
std::string CheckGLLine(int32_t iAtLine, int32_t iGlErr);

// GLUT idle callback: draws one frame.
void UserIdle();
