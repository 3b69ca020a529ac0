// Frame benchmark: the viewer's own Userview in fixed scenes, against floors
// drawn in the same window with the same GL state: clear + swap, and clear +
// the spheres of a scene's own eye passes + swap. Times are milliseconds per
// frame with glFinish before every clock reading, so they cover the rendering
// itself. The main table is meant for a 1024 x 768 screen; "--table wide"
// times the start view and the L:R pair at dFov 60 for a large screen such as
// 1920 x 1080; "--table uhd" the start view on 3840 x 2160, where the text is
// drawn at twice the font's size.
//
// qarn-bench [--table main|wide|uhd] [--frames N] [--reps R] [--warmup W] [--dump DIR] [--only SCENE]
// Needs Qarns.Bmp in the working directory and an X display; no keyboard.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/camera.h"
#include "app/frame_gl.h"
#include "app/startup.h"
#include "app/userview.h"
#include "base/check_gl.h"
#include "base/clock.h"
#include "base/stop.h"
#include "base/view_state.h"
#include "image/bmp.h"
#include "image/screen_dump.h"
#include "image/texture.h"
#include "input/commands.h"
#include "overlay/catalogue.h"

namespace {

// The viewer's start field of view, as the first frame stores it.
constexpr double kFovAtStart = static_cast<double>(kFovStart);

enum class Kind { Userview, FloorClear, FloorSphere };

struct Scene {
    const char* cName;
    Kind eKind;
    double dFov;
    int32_t iViewMode;
    bool bOverlays;  // globe and grid switched on
    bool bLabels;    // grid labels and feature names switched on (F7, F8)
    int iFloor;      // index of the sphere floor the scene is compared with
};

// Each table holds one clear floor (Kind::FloorClear); iFloor is the index
// of the sphere floor a scene is compared with: the spheres of its own eye
// passes at its own field of view, so that the ratio is what the cross-hair,
// the labels and the text add to the globe beside them. The main table's
// floors beyond the start view's come after its first ten scenes, which keep
// their numbers.
constexpr Scene kMainScenes[] = {
    {"start view", Kind::Userview, kFovAtStart, 0, true, true, 9},
    {"start, labels+names off", Kind::Userview, kFovAtStart, 0, true, false, 9},
    {"dFov 60", Kind::Userview, 60.0, 0, true, true, 10},
    {"dFov 140 near surface", Kind::Userview, 140.0, 0, true, true, 11},
    {"L:R pair, dFov 60", Kind::Userview, 60.0, 1, true, true, 12},
    {"L:R pair, start view", Kind::Userview, kFovAtStart, 1, true, true, 13},
    {"L:R pair, dFov 140", Kind::Userview, 140.0, 1, true, true, 14},
    {"dFov 60, all off", Kind::Userview, 60.0, 0, false, false, 10},
    {"floor: clear+swap", Kind::FloorClear, kFovAtStart, 0, true, true, 9},
    {"floor: clear+spheres+swap", Kind::FloorSphere, kFovAtStart, 0, true, true, 9},
    {"floor: spheres, dFov 60", Kind::FloorSphere, 60.0, 0, true, true, 10},
    {"floor: spheres, dFov 140", Kind::FloorSphere, 140.0, 0, true, true, 11},
    {"floor: L:R spheres, dFov 60", Kind::FloorSphere, 60.0, 1, true, true, 12},
    {"floor: L:R spheres, start", Kind::FloorSphere, kFovAtStart, 1, true, true, 13},
    {"floor: L:R spheres, dFov 140", Kind::FloorSphere, 140.0, 1, true, true, 14},
};
constexpr Scene kWideScenes[] = {
    {"start view", Kind::Userview, kFovAtStart, 0, true, true, 1},
    {"floor: start view spheres", Kind::FloorSphere, kFovAtStart, 0, true, true, 1},
    {"L:R pair, dFov 60", Kind::Userview, 60.0, 1, true, true, 3},
    {"floor: L:R spheres, dFov 60", Kind::FloorSphere, 60.0, 1, true, true, 3},
    {"floor: clear+swap", Kind::FloorClear, kFovAtStart, 0, true, true, 1},
};
constexpr Scene kUhdScenes[] = {
    {"start view", Kind::Userview, kFovAtStart, 0, true, true, 1},
    {"floor: start view spheres", Kind::FloorSphere, kFovAtStart, 0, true, true, 1},
    {"floor: clear+swap", Kind::FloorClear, kFovAtStart, 0, true, true, 1},
};

struct Options {
    bool bWide = false;  // the second table
    bool bUhd = false;   // the third
    int nFrames = 100;
    int nReps = 7;
    int nWarmup = 10;
    std::string cDumpDir;  // empty: no picture files
    int iOnly = 0;         // 1-based scene to time alone (for a profiler), 0: all
};

void Usage() {
    std::fputs("usage: qarn-bench [--table main|wide|uhd] [--frames N] [--reps R] [--warmup W] "
               "[--dump DIR] [--only SCENE]\n", stderr);
    std::exit(2);
}

std::span<const Scene> ScenesOf(const Options& o) {
    if (o.bUhd) return kUhdScenes;
    return o.bWide ? std::span<const Scene>(kWideScenes) : std::span<const Scene>(kMainScenes);
}

Options ParseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) Usage();
        const char* v = argv[++i];
        if (a == "--table" && (std::string(v) == "main" || std::string(v) == "wide" ||
                               std::string(v) == "uhd")) {
            o.bWide = std::string(v) == "wide";
            o.bUhd = std::string(v) == "uhd";
        }
        else if (a == "--frames") o.nFrames = std::atoi(v);
        else if (a == "--reps") o.nReps = std::atoi(v);
        else if (a == "--warmup") o.nWarmup = std::atoi(v);
        else if (a == "--dump") o.cDumpDir = v;
        else if (a == "--only") o.iOnly = std::atoi(v);
        else Usage();
    }
    const int nScenes = static_cast<int>(ScenesOf(o).size());
    if (o.nFrames < 1 || o.nReps < 1 || o.nWarmup < 0 || o.iOnly < 0 || o.iOnly > nScenes)
        Usage();
    return o;
}

