// Helpers of the Windows file layer: wide names, readable error texts and
// what an open handle is, in the words the POSIX layer uses.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

// A name as Windows' wide-character calls take it. Names are UTF-8 (the
// program's own are plain ASCII); an invalid sequence gives an empty name,
// which every call then refuses.
inline std::wstring WideName(const std::string& cName) {
    if (cName.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, cName.data(), int(cName.size()),
                                      nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, cName.data(), int(cName.size()), w.data(), n);
    return w;
}

// The system's message for an error code, in English where the system has
// it, without the trailing full stop and line end ("Access denied").
inline std::string ErrorText(DWORD iErr) {
    char cBuf[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, iErr,
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), cBuf, sizeof cBuf, nullptr);
    if (n == 0)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, iErr, 0,
                           cBuf, sizeof cBuf, nullptr);
    std::string c(cBuf, n);
    while (!c.empty() && (c.back() == '\n' || c.back() == '\r' || c.back() == ' ' || c.back() == '.'))
        c.pop_back();
    if (c.empty()) c = "error " + std::to_string(iErr);
    return c;
}

// What an open handle names, when it is not a regular file: nullptr for a
// plain disk file, else "a directory", "a symbolic link", "a character
// device" (CON, NUL, COM1, ...), "a named pipe" or "of unknown type".
inline const char* HandleKind(HANDLE h) {
    switch (GetFileType(h)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_CHAR: return "a character device";
    case FILE_TYPE_PIPE: return "a named pipe";
    default: return "of unknown type";
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return "of unknown type";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "a directory";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "a symbolic link";
    return nullptr;
}
