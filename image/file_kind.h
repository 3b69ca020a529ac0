// What a directory entry is, in words, for messages refusing anything that
// is not a regular file.
#pragma once

#include <sys/stat.h>

inline const char* FileKind(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of unknown type";
}
