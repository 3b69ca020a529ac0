// WriteAtomic on Windows: the new contents go to a file of our own beside the
// target, created with CREATE_NEW (nothing already there under that name is
// ever opened), written, flushed and closed, then moved over the target with
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). The target
// is looked at first without following a link: a folder, a device (CON,
// NUL, COM1), a pipe or a link is refused, and so is a read-only file, which
// the move would otherwise replace.
#include "image/atomic_file.h"

#include <algorithm>

#include "image/win32_file.h"

namespace {

std::string Reason(const char* cStep, DWORD iErr) { return std::string(cStep) + ": " + ErrorText(iErr); }

bool WriteAll(HANDLE h, std::span<const uint8_t> b) {
    size_t nDone = 0;
    while (nDone < b.size()) {
        const DWORD nAsk = DWORD(std::min<size_t>(b.size() - nDone, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(h, b.data() + nDone, nAsk, &n, nullptr)) return false;
        if (n == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        nDone += n;
    }
    return true;
}

// Empty when the target may be replaced (or does not exist), else the reason.
std::string CheckTarget(const std::wstring& wPath) {
    const HANDLE h = CreateFileW(wPath.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD iErr = GetLastError();
        if (iErr == ERROR_FILE_NOT_FOUND) return std::string();
        return ErrorText(iErr);
    }
    std::string cWhy;
    BY_HANDLE_FILE_INFORMATION info{};
    if (const char* cKind = HandleKind(h))
        cWhy = std::string("not a regular file (") + cKind + ")";
    else if (!GetFileInformationByHandle(h, &info))
        cWhy = ErrorText(GetLastError());
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        cWhy = ErrorText(ERROR_ACCESS_DENIED);
    CloseHandle(h);
    return cWhy;
}

}  // namespace

bool WriteAtomic(const std::string& cPath, std::span<const uint8_t> bHead,
                 std::span<const uint8_t> bBody, std::string& cWhy) {
    cWhy.clear();
    const std::wstring wPath = WideName(cPath);
    if (wPath.empty()) {
        cWhy = ErrorText(ERROR_INVALID_NAME);
        return false;
    }
    cWhy = CheckTarget(wPath);
    if (!cWhy.empty()) return false;

    // ".<name>.<8 hex digits>" in the target's folder, so the move stays on
    // one volume. CREATE_NEW fails on any existing name; a few other
    // suffixes are tried before giving up.
    const size_t nSlash = wPath.find_last_of(L"/\\");
    const size_t nBase = nSlash == std::wstring::npos ? 0 : nSlash + 1;
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring wTemp;
    DWORD iErr = ERROR_FILE_EXISTS;
    uint32_t iSeed = GetCurrentProcessId() * 2654435761u ^ uint32_t(GetTickCount64());
    for (int nTry = 0; nTry < 100 && h == INVALID_HANDLE_VALUE && iErr == ERROR_FILE_EXISTS; ++nTry) {
        iSeed = iSeed * 1664525u + 1013904223u;
        wchar_t wSuffix[16];
        swprintf(wSuffix, 16, L".%08x", iSeed);
        wTemp = wPath.substr(0, nBase) + L"." + wPath.substr(nBase) + wSuffix;
        h = CreateFileW(wTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE) iErr = GetLastError();
    }
    if (h == INVALID_HANDLE_VALUE) {
        cWhy = Reason("cannot create a temporary file", iErr);
        return false;
    }

    auto fail = [&](const char* cStep, DWORD iErrStep, bool bOpen) {
        if (bOpen) CloseHandle(h);
        DeleteFileW(wTemp.c_str());
        cWhy = Reason(cStep, iErrStep);
        return false;
    };
    if (!WriteAll(h, bHead) || !WriteAll(h, bBody)) return fail("write failed", GetLastError(), true);
    if (!FlushFileBuffers(h)) return fail("flush failed", GetLastError(), true);
    if (!CloseHandle(h)) return fail("close failed", GetLastError(), false);
    if (!MoveFileExW(wTemp.c_str(), wPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail("rename failed", GetLastError(), false);
    return true;
}
