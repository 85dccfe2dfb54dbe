// An in-memory, deterministic System for tests. A test scripts the registry, the drives, a
// file table, the answers of the token, version, power, restore and shell calls, the clock and
// the locale, runs the code under test, and then looks at the file table and at the call log.
//
// Script the system before handing it to code that may run on another thread: every call is
// serialised by one mutex, so the scan worker and the UI thread may both use it, and the
// scripting methods take the same mutex.
//
// Conventions of the scripted world:
// - Registry keys are named by root and path ("SYSTEM\\CurrentControlSet\\Control\\hivelist"),
//   compared without ASCII case. Values keep the order in which they were added; that is
//   their enumeration order.
// - Drives are named by letter. A drive is listed by GetLogicalDriveStrings unless it was added
//   as unlisted (a volume that answers QueryDosDevice but has no root directory entry).
// - Files are named by their full Windows path, compared without ASCII case. A file has a size,
//   may be locked (held open without sharing by someone else), and may have a directory entry
//   that cannot be read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ascii_text.h"
#include "common/date_time_picture.h"
#include "platform/system.h"

namespace kelvara::platform::fake {

enum class Wow64Function : std::uint8_t {
    Absent,    // kernel32 has no IsWow64Process (32-bit Windows before XP SP2)
    Failing,   // the call answers FALSE
    Present,   // the call answers TRUE and gives the scripted answer
};

// What RegSaveKey does for one key.
struct SaveScript {
    long status = status::Success;
    std::int64_t fileSize = 262144;   // the size of the file written on success
};

// One RegReplaceKey call as it was made.
struct ReplaceCall {
    RootKey root = RootKey::LocalMachine;
    std::string subKey;
    std::string newFile;
    std::string oldFile;
};

class ScriptedSystem : public System {
public:
    ScriptedSystem();

