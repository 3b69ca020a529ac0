// Writes the seed corpus of the map converter's fuzz target into a folder:
// small whole-globe maps in the formats the converter is met with (GeoTIFF,
// PNG, JPEG, a PDS3 label with its image attached, VRT), each reaching a
// different reading path (8-bit gray and RGB, palette, 16-bit with nodata,
// float, georeferenced and plain).
#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kMoonLonLat = "+proj=longlat +R=1737400 +no_defs";

struct Map {
    const char* cName;    // file name in the folder
    const char* cDriver;
    int w, h, nBands;
    GDALDataType eType;
    bool bGeo;            // lunar geographic, -180..180
    bool bPalette;
    bool bNodata;
};

bool Write(const std::string& cDir, const Map& m) {
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDataset* ds = mem->Create("", m.w, m.h, m.nBands, m.eType, nullptr);
    if (ds == nullptr) return false;
    std::vector<double> row(size_t(m.w));
    for (int b = 1; b <= m.nBands; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        if (m.bNodata) band->SetNoDataValue(0);
        for (int y = 0; y < m.h; ++y) {
            for (int x = 0; x < m.w; ++x) row[size_t(x)] = double((x * 29 + y * 53 + b * 71) % 251);
            if (band->RasterIO(GF_Write, 0, y, m.w, 1, row.data(), m.w, 1, GDT_Float64, 0, 0, nullptr) != CE_None)
                return false;
        }
    }
    if (m.bPalette) {
        GDALColorTable pal;
        for (int k = 0; k < 256; ++k) {
            const GDALColorEntry c = {short(k), short(255 - k), short(k / 2), short(k == 3 ? 0 : 255)};
            pal.SetColorEntry(k, &c);
        }
        ds->GetRasterBand(1)->SetColorTable(&pal);
    }
    if (m.bGeo) {
        double gt[6] = {-180, 360.0 / m.w, 0, 90, 0, -180.0 / m.h};
        ds->SetGeoTransform(gt);
        OGRSpatialReference srs;
        srs.SetFromUserInput(kMoonLonLat);
        ds->SetSpatialRef(&srs);
    }
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(m.cDriver);
    GDALDataset* out = drv == nullptr ? nullptr
                                      : drv->CreateCopy((cDir + "/" + m.cName).c_str(), ds, FALSE, nullptr,
                                                        nullptr, nullptr);
    const bool bOk = out != nullptr;
    if (out != nullptr) GDALClose(out);
    GDALClose(ds);
    return bOk;
}

bool WriteText(const std::string& cPath, const std::string& cText) {
    std::FILE* f = std::fopen(cPath.c_str(), "wb");
    return f != nullptr && std::fwrite(cText.data(), 1, cText.size(), f) == cText.size() && std::fclose(f) == 0;
}

// A PDS3 product of 16 x 8 bytes, label and image in one file: the label is
// padded to whole records and ^IMAGE points at the record after it.
std::string Pds3() {
    std::string cLabel =
        "PDS_VERSION_ID = PDS3\r\nRECORD_TYPE = FIXED_LENGTH\r\nRECORD_BYTES = 16\r\n"
        "FILE_RECORDS = 72\r\n^IMAGE = 65\r\nOBJECT = IMAGE\r\n  LINES = 8\r\n  LINE_SAMPLES = 16\r\n"
        "  SAMPLE_TYPE = UNSIGNED_INTEGER\r\n  SAMPLE_BITS = 8\r\n  BANDS = 1\r\nEND_OBJECT = IMAGE\r\n"
        "OBJECT = IMAGE_MAP_PROJECTION\r\n  MAP_PROJECTION_TYPE = \"SIMPLE CYLINDRICAL\"\r\n"
        "  A_AXIS_RADIUS = 1737.4 <KM>\r\n  B_AXIS_RADIUS = 1737.4 <KM>\r\n  C_AXIS_RADIUS = 1737.4 <KM>\r\n"
        "  CENTER_LATITUDE = 0.0 <DEG>\r\n  CENTER_LONGITUDE = 0.0 <DEG>\r\n"
        "  MAP_RESOLUTION = 0.0444444 <PIX/DEG>\r\n  MAP_SCALE = 682.3 <KM/PIXEL>\r\n"
        "  MAXIMUM_LATITUDE = 90.0 <DEG>\r\n  MINIMUM_LATITUDE = -90.0 <DEG>\r\n"
        "  WESTERNMOST_LONGITUDE = -180.0 <DEG>\r\n  EASTERNMOST_LONGITUDE = 180.0 <DEG>\r\n"
        "  LINE_PROJECTION_OFFSET = 3.5 <PIXEL>\r\n  SAMPLE_PROJECTION_OFFSET = 7.5 <PIXEL>\r\n"
        "  POSITIVE_LONGITUDE_DIRECTION = EAST\r\nEND_OBJECT = IMAGE_MAP_PROJECTION\r\nEND\r\n";
    cLabel.resize(64 * 16, ' ');
    for (int k = 0; k < 16 * 8; ++k) cLabel.push_back(char((k * 37) % 256));
    return cLabel;
}

// A VRT of two 32 x 16 Float32 bands with nothing behind them but their
// nodata and offset, and one of a band read from a PDS3-free inline source.
std::string Vrt() {
    return "<VRTDataset rasterXSize=\"32\" rasterYSize=\"16\"><SRS>" + std::string(kMoonLonLat) +
           "</SRS><GeoTransform>0, 11.25, 0, 90, 0, -11.25</GeoTransform>"
           "<VRTRasterBand dataType=\"Float32\" band=\"1\"><NoDataValue>-1</NoDataValue>"
           "<Offset>3</Offset></VRTRasterBand>"
           "<VRTRasterBand dataType=\"Float32\" band=\"2\"><ColorInterp>Alpha</ColorInterp>"
           "</VRTRasterBand></VRTDataset>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    const std::string cDir = argv[1];
    const Map maps[] = {
        {"gray.tif", "GTiff", 16, 8, 1, GDT_Byte, true, false, false},
        {"u16-nodata.tif", "GTiff", 16, 8, 1, GDT_UInt16, true, false, true},
        {"rgb-f32.tif", "GTiff", 8, 4, 3, GDT_Float32, true, false, false},
        {"rgb.png", "PNG", 16, 8, 3, GDT_Byte, false, false, false},
        {"palette.png", "PNG", 16, 8, 1, GDT_Byte, false, true, false},
        {"gray.jpg", "JPEG", 16, 8, 1, GDT_Byte, false, false, false},
    };
    bool bOk = true;
    for (const Map& m : maps) bOk = Write(cDir, m) && bOk;
    bOk = WriteText(cDir + "/map.lbl", Pds3()) && bOk;
    bOk = WriteText(cDir + "/bands.vrt", Vrt()) && bOk;
    if (!bOk) std::fprintf(stderr, "%s: cannot write every seed in %s\n", argv[0], cDir.c_str());
    return bOk ? 0 : 1;
}