// The viewer's switches and camera for a scene; mouse mode with the pointer
// fixed at the window centre (512, 384 on 1024 x 768), nothing pending, so
// the command step changes none of it: the near side, latitude -1 and
// longitude 1 at the view centre, north up.
void ApplyScene(const Scene& s) {
    ViewStateRecord& vs = ViewState;
    vs.MenuNew = kModeMouse;
    vs.ArrowKey = 0;
    vs.KeyChar = 0;
    vs.iMouseX = vs.iWinWidth / 2;
    vs.iMouseY = vs.iWinHeight / 2;
    vs.dFov = s.dFov;
    vs.iViewMode = s.iViewMode;
    vs.iImage = s.bOverlays ? 1 : 0;
    vs.iGrid = s.bOverlays ? 1 : 0;
    vs.iLabels = s.bLabels ? 1 : 0;
    vs.nPlaces = s.bLabels ? kPlaces : 0;
    vs.iCredits = 0;
}

void FloorClearFrame() {
    FramePrelude();
    glutSwapBuffers();
}

// The geometry of the scene's eye passes (one, or two for a pair) without
// the cross-hair, the labels and the text: Userview's own passes, spheres
// only, with the camera Userview left in ViewState.
void FloorSphereFrame() {
    FramePrelude();
    DrawEyePasses(ViewState, EyeDraw::kSpheresOnly);
    glMatrixMode(GL_MODELVIEW);
    glutSwapBuffers();
}

