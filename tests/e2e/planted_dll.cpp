// A DLL for the Windows tests to plant beside qarn.exe under the name of a
// DLL it takes from the system folder (OPENGL32.dll, GLU32.dll, WINMM.dll):
// loaded, it leaves an empty file named after itself with ".loaded" added
// and fails its load, which ends a process that imports it at once.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE hDll, DWORD iReason, LPVOID) {
    if (iReason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t cPath[MAX_PATH + 8] = {};
    const DWORD n = GetModuleFileNameW(hDll, cPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    lstrcatW(cPath, L".loaded");
    const HANDLE hMark = CreateFileW(cPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
    if (hMark != INVALID_HANDLE_VALUE) CloseHandle(hMark);
    return FALSE;
}
