// GDAL opens whatever a map file names: a VRT's sources, a PDS label's image
// file, sidecars, through any of its two hundred drivers and its network file
// systems. A map downloaded from anywhere must not make the converter read
// another process's memory (MEM:::DATAPOINTER=...), fetch a URL, or hand a
// file to a library it does not need (libhdf5 opens files itself, past every
// check of GDAL's). So every driver's open is wrapped once, here: a driver
// outside kMapDrivers refuses, naming its format, and a map driver's dataset
// is checked for raw bands that reach past the end of their file (GDAL fills
// the missing rows with 0 and calls the read a success).
#include "tools/map_opens.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <cpl_vsi_virtual.h>
#include <gdal_priv.h>
#include <rawdataset.h>
#include <vrtdataset.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using OpenFn = GDALDataset* (*)(GDALOpenInfo*);

// The map drivers' own open functions, by driver.
struct Wrapped {
    GDALDriver* drv = nullptr;
    OpenFn fnOpen = nullptr;
};
std::array<Wrapped, kMapDrivers.size()> wrapped;

std::mutex refusalLock;
Refusal firstRefusal;  // the first since the last TakeGdalRefusal

// The name as said in a message: past the prefix of a file system that
// ends in '?' (/vsistdin?) come its options, not a file, and they are left
// out.
std::string Said(const std::string& cName) {
    const size_t nEnd = cName.rfind("/vsi", 0) == 0 ? cName.find_first_of("/?", 4) : std::string::npos;
    return nEnd != std::string::npos && cName[nEnd] == '?' ? cName.substr(0, nEnd + 1) : cName;
}

void Refuse(const std::string& cName, const std::string& cWhat) {
    const std::string cSaid = Said(cName);
    CPLError(CE_Failure, CPLE_OpenFailed, "%s %s", cSaid.c_str(), cWhat.c_str());
    const std::lock_guard<std::mutex> hold(refusalLock);
    if (firstRefusal.cName.empty()) firstRefusal = {cSaid, cWhat};
}

bool StartsWithCi(const std::string& c, const char* cPrefix) {
    return EQUALN(c.c_str(), cPrefix, strlen(cPrefix));
}

// Virtual file systems that read local bytes only: memory, archives and
// parts of another name, which is checked in its turn. Not /vsisparse/: its
// descriptor of a few dozen bytes makes gigabytes of zeros from nothing, and
// no map a user makes needs it.
constexpr std::array<const char*, 7> kLocalVsi = {"/vsimem/",     "/vsizip/", "/vsigzip/", "/vsitar/",
                                                  "/vsisubfile/", "/vsi7z/",  "/vsirar/"};
// Parts of the names of GDAL's remote file systems (/vsicurl/, /vsis3/,
// /vsigs/, /vsiaz/, /vsiadls/, /vsioss/, /vsiswift/, /vsiwebhdfs/,
// /vsihdfs/ and their _streaming forms).
constexpr std::array<const char*, 8> kRemoteVsi = {"curl", "s3", "gs", "az", "adls", "oss", "swift", "hdfs"};
// The same, whole, each taken with '/' and with '?' after it (/vsicurl?url=
// is /vsicurl/'s other form; GDAL does not list it) and in its _streaming
// form: every name GDAL might hand to a network handler, listed or not.
constexpr std::array<const char*, 9> kRemoteVsiNames = {"/vsicurl", "/vsis3",   "/vsigs",
                                                        "/vsiaz",   "/vsiadls", "/vsioss",
                                                        "/vsiswift", "/vsiwebhdfs", "/vsihdfs"};

constexpr const char* kNetwork = "is a network name; qarn-mksurface reads local files only";

// GDAL's FITS driver hands its file name to cfitsio, which opens it with its
// own I/O, past GDAL's file systems and their refusals, and reads more into
// a name than a file: "-" and "stdin" are standard input, "scheme://" a
// download (http, https, ftp, root), "name(out)" copies the file to out and
// "!" replaces it, "name[...]" filters it, "name+N" picks a part.
constexpr const char* kCfitsioName =
    "is a name the FITS library would take as more than a file (standard input, a URL, a file to write); "
    "give the map a plain name, without '(', '[', '://', a leading '-' or '!' or a closing +N";

