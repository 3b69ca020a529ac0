// Surface-image reader and the BMP header codec.
//
// BmpParse trusts nothing in the file: every offset and count is checked in
// 64-bit arithmetic against the bytes actually present before it is used.
#include "image/bmp.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/stop.h"

BmpHeader BH;
uint8_t bPal[256 * 4];
uint8_t bGray[kMapPixels];

namespace {

constexpr int64_t kFileHeader = 14;  // "BM" .. nOffBits
constexpr int64_t kInfoMin = 40;     // BITMAPINFOHEADER; later versions are longer

int32_t Le32(const uint8_t* b) {
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                   uint32_t(b[3]) << 24);
}
int16_t Le16(const uint8_t* b) { return int16_t(uint16_t(b[0] | b[1] << 8)); }
void Put32(uint8_t* b, int32_t v) {
    const uint32_t u = uint32_t(v);
    b[0] = uint8_t(u);
    b[1] = uint8_t(u >> 8);
    b[2] = uint8_t(u >> 16);
    b[3] = uint8_t(u >> 24);
}
void Put16(uint8_t* b, int16_t v) {
    const uint16_t u = uint16_t(v);
    b[0] = uint8_t(u);
    b[1] = uint8_t(u >> 8);
}

__attribute__((format(printf, 2, 3))) BmpResult Fail(BmpStatus eStatus, const char* cFormat, ...) {
    BmpResult r{eStatus, {}};
    va_list args;
    va_start(args, cFormat);
    std::vsnprintf(r.cWhy, sizeof r.cWhy, cFormat, args);
    va_end(args);
    return r;
}

}  // namespace

void BmpHeaderPack(const BmpHeader& bh, uint8_t bOut[54]) {
    bOut[0] = uint8_t(bh.cType[0]);
    bOut[1] = uint8_t(bh.cType[1]);
    Put32(bOut + 2, bh.nSizeF);
    Put32(bOut + 6, bh.nRsv);
    Put32(bOut + 10, bh.nOffBits);
    Put32(bOut + 14, bh.nSizeH);
    Put32(bOut + 18, bh.nWidth);
    Put32(bOut + 22, bh.nHeight);
    Put16(bOut + 26, bh.nPlanes);
    Put16(bOut + 28, bh.nBitsPP);
    Put32(bOut + 30, bh.nCompr);
    Put32(bOut + 34, bh.nSizeC);
    Put32(bOut + 38, bh.nXPpm);
    Put32(bOut + 42, bh.nYPpm);
    Put32(bOut + 46, bh.nClrUsed);
    Put32(bOut + 50, bh.nClrImp);
}

BmpHeader BmpHeaderUnpack(const uint8_t bIn[54]) {
    BmpHeader bh{};
    bh.cType[0] = char(bIn[0]);
    bh.cType[1] = char(bIn[1]);
    bh.nSizeF = Le32(bIn + 2);
    bh.nRsv = Le32(bIn + 6);
    bh.nOffBits = Le32(bIn + 10);
    bh.nSizeH = Le32(bIn + 14);
    bh.nWidth = Le32(bIn + 18);
    bh.nHeight = Le32(bIn + 22);
    bh.nPlanes = Le16(bIn + 26);
    bh.nBitsPP = Le16(bIn + 28);
    bh.nCompr = Le32(bIn + 30);
    bh.nSizeC = Le32(bIn + 34);
    bh.nXPpm = Le32(bIn + 38);
    bh.nYPpm = Le32(bIn + 42);
    bh.nClrUsed = Le32(bIn + 46);
    bh.nClrImp = Le32(bIn + 50);
    return bh;
}

uint8_t BmpLuma(uint8_t red, uint8_t green, uint8_t blue) {
    // Weights in thousandths add up to 1000, so a gray k maps to k exactly.
    return uint8_t((299u * red + 587u * green + 114u * blue + 500u) / 1000u);
}