void Frame(Kind e) {
    if (e == Kind::Userview) Userview();
    else if (e == Kind::FloorClear) FloorClearFrame();
    else FloorSphereFrame();
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Warm-up frames untimed, then nFrames timed; returns ms per frame.
double TimeScene(const Scene& s, const Options& o) {
    ApplyScene(s);
    // The floors take the camera of the start view from a real frame.
    if (s.eKind != Kind::Userview) Userview();
    for (int k = 0; k < o.nWarmup; ++k) Frame(s.eKind);
    glFinish();
    const double t0 = NowMs();
    for (int k = 0; k < o.nFrames; ++k) Frame(s.eKind);
    glFinish();
    return (NowMs() - t0) / o.nFrames;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Counters that the panel prints, set so that a frame's picture depends on
// the scene alone: iteration 1000, "100.0 Hz", no timed disclaimer lines.
void FreezePanel() {
    ViewStateRecord& vs = ViewState;
    vs.nFrames = 999;
    vs.nDiscl = 1000;
    vs.nBench = 0;
    vs.rSecFrame = 0.01f;
    vs.rBench0 = SecondsSince(0.0f);
}

// FNV-1a over the RGB bytes of the window as shown.
struct Picture {
    int32_t w;
    int32_t h;
    std::vector<uint8_t> rgb;  // bottom row first
    uint64_t hash;
};

Picture ReadFront() {
    Picture p{glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), {}, 0};
    p.rgb.resize(size_t(3) * p.w * p.h);
    ReadWindow(p.w, p.h, p.rgb.data());
    uint64_t h = 1469598103934665603ull;
    for (const uint8_t b : p.rgb) h = (h ^ b) * 1099511628211ull;
    p.hash = h;
    return p;
}

void WritePpm(const std::string& cPath, const Picture& p) {
    std::FILE* f = std::fopen(cPath.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "qarn-bench: cannot write %s\n", cPath.c_str());
        std::exit(1);
    }
    std::fprintf(f, "P6 %d %d 255\n", p.w, p.h);
    for (int32_t y = p.h - 1; y >= 0; --y)
        std::fwrite(p.rgb.data() + size_t(3) * p.w * y, 1, size_t(3) * p.w, f);
    std::fclose(f);
}

long PeakRssKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;  // KiB on Linux
}

void NoDisplay() {}

void RegisterBenchCallbacks() { glutDisplayFunc(NoDisplay); }

