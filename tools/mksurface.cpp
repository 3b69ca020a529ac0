// qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT
//
// Turns a cylindrical lunar map in one of the map formats GDAL reads into the
// viewer's surface image: 1024 x 512, uncompressed 8-bit, 256-entry
// gray-ramp palette, bottom row first, 525,366 bytes, longitude 0 at the
// centre column. This file is the command: arguments, usage, the progress
// (a bar on standard error when it is a terminal, else plain lines on
// standard output) and the exit status; the work is ReadSurface and
// WriteSurface (tools/convert.h), the guard on opened files
// tools/open_guard.cpp.
//
// The map is read in a child process confined before it opens anything
// (tools/confine.cpp): whatever a map makes GDAL or a library under it do,
// that process can change no file and reach no network. It hands the
// 1024 x 512 gray values to this one through a pipe, and this one, which
// reads nothing of the map, writes the output.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/confine.h"
#include "tools/convert.h"
#include "tools/open_guard.h"
#include "tools/surface.h"

namespace {

constexpr const char* kUsage =
    "usage: qarn-mksurface [-q] [--left-lon DEG] [--range LO HI] INPUT OUTPUT\n";

struct Options {
    bool bQuiet = false;
    ConvertOptions c;
};

bool Fail(const std::string& cMsg) {
    std::fprintf(stderr, "qarn-mksurface: %s\n", OneLine(cMsg).c_str());
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
        "centre column) from a cylindrical map of the whole Moon, a local file in one of\n"
        "GDAL's formats GTiff, PNG, JPEG, JPEG 2000, PDS, PDS4, ISIS2, ISIS3, VRT, ENVI,\n"
        "EHdr, FITS or BMP.\n"
        "  -q              no progress, no closing line\n"
        "  --left-lon DEG  longitude of the left edge of the map, ignoring any\n"
        "                  georeferencing (default: from the georeferencing, else -180)\n"
        "  --range LO HI   map band values LO..HI onto gray 0..255 (default: 8-bit\n"
        "                  values as they are, others from their minimum and maximum)\n",
        stdout);
}

// The progress: on a terminal a bar in GDAL's form "0...10...20 ... 100 -
// done." on standard error, 40 ticks, every fourth one a number; else (a log,
// a pipe) the input's size at start and one line every tenth on standard
// output, so that a conversion of hours shows it is alive and a failure is
// still the one line on standard error.
struct Bar {
    bool bTerminal = false;
    int nTicks = -1;  // ticks printed, or tenths printed as lines
    std::string cIn;
};

void ShowSize(const MapSize& sz, void* pData) {
    const Bar& b = *static_cast<Bar*>(pData);
    if (b.bTerminal) return;
    std::printf("qarn-mksurface: reading %s, %u x %u pixels, %d band%s of %s (%s)\n", b.cIn.c_str(), sz.nW, sz.nH,
                sz.nBands, sz.nBands == 1 ? "" : "s", sz.cType.c_str(), sz.cFormat.c_str());
    std::fflush(stdout);
}

void ShowLines(Bar& b, double dDone) {
    const int nNow = int(std::fmin(std::fmax(dDone, 0.0), 1.0) * 10.0);
    while (b.nTicks < nNow) {
        ++b.nTicks;
        if (b.nTicks > 0) std::printf("qarn-mksurface: %d %% read\n", b.nTicks * 10);
    }
    std::fflush(stdout);
}

