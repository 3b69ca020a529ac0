// Whole-file replacement that cannot be redirected: no GL, for the viewer and
// the command-line tools alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes bHead then bBody to cPath through a temporary file created beside it, never opening
// anything already there (mkostemp; CREATE_NEW on Windows), checks every write, the flush to disk
// and the close, then renames it over cPath (rename; MoveFileExW with MOVEFILE_WRITE_THROUGH).
// Before writing, refuses a cPath that exists and is not a regular file (a link, a directory, a
// device, a FIFO: looked at without following a link) or that the user may not write (read-only).
// Returns true on success; on failure cWhy holds a short reason without the file name (e.g.
// "Permission denied", "not a regular file (a directory)") and only what this call created has
// been removed. One platform file each: atomic_file_posix.cpp, atomic_file_win32.cpp.
bool WriteAtomic(const std::string& cPath, std::span<const uint8_t> bHead,
                 std::span<const uint8_t> bBody, std::string& cWhy);
