// BMP files: the packed 54-byte header, the surface-image reader and the
// header of a 24-bit dump.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct BmpHeader {
    char cType[2];     // "BM"
    int32_t nSizeF;    // whole file, bytes
    int32_t nRsv;
    int32_t nOffBits;  // offset of the pixel data
    int32_t nSizeH;    // 40
    int32_t nWidth;    // pixels
    int32_t nHeight;   // pixels; positive = bottom row first
    int16_t nPlanes;
    int16_t nBitsPP;
    int32_t nCompr;    // 0 = none
    int32_t nSizeC;
    int32_t nXPpm;     // pixels per metre
    int32_t nYPpm;
    int32_t nClrUsed;  // palette entries, 0 = 256 for 8-bit
    int32_t nClrImp;
};
#pragma pack(pop)
static_assert(sizeof(BmpHeader) == 54, "BMP header must be packed to 54 bytes");

constexpr int kMapWidth = 1024;   // surface image, pixels
constexpr int kMapHeight = 512;
constexpr size_t kMapPixels = size_t(kMapWidth) * kMapHeight;  // 524,288
constexpr int kMapUnit = 14;      // file unit named in I/O messages
constexpr const char* kMapFile = "Qarns.Bmp";

extern BmpHeader BH;                 // surface image header
extern uint8_t bPal[256 * 4];        // its palette, blue green red reserved
extern uint8_t bGray[kMapPixels];    // gray level per pixel, bottom row first

// Reads "Qarns.Bmp" into BH, bPal and bGray, or stops the program.
void BmpRead();

// Outcome of parsing a surface image held in memory.
enum class BmpStatus { Ok, Short, Malformed };
struct BmpResult {
    BmpStatus eStatus;
    char cWhy[160];  // what is wrong, empty when Ok
};

// Checks an in-memory surface image and fills header, palette and gray
// levels (each index mapped through the palette to its Rec. 601 luma).
// Outputs are only complete when the status is Ok.
BmpResult BmpParse(const uint8_t* bData, size_t nData, BmpHeader& bh,
                   uint8_t* bPalOut, uint8_t* bGrayOut);

// Bytes of one pixel row of a 24-bit image w pixels wide: 3 x w rounded up
// to a multiple of 4, the padding being zero bytes.
int64_t DumpRowBytes(int32_t w);

// Fills the header of a 24-bit dump of w x h pixels, nSizeF counting the row
// padding; false when w or h is not positive or the file size would not fit
// nSizeF. On false, bh is left as it was.
bool DumpHeader(int32_t w, int32_t h, BmpHeader& bh);

// The header as its 54 little-endian file bytes, and back.
void BmpHeaderPack(const BmpHeader& bh, uint8_t bOut[54]);
BmpHeader BmpHeaderUnpack(const uint8_t bIn[54]);

// Gray level of a palette colour: Rec. 601 luma, rounded half up.
uint8_t BmpLuma(uint8_t red, uint8_t green, uint8_t blue);

// BmpRead reads at most this many bytes; a larger file is refused.
constexpr size_t kMapFileMax = size_t(64) << 20;
