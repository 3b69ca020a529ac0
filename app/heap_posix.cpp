// The software rasteriser takes about a megabyte of binning memory for a
// frame with the labels' thousands of strokes and frees it at the swap.
// glibc gives the top of the heap back to the system at every free of more
// than 128 KiB and must then fault fresh zeroed pages in for the next frame:
// some 250 page faults, half a millisecond of a frame on a 2-core machine.
// A higher trim threshold keeps those pages.
//
// Setting the trim threshold also fixes the mmap threshold where it stands
// (128 KiB): glibc no longer raises it after a mapped block is freed, so
// every larger block would be mapped and unmapped again each frame, a
// dozen or more fresh pages each time. The mmap threshold is raised to
// glibc's largest as well, so those blocks come from the kept heap too.
// The peak memory stays within a megabyte of glibc's defaults.
#include "app/heap.h"

#include <cstdlib>  // and with it __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Free memory the top of the heap may hold before any is given back.
constexpr int kTrimBytes = 64 << 20;
// Blocks below this size come from the heap, not from a mapping of their
// own: glibc's largest mmap threshold on a 64-bit system, 32 MiB.
constexpr int kMapBytes = 32 << 20;

}  // namespace

void KeepFreedHeap() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, kTrimBytes);
    mallopt(M_MMAP_THRESHOLD, kMapBytes);
#endif
}
