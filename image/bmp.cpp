// Surface-image reader and the BMP header codec.
//
// Nothing in the file is trusted: every offset and count is checked in 64-bit
// arithmetic against the file's length before it is used, and BmpRead reads
// only the header, the palette and the pixels it points at.
#include "image/bmp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/stop.h"
#include "image/file_kind.h"

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
    if (bh.nSizeH < kInfoMin)
        return Fail(BmpStatus::Malformed, "information header of %d bytes, 40 or more expected",
                    bh.nSizeH);
    const int64_t nHeaderEnd = kFileHeader + int64_t(bh.nSizeH);
    if (nHeaderEnd > nFile)
        return PastEnd(bh, nFile, "nSizeH", bh.nSizeH, "information header", kFileHeader,
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
    return BmpResult{BmpStatus::Ok, {}};
}

// Palette indices to gray levels in place. Entries past the stored palette
// are zero, so an index beyond them reads as black.
void MapGray(const uint8_t* bPalIn, uint8_t* bGrayInOut) {
    uint8_t bLevel[256];
    for (int k = 0; k < 256; ++k)
        bLevel[k] = BmpLuma(bPalIn[4 * k + 2], bPalIn[4 * k + 1], bPalIn[4 * k]);
    for (size_t n = 0; n < kMapPixels; ++n) bGrayInOut[n] = bLevel[bGrayInOut[n]];
}

// Up to nWant bytes from offset nAt, through short reads; the count read, or
// -1 with errno set.
int64_t ReadAt(int fd, int64_t nAt, uint8_t* bOut, size_t nWant) {
    size_t nGot = 0;
    while (nGot < nWant) {
        const ssize_t n = pread(fd, bOut + nGot, nWant - nGot, off_t(nAt) + off_t(nGot));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        nGot += size_t(n);
    }
    return int64_t(nGot);
}

[[noreturn]] void ReadFail(const char* cWhat) { StopIo("BmpRead", kMapUnit, kMapFile, cWhat); }

[[noreturn]] void NotAMap(const char* cWhy) {
    char cMsg[400];
    std::snprintf(cMsg, sizeof cMsg,
                  "BmpRead: %s is not a 1024 x 512 8-bit gray BMP (%s); make one with qarn-mksurface",
                  kMapFile, cWhy);
    StopFatal(cMsg);
}

// Reads exactly nWant bytes at nAt or stops: a read error, or a file that
// ended early (it shrank after it was measured).
void ReadPart(int fd, int64_t nAt, uint8_t* bOut, size_t nWant) {
    const int64_t nGot = ReadAt(fd, nAt, bOut, nWant);
    char cWhat[200];
    if (nGot < 0) {
        std::snprintf(cWhat, sizeof cWhat, "read failed: %s", std::strerror(errno));
        ReadFail(cWhat);
    }
    if (size_t(nGot) < nWant) {
        const int64_t nEnd = nAt + nGot;
        std::snprintf(cWhat, sizeof cWhat, "file ends after %lld %s, %lld %s short",
                      static_cast<long long>(nEnd), Bytes(nEnd),
                      static_cast<long long>(nWant - size_t(nGot)),
                      Bytes(int64_t(nWant) - nGot));
        ReadFail(cWhat);
    }
}

}  // namespace

BmpResult BmpParse(const uint8_t* bData, size_t nData, BmpHeader& bh, uint8_t* bPalOut,
                   uint8_t* bGrayOut) {
    const int64_t nFile = int64_t(nData);
    if (nFile < 54)
        return Fail(BmpStatus::Short, "file ends after %lld %s, inside its 54-byte header",
                    static_cast<long long>(nFile), Bytes(nFile));
    bh = BmpHeaderUnpack(bData);
    BmpLayout lay{};
    const BmpResult r = BmpCheck(bh, nFile, lay);
    if (r.eStatus != BmpStatus::Ok) return r;
    std::memset(bPalOut, 0, 256 * 4);
    std::memcpy(bPalOut, bData + lay.nPalAt, size_t(4 * lay.nColours));
    std::memcpy(bGrayOut, bData + lay.nPixAt, kMapPixels);
    MapGray(bPalOut, bGrayOut);
    return r;
}

void BmpRead() {
    // Non-blocking, so a named pipe or a device under the name cannot hold
    // the start; anything but a regular file is refused before any read.
    const int fd = open(kMapFile, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    char cWhat[200];
    if (fd < 0) {
        std::snprintf(cWhat, sizeof cWhat, "cannot open for reading: %s", std::strerror(errno));
        ReadFail(cWhat);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        std::snprintf(cWhat, sizeof cWhat, "cannot examine: %s", std::strerror(errno));
        ReadFail(cWhat);
    }
    if (!S_ISREG(st.st_mode)) {
        std::snprintf(cWhat, sizeof cWhat, "not a regular file (%s)", FileKind(st.st_mode));
        ReadFail(cWhat);
    }

    // Only the bytes the header points at are read, whatever the file's length.
    uint8_t bHead[54];
    const int64_t nHead = ReadAt(fd, 0, bHead, sizeof bHead);
    if (nHead < 0) {
        std::snprintf(cWhat, sizeof cWhat, "read failed: %s", std::strerror(errno));
        ReadFail(cWhat);
    }
    if (nHead < int64_t(sizeof bHead)) {
        std::snprintf(cWhat, sizeof cWhat, "file ends after %lld %s, inside its 54-byte header",
                      static_cast<long long>(nHead), Bytes(nHead));
        ReadFail(cWhat);
    }
    BH = BmpHeaderUnpack(bHead);
    BmpLayout lay{};
    const BmpResult r = BmpCheck(BH, int64_t(st.st_size), lay);
    if (r.eStatus == BmpStatus::Short) ReadFail(r.cWhy);
    if (r.eStatus == BmpStatus::Malformed) NotAMap(r.cWhy);
    std::memset(bPal, 0, sizeof bPal);
    ReadPart(fd, lay.nPalAt, bPal, size_t(4 * lay.nColours));
    ReadPart(fd, lay.nPixAt, bGray, kMapPixels);
    close(fd);
    MapGray(bPal, bGray);
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
