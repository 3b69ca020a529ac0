// The converter's guard on every file the process opens: see open_guard.cpp.
// Linked into qarn-mksurface and its fuzz target only, never into a library.
#pragma once

#include "tools/refusal.h"

// The first file whose opening was refused since the last call, an empty
// name when none was; clears it. Given to ConvertMap as
// ConvertHooks::fnTakeRefused.
Refusal TakeRefusedFile();
