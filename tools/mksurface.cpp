// qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT
//
// Turns a cylindrical lunar map in any raster format GDAL reads into the
// viewer's surface image: 1024 x 512, uncompressed 8-bit, 256-entry
// gray-ramp palette, bottom row first, 525,366 bytes, longitude 0 at the
// centre column.
//
// Gray is the Rec. 601 luma (299 R + 587 G + 114 B thousandths) of the first
// three bands, the band itself when there is one, or a palette entry's luma.
// 8-bit values are averaged as stored (gamma-encoded, as image viewers show
// them) in exact integers; other data types, or any with --range, are mapped
// linearly from their minimum and maximum (or LO and HI, values beyond
// clamped) onto 0..255. Nodata pixels, alpha 0 and non-finite values are
// left out of the averages; an output pixel with nothing valid under it is 0.
//
// The input is read by block rows and each row folded into the 1024 x 512
// sums at once (tools/surface.h), so memory does not grow with the input.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_progress.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/atomic_file.h"
#include "tools/surface.h"

namespace {

constexpr const char* kUsage =
    "usage: qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT\n";
constexpr GIntBig kCacheBytes = GIntBig(32) << 20;  // GDAL's block cache
constexpr size_t kChunkBytes = size_t(16) << 20;    // one read of whole rows
constexpr double kDegRad = 0.017453292519943295;

struct Options {
    bool bQuiet = false;
    bool bLeftLon = false;
    double dLeftLon = -180.0;
    bool bRange = false;
    double dLo = 0, dHi = 0;
    std::string cIn, cOut;
};

// The message of GDAL's last failure, shown in ours instead of GDAL's own
// printing.
std::string cGdalErr;
void CollectGdalError(CPLErr eClass, CPLErrorNum, const char* cMsg) {
    if (eClass >= CE_Failure && cMsg != nullptr) cGdalErr = cMsg;
}

bool Fail(const std::string& cMsg) {
    std::fprintf(stderr, "qarn-mksurface: %s\n", cMsg.c_str());
    return false;
}

std::string WithGdal(const std::string& cMsg) {
    return cGdalErr.empty() ? cMsg : cMsg + ": " + cGdalErr;
}

bool ParseNumber(const char* c, double& d) {
    char* cEnd = nullptr;
    errno = 0;
    d = std::strtod(c, &cEnd);
    return cEnd != c && *cEnd == '\0' && errno == 0 && std::isfinite(d);
}

// False after a message (usage errors included); bHelp set for --help.
bool ParseArgs(int argc, char** argv, Options& o, bool& bHelp) {
    std::vector<std::string> pos;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            bHelp = true;
            return true;
        }
        if (a == "-q") {
            o.bQuiet = true;
        } else if (a == "--left-lon") {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], o.dLeftLon))
                return Fail("--left-lon needs a longitude in degrees");
            o.bLeftLon = true;
            ++i;
        } else if (a == "--range") {
            if (i + 2 >= argc || !ParseNumber(argv[i + 1], o.dLo) || !ParseNumber(argv[i + 2], o.dHi))
                return Fail("--range needs two numbers, LO and HI");
            if (!(o.dLo < o.dHi)) return Fail("--range LO HI needs LO below HI");
            o.bRange = true;
            i += 2;
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("unknown option " + a);
        } else {
            pos.push_back(a);
        }
    }
    if (pos.size() != 2) return Fail("needs an INPUT and an OUTPUT");
    o.cIn = pos[0];
    o.cOut = pos[1];
    return true;
}

void PrintHelp() {
    std::fputs(kUsage, stdout);
    std::fputs(
        "Makes the viewer's surface image (1024 x 512 8-bit gray BMP, longitude 0 at the\n"
        "centre column) from a cylindrical map of the whole Moon in any raster format\n"
        "GDAL reads.\n"
        "  -q              no progress bar, no closing line\n"
        "  --left-lon DEG  longitude of the left edge of the map, ignoring any\n"
        "                  georeferencing (default: from the georeferencing, else -180)\n"
        "  --range LO HI   map band values LO..HI onto gray 0..255 (default: 8-bit\n"
        "                  values as they are, others from their minimum and maximum)\n",
        stdout);
}

// ---- where the map lies -------------------------------------------------

