// The map converter as a library: what to convert, and the one call that
// reads a map through GDAL and writes the viewer's surface image.
#pragma once

#include <cstdint>
#include <string>

#include "tools/refusal.h"

struct ConvertOptions {
    bool bLeftLon = false;
    double dLeftLon = -180.0;  // degrees: left edge of a map without georeferencing
    bool bRange = false;
    double dLo = 0, dHi = 0;   // band values that become gray 0 and 255
    std::string cIn, cOut;     // GDAL dataset name (a file, or /vsimem/...), output file
};

// The input as opened, told before anything is read.
struct MapSize {
    uint32_t nW = 0, nH = 0;  // pixels
    int nBands = 0;           // bands of the file, not only those read
    std::string cType;        // GDAL's name of the first band's data type ("Byte", "Float32")
    std::string cFormat;      // GDAL's short name of the format ("GTiff")
};

// What the program around the converter adds to one conversion. Every member
// may be left empty.
struct ConvertHooks {
    void* pData = nullptr;  // handed to fnStart and fnProgress
    void (*fnStart)(const MapSize& sz, void* pData) = nullptr;
    // Told the fraction of the input read so far, 0 to 1, rising.
    void (*fnProgress)(double dDone, void* pData) = nullptr;
    // The program's own guard on the files opened under GDAL (libraries such
    // as libtiff or cfitsio open files themselves): the first file it refused
    // since the last call, an empty name when none; clears it.
    Refusal (*fnTakeRefused)() = nullptr;
    // The input may be a GDAL memory file (/vsimem/...): the fuzz target's
    // own way of handing over its bytes. A name in a file never may.
    bool bMemoryInput = false;
};

// Makes cOut from cIn. Returns "" on success, else the reason in one line,
// naming the file it is about. The output name and folder are checked before
// anything is read; a failure leaves no output and an existing cOut as it
// was. Only the map formats of kMapDrivers (tools/map_opens.h) are opened,
// for the input and every file it names; no network or memory name is.
std::string ConvertMap(const ConvertOptions& o, const ConvertHooks& h);
