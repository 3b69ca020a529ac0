// mksurface IN.png OUT.Bmp
//
// Turns an equirectangular lunar map (PNG, any size with a 2:1 aspect, any
// bit depth or colour type) into the viewer's surface image: 1024 x 512,
// uncompressed 8-bit, 256-entry gray-ramp palette, bottom row first,
// exactly 525,366 bytes.
//
// Resampling is an exact box filter. Source pixel x covers [x*1024, (x+1)*1024)
// and output column X covers [X*W, (X+1)*W) on a common integer grid (likewise
// rows with 512 and H), so every weight is the integer overlap of the two
// spans and fractional coverage is exact for up- and down-scaling alike.
// Gray is the Rec. 601 luma in thousandths (299 R + 587 G + 114 B) of each
// source pixel, area-averaged in 64-bit integers and rounded once at the end.
// Luma is linear, so this equals the luma of the area-averaged colour without
// its intermediate rounding. Values are averaged as stored (gamma-encoded),
// as every 8-bit image viewer does.
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kOutW = 1024;
constexpr uint32_t kOutH = 512;
constexpr uint32_t kPalBytes = 256 * 4;
constexpr uint32_t kOffBits = 54 + kPalBytes;         // 1078
constexpr uint32_t kFileBytes = kOffBits + kOutW * kOutH;  // 525,366

struct Span {        // one source column's share of one output column
    uint32_t iSrc;
    uint32_t iOut;
    uint64_t nWeight;
};

// Overlaps of nSrc source cells of length nOut with nOut output cells of
// length nSrc on the grid [0, nSrc*nOut).
std::vector<Span> Overlaps(uint32_t nSrc, uint32_t nOut) {
    std::vector<Span> spans;
    spans.reserve(size_t(nSrc) + nOut);
    for (uint32_t s = 0; s < nSrc; ++s) {
        const uint64_t a0 = uint64_t(s) * nOut, a1 = a0 + nOut;
        for (uint64_t o = a0 / nSrc; o < nOut && o * nSrc < a1; ++o) {
            const uint64_t b0 = o * nSrc, b1 = b0 + nSrc;
            const uint64_t lo = a0 > b0 ? a0 : b0, hi = a1 < b1 ? a1 : b1;
            if (hi > lo) spans.push_back({s, uint32_t(o), hi - lo});
        }
    }
    return spans;
}

struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* f = nullptr;
    ~PngRead() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        if (f != nullptr) std::fclose(f);
    }
};

