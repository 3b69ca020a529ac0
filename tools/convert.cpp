// The map converter's top level: the output and input checked, the map
// opened through GDAL within the limits of tools/map_opens.h, placed, read and
// averaged (convert_place.cpp, convert_read.cpp), and the gray BMP written
// atomically.
#include "tools/convert.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_priv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/atomic_file.h"
#include "tools/convert_parts.h"
#include "tools/map_opens.h"
#include "tools/surface.h"

namespace convert_parts {

std::string WithGdal(const GdalMessages& m, const std::string& cMsg) {
    return m.cErr.empty() ? cMsg : cMsg + ": " + m.cErr;
}

std::string Num(const char* cFmt, double d) {
    char c[64];
    std::snprintf(c, sizeof c, cFmt, d);
    return c;
}

}  // namespace convert_parts

using namespace convert_parts;

namespace {

constexpr GIntBig kCacheBytes = GIntBig(32) << 20;  // GDAL's block cache

// ---- GDAL's messages ----------------------------------------------------

bool SaysDamaged(const char* cMsg) {
    for (const char* c : {"libjpeg", "Premature end", "Corrupt", "corrupt"})
        if (std::strstr(cMsg, c) != nullptr) return true;
    return false;
}

// GDAL's message on one line: some drivers break theirs with newlines, and
// a hostile file's own bytes (a name in a VRT, a header field) may reach it,
// so each run of control characters becomes one space.
std::string OneLine(const char* cMsg) {
    std::string c;
    for (const char* p = cMsg; *p != '\0'; ++p) {
        const auto b = static_cast<unsigned char>(*p);
        const bool bCtrl = b < 0x20 || b == 0x7F;
        if (!bCtrl)
            c += *p;
        else if (!c.empty() && c.back() != ' ')
            c += ' ';
    }
    while (!c.empty() && c.back() == ' ') c.pop_back();
    return c;
}

// GDAL's error handler during a conversion; its user data is the
// conversion's GdalMessages.
void CPL_STDCALL CollectGdalError(CPLErr eClass, CPLErrorNum, const char* cMsg) {
    auto* m = static_cast<GdalMessages*>(CPLGetErrorHandlerUserData());
    if (cMsg == nullptr || m == nullptr) return;
    if (eClass >= CE_Failure) {
        m->cErr = OneLine(cMsg);
    } else if (eClass == CE_Warning && m->bReadingPixels && SaysDamaged(cMsg)) {
        m->cErr = OneLine(cMsg);
        m->bDamaged = true;
    }
}

// ---- input and output ---------------------------------------------------

// Refuses an output that cannot be written before any reading is done.
Why CheckOutput(const std::string& cOut) {
    if (cOut.empty()) return "the OUTPUT name is empty";
    struct stat st;
    const bool bExists = lstat(cOut.c_str(), &st) == 0;
    if (bExists && !S_ISREG(st.st_mode)) return cOut + " exists and is not a regular file";
    if (cOut.back() == '/') return cOut + " names a folder, not a file";
    if (bExists && access(cOut.c_str(), W_OK) != 0) return "cannot write " + cOut + ": " + std::strerror(errno);
    const size_t nSlash = cOut.find_last_of('/');
    const std::string cDir = nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : cOut.substr(0, nSlash);
    if (access(cDir.c_str(), W_OK) != 0) return "cannot write in " + cDir + ": " + std::strerror(errno);
    return {};
}

// Refuses at once an input that is a FIFO, a device or a socket: opening one
// may block for ever or read without end; and a network or memory name.
// Other names GDAL resolves itself (/vsizip/...) are left to GDAL.
Why CheckInput(const std::string& cIn, bool bMemoryOk) {
    const std::string cName = NameRefusal(cIn, bMemoryOk);
    if (!cName.empty()) return cIn + " " + cName;
    struct stat st;
    if (cIn.rfind("/vsi", 0) == 0 || stat(cIn.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return cIn + " is not a regular file";
    return {};
}

Why Open(const ConvertOptions& o, const GdalMessages& m, GDALDatasetUniquePtr& ds) {
    ds.reset(GDALDataset::Open(o.cIn.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) {
        struct stat st;
        if (stat(o.cIn.c_str(), &st) != 0 && o.cIn.rfind("/vsi", 0) != 0)
            return "cannot open " + o.cIn + ": " + std::strerror(errno);
        if (stat(o.cIn.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return o.cIn + " is a directory, not a map GDAL can read";
        return m.cErr.empty() ? o.cIn + ": not a raster format GDAL can read"
                              : "cannot read " + o.cIn + ": " + m.cErr;
    }
    const uint64_t nW = uint64_t(ds->GetRasterXSize()), nH = uint64_t(ds->GetRasterYSize());
    if (nW == 0 || nH == 0 || nW * nH > kMaxSourcePixels) {
        char cBuf[96];
        std::snprintf(cBuf, sizeof cBuf, " claims %llu x %llu pixels, more than this tool can sum",
                      static_cast<unsigned long long>(nW), static_cast<unsigned long long>(nH));
        return o.cIn + cBuf;
    }
    return {};
}

// GDAL's error handler, set for one conversion and restored after it,
// collecting into that conversion's messages.
struct GdalErrors {
    explicit GdalErrors(GdalMessages& m) { CPLPushErrorHandlerEx(CollectGdalError, &m); }
    ~GdalErrors() { CPLPopErrorHandler(); }
    GdalErrors(const GdalErrors&) = delete;
    GdalErrors& operator=(const GdalErrors&) = delete;
};

// The first file kept from being opened during the conversion, by the limits
// on GDAL or by the program's guard; an empty name when none was.
Refusal TakeRefusal(const ConvertHooks& h) {
    Refusal r = TakeGdalRefusal();
    const Refusal g = h.fnTakeRefused != nullptr ? h.fnTakeRefused() : Refusal{};
    return r.cName.empty() ? g : r;
}

}  // namespace

std::string ConvertMap(const ConvertOptions& o, const ConvertHooks& h) {
    Why cWhy = CheckOutput(o.cOut);
    if (cWhy.empty()) cWhy = CheckInput(o.cIn, h.bMemoryInput);
    if (!cWhy.empty()) return cWhy;
    GdalMessages msgs;
    const GdalErrors errors(msgs);
    LimitGdalOpens();
    GDALSetCacheMax64(kCacheBytes);
    // libjpeg's "premature end" and "corrupt data" become failures of the read.
    const CPLConfigOptionSetter jpegWarnings("GDAL_ERROR_ON_LIBJPEG_WARNING", "TRUE", false);
    GDALDatasetUniquePtr ds;
    Source s;
    MapPlace p;
    std::vector<uint8_t> gray;
    TakeRefusal(h);
    cWhy = Open(o, msgs, ds);
    if (cWhy.empty() && h.fnStart != nullptr) {
        MapSize sz;
        sz.nW = uint32_t(ds->GetRasterXSize());
        sz.nH = uint32_t(ds->GetRasterYSize());
        sz.nBands = ds->GetRasterCount();
        if (sz.nBands > 0) sz.cType = GDALGetDataTypeName(ds->GetRasterBand(1)->GetRasterDataType());
        if (ds->GetDriver() != nullptr) sz.cFormat = ds->GetDriver()->GetDescription();
        h.fnStart(sz, h.pData);
    }
    if (cWhy.empty()) cWhy = Describe(ds.get(), o, s);
    if (cWhy.empty()) cWhy = Place(ds.get(), o, msgs, p);
    if (cWhy.empty()) cWhy = Average(s, p, o, h, msgs, gray);
    ds.reset();
    // A source or sidecar left out unread would make another map, or none.
    const Refusal r = TakeRefusal(h);
    if (r.cName == o.cIn) return o.cIn + " " + r.cWhat;
    // A name kept from a file (a VRT's source) may hold a newline: said on one line.
    if (!r.cName.empty()) return o.cIn + " needs " + OneLine(r.cName.c_str()) + ", which " + r.cWhat;
    if (!cWhy.empty()) return cWhy;
    const auto head = BmpHead();
    const auto body = BmpBody(gray);
    if (!WriteAtomic(o.cOut, head, body, cWhy)) return "cannot write " + o.cOut + ": " + cWhy;
    return {};
}
