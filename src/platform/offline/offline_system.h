// A Windows installation kept in a folder (a mounted disk, a disk image, the bundled sample),
// presented as the running Windows would present it: the folder is drive C:, a fixed disk
// named \Device\HarddiskVolume1; the registry's list of loaded hives is made from the hive
// files present; saving a hive writes a compacted copy of its file; replacing a hive is complete,
// durably, when the call returns, as nothing runs on the hives (see System::RegReplaceKey).
#pragma once

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/durable_io.h"
#include "platform/offline/hive_replacements.h"
#include "platform/offline/installation_paths.h"
#include "platform/offline/installed_windows.h"
#include "platform/offline/loaded_hives.h"
#include "platform/offline/open_keys.h"
#include "platform/offline/user_locale.h"
#include "platform/system.h"

namespace kelvara::platform {

class OfflineSystem : public System {
public:
    // Starting on a folder finishes or undoes a hive replacement that a crash left half done.
    explicit OfflineSystem(std::string rootFolder);
    // The same with a hook called before every file operation of the replacements (tests
    // interrupt there to play a crash).
    OfflineSystem(std::string rootFolder, offline::Failpoint failpoint);

    // Makes a running RegSaveKey stop within 50 ms and leave no copy, and makes later saves
    // fail at once with OperationAborted, until ResetCancel.
    void CancelSaves() override;
    void ResetCancel() override;
    bool CanCancelSaves() override;

    // ---- beyond Win32 ----
    // What became of the replacements of this run, in order: one that a crash had interrupted,
    // finished or undone when the folder was opened, then each replace call's.
    std::vector<offline::ReplacementResult> ReplacementResults() const;
    // Why the replacement journal in the folder could not be read, or empty. While it cannot,
    // no replacement is made, so nothing is done on a guess.
    std::string ReplacementJournalProblem();
    // The target of the last ShellOpen; nothing is opened offline.
    std::string LastShellTarget() const;
    const std::filesystem::path& RootFolder() const { return paths_.Root(); }
    // Why the folder is not a Windows installation the program can work on, if it is not.
    offline::InstallationProblem CheckInstallation();

    // ---- registry ----
    long RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t samDesired, KeyHandle& key) override;
    long RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key) override;
    long RegCloseKey(KeyHandle key) override;
    long RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount, std::uint32_t& maxValueNameLength) override;
    long RegEnumValueName(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferChars,
                          std::string& name) override;
    long RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    long RegSaveKey(KeyHandle key, const std::string& file) override;
    long RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                       const std::string& oldFile) override;

    // ---- drives ----
    std::uint32_t GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer) override;
    std::uint32_t GetDriveType(const std::string& rootPath) override;
    bool QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars, std::string& target) override;

    // ---- files ----
    bool FileExists(const std::string& path) override;
    std::string ExpandFileName(const std::string& path) override;
    // Reads the directory entry only. The attribute mask is not applied: every entry is
    // admitted, which is what the program's mask (all attributes) asks for anyway.
    bool FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask, std::int64_t& size) override;
    bool OpenExclusive(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    std::string ProgramFolder() override;

    // ---- token, version, process ----
    bool EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess) override;
    OsVersion GetVersionEx() override;
    bool IsWow64Process(bool& isWow64) override;
    std::uint32_t GetTickCount() override;
    LocalTime GetLocalTime() override;

    // ---- locale ----
    char DecimalSeparator() override;
    std::string FormatShortDateLongTime(const LocalTime& time) override;
    std::string FormatShortDate(const LocalTime& time) override;

    // ---- hive engine ----
    // A copy that is missing because its save failed is refused for the reason the save failed.
    bool IsUsableHiveFile(const std::string& path, std::string& problem) override;
    // The logs each dirty hive was recovered from before its copy was made.
    std::vector<std::string> SaveNotes() override;
    // The status in words; after a file operation of this thread failed with that status, also
    // which file it was and what the disk answered ("...: cannot write C:\x.kvf: No space left
    // on device").
    std::string ErrorText(long status) override;
    bool IsRecoverableHiveFile(const std::string& path, std::string& problem) override;
    bool WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem) override;
    // Nothing runs on the hives: the replace call completes the replacement, logs and all.
    bool ReplacesAtOnceWithLogs() override { return true; }
    // The inode number of the file in the folder (on ntfs-3g the NTFS file record number).
    bool FileIdentity(const std::string& path, std::uint64_t& identity) override;
    // The installation's own folder for it, found in its SOFTWARE hive, as a path in the folder.
    std::string CommonAppDataFolder() override;
    bool FileWriteTime(const std::string& path, LocalTime& time) override;

    // ---- power, restore, shell ----
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    RestorePointOutcome SetRestorePoint(const RestorePointRequest& request) override;
    void ShellOpen(const std::string& target) override;

private:
    offline::InstalledWindows Installation();
    // The date, time and number conventions the installation's default user settings name.
    offline::UserLocale Locale();
    std::vector<offline::LoadedHive> LoadedHives();
    std::optional<offline::LoadedHive> HiveWithRoot(RootKey root, const std::string& subKey);
    long OpenKey(RootKey root, const std::string& subKey, KeyHandle& key);
    const std::vector<regf::ValueData>* ValuesOf(offline::OpenKey& key);
    struct SaveOutcome {
        std::string note;      // the recovery from the logs, when the hive was dirty
        std::string failure;   // why no copy was made, when a dirty hive could not be recovered
    };
    void RememberSave(const std::string& file, SaveOutcome outcome);

    offline::InstallationPaths paths_;
    offline::OpenKeys keys_;
    offline::HiveReplacements replacements_;
    std::atomic<bool> cancel_{false};

    mutable std::mutex mutex_;   // guards what follows
    // SOFTWARE (tens of megabytes on a real system) is read again only when its size or time
    // changes, or after a replace call; a rewrite keeping both, within the file
    // system's time resolution, goes unseen.
    std::filesystem::path cachedSoftware_;
    std::filesystem::file_time_type cachedSoftwareTime_{};
    std::uintmax_t cachedSoftwareSize_ = 0;
    std::optional<offline::InstalledWindows> cachedInstallation_;
    std::vector<offline::ReplacementResult> replacementResults_;
    // By the copy's name as the caller gave it, upper-cased: what its last save had to tell.
    std::map<std::string, SaveOutcome> saves_;
    std::vector<std::string> savedInOrder_;   // the keys of saves_, first save first
    std::string lastShellTarget_;
};

}  // namespace kelvara::platform
