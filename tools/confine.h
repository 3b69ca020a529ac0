// The confinement of the process that reads a map: see confine.cpp. Linked
// into qarn-mksurface alone, and called only in the child that reads.
#pragma once

#include <string>

// From here on, for this process, all its threads and every process it
// starts: no socket is made, connected, bound or sent to an address; no
// file is opened for writing, created, truncated, removed, renamed, linked,
// or has its mode, owner, times or attributes changed; no other process's
// memory is read or written, no other process signalled, no program run,
// nothing mounted; no character is pushed into a terminal's input. Each
// such call fails with EPERM. (A sanitizer build still traces, signals and
// runs programs: its leak check and its symbolizer need to.)
// Returns "" once in force, else why it could not be put in force (then
// nothing of it holds).
std::string ConfineReader();