    // ---- scripting the registry ----
    void AddKey(RootKey root, const std::string& path);
    // Adds a value (and the key, if needed) after the key's other values.
    void AddValue(RootKey root, const std::string& path, const std::string& name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    // A string value stored as the registry stores it: the text and one terminating zero.
    void AddStringValue(RootKey root, const std::string& path, const std::string& name,
                        const std::string& text, std::uint32_t type = regtype::Sz);
    void RemoveValues(RootKey root, const std::string& path);
    // Opens of this key fail with the status (it need not exist otherwise).
    void SetOpenStatus(RootKey root, const std::string& path, long openStatus);
    // Opens through RegOpenKeyEx asking for more than these rights fail with AccessDenied.
    // RegOpenKey (default access) is not checked.
    void SetGrantedAccess(RootKey root, const std::string& path, std::uint32_t granted);
    void SetQueryInfoStatus(RootKey root, const std::string& path, long queryStatus);
    // RegQueryInfoKey reports this many values instead of the real count.
    void SetReportedValueCount(RootKey root, const std::string& path, std::uint32_t count);
    // RegQueryInfoKey reports this longest name length instead of the real one.
    void SetReportedMaxNameLength(RootKey root, const std::string& path, std::uint32_t length);
    // Every RegEnumValue on this key answers the status.
    void SetEnumStatus(RootKey root, const std::string& path, long enumStatus);
    // RegQueryValueEx of this value answers the status.
    void SetValueQueryStatus(RootKey root, const std::string& path, const std::string& name,
                             long queryStatus);
    void SetSaveScript(RootKey root, const std::string& path, SaveScript script);
    void SetReplaceStatus(RootKey root, const std::string& path, long replaceStatus);

    // ---- scripting drives ----
    void AddDrive(char letter, std::uint32_t driveType, const std::string& deviceName);
    // A letter that answers QueryDosDevice but is missing from the logical drive list.
    void AddUnlistedDevice(char letter, const std::string& deviceName);
    void SetDosDeviceFails(char letter);
    // Replaces what GetLogicalDriveStrings reports: the characters it writes (zeros included)
    // and its return value; used to script answers a real system cannot be made to give.
    void OverrideLogicalDriveStrings(std::string characters, std::uint32_t returned);

    // ---- scripting files ----
    void AddFile(const std::string& path, std::int64_t size);
    void SetFileLocked(const std::string& path, bool locked = true);
    void SetFileEntryUnreadable(const std::string& path, bool unreadable = true);
    void SetDeleteFails(const std::string& path, bool fails = true);
    // IsUsableHiveFile of this file answers false with the problem (an existing file is a
    // usable hive unless scripted so).
    void SetHiveProblem(const std::string& path, const std::string& problem);
    // The file is a hive with unsaved changes that the logs beside it recover: IsUsableHiveFile
    // refuses it; IsRecoverableHiveFile and WriteRecoveredHive take it.
    void SetHiveDirty(const std::string& path);
    void SetProgramFolder(const std::string& folder);
    // The folder that relative names are expanded against (with trailing backslash).
    void SetCurrentFolder(const std::string& folder);

    // ---- scripting the rest ----
    void SetPrivilegeResult(const std::string& privilegeName, bool enabled);
    void SetVersion(const OsVersion& version);
    void SetWow64(Wow64Function function, bool isWow64);
    void SetTickCount(std::uint32_t ticks);
    void AdvanceTicks(std::uint32_t milliseconds);
    // Each GetTickCount call advances the clock by this much after answering.
    void SetTickStep(std::uint32_t millisecondsPerCall);
    void SetLocalTime(const LocalTime& time);
    void SetDecimalSeparator(char separator);
    // Windows date and time pictures ("M/d/yyyy", "dd.MM.yyyy", "h:mm:ss tt", "HH:mm:ss").
    void SetDateTimeFormats(const std::string& shortDate, const std::string& longTime);
    // The texts "tt" gives before and after noon, as the user's locale spells them (bytes in
    // its code page: Korean and Chinese locales put them first in the long time).
    void SetTimeMarkers(const std::string& am, const std::string& pm);
    void SetExitWindowsResult(bool result);
    void SetRestorePointOutcome(RestorePointOutcome outcome);
    // Called (outside the lock) before RegSaveKey answers; a test may block here to hold
    // a scan in the middle of a save.
    void SetSaveHook(std::function<void(const std::string& file)> hook);
    // Called (outside the lock) at each RegReplaceKey, before it acts.
    void SetReplaceHook(std::function<void()> hook);
    // Called (outside the lock) before SetRestorePoint answers.
    void SetRestorePointHook(std::function<void()> hook);
    // The registry is a running system's, which may change after a copy is saved.
    void SetSavesLiveRegistry(bool live);
    // RegQueryStringValue of this value answers it as a text the ANSI code page cannot spell.
    void SetValueOutsideCodePage(RootKey root, const std::string& path, const std::string& name);
    // FileRedirectionLost answers true once this many RegReplaceKey, or RegSaveKey, calls were made.
    void SetRedirectionLostAfterReplaces(std::size_t replaces);
    void SetRedirectionLostAfterSaves(std::size_t saves);
    // The process runs outside the user's session, and what InitiateSystemShutdown answers.
    void SetInteractiveSession(bool interactive);
    void SetShutdownResult(bool accepted);
    // The clock in UTC seconds, and when the scripted Windows last started (no start time:
    // nothing runs on the hives, as for an installation in a folder).
    void SetUtcNow(std::int64_t utcSeconds);
    void SetSystemStartTime(std::optional<std::int64_t> utcSeconds);
    void SetCommonAppDataFolder(const std::string& folder);
    // The file whose hive the key is: what RegReplaceKey renames to the backup name. Unscripted,
    // it is the new file's name without the ".kvf", ".bak" or ".bak.recovered" the program adds.
    void SetHiveFile(RootKey root, const std::string& path, const std::string& file);
    // Windows starts again: nothing is held any more, and the start time is now.
    void Restart();

    // ---- what happened ----
    std::vector<std::string> CallLog() const;
    void ClearCallLog();
    bool HasFile(const std::string& path) const;
    std::optional<std::int64_t> FileSize(const std::string& path) const;
    // The identity FileIdentity gives: each file added or written gets a new one, and a rename
    // keeps it. Nullopt for no such file.
    std::optional<std::uint64_t> IdentityOf(const std::string& path) const;
    bool IsLocked(const std::string& path) const;
    std::vector<std::string> FileNames() const;   // as added, in path order
    std::size_t OpenKeyCount() const;             // keys opened and not yet closed
    std::vector<ReplaceCall> ReplaceCalls() const;
    std::vector<RestorePointRequest> RestorePointRequests() const;

    // ---- System ----
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
    long RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                       const std::string& oldFile) override;
    // A save blocked in the save hook when CancelSaves comes, and every save after it until
    // ResetCancel, answers OperationAborted and writes nothing.
    void CancelSaves() override;
    void ResetCancel() override;

    std::uint32_t GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer) override;
    std::uint32_t GetDriveType(const std::string& rootPath) override;
    bool QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                        std::string& target) override;

    bool FileExists(const std::string& path) override;
    std::string ExpandFileName(const std::string& path) override;
    bool FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask,
                           std::int64_t& size) override;
    bool OpenExclusive(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    // Renames the file and the logs beside it (".LOG", ".LOG1", ".LOG2"); false when `from` is
    // missing or `to` taken.
    bool MoveFile(const std::string& from, const std::string& to) override;
    std::string ProgramFolder() override;

    bool EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess) override;

    OsVersion GetVersionEx() override;
    bool IsWow64Process(bool& isWow64) override;
    std::uint32_t GetTickCount() override;
    LocalTime GetLocalTime() override;

    char DecimalSeparator() override;
    std::string FormatShortDateLongTime(const LocalTime& time) override;
    std::string FormatShortDate(const LocalTime& time) override;

    bool IsUsableHiveFile(const std::string& path, std::string& problem) override;
    bool IsRecoverableHiveFile(const std::string& path, std::string& problem) override;
    // Adds `output` with the size of `path`.
    bool WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem) override;
    // No file has a time here: callers fall back as for an unreadable entry.
    bool FileWriteTime(const std::string&, LocalTime&) override { return false; }
    std::string ErrorText(long status) override;

    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    bool FileIdentity(const std::string& path, std::uint64_t& identity) override;
    std::string CommonAppDataFolder() override;
    std::int64_t UtcNow() override;
    bool SystemStartTime(std::int64_t& utcSeconds) override;
    RestorePointOutcome SetRestorePoint(const RestorePointRequest& request) override;
    void ShellOpen(const std::string& target) override;
    long RegQueryStringValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                             std::vector<std::uint8_t>& data, bool& exact) override;
    bool SavesLiveRegistry() override;
    bool FileRedirectionLost() override;
    bool IsInteractiveSession() override;
    bool InitiateSystemShutdown(bool force, std::uint32_t reason) override;

