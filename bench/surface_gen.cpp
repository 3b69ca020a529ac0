// Writes the inputs of the surface-tool benchmark into a folder, unless they
// are there already: globe-32768.tif, a 32768 x 16384 8-bit gray GeoTIFF in
// 256 x 256 tiles on a lunar longitude/latitude grid, and globe-8192.png,
// an 8192 x 4096 RGB PNG without georeferencing. Both hold smooth shading
// with pixel-scale noise, so neither compresses or decodes trivially.
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint8_t Texture(uint32_t x, uint32_t y, uint32_t nW, int iBand) {
    const double dLon = 6.283185307179586 * x / nW, dLat = 3.141592653589793 * y / (nW / 2);
    const uint32_t hash = (x * 2654435761u) ^ (y * 40503u) ^ (uint32_t(iBand) * 977u);
    const double v = 120 + 50 * std::sin(3 * dLon + iBand) * std::sin(dLat) + 20 * std::cos(17 * dLon) +
                     double(hash % 41) - 20;
    return uint8_t(std::lround(std::fmin(255, std::fmax(0, v))));
}

bool Make(const std::string& cPath, const char* cDriver, uint32_t nW, int nBands, bool bGeo,
          std::vector<const char*> options) {
    struct stat st;
    if (stat(cPath.c_str(), &st) == 0) return true;
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(cDriver);
    const uint32_t nH = nW / 2;
    // PNG is written by copying; build it in memory first (100 MB).
    const bool bCopy = std::string(cDriver) == "PNG";
    options.push_back(nullptr);
    GDALDataset* ds = bCopy ? GetGDALDriverManager()->GetDriverByName("MEM")->Create(
                                  "", int(nW), int(nH), nBands, GDT_Byte, nullptr)
                            : drv->Create((cPath + ".part").c_str(), int(nW), int(nH), nBands,
                                          GDT_Byte, const_cast<char**>(options.data()));
    if (ds == nullptr) return false;
    if (bGeo) {
        double gt[6] = {-180, 360.0 / nW, 0, 90, 0, -180.0 / nH};
        ds->SetGeoTransform(gt);
        OGRSpatialReference srs;
        srs.SetFromUserInput("+proj=longlat +R=1737400 +no_defs");
        ds->SetSpatialRef(&srs);
    }
    std::vector<uint8_t> rows(size_t(nW) * 256);
    for (int b = 0; b < nBands; ++b)
        for (uint32_t y0 = 0; y0 < nH; y0 += 256) {
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < nW; ++x) rows[size_t(y) * nW + x] = Texture(x, y0 + y, nW, b);
            if (ds->GetRasterBand(b + 1)->RasterIO(GF_Write, 0, int(y0), int(nW), 256, rows.data(),
                                                   int(nW), 256, GDT_Byte, 0, 0, nullptr) != CE_None)
                return false;
        }
    if (bCopy) {
        GDALDataset* out = drv->CreateCopy((cPath + ".part").c_str(), ds, FALSE,
                                           const_cast<char**>(options.data()), nullptr, nullptr);
        if (out == nullptr) return false;
        GDALClose(out);
    }
    GDALClose(ds);
    return std::rename((cPath + ".part").c_str(), cPath.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qarn-bench-surface-gen FOLDER\n");
        return 1;
    }
    GDALAllRegister();
    const std::string cDir = argv[1];
    if (!Make(cDir + "/globe-32768.tif", "GTiff", 32768, 1, true, {"TILED=YES", "BIGTIFF=IF_NEEDED"}) ||
        !Make(cDir + "/globe-8192.png", "PNG", 8192, 3, false, {})) {
        std::fprintf(stderr, "qarn-bench-surface-gen: %s\n", CPLGetLastErrorMsg());
        return 1;
    }
    return 0;
}
