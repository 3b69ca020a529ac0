// The converter's three files and what they share: GDAL's messages and the
// top level (convert.cpp), where the map lies (convert_place.cpp), what is
// read and how it is averaged (convert_read.cpp).
#pragma once

#include <gdal_priv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/convert.h"
#include "tools/surface.h"

namespace convert_parts {

using Why = std::string;  // "" when all is well, else the reason

// The message of GDAL's last failure in one conversion, shown in ours
// instead of GDAL's own printing: the conversion's own, handed to GDAL's
// error handler as its user data. While pixels are read, a warning that the
// data is damaged (a JPEG cut short or corrupt) counts as a failure: GDAL
// would fill the rest with gray and call the read a success.
struct GdalMessages {
    std::string cErr;
    bool bReadingPixels = false;
    bool bDamaged = false;
};

// cMsg, then ": " and GDAL's last message in m when there is one.
std::string WithGdal(const GdalMessages& m, const std::string& cMsg);
// d printed with cFmt.
std::string Num(const char* cFmt, double d);

// Where the map's pixels lie on the globe, from its georeferencing or from
// --left-lon; the reason when that is not a whole-globe plate carree.
Why Place(GDALDataset* ds, const ConvertOptions& o, const GdalMessages& m, MapPlace& p);

enum class Kind { Gray, Rgb, Palette };

// The bands read and how their values become gray.
struct Source {
    GDALDataset* ds = nullptr;
    uint32_t nW = 0, nH = 0;
    Kind eKind = Kind::Gray;
    std::vector<int> bands;          // colour bands read, 1-based
    std::vector<double> nodata;      // per colour band; NaN when it has none
    bool bNodata = false;            // some colour band has a nodata value
    GDALRasterBand* mask = nullptr;  // alpha or a per-dataset mask, 0 = left out
    bool bByte = false;              // every colour band is 8-bit
    bool bScaled = false;            // values mapped onto 0..255, not 8-bit luma
    std::vector<uint32_t> palLuma;   // palette entries, luma thousandths
    std::vector<uint8_t> palOk;      // palette entries not transparent
};

Why Describe(GDALDataset* ds, const ConvertOptions& o, Source& s);

// Reads the whole map and gives the gray image, top row first; GDAL's
// messages meanwhile in m.
Why Average(const Source& s, const MapPlace& p, const ConvertOptions& o, const ConvertHooks& h, GdalMessages& m,
            std::vector<uint8_t>& gray);

}  // namespace convert_parts
