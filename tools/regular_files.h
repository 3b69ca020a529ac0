// The converter's guard against files that block when opened: see
// regular_files.cpp.
#pragma once

#include <string>

// The first FIFO, device or socket whose opening was refused since the last
// call, "" when none was; clears it.
std::string TakeRefusedFile();
