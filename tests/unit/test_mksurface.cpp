// The surface-image maker: its placement arithmetic, and the program run on
// maps written here with libpng and GDAL.
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <png.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/io_uring.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/files.h"
#include "tools/confine.h"
#include "tools/map_opens.h"
#include "tools/surface.h"

namespace {

struct Png {
    uint32_t w = 0, h = 0;
    int iColour = PNG_COLOR_TYPE_RGB;
    int nDepth = 8;
    bool bInterlace = false;
    std::vector<png_color> palette;
    std::vector<std::vector<uint8_t>> rows;  // raw packed rows, top first
};

// RGB 8-bit picture from a function of (x, y), y from the top.
Png Rgb(uint32_t w, uint32_t h, const std::function<void(uint32_t, uint32_t, uint8_t*)>& at) {
    Png p;
    p.w = w;
    p.h = h;
    p.rows.assign(h, std::vector<uint8_t>(3 * size_t(w)));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) at(x, y, &p.rows[y][3 * x]);
    return p;
}

Png Gray(uint32_t w, uint32_t h, const std::function<uint8_t(uint32_t, uint32_t)>& at) {
    Png p;
    p.w = w;
    p.h = h;
    p.iColour = PNG_COLOR_TYPE_GRAY;
    p.rows.assign(h, std::vector<uint8_t>(w));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) p.rows[y][x] = at(x, y);
    return p;
}

void WritePng(const std::string& path, const Png& p) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        FAIL() << "libpng failed writing " << path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, p.w, p.h, p.nDepth, p.iColour,
                 p.bInterlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!p.palette.empty())
        png_set_PLTE(png, info, p.palette.data(), int(p.palette.size()));
    std::vector<png_bytep> rows;
    for (const auto& r : p.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// A map written through GDAL: size, bands and type, values per band and
// pixel, and optionally a geotransform, a coordinate system and nodata.
struct Raster {
    uint32_t w = 0, h = 0;
    int nBands = 1;
    GDALDataType eType = GDT_Byte;
    std::function<double(int, uint32_t, uint32_t)> at;  // band from 0, x, y from the top
    std::vector<double> gt;                             // empty: no georeferencing
    std::string cSrs;                                   // PROJ string; empty: none
    bool bNodata = false;
    double dNodata = 0;
};

// The Moon as a sphere of 1737.4 km, in degrees and in metres.
constexpr const char* kMoonLonLat = "+proj=longlat +R=1737400 +no_defs";
constexpr const char* kMoonEqc = "+proj=eqc +R=1737400 +lon_0=0 +units=m +no_defs";

void WriteRaster(const std::string& path, const char* cDriver, const Raster& r,
                 const std::vector<const char*>& options = {}) {
    GDALAllRegister();
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDataset* ds = mem->Create("", int(r.w), int(r.h), r.nBands, r.eType, nullptr);
    ASSERT_NE(ds, nullptr);
    std::vector<double> row(r.w);
    for (int b = 0; b < r.nBands; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b + 1);
        if (r.bNodata) band->SetNoDataValue(r.dNodata);
        for (uint32_t y = 0; y < r.h; ++y) {
            for (uint32_t x = 0; x < r.w; ++x) row[x] = r.at(b, x, y);
            ASSERT_EQ(band->RasterIO(GF_Write, 0, int(y), int(r.w), 1, row.data(), int(r.w), 1,
                                     GDT_Float64, 0, 0, nullptr),
                      CE_None);
        }
    }
    if (!r.gt.empty()) ds->SetGeoTransform(const_cast<double*>(r.gt.data()));
    if (!r.cSrs.empty()) {
        OGRSpatialReference srs;
        ASSERT_EQ(srs.SetFromUserInput(r.cSrs.c_str()), OGRERR_NONE);
        ds->SetSpatialRef(&srs);
    }
    std::vector<char*> opts;
    for (const char* o : options) opts.push_back(const_cast<char*>(o));
    opts.push_back(nullptr);
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(cDriver);
    ASSERT_NE(drv, nullptr) << cDriver;
    GDALDataset* out = drv->CreateCopy(path.c_str(), ds, FALSE, opts.data(), nullptr, nullptr);
    ASSERT_NE(out, nullptr) << CPLGetLastErrorMsg();
    GDALClose(out);
    GDALClose(ds);
}

