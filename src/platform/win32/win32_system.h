// The System over the real Win32 API (ANSI functions, as a 32-bit program calls them).
#pragma once

#include <functional>

#include <atomic>
#include <memory>

#include "platform/system.h"

namespace kelvara::platform::win32 {

// The table of Win32 functions the system calls (win32_api.h, which needs <windows.h>).
struct Win32Api;

class Win32System : public System {
public:
    Win32System();
    // Over the given calls instead of the real ones (tests).
    explicit Win32System(const Win32Api& api);
    ~Win32System() override;

    long RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t samDesired,
                      KeyHandle& key) override;
    long RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key) override;
    long RegCloseKey(KeyHandle key) override;
    long RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount,
                         std::uint32_t& maxValueNameLength) override;
    long RegEnumValueName(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferChars,
                          std::string& name) override;
    long RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    long RegSaveKey(KeyHandle key, const std::string& file) override;
    // On 64-bit Windows the file names name the real system folder as "sysnative"; the save and
    // the replacement get them as "System32" with the redirector off for the call, since the
    // kernel, which may open them itself, knows no "sysnative".
    long RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                       const std::string& oldFile) override;
    long RegQueryStringValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                             std::vector<std::uint8_t>& data, bool& exact) override;
    bool SavesLiveRegistry() override { return true; }
    bool FileRedirectionLost() override { return redirectionLost_; }

    std::uint32_t GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer) override;
    std::uint32_t GetDriveType(const std::string& rootPath) override;
    bool QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                        std::string& target) override;

    // The file calls take a path through "sysnative" in its true form with the redirector off
    // for the one call: 64-bit XP and Server 2003 know no such alias.
    bool FileExists(const std::string& path) override;
    std::string ExpandFileName(const std::string& path) override;
    // The size is the entry's full 64-bit size (high and low parts), so a file of 2 GiB or
    // more is not shown with a negative size.
    bool FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask,
                           std::int64_t& size) override;
    bool OpenExclusive(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool FileIdentity(const std::string& path, std::uint64_t& identity) override;
    std::string CommonAppDataFolder() override;
    std::string ProgramFolder() override;

    bool EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess) override;

    OsVersion GetVersionEx() override;
    bool IsWow64Process(bool& isWow64) override;
    std::uint32_t GetTickCount() override;
    std::int64_t UtcNow() override;
    bool SystemStartTime(std::int64_t& utcSeconds) override;
    LocalTime GetLocalTime() override;

    char DecimalSeparator() override;
    std::string FormatShortDateLongTime(const LocalTime& time) override;
    std::string FormatShortDate(const LocalTime& time) override;

    bool IsUsableHiveFile(const std::string& path, std::string& problem) override;
    bool IsRecoverableHiveFile(const std::string& path, std::string& problem) override;
    bool WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem) override;
    std::string ErrorText(long status) override;

    // A refusal because a restart is already under way (ERROR_SHUTDOWN_IN_PROGRESS) counts as
    // success, here and in InitiateSystemShutdown: the machine restarts either way.
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    RestorePointOutcome SetRestorePoint(const RestorePointRequest& request) override;
    void ShellOpen(const std::string& target) override;
    bool IsInteractiveSession() override;
    bool InitiateSystemShutdown(bool force, std::uint32_t reason) override;

private:
    // Runs `read` on the file by its true name, the redirector off around it for a machine hive's
    // file; false with the reason, named as the caller named the file.
    bool ReadHiveFile(const std::string& path, std::string& problem,
                      const std::function<bool(const char* name, std::string& reason)>& read);
    // Remembers that the redirector stayed off after a call. The call's own answer stands (a
    // replacement Windows accepted is pending whatever followed), but nothing more may be handed
    // over: see FileRedirectionLost. From then on every call that names a file is refused without
    // reaching Windows (a file is not there, a save or replacement fails with the revert's
    // error), since a name may now reach the 64-bit system folder instead of the one meant.
    void RedirectorNotRestored();

    std::unique_ptr<const Win32Api> api_;
    std::atomic<bool> redirectionLost_{false};   // set on whichever thread met it
    std::atomic<long> redirectionError_{0};      // what the failed revert left as the last error
};

}  // namespace kelvara::platform::win32
