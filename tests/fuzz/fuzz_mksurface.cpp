// libFuzzer target for the map converter: each input becomes the in-memory
// file /vsimem/qarn-fuzz-in, which ConvertMap opens by that name through
// GDAL's drivers exactly as it opens a file on disk, with the command's own
// guard on opened files linked in. A run must end with a one-line reason and
// no output, or with a complete 525,366-byte surface image; a hang or a
// memory blow-up is caught by libFuzzer's -timeout and -rss_limit_mb.
#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "tools/convert.h"
#include "tools/map_opens.h"
#include "tools/open_guard.h"
#include "tools/surface.h"

namespace {

constexpr const char* kIn = "/vsimem/qarn-fuzz-in";
// Pixels of the largest input converted: beyond, a sparse or generated
// raster of legal size takes minutes of honest work, which is no finding.
constexpr uint64_t kMaxFuzzPixels = uint64_t(1) << 22;

[[noreturn]] void Broken() { __builtin_trap(); }

const std::string& OutPath() {
    static const std::string cOut = [] {
        char cDir[] = "/tmp/qarn-fuzz-mks-XXXXXX";
        if (mkdtemp(cDir) == nullptr) Broken();
        return std::string(cDir) + "/out.Bmp";
    }();
    return cOut;
}

// True when the input opens as a raster small enough to convert here.
bool SmallEnough() {
    const GDALDatasetUniquePtr ds(GDALDataset::Open(kIn, GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) return true;  // the converter's own refusal is tested too
    return uint64_t(ds->GetRasterXSize()) * uint64_t(ds->GetRasterYSize()) <= kMaxFuzzPixels &&
           ds->GetRasterCount() <= 16;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Only the map drivers, no network file system: the limits the converter
    // sets at its first call, here before SmallEnough opens anything.
    LimitGdalOpens();
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no .aux.xml beside the input
    CPLSetConfigOption("GDAL_DISABLE_READDIR_ON_OPEN", "EMPTY_DIR");
    CPLSetConfigOption("CPL_DEBUG", "OFF");
    // A header may claim tens of thousands of bands; GDAL adds them one
    // realloc at a time, which under AddressSanitizer (a copy each time) is
    // quadratic: seconds and a gigabyte for one small input. The converter
    // reads at most four, and inputs of more than 16 are skipped anyway.
    CPLSetConfigOption("GDAL_MAX_BAND_COUNT", "16");
    CPLSetErrorHandler(CPLQuietErrorHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bData, size_t nData) {
    VSILFILE* f = VSIFileFromMemBuffer(kIn, const_cast<GByte*>(bData), vsi_l_offset(nData), FALSE);
    if (f == nullptr) Broken();
    VSIFCloseL(f);
    const std::string& cOut = OutPath();
    unlink(cOut.c_str());
    if (SmallEnough()) {
        ConvertOptions o;
        o.cIn = kIn;
        o.cOut = cOut;
        // The last byte now and then picks the --range or --left-lon path.
        const uint8_t bLast = nData > 0 ? bData[nData - 1] : 0;
        o.bRange = bLast == 0x7F;
        o.dLo = 0, o.dHi = 1000;
        o.bLeftLon = bLast == 0x7E;
        o.dLeftLon = 17.5;
        ConvertHooks h;
        h.fnTakeRefused = TakeRefusedFile;
        h.bMemoryInput = true;  // its own input; a name inside it still may not be
        const std::string cWhy = ConvertMap(o, h);
        struct stat st;
        const bool bOut = stat(cOut.c_str(), &st) == 0;
        if (cWhy.empty() && (!bOut || st.st_size != off_t(kFileBytes))) Broken();  // success with no map
        if (!cWhy.empty() && (bOut || cWhy.find('\n') != std::string::npos)) Broken();
    }
    VSIUnlink(kIn);
    return 0;
}