// The viewer's own start-up, less the input handlers and the main loop: the
// benchmark drives Userview itself.
void OpenBenchWindow() {
    if (StartViewer({"qarn-bench", false, RegisterBenchCallbacks}) != 0)
        StopFatal("qarn-bench: OpenGL error after the window set-up.");
    // Let the window map and take its full-screen size before the first frame.
    for (int k = 0; k < 50; ++k) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Index of the table's clear floor.
int ClearFloor(std::span<const Scene> scenes) {
    for (size_t s = 0; s < scenes.size(); ++s)
        if (scenes[s].eKind == Kind::FloorClear) return static_cast<int>(s);
    return 0;
}

// One frozen frame of a scene after the timing: its checksum shows whether a
// speed change left the picture as it was.
Picture FrozenPicture(const Scene& sc) {
    ApplyScene(sc);
    Userview();
    if (sc.eKind != Kind::Userview) {
        Frame(sc.eKind);
    } else {
        FreezePanel();
        Userview();
    }
    glFinish();
    return ReadFront();
}

// What the repetitions measured, scene by scene.
struct Timings {
    std::vector<std::vector<double>> dMs;     // ms per frame, one a timing
    std::vector<double> dMed;                 // their medians
    std::vector<double> dSphere;              // x its sphere floor: median of the paired ratios
};

// Every scene R times; the scenes in table order within each repetition, so
// that a slow spell of the machine touches all of them alike, and each viewer
// scene followed at once by its sphere floor: the ratio is taken within that
// pair, a few hundred milliseconds apart, which a drift of the machine's speed
// over the run leaves alone.
Timings TimeTable(std::span<const Scene> scenes, const Options& o) {
    const size_t n = scenes.size();
    Timings t{std::vector<std::vector<double>>(n), std::vector<double>(n), std::vector<double>(n, 1.0)};
    std::vector<std::vector<double>> dRatio(n);
    for (int r = 0; r < o.nReps; ++r) {
        for (size_t s = 0; s < n; ++s) {
            // The sphere floors are timed with their scenes.
            if (scenes[s].eKind == Kind::FloorSphere) continue;
            const double dScene = TimeScene(scenes[s], o);
            t.dMs[s].push_back(dScene);
            if (scenes[s].eKind != Kind::Userview) continue;
            const auto iFloor = static_cast<size_t>(scenes[s].iFloor);
            const double dFloor = TimeScene(scenes[iFloor], o);
            t.dMs[iFloor].push_back(dFloor);
            dRatio[s].push_back(dScene / dFloor);
        }
    }
    for (size_t s = 0; s < n; ++s) {
        t.dMed[s] = Median(t.dMs[s]);
        if (!dRatio[s].empty()) t.dSphere[s] = Median(dRatio[s]);
    }
    for (size_t s = 0; s < n; ++s)
        if (scenes[s].eKind == Kind::FloorClear) t.dSphere[s] = t.dMed[s] / t.dMed[static_cast<size_t>(scenes[s].iFloor)];
    return t;
}

// The table: medians, ranges, ratios to the floors and picture checksums.
void PrintTable(std::span<const Scene> scenes, const Timings& t, const Options& o) {
    const std::vector<std::vector<double>>& dMs = t.dMs;
    const std::vector<double>& dMed = t.dMed;
    const int iFloorClear = ClearFloor(scenes);
    std::printf("\n%-27s %9s %13s %7s %9s %9s  %s\n", "scene", "ms/frame", "min-max", "fps",
                "x clear", "x sphere", "picture");
    for (size_t s = 0; s < scenes.size(); ++s) {
        const Scene& sc = scenes[s];
        const Picture p = FrozenPicture(sc);
        if (!o.cDumpDir.empty()) {
            char cName[32];
            std::snprintf(cName, sizeof cName, "/scene%zu.ppm", s + 1);
            WritePpm(o.cDumpDir + cName, p);
        }
        const auto [itMin, itMax] = std::minmax_element(dMs[s].begin(), dMs[s].end());
        char cRange[32];
        std::snprintf(cRange, sizeof cRange, "%.2f-%.2f", *itMin, *itMax);
        std::printf("%-27s %9.3f %13s %7.0f %9.2f %9.2f  %016llx\n", sc.cName, dMed[s], cRange,
                    1000.0 / dMed[s], dMed[s] / dMed[iFloorClear], t.dSphere[s],
                    static_cast<unsigned long long>(p.hash));
    }
}

// The summary line: the wide table's ratios, or the main table's targets.
void PrintTargets(std::span<const Scene> scenes, const Timings& t, const Options& o) {
    const std::vector<double>& dMed = t.dMed;
    if (o.bUhd) {
        std::printf("\nstart view %.2f x its sphere floor\n", t.dSphere[0]);
        return;
    }
    if (o.bWide) {
        // Each viewer scene against the spheres of its own eye passes.
        std::printf("\nstart view %.2f x its sphere floor; L:R pair at dFov 60 %.2f x its "
                    "sphere floor\n",
                    t.dSphere[0], t.dSphere[2]);
        return;
    }
    // Every viewer scene at 100 frames per second or more and at most
    // kFloorTarget times the spheres of its own eye passes.
    constexpr double kFloorTarget = 1.15;
    double dSlowest = 0.0;
    double dWorst = 0.0;
    size_t iWorst = 0;
    for (size_t s = 0; s < scenes.size(); ++s) {
        if (scenes[s].eKind != Kind::Userview) continue;
        dSlowest = std::max(dSlowest, dMed[s]);
        const double dRatio = t.dSphere[s];
        if (dRatio > dWorst) {
            dWorst = dRatio;
            iWorst = s;
        }
    }
    std::printf("\nslowest scene %.0f fps (target 100): %s; largest %.2f x its sphere floor, %s "
                "(target %.2f): %s\n",
                1000.0 / dSlowest, dSlowest <= 10.0 ? "met" : "missed", dWorst, scenes[iWorst].cName,
                kFloorTarget, dWorst <= kFloorTarget ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseArgs(argc, argv);
    const std::span<const Scene> scenes = ScenesOf(o);
    OpenBenchWindow();

    // The first frame assigns the start values; every scene starts from them.
    Userview();
    if (o.iOnly != 0) {
        // One scene for a profiler: no floors, no table.
        for (int r = 0; r < o.nReps; ++r)
            std::printf("%s: %.3f ms/frame\n", scenes[o.iOnly - 1].cName,
                        TimeScene(scenes[o.iOnly - 1], o));
        return 0;
    }

    std::printf("qarn-bench: %s, window %d x %d, %d frames x %d repetitions per scene, "
                "pointer at (%d, %d)\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), o.nFrames, o.nReps,
                ViewState.iWinWidth / 2, ViewState.iWinHeight / 2);
    std::fflush(stdout);

    const Timings t = TimeTable(scenes, o);
    PrintTable(scenes, t, o);
    PrintTargets(scenes, t, o);
    std::printf("peak resident memory: %.1f MiB\n", PeakRssKiB() / 1024.0);
    return 0;
}
