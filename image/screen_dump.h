// Screen dump of the front buffer to "ScrnDmp1.Bmp" .. "ScrnDmp5.Bmp".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/bmp.h"

// Dumps the window on file unit iUnit; the fifth dump ends the program.
void ScrnDmp(int32_t iUnit);

// The 24-bit dump's row bytes (padded to a multiple of 4) and header for a
// w x h window; false when no BMP can hold that size.
inline int64_t DumpRowBytes(int32_t w) { return BmpRowBytes(w, 24); }
inline bool DumpHeader(int32_t w, int32_t h, BmpHeader& bh) { return BmpHeaderFor(w, h, 24, bh); }

// Float RGB rows (bottom first) to BMP blue-green-red bytes, truncating v*255;
// each row of bPix is DumpRowBytes(w) long, its padding set to zero.
void DumpConvert(const float* rPix, uint8_t* bPix, int32_t w, int32_t h);

// The w x h window as RGB components, bottom row first, rows unpadded: from
// the front buffer, or from the back buffer when the front one gives nothing
// (some GLX back ends keep no readable front buffer). The read buffer and the
// pack alignment are left as they were.
void ReadWindow(int32_t w, int32_t h, float* rPix);
void ReadWindow(int32_t w, int32_t h, uint8_t* bPix);

// True when every one of nComp read-back components is 0: the front buffer
// gave nothing (no frame of the viewer is entirely black).
bool DumpAllBlack(const float* rPix, size_t nComp);

// The console line before a dump: " Writing: ScrnDmp1.Bmp  size:     1024 x       768".
std::string DumpReportLine(const char* cFile, int32_t w, int32_t h);

// Writes bh and nPix pixel bytes to cFile with WriteAtomic: a link, a
// directory, a device or a file the user may not write under that name is
// refused and left as it is. Any failure stops with an I/O message on iUnit.
void DumpWrite(int32_t iUnit, const char* cFile, const BmpHeader& bh, const uint8_t* bPix,
               size_t nPix);