void ShowProgress(double dDone, void* pData) {
    Bar& b = *static_cast<Bar*>(pData);
    if (!b.bTerminal) return ShowLines(b, dDone);
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

// All of n bytes to fd, through short writes; false on failure.
bool WriteAll(int fd, const uint8_t* b, size_t n) {
    while (n > 0) {
        const ssize_t k = write(fd, b, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        b += k;
        n -= size_t(k);
    }
    return true;
}

// The child's side: the map read into gray values under the confinement,
// which go to fdOut; a failure is said here, where the progress is. Returns
// the child's exit status.
int ReadConfined(const Options& o, int fdOut) {
    // The reader needs no standard input: a map that names it (cfitsio's
    // "-") reads an empty pipe, not the user's terminal or what is piped
    // to the command.
    int fdsEmpty[2];
    if (pipe(fdsEmpty) != 0 || dup2(fdsEmpty[0], STDIN_FILENO) < 0) return Fail("cannot empty standard input"), 1;
    close(fdsEmpty[0]);
    close(fdsEmpty[1]);
    const std::string cConfined = ConfineReader();
    if (!cConfined.empty()) return Fail(cConfined), 1;
    Bar bar;
    bar.bTerminal = isatty(STDERR_FILENO) != 0;
    bar.cIn = o.c.cIn;
    ConvertHooks h;
    h.pData = &bar;
    h.fnStart = o.bQuiet ? nullptr : ShowSize;
    h.fnProgress = o.bQuiet ? nullptr : ShowProgress;
    h.fnTakeRefused = TakeRefusedFile;
    std::vector<uint8_t> gray;
    const std::string cWhy = ReadSurface(o.c, h, gray);
    if (!cWhy.empty()) {
        if (bar.bTerminal && bar.nTicks >= 0 && bar.nTicks <= 40) std::fputc('\n', stderr);  // end the bar's line
        return Fail(cWhy), 1;
    }
    if (gray.size() != size_t(kOutW) * kOutH || !WriteAll(fdOut, gray.data(), gray.size()))
        return Fail("cannot hand the pixels of " + o.c.cIn + " over: " + std::strerror(errno)), 1;
    return 0;
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
    const std::string cOut = CheckOutput(o.c.cOut);
    if (!cOut.empty()) return Fail(cOut), 1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return Fail(std::string("cannot make a pipe: ") + std::strerror(errno)), 1;
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t pidParent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return Fail(std::string("cannot start the reader: ") + std::strerror(errno)), 1;
    if (pid == 0) {
        // A reader whose parent is gone (killed, or timed out by a test) has
        // no one to hand its pixels to: it ends too, rather than read on.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != pidParent) _exit(1);
        close(fds[0]);
        // Only the descriptors the reader writes to stay open: standard
        // output and error, and the pipe.
        const int fdOut = fds[1];
        if (fdOut > 3) close_range(3, unsigned(fdOut) - 1, 0);
        close_range(unsigned(fdOut) + 1, ~0u, 0);
        std::exit(ReadConfined(o, fdOut));
    }
    close(fds[1]);
    // The gray values, and one byte more: a reader that hands over more
    // than the image is not believed.
    std::vector<uint8_t> gray(size_t(kOutW) * kOutH + 1);
    size_t nHave = 0;
    while (nHave < gray.size()) {
        const ssize_t k = read(fds[0], gray.data() + nHave, gray.size() - nHave);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        nHave += size_t(k);
    }
    close(fds[0]);
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(st))
        return Fail("reading " + o.c.cIn + " was ended by signal " + std::to_string(WTERMSIG(st)) + " (" +
                    strsignal(WTERMSIG(st)) + ")"),
               1;
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) return 1;  // the reader said why
    if (nHave != size_t(kOutW) * kOutH)
        return Fail("the reader of " + o.c.cIn + " handed over " + std::to_string(nHave) + " of " +
                    std::to_string(kOutW * kOutH) + " pixels"),
               1;
    gray.pop_back();
    const std::string cWhy = WriteSurface(o.c.cOut, gray);
    if (!cWhy.empty()) return Fail(cWhy), 1;
    if (!o.bQuiet)
        std::printf("qarn-mksurface: wrote %s, %u x %u 8-bit gray, %u bytes\n", o.c.cOut.c_str(), kOutW,
                    kOutH, kFileBytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Every failure is one line of ours: GDAL's messages come through
    // ReadSurface, but PROJ contexts of libraries under it (libgeotiff makes
    // its own) print their errors on standard error unless told otherwise
    // (a PROJ_DEBUG given by the user is kept).
    setenv("PROJ_DEBUG", "0", 0);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
    } catch (const std::exception& x) {
        Fail(x.what());
    }
    return 1;
}
