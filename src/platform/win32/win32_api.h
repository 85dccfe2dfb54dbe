// The raw Win32 calls of the path that changes the system (save, replace, restart, restore point)
// as a table of function pointers. Win32System calls them only through this table, so a test in
// the Windows build can put its own functions in place of the ones Wine merely stubs, and see
// exactly what the program asks of Windows.
#pragma once

#include "platform/win32/windows_api.h"

namespace kelvara::platform::win32 {

struct Win32Api {
    // ---- registry (advapi32)
    LONG(WINAPI* RegOpenKeyExA)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) = nullptr;
    LONG(WINAPI* RegSaveKeyA)(HKEY, LPCSTR, LPSECURITY_ATTRIBUTES) = nullptr;
    LONG(WINAPI* RegReplaceKeyA)(HKEY, LPCSTR, LPCSTR, LPCSTR) = nullptr;
    LONG(WINAPI* RegQueryValueExW)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) = nullptr;

    // ---- files and the WOW64 file-system redirector (kernel32)
    DWORD(WINAPI* GetFileAttributesA)(LPCSTR) = nullptr;
    HANDLE(WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = nullptr;
    BOOL(WINAPI* DeleteFileA)(LPCSTR) = nullptr;
    BOOL(WINAPI* MoveFileExA)(LPCSTR, LPCSTR, DWORD) = nullptr;
    HANDLE(WINAPI* FindFirstFileA)(LPCSTR, LPWIN32_FIND_DATAA) = nullptr;
    BOOL(WINAPI* GetFileInformationByHandle)(HANDLE, LPBY_HANDLE_FILE_INFORMATION) = nullptr;
    BOOL(WINAPI* CloseHandle)(HANDLE) = nullptr;
    // Looked up at run time; null where kernel32 has none (32-bit Windows before XP x64).
    BOOL(WINAPI* Wow64DisableWow64FsRedirection)(PVOID*) = nullptr;
    BOOL(WINAPI* Wow64RevertWow64FsRedirection)(PVOID) = nullptr;

    // ---- token (advapi32)
    BOOL(WINAPI* AdjustTokenPrivileges)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) = nullptr;

    // ---- clock (kernel32)
    VOID(WINAPI* GetSystemTimeAsFileTime)(LPFILETIME) = nullptr;
    DWORD(WINAPI* GetTickCount)() = nullptr;
    // Looked up at run time; null on Windows XP and Server 2003, which have only GetTickCount.
    ULONGLONG(WINAPI* GetTickCount64)() = nullptr;

    // ---- shell folders (shell32) and COM (ole32)
    HRESULT(WINAPI* SHGetFolderPathA)(HWND, int, HANDLE, DWORD, LPSTR) = nullptr;
    HRESULT(WINAPI* CoInitializeEx)(LPVOID, DWORD) = nullptr;

    // ---- libraries (kernel32)
    UINT(WINAPI* GetSystemDirectoryA)(LPSTR, UINT) = nullptr;
    HMODULE(WINAPI* LoadLibraryExA)(LPCSTR, HANDLE, DWORD) = nullptr;
    // True where the loader understands the LOAD_LIBRARY_SEARCH_* flags: SetDefaultDllDirectories
    // exists (Windows 8 on, Vista and 7 with their loader update).
    bool loaderSearchFlags = false;

    // ---- restart (user32, advapi32, kernel32)
    BOOL(WINAPI* ExitWindowsEx)(UINT, DWORD) = nullptr;
    HWINSTA(WINAPI* GetProcessWindowStation)() = nullptr;
    BOOL(WINAPI* GetUserObjectInformationA)(HANDLE, int, PVOID, DWORD, LPDWORD) = nullptr;
    // Looked up at run time: InitiateSystemShutdownExA from Windows XP on, the older call on
    // Windows 2000.
    BOOL(WINAPI* InitiateSystemShutdownExA)(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD) = nullptr;
    BOOL(WINAPI* InitiateSystemShutdownA)(LPSTR, LPSTR, DWORD, BOOL, BOOL) = nullptr;
    DWORD(WINAPI* GetLastError)() = nullptr;
    VOID(WINAPI* Sleep)(DWORD) = nullptr;
};

// The real functions, those that may be missing looked up in the running system.
Win32Api RealWin32Api();

}  // namespace kelvara::platform::win32
