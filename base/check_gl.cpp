// CheckGL and the console line it writes.
#include "base/check_gl.h"

#include <GL/gl.h>

#include <cstdio>

#include "base/stop.h"

std::string CheckGLLine(int32_t iAtLine, int32_t iGlErr) {
    // " CheckGL:@Line", the site in 4 columns ("****" when it does not fit),
    // " GlErr=", the code in 8 upper-case hex columns, " hex".
    char cSite[8];
    if (iAtLine > 9999 || iAtLine < -999)
        std::snprintf(cSite, sizeof cSite, "****");
    else
        std::snprintf(cSite, sizeof cSite, "%4d", static_cast<int>(iAtLine));
    char cCode[16];
    std::snprintf(cCode, sizeof cCode, "%8X", static_cast<unsigned>(iGlErr));
    if (std::string(cCode).size() > 8) std::snprintf(cCode, sizeof cCode, "********");
    return std::string(" CheckGL:@Line") + cSite + " GlErr=" + cCode + " hex";
}

void CheckGL(int32_t iAtLine, int32_t& iGlErr) {
    iGlErr = static_cast<int32_t>(glGetError());
    if (iGlErr == 0) return;
    ReportLine(CheckGLLine(iAtLine, iGlErr).c_str());
}
