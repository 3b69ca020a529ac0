// Where the map lies: its edges in longitude and latitude from the
// georeferencing, sampled along the middle row and column, and the check that
// it is a plate carree of the whole globe; or the place --left-lon gives.
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "base/angles.h"
#include "tools/convert_parts.h"

namespace convert_parts {

namespace {

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
        return std::isfinite(dLon) && std::isfinite(dLat);
    }
    if (!t.ct->Transform(1, &x, &y) || !std::isfinite(x) || !std::isfinite(y)) return false;
    dLon = x;
    dLat = y;
    return true;
}

Why SetUpLonLat(const OGRSpatialReference& srs, const std::string& cIn, const GdalMessages& m, LonLatOf& t) {
    t.src = srs;
    t.src.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (t.src.IsGeographic()) {
        t.bGeographic = true;
        t.dUnitDeg = t.src.GetAngularUnits(nullptr) / kDegRad;
        return {};
    }
    if (!t.src.IsProjected()) return cIn + ": its coordinate system is neither geographic nor projected";
    std::unique_ptr<OGRSpatialReference> g(t.src.CloneGeogCS());
    if (!g) return WithGdal(m, cIn + ": its coordinate system has no geographic base");
    t.geog = *g;
    t.geog.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    t.ct.reset(OGRCreateCoordinateTransformation(&t.src, &t.geog));
    if (!t.ct) return WithGdal(m, cIn + ": cannot convert its coordinates to longitude and latitude");
    return {};
}

constexpr int kSteps = 8;  // points sampled along the middle row and column

// Longitudes along the middle row and latitudes down the middle column, the
// longitudes unwrapped so that each step is under 180 degrees.
Why SampleEdges(LonLatOf& t, const double gt[6], int nW, int nH, const std::string& cIn, const GdalMessages& m,
                double lon[kSteps + 1], double lat[kSteps + 1]) {
    const double xMid = gt[0] + gt[1] * nW / 2, yMid = gt[3] + gt[5] * nH / 2;
    double dDummy = 0;
    for (int k = 0; k <= kSteps; ++k) {
        const double x = gt[0] + gt[1] * nW * k / kSteps, y = gt[3] + gt[5] * nH * k / kSteps;
        if (!ToLonLat(t, x, yMid, lon[k], dDummy) || !ToLonLat(t, xMid, y, dDummy, lat[k]))
            return WithGdal(m, cIn + ": cannot convert its corners to longitude and latitude");
        // Whole turns in one step, not a loop: at 1e20 degrees subtracting
        // 360 no longer changes the value.
        const double d = k > 0 ? lon[k] - lon[k - 1] : 0.0;
        if (std::fabs(d) > 180) lon[k] -= 360.0 * std::round(d / 360.0);
    }
    return {};
}

// Linear in columns and rows, meridians straight down: to a hundredth of a
// pixel.
bool IsPlateCarree(LonLatOf& t, const double gt[6], int nW, int nH, const double lon[kSteps + 1],
                   const double lat[kSteps + 1]) {
    const double dTolLon = std::fabs(lon[kSteps] - lon[0]) / nW / 100;
    const double dTolLat = std::fabs(lat[kSteps] - lat[0]) / nH / 100;
    bool bLinear = true;
    for (int k = 0; k <= kSteps; ++k) {
        bLinear = bLinear && std::fabs(lon[k] - (lon[0] + (lon[kSteps] - lon[0]) * k / kSteps)) <= dTolLon &&
                  std::fabs(lat[k] - (lat[0] + (lat[kSteps] - lat[0]) * k / kSteps)) <= dTolLat;
    }
    double dDummy = 0;
    for (const double f : {0.25, 0.75}) {
        double dLon = 0;
        bLinear = bLinear && ToLonLat(t, gt[0], gt[3] + gt[5] * nH * f, dLon, dDummy) &&
                  std::fabs(std::remainder(dLon - lon[0], 360.0)) <= dTolLon;
    }
    return bLinear;
}

// Edges of a georeferenced map, found from points along its middle row and
// column; the reason when the map is not a plate carree on which longitude
// and latitude run linearly with the columns and rows.
Why FindExtent(GDALDataset* ds, const OGRSpatialReference& srs, const double gt[6], const std::string& cIn,
               const GdalMessages& m, MapExtent& e) {
    const int nW = ds->GetRasterXSize(), nH = ds->GetRasterYSize();
    if (gt[2] != 0.0 || gt[4] != 0.0) return cIn + ": rotated georeferencing is not supported";
    if (!std::all_of(gt, gt + 6, [](double d) { return std::isfinite(d); }) || gt[1] == 0 || gt[5] == 0)
        return cIn + ": its georeferencing gives no finite pixel size";
    LonLatOf t;
    Why cWhy = SetUpLonLat(srs, cIn, m, t);
    double lon[kSteps + 1], lat[kSteps + 1];
    if (cWhy.empty()) cWhy = SampleEdges(t, gt, nW, nH, cIn, m, lon, lat);
    if (!cWhy.empty()) return cWhy;
    e = {lon[0], lon[kSteps], lat[0], lat[kSteps]};
    // Name the sphere of a map in metres: on the wrong body it shows as a
    // partial or oversized extent.
    MapPlace p;
    auto partial = [&] {
        return cIn + " " + cWhy +
               (t.bGeographic ? std::string() : Num(" (on a sphere of radius %.0f m)", t.src.GetSemiMajor(nullptr)));
    };
    // Degrees as given spanning more than two turns are refused with that
    // extent at once: unwrapped, they would pass for a small map.
    if (t.bGeographic) {
        const double u = t.dUnitDeg;
        const MapExtent raw = {gt[0] * u, (gt[0] + gt[1] * nW) * u, gt[3] * u, (gt[3] + gt[5] * nH) * u};
        if (std::fabs(raw.dLonRight - raw.dLonLeft) > 720.0 &&
            !PlaceFromExtent(uint32_t(nW), uint32_t(nH), raw, p, cWhy))
            return partial();
    }
    if (!IsPlateCarree(t, gt, nW, nH, lon, lat))
        return cIn + ": not a cylindrical equirectangular (plate carree) map; "
                     "reproject it first, for instance with gdalwarp";
    if (!t.bGeographic && !PlaceFromExtent(uint32_t(nW), uint32_t(nH), e, p, cWhy)) return partial();
    return {};
}

}  // namespace

Why Place(GDALDataset* ds, const ConvertOptions& o, const GdalMessages& m, MapPlace& p) {
    const uint32_t nW = uint32_t(ds->GetRasterXSize()), nH = uint32_t(ds->GetRasterYSize());
    double gt[6];
    const OGRSpatialReference* srs = ds->GetSpatialRef();
    if (!o.bLeftLon && srs != nullptr && !srs->IsEmpty() && ds->GetGeoTransform(gt) == CE_None) {
        MapExtent e;
        Why cWhy = FindExtent(ds, *srs, gt, o.cIn, m, e);
        if (cWhy.empty() && !PlaceFromExtent(nW, nH, e, p, cWhy)) cWhy = o.cIn + " " + cWhy;
        return cWhy;
    }
    if (uint64_t(nW) != 2 * uint64_t(nH)) {
        char cBuf[160];
        std::snprintf(cBuf, sizeof cBuf,
                      " is %u x %u pixels without georeferencing; a map of the whole globe must "
                      "then be exactly twice as wide as it is high (2:1)",
                      nW, nH);
        return o.cIn + cBuf;
    }
    p = PlaceFromLeftLon(nW, nH, o.dLeftLon);
    return {};
}

}  // namespace convert_parts
