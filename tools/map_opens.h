// What GDAL may open for the converter: the map formats of the field, local
// files only, and raw maps whole. See map_opens.cpp.
#pragma once

#include <array>
#include <string>

#include "tools/refusal.h"

// GDAL's short names of the formats lunar and planetary maps come in. COG is
// GTiff when read; the JPEG 2000 drivers are whichever this GDAL was built
// with.
constexpr std::array<const char*, 18> kMapDrivers = {
    "GTiff", "COG",  "PNG",   "JPEG",  "JP2OpenJPEG", "JP2KAK", "JP2ECW", "JP2MrSID", "JPEG2000",
    "PDS",   "PDS4", "ISIS2", "ISIS3", "VRT",         "ENVI",   "EHdr",   "FITS",     "BMP"};

// From here on, in the whole process: only the drivers of kMapDrivers open
// anything, every other one refuses what it would have opened; every GDAL
// virtual file system but the local ones (/vsimem/, archives, sub-files)
// refuses every name; a raw map (ENVI, EHdr, PDS, VRTRawRasterBand ...) whose
// file is shorter than its header says is refused when opened. Idempotent.
void LimitGdalOpens();

// What a name is when GDAL must not open it: a network name (a URL, a
// /vsicurl/-like file system), a memory name (MEM:::, /vsimem/ unless
// bMemoryOk) or a virtual file system other than the local ones; "" when
// none of these.
std::string NameRefusal(const std::string& cName, bool bMemoryOk);

// The first refusal of LimitGdalOpens' wrappers since the last call, an empty
// name when none; clears it.
Refusal TakeGdalRefusal();
