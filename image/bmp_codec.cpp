// BMP codec: header packing, the header of a written image, and the checked
// surface-image reader shared by the file and the in-memory paths.
//
// Nothing in a file is trusted: every offset and count is checked in 64-bit
// arithmetic against the file's length before it is used.
#include "image/bmp_codec.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "image/regular_file.h"

namespace {

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

constexpr BmpResult kOk{BmpStatus::Ok, {}};

}  // namespace

void BmpHeaderPack(const BmpHeader& bh, uint8_t bOut[kBmpHeaderBytes]) {
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

BmpHeader BmpHeaderUnpack(const uint8_t bIn[kBmpHeaderBytes]) {
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
    return uint8_t((kLumaRed * red + kLumaGreen * green + kLumaBlue * blue + 500u) / 1000u);
}

int64_t BmpRowBytes(int32_t w, int32_t nBitsPP) {
    const int64_t nBytes = (int64_t(nBitsPP) * w + 7) / 8;
    return (nBytes + 3) / 4 * 4;
}

bool BmpHeaderFor(int32_t w, int32_t h, int32_t nBitsPP, BmpHeader& bh) {
    if (nBitsPP != 8 && nBitsPP != 24) return false;
    if (w <= 0 || h <= 0) return false;
    const bool bPalette = nBitsPP == 8;
    const int64_t nRow = BmpRowBytes(w, nBitsPP);
    const int64_t nOffBits = kBmpHeaderBytes + (bPalette ? kBmpPaletteBytes : 0);
    // The file size must fit nSizeF; checked before multiplying, since the
    // product itself can overflow 64 bits.
    if (nRow > (INT32_MAX - nOffBits) / h) return false;
    bh = BmpHeader{};  // nRsv, nCompr and nClrImp stay zero
    bh.cType[0] = 'B';
    bh.cType[1] = 'M';
    bh.nPlanes = 1;
    bh.nBitsPP = int16_t(nBitsPP);
    bh.nSizeH = kBmpInfoHeader;
    bh.nOffBits = int32_t(nOffBits);
    bh.nWidth = w;
    bh.nHeight = h;
    bh.nSizeF = int32_t(nRow * h + nOffBits);
    bh.nSizeC = bPalette ? int32_t(nRow * h) : 0;
    bh.nXPpm = kBmpPixelsPerMetre;
    bh.nYPpm = kBmpPixelsPerMetre;
    bh.nClrUsed = bPalette ? 256 : 0;
    return true;
}

bool BmpHeaderWrite(int32_t w, int32_t h, int32_t nBitsPP, uint8_t bOut[kBmpHeaderBytes]) {
    BmpHeader bh{};
    if (!BmpHeaderFor(w, h, nBitsPP, bh)) return false;
    BmpHeaderPack(bh, bOut);
    return true;
}

namespace {

// Where the parts of a checked surface image lie, in bytes from the start.
struct BmpLayout {
    int64_t nPalAt;    // first palette entry
    int64_t nColours;  // palette entries stored
    int64_t nPixAt;    // first pixel byte (nOffBits)
};

const char* Bytes(int64_t n) { return n == 1 ? "byte" : "bytes"; }

// A part that the header places past the end of the file. The file was cut
// short when its own recorded size (nSizeF) is larger than what is there and
// still holds that part; otherwise the field that placed it is wrong.
BmpResult PastEnd(const BmpHeader& bh, int64_t nFile, const char* cField, int32_t iValue,
                  const char* cPart, int64_t nFrom, int64_t nTo) {
    if (bh.nSizeF > nFile && bh.nSizeF >= nTo)
        return Fail(BmpStatus::Short, "file ends after %lld %s, before the end of its %s at byte %lld",
                    static_cast<long long>(nFile), Bytes(nFile), cPart,
                    static_cast<long long>(nTo));
    return Fail(BmpStatus::Malformed,
                "%s %d puts the %s at bytes %lld to %lld, past the end of the %lld-byte file",
                cField, iValue, cPart, static_cast<long long>(nFrom),
                static_cast<long long>(nTo - 1), static_cast<long long>(nFile));
}

// Checks a header read from a file of nFile bytes and finds its parts.
BmpResult BmpCheck(const BmpHeader& bh, int64_t nFile, BmpLayout& lay) {
    if (bh.cType[0] != 'B' || bh.cType[1] != 'M')
        return Fail(BmpStatus::Malformed, "no \"BM\" signature");
    if (bh.nSizeH < kBmpInfoHeader)
        return Fail(BmpStatus::Malformed, "information header of %d bytes, 40 or more expected",
                    bh.nSizeH);
    const int64_t nHeaderEnd = kBmpFileHeader + int64_t(bh.nSizeH);
    if (nHeaderEnd > nFile)
        return PastEnd(bh, nFile, "nSizeH", bh.nSizeH, "information header", kBmpFileHeader,
                       nHeaderEnd);
    if (bh.nBitsPP != 8) return Fail(BmpStatus::Malformed, "%d bits per pixel", bh.nBitsPP);
    if (bh.nWidth == kMapWidth && bh.nHeight == -kMapHeight)
        return Fail(BmpStatus::Malformed, "negative height %d, rows stored top first",
                    bh.nHeight);
    if (bh.nWidth != kMapWidth || bh.nHeight != kMapHeight)
        return Fail(BmpStatus::Malformed, "%d x %d pixels", bh.nWidth, bh.nHeight);
    if (bh.nCompr != 0) return Fail(BmpStatus::Malformed, "compression type %d", bh.nCompr);
    if (bh.nClrUsed < 0 || bh.nClrUsed > 256)
        return Fail(BmpStatus::Malformed, "palette count %d, 0 to 256 expected", bh.nClrUsed);

    // The palette must fit between the headers and the pixels.
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
        return PastEnd(bh, nFile, "nOffBits", bh.nOffBits, "pixel data", bh.nOffBits, nPixEnd);
    lay = BmpLayout{nHeaderEnd, nColours, bh.nOffBits};
    return kOk;
}

// Palette indices to gray levels in place. Entries past the stored palette
// are zero, so an index beyond them reads as black.
void MapGray(const uint8_t* bPalIn, uint8_t* bGrayInOut) {
    uint8_t bLevel[256];
    for (int k = 0; k < 256; ++k)
        bLevel[k] = BmpLuma(bPalIn[4 * k + 2], bPalIn[4 * k + 1], bPalIn[4 * k]);
    for (size_t n = 0; n < kMapPixels; ++n) bGrayInOut[n] = bLevel[bGrayInOut[n]];
}

// Bytes of a surface image: a buffer in memory, or an open file (pFile set).
struct BmpSource {
    const uint8_t* bData;
    int64_t nData;
    const RegularFile* pFile;
};

// Up to nWant bytes from offset nAt; the count read, or -1 with cErr set.
int64_t Fetch(const BmpSource& src, int64_t nAt, uint8_t* bOut, size_t nWant, std::string& cErr) {
    if (src.pFile == nullptr) {
        if (nAt < 0 || nAt >= src.nData) return 0;
        const size_t nGot = std::min(nWant, size_t(src.nData - nAt));
        std::memcpy(bOut, src.bData + nAt, nGot);
        return int64_t(nGot);
    }
    return ReadRegular(*src.pFile, nAt, bOut, nWant, cErr);
}

// Exactly nWant bytes at nAt: a read error, or a file that ended early (it
// shrank after it was measured), fails.
BmpResult FetchPart(const BmpSource& src, int64_t nAt, uint8_t* bOut, size_t nWant) {
    std::string cErr;
    const int64_t nGot = Fetch(src, nAt, bOut, nWant, cErr);
    if (nGot < 0) return Fail(BmpStatus::Io, "read failed: %s", cErr.c_str());
    if (size_t(nGot) < nWant) {
        const int64_t nEnd = nAt + nGot;
        return Fail(BmpStatus::Short, "file ends after %lld %s, %lld %s short",
                    static_cast<long long>(nEnd), Bytes(nEnd),
                    static_cast<long long>(nWant - size_t(nGot)), Bytes(int64_t(nWant) - nGot));
    }
    return kOk;
}

// The one read path: header, check against the file's length, palette,
// pixels, gray levels.
BmpResult Decode(const BmpSource& src, int64_t nFile, BmpHeader& bh, uint8_t* bPalOut,
                 uint8_t* bGrayOut) {
    uint8_t bHead[kBmpHeaderBytes];
    std::string cErr;
    const int64_t nHead = Fetch(src, 0, bHead, sizeof bHead, cErr);
    if (nHead < 0) return Fail(BmpStatus::Io, "read failed: %s", cErr.c_str());
    if (nHead < int64_t(sizeof bHead))
        return Fail(BmpStatus::Short, "file ends after %lld %s, inside its 54-byte header",
                    static_cast<long long>(nHead), Bytes(nHead));
    bh = BmpHeaderUnpack(bHead);
    BmpLayout lay{};
    BmpResult r = BmpCheck(bh, nFile, lay);
    if (r.eStatus != BmpStatus::Ok) return r;
    std::memset(bPalOut, 0, kBmpPaletteBytes);
    r = FetchPart(src, lay.nPalAt, bPalOut, size_t(4 * lay.nColours));
    if (r.eStatus != BmpStatus::Ok) return r;
    r = FetchPart(src, lay.nPixAt, bGrayOut, kMapPixels);
    if (r.eStatus != BmpStatus::Ok) return r;
    MapGray(bPalOut, bGrayOut);
    return r;
}

}  // namespace

BmpResult BmpParse(const uint8_t* bData, size_t nData, BmpHeader& bh, uint8_t* bPalOut,
                   uint8_t* bGrayOut) {
    return Decode(BmpSource{bData, int64_t(nData), nullptr}, int64_t(nData), bh, bPalOut, bGrayOut);
}

BmpResult BmpLoad(const char* cFile, BmpHeader& bh, uint8_t* bPalOut, uint8_t* bGrayOut) {
    RegularFile f{};
    std::string cWhy;
    if (!OpenRegular(cFile, f, cWhy)) return Fail(BmpStatus::Io, "%s", cWhy.c_str());
    const BmpResult r = Decode(BmpSource{nullptr, 0, &f}, f.nSize, bh, bPalOut, bGrayOut);
    CloseRegular(f);
    return r;
}
