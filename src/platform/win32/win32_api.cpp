#include "platform/win32/win32_api.h"

#include <objbase.h>
#include <shlobj.h>

namespace kelvara::platform::win32 {
namespace {

// A function looked up at run time, cast through a plain pointer so the compiler accepts the
// change of signature.
template <typename Function>
void LookUp(Function& slot, HMODULE module, const char* name)
{
    slot = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

Win32Api RealWin32Api()
{
    Win32Api api;
    api.RegOpenKeyExA = ::RegOpenKeyExA;
    api.RegSaveKeyA = ::RegSaveKeyA;
    api.RegReplaceKeyA = ::RegReplaceKeyA;
    api.RegQueryValueExW = ::RegQueryValueExW;
    api.GetFileAttributesA = ::GetFileAttributesA;
    api.CreateFileA = ::CreateFileA;
    api.DeleteFileA = ::DeleteFileA;
    api.MoveFileExA = ::MoveFileExA;
    api.FindFirstFileA = ::FindFirstFileA;
    api.GetFileInformationByHandle = ::GetFileInformationByHandle;
    api.CloseHandle = ::CloseHandle;
    api.AdjustTokenPrivileges = ::AdjustTokenPrivileges;
    api.GetSystemTimeAsFileTime = ::GetSystemTimeAsFileTime;
    api.GetTickCount = ::GetTickCount;
    api.SHGetFolderPathA = ::SHGetFolderPathA;
    api.CoInitializeEx = ::CoInitializeEx;
    api.GetSystemDirectoryA = ::GetSystemDirectoryA;
    api.LoadLibraryExA = ::LoadLibraryExA;
    api.ExitWindowsEx = ::ExitWindowsEx;
    api.GetProcessWindowStation = ::GetProcessWindowStation;
    api.GetUserObjectInformationA = ::GetUserObjectInformationA;
    api.GetLastError = ::GetLastError;
    api.Sleep = ::Sleep;

    // kernel32 and advapi32 are loaded in every process; nothing is loaded here.
    const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    const HMODULE advapi32 = ::GetModuleHandleA("advapi32.dll");
    LookUp(api.Wow64DisableWow64FsRedirection, kernel32, "Wow64DisableWow64FsRedirection");
    LookUp(api.Wow64RevertWow64FsRedirection, kernel32, "Wow64RevertWow64FsRedirection");
    BOOL(WINAPI * setDefaultDllDirectories)(DWORD) = nullptr;
    LookUp(setDefaultDllDirectories, kernel32, "SetDefaultDllDirectories");
    api.loaderSearchFlags = setDefaultDllDirectories != nullptr;
    LookUp(api.GetTickCount64, kernel32, "GetTickCount64");
    LookUp(api.InitiateSystemShutdownExA, advapi32, "InitiateSystemShutdownExA");
    LookUp(api.InitiateSystemShutdownA, advapi32, "InitiateSystemShutdownA");
    return api;
}

}  // namespace kelvara::platform::win32
