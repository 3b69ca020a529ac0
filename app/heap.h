// The C library's heap, tuned once at start-up for a program that frees and
// takes back the same memory every frame.
#pragma once

// Memory freed at the top of the heap stays with the process for the next
// frame instead of going back to the system at once.
void KeepFreedHeap();
