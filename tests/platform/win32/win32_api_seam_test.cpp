// The calls Win32System makes on the path that changes the system, seen through its table of
// Win32 functions: Wine only stubs them (its replace changes nothing, its save writes text, it
// has no System Restore, its restart ends the prefix), so every function that would act is
// replaced here by one that records what it was asked, on which thread, and with the file-system
// redirector in which state. Nothing here depends on what Wine's stubs answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "defrag/defrag_commit.h"
#include "defrag/restart.h"
#include "hive/catalogue.h"
#include "hive/snapshot.h"
#include "platform/win32/redirection.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#include "regf/regf.h"
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
    void Reset() { *this = Recorder{}; }
};
Recorder record;

std::string OffOrOn() { return record.redirectorOff ? " [redirector off]" : ""; }

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
    if (!record.revertWorks) {
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
    // The copy the registry would write: a sound, empty hive.
    regf::KeySpec root;
    root.name = "ROOT";
    const std::string real = TrueSystemPath(file);
    return regf::BuildFile(root, {}, real).ok() ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG WINAPI FakeSaveNothing(HKEY, LPCSTR file, LPSECURITY_ATTRIBUTES)
{
    record.calls.push_back(std::string("RegSaveKeyA ") + file + OffOrOn());
    return ERROR_SUCCESS;
}

LONG WINAPI FakeReplace(HKEY root, LPCSTR subKey, LPCSTR newFile, LPCSTR oldFile)
{
    record.calls.push_back(std::string("RegReplaceKeyA ") + (root == HKEY_USERS ? "HKU\\" : "HKLM\\") + subKey + " " +
                           newFile + " " + oldFile + OffOrOn() +
                           (::GetCurrentThreadId() == record.uiThread ? "" : " on another thread"));
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
    const auto& existing = record.redirectorOff ? record.existingUnredirected : record.existingRedirected;
    for (const std::string& file : existing)
        if (_stricmp(file.c_str(), path) == 0) return FILE_ATTRIBUTE_ARCHIVE;
    return INVALID_FILE_ATTRIBUTES;
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
    return TRUE;
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
    return api;
}

class Win32ApiSeamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        record.Reset();
        record.uiThread = ::GetCurrentThreadId();
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
    EXPECT_EQ(record.calls,
              (Calls{"RegOpenKeyExA HKU\\S-1-5-21-7 0x101", "Wow64DisableWow64FsRedirection",
                     "RegSaveKeyA " + hiveFile + ".kvf [redirector off]", "Wow64RevertWow64FsRedirection",
                     "Wow64DisableWow64FsRedirection",
                     "RegReplaceKeyA HKU\\S-1-5-21-7 " + hiveFile + ".kvf " + hiveFile + ".bak [redirector off]",
                     "Wow64RevertWow64FsRedirection", "ExitWindowsEx 6 1"}));
    ::DeleteFileA((hiveFile + ".kvf").c_str());
    ::RemoveDirectoryA("C:\\kvseam");
}

}  // namespace
}  // namespace kelvara::platform::win32
