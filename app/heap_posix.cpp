// The software rasteriser takes about a megabyte of binning memory for a
// frame with the labels' thousands of strokes and frees it at the swap.
// glibc gives the top of the heap back to the system at every free of more
// than 128 KiB and must then fault fresh zeroed pages in for the next frame:
// some 250 page faults, half a millisecond of a frame on a 2-core machine.
// A higher threshold keeps those pages; the peak memory is the same.
#include "app/heap.h"

#include <cstdlib>  // and with it __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Free memory the top of the heap may hold before any is given back.
constexpr int kTrimBytes = 64 << 20;

}  // namespace

void KeepFreedHeap() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, kTrimBytes);
#endif
}
