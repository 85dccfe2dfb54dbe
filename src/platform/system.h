// The Windows services the program calls, as one interface in Win32's own vocabulary.
// Feature code talks only to this; win32/ calls the real API, offline/ serves a Windows
// installation kept in a folder, fake/ is scripted by tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/usable_hive.h"
#include "regf/native_path.h"
#include "regf/regf.h"

namespace kelvara::platform {

// Win32 status codes the program looks at (the values of winerror.h).
namespace status {
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long PathNotFound = 3;
constexpr long AccessDenied = 5;
constexpr long InvalidHandle = 6;
constexpr long NotEnoughMemory = 8;
constexpr long InvalidParameter = 87;
constexpr long InsufficientBuffer = 122;
constexpr long AlreadyExists = 183;   // RegSaveKeyA onto a file that exists
constexpr long MoreData = 234;
constexpr long NoMoreItems = 259;
constexpr long OperationAborted = 995;
constexpr long BadDatabase = 1009;   // ERROR_BADDB: a hive file that cannot be read
constexpr long CantWrite = 1013;     // ERROR_REGISTRY_IO_FAILED
constexpr long ShutdownInProgress = 1115;   // ERROR_SHUTDOWN_IN_PROGRESS: a restart is already under way
constexpr long PrivilegeNotHeld = 1314;
}  // namespace status

// The predefined keys the program opens.
enum class RootKey : std::uint8_t { LocalMachine, Users };

// Registry value types (winnt.h).
namespace regtype {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Sz = 1;
constexpr std::uint32_t ExpandSz = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t Link = 6;
constexpr std::uint32_t MultiSz = 7;
constexpr std::uint32_t Qword = 11;
}  // namespace regtype

// Access rights and option bits passed to key opens and token opens.
namespace access {
constexpr std::uint32_t KeyQueryValue = 0x0001;
constexpr std::uint32_t KeyWow64_64Key = 0x0100;
constexpr std::uint32_t KeyRead = 0x20019;
constexpr std::uint32_t KeyAllAccess = 0xF003F;
constexpr std::uint32_t TokenAdjustPrivilegesQuery = 0x28;   // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
constexpr std::uint32_t TokenAllAccess = 0xF00FF;
}  // namespace access

// GetDriveType answers.
namespace drivetype {
constexpr std::uint32_t Unknown = 0;
constexpr std::uint32_t NoRootDir = 1;
constexpr std::uint32_t Removable = 2;
constexpr std::uint32_t Fixed = 3;
constexpr std::uint32_t Remote = 4;
constexpr std::uint32_t CdRom = 5;
constexpr std::uint32_t RamDisk = 6;
}  // namespace drivetype

// ExitWindowsEx flags.
namespace exitflags {
constexpr std::uint32_t Reboot = 2;
constexpr std::uint32_t Force = 4;
}  // namespace exitflags

// Opaque registry key handle; 0 is "no key".
using KeyHandle = std::uintptr_t;

// The fields of the basic OS version record that the program reads (OSVERSIONINFOA).
struct OsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;   // 2 = NT family
};

// The restore-point request of SRSetRestorePointA (RESTOREPOINTINFOA).
struct RestorePointRequest {
    std::uint32_t eventType = 100;        // BEGIN_SYSTEM_CHANGE
    std::uint32_t restorePointType = 0;   // APPLICATION_INSTALL
    std::int64_t sequenceNumber = 0;
    std::string description;              // at most 64 characters are kept
};

enum class RestorePointOutcome : std::uint8_t {
    Created,          // the call answered success
    Failed,           // the call answered failure
    NotAvailable,     // SrClient.dll or its entry point is missing, or the call raised
};

