// The Windows heap has its own policy for giving freed memory back to the
// system, with no switch like glibc's trim threshold: its defaults stand.
#include "app/heap.h"

void KeepFreedHeap() {}
