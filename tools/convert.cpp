// The map converter's top level: the output and input checked, the map
// opened through GDAL within the limits of tools/map_opens.h, placed, read and
// averaged (convert_place.cpp, convert_read.cpp), and the gray BMP written
// atomically.
#include "tools/convert.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_priv.h>
#include <fcntl.h>
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

// A hostile file's own bytes (a name in a VRT, a header field) reach GDAL's
// messages and ours, and some drivers break theirs with newlines; C1
// controls (U+009B is a terminal's CSI) act on a terminal like C0 ones.
std::string OneLine(const std::string& cMsg) {
    std::string c;
    const auto space = [&c] {
        if (!c.empty() && c.back() != ' ') c += ' ';
    };
    for (size_t i = 0; i < cMsg.size();) {
        const auto b = static_cast<unsigned char>(cMsg[i]);
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F) space();
            else c += char(b);
            ++i;
            continue;
        }
        // The length of a well-formed UTF-8 sequence led by b, and the range
        // of its second byte (which rules out overlong forms, surrogates and
        // code points past U+10FFFF); 0 for a byte that leads none.
        size_t n = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) n = 2;
        else if (b == 0xE0) n = 3, lo = 0xA0;
        else if (b == 0xED) n = 3, hi = 0x9F;
        else if (b >= 0xE1 && b <= 0xEF) n = 3;
        else if (b == 0xF0) n = 4, lo = 0x90;
        else if (b >= 0xF1 && b <= 0xF3) n = 4;
        else if (b == 0xF4) n = 4, hi = 0x8F;
        bool bValid = n > 0 && i + n <= cMsg.size();
        for (size_t k = 1; bValid && k < n; ++k) {
            const auto t = static_cast<unsigned char>(cMsg[i + k]);
            bValid = k == 1 ? t >= lo && t <= hi : t >= 0x80 && t <= 0xBF;
        }
        if (!bValid) {
            char cHex[5];
            std::snprintf(cHex, sizeof cHex, "\\x%02X", unsigned(b));
            c += cHex;
            ++i;
        } else if (b == 0xC2 && static_cast<unsigned char>(cMsg[i + 1]) <= 0x9F) {
            space();  // U+0080 to U+009F
            i += 2;
        } else {
            c.append(cMsg, i, n);
            i += n;
        }
    }
    while (!c.empty() && c.back() == ' ') c.pop_back();
    return c;
}

namespace {

constexpr GIntBig kCacheBytes = GIntBig(32) << 20;  // GDAL's block cache

// ---- GDAL's messages ----------------------------------------------------

bool SaysDamaged(const char* cMsg) {
    for (const char* c : {"libjpeg", "Premature end", "Corrupt", "corrupt"})
        if (std::strstr(cMsg, c) != nullptr) return true;
    return false;
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

}  // namespace

// ---- input and output ---------------------------------------------------

// Refuses an output that cannot be written before any reading is done.
std::string CheckOutput(const std::string& cOut) {
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

namespace {

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
        // GDAL takes a file it cannot open for one it does not know.
        if (o.cIn.rfind("/vsi", 0) != 0) {
            const int fd = open(o.cIn.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0) return "cannot open " + o.cIn + ": " + std::strerror(errno);
            close(fd);
        }
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

std::string ReadSurface(const ConvertOptions& o, const ConvertHooks& h, std::vector<uint8_t>& gray) {
    Why cWhy = CheckInput(o.cIn, h.bMemoryInput);
    if (!cWhy.empty()) return OneLine(cWhy);
    GdalMessages msgs;
    const GdalErrors errors(msgs);
    LimitGdalOpens();
    GDALSetCacheMax64(kCacheBytes);
    // libjpeg's "premature end" and "corrupt data" become failures of the read.
    const CPLConfigOptionSetter jpegWarnings("GDAL_ERROR_ON_LIBJPEG_WARNING", "TRUE", false);
    GDALDatasetUniquePtr ds;
    Source s;
    MapPlace p;
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
    if (r.cName == o.cIn) return OneLine(o.cIn + " " + r.cWhat);
    if (!r.cName.empty()) return OneLine(o.cIn + " needs " + r.cName + ", which " + r.cWhat);
    return OneLine(cWhy);
}

std::string WriteSurface(const std::string& cOut, const std::vector<uint8_t>& gray) {
    std::string cWhy;
    const auto head = BmpHead();
    const auto body = BmpBody(gray);
    if (!WriteAtomic(cOut, head, body, cWhy)) return OneLine("cannot write " + cOut + ": " + cWhy);
    return {};
}

std::string ConvertMap(const ConvertOptions& o, const ConvertHooks& h) {
    std::string cWhy = OneLine(CheckOutput(o.cOut));
    std::vector<uint8_t> gray;
    if (cWhy.empty()) cWhy = ReadSurface(o, h, gray);
    if (cWhy.empty()) cWhy = WriteSurface(o.cOut, gray);
    return cWhy;
}