// Longitude and latitude in degrees of points in the map's own coordinates.
struct LonLatOf {
    bool bGeographic = false;
    double dUnitDeg = 1.0;  // geographic: degrees per CRS unit
    OGRSpatialReference src, geog;
    std::unique_ptr<OGRCoordinateTransformation> ct;
};

bool ToLonLat(LonLatOf& t, double x, double y, double& dLon, double& dLat) {
    if (t.bGeographic) {
        dLon = x * t.dUnitDeg;
        dLat = y * t.dUnitDeg;
        return true;
    }
    if (!t.ct->Transform(1, &x, &y) || !std::isfinite(x) || !std::isfinite(y)) return false;
    dLon = x;
    dLat = y;
    return true;
}

// Edges of a georeferenced map, found from points along its middle row and
// column; false with the reason when the map is not a plate carree on which
// longitude and latitude run linearly with the columns and rows.
bool FindExtent(GDALDataset* ds, const OGRSpatialReference& srs, const double gt[6],
                const std::string& cIn, MapExtent& e) {
    const int nW = ds->GetRasterXSize(), nH = ds->GetRasterYSize();
    if (gt[2] != 0.0 || gt[4] != 0.0)
        return Fail(cIn + ": rotated georeferencing is not supported");
    LonLatOf t;
    t.src = srs;
    t.src.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (t.src.IsGeographic()) {
        t.bGeographic = true;
        t.dUnitDeg = t.src.GetAngularUnits(nullptr) / kDegRad;
    } else if (t.src.IsProjected()) {
        std::unique_ptr<OGRSpatialReference> g(t.src.CloneGeogCS());
        if (!g) return Fail(WithGdal(cIn + ": its coordinate system has no geographic base"));
        t.geog = *g;
        t.geog.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        t.ct.reset(OGRCreateCoordinateTransformation(&t.src, &t.geog));
        if (!t.ct) return Fail(WithGdal(cIn + ": cannot convert its coordinates to longitude and latitude"));
    } else {
        return Fail(cIn + ": its coordinate system is neither geographic nor projected");
    }
    constexpr int kSteps = 8;
    const double xMid = gt[0] + gt[1] * nW / 2, yMid = gt[3] + gt[5] * nH / 2;
    double lon[kSteps + 1], lat[kSteps + 1], dDummy = 0;
    for (int k = 0; k <= kSteps; ++k) {
        const double x = gt[0] + gt[1] * nW * k / kSteps, y = gt[3] + gt[5] * nH * k / kSteps;
        if (!ToLonLat(t, x, yMid, lon[k], dDummy) || !ToLonLat(t, xMid, y, dDummy, lat[k]))
            return Fail(WithGdal(cIn + ": cannot convert its corners to longitude and latitude"));
        // Longitudes come back wrapped; each step is well under 180 degrees.
        if (k > 0) {
            while (lon[k] - lon[k - 1] > 180) lon[k] -= 360;
            while (lon[k] - lon[k - 1] < -180) lon[k] += 360;
        }
    }
    // Linear in columns and rows, meridians straight down: to a hundredth
    // of a pixel.
    const double dTolLon = std::fabs(lon[kSteps] - lon[0]) / nW / 100;
    const double dTolLat = std::fabs(lat[kSteps] - lat[0]) / nH / 100;
    bool bLinear = true;
    for (int k = 0; k <= kSteps; ++k) {
        bLinear = bLinear && std::fabs(lon[k] - (lon[0] + (lon[kSteps] - lon[0]) * k / kSteps)) <= dTolLon &&
                  std::fabs(lat[k] - (lat[0] + (lat[kSteps] - lat[0]) * k / kSteps)) <= dTolLat;
    }
    for (const double f : {0.25, 0.75}) {
        double dLon = 0;
        bLinear = bLinear && ToLonLat(t, gt[0], gt[3] + gt[5] * nH * f, dLon, dDummy) &&
                  std::fabs(std::remainder(dLon - lon[0], 360.0)) <= dTolLon;
    }
    if (!bLinear)
        return Fail(cIn + ": not a cylindrical equirectangular (plate carree) map; "
                          "reproject it first, for instance with gdalwarp");
    e.dLonLeft = lon[0];
    e.dLonRight = lon[kSteps];
    e.dLatTop = lat[0];
    e.dLatBottom = lat[kSteps];
    if (!t.bGeographic) {
        // Name the sphere: a map in metres on the wrong body shows as a
        // partial or oversized extent.
        const double dR = t.src.GetSemiMajor(nullptr);
        std::string cWhy;
        MapPlace p;
        if (!PlaceFromExtent(uint32_t(nW), uint32_t(nH), e, p, cWhy)) {
            char cR[64];
            std::snprintf(cR, sizeof cR, " (on a sphere of radius %.0f m)", dR);
            return Fail(cIn + " " + cWhy + cR);
        }
    }
    return true;
}