void PngError(png_structp png, png_const_charp cMsg) {
    std::fprintf(stderr, "mksurface: %s: %s\n", static_cast<const char*>(png_get_error_ptr(png)),
                 cMsg);
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void Put32(uint8_t* b, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[k] = uint8_t(v >> (8 * k));
}

// Reads cIn and resamples it into gray (top row first). Returns false after
// printing why.
bool ReadAndResample(const char* cIn, std::vector<uint8_t>& gray) {
    PngRead r;
    r.f = std::fopen(cIn, "rb");
    if (r.f == nullptr) {
        std::fprintf(stderr, "mksurface: cannot open %s: %s\n", cIn, std::strerror(errno));
        return false;
    }
    uint8_t sig[8];
    if (std::fread(sig, 1, 8, r.f) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
        std::fprintf(stderr, "mksurface: %s is not a PNG file\n", cIn);
        return false;
    }
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, const_cast<char*>(cIn), PngError,
                                   PngWarning);
    if (r.png == nullptr) return false;
    r.info = png_create_info_struct(r.png);
    if (r.info == nullptr) return false;

    std::vector<uint8_t> image;      // whole image, only for interlaced files
    std::vector<uint8_t> row;
    std::vector<uint64_t> acc;       // luma * weight per output pixel
    std::vector<uint64_t> colSum;    // one source row, summed per output column
    std::vector<Span> colSpans, rowSpans;
    if (setjmp(png_jmpbuf(r.png))) return false;

    png_init_io(r.png, r.f);
    png_set_sig_bytes(r.png, 8);
    png_read_info(r.png, r.info);
    const uint32_t w = png_get_image_width(r.png, r.info);
    const uint32_t h = png_get_image_height(r.png, r.info);
    if (w == 0 || h == 0 || w != 2 * uint64_t(h)) {
        std::fprintf(stderr,
                     "mksurface: %s is %u x %u pixels; an equirectangular map must be exactly "
                     "twice as wide as it is high (2:1)\n",
                     cIn, w, h);
        return false;
    }
    // Everything to 8-bit RGB: palette and low-depth gray expanded, 16-bit
    // scaled down with rounding, alpha dropped (the map is opaque).
    png_set_expand(r.png);
#ifdef PNG_READ_SCALE_16_TO_8_SUPPORTED
    png_set_scale_16(r.png);
#else
    png_set_strip_16(r.png);
#endif
    png_set_strip_alpha(r.png);
    png_set_gray_to_rgb(r.png);
    const int nPasses = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    const size_t nRow = png_get_rowbytes(r.png, r.info);
    if (nRow != 3 * size_t(w)) {
        std::fprintf(stderr, "mksurface: %s: unexpected row layout after conversion\n", cIn);
        return false;
    }

    colSpans = Overlaps(w, kOutW);
    rowSpans = Overlaps(h, kOutH);
    acc.assign(size_t(kOutW) * kOutH, 0);
    colSum.assign(kOutW, 0);
    row.resize(nRow);
    if (nPasses > 1) {
        image.resize(nRow * h);
        std::vector<png_bytep> rows(h);
        for (uint32_t y = 0; y < h; ++y) rows[y] = image.data() + size_t(y) * nRow;
        png_read_image(r.png, rows.data());
    }
    size_t iSpan = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = row.data();
        if (nPasses > 1)
            src = image.data() + size_t(y) * nRow;
        else
            png_read_row(r.png, row.data(), nullptr);
        std::fill(colSum.begin(), colSum.end(), 0);
        for (const Span& s : colSpans) {
            const uint8_t* p = src + 3 * size_t(s.iSrc);
            colSum[s.iOut] += s.nWeight * (299u * p[0] + 587u * p[1] + 114u * p[2]);
        }
        for (; iSpan < rowSpans.size() && rowSpans[iSpan].iSrc == y; ++iSpan) {
            uint64_t* out = acc.data() + size_t(rowSpans[iSpan].iOut) * kOutW;
            for (uint32_t x = 0; x < kOutW; ++x) out[x] += rowSpans[iSpan].nWeight * colSum[x];
        }
    }
    png_read_end(r.png, nullptr);

    // Each output pixel's weights add up to w * h; luma carries a factor 1000.
    const uint64_t nDiv = 1000 * uint64_t(w) * h;
    gray.resize(size_t(kOutW) * kOutH);
    for (size_t n = 0; n < gray.size(); ++n) {
        const uint64_t v = (acc[n] + nDiv / 2) / nDiv;
        gray[n] = uint8_t(v > 255 ? 255 : v);
    }
    return true;
}

// The whole output file; rows bottom first.
std::vector<uint8_t> BuildBmp(const std::vector<uint8_t>& gray) {
    std::vector<uint8_t> b(kFileBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(&b[2], kFileBytes);
    Put32(&b[10], kOffBits);
    Put32(&b[14], 40);
    Put32(&b[18], kOutW);
    Put32(&b[22], kOutH);
    b[26] = 1;  // planes
    b[28] = 8;  // bits per pixel
    Put32(&b[34], kOutW * kOutH);
    Put32(&b[38], 3780);  // about 96 dpi
    Put32(&b[42], 3780);
    Put32(&b[46], 256);
    for (uint32_t k = 0; k < 256; ++k) b[54 + 4 * k] = b[55 + 4 * k] = b[56 + 4 * k] = uint8_t(k);
    for (uint32_t y = 0; y < kOutH; ++y)
        std::memcpy(&b[kOffBits + size_t(kOutH - 1 - y) * kOutW], &gray[size_t(y) * kOutW], kOutW);
    return b;
}

// Writes through ".<name>.tmp" beside cOut and renames it into place.
bool WriteAtomic(const char* cOut, const std::vector<uint8_t>& bytes) {
    const std::string cPath = cOut;
    const size_t nSlash = cPath.find_last_of('/');
    const size_t nBase = nSlash == std::string::npos ? 0 : nSlash + 1;
    const std::string cTemp = cPath.substr(0, nBase) + "." + cPath.substr(nBase) + ".tmp";
    std::FILE* f = std::fopen(cTemp.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "mksurface: cannot create %s: %s\n", cTemp.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0 &&
              fsync(fileno(f)) == 0;
    int iErr = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        iErr = errno;
    }
    if (ok && std::rename(cTemp.c_str(), cOut) != 0) {
        ok = false;
        iErr = errno;
    }
    if (!ok) {
        std::remove(cTemp.c_str());
        std::fprintf(stderr, "mksurface: cannot write %s: %s\n", cOut, std::strerror(iErr));
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mksurface IN.png OUT.Bmp\n");
        return 2;
    }
    std::vector<uint8_t> gray;
    if (!ReadAndResample(argv[1], gray)) return 1;
    if (!WriteAtomic(argv[2], BuildBmp(gray))) return 1;
    std::printf("mksurface: wrote %s, %u x %u 8-bit gray, %u bytes\n", argv[2], kOutW, kOutH,
                kFileBytes);
    return 0;
}
