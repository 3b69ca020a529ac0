// Whole-file replacement that cannot be redirected: no GL, for the viewer and
// the command-line tools alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes bHead then bBody to cPath through a temporary file created beside it with
// O_CREAT|O_EXCL|O_NOFOLLOW (or mkstemp in the same directory), checks every write, fsync and close,
// then renames it over cPath. Before writing, refuses a cPath that exists and is not a regular file
// (a link, a directory, a device, a FIFO: checked with lstat, never followed) or that the user may not write.
// Returns true on success; on failure cWhy holds a short reason without the file name (e.g. "Permission
// denied", "not a regular file") and only what this call created has been removed.
bool WriteAtomic(const std::string& cPath, std::span<const uint8_t> bHead,
                 std::span<const uint8_t> bBody, std::string& cWhy);