// True when cfitsio would read cName as anything but the plain file.
bool CfitsioSyntax(const std::string& cName) {
    const size_t nFirst = std::min(cName.find_first_not_of(" \t"), cName.size());
    const std::string cLead = cName.substr(nFirst);
    const size_t nPlus = cName.find_last_of('+');
    const bool bPart = nPlus != std::string::npos && nPlus + 1 < cName.size() &&
                       std::all_of(cName.begin() + long(nPlus) + 1, cName.end(),
                                   [](char c) { return std::isdigit(uint8_t(c)) != 0; });
    return bPart || StartsWithCi(cLead, "-") || StartsWithCi(cLead, "!") || EQUAL(cLead.c_str(), "stdin") ||
           cName.find_first_of("([") != std::string::npos || cName.find("://") != std::string::npos;
}

// Why a name under cPrefix is refused. A prefix that does not end in '/' is
// said alone (see Said).
std::string VsiRefusal(const std::string& cPrefix) {
    for (const char* c : kRemoteVsi)
        if (cPrefix.find(c) != std::string::npos) return kNetwork;
    if (cPrefix.back() != '/') return "is a GDAL virtual file system of a kind qarn-mksurface does not open";
    return "is a GDAL virtual file (" + cPrefix + ") of a kind qarn-mksurface does not open";
}

// The refusing handler put in place of every file system outside kLocalVsi;
// pUserData is its prefix, cName the name after it.
int RefuseStat(void* pUserData, const char* cName, VSIStatBufL*, int) {
    const char* cPrefix = static_cast<const char*>(pUserData);
    Refuse(cPrefix + std::string(cName), VsiRefusal(cPrefix));
    return -1;
}

void* RefuseVsiOpen(void* pUserData, const char* cName, const char*) {
    RefuseStat(pUserData, cName, nullptr, 0);
    return nullptr;
}

// The handlers replaced: GDAL drops one it replaces without freeing it, and
// the leak checker of a sanitizer build would count each as lost. Never
// destroyed, so that they stay reachable after the program's own globals.
std::vector<VSIFilesystemHandler*>& Replaced() {
    static auto* replaced = new std::vector<VSIFilesystemHandler*>;
    return *replaced;
}

bool IsLocalVsi(const std::string& cPrefix) {
    return std::find_if(kLocalVsi.begin(), kLocalVsi.end(), [&](const char* l) { return cPrefix == l; }) !=
           kLocalVsi.end();
}

// Puts the refusing handler in place for names under cPrefix.
void InstallRefusal(const std::string& cPrefix) {
    // The handler keeps the prefix by its address: one copy for good, which
    // is the callbacks' user data too.
    char* c = CPLStrdup(cPrefix.c_str());
    VSIFilesystemPluginCallbacksStruct* cb = VSIAllocFilesystemPluginCallbacksStruct();
    cb->pUserData = c;
    cb->stat = RefuseStat;
    cb->open = RefuseVsiOpen;
    Replaced().push_back(VSIFileManager::GetHandler(c));
    VSIInstallPluginHandler(c, cb);  // copies the callbacks
    VSIFreeFilesystemPluginCallbacksStruct(cb);
}

// Every file system GDAL lists but the local ones, whatever its prefix ends
// in, and both forms of every network file system, listed or not: GDAL
// hands a name to the handler of a prefix it starts with, /vsistdin? has
// its own handler apart from /vsistdin/, and /vsicurl? one that GDAL leaves
// out of its list. Raw bands, sidecars and every source open their files
// through these handlers, before and past any driver's open.
void RefuseRemoteFileSystems() {
    std::vector<std::string> refused;
    char** prefixes = VSIGetFileSystemsPrefixes();
    for (char** p = prefixes; p != nullptr && *p != nullptr; ++p) {
        const std::string c = *p;
        if (c.empty() || IsLocalVsi(c)) continue;
        refused.push_back(c);
        if (c.back() == '/') refused.push_back(c.substr(0, c.size() - 1) + "?");
    }
    CSLDestroy(prefixes);
    for (const std::string c : kRemoteVsiNames)
        for (const char* cForm : {"/", "?", "_streaming/", "_streaming?"}) refused.push_back(c + cForm);
    std::sort(refused.begin(), refused.end());
    refused.erase(std::unique(refused.begin(), refused.end()), refused.end());
    for (const std::string& c : refused) InstallRefusal(c);
}

