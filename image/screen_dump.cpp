// ScrnDmp: the last completed frame, read back from the front buffer as
// floats, written as a 24-bit BMP. At most five dumps per process.
#include "image/screen_dump.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "base/stop.h"
#include "base/view_state.h"
#include "image/atomic_file.h"

namespace {

// The dump's state for the whole process, kept apart from ViewState since
// no frame reads it.
int32_t iDump = 0;    // dumps started in this process, 0..5
BmpHeader BHDump{};   // the dump's own header, apart from the surface image's

constexpr const char* kDumpFile[5] = {"ScrnDmp1.Bmp", "ScrnDmp2.Bmp", "ScrnDmp3.Bmp",
                                      "ScrnDmp4.Bmp", "ScrnDmp5.Bmp"};

void* Obtain(size_t nBytes, const char* cName) {
    void* p = std::malloc(nBytes);
    if (p == nullptr) {
        char cMsg[160];
        std::snprintf(cMsg, sizeof cMsg, "ScrnDmp: cannot obtain %zu bytes for %s", nBytes, cName);
        StopFatal(cMsg);
    }
    return p;
}

}  // namespace

void DumpConvert(const float* rPix, uint8_t* bPix, int32_t w, int32_t h) {
    const size_t nRow = size_t(DumpRowBytes(w));
    for (size_t y = 0; y < size_t(h); ++y) {
        const float* rRow = rPix + 3 * size_t(w) * y;
        uint8_t* bRow = bPix + nRow * y;
        for (size_t x = 0; x < size_t(w); ++x) {
            for (size_t c = 0; c < 3; ++c) {
                const float v = rRow[3 * x + c] * 255.0f;
                // Truncation toward zero; NaN and negatives (never read back
                // from a fixed-point buffer) become 0 rather than wrapping.
                uint8_t b = 0;
                if (v >= 255.0f)
                    b = 255;
                else if (v > 0.0f)
                    b = uint8_t(v);
                bRow[3 * x + (2 - c)] = b;  // red, green, blue -> blue, green, red
            }
        }
        for (size_t k = 3 * size_t(w); k < nRow; ++k) bRow[k] = 0;
    }
}

namespace {

template <class T>
bool AllZero(const T* pPix, size_t nComp) {
    return std::all_of(pPix, pPix + nComp, [](T v) { return v == T(0); });
}

// Sets what it relies on, byte-aligned rows and the buffer read, and
// leaves them set: whatever reads pixels next sets its own.
template <class T>
void ReadFrontOrBack(int32_t w, int32_t h, GLenum eType, T* pPix) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_FRONT_LEFT);
    glReadPixels(0, 0, w, h, GL_RGB, eType, pPix);
    if (AllZero(pPix, 3 * size_t(w) * size_t(h))) {
        // Mesa's software rasteriser on a plain X server returns zeros for
        // the front buffer. The status lines are always drawn, so a real
        // frame is never all black; the back buffer still holds the frame
        // just swapped (copy swap) and is read instead.
        glReadBuffer(GL_BACK_LEFT);
        glReadPixels(0, 0, w, h, GL_RGB, eType, pPix);
    }
}

}  // namespace

bool DumpAllBlack(const float* rPix, size_t nComp) { return AllZero(rPix, nComp); }

void ReadWindow(int32_t w, int32_t h, float* rPix) { ReadFrontOrBack(w, h, GL_FLOAT, rPix); }

void ReadWindow(int32_t w, int32_t h, uint8_t* bPix) {
    ReadFrontOrBack(w, h, GL_UNSIGNED_BYTE, bPix);
}

std::string DumpReportLine(const char* cFile, int32_t w, int32_t h) {
    char cLine[80];
    std::snprintf(cLine, sizeof cLine, " Writing: %-12s  size:%9d x %9d", cFile, w, h);
    return cLine;
}

void DumpWrite(int32_t iUnit, const char* cFile, const BmpHeader& bh, const uint8_t* bPix,
               size_t nPix) {
    uint8_t bHead[kBmpHeaderBytes];
    BmpHeaderPack(bh, bHead);
    std::string cWhy;
    if (!WriteAtomic(cFile, bHead, std::span<const uint8_t>(bPix, nPix), cWhy))
        StopIo("GLScrSup:ScrnDmp", iUnit, cFile, cWhy.c_str());
}

void ScrnDmp(int32_t iUnit) {
    iDump = iDump + 1;
    // The window as the last frame was drawn, the whole of it.
    const WindowPixels win = ShownSize(ViewState);
    const int32_t w = win.iW;
    const int32_t h = win.iH;
    if (!DumpHeader(w, h, BHDump)) {
        char cMsg[120];
        std::snprintf(cMsg, sizeof cMsg, "ScrnDmp: window of %d x %d pixels cannot be dumped", w,
                      h);
        StopFatal(cMsg);
    }
    const size_t nComp = 3 * size_t(w) * size_t(h);

    float* rPix = static_cast<float*>(Obtain(nComp * sizeof(float), "the read-back"));
    ReadWindow(w, h, rPix);
    const size_t nBytes = size_t(DumpRowBytes(w)) * size_t(h);  // rows padded to 4 bytes
    uint8_t* bPix = static_cast<uint8_t*>(Obtain(nBytes, "the dump pixels"));
    DumpConvert(rPix, bPix, w, h);
    std::free(rPix);

    const char* cDmpFile = kDumpFile[iDump <= 5 ? iDump - 1 : 4];
    ReportLine(DumpReportLine(cDmpFile, w, h).c_str());
    DumpWrite(iUnit, cDmpFile, BHDump, bPix, nBytes);
    std::free(bPix);
    ReportLine("\a");
    if (iDump >= 5) StopRun("GLScrSup:ScrnDmp: ~: 5 screens dumped. Execution stopped.");
}