bool Place(GDALDataset* ds, const Options& o, MapPlace& p) {
    const uint32_t nW = uint32_t(ds->GetRasterXSize()), nH = uint32_t(ds->GetRasterYSize());
    double gt[6];
    const OGRSpatialReference* srs = ds->GetSpatialRef();
    if (!o.bLeftLon && srs != nullptr && !srs->IsEmpty() && ds->GetGeoTransform(gt) == CE_None) {
        MapExtent e;
        if (!FindExtent(ds, *srs, gt, o.cIn, e)) return false;
        std::string cWhy;
        if (!PlaceFromExtent(nW, nH, e, p, cWhy)) return Fail(o.cIn + " " + cWhy);
        return true;
    }
    if (uint64_t(nW) != 2 * uint64_t(nH)) {
        char cBuf[160];
        std::snprintf(cBuf, sizeof cBuf,
                      " is %u x %u pixels without georeferencing; a map of the whole globe must "
                      "then be exactly twice as wide as it is high (2:1)",
                      nW, nH);
        return Fail(o.cIn + cBuf);
    }
    p = PlaceFromLeftLon(nW, nH, o.dLeftLon);
    return true;
}

// ---- what is read -------------------------------------------------------

enum class Kind { Gray, Rgb, Palette };

struct Source {
    GDALDataset* ds = nullptr;
    uint32_t nW = 0, nH = 0;
    Kind eKind = Kind::Gray;
    std::vector<int> bands;             // colour bands read, 1-based
    std::vector<double> nodata;         // per colour band; NaN when it has none
    bool bNodata = false;               // some colour band has a nodata value
    GDALRasterBand* mask = nullptr;     // alpha or a per-dataset mask, 0 = left out
    bool bByte = false;                 // every colour band is 8-bit
    bool bScaled = false;               // values mapped onto 0..255, not 8-bit luma
    std::vector<uint32_t> palLuma;      // palette entries, luma thousandths
    std::vector<uint8_t> palOk;         // palette entries not transparent
};

bool Describe(GDALDataset* ds, const Options& o, Source& s) {
    s.ds = ds;
    s.nW = uint32_t(ds->GetRasterXSize());
    s.nH = uint32_t(ds->GetRasterYSize());
    const int nBands = ds->GetRasterCount();
    if (nBands < 1) return Fail(o.cIn + " has no raster bands");
    GDALRasterBand* b1 = ds->GetRasterBand(1);
    const GDALColorTable* pal = b1->GetColorTable();
    if (b1->GetColorInterpretation() == GCI_PaletteIndex && pal != nullptr) {
        s.eKind = Kind::Palette;
        s.bands = {1};
        if (o.bRange) return Fail(o.cIn + " is a palette image; --range does not apply to it");
        for (int k = 0; k < pal->GetColorEntryCount(); ++k) {
            GDALColorEntry c;
            pal->GetColorEntryAsRGB(k, &c);
            s.palLuma.push_back(LumaMilli(uint8_t(c.c1), uint8_t(c.c2), uint8_t(c.c3)));
            s.palOk.push_back(c.c4 != 0);
        }
    } else if (nBands >= 3 && ds->GetRasterBand(2)->GetColorInterpretation() != GCI_AlphaBand) {
        s.eKind = Kind::Rgb;
        s.bands = {1, 2, 3};
    } else {
        s.eKind = Kind::Gray;
        s.bands = {1};
    }
    s.bByte = true;
    for (const int i : s.bands) {
        GDALRasterBand* b = ds->GetRasterBand(i);
        if (GDALDataTypeIsComplex(b->GetRasterDataType()))
            return Fail(o.cIn + " holds complex numbers; a map of real values is needed");
        s.bByte = s.bByte && b->GetRasterDataType() == GDT_Byte;
        int bHas = 0;
        const double d = b->GetNoDataValue(&bHas);
        s.nodata.push_back(bHas ? d : std::numeric_limits<double>::quiet_NaN());
        s.bNodata = s.bNodata || bHas;
    }
    s.bScaled = s.eKind != Kind::Palette && (!s.bByte || o.bRange);
    const int iFlags = b1->GetMaskFlags();
    if (!(iFlags & GMF_ALL_VALID) && !(iFlags & GMF_NODATA)) s.mask = b1->GetMaskBand();
    return true;
}

