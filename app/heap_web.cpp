// The page's heap is Emscripten's malloc in the WebAssembly memory, which
// grows and is never given back: nothing to keep.
#include "app/heap.h"

void KeepFreedHeap() {}
