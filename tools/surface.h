// Arithmetic of the surface-image maker, apart from any file format: where a
// source map lies on the output globe, exact area averaging of its rows into
// the 1024 x 512 output, gray levels and the BMP bytes.
//
// Resampling grid. Along a row, source pixel x covers [x*1024, (x+1)*1024)
// and output column X covers [X*W, (X+1)*W) on a circle of W*1024 integer
// units (one unit is 360 / (W*1024) degrees), output column 0 starting at
// longitude -180. A map whose west edge lies elsewhere is shifted round the
// circle by a whole number of units, so a source pixel crossing longitude
// +-180 is split between the last and the first output column. Rows are the
// same without the wrap: source row y covers [y*512, (y+1)*512), output row Y
// [Y*H, (Y+1)*H) from the north pole down. Every weight is an integer overlap,
// so coverage is exact for up- and down-scaling alike.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/bmp_codec.h"

constexpr uint32_t kOutW = kMapWidth;  // output pixels
constexpr uint32_t kOutH = kMapHeight;
constexpr uint32_t kOffBits = kBmpHeaderBytes + kBmpPaletteBytes;  // header and palette, 1078 bytes
constexpr uint32_t kFileBytes = kOffBits + kOutW * kOutH;    // 525,366
static_assert((kOutW & (kOutW - 1)) == 0, "the column wrap masks with kOutW - 1");

// Largest W * H accepted: the integer sums of 8-bit luma in thousandths
// (at most 255,000 per unit of weight, W * H units per output pixel) stay
// below 2^64.
constexpr uint64_t kMaxSourcePixels = UINT64_MAX / 255000 / 2;

// Where a source map lies on the output grid.
struct MapPlace {
    uint32_t nW = 0, nH = 0;  // source pixels
    uint64_t nShift = 0;      // units from longitude -180 east to the map's west edge, < nW*1024
    bool bEastLeft = false;   // columns run from east to west
    bool bSouthUp = false;    // rows run from south to north
};

// Edges of a map in degrees, as its georeferencing gives them: the west and
// east longitudes of its first and last columns' outer edges (east - west is
// the span, already unwrapped, negative when the columns run westward) and
// the latitudes of its top and bottom edges.
struct MapExtent {
    double dLonLeft = 0, dLonRight = 0;
    double dLatTop = 0, dLatBottom = 0;
};

// Shift in grid units of a map of nW columns whose west edge is at dWestLon
// degrees: rounded to the nearest unit, in [0, nW*1024).
uint64_t ShiftFor(double dWestLon, uint32_t nW);

// A map without georeferencing: whole globe, north up, west edge at dLeftLon.
MapPlace PlaceFromLeftLon(uint32_t nW, uint32_t nH, double dLeftLon);

// Largest error, degrees, of an edge of a whole-globe map.
constexpr double kWholeGlobeTolDeg = 0.5;

// A georeferenced map; false with the reason when it does not cover the
// whole globe (to within half a source pixel, and at most kWholeGlobeTolDeg),
// or when its extent is not finite.
bool PlaceFromExtent(uint32_t nW, uint32_t nH, const MapExtent& e, MapPlace& p, std::string& cWhy);

// Running sums for one map. T is uint64_t for 8-bit luma in thousandths
// (exact) and double for scaled values of other data types.
template <class T>
struct Sums {
    std::vector<T> acc;         // value * weight per output pixel, top row first
    std::vector<uint64_t> wgt;  // valid weight per output pixel
};

template <class T>
Sums<T> MakeSums();

// One source row on its way into the sums: its pixels are walked from the
// west edge eastward round the circle, in one span or in several (a very
// wide row is read in column strips), and folded into the output rows at
// its end.
template <class T>
struct RowWalk {
    uint64_t i = 0;                // pixels walked
    uint64_t pos = 0;              // unit where pixel i starts
    uint64_t cell = 0;             // output column (before the wrap) pixel i starts in
    uint64_t end = 0;              // that column's end, units
    std::vector<T> colSum;         // this row so far, per output column
    std::vector<uint64_t> colWgt;  // its valid weight per output column
};

// Starts a row: nothing walked yet.
template <class T>
void BeginRow(const MapPlace& p, RowWalk<T>& w);

// Walks the next nCount pixels of the row. vals holds source columns from
// xBase on, in file order (for a map whose columns run east to west the
// walk, and so the spans, go from the last column back). bValid nullptr
// when every pixel is valid, else 0 for a pixel left out, whose value must
// then be 0.
template <class T, class V>
void AddSpan(const MapPlace& p, RowWalk<T>& w, const V* vals, const uint8_t* bValid, uint64_t xBase,
             uint64_t nCount);

// Adds the walked row, source row y, each value counted as value * mul, to
// its share of the output rows.
template <class T>
void EndRow(const MapPlace& p, uint32_t y, const RowWalk<T>& w, T mul, Sums<T>& s);

// Adds source row y in one go: nW values in file order.
template <class T, class V>
void AddRow(const MapPlace& p, uint32_t y, const V* vals, const uint8_t* bValid, T mul, RowWalk<T>& w,
            Sums<T>& s) {
    BeginRow(p, w);
    AddSpan(p, w, vals, bValid, 0, p.nW);
    EndRow(p, y, w, mul, s);
}

// Gray levels, top row first: the weighted mean of the 8-bit luma
// thousandths, rounded half up. Output pixels with no valid source are 0.
std::vector<uint8_t> GrayFromLuma(const Sums<uint64_t>& s);

// Gray levels of scaled values: the weighted mean mapped linearly from
// [dLo, dHi] to 0..255, rounded and clamped.
std::vector<uint8_t> GrayFromScaled(const Sums<double>& s, double dLo, double dHi);

// Rec. 601 luma in thousandths of 8-bit red, green and blue.
constexpr uint32_t LumaMilli(uint32_t r, uint32_t g, uint32_t b) {
    return kLumaRed * r + kLumaGreen * g + kLumaBlue * b;
}

// Header and gray-ramp palette of the output file.
std::array<uint8_t, kOffBits> BmpHead();
// Pixel rows of the output file, bottom row first, from gray top row first.
std::vector<uint8_t> BmpBody(const std::vector<uint8_t>& gray);
