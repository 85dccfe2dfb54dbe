// The calls Win32System makes on the path that changes the system, seen through its table of
// Win32 functions: Wine only stubs them (its replace changes nothing, its save writes text, it
// has no System Restore, its restart ends the prefix), so every function that would act is
// replaced here by one that records what it was asked, on which thread, and with the file-system
// redirector in which state. Nothing here depends on what Wine's stubs answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "defrag/defrag_commit.h"
#include "defrag/restart.h"
#include "defrag/undo_registry.h"
#include "hive/catalogue.h"
#include "hive/snapshot.h"
#include "platform/win32/redirection.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#include "regf/regf.h"

#include <objbase.h>
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/win32/win32_widget_set.h"

namespace kelvara::platform::win32 {
namespace {

// What the fake functions saw, in order. One test at a time uses it.
struct Recorder {
    std::vector<std::string> calls;
    bool redirectorOff = false;
    bool disableWorks = true;
    bool revertWorks = true;
    std::vector<std::string> existingUnredirected;   // what GetFileAttributesA finds with the redirector off
    std::vector<std::string> existingRedirected;     // and with it on
    BOOL shutdownAnswer = TRUE;
    DWORD shutdownError = 0;
    int notReadyAnswers = 0;                         // InitiateSystemShutdownExA answers ERROR_NOT_READY this often first
    DWORD lastError = 0;
    DWORD stationFlags = WSF_VISIBLE;
    DWORD uiThread = 0;
    DWORD exitWindowsError = 0;
    std::vector<std::string> com;                    // what CoInitializeEx was asked, apart
    std::vector<std::string> privileges;             // what AdjustTokenPrivileges was asked, apart
    DWORD adjustError = 0;                           // what AdjustTokenPrivileges leaves as the last error                      // ExitWindowsEx fails with this when not 0
    std::string failRevertAfter;                     // the revert after a call starting so fails, and every one after
    bool revertFailed = false;
    std::vector<std::string> fileCallsAfterFailedRevert;
    std::vector<std::string> undeletable;            // DeleteFileA refuses these
    ULONGLONG tickCount64 = 0;
    DWORD tickCount = 0;
    ULONGLONG systemTime = 0;                        // GetSystemTimeAsFileTime's answer
    std::string commonAppData = "C:\\ProgramData";
    void Reset() { *this = Recorder{}; }
};
Recorder record;

std::string OffOrOn() { return record.redirectorOff ? " [redirector off]" : ""; }

// The files the fakes see under a name: in a system folder as the redirector now stands, elsewhere
// the same either way (kept with the redirected ones).
std::vector<std::string>& VisibleFiles(const std::string& path)
{
    char lower[MAX_PATH] = {};
    for (std::size_t i = 0; i < path.size() && i + 1 < sizeof lower; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(path[i])));
    const bool systemFolder = std::strstr(lower, "\\system32\\") || std::strstr(lower, "\\sysnative\\");
    return systemFolder && record.redirectorOff ? record.existingUnredirected : record.existingRedirected;
}

bool Visible(const std::string& path)
{
    const auto& files = VisibleFiles(path);
    return std::any_of(files.begin(), files.end(), [&](const std::string& f) { return _stricmp(f.c_str(), path.c_str()) == 0; });
}

// Every faked file call says it ran; one after a failed revert is noted apart.
void FileCall(const std::string& call)
{
    if (record.revertFailed) record.fileCallsAfterFailedRevert.push_back(call);
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", value);
    return text;
}

BOOL WINAPI FakeDisable(PVOID* previous)
{
    record.calls.push_back("Wow64DisableWow64FsRedirection");
    if (!record.disableWorks) return FALSE;
    *previous = reinterpret_cast<PVOID>(0x5151);
    record.redirectorOff = true;
    return TRUE;
}

BOOL WINAPI FakeRevert(PVOID previous)
{
    record.calls.push_back("Wow64RevertWow64FsRedirection" +
                           std::string(previous == reinterpret_cast<PVOID>(0x5151) ? "" : " with a stranger's value"));
    const bool failAfterThisCall = !record.failRevertAfter.empty() && record.calls.size() >= 2 &&
                                   record.calls[record.calls.size() - 2].rfind(record.failRevertAfter, 0) == 0;
    if (!record.revertWorks || record.revertFailed || failAfterThisCall) {
        record.revertFailed = true;
        record.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    record.redirectorOff = false;
    return TRUE;
}

LONG WINAPI FakeSave(HKEY, LPCSTR file, LPSECURITY_ATTRIBUTES security)
{
    record.calls.push_back(std::string("RegSaveKeyA ") + file + (security ? " with security" : "") + OffOrOn() +
                           (::GetCurrentThreadId() == record.uiThread ? "" : " on another thread"));
    FileCall(record.calls.back());
    // Windows refuses to save over an existing file (Microsoft's page on RegSaveKeyA).
    if (Visible(file)) return ERROR_ALREADY_EXISTS;
    // The copy the registry would write: a sound, empty hive.
    regf::KeySpec root;
    root.name = "ROOT";
    const std::string real = TrueSystemPath(file);
    if (!regf::BuildFile(root, {}, real).ok()) return ERROR_CANTWRITE;
    VisibleFiles(file).push_back(file);
    return ERROR_SUCCESS;
}

LONG WINAPI FakeSaveNothing(HKEY, LPCSTR file, LPSECURITY_ATTRIBUTES)
{
    record.calls.push_back(std::string("RegSaveKeyA ") + file + OffOrOn());
    return ERROR_SUCCESS;
}

BOOL WINAPI FakeMove(LPCSTR from, LPCSTR to, DWORD flags)
{
    record.calls.push_back(std::string("MoveFileExA ") + from + " " + to + " " + Hex(flags) + OffOrOn());
    FileCall(record.calls.back());
    if (!Visible(from) || Visible(to) ||
        std::find(record.undeletable.begin(), record.undeletable.end(), from) != record.undeletable.end()) {
        record.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    auto& files = VisibleFiles(from);
    files.erase(std::remove(files.begin(), files.end(), std::string(from)), files.end());
    VisibleFiles(to).push_back(to);
    return TRUE;
}

LONG WINAPI FakeReplace(HKEY root, LPCSTR subKey, LPCSTR newFile, LPCSTR oldFile)
{
    record.calls.push_back(std::string("RegReplaceKeyA ") + (root == HKEY_USERS ? "HKU\\" : "HKLM\\") + subKey + " " +
                           newFile + " " + oldFile + OffOrOn() +
                           (::GetCurrentThreadId() == record.uiThread ? "" : " on another thread"));
    FileCall(record.calls.back());
    // The kernel renames the hive's file to the old file's name, which must be free.
    if (Visible(oldFile)) return ERROR_ALREADY_EXISTS;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeOpen(HKEY root, LPCSTR subKey, DWORD options, REGSAM sam, PHKEY key)
{
    char samText[16];
    std::snprintf(samText, sizeof samText, "0x%lX", static_cast<unsigned long>(sam));
    record.calls.push_back(std::string("RegOpenKeyExA ") + (root == HKEY_USERS ? "HKU\\" : "HKLM\\") + subKey + " " +
                           samText);
    // A real handle, so that closing it closes nothing else of the process.
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_QUERY_VALUE, key);
}

DWORD WINAPI FakeAttributes(LPCSTR path)
{
    FileCall(std::string("GetFileAttributesA ") + path + OffOrOn());
    return Visible(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI FakeDelete(LPCSTR path)
{
    record.calls.push_back(std::string("DeleteFileA ") + path + OffOrOn());
    FileCall(record.calls.back());
    auto& files = VisibleFiles(path);
    const auto found = std::find_if(files.begin(), files.end(), [&](const std::string& f) { return _stricmp(f.c_str(), path) == 0; });
    const bool refused = std::find(record.undeletable.begin(), record.undeletable.end(), path) != record.undeletable.end();
    if (found == files.end() || refused) {
        record.lastError = refused ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    files.erase(found);
    return TRUE;
}

// A handle the fakes hand out; closing it is recorded, never passed to Windows.
const HANDLE kFakeFile = reinterpret_cast<HANDLE>(0x4F11);

HANDLE WINAPI FakeCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                             DWORD flags, HANDLE templateFile)
{
    record.calls.push_back(std::string("CreateFileA ") + path + " access=" + Hex(access) + " share=" + Hex(share) +
                           " disposition=" + std::to_string(disposition) + " flags=" + Hex(flags) +
                           (security ? " with security" : "") + (templateFile ? " with a template" : "") + OffOrOn());
    FileCall(record.calls.back());
    if (!Visible(path)) {
        record.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    return kFakeFile;
}

HANDLE WINAPI FakeFindFirst(LPCSTR path, LPWIN32_FIND_DATAA)
{
    record.calls.push_back(std::string("FindFirstFileA ") + path + OffOrOn());
    FileCall(record.calls.back());
    record.lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI FakeFileInformation(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    if (file != kFakeFile) return FALSE;
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->nFileIndexHigh = 0x00070012;   // reuse count 7, record number 0x12_3456789A
    info->nFileIndexLow = 0x3456789A;
    return TRUE;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle)
{
    if (handle != kFakeFile) return ::CloseHandle(handle);
    record.calls.push_back("CloseHandle");
    return TRUE;
}

ULONGLONG WINAPI FakeTickCount64() { return record.tickCount64; }
DWORD WINAPI FakeTickCount() { return record.tickCount; }

VOID WINAPI FakeSystemTime(LPFILETIME time)
{
    time->dwLowDateTime = static_cast<DWORD>(record.systemTime);
    time->dwHighDateTime = static_cast<DWORD>(record.systemTime >> 32);
}

HRESULT WINAPI FakeFolderPath(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path)
{
    record.calls.push_back("SHGetFolderPathA " + Hex(static_cast<unsigned long>(folder)) + " flags=" + std::to_string(flags) +
                           (owner ? " with a window" : "") + (token ? " with a token" : ""));
    if (record.commonAppData.empty()) return E_FAIL;
    std::memcpy(path, record.commonAppData.c_str(), record.commonAppData.size() + 1);
    return S_OK;
}

UINT WINAPI FakeSystemDirectory(LPSTR buffer, UINT size)
{
    const char folder[] = "C:\\WINDOWS\\system32";
    if (size < sizeof folder) return sizeof folder;
    std::memcpy(buffer, folder, sizeof folder);
    return sizeof folder - 1;
}

HMODULE WINAPI FakeLoadLibraryEx(LPCSTR path, HANDLE file, DWORD flags)
{
    char flagText[16];
    std::snprintf(flagText, sizeof flagText, "0x%lX", static_cast<unsigned long>(flags));
    record.calls.push_back(std::string("LoadLibraryExA ") + path + " " + flagText + (file ? " with a file" : ""));
    return nullptr;
}

BOOL WINAPI FakeExitWindows(UINT flags, DWORD reason)
{
    record.calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    record.lastError = record.exitWindowsError;
    return record.exitWindowsError == 0;
}

HWINSTA WINAPI FakeStation() { return reinterpret_cast<HWINSTA>(0x77); }

BOOL WINAPI FakeObjectInformation(HANDLE object, int index, PVOID info, DWORD size, LPDWORD needed)
{
    if (object != reinterpret_cast<HANDLE>(0x77) || index != UOI_FLAGS || size < sizeof(USEROBJECTFLAGS)) return FALSE;
    auto* flags = static_cast<USEROBJECTFLAGS*>(info);
    *flags = USEROBJECTFLAGS{};
    flags->dwFlags = record.stationFlags;
    *needed = sizeof(USEROBJECTFLAGS);
    return TRUE;
}

BOOL WINAPI FakeShutdownEx(LPSTR machine, LPSTR message, DWORD timeout, BOOL force, BOOL reboot, DWORD reason)
{
    record.calls.push_back(std::string("InitiateSystemShutdownExA ") + (machine ? machine : "local") + " " +
                           (message ? message : "no message") + " " + std::to_string(timeout) + " force=" +
                           std::to_string(force) + " reboot=" + std::to_string(reboot) + " " + std::to_string(reason));
    if (record.notReadyAnswers > 0) {
        --record.notReadyAnswers;
        record.lastError = ERROR_NOT_READY;
        return FALSE;
    }
    record.lastError = record.shutdownError;
    return record.shutdownAnswer;
}

BOOL WINAPI FakeShutdown(LPSTR machine, LPSTR message, DWORD timeout, BOOL force, BOOL reboot)
{
    record.calls.push_back(std::string("InitiateSystemShutdownA ") + (machine ? machine : "local") + " " +
                           (message ? message : "no message") + " " + std::to_string(timeout) + " force=" +
                           std::to_string(force) + " reboot=" + std::to_string(reboot));
    return TRUE;
}

DWORD WINAPI FakeLastError() { return record.lastError; }

VOID WINAPI FakeSleep(DWORD milliseconds) { record.calls.push_back("Sleep " + std::to_string(milliseconds)); }

BOOL WINAPI FakeAdjust(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES wanted, DWORD previousSize, PTOKEN_PRIVILEGES,
                       PDWORD)
{
    LUID expected{};
    ::LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &expected);
    const bool backup = wanted->PrivilegeCount == 1 && wanted->Privileges[0].Luid.LowPart == expected.LowPart &&
                        wanted->Privileges[0].Luid.HighPart == expected.HighPart;
    record.privileges.push_back(std::string("AdjustTokenPrivileges") + (token ? "" : " without a token") +
                           (disableAll ? " disabling all" : "") + " count=" + std::to_string(wanted->PrivilegeCount) +
                           (backup ? " SeBackupPrivilege" : " another privilege") +
                           " attributes=" + std::to_string(wanted->Privileges[0].Attributes) +
                           " previous=" + std::to_string(previousSize));
    record.lastError = record.adjustError;   // ERROR_NOT_ALL_ASSIGNED where the token lacks it
    return TRUE;
}

HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD flags)
{
    record.com.push_back("CoInitializeEx " + Hex(flags) + (reserved ? " with a reserved value" : ""));
    return ::CoInitializeEx(reserved, flags);   // balanced by the real CoUninitialize
}

// Every call of the path faked; the rest of Win32System stays real.
Win32Api FakeApi()
{
    Win32Api api = RealWin32Api();
    api.RegOpenKeyExA = FakeOpen;
    api.RegSaveKeyA = FakeSave;
    api.RegReplaceKeyA = FakeReplace;
    api.GetFileAttributesA = FakeAttributes;
    api.Wow64DisableWow64FsRedirection = FakeDisable;
    api.Wow64RevertWow64FsRedirection = FakeRevert;
    api.GetSystemDirectoryA = FakeSystemDirectory;
    api.LoadLibraryExA = FakeLoadLibraryEx;
    api.ExitWindowsEx = FakeExitWindows;
    api.GetProcessWindowStation = FakeStation;
    api.GetUserObjectInformationA = FakeObjectInformation;
    api.InitiateSystemShutdownExA = FakeShutdownEx;
    api.InitiateSystemShutdownA = FakeShutdown;
    api.GetLastError = FakeLastError;
    api.Sleep = FakeSleep;
    api.DeleteFileA = FakeDelete;
    api.MoveFileExA = FakeMove;
    api.CreateFileA = FakeCreateFile;
    api.FindFirstFileA = FakeFindFirst;
    api.GetFileInformationByHandle = FakeFileInformation;
    api.CloseHandle = FakeCloseHandle;
    api.GetTickCount64 = FakeTickCount64;
    api.GetTickCount = FakeTickCount;
    api.GetSystemTimeAsFileTime = FakeSystemTime;
    api.SHGetFolderPathA = FakeFolderPath;
    api.AdjustTokenPrivileges = FakeAdjust;
    api.CoInitializeEx = FakeCoInitializeEx;
    return api;
}

// The record a Defrag of an earlier test or row left: with the fakes' clock standing still it
// would say that hand-over still waits for the restart, and refuse the next Defrag.
void ForgetLastHandOver()
{
    ::DeleteFileA("C:\\ProgramData\\Varnel Kelvara\\LastHandOver.ini");
    ::DeleteFileA("C:\\kvseam\\LastHandOver.ini");
}

class Win32ApiSeamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        record.Reset();
        record.uiThread = ::GetCurrentThreadId();
        ForgetLastHandOver();
    }
};

using Calls = std::vector<std::string>;

TEST(TrueSystemPath, OnlyAWholeSysnativeFolderBecomesSystem32)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Windows\\sysnative\\config\\SOFTWARE.kvf", "C:\\Windows\\System32\\config\\SOFTWARE.kvf"},
        {"c:\\WINDOWS\\SysNative\\config\\SAM", "c:\\WINDOWS\\System32\\config\\SAM"},
        {"C:\\Users\\sysnative\\NTUSER.DAT", "C:\\Users\\System32\\NTUSER.DAT"},
        {"C:\\Users\\sysnativeX\\NTUSER.DAT", "C:\\Users\\sysnativeX\\NTUSER.DAT"},
        {"C:\\Users\\Xsysnative\\NTUSER.DAT", "C:\\Users\\Xsysnative\\NTUSER.DAT"},
        {"C:\\Users\\Alex\\NTUSER.DAT", "C:\\Users\\Alex\\NTUSER.DAT"},
        {"sysnative", "sysnative"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(TrueSystemPath(path), expected) << path;
}

// The save and the replacement name the real system folder as System32, each with the redirector
// off for exactly its own call; where there is no redirector the names go as they are.
TEST_F(Win32ApiSeamTest, SaveAndReplaceNameSystem32WithTheRedirectorOffForTheOneCall)
{
    const std::string copy = "C:\\Windows\\sysnative\\config\\KVSEAM.kvf";
    const std::string backup = "C:\\Windows\\sysnative\\config\\KVSEAM.bak";
    const std::string trueCopy = "C:\\Windows\\System32\\config\\KVSEAM.kvf";
    const std::string trueBackup = "C:\\Windows\\System32\\config\\KVSEAM.bak";
    struct Case {
        const char* name;
        bool disablePresent;
        bool disableWorks;
        Calls expected;
    };
    const Case cases[] = {
        {"64-bit Windows", true, true,
         {"Wow64DisableWow64FsRedirection", "RegSaveKeyA " + trueCopy + " [redirector off]",
          "Wow64RevertWow64FsRedirection", "Wow64DisableWow64FsRedirection",
          "RegReplaceKeyA HKLM\\KVSEAM " + trueCopy + " " + trueBackup + " [redirector off]",
          "Wow64RevertWow64FsRedirection"}},
        {"the function refuses: no redirector", true, false,
         {"Wow64DisableWow64FsRedirection", "RegSaveKeyA " + copy, "Wow64DisableWow64FsRedirection",
          "RegReplaceKeyA HKLM\\KVSEAM " + copy + " " + backup}},
        {"kernel32 has none: 32-bit Windows", false, false,
         {"RegSaveKeyA " + copy, "RegReplaceKeyA HKLM\\KVSEAM " + copy + " " + backup}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.calls.clear();
        record.disableWorks = c.disableWorks;
        Win32Api api = FakeApi();
        api.RegSaveKeyA = FakeSaveNothing;
        if (!c.disablePresent) api.Wow64DisableWow64FsRedirection = nullptr;
        Win32System sys(api);
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
        EXPECT_EQ(sys.RegSaveKey(reinterpret_cast<KeyHandle>(key), copy), ERROR_SUCCESS);
        ::RegCloseKey(key);
        EXPECT_EQ(sys.RegReplaceKey(RootKey::LocalMachine, "KVSEAM", copy, backup), ERROR_SUCCESS);
        EXPECT_EQ(record.calls, c.expected);
        EXPECT_FALSE(sys.FileRedirectionLost());
    }
}

// The replacement Windows accepted stays accepted (it is pending whatever followed); the lost
// redirector is remembered, and the Defrag command hands nothing more over.
TEST_F(Win32ApiSeamTest, ARedirectorThatStaysOffIsRemembered)
{
    record.revertWorks = false;
    Win32System sys(FakeApi());
    EXPECT_FALSE(sys.FileRedirectionLost());
    EXPECT_EQ(sys.RegReplaceKey(RootKey::Users, "S-1-5-21-7", "C:\\Users\\A\\NTUSER.DAT.kvf",
                                "C:\\Users\\A\\NTUSER.DAT.bak"),
              ERROR_SUCCESS);
    EXPECT_TRUE(sys.FileRedirectionLost());
}

// 64-bit XP and Server 2003 know no "sysnative": their machine hives are found with the
// redirector off, under the name the rest of the program uses.
TEST_F(Win32ApiSeamTest, AHiveInTheRealSystemFolderIsFoundWhereSysnativeIsUnknown)
{
    record.existingUnredirected = {"C:\\Windows\\System32\\config\\SYSTEM"};
    Win32System sys(FakeApi());
    EXPECT_TRUE(sys.FileExists("C:\\Windows\\sysnative\\config\\SYSTEM"));
    EXPECT_EQ(record.calls, (Calls{"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}));
    EXPECT_FALSE(sys.FileExists("C:\\Windows\\sysnative\\config\\SAM"));
    // Wine names C: \Device\HarddiskVolume1.
    EXPECT_EQ(hive::HiveFileFromDevicePath(sys, true, "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM"),
              "C:\\Windows\\sysnative\\config\\SYSTEM");
}

TEST_F(Win32ApiSeamTest, EveryHiveIsOpenedInThe64BitViewOn64BitWindows)
{
    Win32System sys(FakeApi());
    for (const char* hivePath : {"\\REGISTRY\\USER\\S-1-5-21-7_Classes", "\\REGISTRY\\MACHINE\\SYSTEM"})
        hive::SaveHiveCopy(sys, hivePath, "C:\\kvseam-view.kvf", true);
    hive::SaveHiveCopy(sys, "\\REGISTRY\\USER\\S-1-5-21-7_Classes", "C:\\kvseam-view.kvf", false);
    std::vector<std::string> opens;
    for (const std::string& call : record.calls)
        if (call.rfind("RegOpenKeyExA", 0) == 0) opens.push_back(call);
    // KEY_QUERY_VALUE | KEY_WOW64_64KEY; RegOpenKeyA (the 32-bit program's own view) is not in the table.
    EXPECT_EQ(opens, (Calls{"RegOpenKeyExA HKU\\S-1-5-21-7_Classes 0x101", "RegOpenKeyExA HKLM\\SYSTEM 0x101"}));
    ::DeleteFileA("C:\\kvseam-view.kvf");
}

TEST_F(Win32ApiSeamTest, SystemRestoresClientComesByItsFullPathFromTheSystemFolder)
{
    for (bool searchFlags : {true, false}) {
        record.calls.clear();
        Win32Api api = FakeApi();
        api.loaderSearchFlags = searchFlags;
        Win32System sys(api);
        EXPECT_EQ(sys.SetRestorePoint(RestorePointRequest{}), RestorePointOutcome::NotAvailable);
        // LOAD_LIBRARY_SEARCH_SYSTEM32, else LOAD_WITH_ALTERED_SEARCH_PATH: the DLL's dependencies
        // from its own folder, the system folder.
        EXPECT_EQ(record.calls, (Calls{std::string("LoadLibraryExA C:\\WINDOWS\\system32\\SrClient.dll ") +
                                       (searchFlags ? "0x800" : "0x8")}));
    }
}

// Outside the user's session (a service, a task run as SYSTEM) the machine's restart is asked
// for, with no time-out and no message, retried while Windows is not ready for it.
TEST_F(Win32ApiSeamTest, TheRestartOutsideTheUsersSession)
{
    const std::string request = "InitiateSystemShutdownExA local no message 0 force=1 reboot=1 1";
    struct Case {
        const char* name;
        DWORD stationFlags;
        int notReady;
        BOOL answer;
        DWORD error;
        bool exPresent;
        bool restarted;
        Calls expected;
    };
    const Case cases[] = {
        {"on the desktop", WSF_VISIBLE, 0, TRUE, 0, true, true, {"ExitWindowsEx 6 1"}},
        {"as SYSTEM", 0, 0, TRUE, 0, true, true, {request}},
        {"nobody logged on yet", 0, 2, TRUE, 0, true, true, {request, "Sleep 1000", request, "Sleep 1000", request}},
        {"refused", 0, 0, FALSE, ERROR_ACCESS_DENIED, true, false, {request}},
        {"Windows 2000", 0, 0, TRUE, 0, false, true, {"InitiateSystemShutdownA local no message 0 force=1 reboot=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.calls.clear();
        record.stationFlags = c.stationFlags;
        record.notReadyAnswers = c.notReady;
        record.shutdownAnswer = c.answer;
        record.shutdownError = c.error;
        Win32Api api = FakeApi();
        if (!c.exPresent) api.InitiateSystemShutdownExA = nullptr;
        Win32System sys(api);
        EXPECT_EQ(defrag::RestartComputer(sys, true), c.restarted);
        EXPECT_EQ(record.calls, c.expected);
    }

    record.calls.clear();
    record.stationFlags = 0;
    record.notReadyAnswers = 1000;
    Win32System waiting(FakeApi());
    EXPECT_FALSE(waiting.InitiateSystemShutdown(true, 1));
    EXPECT_EQ(std::count(record.calls.begin(), record.calls.end(), request), 60) << "a minute, once a second";
}

// The Defrag command on the user-interface thread: each copy is saved again right before its own
// hand-over, in the 64-bit view, then checked, then handed over, and the restart follows.
TEST_F(Win32ApiSeamTest, DefragSavesEachCopyAgainRightBeforeItsHandOver)
{
    ::CreateDirectoryA("C:\\kvseam", nullptr);
    const std::string hiveFile = "C:\\kvseam\\NTUSER.DAT";
    ::DeleteFileA((hiveFile + ".kvf").c_str());
    ::DeleteFileA((hiveFile + ".bak").c_str());

    ui::Application app(std::make_unique<ui::win32::Win32WidgetSet>());
    auto owner = ui::CreateForm<ui::Form>();
    settings::OptionsSetting.IsAskBeforeDefrag = false;
    settings::OptionsSetting.RestorePoint = false;
    Win32System sys(FakeApi());
    const std::vector<std::string> keys{"\\REGISTRY\\USER\\S-1-5-21-7"};
    const std::vector<std::string> files{hiveFile};
    const defrag::DefragOutcome outcome =
        defrag::DefragRegistry(defrag::DefragWindow{*owner, keys, files, true, "C:\\kvseam\\", sys, app});

    EXPECT_EQ(outcome.end, defrag::DefragEnd::RestartRequested);
    ASSERT_EQ(outcome.hives.size(), 1u);
    EXPECT_TRUE(outcome.hives[0].accepted) << outcome.hives[0].reason;
    // The size and identity the record of the hand-over notes, and where the record lives, are
    // not what this test pins.
    record.calls.erase(std::remove_if(record.calls.begin(), record.calls.end(),
                                      [](const std::string& call) {
                                          return call.rfind("FindFirstFileA", 0) == 0 ||
                                                 call.rfind("SHGetFolderPathA", 0) == 0 ||
                                                 (call.rfind("CreateFileA", 0) == 0 &&
                                                  call.find("access=0x0 ") != std::string::npos) ||
                                                 call == "CloseHandle";
                                      }),
                       record.calls.end());
    EXPECT_EQ(record.calls,
              (Calls{"RegOpenKeyExA HKU\\S-1-5-21-7 0x101", "Wow64DisableWow64FsRedirection",
                     "RegSaveKeyA " + hiveFile + ".kvf [redirector off]", "Wow64RevertWow64FsRedirection",
                     "Wow64DisableWow64FsRedirection",
                     "RegReplaceKeyA HKU\\S-1-5-21-7 " + hiveFile + ".kvf " + hiveFile + ".bak [redirector off]",
                     "Wow64RevertWow64FsRedirection", "ExitWindowsEx 6 1"}));
    ::DeleteFileA((hiveFile + ".kvf").c_str());
    ::RemoveDirectoryA("C:\\kvseam");
}

// Every file call on a hive in the real system folder names it System32 with the redirector off
// for that call alone; the identity is asked with no data access, so a held file answers too.
TEST_F(Win32ApiSeamTest, FileCallsNameTheRealSystemFolderWithTheRedirectorOff)
{
    const std::string alias = "C:\\Windows\\sysnative\\config\\SOFTWARE.bak";
    const std::string real = "C:\\Windows\\System32\\config\\SOFTWARE.bak";
    record.existingUnredirected = {real};
    Win32System sys(FakeApi());
    const std::string off = " [redirector off]";
    const std::string disable = "Wow64DisableWow64FsRedirection", revert = "Wow64RevertWow64FsRedirection";

    std::uint64_t identity = 0;
    ASSERT_TRUE(sys.FileIdentity(alias, identity));
    EXPECT_EQ(identity, 0x123456789Aull) << "the record number without its reuse count";
    // No data access; FILE_SHARE_READ | WRITE | DELETE; OPEN_EXISTING; FILE_FLAG_BACKUP_SEMANTICS.
    EXPECT_EQ(record.calls, (Calls{disable, "CreateFileA " + real + " access=0x0 share=0x7 disposition=3 flags=0x2000000" + off,
                                   revert, "CloseHandle"}));

    record.calls.clear();
    EXPECT_TRUE(sys.OpenExclusive(alias));
    std::int64_t size = 0;
    EXPECT_FALSE(sys.FindFirstFileSize(alias, 0x3F, size));
    EXPECT_TRUE(sys.DeleteFile(alias));
    EXPECT_FALSE(sys.DeleteFile(alias)) << "deleted already";
    EXPECT_FALSE(sys.FileIdentity(alias, identity)) << "no such file any more";
    EXPECT_EQ(record.calls,
              (Calls{disable, "CreateFileA " + real + " access=0xC0000000 share=0x0 disposition=3 flags=0x80" + off, revert,
                     "CloseHandle", disable, "FindFirstFileA " + real + off, revert, disable, "DeleteFileA " + real + off,
                     revert, disable, "DeleteFileA " + real + off, revert, disable,
                     "CreateFileA " + real + " access=0x0 share=0x7 disposition=3 flags=0x2000000" + off, revert}));

    // Elsewhere the names go as they are, with the redirector left alone.
    record.calls.clear();
    record.existingRedirected = {"C:\\Users\\A\\NTUSER.DAT"};
    ASSERT_TRUE(sys.FileIdentity("C:\\Users\\A\\NTUSER.DAT", identity));
    EXPECT_EQ(record.calls, (Calls{"CreateFileA C:\\Users\\A\\NTUSER.DAT access=0x0 share=0x7 disposition=3 flags=0x2000000",
                                   "CloseHandle"}));
    EXPECT_FALSE(sys.FileRedirectionLost());
}

// The clock: FILETIME counts 100 ns from 1601, 11644473600 s before 1970. The start of the system
// is now less the 64-bit tick count, or on XP, which lacks it, less the 32-bit one.
TEST_F(Win32ApiSeamTest, UtcNowAndSystemStartTimeFromTheClockCalls)
{
    record.systemTime = (1700000000ull + 11644473600ull) * 10000000ull + 9999999ull;   // 2023-11-14 22:13:20.9999999
    record.tickCount64 = 60ull * 24 * 3600 * 1000 + 999;                               // 60 days: past GetTickCount's wrap
    record.tickCount = 4000 * 1000;
    struct Case {
        const char* name;
        bool has64;
        std::int64_t start;
    };
    const Case cases[] = {
        {"GetTickCount64", true, 1700000000 - 60 * 24 * 3600},
        {"Windows XP: GetTickCount", false, 1700000000 - 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Win32Api api = FakeApi();
        if (!c.has64) api.GetTickCount64 = nullptr;
        Win32System sys(api);
        EXPECT_EQ(sys.UtcNow(), 1700000000);
        std::int64_t start = 0;
        ASSERT_TRUE(sys.SystemStartTime(start));
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(sys.GetTickCount(), 4000u * 1000u);
    }
}

TEST_F(Win32ApiSeamTest, CommonAppDataFolderAsksForCsidlCommonAppData)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\ProgramData", "C:\\ProgramData"},
        {"C:\\Documents and Settings\\All Users\\Application Data\\", "C:\\Documents and Settings\\All Users\\Application Data"},
        {"", ""},   // the call fails
    };
    for (const auto& [answer, expected] : cases) {
        record.calls.clear();
        record.commonAppData = answer;
        Win32System sys(FakeApi());
        EXPECT_EQ(sys.CommonAppDataFolder(), expected);
        // CSIDL_COMMON_APPDATA, SHGFP_TYPE_CURRENT, no window, no token.
        EXPECT_EQ(record.calls, (Calls{"SHGetFolderPathA 0x23 flags=0"}));
    }
}

// A restart refused because one is already under way will happen all the same.
TEST_F(Win32ApiSeamTest, ARestartAlreadyUnderWayIsNoRefusal)
{
    struct Case {
        const char* name;
        DWORD error;
        bool restarting;
    };
    const Case cases[] = {
        {"accepted", 0, true},
        {"ERROR_SHUTDOWN_IN_PROGRESS", ERROR_SHUTDOWN_IN_PROGRESS, true},
        {"ERROR_ACCESS_DENIED", ERROR_ACCESS_DENIED, false},
        {"ERROR_PRIVILEGE_NOT_HELD", ERROR_PRIVILEGE_NOT_HELD, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.calls.clear();
        record.exitWindowsError = c.error;
        record.shutdownAnswer = c.error == 0;
        record.shutdownError = c.error;
        Win32System sys(FakeApi());
        EXPECT_EQ(sys.ExitWindowsEx(exitflags::Reboot | exitflags::Force, 1), c.restarting);
        EXPECT_EQ(sys.InitiateSystemShutdown(true, 1), c.restarting);
        EXPECT_EQ(record.calls, (Calls{"ExitWindowsEx 6 1", "InitiateSystemShutdownExA local no message 0 force=1 reboot=1 1"}))
            << "asked once, never retried";
    }
}

TEST_F(Win32ApiSeamTest, APrivilegeIsEnabledAloneAndOnlyWhenTheTokenHoldsIt)
{
    for (DWORD error : {DWORD{ERROR_SUCCESS}, DWORD{ERROR_NOT_ALL_ASSIGNED}}) {
        record.privileges.clear();
        record.adjustError = error;
        Win32System sys(FakeApi());
        EXPECT_EQ(sys.EnablePrivilege("SeBackupPrivilege", access::TokenAdjustPrivilegesQuery), error == ERROR_SUCCESS);
        // SE_PRIVILEGE_ENABLED; room for one previous entry (16 bytes).
        EXPECT_EQ(record.privileges, (Calls{"AdjustTokenPrivileges count=1 SeBackupPrivilege attributes=2 previous=16"}));
    }
}

TEST_F(Win32ApiSeamTest, TheRestorePointMeetsComInTheWorkersOwnApartment)
{
    Win32System sys(FakeApi());
    EXPECT_EQ(sys.SetRestorePoint(RestorePointRequest{}), RestorePointOutcome::NotAvailable);
    EXPECT_EQ(record.com, Calls{"CoInitializeEx 0x0"}) << "COINIT_MULTITHREADED";
}

// The deletes, saves and replacements of a hive's files, in order.
Calls HiveFileCalls(const std::string& hive)
{
    Calls calls;
    for (const std::string& call : record.calls) {
        const bool acts = call.rfind("DeleteFileA", 0) == 0 || call.rfind("RegSaveKeyA", 0) == 0 ||
                          call.rfind("RegReplaceKeyA", 0) == 0 || call.rfind("MoveFileExA", 0) == 0;
        if (acts && call.find(hive) != std::string::npos) calls.push_back(call);
    }
    return calls;
}

defrag::DefragOutcome RunDefrag(Win32System& sys, const std::vector<std::string>& keys, const std::vector<std::string>& files)
{
    ui::Application app(std::make_unique<ui::win32::Win32WidgetSet>());
    auto owner = ui::CreateForm<ui::Form>();
    settings::OptionsSetting.IsAskBeforeDefrag = false;
    settings::OptionsSetting.RestorePoint = false;
    return defrag::DefragRegistry(defrag::DefragWindow{*owner, keys, files, true, "C:\\kvseam\\", sys, app});
}

// A machine hive with a copy and a backup left from an earlier run, each reached by its System32
// name with the redirector off: the copy is deleted before the save, the backup set aside before
// the replacement and deleted once it is accepted. One that cannot be deleted or set aside keeps
// the hive from being handed over (Windows will neither save onto a file nor rename the hive onto
// one).
TEST_F(Win32ApiSeamTest, DefragDeletesAStaleCopyAndBackupOfASysnativeHiveByTheirTrueNames)
{
    ::CreateDirectoryA("C:\\kvseam", nullptr);
    ::CreateDirectoryA("C:\\Windows\\System32\\config", nullptr);   // where the fake save's copy lands
    const std::string hive = "C:\\Windows\\sysnative\\config\\KVSEAM";
    const std::string real = "C:\\Windows\\System32\\config\\KVSEAM";
    const std::string off = " [redirector off]";
    struct Case {
        const char* name;
        std::vector<std::string> undeletable;
        bool accepted;
        Calls expected;
    };
    const Case cases[] = {
        {"both deleted", {}, true,
         {"DeleteFileA " + real + ".kvf" + off, "RegSaveKeyA " + real + ".kvf" + off,
          "MoveFileExA " + real + ".bak " + real + ".bak.old 0x8" + off,
          "RegReplaceKeyA HKLM\\KVSEAM " + real + ".kvf " + real + ".bak" + off, "DeleteFileA " + real + ".bak.old" + off}},
        {"the copy stays", {real + ".kvf"}, false,
         {"DeleteFileA " + real + ".kvf" + off, "RegSaveKeyA " + real + ".kvf" + off}},
        {"the backup stays", {real + ".bak"}, false,
         {"DeleteFileA " + real + ".kvf" + off, "RegSaveKeyA " + real + ".kvf" + off,
          "MoveFileExA " + real + ".bak " + real + ".bak.old 0x8" + off}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.Reset();
        record.uiThread = ::GetCurrentThreadId();
        ForgetLastHandOver();
        record.existingUnredirected = {real, real + ".kvf", real + ".bak"};
        record.undeletable = c.undeletable;
        Win32System sys(FakeApi());
        const defrag::DefragOutcome outcome = RunDefrag(sys, {"\\REGISTRY\\MACHINE\\KVSEAM"}, {hive});
        ASSERT_EQ(outcome.hives.size(), 1u);
        EXPECT_EQ(outcome.hives[0].accepted, c.accepted) << outcome.hives[0].reason;
        if (!c.accepted) {
            EXPECT_FALSE(outcome.hives[0].reason.empty());
        }
        EXPECT_EQ(HiveFileCalls("KVSEAM."), c.expected);
        EXPECT_EQ(std::count(record.calls.begin(), record.calls.end(), "ExitWindowsEx 6 1"), c.accepted ? 1 : 0);
        EXPECT_FALSE(sys.FileRedirectionLost());
    }
    ::DeleteFileA((real + ".kvf").c_str());
}

// The redirector stays off after the second hive's save: the hive before it stays handed over,
// every hive from there on is passed over with a reason, and no file call reaches Windows any
// more, with the redirector off or not.
TEST_F(Win32ApiSeamTest, ARedirectorLostInTheMiddleOfARunStopsEveryLaterHandOver)
{
    ::CreateDirectoryA("C:\\kvseam", nullptr);
    ::CreateDirectoryA("C:\\Windows\\System32\\config", nullptr);
    const std::vector<std::string> keys{"\\REGISTRY\\MACHINE\\KVSEAM1", "\\REGISTRY\\USER\\S-1-5-21-9",
                                        "\\REGISTRY\\MACHINE\\KVSEAM3"};
    const std::vector<std::string> files{"C:\\Windows\\sysnative\\config\\KVSEAM1", "C:\\kvseam\\NTUSER.DAT",
                                         "C:\\Windows\\sysnative\\config\\KVSEAM3"};
    record.failRevertAfter = "RegSaveKeyA C:\\kvseam\\NTUSER.DAT.kvf";
    Win32System sys(FakeApi());
    const defrag::DefragOutcome outcome = RunDefrag(sys, keys, files);

    EXPECT_TRUE(record.revertFailed);
    EXPECT_TRUE(sys.FileRedirectionLost());
    ASSERT_EQ(outcome.hives.size(), 3u);
    EXPECT_TRUE(outcome.hives[0].accepted) << outcome.hives[0].reason;
    for (std::size_t i = 1; i < 3; ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_FALSE(outcome.hives[i].accepted);
        EXPECT_FALSE(outcome.hives[i].reason.empty());
    }
    EXPECT_EQ(record.fileCallsAfterFailedRevert, Calls{});
    EXPECT_EQ(HiveFileCalls("KVSEAM3"), Calls{});
    // The one replacement Windows accepted is carried out by the restart.
    EXPECT_EQ(std::count(record.calls.begin(), record.calls.end(), "ExitWindowsEx 6 1"), 1);
    ::DeleteFileA("C:\\Windows\\System32\\config\\KVSEAM1.kvf");
    ::DeleteFileA("C:\\kvseam\\NTUSER.DAT.kvf");
}

// The record of the last Defrag in the common application data, naming a machine hive under its
// sysnative name as replaced by the file the fakes show at every name (record number 0x123456789A).
void RecordLastDefrag(const std::string& time, const std::string& hive)
{
    ::CreateDirectoryA("C:\\kvseam", nullptr);
    ::CreateDirectoryA("C:\\kvseam\\common", nullptr);
    ::CreateDirectoryA("C:\\kvseam\\common\\Varnel Kelvara", nullptr);
    const std::string text = "[Last Hand-over]\r\nCommand=Defrag\r\nTime=" + time +
                             "\r\nClock=UTC\r\nComplete=0\r\nReported=1\r\nHives=1\r\nHive1=accepted|8192|4096|" +
                             std::to_string(0x123456789AULL) + "|\\REGISTRY\\MACHINE\\KVSEAM|" + hive + "|\r\n";
    std::FILE* file = std::fopen("C:\\kvseam\\common\\Varnel Kelvara\\LastHandOver.ini", "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// /Undo through the seam: both rights first, then the backup handed to the replace call by its
// System32 name, with the hive in use kept as .undone, the redirector off around the call; and
// nothing at all while the last hand-over still waits for Windows to restart.
TEST_F(Win32ApiSeamTest, UndoPutsBackBySystem32NamesWithBothRightsAndNotWhileAHandOverWaits)
{
    const std::string hive = "C:\\Windows\\sysnative\\config\\KVSEAM";
    const std::string real = "C:\\Windows\\System32\\config\\KVSEAM";
    struct Case {
        const char* name;
        const char* recorded;   // the last Defrag's time, UTC
        defrag::UndoEnd end;
    };
    // The fakes' clock: 2023-11-14 22:13:20 UTC, Windows up for an hour (since 21:13:20).
    const Case cases[] = {
        {"restarted since", "2023-11-14 19:26:40", defrag::UndoEnd::RestartRequested},
        {"no restart since", "2023-11-14 21:56:40", defrag::UndoEnd::HandOverWaiting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record.Reset();
        record.uiThread = ::GetCurrentThreadId();
        record.commonAppData = "C:\\kvseam\\common";
        record.systemTime = (1700000000ULL + 11644473600ULL) * 10000000ULL;
        record.tickCount64 = 3600ULL * 1000ULL;
        record.existingUnredirected = {real, real + ".bak"};
        ::CreateDirectoryA("C:\\Windows\\System32\\config", nullptr);
        regf::KeySpec root;
        root.name = "ROOT";
        ASSERT_TRUE(regf::BuildFile(root, {}, real + ".bak").ok());   // a sound backup
        RecordLastDefrag(c.recorded, hive);
        ui::Application app(std::make_unique<ui::win32::Win32WidgetSet>());
        Win32System sys(FakeApi());
        const std::vector<std::string> keys{"\\REGISTRY\\MACHINE\\KVSEAM"};
        const std::vector<std::string> files{hive};
        const defrag::UndoOutcome outcome =
            defrag::UndoDefrag(defrag::UndoWindow{keys, files, true, false, "C:\\kvseam\\", sys, app});
        EXPECT_EQ(outcome.end, c.end) << outcome.message;
        if (c.end != defrag::UndoEnd::RestartRequested) {
            EXPECT_EQ(HiveFileCalls("KVSEAM."), Calls{});
            EXPECT_TRUE(record.privileges.empty());
            continue;
        }
        // The backup and the restore right, then the shutdown right of the restart.
        ASSERT_EQ(record.privileges.size(), 3u);
        EXPECT_EQ(record.privileges[0], "AdjustTokenPrivileges count=1 SeBackupPrivilege attributes=2 previous=16");
        EXPECT_NE(record.privileges[1].find("another privilege"), std::string::npos) << record.privileges[1];
        EXPECT_EQ(HiveFileCalls("KVSEAM."),
                  Calls{"RegReplaceKeyA HKLM\\KVSEAM " + real + ".bak " + real + ".undone [redirector off]"});
        const auto replace = std::find_if(record.calls.begin(), record.calls.end(),
                                          [](const std::string& call) { return call.rfind("RegReplaceKeyA", 0) == 0; });
        ASSERT_NE(replace, record.calls.end());
        ASSERT_NE(replace, record.calls.begin());
        EXPECT_EQ(*(replace - 1), "Wow64DisableWow64FsRedirection");
        ASSERT_NE(replace + 1, record.calls.end());
        EXPECT_EQ(*(replace + 1), "Wow64RevertWow64FsRedirection");
    }
    ::DeleteFileA("C:\\kvseam\\common\\Varnel Kelvara\\LastHandOver.ini");
    ::DeleteFileA((real + ".bak").c_str());
}

}  // namespace
}  // namespace kelvara::platform::win32
