// The read side on Windows. FILE_FLAG_BACKUP_SEMANTICS lets a folder open
// too, so it is refused by what the handle is rather than by a vague
// "Access denied"; GetFileType tells devices (CON, NUL, COM1) and pipes.
#include "image/regular_file.h"

#include <algorithm>

#include "image/win32_file.h"

bool OpenRegular(const char* cFile, RegularFile& f, std::string& cWhy) {
    f = RegularFile{-1, 0};
    const HANDLE h = CreateFileW(WideName(cFile).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        cWhy = "cannot open for reading: " + ErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER nSize{};
    if (const char* cKind = HandleKind(h)) {
        cWhy = std::string("not a regular file (") + cKind + ")";
    } else if (!GetFileSizeEx(h, &nSize)) {
        cWhy = "cannot examine: " + ErrorText(GetLastError());
    } else {
        f = RegularFile{reinterpret_cast<intptr_t>(h), int64_t(nSize.QuadPart)};
        return true;
    }
    CloseHandle(h);
    return false;
}

int64_t ReadRegular(const RegularFile& f, int64_t nAt, uint8_t* bOut, size_t nWant,
                    std::string& cWhy) {
    const HANDLE h = reinterpret_cast<HANDLE>(f.iHandle);
    size_t nGot = 0;
    while (nGot < nWant) {
        // The offset travels in the OVERLAPPED record: a positioned read, as pread.
        const uint64_t nPos = uint64_t(nAt) + nGot;
        OVERLAPPED at{};
        at.Offset = DWORD(nPos & 0xffffffffu);
        at.OffsetHigh = DWORD(nPos >> 32);
        const DWORD nAsk = DWORD(std::min<size_t>(nWant - nGot, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(h, bOut + nGot, nAsk, &n, &at)) {
            const DWORD iErr = GetLastError();
            if (iErr == ERROR_HANDLE_EOF) break;
            cWhy = ErrorText(iErr);
            return -1;
        }
        if (n == 0) break;
        nGot += n;
    }
    return int64_t(nGot);
}

void CloseRegular(RegularFile& f) {
    if (f.iHandle != -1) CloseHandle(reinterpret_cast<HANDLE>(f.iHandle));
    f.iHandle = -1;
}
