// BmpRead: the surface image loaded once at start; any failure stops the
// program before a window exists.
#include "image/bmp.h"

#include <cstdio>

#include "base/console.h"
#include "base/stop.h"

BmpHeader BH;
uint8_t bPal[kBmpPaletteBytes];
uint8_t bGray[kMapPixels];

void BmpRead() {
    const BmpResult r = BmpLoad(kMapFile, BH, bPal, bGray);
    if (r.eStatus == BmpStatus::Ok) return;
    if (r.eStatus != BmpStatus::Malformed) StopIo("BmpRead", kMapUnit, kMapFile, r.cWhy);
    char cMsg[400];
    std::snprintf(cMsg, sizeof cMsg,
                  "BmpRead: %s is not a 1024 x 512 8-bit gray BMP (%s); %s", kMapFile, r.cWhy, kMapRemedy);
    StopFatal(cMsg);
}