// Bytes of a raw band's file its pixels need, from the offset of its first
// pixel and the steps between pixels and lines (either may be negative);
// INT64_MAX when that is beyond any file, -1 when the steps lead before it.
int64_t RawBytesNeeded(uint64_t nImg, int64_t nPixel, int64_t nLine, int nW, int nH, GDALDataType e) {
    if (nImg > uint64_t(INT64_MAX)) return INT64_MAX;
    int64_t nFirst = int64_t(nImg), nLast = int64_t(nImg);
    // |step| < 2^31 and counts < 2^31: each product fits; the sums may not.
    for (const int64_t d : {nPixel * (nW - 1), nLine * (nH - 1)}) {
        if (d < 0) nFirst += d;
        else if (__builtin_add_overflow(nLast, d, &nLast)) return INT64_MAX;
    }
    if (nFirst < 0) return -1;
    return __builtin_add_overflow(nLast, int64_t(GDALGetDataTypeSizeBytes(e)), &nLast) ? INT64_MAX : nLast;
}

void RefuseShort(const std::string& cName, int64_t nNeeded, int64_t nHave) {
    Refuse(cName, "is cut short: " + std::to_string(nNeeded - nHave) +
                      " bytes of its pixels are missing (it has " + std::to_string(nHave) + " of " +
                      std::to_string(nNeeded) + ")");
}

// True when every raw band of ds (opened as cName: its description is not
// set yet) lies within its file; else refuses it.
bool RawBandsWhole(GDALDataset* ds, const char* cName) {
    for (int i = 1; i <= ds->GetRasterCount(); ++i) {
        GDALRasterBand* b = ds->GetRasterBand(i);
        if (auto* raw = dynamic_cast<RawRasterBand*>(b); raw != nullptr && raw->GetFPL() != nullptr) {
            VSILFILE* fp = raw->GetFPL();
            // Each read of a raw band seeks first: moving the offset is safe.
            if (VSIFSeekL(fp, 0, SEEK_END) != 0) continue;
            const int64_t nHave = int64_t(VSIFTellL(fp));
            const int64_t nNeeded = RawBytesNeeded(raw->GetImgOffset(), raw->GetPixelOffset(),
                                                   raw->GetLineOffset(), b->GetXSize(), b->GetYSize(),
                                                   b->GetRasterDataType());
            if (nNeeded > nHave) return RefuseShort(cName, nNeeded, nHave), false;
        } else if (auto* vraw = dynamic_cast<VRTRawRasterBand*>(b); vraw != nullptr) {
            char** files = nullptr;
            int nFiles = 0, nMax = 0;
            CPLHashSet* seen = CPLHashSetNew(CPLHashSetHashStr, CPLHashSetEqualStr, nullptr);
            vraw->GetFileList(&files, &nFiles, &nMax, seen);
            CPLHashSetDestroy(seen);
            CPLXMLNode* x = vraw->SerializeToXML("");
            // The list names a source relative to the VRT as it is written.
            std::string cFile = files != nullptr && files[0] != nullptr ? files[0] : "";
            if (!cFile.empty() && CPLIsFilenameRelative(cFile.c_str()))
                cFile = CPLProjectRelativeFilename(CPLGetPath(cName), cFile.c_str());
            VSIStatBufL st;
            const bool bKnown = !cFile.empty() && x != nullptr && VSIStatL(cFile.c_str(), &st) == 0;
            const int nDt = GDALGetDataTypeSizeBytes(b->GetRasterDataType());
            const int64_t nNeeded =
                bKnown ? RawBytesNeeded(CPLAtoGIntBig(CPLGetXMLValue(x, "ImageOffset", "0")),
                                        atoi(CPLGetXMLValue(x, "PixelOffset", std::to_string(nDt).c_str())),
                                        atoi(CPLGetXMLValue(x, "LineOffset",
                                                            std::to_string(nDt * b->GetXSize()).c_str())),
                                        b->GetXSize(), b->GetYSize(), b->GetRasterDataType())
                       : 0;
            CPLDestroyXMLNode(x);
            CSLDestroy(files);
            if (bKnown && nNeeded > int64_t(st.st_size))
                return RefuseShort(cFile, nNeeded, int64_t(st.st_size)), false;
        }
    }
    return true;
}

