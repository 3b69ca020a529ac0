// BMP codec without side effects: the packed 54-byte header and its sizes,
// the header of an uncompressed 8- or 24-bit image, the gray level of a
// palette colour, and the checked reader of a 1024 x 512 surface image.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kBmpFileHeader = 14;                           // "BM" .. nOffBits, bytes
constexpr int32_t kBmpInfoHeader = 40;                           // BITMAPINFOHEADER, bytes
constexpr int32_t kBmpHeaderBytes = kBmpFileHeader + kBmpInfoHeader;  // 54
constexpr int32_t kBmpPaletteBytes = 256 * 4;                    // blue, green, red, reserved
constexpr int32_t kBmpPixelsPerMetre = 3780;                     // about 96 dots per inch

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
static_assert(sizeof(BmpHeader) == kBmpHeaderBytes, "BMP header must be packed to 54 bytes");

constexpr int kMapWidth = 1024;   // surface image, pixels
constexpr int kMapHeight = 512;
constexpr size_t kMapPixels = size_t(kMapWidth) * kMapHeight;  // 524,288

// Rec. 601 luma weights in thousandths; they add up to 1000, so a gray k
// maps to k exactly.
constexpr uint32_t kLumaRed = 299;
constexpr uint32_t kLumaGreen = 587;
constexpr uint32_t kLumaBlue = 114;
static_assert(kLumaRed + kLumaGreen + kLumaBlue == 1000, "luma weights are thousandths");

// Gray level of a palette colour: Rec. 601 luma, rounded half up.
uint8_t BmpLuma(uint8_t red, uint8_t green, uint8_t blue);

// The header as its 54 little-endian file bytes, and back.
void BmpHeaderPack(const BmpHeader& bh, uint8_t bOut[kBmpHeaderBytes]);
BmpHeader BmpHeaderUnpack(const uint8_t bIn[kBmpHeaderBytes]);

// Bytes of one pixel row of an image w pixels wide at nBitsPP bits a pixel,
// rounded up to a multiple of 4, the padding being zero bytes.
int64_t BmpRowBytes(int32_t w, int32_t nBitsPP);

// Fills the header of an uncompressed w x h image, bottom row first. 24 bits
// a pixel: no palette, nSizeC 0 (allowed for uncompressed data). 8 bits: a
// 256-entry palette after the header, counted in nClrUsed, and nSizeC the
// pixel bytes. False when the depth is neither, w or h is not positive, or
// the file size would not fit nSizeF; bh is then left as it was.
bool BmpHeaderFor(int32_t w, int32_t h, int32_t nBitsPP, BmpHeader& bh);

// The same, packed into the 54 file bytes; false (bOut untouched) as above.
bool BmpHeaderWrite(int32_t w, int32_t h, int32_t nBitsPP, uint8_t bOut[kBmpHeaderBytes]);

// Outcome of reading a surface image. Short: the file ends before a part its
// header places, and its recorded size nSizeF says it was cut short.
// Malformed: anything else about its content, including a field placing a
// part past the end. Io: the file could not be opened, examined or read, or
// is not a regular file.
enum class BmpStatus { Ok, Short, Malformed, Io };
struct BmpResult {
    BmpStatus eStatus;
    char cWhy[160];  // what is wrong, empty when Ok
};

// Checks an in-memory surface image and fills header, palette and gray
// levels (each index mapped through the palette to its Rec. 601 luma).
// Outputs are only complete when the status is Ok.
BmpResult BmpParse(const uint8_t* bData, size_t nData, BmpHeader& bh, uint8_t* bPalOut,
                   uint8_t* bGrayOut);

// The same from the file cFile. It is opened without blocking, so a named
// pipe or a device under the name cannot hold the caller, and anything but a
// regular file is refused before any read; only the header, the palette and
// the pixels it points at are read, whatever the file's length.
BmpResult BmpLoad(const char* cFile, BmpHeader& bh, uint8_t* bPalOut, uint8_t* bGrayOut);

