// The map converter as a library: what to convert, and the one call that
// reads a map through GDAL and writes the viewer's surface image.
#pragma once

#include <string>

struct ConvertOptions {
    bool bLeftLon = false;
    double dLeftLon = -180.0;  // degrees: left edge of a map without georeferencing
    bool bRange = false;
    double dLo = 0, dHi = 0;   // band values that become gray 0 and 255
    std::string cIn, cOut;     // GDAL dataset name (a file, or /vsimem/...), output file
};

// Told the fraction of the input read so far, 0 to 1, rising.
using ConvertProgress = void (*)(double dDone, void* pData);

// Makes cOut from cIn. Returns "" on success, else the reason in one line,
// naming the file it is about. fnProgress may be nullptr. The output name and
// folder are checked before anything is read; a failure leaves no output and
// an existing cOut as it was.
std::string ConvertMap(const ConvertOptions& o, ConvertProgress fnProgress, void* pData);
