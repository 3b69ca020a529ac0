// libFuzzer target for the surface-image reader: BmpParse on arbitrary bytes,
// with outputs of exactly their documented sizes so that any write or read
// past them is caught by AddressSanitizer, and with the reader's promises
// checked on every input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "image/bmp_codec.h"
#include "image/screen_dump.h"

namespace {

[[noreturn]] void Broken() { __builtin_trap(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bData, size_t nData) {
    // Fresh heap copies of exactly nData bytes: a read past the input is an error.
    std::unique_ptr<uint8_t[]> bIn(new uint8_t[nData == 0 ? 1 : nData]);
    if (nData != 0) std::memcpy(bIn.get(), bData, nData);
    static uint8_t* const bPal = new uint8_t[256 * 4];
    static uint8_t* const bGray = new uint8_t[kMapPixels];

    BmpHeader bh{};
    const BmpResult r = BmpParse(bIn.get(), nData, bh, bPal, bGray);
    const size_t nWhy = strnlen(r.cWhy, sizeof r.cWhy);
    if (nWhy == sizeof r.cWhy) Broken();  // reason not terminated

    if (r.eStatus == BmpStatus::Ok) {
        if (nWhy != 0) Broken();
        // What was accepted is the 1024 x 512 8-bit uncompressed map with its
        // pixels inside the input, each mapped through the palette.
        if (bh.nWidth != kMapWidth || bh.nHeight != kMapHeight || bh.nBitsPP != 8 ||
            bh.nCompr != 0)
            Broken();
        if (bh.nOffBits < 54 || size_t(bh.nOffBits) + kMapPixels > nData) Broken();
        const uint8_t* bPix = bIn.get() + bh.nOffBits;
        for (size_t n : {size_t(0), kMapPixels / 2 + 17, kMapPixels - 1}) {
            const uint8_t* e = bPal + 4 * bPix[n];
            if (bGray[n] != BmpLuma(e[2], e[1], e[0])) Broken();
        }
    } else if (nWhy == 0) {
        Broken();  // a refusal always says why
    } else if (r.eStatus == BmpStatus::Short && nData >= 54 &&
               int64_t(BmpHeaderUnpack(bIn.get()).nSizeF) <= int64_t(nData)) {
        Broken();  // "cut short" only when the recorded size says the file is longer
    }

    // The header codec is lossless on any 54 bytes.
    if (nData >= 54) {
        uint8_t bBack[54];
        BmpHeaderPack(BmpHeaderUnpack(bIn.get()), bBack);
        if (std::memcmp(bBack, bIn.get(), 54) != 0) Broken();
    }

    // Dump headers for any size: positive sizes whose padded file fits nSizeF pass.
    if (nData >= 8) {
        int32_t w = 0;
        int32_t h = 0;
        std::memcpy(&w, bIn.get(), 4);
        std::memcpy(&h, bIn.get() + 4, 4);
        BmpHeader dh{};
        if (DumpHeader(w, h, dh)) {
            const int64_t nRow = DumpRowBytes(w);
            if (w <= 0 || h <= 0 || nRow % 4 != 0 || nRow < 3 * int64_t(w) || nRow > 3 * int64_t(w) + 3)
                Broken();
            if (int64_t(dh.nSizeF) != nRow * h + 54 || dh.nOffBits != 54) Broken();
        }
    }
    return 0;
}