// Local date and time, as GetLocalTime gives it.
struct LocalTime {
    int year = 1601, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class System {
public:
    virtual ~System() = default;

    // ---- registry (advapi32) ----
    // RegOpenKeyExA with options 0.
    virtual long RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t samDesired,
                              KeyHandle& key) = 0;
    // RegOpenKeyA: the registry's default access.
    virtual long RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key) = 0;
    virtual long RegCloseKey(KeyHandle key) = 0;
    // RegQueryInfoKeyA, the two counts the catalogue uses.
    virtual long RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount,
                                 std::uint32_t& maxValueNameLength) = 0;
    // RegEnumValueA for the name only, into a buffer of nameBufferChars characters
    // (the terminating zero included). MoreData when the name does not fit.
    virtual long RegEnumValueName(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferChars,
                                  std::string& name) = 0;
    // RegQueryValueExA: the value's type and its raw data bytes.
    virtual long RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) = 0;
    // RegSaveKeyA with no security attributes.
    virtual long RegSaveKey(KeyHandle key, const std::string& file) = 0;
    // RegReplaceKeyA(root, subKey, newFile, oldFile), as Windows' kernel carries it out (the
    // routine description of NtReplaceKey in the Windows Research Kernel, ntapi.c, and
    // Microsoft's page on RegReplaceKey): the new file is opened and checked as a hive, then at
    // once the hive's file is renamed to oldFile and newFile renamed to the hive's name; the
    // .LOG and .alt files are ignored. The running system keeps using the old file, now at
    // oldFile, until it restarts, and both files stay held open until then: whatever is written
    // to the registry in between goes into oldFile and is lost at the restart. An installation
    // in a folder has nothing running, so there the replacement is complete when the call
    // returns (its logs moving with each file, crash-safe).
    virtual long RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                               const std::string& oldFile) = 0;
    // Asks a RegSaveKey running on another thread to give up soon, leaving no partial file;
    // saves started later fail until ResetCancel. Used when the user closes the progress window
    // mid-run. Where a save cannot be interrupted (Win32) both do nothing and the save runs on.
    virtual void CancelSaves() {}
    virtual void ResetCancel() {}
    // True where CancelSaves makes a running save give up promptly, so a caller may wait for
    // it; false where a save runs to its end whatever is asked.
    virtual bool CanCancelSaves() { return false; }
    // A string value's text as the ANSI calls would give it, with `exact` false when the system's
    // code page cannot spell it: the ANSI calls would then hand over look-alike letters or "?",
    // the name of some other file or of none. Win32 reads the value in UTF-16 and converts it
    // without best-fit letters; elsewhere the text is what RegQueryValueEx gives, always exact.
    virtual long RegQueryStringValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data, bool& exact)
    {
        exact = true;
        return RegQueryValueEx(key, valueName, type, data);
    }
    // True where the hives are the running system's, which any program may write at any moment,
    // so that a copy ages from the moment it is saved; false where nothing writes them while the
    // program works (an installation in a folder).
    virtual bool SavesLiveRegistry() { return false; }
    // True once 64-bit Windows' file-system redirector could not be turned back on after a call
    // that needed it off: from then on file names may reach other files than meant, so nothing
    // more may be handed over.
    virtual bool FileRedirectionLost() { return false; }

    // ---- drives (kernel32) ----
    // GetLogicalDriveStringsA into a buffer of bufferChars characters. Returns what the call
    // returns (the length written, or the size needed when the buffer is too small); buffer
    // receives the characters written, zero characters included.
    virtual std::uint32_t GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer) = 0;
    virtual std::uint32_t GetDriveType(const std::string& rootPath) = 0;
    // QueryDosDeviceA into a buffer of bufferChars characters; target is the text up to the
    // first zero. False when the call fails.
    virtual bool QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                                std::string& target) = 0;

    // ---- files (kernel32) ----
    virtual bool FileExists(const std::string& path) = 0;
    virtual std::string ExpandFileName(const std::string& path) = 0;   // GetFullPathNameA
    // FindFirstFileA with the attribute mask; false when no entry is found. The file is
    // never opened.
    virtual bool FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask,
                                   std::int64_t& size) = 0;
    // CreateFileA(GENERIC_READ | GENERIC_WRITE, no sharing, OPEN_EXISTING, normal), closed at
    // once. True when the open succeeded.
    virtual bool OpenExclusive(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH), within one folder, onto a free name. Where
    // logs move with their hives (an installation in a folder), a hive file's logs move with it,
    // durably, the logs first. False when it was not moved.
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // What identifies a file whatever its name: the NTFS file record number, the low 48 bits of
    // the file index that GetFileInformationByHandle gives (the high 16 are the record's reuse
    // count, which ntfs-3g does not show). The file is opened with no data access, so a file
    // the kernel holds exclusively (a hive, a file handed to the replace call) can still be
    // asked. A rename keeps it, and so does the kernel's rename in the replace call; unlike the
    // creation time, NTFS tunnelling does not carry it over to a file renamed onto the name.
    // ntfs-3g shows the same number as the inode number. False when there is no such file.
    virtual bool FileIdentity(const std::string& path, std::uint64_t& identity);
    // The folder of the installation's common application data (CSIDL_COMMON_APPDATA:
    // C:\ProgramData from Vista on, All Users\Application Data before), without a trailing
    // backslash; empty when it cannot be found.
    virtual std::string CommonAppDataFolder() { return {}; }
    // The folder of the running executable, with its trailing backslash.
    virtual std::string ProgramFolder() = 0;

    // ---- token (advapi32) ----
    // OpenProcessToken(tokenAccess), LookupPrivilegeValueA(nullptr, name),
    // AdjustTokenPrivileges with that one privilege enabled. Results are ignored by callers;
    // the answer is there for tests.
    virtual bool EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess) = 0;

    // ---- version and process (kernel32) ----
    // GetVersionExA with the 148-byte basic record, zero-filled first. Its own result is not
    // examined by the program: a failed query leaves zeros.
    virtual OsVersion GetVersionEx() = 0;
    // IsWow64Process looked up at run time in kernel32. False when the function is missing
    // or the call fails; otherwise isWow64 holds the answer.
    virtual bool IsWow64Process(bool& isWow64) = 0;
    virtual std::uint32_t GetTickCount() = 0;
    virtual LocalTime GetLocalTime() = 0;
    // Now, in seconds since 1970-01-01 UTC (GetSystemTimeAsFileTime), so that a time recorded
    // before a daylight-saving or time-zone change still compares right.
    virtual std::int64_t UtcNow();
    // When the running system last started, in the same seconds, within a few seconds; false
    // where nothing runs (an installation in a folder). Win32: now less GetTickCount64, looked
    // up at run time, or less GetTickCount on Windows XP, which wraps after 49.7 days.
    virtual bool SystemStartTime(std::int64_t& utcSeconds) { return false; }

    // ---- the user's locale ----
    virtual char DecimalSeparator() = 0;
    // The user's short date format, a blank, and the long time format.
    virtual std::string FormatShortDateLongTime(const LocalTime& time) = 0;
    // The date alone, in the user's short date format (GetDateFormatA, DATE_SHORTDATE).
    virtual std::string FormatShortDate(const LocalTime& time) = 0;

    // ---- our own hive engine over the system's files ----
    // True when the file is a sound hive without unsaved changes, fit to take a hive's place;
    // otherwise `problem` says why not. The registry offers no such test, so every platform
    // reads the file with the program's own engine.
    virtual bool IsUsableHiveFile(const std::string& path, std::string& problem) = 0;
    // What the saves of this run did besides copying, one line per save that had something to
    // tell, in the order saved, for the people watching. An installation in a folder recovers a
    // dirty hive from its logs first, as Windows does when it loads one; the registry's own save
    // has nothing to tell.
    virtual std::vector<std::string> SaveNotes() { return {}; }
    // What a Win32 status code means, in words (FormatMessageA from the system's table), without
    // a closing line break.
    virtual std::string ErrorText(long status) = 0;
    // True when the file is a sound hive once the transaction logs beside it are applied (a
    // clean hive needs none); otherwise `problem` says why not. Read with the program's engine.
    virtual bool IsRecoverableHiveFile(const std::string& path, std::string& problem);
    // Writes the hive that the file and the logs beside it make, as Windows would load it, into
    // the new file `output`: a clean file for where logs cannot go along. False with `problem`.
    virtual bool WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem);
    // True where the replace call completes the replacement before it returns, each file's
    // logs moving with it (an installation in a folder: nothing runs on it, and no restart will
    // come). On Windows the running system goes on in the old file until it restarts, and a file
    // handed over goes without its logs.
    virtual bool ReplacesAtOnceWithLogs() { return false; }
    // The time of a file's last write, as local time (the directory entry; the file is not
    // opened). False when there is no such file.
    virtual bool FileWriteTime(const std::string& path, LocalTime& time);

    // ---- power, restore, shell ----
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    virtual RestorePointOutcome SetRestorePoint(const RestorePointRequest& request) = 0;
    // ShellExecuteA(owner, "Open", target, nullptr, nullptr, SW_SHOW); result not examined.
    virtual void ShellOpen(const std::string& target) = 0;
    // False for a process outside the session of the user at the screen (a service, a scheduled
    // task run as SYSTEM), where ExitWindowsEx may answer success and restart nothing.
    virtual bool IsInteractiveSession() { return true; }
    // The documented restart of the machine for such a process: InitiateSystemShutdownExA (on
    // Windows 2000 InitiateSystemShutdownA) for this computer, without a message or a time-out,
    // restarting, with `force` closing the programs unasked; retried while Windows answers that it
    // is not ready. True when Windows accepted the request.
    virtual bool InitiateSystemShutdown(bool force, std::uint32_t reason) { return false; }
};