class MkSurface : public ScratchDir {
protected:
    // Runs the tool on p; returns its exit status and leaves its output in out.
    int Run(const Png& p) {
        WritePng(dir + "/in.png", p);
        return RunOn(dir + "/in.png");
    }
    // Runs the tool with options opts on in, writing out.Bmp.
    int RunOn(const std::string& in, const std::string& opts = "") {
        const std::string cmd = std::string("'") + QARN_MKSURFACE + "' " + opts + " '" + in + "' '" +
                                dir + "/out.Bmp' >'" + dir + "/out.txt' 2>'" + dir + "/err.txt'";
        const int st = std::system(cmd.c_str());
        out = ReadAll(dir + "/out.Bmp");
        const std::vector<uint8_t> e = ReadAll(dir + "/err.txt");
        err.assign(e.begin(), e.end());
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // Runs the tool with argv args (no shell), standard output and error to
    // out.txt and err.txt, or standard error to fdErr when given; returns
    // its exit status, and its wall seconds and peak resident KiB.
    // uid, when not 0, is the account the child runs as (the test may be root);
    // fdIn, when given, its standard input. See also cwd and prepare.
    int Exec(const std::vector<std::string>& args, double* pSeconds = nullptr, long* pMaxRssKiB = nullptr,
             int fdErr = -1, uid_t uid = 0, int fdIn = -1) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
            if (prepare && !prepare()) _exit(125);
            if (fdIn >= 0) dup2(fdIn, 0);
            const int fdOut = open((dir + "/out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fdOut, 1);
            dup2(fdErr >= 0 ? fdErr : open((dir + "/err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            if (uid != 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(126);
            alarm(60);  // a hang ends the child, and the test
            std::vector<char*> argv = {const_cast<char*>(bin.c_str())};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(bin.c_str(), argv.data());
            _exit(127);
        }
        int st = 0;
        rusage ru{};
        wait4(pid, &st, 0, &ru);
        if (pSeconds != nullptr)
            *pSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (pMaxRssKiB != nullptr) *pMaxRssKiB = ru.ru_maxrss;
        out = ReadAll(dir + "/out.Bmp");
        const std::vector<uint8_t> e = ReadAll(dir + "/err.txt");
        err.assign(e.begin(), e.end());
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // Nothing but the directory's own inputs is left in it.
    void ExpectOnlyInputs(const std::vector<std::string>& inputs) {
        for (const auto& f : std::filesystem::directory_iterator(dir)) {
            const std::string n = f.path().filename();
            if (n == "err.txt" || n == "out.txt") continue;
            EXPECT_NE(std::find(inputs.begin(), inputs.end(), n), inputs.end()) << "left behind: " << n;
        }
    }
    // Output pixel at column x, row y counted from the top of the picture.
    int At(uint32_t x, uint32_t y) const { return out.at(1078 + (511 - y) * 1024 + x); }
    std::string err;
    std::string bin = QARN_MKSURFACE;  // what Exec runs
    std::string cwd;                   // where Exec runs it, when not empty
    std::function<bool()> prepare;     // run in Exec's child first; false: status 125
    std::vector<uint8_t> out;
};

// A TCP listener on 127.0.0.1 for as long as the object lives, which
// accepts nothing: a connection made to it waits in its queue, where
// Connected sees it.
struct Listener {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string cPort;
    Listener() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nAddr = sizeof addr;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &nAddr) != 0)
            ADD_FAILURE() << "no listener on the loopback: " << std::strerror(errno);
        cPort = std::to_string(ntohs(addr.sin_port));
    }
    ~Listener() { close(fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    bool Connected() const {
        pollfd pfd = {fd, POLLIN, 0};
        return poll(&pfd, 1, 0) != 0;
    }
};

// A VRT of one 2048 x 1024 byte band whose one source is cSource.
std::string VrtOf(const std::string& cSource) {
    return "<VRTDataset rasterXSize=\"2048\" rasterYSize=\"1024\"><VRTRasterBand dataType=\"Byte\" band=\"1\">"
           "<SimpleSource><SourceFilename>" + cSource + "</SourceFilename><SourceBand>1</SourceBand>"
           "</SimpleSource></VRTRasterBand></VRTDataset>";
}

// An HDF5 file whose 64 x 32 byte dataset is stored externally in cData, made
// through libhdf5 loaded at run time (the tests link no HDF5). False when
// the library is not there.
bool WriteExternalHdf5(const std::string& cPath, const std::string& cData) {
    void* lib = dlopen("libhdf5_serial.so.103", RTLD_NOW);
    if (lib == nullptr) lib = dlopen("libhdf5.so", RTLD_NOW);
    if (lib == nullptr) return false;
    using Hid = int64_t;  // hid_t since HDF5 1.10
    using Dims = const unsigned long long*;
    auto fn = [&](const char* c) { return dlsym(lib, c); };
    reinterpret_cast<int (*)()>(fn("H5open"))();
    const Hid kDefault = 0;     // H5P_DEFAULT
    const unsigned kTrunc = 2;  // H5F_ACC_TRUNC
    const Hid dcplClass = *static_cast<Hid*>(fn("H5P_CLS_DATASET_CREATE_ID_g"));
    const Hid dcpl = reinterpret_cast<Hid (*)(Hid)>(fn("H5Pcreate"))(dcplClass);
    using SetExternal = int (*)(Hid, const char*, long, unsigned long long);
    reinterpret_cast<SetExternal>(fn("H5Pset_external"))(dcpl, cData.c_str(), 0, 64 * 32);
    const unsigned long long dims[2] = {32, 64};
    const Hid space = reinterpret_cast<Hid (*)(int, Dims, Dims)>(fn("H5Screate_simple"))(2, dims, nullptr);
    using Create = Hid (*)(const char*, unsigned, Hid, Hid);
    const Hid file = reinterpret_cast<Create>(fn("H5Fcreate"))(cPath.c_str(), kTrunc, kDefault, kDefault);
    using CreateSet = Hid (*)(Hid, const char*, Hid, Hid, Hid, Hid, Hid);
    const Hid set = reinterpret_cast<CreateSet>(fn("H5Dcreate2"))(
        file, "map", *static_cast<Hid*>(fn("H5T_NATIVE_UCHAR_g")), space, kDefault, dcpl, kDefault);
    for (const auto& [c, h] :
         {std::pair{"H5Dclose", set}, {"H5Sclose", space}, {"H5Pclose", dcpl}, {"H5Fclose", file}})
        reinterpret_cast<int (*)(Hid)>(fn(c))(h);
    return file >= 0 && set >= 0;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST_F(MkSurface, UpscalesBlocksWritesHeaderAndPutsTheBottomRowFirst) {
    // 8 x 4 colours: each source pixel becomes a 128 x 128 block.
    const Png p = Rgb(8, 4, [](uint32_t x, uint32_t y, uint8_t* c) {
        c[0] = uint8_t(30 * x);
        c[1] = uint8_t(60 * y);
        c[2] = uint8_t(x == 7 && y == 3 ? 255 : 0);
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    const uint32_t want[13] = {525366, 0, 1078, 40, 1024, 512, 0x00080001, 0,
                               524288, 3780, 3780, 256, 0};
    for (int k = 0; k < 13; ++k) EXPECT_EQ(Le32(out, 2 + 4 * k), want[k]) << "field " << k;
    for (int k = 0; k < 256; ++k) {
        ASSERT_EQ(out[54 + 4 * k], k);
        ASSERT_EQ(out[55 + 4 * k], k);
        ASSERT_EQ(out[56 + 4 * k], k);
        ASSERT_EQ(out[57 + 4 * k], 0);
    }
    auto luma = [](int r, int g, int b) { return (299 * r + 587 * g + 114 * b + 500) / 1000; };
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(127, 127), 0);
    EXPECT_EQ(At(128, 0), luma(30, 0, 0));      // 8.97 -> 9
    EXPECT_EQ(At(1023, 511), luma(210, 180, 255));
    EXPECT_EQ(At(1023, 383), luma(210, 120, 0));
    EXPECT_EQ(At(500, 300), luma(90, 120, 0));
    // The file's first pixel row is the picture's bottom row.
    EXPECT_EQ(out[1078], luma(0, 180, 0));
    EXPECT_EQ(out[525365], luma(210, 0, 0));
}

TEST_F(MkSurface, FractionalCoverageIsWeightedByArea) {
    // 6 x 3: a source pixel is 170 2/3 output pixels wide and high. Output
    // column 170 takes 4/6 of source column 0 and 2/6 of column 1; output
    // row 170 takes 2/3 of source row 0 and 1/3 of row 1.
    const Png p = Gray(6, 3, [](uint32_t x, uint32_t y) {
        return uint8_t((x == 1 ? 120 : 0) + (y == 1 ? 90 : 0) + (x >= 3 ? 7 : 0));
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(At(169, 100), 0);
    EXPECT_EQ(At(170, 100), 40);   // (4*0 + 2*120) / 6
    EXPECT_EQ(At(171, 100), 120);
    EXPECT_EQ(At(100, 170), 30);   // (2*0 + 1*90) / 3
    EXPECT_EQ(At(170, 170), 70);   // (8*0 + 4*120 + 4*90 + 2*210) / 18
    EXPECT_EQ(At(1023, 511), 7);
    // Source columns 0..2 end exactly at output column 512.
    EXPECT_EQ(At(511, 0), 0);
    EXPECT_EQ(At(512, 0), 7);
}

TEST_F(MkSurface, DownscalesByAveragingLumaAndRoundsHalfUp) {
    // 2048 x 1024: each output pixel averages a 2 x 2 block.
    const Png p = Rgb(2048, 1024, [](uint32_t x, uint32_t y, uint8_t* c) {
        const uint32_t bx = x / 2, by = y / 2, q = (x % 2) + 2 * (y % 2);
        c[0] = c[1] = c[2] = 0;
        if (bx < 512 && by >= 1) {  // red, green, blue, black: luma sum 255 -> 63.75
            if (q < 3) c[q] = 255;
        } else if (bx < 512) {      // top row: grays 0, 0, 0, 2 -> 0.5
            if (q == 3) c[0] = c[1] = c[2] = 2;
        } else {                    // right half: flat gray (bx + by) % 256
            c[0] = c[1] = c[2] = uint8_t((bx + by) % 256);
        }
    });
    ASSERT_EQ(Run(p), 0) << err;
    ASSERT_EQ(out.size(), 525366u);
    EXPECT_EQ(At(0, 1), 64);
    EXPECT_EQ(At(511, 511), 64);
    EXPECT_EQ(At(0, 0), 1);
    EXPECT_EQ(At(300, 0), 1);
    EXPECT_EQ(At(512, 0), 0);
    EXPECT_EQ(At(700, 9), (700 + 9) % 256);
    EXPECT_EQ(At(1023, 511), (1023 + 511) % 256);
}

TEST_F(MkSurface, ExpandsInterlacedPaletteAndScalesSixteenBitGrayWithAlpha) {
    Png pal;  // 2 x 1, 1 bit per pixel, Adam7: black | a green-blue
    pal.w = 2;
    pal.h = 1;
    pal.iColour = PNG_COLOR_TYPE_PALETTE;
    pal.nDepth = 1;
    pal.bInterlace = true;
    pal.palette = {{0, 0, 0}, {0, 200, 100}};
    pal.rows = {{0x40}};  // pixel 0 = index 0, pixel 1 = index 1
    ASSERT_EQ(Run(pal), 0) << err;
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(511, 511), 0);
    EXPECT_EQ(At(512, 0), 129);  // 117.4 + 11.4 = 128.8
    EXPECT_EQ(At(1023, 511), 129);

    // 4 x 2 gray + alpha, 16 bits; alpha 0 leaves a pixel out. Not
    // interlaced: GDAL 3.6 swaps the bytes of interlaced 16-bit PNGs.
    Png ga;
    ga.w = 4;
    ga.h = 2;
    ga.iColour = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.nDepth = 16;
    ga.rows.assign(2, std::vector<uint8_t>(16));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            const uint16_t k = uint16_t(1000 + 100 * x + 1000 * y);  // 1100 .. 2300 valid
            uint8_t* px = &ga.rows[y][4 * x];
            px[0] = uint8_t(k >> 8), px[1] = uint8_t(k);
            px[2] = 0, px[3] = uint8_t(x == 0 && y == 0 ? 0 : 1 + 60 * x);  // alpha
        }
    ASSERT_EQ(Run(ga), 0) << err;
    // Scaled from the valid minimum 1100 to the maximum 2300.
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            const int want = x == 0 && y == 0 ? 0 : int(std::lround((100.0 * x + 1000 * y - 100) * 255 / 1200));
            EXPECT_EQ(At(256 * x + 100, 256 * y + 200), want) << x << "," << y;
        }
}

TEST_F(MkSurface, RefusesWhatIsNotA2To1PlainMap) {
    const Png square = Gray(10, 4, [](uint32_t, uint32_t) { return uint8_t(5); });
    EXPECT_EQ(Run(square), 1);
    EXPECT_NE(err.find("10 x 4"), std::string::npos) << err;
    EXPECT_NE(err.find("2:1"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    ExpectOnlyInputs({"in.png"});
}

TEST(MapPlacement, ShiftsRoundTheCircleAndChecksTheWholeGlobe) {
    // W = 6 columns: 6144 units round the circle.
    EXPECT_EQ(ShiftFor(-180.0, 6), 0u);
    EXPECT_EQ(ShiftFor(180.0, 6), 0u);
    EXPECT_EQ(ShiftFor(0.0, 6), 3072u);
    EXPECT_EQ(ShiftFor(360.0, 6), 3072u);
    EXPECT_EQ(ShiftFor(-180.0 - 1e-9, 6), 0u);  // rounds onto the grid, never to 6144
    EXPECT_EQ(ShiftFor(-90.0, 6), 1536u);

    MapPlace p;
    std::string cWhy;
    ASSERT_TRUE(PlaceFromExtent(720, 360, {0, 360, 90, -90}, p, cWhy)) << cWhy;
    EXPECT_EQ(p.nShift, 720u * 512);
    EXPECT_FALSE(p.bEastLeft);
    EXPECT_FALSE(p.bSouthUp);
    // East to the left, south up: walked from the other ends.
    ASSERT_TRUE(PlaceFromExtent(720, 360, {180, -180, -90, 90}, p, cWhy)) << cWhy;
    EXPECT_TRUE(p.bEastLeft);
    EXPECT_TRUE(p.bSouthUp);
    EXPECT_EQ(p.nShift, 0u);
    // Within half a pixel (0.25 degrees) is the whole globe, beyond is not.
    EXPECT_TRUE(PlaceFromExtent(720, 360, {-180.2, 179.9, 89.8, -90.2}, p, cWhy));
    EXPECT_FALSE(PlaceFromExtent(720, 360, {-180, 180, 90, -89.7}, p, cWhy));
    EXPECT_NE(cWhy.find("latitude -89.7 to 90"), std::string::npos) << cWhy;
    // One or two pixels must cover the globe as well: half of their pixel
    // would let 200 degrees, or one hemisphere, pass as whole.
    EXPECT_FALSE(PlaceFromExtent(1, 1, {-100, 100, 90, -90}, p, cWhy));
    EXPECT_FALSE(PlaceFromExtent(1, 1, {-180, 180, 0, -90}, p, cWhy));
    EXPECT_FALSE(PlaceFromExtent(2, 1, {-180, 180, 90, 0}, p, cWhy));
    EXPECT_TRUE(PlaceFromExtent(1, 1, {-180, 180, 90, -90}, p, cWhy)) << cWhy;
    EXPECT_TRUE(PlaceFromExtent(2, 1, {-180.4, 179.6, 90.4, -89.6}, p, cWhy)) << cWhy;
    // Extents that are not numbers are never the whole globe.
    EXPECT_FALSE(PlaceFromExtent(2, 1, {-180, std::nan(""), 90, -90}, p, cWhy));
    EXPECT_FALSE(PlaceFromExtent(2, 1, {-HUGE_VAL, HUGE_VAL, 90, -90}, p, cWhy));
}

TEST_F(MkSurface, GeoreferencedMapsOfEitherLongitudeRangeComeOutTheSame) {
    // 64 x 32 map given as a function of longitude column (0 at -180) and row.
    constexpr uint32_t nW = 64, nH = 32;
    auto map = [](uint32_t c, uint32_t y) { return double((c * 37 + y * 11) % 251); };
    Raster west;  // -180..180 in degrees
    west.w = nW, west.h = nH;
    west.at = [&](int, uint32_t x, uint32_t y) { return map(x, y); };
    west.gt = {-180, 360.0 / nW, 0, 90, 0, -180.0 / nH};
    west.cSrs = kMoonLonLat;
    WriteRaster(dir + "/west.tif", "GTiff", west);
    ASSERT_EQ(RunOn(dir + "/west.tif"), 0) << err;
    const std::vector<uint8_t> want = out;
    EXPECT_EQ(At(0, 0), map(0, 0));
    EXPECT_EQ(At(512, 16 * 17), map(32, 17));  // longitude 0

    Raster east = west;  // 0..360: column x holds longitude column x + 32
    east.at = [&](int, uint32_t x, uint32_t y) { return map((x + nW / 2) % nW, y); };
    east.gt[0] = 0;
    WriteRaster(dir + "/east.tif", "GTiff", east);
    ASSERT_EQ(RunOn(dir + "/east.tif"), 0) << err;
    EXPECT_EQ(out, want) << "0..360 GeoTIFF";
    ASSERT_EQ(RunOn(dir + "/east.tif", "--left-lon -180"), 0) << err;
    EXPECT_NE(out, want) << "--left-lon overrides the georeferencing";

    Raster flipped = west;  // east to the left, south up
    flipped.at = [&](int, uint32_t x, uint32_t y) { return map(nW - 1 - x, nH - 1 - y); };
    flipped.gt = {180, -360.0 / nW, 0, -90, 0, 180.0 / nH};
    WriteRaster(dir + "/flipped.tif", "GTiff", flipped);
    ASSERT_EQ(RunOn(dir + "/flipped.tif"), 0) << err;
    EXPECT_EQ(out, want) << "east to the left, south up";

    Raster metres = west;  // equirectangular on the lunar sphere
    const double dHalf = M_PI * 1737400;
    metres.gt = {-dHalf, 2 * dHalf / nW, 0, dHalf / 2, 0, -dHalf / nH};
    metres.cSrs = kMoonEqc;
    WriteRaster(dir + "/metres.tif", "GTiff", metres);
    ASSERT_EQ(RunOn(dir + "/metres.tif"), 0) << err;
    EXPECT_EQ(out, want) << "equirectangular in metres";

    Raster cube = east;  // ISIS3 cube, 0..360 with its centre meridian at 180
    cube.gt = {-dHalf, 2 * dHalf / nW, 0, dHalf / 2, 0, -dHalf / nH};
    cube.cSrs = "+proj=eqc +R=1737400 +lon_0=180 +units=m +no_defs";
    WriteRaster(dir + "/map.cub", "ISIS3", cube);
    ASSERT_EQ(RunOn(dir + "/map.cub"), 0) << err;
    EXPECT_EQ(out, want) << "ISIS3 cube";

    // A PNG whose georeferencing is in its sidecar, PNG.aux.xml, which is
    // read and never written.
    WriteRaster(dir + "/side.png", "PNG", east);
    const std::vector<uint8_t> aux = ReadAll(dir + "/side.png.aux.xml");
    ASSERT_FALSE(aux.empty());
    ASSERT_EQ(RunOn(dir + "/side.png"), 0) << err;
    EXPECT_EQ(out, want) << "georeferenced by its .aux.xml";
    EXPECT_EQ(ReadAll(dir + "/side.png.aux.xml"), aux);

    Raster plain = east;  // PNG without georeferencing, told where its left edge is
    plain.gt.clear();
    plain.cSrs.clear();
    WriteRaster(dir + "/east.png", "PNG", plain);
    ASSERT_EQ(RunOn(dir + "/east.png", "--left-lon 0"), 0) << err;
    EXPECT_EQ(out, want) << "--left-lon 0";
}

TEST_F(MkSurface, APixelAcrossTheSeamIsSplitBetweenTheEdges) {
    // 4 x 2, left edge at -135: the last column covers 135..225 degrees.
    const Png p = Gray(4, 2, [](uint32_t x, uint32_t) { return uint8_t(10 + 20 * x); });
    WritePng(dir + "/in.png", p);
    ASSERT_EQ(RunOn(dir + "/in.png", "-q --left-lon -135"), 0) << err;
    EXPECT_EQ(At(0, 0), 70);
    EXPECT_EQ(At(127, 511), 70);
    EXPECT_EQ(At(128, 0), 10);
    EXPECT_EQ(At(383, 0), 10);
    EXPECT_EQ(At(384, 0), 30);
    EXPECT_EQ(At(895, 0), 50);
    EXPECT_EQ(At(896, 0), 70);
    EXPECT_EQ(At(1023, 0), 70);
    EXPECT_TRUE(ReadAll(dir + "/out.txt").empty()) << "-q prints nothing";
}

TEST_F(MkSurface, ScalesWideDataTypesAndLeavesNodataOut) {
    // 16-bit 8 x 4: 2000 + 100 x, plus 1000 in the bottom half; nodata 0 in
    // one pixel. Each source pixel is a 128 x 128 block.
    Raster r;
    r.w = 8, r.h = 4, r.eType = GDT_UInt16;
    r.at = [](int, uint32_t x, uint32_t y) { return x == 7 && y == 0 ? 0.0 : 2000.0 + 100 * x + 1000 * (y >= 2); };
    r.bNodata = true;
    WriteRaster(dir + "/u16.tif", "GTiff", r);
    ASSERT_EQ(RunOn(dir + "/u16.tif"), 0) << err;
    // Valid range 2000 .. 3700.
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(1023, 511), 255);
    EXPECT_EQ(At(300, 100), std::lround(200.0 * 255 / 1700));
    EXPECT_EQ(At(900, 100), 0) << "nodata block: nothing under it";
    ASSERT_EQ(RunOn(dir + "/u16.tif", "--range 2500 3000"), 0) << err;
    EXPECT_EQ(At(300, 100), 0);
    EXPECT_EQ(At(818, 100), std::lround(100.0 * 255 / 500));
    EXPECT_EQ(At(300, 400), 255);

    // Float 2048 x 1024 with a NaN and a nodata value in each 2 x 2 block:
    // the output is the mean of the other two, not of four.
    Raster f;
    f.w = 2048, f.h = 1024, f.eType = GDT_Float32;
    f.at = [](int, uint32_t x, uint32_t y) {
        const uint32_t q = x % 2 + 2 * (y % 2);
        return q == 0 ? -9999.0 : q == 1 ? std::nan("") : q == 2 ? 10.0 + (x / 2 % 3) : 30.0;
    };
    f.bNodata = true, f.dNodata = -9999;
    WriteRaster(dir + "/f32.tif", "GTiff", f);
    ASSERT_EQ(RunOn(dir + "/f32.tif"), 0) << err;
    // Values 10..12 and 30: block means 20, 20.5, 21 over the range 10..30.
    EXPECT_EQ(At(0, 0), std::lround(10.0 * 255 / 20));
    EXPECT_EQ(At(1, 5), std::lround(10.5 * 255 / 20));
    EXPECT_EQ(At(2, 511), std::lround(11.0 * 255 / 20));
}

TEST_F(MkSurface, RefusesAPartialMapNamingItsExtent) {
    Raster near;  // the near side only, -90..90 degrees of longitude
    near.w = 32, near.h = 32;
    near.at = [](int, uint32_t, uint32_t) { return 100.0; };
    near.gt = {-90, 180.0 / 32, 0, 90, 0, -180.0 / 32};
    near.cSrs = kMoonLonLat;
    WriteRaster(dir + "/near.tif", "GTiff", near);
    EXPECT_EQ(RunOn(dir + "/near.tif"), 1);
    EXPECT_NE(err.find("covers longitude -90 to 90 and latitude -90 to 90 (180 x 180 degrees)"),
              std::string::npos)
        << err;
    EXPECT_TRUE(out.empty());
    ExpectOnlyInputs({"near.tif"});
}

TEST_F(MkSurface, BrokenAndHostileInputsEndWithOneMessageAndNoOutput) {
    auto expectRefused = [&](const std::string& in, const char* cWhat) {
        EXPECT_EQ(RunOn(in), 1) << cWhat;
        EXPECT_EQ(err.rfind("qarn-mksurface: ", 0), 0u) << cWhat << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << cWhat << ": " << err;
        EXPECT_TRUE(out.empty()) << cWhat;
    };
    // A tiled GeoTIFF cut off in the middle of its tiles.
    Raster r;
    r.w = 512, r.h = 256;
    r.at = [](int, uint32_t x, uint32_t y) { return double((x * 7 + y * 3) % 256); };
    WriteRaster(dir + "/cut.tif", "GTiff", r, {"TILED=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=64"});
    std::filesystem::resize_file(dir + "/cut.tif", std::filesystem::file_size(dir + "/cut.tif") / 2);
    expectRefused(dir + "/cut.tif", "truncated GeoTIFF");
    // The whole map is one read; the row named is the first that fails.
    EXPECT_NE(err.find("cannot read " + dir + "/cut.tif at row 64:"), std::string::npos) << err;

    // 200 bytes of PNG claiming 100000 x 50000 RGB pixels, interlaced.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    auto chunk = [&](const char* cType, std::vector<uint8_t> data) {
        const uint32_t n = uint32_t(data.size());
        for (int k = 3; k >= 0; --k) png.push_back(uint8_t(n >> (8 * k)));
        std::vector<uint8_t> typed(cType, cType + 4);
        typed.insert(typed.end(), data.begin(), data.end());
        png.insert(png.end(), typed.begin(), typed.end());
        uint32_t crc = 0xFFFFFFFFu;
        for (const uint8_t b : typed) {
            crc ^= b;
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
        crc ^= 0xFFFFFFFFu;
        for (int k = 3; k >= 0; --k) png.push_back(uint8_t(crc >> (8 * k)));
    };
    chunk("IHDR", {0, 1, 0x86, 0xA0, 0, 0, 0xC3, 0x50, 8, 2, 0, 0, 1});
    chunk("IDAT", std::vector<uint8_t>(200 - png.size() - 12 - 12, 0x5A));
    chunk("IEND", {});
    ASSERT_EQ(png.size(), 200u);
    {
        std::ofstream(dir + "/huge.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()), 200);
    }
    expectRefused(dir + "/huge.png", "hostile PNG header");

    std::filesystem::create_directory(dir + "/folder");
    expectRefused(dir + "/folder", "directory");
    EXPECT_NE(err.find("is a directory"), std::string::npos) << err;
    expectRefused(dir + "/missing.tif", "missing file");
    EXPECT_NE(err.find("No such file"), std::string::npos) << err;
    {
        std::ofstream(dir + "/text.png") << "not a picture at all";
    }
    expectRefused(dir + "/text.png", "not a raster");
    // A DTED header: a format GDAL reads but no lunar map comes in, refused
    // by its name before its driver reads anything.
    {
        std::ofstream(dir + "/bare.dt0") << "UHL1" << std::string(76, ' ') << std::string(400, 'x');
    }
    expectRefused(dir + "/bare.dt0", "DTED header");
    EXPECT_NE(err.find("bare.dt0 is of GDAL's format DTED"), std::string::npos) << err;
    // GDAL's memory names read any address of the process: as the input and
    // as a VRT's source.
    const std::string cMem = "MEM:::DATAPOINTER=0x10,PIXELS=2048,LINES=1024";
    expectRefused(cMem, "MEM::: input");
    EXPECT_NE(err.find(cMem + " is a GDAL memory name, not a file"), std::string::npos) << err;
    {
        std::ofstream(dir + "/mem.vrt") << VrtOf(cMem);
    }
    expectRefused(dir + "/mem.vrt", "MEM::: in a VRT");
    EXPECT_NE(err.find("mem.vrt needs " + cMem + ", which is a GDAL memory name"), std::string::npos) << err;
    expectRefused("/vsimem/qarn-in.tif", "a /vsimem/ input");
    EXPECT_NE(err.find("/vsimem/qarn-in.tif is a GDAL memory name"), std::string::npos) << err;

    // A network source, named through /vsicurl/ or as a plain URL, against a
    // listener on the loopback that must see no connection; and as a raw
    // band's file through /vsicurl?url=, which GDAL leaves out of its list of
    // file systems, alone and as a sub-file.
    const Listener net;
    const std::string cUrl = "http://127.0.0.1:" + net.cPort + "/moon.tif";
    // (Run with a deadline: a request the listener never answers would wait.)
    for (const std::string& cSrc : {"/vsicurl/" + cUrl, cUrl, std::string(), "/vsicurl?url=" + cUrl,
                                    "/vsisubfile/0_2048,/vsicurl?url=" + cUrl}) {
        const bool bRaw = cSrc.find('?') != std::string::npos;
        {
            std::ofstream(dir + "/net.vrt")
                << (bRaw ? "<VRTDataset rasterXSize=\"2048\" rasterYSize=\"1024\"><VRTRasterBand dataType=\"Byte\" "
                           "band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename>" + cSrc +
                               "</SourceFilename></VRTRasterBand></VRTDataset>"
                         : VrtOf(cSrc));
        }
        const std::string cIn = cSrc.empty() ? cUrl : dir + "/net.vrt";  // the URL as the input
        double dSeconds = 0;
        EXPECT_EQ(Exec({cIn, dir + "/out.Bmp"}, &dSeconds), 1) << cIn;
        EXPECT_LT(dSeconds, 5.0) << cIn;
        const std::string cWhat = cSrc.empty() ? cUrl + " is"
                                  : bRaw       ? "net.vrt needs /vsicurl?, which is"
                                               : "net.vrt needs " + cSrc + ", which is";
        EXPECT_NE(err.find(cWhat + " a network name"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(net.Connected()) << "the converter connected to " << cSrc;
    }

    // A sparse file: a descriptor of a few dozen bytes reads as any number
    // of zeros (here 128 MiB; 2 GiB in 0.8 s), which the pixel ceiling lets
    // the converter average for hours.
    {
        std::ofstream(dir + "/sparse.xml") << "<VSISparseFile><Length>134217728</Length></VSISparseFile>";
        std::ofstream(dir + "/sparse.vrt")
            << "<VRTDataset rasterXSize=\"16384\" rasterYSize=\"8192\"><VRTRasterBand dataType=\"Byte\" "
               "band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename>/vsisparse/" << dir
            << "/sparse.xml</SourceFilename></VRTRasterBand></VRTDataset>";
    }
    double dSparse = 0;
    EXPECT_EQ(Exec({dir + "/sparse.vrt", dir + "/out.Bmp"}, &dSparse), 1);
    EXPECT_LT(dSparse, 5.0);
    EXPECT_NE(err.find("sparse.vrt needs /vsisparse/" + dir + "/sparse.xml, which is a GDAL virtual file "
                       "(/vsisparse/) of a kind qarn-mksurface does not open"),
              std::string::npos)
        << err;

    // GDAL's standard input as a raw band's file, alone, as a sub-file or
    // under gzip: the bytes on the pipe became the map, and an idle pipe
    // blocked the read. Refused by its file system, the query left unsaid.
    for (const char* cSrc : {"/vsistdin?buffer_limit=100000", "/vsisubfile/0_2048,/vsistdin?", "/vsigzip//vsistdin?"}) {
        {
            std::ofstream(dir + "/stdin.vrt")
                << "<VRTDataset rasterXSize=\"64\" rasterYSize=\"32\"><VRTRasterBand dataType=\"Byte\" band=\"1\" "
                   "subClass=\"VRTRawRasterBand\"><SourceFilename>" << cSrc << "</SourceFilename></VRTRasterBand>"
                   "</VRTDataset>";
        }
        for (const bool bIdle : {false, true}) {
            int fds[2];
            ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
            if (!bIdle) {
                std::vector<uint8_t> bytes(2048);
                for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37 + i / 64);
                ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
                close(fds[1]);
            }
            double dSeconds = 0;
            EXPECT_EQ(Exec({dir + "/stdin.vrt", dir + "/out.Bmp"}, &dSeconds, nullptr, -1, 0, fds[0]), 1) << cSrc;
            close(fds[0]);
            if (bIdle) close(fds[1]);
            EXPECT_LT(dSeconds, 5.0) << cSrc;
            EXPECT_NE(err.find("stdin.vrt needs /vsistdin?, which is a GDAL virtual file system"), std::string::npos)
                << cSrc << ": " << err;
            EXPECT_EQ(err.find("buffer_limit"), std::string::npos) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << cSrc << ": " << err;
            EXPECT_TRUE(out.empty()) << cSrc;
        }
    }
    // A refused name holding a newline or a terminal's C1 CSI (character
    // references in the VRT) is said on one line without them; other
    // characters stay whole, and bytes that are not UTF-8 are shown as
    // \xNN (a name given on the command line).
    {
        std::ofstream(dir + "/stdin.vrt") << VrtOf("/vsistdout/&#10;x&#155;31m&#133;y/&#233;");
    }
    expectRefused(dir + "/stdin.vrt", "a refused name with control characters");
    EXPECT_NE(err.find("stdin.vrt needs /vsistdout/ x 31m y/\u00e9, which is"), std::string::npos) << err;
    expectRefused(dir + "/m\xC3\xB6nd\xFF\xC2\x9B.tif", "a name with a C1 control and a byte not of UTF-8");
    EXPECT_NE(err.find("/m\u00f6nd\\xFF .tif"), std::string::npos) << err;

    // Raw maps cut short: GDAL reads the missing rows as 0.
    Raster raw;
    raw.w = 64, raw.h = 32;
    raw.at = [](int, uint32_t x, uint32_t y) { return double(x + y + 1); };
    WriteRaster(dir + "/cut.img", "ENVI", raw);
    std::filesystem::resize_file(dir + "/cut.img", 64 * 20);
    expectRefused(dir + "/cut.img", "truncated ENVI");
    EXPECT_NE(err.find("cut.img is cut short: 768 bytes of its pixels are missing"), std::string::npos) << err;
    {
        std::ofstream(dir + "/raw.vrt")
            << "<VRTDataset rasterXSize=\"64\" rasterYSize=\"32\"><VRTRasterBand dataType=\"Byte\" band=\"1\" "
               "subClass=\"VRTRawRasterBand\"><SourceFilename relativeToVRT=\"1\">cut.img</SourceFilename>"
               "<ImageOffset>64</ImageOffset><PixelOffset>1</PixelOffset><LineOffset>64</LineOffset>"
               "</VRTRasterBand></VRTDataset>";
    }
    expectRefused(dir + "/raw.vrt", "short VRTRawRasterBand");
    EXPECT_NE(err.find("raw.vrt needs " + dir + "/cut.img, which is cut short: 832 bytes"), std::string::npos) << err;

    // A GeoTIFF (found by the fuzzer) whose geokeys name a unit PROJ does not
    // know: libgeotiff's own PROJ context printed its complaint on standard
    // error before the tool's line.
    std::string cTiff =
        "SUkqAAgAAAARAAABAwABAAAAEAAAAAEBAwABAAAACAAAAAIBAwABAAAAEAAAAAMBAwABAAAAAQAAAAYBAwABAAAAAQAAABEBBAAB"
        "AAAA5wEAABUBAwABAAAAAQAAABYBAwABAAAACAAAABcBBAABAAAAAAEAABwBAwABAAAAAQAAAFMBAwABAAAAAQAAAA6DDAADAAAA"
        "2gAAAIKEDAAGAAAA8gAAAK+HAwAsAAAAIgEAALCHDAADAAAAegEAALGHAgBVAAAAkgEAAIGkAgACAAAAMAAAAAAAAAAAAAAAAIA2"
        "QAAAAAAAgDY///8AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAYBmwAAAAAAAgFZAAAAAAAAAAAABAAEAAAAKAAAE"
        "AAABAAIAAQQAAAEAAQAAAAAAAQD/fwEIsYdUAAAAAggAAAEA/38GCAAAAQCOKwgIAAABAP9/CQiwhwEAAAAKCLCHAQABAA0IsIcB"
        "AAIAAAAAALiCOkEAAAAAuII6QQAAAAAAAAAAR0NTIE5hbWUgPSB1bmtub3dufERhdHVtID0gdW5rbm93bnxFbGxpcHNvaWQgPSB1"
        "bmtub3dufFByaW1lbSA9IFJlZmVyZW5jZSBtZXJpZGlhbnx8AEcAZACBAJ4AuwDYAPUAFwA0AFEAbgCLAKgAFwDiAAQAfACZALYA"
        "0wDwABIALwBMAGkAhgCjAMAA3QD6ABwAOQCxAM4A6wANACoARwBkAIEAngC7ANgA9QAXADQAUQBuAOYACAAlAEIAXwB8AISZALYA"
        "0wDwABIALwBMAGkAhgCjACAAPQBaAHcAlACxAM4A6wANACoARwBkAIEAngC7ANgAVQByAI8ArADJAOYACAAlAEIAXwB8AJkAtgDT"
        "APAAEgCKAKcAxADhAAMAIAA9AFoAdwCUALEAzgDrIA0AKgBHAL8A3AD5ABsAOABVAHIAjwCsAMkA5gAIACUAQgBfAHwA";
    cTiff.resize(size_t(CPLBase64DecodeInPlace(reinterpret_cast<GByte*>(cTiff.data()))));
    ASSERT_EQ(cTiff.size(), 744u);
    {
        std::ofstream(dir + "/unit.tif", std::ios::binary) << cTiff;
    }
    expectRefused(dir + "/unit.tif", "GeoTIFF of an unknown unit");

    // A file of the kernel's own: stats as a regular file, and some block.
    expectRefused("/proc/self/status", "procfs file");
    EXPECT_NE(err.find("/proc/self/status is a file of the kernel (procfs)"), std::string::npos) << err;
    ExpectOnlyInputs({"cut.tif", "huge.png", "folder", "text.png", "bare.dt0", "mem.vrt", "net.vrt", "sparse.xml",
                      "sparse.vrt", "stdin.vrt", "cut.img", "cut.hdr", "cut.img.aux.xml", "raw.vrt", "unit.tif"});

    // A failed run leaves an existing output as it was.
    {
        std::ofstream(dir + "/out.Bmp") << "previous";
    }
    EXPECT_EQ(RunOn(dir + "/cut.tif"), 1);
    EXPECT_EQ(std::string(out.begin(), out.end()), "previous");

    // Usage errors: status 1 and the usage line.
    for (const char* cArgs : {"--range 5", "--range 9 3", "--left-lon east", "-x", ""}) {
        const std::string cmd = std::string("'") + QARN_MKSURFACE + "' " + cArgs + " 2>'" + dir + "/err.txt'";
        const int st = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1) << cArgs;
        const std::vector<uint8_t> e = ReadAll(dir + "/err.txt");
        EXPECT_NE(std::string(e.begin(), e.end()).find("usage: qarn-mksurface"), std::string::npos) << cArgs;
    }
}

// Every file system this GDAL lists, whatever its prefix ends in, refuses a
// name (to stat and to open) once the converter's limits are set, but those
// that read local bytes only; so does the handler GDAL picks for each network
// file system in both its forms, /vsicurl/ and /vsicurl? (which GDAL does not
// list), listed or not. In a child: the limits hold for the process.
TEST(MapOpens, EveryFileSystemGdalListsButTheLocalOnesIsRefused) {
    const std::vector<std::string> local = {"/vsimem/", "/vsizip/", "/vsigzip/", "/vsitar/",
                                            "/vsisubfile/", "/vsi7z/", "/vsirar/"};
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        dup2(open("/dev/null", O_RDONLY), 0);  // in case standard input is read after all
        LimitGdalOpens();
        CPLPushErrorHandler(CPLQuietErrorHandler);
        TakeGdalRefusal();
        std::vector<std::string> prefixes;
        char** listed = VSIGetFileSystemsPrefixes();
        for (char** p = listed; p != nullptr && *p != nullptr; ++p) prefixes.emplace_back(*p);
        CSLDestroy(listed);
        for (const char* c : {"curl", "s3", "gs", "az", "adls", "oss", "swift", "webhdfs", "hdfs"})
            for (const char* cForm : {"/", "?", "_streaming/", "_streaming?"})
                prefixes.push_back(std::string("/vsi") + c + cForm);
        std::string cWrong;
        for (const std::string& cPrefix : prefixes) {
            const std::string cName = cPrefix + (cPrefix.back() == '?' ? "url=http://127.0.0.1:9/x" : "qarn-probe");
            VSIStatBufL st;
            (void)!VSIStatL(cName.c_str(), &st);
            const bool bStat = !TakeGdalRefusal().cName.empty();
            if (VSILFILE* f = VSIFOpenL(cName.c_str(), "rb")) VSIFCloseL(f);
            const bool bOpen = !TakeGdalRefusal().cName.empty();
            const bool bLocal = std::find(local.begin(), local.end(), cPrefix) != local.end();
            if (bStat != !bLocal || bOpen != !bLocal) cWrong += cPrefix + (bLocal ? " refused\n" : " let through\n");
        }
        (void)!write(fds[1], cWrong.data(), cWrong.size());
        _exit(0);
    }
    close(fds[1]);
    std::string cWrong;
    char c[256];
    for (ssize_t n; (n = read(fds[0], c, sizeof c)) > 0;) cWrong.append(c, size_t(n));
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    EXPECT_EQ(cWrong, "");
}

// FITS:"FILE":N hands FILE to cfitsio whole, which reads its own names past
// every check of GDAL's: a URL, standard input ("-", "stdin"), "FILE(OUT)"
// copying FILE to OUT, "!" replacing OUT. Each such name, as a VRT's source
// and as the core of an ISIS3 label given by a bare name, is refused before
// cfitsio sees it: nothing connects, standard input (a FITS map) is not
// read, no file is made or changed.
TEST_F(MkSurface, FitsPartNamesReachNoNetworkStandardInputOrFile) {
    const Listener net;
    Raster r;
    r.w = 2048, r.h = 1024;
    r.at = [](int, uint32_t x, uint32_t y) { return double((x + y) % 256); };
    WriteRaster(dir + "/m.fits", "FITS", r);
    {
        std::ofstream(dir + "/payload.txt") << "echo payload\n";
    }
    VSILFILE* gz = VSIFOpenL(("/vsigzip/" + dir + "/payload.gz").c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    VSIFWriteL("echo payload\n", 1, 13, gz);
    VSIFCloseL(gz);
    std::filesystem::create_directory(dir + "/home");
    {
        std::ofstream(dir + "/home/.bashrc") << "mine\n";
    }
    cwd = dir;  // the names are relative, and the label is given bare
    for (const std::string& cName :
         {"FITS:\"http://127.0.0.1:" + net.cPort + "/m.fits\":1", std::string("FITS:\"-\":1"),
          std::string("FITS:\"stdin\":1"), "FITS:\"payload.txt(" + dir + "/home/.bash_profile)\":1",
          "FITS:\"payload.gz(!" + dir + "/home/.bashrc)\":1"}) {
        {
            std::ofstream(dir + "/fits.vrt")
                << "<VRTDataset rasterXSize=\"2048\" rasterYSize=\"1024\"><VRTRasterBand dataType=\"Byte\" "
                   "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"0\">" << cName
                << "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
            std::ofstream(dir + "/fits.lbl")
                << "Object = IsisCube\n Object = Core\n  ^Core = " << cName
                << "\n  Format = GeoTIFF\n  Group = Dimensions\n   Samples = 2048\n   Lines = 1024\n"
                   "   Bands = 1\n  End_Group\n  Group = Pixels\n   Type = UnsignedByte\n   ByteOrder = Lsb\n"
                   "   Base = 0.0\n   Multiplier = 1.0\n  End_Group\n End_Object\nEnd_Object\nEnd\n";
        }
        for (const std::string cIn : {"fits.vrt", "fits.lbl"}) {
            const int fdIn = open((dir + "/m.fits").c_str(), O_RDONLY | O_CLOEXEC);
            double dSeconds = 0;
            EXPECT_EQ(Exec({cIn, "out.Bmp"}, &dSeconds, nullptr, -1, 0, fdIn), 1) << cIn << ": " << cName;
            close(fdIn);
            EXPECT_LT(dSeconds, 5.0) << cIn << ": " << cName;
            EXPECT_NE(err.find(cIn + " needs " + cName + ", which is a FITS part name"), std::string::npos) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_TRUE(out.empty()) << cIn << ": " << cName;
            EXPECT_FALSE(net.Connected()) << cIn << ": " << cName;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/home/.bash_profile"));
    const std::vector<uint8_t> bashrc = ReadAll(dir + "/home/.bashrc");
    EXPECT_EQ(std::string(bashrc.begin(), bashrc.end()), "mine\n");
    ExpectOnlyInputs({"m.fits", "payload.txt", "payload.gz", "home", "fits.vrt", "fits.lbl"});
    // A FITS file by a name cfitsio would read more into is refused as well.
    std::filesystem::copy_file(dir + "/m.fits", dir + "/m.fits[1]");
    EXPECT_EQ(Exec({"m.fits[1]", "out.Bmp"}), 1);
    EXPECT_NE(err.find("m.fits[1] is a name the FITS library would take as more than a file"), std::string::npos)
        << err;
    EXPECT_EQ(Exec({"m.fits", "out.Bmp"}), 0) << err;
}

// The confinement of the converter's reader, in a child of the test: no
// socket, no change of any file, no character pushed into a terminal, in the
// thread that set it and in one running before; reading files and writing
// to the descriptors already open go on.
using Confinement = ScratchDir;

TEST_F(Confinement, TheReaderMakesNoSocketAndChangesNoFile) {
    {
        std::ofstream(dir + "/mine.txt") << "mine";
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        std::promise<void> go;
        std::string cThread;
        std::thread early([&] {
            go.get_future().wait();
            if (socket(AF_INET, SOCK_STREAM, 0) >= 0 || errno != EPERM) cThread = "socket in an earlier thread\n";
        });
        const std::string cWhy = ConfineReader();
        go.set_value();
        early.join();
        std::string cWrong = cWhy.empty() ? cThread : cWhy + "\n";
        const auto expectRefused = [&](const char* cWhat, bool bFailed) {
            if (!bFailed || errno != EPERM) cWrong += std::string(cWhat) + " let through\n";
        };
        const std::string cMine = dir + "/mine.txt", cNew = dir + "/new.txt";
        int sv[2];
        char cTemp[64];
        std::snprintf(cTemp, sizeof cTemp, "%s/.out.XXXXXX", dir.c_str());
        io_uring_params uring{};
        const char cKey = 'x';
        expectRefused("socket", socket(AF_INET, SOCK_STREAM, 0) < 0);
        expectRefused("socketpair", socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0);
        expectRefused("a new file", open(cNew.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644) < 0);
        expectRefused("mkostemp", mkostemp(cTemp, O_CLOEXEC) < 0);
        expectRefused("O_TMPFILE", open(dir.c_str(), O_TMPFILE | O_RDWR, 0600) < 0);
        expectRefused("writing", open(cMine.c_str(), O_WRONLY) < 0);
        expectRefused("reading and writing", openat(AT_FDCWD, cMine.c_str(), O_RDWR) < 0);
        expectRefused("O_TRUNC", open(cMine.c_str(), O_RDONLY | O_TRUNC) < 0);
        expectRefused("fopen \"a\"", std::fopen(cMine.c_str(), "a") == nullptr);
        expectRefused("truncate", truncate(cMine.c_str(), 0) != 0);
        expectRefused("unlink", unlink(cMine.c_str()) != 0);
        expectRefused("rename", std::rename(cMine.c_str(), cNew.c_str()) != 0);
        expectRefused("link", link(cMine.c_str(), cNew.c_str()) != 0);
        expectRefused("symlink", symlink(cMine.c_str(), cNew.c_str()) != 0);
        expectRefused("mkdir", mkdir(cNew.c_str(), 0755) != 0);
        expectRefused("chmod", chmod(cMine.c_str(), 0666) != 0);
        expectRefused("utimensat", utimensat(AT_FDCWD, cMine.c_str(), nullptr, 0) != 0);
        expectRefused("io_uring", syscall(SYS_io_uring_setup, 1, &uring) < 0);
        expectRefused("TIOCSTI", ioctl(STDIN_FILENO, TIOCSTI, &cKey) != 0);
#ifndef __SANITIZE_ADDRESS__
        expectRefused("a signal to another process", kill(getppid(), 0) != 0);
        expectRefused("a program", execl("/bin/true", "true", nullptr) != 0);
        if (kill(getpid(), 0) != 0) cWrong += "a signal to itself refused\n";
#endif
        char cRead[8] = {};
        const int fd = open(cMine.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || read(fd, cRead, sizeof cRead) != 4 || std::string(cRead) != "mine")
            cWrong += "reading refused\n";
        (void)!write(fds[1], cWrong.data(), cWrong.size());
        _exit(0);
    }
    close(fds[1]);
    std::string cWrong;
    char c[256];
    for (ssize_t n; (n = read(fds[0], c, sizeof c)) > 0;) cWrong.append(c, size_t(n));
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    EXPECT_EQ(cWrong, "");
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"mine.txt"});
    const std::vector<uint8_t> mine = ReadAll(dir + "/mine.txt");
    EXPECT_EQ(std::string(mine.begin(), mine.end()), "mine");
}

TEST_F(MkSurface, AbsurdGeoreferencingDamagedDataAndPipesAreRefusedAtOnce) {
    // Pixels 1e20 and -2e110 degrees wide: the longitude unwrap once
    // subtracted 360 at a time, which at that size changes nothing.
    for (const double dPix : {1e20, -2e110}) {
        Raster r;
        r.w = 4, r.h = 2;
        r.at = [](int, uint32_t, uint32_t) { return 50.0; };
        r.gt = {-180, dPix, 0, 90, 0, -90};
        r.cSrs = kMoonLonLat;
        WriteRaster(dir + "/absurd.tif", "GTiff", r);
        double dSeconds = 0;
        EXPECT_EQ(Exec({dir + "/absurd.tif", dir + "/out.Bmp"}, &dSeconds), 1) << dPix;
        // The unwrap once never ended; a start of GDAL takes a second on a
        // loaded machine, more under a sanitizer.
        EXPECT_LT(dSeconds, 5.0) << dPix;
        EXPECT_NE(err.find("a map of the whole globe, 360 x 180 degrees, is needed"), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
    }

    // A JPEG cut to a quarter: libjpeg only warns, and GDAL fills the rest
    // with gray.
    Raster j;
    j.w = 512, j.h = 256;
    j.at = [](int, uint32_t x, uint32_t y) { return double((x * 7 + y * 13) % 256); };
    WriteRaster(dir + "/cut.jpg", "JPEG", j);
    std::filesystem::resize_file(dir + "/cut.jpg", std::filesystem::file_size(dir + "/cut.jpg") / 4);
    EXPECT_EQ(RunOn(dir + "/cut.jpg"), 1);
    EXPECT_NE(err.find("cannot read " + dir + "/cut.jpg"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());

    // A named pipe with no writer would block the open for ever.
    ASSERT_EQ(mkfifo((dir + "/pipe.tif").c_str(), 0600), 0);
    double dSeconds = 0;
    EXPECT_EQ(Exec({dir + "/pipe.tif", dir + "/out.Bmp"}, &dSeconds), 1);
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_NE(err.find("pipe.tif is not a regular file"), std::string::npos) << err;
    // The same pipe as the source of a VRT, and as the sidecar of a map
    // GDAL would read beside it: each open would block in GDAL itself.
    {
        std::ofstream(dir + "/piped.vrt")
            << "<VRTDataset rasterXSize=\"20\" rasterYSize=\"10\"><VRTRasterBand dataType=\"Byte\" band=\"1\">"
               "<SimpleSource><SourceFilename relativeToVRT=\"1\">pipe.tif</SourceFilename>"
               "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
    }
    EXPECT_EQ(Exec({"--left-lon", "0", dir + "/piped.vrt", dir + "/out.Bmp"}, &dSeconds), 1);
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_NE(err.find("piped.vrt needs " + dir + "/pipe.tif, which is not a regular file"), std::string::npos)
        << err;
    Raster side;
    side.w = 20, side.h = 10;
    side.at = [](int, uint32_t, uint32_t) { return 9.0; };
    WriteRaster(dir + "/side.tif", "GTiff", side);
    ASSERT_EQ(mkfifo((dir + "/side.tif.aux.xml").c_str(), 0600), 0);
    EXPECT_EQ(Exec({"--left-lon", "0", dir + "/side.tif", dir + "/out.Bmp"}, &dSeconds), 1);
    EXPECT_LT(dSeconds, 5.0);
    EXPECT_NE(err.find("side.tif needs " + dir + "/side.tif.aux.xml"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());

    // HDF5, whose library opens files past every check of GDAL's: a dataset
    // stored in a FIFO would block its read for ever. Refused by its format
    // before the library opens anything.
    ASSERT_EQ(mkfifo((dir + "/store.fifo").c_str(), 0600), 0);
    if (WriteExternalHdf5(dir + "/ext.h5", dir + "/store.fifo")) {
        EXPECT_EQ(Exec({"--left-lon", "0", dir + "/ext.h5", dir + "/out.Bmp"}, &dSeconds), 1);
        EXPECT_LT(dSeconds, 5.0);
        EXPECT_NE(err.find("ext.h5 is of GDAL's format"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_TRUE(out.empty());
    } else {
        ADD_FAILURE() << "libhdf5 could not be loaded to make the HDF5 file";
    }

    // A one-pixel map of 200 degrees is not the whole globe.
    Raster one;
    one.w = 1, one.h = 1;
    one.at = [](int, uint32_t, uint32_t) { return 90.0; };
    one.gt = {-100, 200, 0, 90, 0, -180};
    one.cSrs = kMoonLonLat;
    WriteRaster(dir + "/one.tif", "GTiff", one);
    EXPECT_EQ(RunOn(dir + "/one.tif"), 1);
    EXPECT_NE(err.find("covers longitude -100 to 100"), std::string::npos) << err;
    ExpectOnlyInputs({"absurd.tif", "cut.jpg", "pipe.tif", "piped.vrt", "side.tif", "side.tif.aux.xml", "one.tif",
                      "store.fifo", "ext.h5"});
}

TEST_F(MkSurface, RangesThatOverflowAndConstantMapsAskForARange) {
    // Values near the largest double: their sums overflow, and the gray
    // levels came out all black with status 0.
    Raster big;
    big.w = 4, big.h = 2, big.eType = GDT_Float64;
    big.at = [](int, uint32_t x, uint32_t) { return x < 2 ? -1.7e308 : 1.7e308; };
    WriteRaster(dir + "/big.tif", "GTiff", big);
    EXPECT_EQ(RunOn(dir + "/big.tif"), 1);
    EXPECT_NE(err.find("pass --range LO HI"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(RunOn(dir + "/big.tif", "--range -1e308 1e308"), 1);
    EXPECT_NE(err.find("--range LO HI is wider than the largest number"), std::string::npos) << err;
    EXPECT_NE(err.find("usage: qarn-mksurface"), std::string::npos) << err;
    ASSERT_EQ(RunOn(dir + "/big.tif", "--range -1e300 1e300"), 0) << err;
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_EQ(At(1023, 0), 255);

    // One value everywhere has no minimum-to-maximum scale.
    for (const GDALDataType eType : {GDT_Float32, GDT_UInt16}) {
        Raster flat;
        flat.w = 4, flat.h = 2, flat.eType = eType;
        flat.at = [](int, uint32_t, uint32_t) { return 5.0; };
        WriteRaster(dir + "/flat.tif", "GTiff", flat);
        std::filesystem::remove(dir + "/out.Bmp");
        EXPECT_EQ(RunOn(dir + "/flat.tif"), 1) << eType;
        EXPECT_NE(err.find("holds one value only, 5; pass --range LO HI"), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
        ASSERT_EQ(RunOn(dir + "/flat.tif", "--range 0 10"), 0) << err;
        EXPECT_EQ(At(600, 300), 128);  // 127.5 rounded half up
    }
}

TEST_F(MkSurface, OutputProblemsAreFoundBeforeTheInputIsRead) {
    // The input does not exist: a message about it would mean it was opened first.
    const std::string cMissing = dir + "/missing.tif";
    EXPECT_EQ(Exec({cMissing, ""}), 1);
    EXPECT_NE(err.find("the OUTPUT name is empty"), std::string::npos) << err;
    EXPECT_EQ(Exec({cMissing, dir + "/"}), 1);
    EXPECT_EQ(err.find("missing"), std::string::npos) << err;

    {
        std::ofstream(dir + "/out.Bmp") << "previous";
    }
    ASSERT_EQ(chmod((dir + "/out.Bmp").c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);  // reachable by the account below
    const uid_t uid = geteuid() == 0 ? 65534 : 0;  // root writes anything: run as nobody
    // The build tree may sit in a folder closed to that account: a copy here.
    bin = dir + "/qarn-mksurface";
    std::filesystem::copy_file(QARN_MKSURFACE, bin);
    EXPECT_EQ(Exec({cMissing, dir + "/out.Bmp"}, nullptr, nullptr, -1, uid), 1);
    EXPECT_NE(err.find("cannot write " + dir + "/out.Bmp: Permission denied"), std::string::npos) << err;
    EXPECT_EQ(std::string(out.begin(), out.end()), "previous");
}

// What keeps a map from being opened is said as such, not as a format GDAL
// cannot read: /proc not mounted (a container, a chroot), which the guard on
// opened files needs, and a map the user may not read.
TEST_F(MkSurface, AMapThatCannotBeOpenedSaysWhy) {
    Raster r;
    r.w = 64, r.h = 32;
    r.at = [](int, uint32_t x, uint32_t y) { return double(x + y); };
    WriteRaster(dir + "/map.tif", "GTiff", r);
    // /proc hidden under an empty tmpfs, in a mount namespace of the child's
    // own (and a user namespace when the test is not root).
    prepare = [] {
        return unshare(geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount("none", "/proc", "tmpfs", 0, nullptr) == 0;
    };
    const int st = Exec({dir + "/map.tif", dir + "/out.Bmp"});
    prepare = nullptr;
    if (st == 125) {
        ADD_FAILURE() << "no mount namespace to hide /proc in";
    } else {
        EXPECT_EQ(st, 1);
        EXPECT_NE(err.find(dir + "/map.tif cannot be opened: /proc is not mounted"), std::string::npos) << err;
#ifndef __SANITIZE_ADDRESS__  // whose runtime reads /proc itself, and says so when it cannot
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
#endif
        EXPECT_TRUE(out.empty());
    }

    ASSERT_EQ(chmod((dir + "/map.tif").c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);  // reachable by the account below
    const uid_t uid = geteuid() == 0 ? 65534 : 0;  // root reads anything: run as nobody
    bin = dir + "/qarn-mksurface";  // the build tree may be closed to that account
    std::filesystem::copy_file(QARN_MKSURFACE, bin);
    EXPECT_EQ(Exec({dir + "/map.tif", dir + "/out.Bmp"}, nullptr, nullptr, -1, uid), 1);
    EXPECT_NE(err.find("cannot open " + dir + "/map.tif: Permission denied"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
}

TEST_F(MkSurface, TheProgressIsABarOnATerminalAndPlainLinesElsewhere) {
    const Png p = Gray(64, 32, [](uint32_t x, uint32_t y) { return uint8_t(x + y); });
    WritePng(dir + "/in.png", p);
    const int fdMaster = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(fdMaster, 0);
    ASSERT_EQ(grantpt(fdMaster), 0);
    ASSERT_EQ(unlockpt(fdMaster), 0);
    const int fdTerm = open(ptsname(fdMaster), O_RDWR | O_NOCTTY);
    ASSERT_GE(fdTerm, 0);
    EXPECT_EQ(Exec({dir + "/in.png", dir + "/out.Bmp"}, nullptr, nullptr, fdTerm), 0);
    close(fdTerm);
    std::string cTerm;
    char c[512];
    for (ssize_t n; (n = read(fdMaster, c, sizeof c)) > 0;) cTerm.append(c, size_t(n));
    close(fdMaster);
    EXPECT_NE(cTerm.find("0...10...20...30...40...50...60...70...80...90...100 - done."), std::string::npos)
        << cTerm;
    const std::vector<uint8_t> o = ReadAll(dir + "/out.txt");
    EXPECT_EQ(std::string(o.begin(), o.end()),
              "qarn-mksurface: wrote " + dir + "/out.Bmp, 1024 x 512 8-bit gray, 525366 bytes\n");

    // Standard error a file: the size at start and every tenth as lines on
    // standard output, nothing on standard error; -q none of it.
    EXPECT_EQ(Exec({dir + "/in.png", dir + "/out.Bmp"}), 0);
    EXPECT_EQ(err, "");
    std::string cLog = "qarn-mksurface: reading " + dir + "/in.png, 64 x 32 pixels, 1 band of Byte (PNG)\n";
    for (int k = 10; k <= 100; k += 10) cLog += "qarn-mksurface: " + std::to_string(k) + " % read\n";
    cLog += "qarn-mksurface: wrote " + dir + "/out.Bmp, 1024 x 512 8-bit gray, 525366 bytes\n";
    const std::vector<uint8_t> log = ReadAll(dir + "/out.txt");
    EXPECT_EQ(std::string(log.begin(), log.end()), cLog);
    EXPECT_EQ(Exec({"-q", dir + "/in.png", dir + "/out.Bmp"}), 0);
    EXPECT_EQ(err, "");
    EXPECT_TRUE(ReadAll(dir + "/out.txt").empty());
}

TEST_F(MkSurface, AVeryWideMapIsReadInStripsInBoundedMemory) {
    // 10^8 x 1 pixels of 3 Float32 bands, a VRT stretching a 1024-pixel row:
    // one whole row read as doubles is 2.4 GB.
    const Png src = Gray(1024, 1, [](uint32_t x, uint32_t) { return uint8_t(x * 5 % 256); });
    WritePng(dir + "/row.png", src);
    std::string cBands;
    for (int b = 1; b <= 3; ++b)
        cBands += "<VRTRasterBand dataType=\"Float32\" band=\"" + std::to_string(b) +
                  "\"><ComplexSource><SourceFilename relativeToVRT=\"1\">row.png</SourceFilename>"
                  "<SourceBand>1</SourceBand><SrcRect xOff=\"0\" yOff=\"0\" xSize=\"1024\" ySize=\"1\"/>"
                  "<DstRect xOff=\"0\" yOff=\"0\" xSize=\"100000000\" ySize=\"1\"/></ComplexSource>"
                  "</VRTRasterBand>";
    {
        std::ofstream(dir + "/wide.vrt")
            << "<VRTDataset rasterXSize=\"100000000\" rasterYSize=\"1\"><SRS>" << kMoonLonLat
            << "</SRS><GeoTransform>-180, 3.6e-06, 0, 90, 0, -180</GeoTransform>" << cBands << "</VRTDataset>";
    }
    long nRssKiB = 0;
    // In a sanitizer build AddressSanitizer's 256 MiB quarantine of freed
    // blocks would count against the bound: keep it small for this run.
    const char* cAsan = std::getenv("ASAN_OPTIONS");
    const std::string cAsanWas = cAsan != nullptr ? cAsan : "";
    setenv("ASAN_OPTIONS", (cAsanWas + (cAsanWas.empty() ? "" : ":") + "quarantine_size_mb=8").c_str(), 1);
    const int st = Exec({"-q", dir + "/wide.vrt", dir + "/out.Bmp"}, nullptr, &nRssKiB);
    if (cAsan != nullptr)
        setenv("ASAN_OPTIONS", cAsanWas.c_str(), 1);
    else
        unsetenv("ASAN_OPTIONS");
    ASSERT_EQ(st, 0) << err;
    RecordProperty("peak_rss_kib", std::to_string(nRssKiB));
    EXPECT_LT(nRssKiB, 200 * 1024);
    // Each output column is one source pixel stretched and averaged back.
    int nOff = 0;
    for (uint32_t x = 0; x < 1024; ++x) {
        nOff += std::abs(At(x, 0) - int(x * 5 % 256)) > 1;
        nOff += At(x, 0) != At(x, 511);
    }
    EXPECT_EQ(nOff, 0);
}

TEST_F(MkSurface, AgreesWithGdalTranslateAveraging) {
    // 3000 x 1500 RGB with detail at every scale; 1500 / 512 = 2.93 source
    // pixels per output pixel, so most averages take fractional pixels.
    Raster r;
    r.w = 3000, r.h = 1500, r.nBands = 3;
    r.at = [](int b, uint32_t x, uint32_t y) {
        const uint32_t hash = (x * 2654435761u) ^ (y * 40503u + uint32_t(b) * 977u);
        const double dSmooth = 100 + 60 * std::sin(x * 0.01 + b) * std::cos(y * 0.013);
        return std::clamp(dSmooth + double(hash % 61) - 30, 0.0, 255.0);
    };
    WriteRaster(dir + "/rgb.tif", "GTiff", r);
    ASSERT_EQ(RunOn(dir + "/rgb.tif"), 0) << err;
    const std::string cmd = std::string("'") + QARN_GDAL_TRANSLATE + "' -q -r average -outsize 1024 512 '" +
                            dir + "/rgb.tif' '" + dir + "/gdal.tif'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    GDALDataset* g = GDALDataset::Open((dir + "/gdal.tif").c_str(), GDAL_OF_RASTER);
    ASSERT_NE(g, nullptr);
    std::vector<uint8_t> rgb(3 * 1024 * 512);
    ASSERT_EQ(g->RasterIO(GF_Read, 0, 0, 1024, 512, rgb.data(), 1024, 512, GDT_Byte, 3, nullptr, 0, 0, 0, nullptr),
              CE_None);
    GDALClose(g);
    double dSum = 0;
    int nMax = 0;
    for (uint32_t y = 0; y < 512; ++y)
        for (uint32_t x = 0; x < 1024; ++x) {
            const size_t n = size_t(y) * 1024 + x;
            const int iGdal = int((LumaMilli(rgb[n], rgb[n + 524288], rgb[n + 2 * 524288]) + 500) / 1000);
            const int d = std::abs(At(x, y) - iGdal);
            dSum += d;
            nMax = std::max(nMax, d);
        }
    const double dMean = dSum / 524288;
    RecordProperty("mean_abs_difference", std::to_string(dMean));
    RecordProperty("max_abs_difference", std::to_string(nMax));
    EXPECT_LE(dMean, 1.0) << "largest difference " << nMax;
}

TEST_F(MkSurface, ReproducesTheShippedMap) {
    // The shipped map read back through GDAL (its gray-ramp palette) is itself.
    const std::string cShipped = std::string(QARN_SOURCE_DIR) + "/data/Qarns.Bmp";
    ASSERT_EQ(RunOn(cShipped), 0) << err;
    EXPECT_TRUE(out == ReadAll(cShipped));
    // And it is what the RGB map it was made from gives.
    if (!std::filesystem::exists(QARN_SOURCE_MAP))
        GTEST_SKIP() << "the shipped map's round trip passed; the RGB map it was made from is not at "
                     << QARN_SOURCE_MAP << " (configure with -DQARN_SOURCE_MAP=<path>)";
    ASSERT_EQ(RunOn(QARN_SOURCE_MAP), 0) << err;
    EXPECT_TRUE(out == ReadAll(cShipped));
}
