// What is read and how: the bands and the kind of source, each row turned
// into luma or values, the map cut into reads of bounded size, and the sums
// folded into gray levels.
//
// Gray is the Rec. 601 luma of the first three bands, the band itself when
// there is one, or a palette entry's luma. 8-bit values are averaged as
// stored (gamma-encoded, as image viewers show them) in exact integers;
// other data types, or any with --range, are mapped linearly from their
// minimum and maximum (or LO and HI, values beyond clamped) onto 0..255.
// Nodata pixels, alpha 0 and non-finite values are left out of the averages;
// an output pixel with nothing valid under it is 0.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "tools/convert_parts.h"

namespace convert_parts {

namespace {

constexpr size_t kChunkBytes = size_t(16) << 20;    // one read: whole rows, or a strip of a wide row
constexpr uint32_t kMaxStripRows = 256;             // rows read together in column strips

Why DescribeKind(GDALDataset* ds, const ConvertOptions& o, Source& s) {
    GDALRasterBand* b1 = ds->GetRasterBand(1);
    const GDALColorTable* pal = b1->GetColorTable();
    if (b1->GetColorInterpretation() == GCI_PaletteIndex && pal != nullptr) {
        s.eKind = Kind::Palette;
        s.bands = {1};
        if (o.bRange) return o.cIn + " is a palette image; --range does not apply to it";
        for (int k = 0; k < pal->GetColorEntryCount(); ++k) {
            GDALColorEntry c;
            pal->GetColorEntryAsRGB(k, &c);
            s.palLuma.push_back(LumaMilli(uint8_t(c.c1), uint8_t(c.c2), uint8_t(c.c3)));
            s.palOk.push_back(c.c4 != 0);
        }
    } else if (ds->GetRasterCount() >= 3 && ds->GetRasterBand(2)->GetColorInterpretation() != GCI_AlphaBand) {
        s.eKind = Kind::Rgb;
        s.bands = {1, 2, 3};
    } else {
        s.eKind = Kind::Gray;
        s.bands = {1};
    }
    return {};
}

}  // namespace

Why Describe(GDALDataset* ds, const ConvertOptions& o, Source& s) {
    s.ds = ds;
    s.nW = uint32_t(ds->GetRasterXSize());
    s.nH = uint32_t(ds->GetRasterYSize());
    if (ds->GetRasterCount() < 1) return o.cIn + " has no raster bands";
    Why cWhy = DescribeKind(ds, o, s);
    if (!cWhy.empty()) return cWhy;
    s.bByte = true;
    for (const int i : s.bands) {
        GDALRasterBand* b = ds->GetRasterBand(i);
        if (GDALDataTypeIsComplex(b->GetRasterDataType()))
            return o.cIn + " holds complex numbers; a map of real values is needed";
        s.bByte = s.bByte && b->GetRasterDataType() == GDT_Byte;
        int bHas = 0;
        const double d = b->GetNoDataValue(&bHas);
        s.nodata.push_back(bHas ? d : std::numeric_limits<double>::quiet_NaN());
        s.bNodata = s.bNodata || bHas;
    }
    s.bScaled = s.eKind != Kind::Palette && (!s.bByte || o.bRange);
    GDALRasterBand* b1 = ds->GetRasterBand(1);
    const int iFlags = b1->GetMaskFlags();
    if (!(iFlags & GMF_ALL_VALID) && !(iFlags & GMF_NODATA)) s.mask = b1->GetMaskBand();
    return {};
}

namespace {

// ---- one row of values --------------------------------------------------

// One row (or one strip of a row) turned into values for the sums.
struct Scan {
    std::vector<uint32_t> lumaI;  // 8-bit luma thousandths
    std::vector<double> valD;     // unscaled values
    std::vector<uint8_t> valid;   // 0 = left out
    double dMin = std::numeric_limits<double>::infinity();
    double dMax = -std::numeric_limits<double>::infinity();
    uint64_t nValid = 0;
};

// Where one row's samples lie in a band-sequential read buffer.
template <class B>
struct RowIn {
    const B* r;               // first colour band; g and b follow at nBandStride
    size_t nBandStride;       // samples
    const uint8_t* mask;      // nullptr when there is none
    uint32_t n;               // pixels
};

// A value equal to its band's nodata (never true when the band has none: NaN).
bool IsNodata(double v, double nd) { return v == nd; }

void StartValid(const uint8_t* mask, uint32_t n, uint8_t* ok) {
    if (mask == nullptr)
        std::fill(ok, ok + n, uint8_t(1));
    else
        for (uint32_t x = 0; x < n; ++x) ok[x] = mask[x] != 0;
}

void CountValid(const uint8_t* ok, uint32_t n, Scan& sc) {
    uint64_t nValid = 0;  // a local sum: ok is bytes, which may alias sc
    for (uint32_t x = 0; x < n; ++x) nValid += ok[x];
    sc.nValid += nValid;
}

// Each routine below fills one row of scan for one kind of source; a pixel
// left out gets value 0.
template <class B>
void RowPalette(const Source& s, const ConvertOptions&, const RowIn<B>& in, Scan& sc) {
    uint8_t* ok = sc.valid.data();
    StartValid(in.mask, in.n, ok);
    const size_t nPal = s.palLuma.size();
    for (uint32_t x = 0; x < in.n; ++x) {
        const double d = double(in.r[x]);
        const size_t k = d >= 0 && d < double(nPal) ? size_t(d) : nPal;
        ok[x] = ok[x] && k < nPal && s.palOk[k] && !IsNodata(d, s.nodata[0]);
        sc.lumaI[x] = ok[x] ? s.palLuma[k] : 0;
    }
    CountValid(ok, in.n, sc);
}

void RowGrayByte(const Source& s, const ConvertOptions&, const RowIn<uint8_t>& in, Scan& sc) {
    uint8_t* ok = sc.valid.data();
    StartValid(in.mask, in.n, ok);
    for (uint32_t x = 0; x < in.n; ++x) {
        ok[x] = ok[x] && !IsNodata(double(in.r[x]), s.nodata[0]);
        sc.lumaI[x] = ok[x] ? 1000 * uint32_t(in.r[x]) : 0;
    }
    CountValid(ok, in.n, sc);
}

void RowRgbByte(const Source&, const ConvertOptions&, const RowIn<uint8_t>& in, Scan& sc) {
    const uint8_t *r = in.r, *g = r + in.nBandStride, *b = g + in.nBandStride;
    for (uint32_t x = 0; x < in.n; ++x) sc.lumaI[x] = LumaMilli(uint32_t(r[x]), uint32_t(g[x]), uint32_t(b[x]));
    sc.nValid += in.n;
}

void RowRgbByteLeftOut(const Source& s, const ConvertOptions&, const RowIn<uint8_t>& in, Scan& sc) {
    const uint8_t *r = in.r, *g = r + in.nBandStride, *b = g + in.nBandStride;
    uint8_t* ok = sc.valid.data();
    StartValid(in.mask, in.n, ok);
    for (uint32_t x = 0; x < in.n; ++x) {
        ok[x] = ok[x] && !(IsNodata(double(r[x]), s.nodata[0]) && IsNodata(double(g[x]), s.nodata[1]) &&
                           IsNodata(double(b[x]), s.nodata[2]));
        sc.lumaI[x] = ok[x] ? LumaMilli(uint32_t(r[x]), uint32_t(g[x]), uint32_t(b[x])) : 0;
    }
    CountValid(ok, in.n, sc);
}

template <class B>
void RowScaledGray(const Source& s, const ConvertOptions& o, const RowIn<B>& in, Scan& sc) {
    uint8_t* ok = sc.valid.data();
    StartValid(in.mask, in.n, ok);
    const double nd = s.nodata[0];
    double dMin = sc.dMin, dMax = sc.dMax;
    for (uint32_t x = 0; x < in.n; ++x) {
        double v = double(in.r[x]);
        const bool bGood = ok[x] && std::isfinite(v) && v != nd;
        if (o.bRange) v = std::clamp(v, o.dLo, o.dHi);
        v = bGood ? v : 0.0;
        dMin = bGood && v < dMin ? v : dMin;
        dMax = bGood && v > dMax ? v : dMax;
        sc.valD[x] = v;
        ok[x] = bGood;
    }
    sc.dMin = dMin;
    sc.dMax = dMax;
    CountValid(ok, in.n, sc);
}

// The luma weights as fractions (299 / 1000.0 is the double nearest 0.299).
constexpr double kLumaR = kLumaRed / 1000.0, kLumaG = kLumaGreen / 1000.0, kLumaB = kLumaBlue / 1000.0;

template <class B>
void RowScaledRgb(const Source& s, const ConvertOptions& o, const RowIn<B>& in, Scan& sc) {
    const B *r = in.r, *g = r + in.nBandStride, *b = g + in.nBandStride;
    uint8_t* ok = sc.valid.data();
    StartValid(in.mask, in.n, ok);
    for (uint32_t x = 0; x < in.n; ++x) {
        double v[3] = {double(r[x]), double(g[x]), double(b[x])};
        bool bAllNodata = true;
        for (size_t c = 0; c < 3; ++c) {
            ok[x] = ok[x] && std::isfinite(v[c]);
            bAllNodata = bAllNodata && IsNodata(v[c], s.nodata[c]);
        }
        ok[x] = ok[x] && !bAllNodata;
        if (!ok[x]) {
            sc.valD[x] = 0;
            continue;
        }
        for (size_t c = 0; c < 3; ++c) {
            if (o.bRange) v[c] = std::clamp(v[c], o.dLo, o.dHi);
            sc.dMin = std::min(sc.dMin, v[c]);
            sc.dMax = std::max(sc.dMax, v[c]);
        }
        sc.valD[x] = kLumaR * v[0] + kLumaG * v[1] + kLumaB * v[2];
    }
    CountValid(ok, in.n, sc);
}

// The row routines of one source, chosen once: for 8-bit reads and for
// reads as doubles (every other data type).
struct RowFns {
    void (*fnByte)(const Source&, const ConvertOptions&, const RowIn<uint8_t>&, Scan&) = nullptr;
    void (*fnDouble)(const Source&, const ConvertOptions&, const RowIn<double>&, Scan&) = nullptr;
    bool bPlainGray = false;  // 8-bit gray, every pixel valid: summed as read
    bool bMaybeLeftOut = false;
};

RowFns PickRow(const Source& s) {
    RowFns f;
    f.bMaybeLeftOut = s.mask != nullptr || s.bNodata || s.bScaled || s.eKind == Kind::Palette;
    if (s.eKind == Kind::Palette) {
        f.fnByte = RowPalette<uint8_t>;
        f.fnDouble = RowPalette<double>;
    } else if (s.bScaled) {
        f.fnByte = s.eKind == Kind::Gray ? RowScaledGray<uint8_t> : RowScaledRgb<uint8_t>;
        f.fnDouble = s.eKind == Kind::Gray ? RowScaledGray<double> : RowScaledRgb<double>;
    } else if (s.eKind == Kind::Gray) {
        f.bPlainGray = !f.bMaybeLeftOut;
        f.fnByte = RowGrayByte;
    } else {
        f.fnByte = f.bMaybeLeftOut ? RowRgbByteLeftOut : RowRgbByte;
    }
    return f;
}

// ---- reading and averaging ----------------------------------------------

// How the map is cut into reads: nRows rows at a time, each row in strips of
// nCols columns (one strip when whole rows fit a chunk).
struct Cuts {
    uint32_t nRows = 1, nCols = 1, nStrips = 1;
    bool bWide = false;  // rows in several strips: each strip row keeps its own walk
};

Cuts CutMap(const Source& s) {
    const size_t nSample = s.bByte ? 1 : sizeof(double);
    const size_t nPixBytes = s.bands.size() * nSample + (s.mask != nullptr ? 1 : 0);
    int nBlockW = 0, nBlockH = 0;
    s.ds->GetRasterBand(1)->GetBlockSize(&nBlockW, &nBlockH);
    Cuts c;
    c.nCols = s.nW;
    if (size_t(s.nW) * nPixBytes <= kChunkBytes) {
        // Whole block rows when they fit, so each block is decoded once.
        c.nRows = uint32_t(std::clamp<size_t>(kChunkBytes / (size_t(s.nW) * nPixBytes), 1, s.nH));
        if (nBlockH > 1 && c.nRows > uint32_t(nBlockH)) c.nRows -= c.nRows % uint32_t(nBlockH);
        return c;
    }
    // A row wider than a chunk: strips one block row high, so the blocks a
    // strip touches stay in the cache until the next strip needs them.
    c.bWide = true;
    c.nRows = std::clamp<uint32_t>(uint32_t(std::max(nBlockH, 1)), 1, std::min(kMaxStripRows, s.nH));
    c.nCols = uint32_t(std::max<size_t>(kChunkBytes / (nPixBytes * c.nRows), 1));
    c.nStrips = uint32_t((uint64_t(s.nW) + c.nCols - 1) / c.nCols);
    return c;
}

// One read: columns x0 .. x0+nCols-1 of rows y0 .. y0+n-1, and whether it
// holds the first and the last strip of its rows.
struct Strip {
    uint32_t x0 = 0, nCols = 0, y0 = 0, n = 0;
    bool bFirst = true, bLast = true;
};

// Read buffers and the running state of one conversion.
struct Reader {
    std::vector<uint8_t> bufB;     // colour bands, band after band, 8-bit
    std::vector<double> bufD;      // the same for every other data type
    std::vector<uint8_t> maskBuf;  // the mask, when there is one
    Scan sc;
    std::vector<RowWalk<uint64_t>> walkI;
    std::vector<RowWalk<double>> walkD;
    Sums<uint64_t> sumI;
    Sums<double> sumD;
};

void SetUpReader(const Source& s, const Cuts& c, Reader& rd) {
    const size_t nBuf = size_t(c.nCols) * c.nRows;
    if (s.bByte)
        rd.bufB.resize(nBuf * s.bands.size());
    else
        rd.bufD.resize(nBuf * s.bands.size());
    if (s.mask != nullptr) rd.maskBuf.resize(nBuf);
    rd.sc.valid.resize(c.nCols);
    const size_t nWalks = c.bWide ? c.nRows : 1;
    if (s.bScaled) {
        rd.sc.valD.resize(c.nCols);
        rd.walkD.resize(nWalks);
        rd.sumD = MakeSums<double>();
    } else {
        rd.sc.lumaI.resize(c.nCols);
        rd.walkI.resize(nWalks);
        rd.sumI = MakeSums<uint64_t>();
    }
}

// Rows y0 .. y0+n-1 of the strip's columns into the read buffers; false on a
// failure or damaged data, told in m.
bool ReadRows(const Source& s, const Strip& st, uint32_t y0, uint32_t n, GdalMessages& m, Reader& rd) {
    const int x0 = int(st.x0), nCols = int(st.nCols);
    std::vector<int> bandMap = s.bands;
    void* pBuf = s.bByte ? static_cast<void*>(rd.bufB.data()) : static_cast<void*>(rd.bufD.data());
    m.cErr.clear();
    m.bDamaged = false;
    m.bReadingPixels = true;
    const bool bOk =
        s.ds->RasterIO(GF_Read, x0, int(y0), nCols, int(n), pBuf, nCols, int(n), s.bByte ? GDT_Byte : GDT_Float64,
                       int(bandMap.size()), bandMap.data(), 0, 0, 0, nullptr) == CE_None &&
        (s.mask == nullptr || s.mask->RasterIO(GF_Read, x0, int(y0), nCols, int(n), rd.maskBuf.data(), nCols,
                                               int(n), GDT_Byte, 0, 0, nullptr) == CE_None);
    m.bReadingPixels = false;
    return bOk && !m.bDamaged;
}

Why ReadStrip(const Source& s, const ConvertOptions& o, const Strip& st, GdalMessages& m, Reader& rd) {
    if (ReadRows(s, st, st.y0, st.n, m, rd)) return {};
    // The strip's rows one by one, to name the first that fails (a strip may
    // also fail as a whole and not row by row: its first row is named then).
    uint32_t y = st.y0;
    std::string cErr = m.cErr;
    for (uint32_t r = 0; st.n > 1 && r < st.n; ++r) {
        if (!ReadRows(s, st, st.y0 + r, 1, m, rd)) {
            y = st.y0 + r;
            cErr = m.cErr;
            break;
        }
    }
    m.cErr = cErr;
    return WithGdal(m, "cannot read " + o.cIn + " at row " + std::to_string(y));
}

// Folds row r of the strip just read into the sums: the row's walk is begun
// at its first strip and ended at its last.
void AddStripRow(const Source& s, const ConvertOptions& o, const MapPlace& p, const RowFns& f, const Cuts& c,
                 const Strip& st, uint32_t r, Reader& rd) {
    const size_t nStride = size_t(st.nCols) * st.n;
    const size_t nAt = size_t(r) * st.nCols;
    const uint32_t y = st.y0 + r;
    const uint8_t* m = s.mask != nullptr ? rd.maskBuf.data() + nAt : nullptr;
    const uint8_t* v = f.bMaybeLeftOut ? rd.sc.valid.data() : nullptr;
    if (s.bScaled) {
        RowWalk<double>& w = rd.walkD[c.bWide ? r : 0];
        if (st.bFirst) BeginRow(p, w);
        if (s.bByte)
            f.fnByte(s, o, {rd.bufB.data() + nAt, nStride, m, st.nCols}, rd.sc);
        else
            f.fnDouble(s, o, {rd.bufD.data() + nAt, nStride, m, st.nCols}, rd.sc);
        AddSpan(p, w, rd.sc.valD.data(), v, st.x0, st.nCols);
        if (st.bLast) EndRow(p, y, w, 1.0, rd.sumD);
        return;
    }
    RowWalk<uint64_t>& w = rd.walkI[c.bWide ? r : 0];
    if (st.bFirst) BeginRow(p, w);
    if (f.bPlainGray) {  // luma is 1000 * value
        AddSpan(p, w, rd.bufB.data() + nAt, nullptr, st.x0, st.nCols);
        rd.sc.nValid += st.nCols;
    } else {
        if (s.bByte)
            f.fnByte(s, o, {rd.bufB.data() + nAt, nStride, m, st.nCols}, rd.sc);
        else
            f.fnDouble(s, o, {rd.bufD.data() + nAt, nStride, m, st.nCols}, rd.sc);
        AddSpan(p, w, rd.sc.lumaI.data(), v, st.x0, st.nCols);
    }
    if (st.bLast) EndRow(p, y, w, uint64_t(f.bPlainGray ? 1000 : 1), rd.sumI);
}

// Gray levels from the sums, or the reason there are none to be had.
Why Finish(const Source& s, const ConvertOptions& o, const Reader& rd, std::vector<uint8_t>& gray) {
    const Scan& sc = rd.sc;
    if (sc.nValid == 0) return o.cIn + " has no valid pixels (all nodata or transparent)";
    if (!s.bScaled) {
        gray = GrayFromLuma(rd.sumI);
        return {};
    }
    // Sums of value * weight reach the largest value times W * H: beyond a
    // double they become infinite, and the gray levels meaningless.
    const double dBig = std::max(std::fabs(sc.dMin), std::fabs(sc.dMax));
    if (!std::isfinite(sc.dMax - sc.dMin) ||
        !(dBig * double(s.nW) * double(s.nH) < std::numeric_limits<double>::max() / 4))
        return o.cIn + " holds values from " + Num("%.6g", sc.dMin) + " to " + Num("%.6g", sc.dMax) +
               ", too large to average; pass --range LO HI with the values that are to become gray 0 "
               "and 255";
    if (o.bRange) {
        gray = GrayFromScaled(rd.sumD, o.dLo, o.dHi);
        return {};
    }
    if (!(sc.dMin < sc.dMax))
        return o.cIn + " holds one value only, " + Num("%.6g", sc.dMin) +
               "; pass --range LO HI to say which gray it is";
    gray = GrayFromScaled(rd.sumD, sc.dMin, sc.dMax);
    return {};
}

}  // namespace

Why Average(const Source& s, const MapPlace& p, const ConvertOptions& o, const ConvertHooks& h, GdalMessages& m,
            std::vector<uint8_t>& gray) {
    const Cuts c = CutMap(s);
    const RowFns f = PickRow(s);
    Reader rd;
    SetUpReader(s, c, rd);
    if (h.fnProgress != nullptr) h.fnProgress(0.0, h.pData);
    for (uint32_t y0 = 0; y0 < s.nH; y0 += c.nRows) {
        for (uint32_t k = 0; k < c.nStrips; ++k) {
            // Strips in walk order: from the last column back when east is left.
            Strip st;
            const uint32_t i0 = k * c.nCols;
            st.nCols = std::min(c.nCols, s.nW - i0);
            st.x0 = p.bEastLeft ? s.nW - i0 - st.nCols : i0;
            st.y0 = y0;
            st.n = std::min(c.nRows, s.nH - y0);
            st.bFirst = k == 0;
            st.bLast = k + 1 == c.nStrips;
            Why cWhy = ReadStrip(s, o, st, m, rd);
            if (!cWhy.empty()) return cWhy;
            for (uint32_t r = 0; r < st.n; ++r) AddStripRow(s, o, p, f, c, st, r, rd);
            if (h.fnProgress != nullptr)
                h.fnProgress((double(y0) + double(st.n) * (k + 1) / c.nStrips) / s.nH, h.pData);
        }
    }
    return Finish(s, o, rd, gray);
}

}  // namespace convert_parts