BmpResult BmpParse(const uint8_t* bData, size_t nData, BmpHeader& bh, uint8_t* bPalOut,
                   uint8_t* bGrayOut) {
    const int64_t nFile = int64_t(nData);  // nData is at most kMapFileMax in practice
    if (nData < 54)
        return Fail(BmpStatus::Short, "file ends after %lld bytes, inside its 54-byte header",
                    static_cast<long long>(nData));
    bh = BmpHeaderUnpack(bData);
    if (bh.cType[0] != 'B' || bh.cType[1] != 'M')
        return Fail(BmpStatus::Malformed, "no \"BM\" signature");
    if (bh.nSizeH < kInfoMin)
        return Fail(BmpStatus::Malformed, "information header of %d bytes, 40 or more expected",
                    bh.nSizeH);
    const int64_t nHeaderEnd = kFileHeader + int64_t(bh.nSizeH);
    if (nHeaderEnd > nFile)
        return Fail(BmpStatus::Short, "file ends after %lld bytes, inside its %lld-byte header",
                    static_cast<long long>(nFile), static_cast<long long>(nHeaderEnd));
    if (bh.nBitsPP != 8) return Fail(BmpStatus::Malformed, "%d bits per pixel", bh.nBitsPP);
    if (bh.nWidth == kMapWidth && bh.nHeight == -kMapHeight)
        return Fail(BmpStatus::Malformed, "negative height %d, rows stored top first",
                    bh.nHeight);
    if (bh.nWidth != kMapWidth || bh.nHeight != kMapHeight)
        return Fail(BmpStatus::Malformed, "%d x %d pixels", bh.nWidth, bh.nHeight);
    if (bh.nCompr != 0) return Fail(BmpStatus::Malformed, "compression type %d", bh.nCompr);
    if (bh.nClrUsed < 0 || bh.nClrUsed > 256)
        return Fail(BmpStatus::Malformed, "palette count %d, 0 to 256 expected", bh.nClrUsed);

    // The palette must fit between the headers and the pixels; a file that
    // merely ends early is short, not malformed.
    const int64_t nColours = bh.nClrUsed == 0 ? 256 : bh.nClrUsed;
    const int64_t nPalEnd = nHeaderEnd + 4 * nColours;
    if (bh.nOffBits < nPalEnd)
        return Fail(BmpStatus::Malformed,
                    "pixel offset %d leaves no room for the %lld header bytes and the "
                    "%lld-entry palette",
                    bh.nOffBits, static_cast<long long>(nHeaderEnd),
                    static_cast<long long>(nColours));
    const int64_t nPixEnd = int64_t(bh.nOffBits) + int64_t(kMapPixels);
    if (nPixEnd > nFile)
        return Fail(BmpStatus::Short,
                    "file ends after %lld bytes, before the end of its pixel data at byte %lld",
                    static_cast<long long>(nFile), static_cast<long long>(nPixEnd));

    // Entries past nClrUsed stay zero, so an index beyond them reads as black.
    std::memset(bPalOut, 0, 256 * 4);
    std::memcpy(bPalOut, bData + nHeaderEnd, size_t(4 * nColours));
    uint8_t bLevel[256];
    for (int k = 0; k < 256; ++k)
        bLevel[k] = BmpLuma(bPalOut[4 * k + 2], bPalOut[4 * k + 1], bPalOut[4 * k]);
    const uint8_t* bPix = bData + bh.nOffBits;
    for (size_t n = 0; n < kMapPixels; ++n) bGrayOut[n] = bLevel[bPix[n]];
    return BmpResult{BmpStatus::Ok, {}};
}

void BmpRead() {
    std::FILE* f = std::fopen(kMapFile, "rb");
    if (f == nullptr) {
        char cWhat[200];
        std::snprintf(cWhat, sizeof cWhat, "cannot open for reading: %s", std::strerror(errno));
        StopIo(kMapUnit, kMapFile, cWhat);
    }
    // Read in chunks up to one byte past the limit, so an oversized file is
    // noticed without taking its whole size in memory.
    std::vector<uint8_t> bFile;
    size_t nHave = 0;
    for (;;) {
        const size_t nChunk = size_t(1) << 20;
        if (nHave > kMapFileMax) break;
        bFile.resize(nHave + nChunk);
        const size_t nGot = std::fread(bFile.data() + nHave, 1, nChunk, f);
        nHave += nGot;
        if (nGot < nChunk) break;
    }
    if (std::ferror(f)) {
        const int iErr = errno;
        std::fclose(f);
        char cWhat[200];
        std::snprintf(cWhat, sizeof cWhat, "read failed: %s", std::strerror(iErr));
        StopIo(kMapUnit, kMapFile, cWhat);
    }
    std::fclose(f);
    char cMsg[400];
    if (nHave > kMapFileMax) {
        std::snprintf(cMsg, sizeof cMsg,
                      "BmpRead: %s is not a 1024 x 512 8-bit gray BMP (larger than %zu MiB); "
                      "make one with tools/mksurface",
                      kMapFile, kMapFileMax >> 20);
        StopFatal(cMsg);
    }
    const BmpResult r = BmpParse(bFile.data(), nHave, BH, bPal, bGray);
    if (r.eStatus == BmpStatus::Short) StopIo(kMapUnit, kMapFile, r.cWhy);
    if (r.eStatus == BmpStatus::Malformed) {
        std::snprintf(cMsg, sizeof cMsg,
                      "BmpRead: %s is not a 1024 x 512 8-bit gray BMP (%s); "
                      "make one with tools/mksurface",
                      kMapFile, r.cWhy);
        StopFatal(cMsg);
    }
}

int64_t DumpRowBytes(int32_t w) {
    const int64_t iHr3 = 3 * int64_t(w);
    return (iHr3 + 3) / 4 * 4;
}

bool DumpHeader(int32_t w, int32_t h, BmpHeader& bh) {
    if (w <= 0 || h <= 0) return false;
    const int64_t iHr4 = DumpRowBytes(w);
    const int64_t nOffBits = 40 + 14;
    // The file size must fit nSizeF; checked before multiplying, since the
    // product itself can overflow 64 bits.
    if (iHr4 > (INT32_MAX - nOffBits) / h) return false;
    const int64_t nSizeF = iHr4 * h + nOffBits;
    bh = BmpHeader{};  // nRsv, nCompr, nClrUsed, nClrImp stay zero
    bh.cType[0] = 'B';
    bh.cType[1] = 'M';
    bh.nPlanes = 1;
    bh.nBitsPP = 24;
    bh.nSizeH = 40;
    bh.nOffBits = int32_t(nOffBits);
    bh.nWidth = w;
    bh.nHeight = h;
    bh.nSizeF = int32_t(nSizeF);
    bh.nSizeC = 0;
    bh.nXPpm = 3780;
    bh.nYPpm = 3780;
    return true;
}
