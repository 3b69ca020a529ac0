// Reading a file that must be a regular file: a folder, a device, a pipe or
// a socket is refused at open, without blocking on it. One platform file
// each: regular_file_posix.cpp, regular_file_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct RegularFile {
    intptr_t iHandle;  // the descriptor (POSIX) or HANDLE (Windows); -1 when closed
    int64_t nSize;     // bytes, measured at open
};

// Opens cFile for reading. On failure returns false and cWhy says why without
// the name: "cannot open for reading: <reason>", "cannot examine: <reason>" or
// "not a regular file (a directory)" and the like.
bool OpenRegular(const char* cFile, RegularFile& f, std::string& cWhy);

// Up to nWant bytes from byte nAt, through short reads: fewer only at the
// end of the file. -1 on a read error, cWhy then holding the reason.
int64_t ReadRegular(const RegularFile& f, int64_t nAt, uint8_t* bOut, size_t nWant,
                    std::string& cWhy);

void CloseRegular(RegularFile& f);
