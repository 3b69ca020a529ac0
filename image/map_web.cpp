// A map of the user's own on the page: the file the page took (written to
// the in-memory file system by app/web/page.js) checked as BmpRead checks
// "Qarns.Bmp"; a good one becomes the globe's surface, a bad one is refused
// with BmpRead's own words and the map in use stays.
#include <GL/gl.h>
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/console.h"
#include "base/view_state.h"
#include "image/bmp.h"
#include "image/texture.h"

extern "C" {

// Empty when the map was taken, else the refusal (valid until the next call).
EMSCRIPTEN_KEEPALIVE const char* WebLoadMap(const char* cPath) {
    static char cMsg[400];
    BmpHeader bh{};
    static uint8_t bPalNew[kBmpPaletteBytes];
    static std::vector<uint8_t> bGrayNew(kMapPixels);
    const BmpResult r = BmpLoad(cPath, bh, bPalNew, bGrayNew.data());
    if (r.eStatus != BmpStatus::Ok) {
        if (r.eStatus == BmpStatus::Malformed)
            std::snprintf(cMsg, sizeof cMsg, "BmpRead: %s is not a 1024 x 512 8-bit gray BMP (%s); %s", kMapFile,
                          r.cWhy, kMapRemedy);
        else
            std::snprintf(cMsg, sizeof cMsg, "BmpRead: I/O error on unit %d, file %s: %s", kMapUnit, kMapFile,
                          r.cWhy);
        return cMsg;
    }
    BH = bh;
    std::memcpy(bPal, bPalNew, sizeof bPal);
    std::memcpy(bGray, bGrayNew.data(), kMapPixels);
    TexBuild();
    glBindTexture(GL_TEXTURE_2D, ViewState.iTexNm[ViewState.iTex - 1]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, kMapWidth, kMapHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, bTex);
    cMsg[0] = '\0';
    return cMsg;
}

}  // extern "C"
