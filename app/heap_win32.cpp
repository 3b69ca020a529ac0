// The Windows heap keeps freed blocks for reuse and gives memory back to the
// system only in large steps of its own: nothing to tune.
#include "app/heap.h"

void KeepFreedHeap() {}