// The defaults read the file under the name given, as a program on the running Windows does;
// an installation in a folder first finds the file in the folder.

inline bool System::IsRecoverableHiveFile(const std::string& path, std::string& problem) {
    return IsUsableHiveWithLogs(path, problem);
}

inline bool System::WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem) {
    auto recovered = regf::RecoverHiveFile(path);
    if (!recovered) {
        problem = recovered.error().ToString();
        return false;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(recovered->bytes.data()),
              static_cast<std::streamsize>(recovered->bytes.size()));
    out.close();
    if (out) return true;
    std::error_code ignored;
    std::filesystem::remove(regf::NativePath(output), ignored);
    problem = "cannot write " + output;
    return false;
}

inline std::int64_t System::UtcNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

inline bool System::FileIdentity(const std::string& path, std::uint64_t& identity) {
    return regf::FileRecordNumber(regf::NativePath(path), identity);
}

inline bool System::FileWriteTime(const std::string& path, LocalTime& time) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(regf::NativePath(path), ec);
    if (ec) return false;
    const auto since = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        std::chrono::file_clock::to_sys(written));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(since);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &seconds) != 0) return false;
#else
    if (localtime_r(&seconds, &local) == nullptr) return false;
#endif
    time = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 0};
    return true;
}

}  // namespace kelvara::platform