// ---- reading and averaging ----------------------------------------------

struct Scan {
    std::vector<uint32_t> lumaI;  // one row of 8-bit luma thousandths
    std::vector<double> valD;     // one row of unscaled values
    std::vector<uint8_t> valid;   // one row, 0 = left out
    double dMin = std::numeric_limits<double>::infinity();
    double dMax = -std::numeric_limits<double>::infinity();
    uint64_t nValid = 0;
};

// A value equal to its band's nodata (never true when the band has none: NaN).
bool IsNodata(double v, double nd) { return v == nd; }

// Fills one row of scan from a band-sequential buffer of whole rows; a pixel
// left out gets value 0.
template <class B>
void RowValues(const Source& s, const Options& o, const B* buf, size_t nBandStride,
               const uint8_t* mask, Scan& sc) {
    const uint32_t nW = s.nW;
    const B* r = buf;
    const B* g = buf + nBandStride;
    const B* b = buf + 2 * nBandStride;
    uint8_t* ok = sc.valid.data();
    if (mask == nullptr)
        std::fill(ok, ok + nW, uint8_t(1));
    else
        for (uint32_t x = 0; x < nW; ++x) ok[x] = mask[x] != 0;
    if (s.eKind == Kind::Palette) {
        const size_t nPal = s.palLuma.size();
        for (uint32_t x = 0; x < nW; ++x) {
            const double d = double(r[x]);
            const size_t k = d >= 0 && d < double(nPal) ? size_t(d) : nPal;
            ok[x] = ok[x] && k < nPal && s.palOk[k] && !IsNodata(d, s.nodata[0]);
            sc.lumaI[x] = ok[x] ? s.palLuma[k] : 0;
        }
    } else if (!s.bScaled && s.eKind == Kind::Gray) {
        for (uint32_t x = 0; x < nW; ++x) {
            ok[x] = ok[x] && !IsNodata(double(r[x]), s.nodata[0]);
            sc.lumaI[x] = ok[x] ? 1000 * uint32_t(r[x]) : 0;
        }
    } else if (!s.bScaled && !s.bNodata && mask == nullptr) {
        for (uint32_t x = 0; x < nW; ++x) sc.lumaI[x] = LumaMilli(uint32_t(r[x]), uint32_t(g[x]), uint32_t(b[x]));
    } else if (!s.bScaled) {
        for (uint32_t x = 0; x < nW; ++x) {
            ok[x] = ok[x] && !(IsNodata(double(r[x]), s.nodata[0]) && IsNodata(double(g[x]), s.nodata[1]) &&
                               IsNodata(double(b[x]), s.nodata[2]));
            sc.lumaI[x] = ok[x] ? LumaMilli(uint32_t(r[x]), uint32_t(g[x]), uint32_t(b[x])) : 0;
        }
    } else if (s.eKind == Kind::Gray) {
        const double nd = s.nodata[0];
        double dMin = sc.dMin, dMax = sc.dMax;
        for (uint32_t x = 0; x < nW; ++x) {
            double v = double(r[x]);
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
    } else {
        const size_t nCol = s.bands.size();
        for (uint32_t x = 0; x < nW; ++x) {
            double v[3] = {double(r[x]), 0, 0};
            if (nCol == 3) v[1] = double(g[x]), v[2] = double(b[x]);
            bool bAllNodata = true;
            for (size_t c = 0; c < nCol; ++c) {
                ok[x] = ok[x] && std::isfinite(v[c]);
                bAllNodata = bAllNodata && IsNodata(v[c], s.nodata[c]);
            }
            ok[x] = ok[x] && !bAllNodata;
            if (!ok[x]) {
                sc.valD[x] = 0;
                continue;
            }
            for (size_t c = 0; c < nCol; ++c) {
                if (o.bRange) v[c] = std::clamp(v[c], o.dLo, o.dHi);
                sc.dMin = std::min(sc.dMin, v[c]);
                sc.dMax = std::max(sc.dMax, v[c]);
            }
            sc.valD[x] = nCol == 3 ? 0.299 * v[0] + 0.587 * v[1] + 0.114 * v[2] : v[0];
        }
    }
    uint64_t nValid = 0;  // a local sum: ok is bytes, which may alias sc
    for (uint32_t x = 0; x < nW; ++x) nValid += ok[x];
    sc.nValid += nValid;
}

// Reads the whole map by bands of rows and returns the gray image, top row
// first.
bool Average(const Source& s, const MapPlace& p, const Options& o, std::vector<uint8_t>& gray) {
    const uint32_t nW = s.nW, nH = s.nH;
    const int nBands = int(s.bands.size());
    const size_t nSample = s.bByte ? 1 : sizeof(double);
    const size_t nRowBytes = size_t(nW) * nBands * nSample + (s.mask != nullptr ? nW : 0);
    int nBlockW = 0, nBlockH = 0;
    s.ds->GetRasterBand(1)->GetBlockSize(&nBlockW, &nBlockH);
    // Whole block rows when they fit, so each block is decoded once.
    uint32_t nRows = uint32_t(std::clamp<size_t>(kChunkBytes / nRowBytes, 1, nH));
    if (nBlockH > 1 && nRows > uint32_t(nBlockH)) nRows -= nRows % uint32_t(nBlockH);

    // Samples of the colour bands, band after band: bytes, or doubles for
    // every other data type.
    std::vector<uint8_t> bufB(s.bByte ? size_t(nW) * nBands * nRows : 0);
    std::vector<double> bufD(s.bByte ? 0 : size_t(nW) * nBands * nRows);
    void* pBuf = s.bByte ? static_cast<void*>(bufB.data()) : static_cast<void*>(bufD.data());
    std::vector<uint8_t> maskBuf(s.mask != nullptr ? size_t(nW) * nRows : 0);
    const bool bMaybeLeftOut = s.mask != nullptr || s.bNodata || s.bScaled || s.eKind == Kind::Palette;
    const bool bPlainGray = !bMaybeLeftOut && s.eKind == Kind::Gray && s.bByte;
    Scan sc;
    sc.valid.resize(nW);
    if (s.bScaled)
        sc.valD.resize(nW);
    else
        sc.lumaI.resize(nW);
    Sums<uint64_t> sumI;
    Sums<double> sumD;
    if (s.bScaled)
        sumD = MakeSums<double>();
    else
        sumI = MakeSums<uint64_t>();

    const bool bProgress = !o.bQuiet && isatty(STDERR_FILENO);
    if (bProgress) GDALTermProgress(0.0, nullptr, nullptr);
    std::vector<int> bandMap = s.bands;
    for (uint32_t y0 = 0; y0 < nH; y0 += nRows) {
        const uint32_t n = std::min(nRows, nH - y0);
        const size_t nStride = size_t(nW) * n;  // one band of the read, samples
        cGdalErr.clear();
        if (s.ds->RasterIO(GF_Read, 0, int(y0), int(nW), int(n), pBuf, int(nW), int(n),
                           s.bByte ? GDT_Byte : GDT_Float64, nBands, bandMap.data(), 0, 0, 0,
                           nullptr) != CE_None ||
            (s.mask != nullptr &&
             s.mask->RasterIO(GF_Read, 0, int(y0), int(nW), int(n), maskBuf.data(), int(nW), int(n),
                              GDT_Byte, 0, 0, nullptr) != CE_None)) {
            if (bProgress) std::fputc('\n', stderr);
            char cAt[64];
            std::snprintf(cAt, sizeof cAt, "%u", y0);
            return Fail(WithGdal("cannot read " + o.cIn + " at row " + cAt));
        }
        for (uint32_t r = 0; r < n; ++r) {
            const uint8_t* m = s.mask != nullptr ? maskBuf.data() + size_t(r) * nW : nullptr;
            const uint8_t* row = bufB.data() + size_t(r) * nW;
            if (bPlainGray) {  // 8-bit gray, every pixel valid: luma is 1000 * value
                AddRow(p, y0 + r, row, nullptr, uint64_t(1000), sumI);
                sc.nValid += nW;
                continue;
            }
            if (s.bByte)
                RowValues(s, o, row, nStride, m, sc);
            else
                RowValues(s, o, bufD.data() + size_t(r) * nW, nStride, m, sc);
            const uint8_t* v = bMaybeLeftOut ? sc.valid.data() : nullptr;
            if (s.bScaled)
                AddRow(p, y0 + r, sc.valD.data(), v, 1.0, sumD);
            else
                AddRow(p, y0 + r, sc.lumaI.data(), v, uint64_t(1), sumI);
        }
        if (bProgress) GDALTermProgress(double(y0 + n) / nH, nullptr, nullptr);
    }
    if (sc.nValid == 0) return Fail(o.cIn + " has no valid pixels (all nodata or transparent)");
    if (!s.bScaled)
        gray = GrayFromLuma(sumI);
    else if (o.bRange)
        gray = GrayFromScaled(sumD, o.dLo, o.dHi);
    else
        gray = GrayFromScaled(sumD, sc.dMin, sc.dMax);
    return true;
}

// Refuses an output that cannot be written before any reading is done.
bool CheckOutput(const std::string& cOut) {
    struct stat st;
    if (lstat(cOut.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fail(cOut + " exists and is not a regular file");
    const size_t nSlash = cOut.find_last_of('/');
    const std::string cDir = nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : cOut.substr(0, nSlash);
    if (access(cDir.c_str(), W_OK) != 0)
        return Fail("cannot write in " + cDir + ": " + std::strerror(errno));
    return true;
}

int Run(int argc, char** argv) {
    Options o;
    bool bHelp = false;
    if (!ParseArgs(argc, argv, o, bHelp)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    if (bHelp) {
        PrintHelp();
        return 0;
    }
    if (!CheckOutput(o.cOut)) return 1;

    CPLSetErrorHandler(CollectGdalError);
    GDALAllRegister();
    GDALSetCacheMax64(kCacheBytes);
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(o.cIn.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) {
        struct stat st;
        if (stat(o.cIn.c_str(), &st) != 0 && o.cIn.rfind("/vsi", 0) != 0)
            return Fail("cannot open " + o.cIn + ": " + std::strerror(errno)), 1;
        if (stat(o.cIn.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return Fail(o.cIn + " is a directory, not a map GDAL can read"), 1;
        return Fail(cGdalErr.empty() ? o.cIn + ": not a raster format GDAL can read"
                                     : "cannot read " + o.cIn + ": " + cGdalErr),
               1;
    }
    const uint64_t nW = uint64_t(ds->GetRasterXSize()), nH = uint64_t(ds->GetRasterYSize());
    if (nW == 0 || nH == 0 || nW * nH > kMaxSourcePixels) {
        char cBuf[96];
        std::snprintf(cBuf, sizeof cBuf, " claims %llu x %llu pixels, more than this tool can sum",
                      static_cast<unsigned long long>(nW), static_cast<unsigned long long>(nH));
        return Fail(o.cIn + cBuf), 1;
    }
    Source s;
    MapPlace p;
    std::vector<uint8_t> gray;
    if (!Describe(ds.get(), o, s) || !Place(ds.get(), o, p) || !Average(s, p, o, gray)) return 1;
    ds.reset();

    const auto head = BmpHead();
    const auto body = BmpBody(gray);
    std::string cWhy;
    if (!WriteAtomic(o.cOut, head, body, cWhy)) return Fail("cannot write " + o.cOut + ": " + cWhy), 1;
    if (!o.bQuiet)
        std::printf("qarn-mksurface: wrote %s, %u x %u 8-bit gray, %u bytes\n", o.cOut.c_str(), kOutW,
                    kOutH, kFileBytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
    } catch (const std::exception& x) {
        Fail(x.what());
    }
    return 1;
}
