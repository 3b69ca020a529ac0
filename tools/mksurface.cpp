// qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT
//
// Turns a cylindrical lunar map in any raster format GDAL reads into the
// viewer's surface image: 1024 x 512, uncompressed 8-bit, 256-entry
// gray-ramp palette, bottom row first, 525,366 bytes, longitude 0 at the
// centre column. This file is the command: arguments, usage, the progress
// bar on standard error and the exit status; the work is ConvertMap
// (tools/convert.h).
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/convert.h"
#include "tools/surface.h"

namespace {

constexpr const char* kUsage =
    "usage: qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT\n";

struct Options {
    bool bQuiet = false;
    ConvertOptions c;
};

bool Fail(const std::string& cMsg) {
    std::fprintf(stderr, "qarn-mksurface: %s\n", cMsg.c_str());
    return false;
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
    ConvertOptions& c = o.c;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            bHelp = true;
            return true;
        }
        if (a == "-q") {
            o.bQuiet = true;
        } else if (a == "--left-lon") {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], c.dLeftLon))
                return Fail("--left-lon needs a longitude in degrees");
            c.bLeftLon = true;
            ++i;
        } else if (a == "--range") {
            if (i + 2 >= argc || !ParseNumber(argv[i + 1], c.dLo) || !ParseNumber(argv[i + 2], c.dHi))
                return Fail("--range needs two numbers, LO and HI");
            if (!(c.dLo < c.dHi)) return Fail("--range LO HI needs LO below HI");
            // HI - LO scales every value; it must itself be a number.
            if (!std::isfinite(c.dHi - c.dLo))
                return Fail("--range LO HI is wider than the largest number; pass a narrower range");
            c.bRange = true;
            i += 2;
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("unknown option " + a);
        } else {
            pos.push_back(a);
        }
    }
    if (pos.size() != 2) return Fail("needs an INPUT and an OUTPUT");
    c.cIn = pos[0];
    c.cOut = pos[1];
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

// The progress bar, in GDAL's form "0...10...20 ... 100 - done.", on
// standard error: 40 ticks, every fourth one a number.
struct Bar {
    int nTicks = -1;  // ticks printed
};

void ShowProgress(double dDone, void* pData) {
    Bar& b = *static_cast<Bar*>(pData);
    const int nNow = int(std::fmin(std::fmax(dDone, 0.0), 1.0) * 40.0);
    while (b.nTicks < nNow) {
        ++b.nTicks;
        if (b.nTicks % 4 == 0)
            std::fprintf(stderr, "%d", b.nTicks / 4 * 10);
        else
            std::fputc('.', stderr);
    }
    if (b.nTicks == 40 && nNow == 40) {
        std::fputs(" - done.\n", stderr);
        b.nTicks = 41;
    }
    std::fflush(stderr);
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
    Bar bar;
    const bool bProgress = !o.bQuiet && isatty(STDERR_FILENO);
    const std::string cWhy = ConvertMap(o.c, bProgress ? ShowProgress : nullptr, &bar);
    if (!cWhy.empty()) {
        if (bar.nTicks >= 0 && bar.nTicks <= 40) std::fputc('\n', stderr);  // end the bar's line
        return Fail(cWhy), 1;
    }
    if (!o.bQuiet)
        std::printf("qarn-mksurface: wrote %s, %u x %u 8-bit gray, %u bytes\n", o.c.cOut.c_str(), kOutW,
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