private:
    struct Value {
        std::string name;
        std::uint32_t type = regtype::None;
        std::vector<std::uint8_t> data;
        long queryStatus = status::Success;
    };
    struct Key {
        std::string path;   // as first added, for the log
        std::vector<Value> values;
        bool exists = false;
        long openStatus = status::Success;
        std::optional<std::uint32_t> grantedAccess;
        long queryInfoStatus = status::Success;
        std::optional<std::uint32_t> reportedValueCount;
        std::optional<std::uint32_t> reportedMaxNameLength;
        long enumStatus = status::Success;
        SaveScript save;
        long replaceStatus = status::Success;
    };
    struct Drive {
        std::uint32_t type = drivetype::NoRootDir;
        std::string deviceName;
        bool listed = true;
        bool dosDeviceFails = false;
    };
    struct File {
        std::string path;   // as added
        std::int64_t size = 0;
        bool locked = false;
        bool entryUnreadable = false;
        bool deleteFails = false;
        std::string hiveProblem;   // "" for a usable hive
        bool dirty = false;
        std::uint64_t identity = 0;
    };
    struct OpenKey {
        RootKey root;
        std::string keyName;   // the key map's name: root prefix and path
        std::string shownPath; // the sub-key as the caller passed it
    };

    static std::string KeyName(RootKey root, const std::string& path);
    Key& ScriptKey(RootKey root, const std::string& path);
    long OpenLocked(RootKey root, const std::string& subKey, std::optional<std::uint32_t> sam,
                    KeyHandle& key);
    const Key* KeyOf(KeyHandle handle) const;
    void Log(std::string entry);
    File& NewFile(const std::string& path);

    mutable std::mutex mutex_;
    std::map<std::string, Key, common::AsciiLessNoCase> keys_;
    std::map<KeyHandle, OpenKey> openKeys_;
    KeyHandle nextHandle_ = 0x1000;
    std::map<char, Drive> drives_;   // by upper-case letter
    std::optional<std::pair<std::string, std::uint32_t>> driveStringsOverride_;
    std::map<std::string, File, common::AsciiLessNoCase> files_;
    std::string programFolder_ = "C:\\Program Files\\Varnel Kelvara\\";
    std::string currentFolder_ = "C:\\";
    std::map<std::string, bool, common::AsciiLessNoCase> privilegeResults_;
    OsVersion version_{6, 1, 7601, 2};
    Wow64Function wow64Function_ = Wow64Function::Present;
    bool isWow64_ = false;
    std::uint32_t ticks_ = 100000;
    std::uint32_t tickStep_ = 0;
    LocalTime localTime_{2024, 3, 5, 14, 7, 9, 0};
    char decimalSeparator_ = '.';
    std::string shortDateFormat_ = "M/d/yyyy";
    std::string longTimeFormat_ = "h:mm:ss tt";
    common::TimeMarkers timeMarkers_;
    bool exitWindowsResult_ = true;
    bool savesLiveRegistry_ = false;
    std::set<std::string, common::AsciiLessNoCase> valuesOutsideCodePage_;   // key name, "\\", value name
    std::optional<std::size_t> redirectionLostAfter_;
    std::optional<std::size_t> redirectionLostAfterSaves_;
    std::size_t saveCalls_ = 0;
    bool interactive_ = true;
    bool shutdownResult_ = true;
    bool savesCancelled_ = false;
    RestorePointOutcome restorePointOutcome_ = RestorePointOutcome::Created;
    std::function<void(const std::string&)> saveHook_;
    std::function<void()> restorePointHook_;
    std::function<void()> replaceHook_;
    std::vector<std::string> log_;
    std::vector<ReplaceCall> replaceCalls_;
    std::uint64_t nextIdentity_ = 1000;
    std::int64_t utcNow_ = 1709647629;                            // 2024-03-05 14:07:09
    std::optional<std::int64_t> systemStartTime_ = 1709640000;   // two hours before
    std::string commonAppDataFolder_;
    std::map<std::string, std::string, common::AsciiLessNoCase> hiveFiles_;   // key name -> file
    std::vector<RestorePointRequest> restorePointRequests_;
};

}  // namespace kelvara::platform::fake