GDALDataset* OpenMap(GDALDriver* drv, GDALOpenInfo* info) {
    std::string cWhy = NameRefusal(info->pszFilename, true);
    if (cWhy.empty() && EQUAL(drv->GetDescription(), "FITS") && CfitsioSyntax(info->pszFilename))
        cWhy = kCfitsioName;
    if (!cWhy.empty()) return Refuse(info->pszFilename, cWhy), nullptr;
    for (const Wrapped& w : wrapped) {
        if (w.drv != drv) continue;
        GDALDataset* ds = w.fnOpen(info);
        if (ds != nullptr && !RawBandsWhole(ds, info->pszFilename)) {
            GDALClose(ds);
            return nullptr;
        }
        return ds;
    }
    return nullptr;
}

GDALDataset* RefuseDriver(GDALDriver* drv, GDALOpenInfo* info) {
    std::string cWhy = NameRefusal(info->pszFilename, true);
    if (cWhy.empty() && drv->pfnIdentify != nullptr && drv->pfnIdentify(info) > 0) {
        const char* cLong = drv->GetMetadataItem(GDAL_DMD_LONGNAME);
        cWhy = std::string("is of GDAL's format ") + drv->GetDescription() +
               (cLong != nullptr ? std::string(" (") + cLong + ")" : std::string()) +
               ", which qarn-mksurface does not read; see qarn-mksurface(1) for the formats it does";
    }
    // Unsure drivers (no identification, or a guess) stay silent: another
    // driver may still own the file.
    if (!cWhy.empty()) Refuse(info->pszFilename, cWhy);
    return nullptr;
}

}  // namespace

std::string NameRefusal(const std::string& cName, bool bMemoryOk) {
    if (StartsWithCi(cName, "MEM:::")) return "is a GDAL memory name, not a file";
    // FITS:"name":N, a part of a FITS file: the quoted name goes to cfitsio
    // whole, whatever it holds. The other map drivers' names of parts
    // (GTIFF_DIR:, GTIFF_RAW:, JPEG_SUBFILE:, PDS4:, vrt://) open their file
    // through GDAL's file systems, checked like any other.
    if (StartsWithCi(cName, "FITS:"))
        return "is a FITS part name (FITS:\"FILE\":N), whose FILE the FITS library would open itself, past "
               "qarn-mksurface's checks; give a FITS map by its own file name";
    if (cName.rfind("/vsimem/", 0) == 0) return bMemoryOk ? "" : "is a GDAL memory name, not a file";
    // scheme://...: http, https, ftp and any other URL.
    const size_t nColon = cName.find("://");
    const auto isScheme = [](char c) { return std::isalnum(uint8_t(c)) != 0 || c == '+' || c == '-' || c == '.'; };
    if (nColon != std::string::npos && nColon > 0 && std::all_of(cName.begin(), cName.begin() + long(nColon), isScheme))
        return kNetwork;
    if (cName.rfind("/vsi", 0) == 0) {
        const size_t nEnd = cName.find_first_of("/?", 4);
        const std::string cPrefix = cName.substr(0, nEnd == std::string::npos ? cName.size() : nEnd + 1);
        if (std::find_if(kLocalVsi.begin(), kLocalVsi.end(), [&](const char* l) { return cPrefix == l; }) ==
            kLocalVsi.end())
            return VsiRefusal(cPrefix);
    }
    return {};
}

void LimitGdalOpens() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        RefuseRemoteFileSystems();
        GDALDriverManager* dm = GetGDALDriverManager();
        size_t nWrapped = 0;
        for (int i = 0; i < dm->GetDriverCount(); ++i) {
            GDALDriver* drv = dm->GetDriver(i);
            const bool bMap = std::find_if(kMapDrivers.begin(), kMapDrivers.end(), [&](const char* c) {
                                  return EQUAL(c, drv->GetDescription());
                              }) != kMapDrivers.end();
            if (bMap && drv->pfnOpen != nullptr && nWrapped < wrapped.size()) {
                wrapped[nWrapped++] = {drv, drv->pfnOpen};
                drv->pfnOpen = nullptr;
                drv->pfnOpenWithDriverArg = OpenMap;
            } else if (!bMap) {
                drv->pfnOpen = nullptr;
                drv->pfnOpenWithDriverArg = RefuseDriver;
            }
        }
    });
}

Refusal TakeGdalRefusal() {
    const std::lock_guard<std::mutex> hold(refusalLock);
    Refusal r;
    std::swap(r, firstRefusal);
    return r;
}
