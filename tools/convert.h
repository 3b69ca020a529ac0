// The map converter as a library: what to convert, and the one call that
// reads a map through GDAL and writes the viewer's surface image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Makes cOut from cIn: CheckOutput, ReadSurface, WriteSurface. Returns "" on
// success, else the reason in one line, naming the file it is about. The
// output name and folder are checked before anything is read; a failure
// leaves no output and an existing cOut as it was. Only the map formats of
// kMapDrivers (tools/map_opens.h) are opened, for the input and every file
// it names; no network or memory name is.
std::string ConvertMap(const ConvertOptions& o, const ConvertHooks& h);

// The parts of ConvertMap, for a program that reads the map in one process
// and writes the output in another. Each returns "" or the reason in one
// line.
// The output o.cOut can be written: checked before the input is read.
std::string CheckOutput(const std::string& cOut);
// Reads o.cIn into gray, kOutW x kOutH values, top row first.
std::string ReadSurface(const ConvertOptions& o, const ConvertHooks& h, std::vector<uint8_t>& gray);
// Writes gray (kOutW x kOutH, top row first) to cOut as the surface image,
// atomically.
std::string WriteSurface(const std::string& cOut, const std::vector<uint8_t>& gray);

// cMsg fit for one line of a terminal: each run of control characters (C0,
// DEL, and C1, U+0080 to U+009F) becomes one space, each byte that is not
// part of valid UTF-8 becomes \xNN, other characters stay whole.
std::string OneLine(const std::string& cMsg);
