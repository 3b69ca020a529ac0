// OpenGL error check: one pending error read, reported with a site number.
#pragma once

#include <cstdint>
#include <string>

// Site numbers of the checks, as they appear in the console line.
constexpr int32_t kSiteStatOrth = 369;  // after the status lines: reported, the run goes on
constexpr int32_t kSiteFrameEnd = 393;  // end of every frame (Userview)
constexpr int32_t kSiteSetup = 527;     // after the window set-up, before the main loop

// Reads one OpenGL error into iGlErr (0 = none); on an error writes
// " CheckGL:@Line 393 GlErr=     502 hex" with the site number iAtLine.
void CheckGL(int32_t iAtLine, int32_t& iGlErr);

// The console line CheckGL writes for a site and an error code.
std::string CheckGLLine(int32_t iAtLine, int32_t iGlErr);
