#include "platform/offline/offline_system.h"

#include <cerrno>
#include <fstream>
#include <system_error>

#include "common/ascii_text.h"
#include "common/file_faults.h"
#include "platform/offline/clock.h"
#include "platform/offline/user_locale.h"
#include "platform/offline/hive_as_loaded.h"
#include "platform/offline/reported_version.h"
#include "platform/status_text.h"
#include "platform/usable_hive.h"
#include "regf/native_path.h"

#ifdef _WIN32
#include <cstdlib>
#endif

namespace kelvara::platform {
namespace fs = std::filesystem;
using namespace offline;

namespace {

constexpr const char* kHiveListKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";
constexpr const char* kMachinePrefix = "\\REGISTRY\\MACHINE\\";
constexpr const char* kUserPrefix = "\\REGISTRY\\USER\\";

// "C:\Users\Alex\NTUSER.DAT was dirty: recovered from NTUSER.DAT.LOG1 (2 log entries, 9 pages)
// as Windows does when it loads it, before the copy was made"
std::string RecoveryNote(const std::string& hiveName, const regf::Recovery& recovery) {
    std::string logs;
    for (const auto& name : recovery.logsUsed) logs += (logs.empty() ? "" : " and ") + regf::NarrowPath(regf::NativePath(name).filename());
    auto count = [](std::size_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); };
    return hiveName + " was dirty: recovered from " + logs + " (" + count(recovery.entriesApplied, "log entry", "log entries") +
           ", " + count(recovery.pagesApplied, "page", "pages") + ") as Windows does when it loads it, before the copy was made";
}

// GetLogicalDriveStrings writes each root with its zero, then one more zero.
const std::string kDriveStrings("C:\\\0\0", 5);

// The hive list's values, as RegQueryValueExA returns them: REG_SZ with a terminating zero.
std::vector<regf::ValueData> HiveListValues(const std::vector<LoadedHive>& hives) {
    std::vector<regf::ValueData> values;
    for (const LoadedHive& hive : hives) {
        std::vector<std::uint8_t> data(hive.devicePath.begin(), hive.devicePath.end());
        data.push_back(0);
        values.push_back({hive.registryPath, regtype::Sz, std::move(data)});
    }
    return values;
}

bool IsDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// A link, dangling or not, is something a new file must not be written through.
bool IsLink(const fs::path& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec));
}

// A Win32 status says what kind of failure it was, not which file or what the disk answered.
// The last failed file operation of each thread keeps that here, for ErrorText, which callers
// ask right after the call that failed (as GetLastError is asked on Windows).
struct FileFailure {
    long status = status::Success;
    std::string detail;
};
thread_local FileFailure lastFileFailure;

void ForgetFileFailure() { lastFileFailure = {}; }

long FileFailed(long status, std::string detail) {
    lastFileFailure = {status, std::move(detail)};
    return status;
}

// The status Windows gives for what the disk answered.
// Why the hive may not take `copy`'s content: its file or one of its logs was written after the
// copy was made. Empty when neither was, or when the times cannot be read (the replacement's
// own checks then speak).
std::string ChangedAfterCopy(const fs::path& hive, const fs::path& copy) {
    std::error_code error;
    const auto copied = fs::last_write_time(copy, error);
    if (error) return {};
    std::vector<fs::path> files{hive};
    for (const std::string& log : regf::FindLogFiles(regf::NarrowPath(hive))) files.push_back(regf::NativePath(log));
    for (const fs::path& file : files) {
        const auto written = fs::last_write_time(file, error);
        if (!error && written > copied)
            return file.filename().string() + " was written after its copy " + copy.filename().string() +
                   " was made; analyse again";
    }
    return {};
}

long StatusOfErrno(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? status::AccessDenied : status::CantWrite;
}

}  // namespace

OfflineSystem::OfflineSystem(std::string rootFolder) : OfflineSystem(std::move(rootFolder), nullptr) {}

OfflineSystem::OfflineSystem(std::string rootFolder, Failpoint failpoint)
    : paths_(regf::NativePath(rootFolder)), replacements_(paths_, std::move(failpoint)) {
    replacementResults_ = replacements_.FinishInterrupted();
}

void OfflineSystem::CancelSaves() { cancel_ = true; }
void OfflineSystem::ResetCancel() { cancel_ = false; }
bool OfflineSystem::CanCancelSaves() { return true; }

std::vector<ReplacementResult> OfflineSystem::ReplacementResults() const {
    std::lock_guard lock(mutex_);
    return replacementResults_;
}

std::string OfflineSystem::ReplacementJournalProblem() {
    std::string error;
    return LoadJournal(paths_, error) ? std::string() : error;
}

std::string OfflineSystem::LastShellTarget() const {
    std::lock_guard lock(mutex_);
    return lastShellTarget_;
}

// ---- the installation ----

InstalledWindows OfflineSystem::Installation() {
    fs::path software = MachineHiveFile(paths_, "SOFTWARE");
    std::error_code timeError, sizeError;
    auto time = fs::last_write_time(software, timeError);
    auto size = fs::file_size(software, sizeError);

    std::lock_guard lock(mutex_);
    bool unchanged = cachedInstallation_ && software == cachedSoftware_ && !timeError && !sizeError &&
                     time == cachedSoftwareTime_ && size == cachedSoftwareSize_;
    if (!unchanged) {
        // A SOFTWARE that a link takes out of the folder is read as no SOFTWARE at all, and so
        // is one that is no regular file (a pipe would never answer the read).
        cachedInstallation_ = paths_.LeadsInside(software) && IsRegularFile(software) ? ReadInstalledWindows(software)
                                                                                      : InstalledWindows{};
        cachedSoftware_ = software;
        cachedSoftwareTime_ = timeError ? fs::file_time_type{} : time;
        cachedSoftwareSize_ = sizeError ? 0 : size;
    }
    return *cachedInstallation_;
}

InstallationProblem OfflineSystem::CheckInstallation() { return FindInstallationProblem(paths_, Installation()); }

std::vector<LoadedHive> OfflineSystem::LoadedHives() { return FindLoadedHives(paths_, Installation()); }

// The loaded hive whose root is root\subKey: HKLM\SOFTWARE, HKU\.DEFAULT, HKU\<SID>_Classes...
std::optional<LoadedHive> OfflineSystem::HiveWithRoot(RootKey root, const std::string& subKey) {
    if (subKey.empty()) return std::nullopt;
    std::string registryPath = (root == RootKey::LocalMachine ? kMachinePrefix : kUserPrefix) + subKey;
    auto find = [&](std::vector<LoadedHive> hives) -> std::optional<LoadedHive> {
        for (LoadedHive& hive : hives)
            if (!hive.file.empty() && common::AsciiEqualNoCase(hive.registryPath, registryPath)) return std::move(hive);
        return std::nullopt;
    };
    // The machine hives and .DEFAULT are found without reading SOFTWARE, which only the
    // profiles need: a save of SYSTEM should not wait for a large SOFTWARE to be parsed.
    if (auto hive = find(FindLoadedHives(paths_, InstalledWindows{}))) return hive;
    if (root != RootKey::Users) return std::nullopt;
    return find(LoadedHives());
}

// ---- registry ----

long OfflineSystem::OpenKey(RootKey root, const std::string& subKey, KeyHandle& key) {
    key = 0;
    auto open = std::make_shared<offline::OpenKey>();
    if (root == RootKey::LocalMachine && common::AsciiEqualNoCase(subKey, kHiveListKey)) {
        open->kind = offline::OpenKey::Kind::HiveList;
        open->values = HiveListValues(LoadedHives());
        open->valuesRead = true;
    } else if (auto hive = HiveWithRoot(root, subKey)) {
        open->kind = offline::OpenKey::Kind::HiveRoot;
        open->hive = std::move(*hive);
    } else {
        return status::FileNotFound;
    }
    key = keys_.Add(std::move(open));
    return status::Success;
}

long OfflineSystem::RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t, KeyHandle& key) {
    return OpenKey(root, subKey, key);
}

long OfflineSystem::RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key) {
    return OpenKey(root, subKey, key);
}

long OfflineSystem::RegCloseKey(KeyHandle key) {
    return keys_.Remove(key) ? status::Success : status::InvalidHandle;
}

// A hive root's values are read from its file the first time they are asked for.
const std::vector<regf::ValueData>* OfflineSystem::ValuesOf(offline::OpenKey& key) {
    std::lock_guard lock(key.valuesMutex);
    if (!key.valuesRead) {
        // Listed as a regular file, but it may have been swapped for a pipe since.
        if (!IsRegularFile(key.hive.file)) return nullptr;
        auto hive = offline::OpenHiveAsLoaded(key.hive.file);
        if (!hive.ok()) return nullptr;
        auto root = hive->Root();
        if (!root.ok()) return nullptr;
        auto values = root->Values();
        if (!values.ok()) return nullptr;
        for (regf::ValueData& value : values.value())
            key.values.push_back({value.name, value.type, AnsiValueData(value.type, value.data)});
        key.valuesRead = true;
    }
    return &key.values;
}

long OfflineSystem::RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount, std::uint32_t& maxValueNameLength) {
    auto open = keys_.Find(key);
    if (!open) return status::InvalidHandle;
    const auto* values = ValuesOf(*open);
    if (!values) return status::BadDatabase;
    valueCount = static_cast<std::uint32_t>(values->size());
    maxValueNameLength = 0;
    for (const auto& value : *values)
        maxValueNameLength = std::max<std::uint32_t>(maxValueNameLength, static_cast<std::uint32_t>(value.name.size()));
    return status::Success;
}

long OfflineSystem::RegEnumValueName(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferChars,
                                     std::string& name) {
    auto open = keys_.Find(key);
    if (!open) return status::InvalidHandle;
    const auto* values = ValuesOf(*open);
    if (!values) return status::BadDatabase;
    if (index >= values->size()) return status::NoMoreItems;
    const std::string& found = (*values)[index].name;
    // The buffer holds the name and its terminating zero.
    if (found.size() + 1 > nameBufferChars) {
        name.clear();
        return status::MoreData;
    }
    name = found;
    return status::Success;
}

long OfflineSystem::RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) {
    auto open = keys_.Find(key);
    if (!open) return status::InvalidHandle;
    const auto* values = ValuesOf(*open);
    if (!values) return status::BadDatabase;
    for (const auto& value : *values) {
        if (common::AsciiEqualNoCase(value.name, valueName)) {
            type = value.type;
            data = value.data;
            return status::Success;
        }
    }
    return status::FileNotFound;
}

long OfflineSystem::RegSaveKey(KeyHandle key, const std::string& file) {
    // The program deletes an old copy before saving a new one; when that failed, why it failed
    // is the reason the save cannot go on.
    const FileFailure earlier = lastFileFailure;
    ForgetFileFailure();
    auto open = keys_.Find(key);
    if (!open) return status::InvalidHandle;
    // The hive list lives in memory only; what can be saved here is a whole hive.
    if (open->kind != offline::OpenKey::Kind::HiveRoot) return status::AccessDenied;

    auto target = paths_.ToNative(file);
    if (!target || !IsDirectory(target->parent_path().empty() ? fs::path(".") : target->parent_path()))
        return FileFailed(status::PathNotFound, "the folder of " + file + " does not exist");
    // Like the registry's own save, never overwrite a file; and never write through a link.
    if (Exists(*target) || IsLink(*target)) {
        std::string detail = file + " already exists";
        if (earlier.detail.find(file) != std::string::npos) detail += " (" + earlier.detail + ")";
        return FileFailed(status::AlreadyExists, detail);
    }
    if (!paths_.WithoutLinks(*target))
        return FileFailed(status::AccessDenied, file + " is reached through a symbolic link");
    if (cancel_) return status::OperationAborted;
    // Only a regular file is copied: a folder, a device or a pipe named as a hive file would
    // fail late, hang on its first read, or read as something else each time.
    const auto onDriveC = paths_.PathOnDriveC(open->hive.file);
    const std::string hiveName = onDriveC ? "C:\\" + *onDriveC : regf::NarrowPath(open->hive.file);
    std::error_code typeError;
    const fs::file_status type = fs::status(open->hive.file, typeError);
    if (!fs::exists(type)) return FileFailed(status::FileNotFound, hiveName + " does not exist");
    if (!fs::is_regular_file(type))
        return FileFailed(status::BadDatabase, hiveName + " is not a regular file");
    if (common::InjectedFileFault("copy", target->string()) != 0) {
        const int error = errno;
        return FileFailed(StatusOfErrno(error), "cannot write " + file + ": " + ErrnoText(error));
    }

    regf::CompactOptions options;
    regf::Recovery recovery;
    options.cancel = &cancel_;
    // A hive whose last write did not reach its file (power lost, a fast-start hibernation, a
    // copy taken while Windows ran) is saved as Windows would load it: recovered from its logs.
    options.recoverFromLogs = true;
    options.recovery = &recovery;
    auto compacted = regf::Compact(regf::NarrowPath(open->hive.file), regf::NarrowPath(*target), options);
    if (compacted.ok()) {
        RememberSave(file, {recovery.wasDirty ? RecoveryNote(hiveName, recovery) : std::string(), {}});
        return status::Success;
    }

    // The target did not exist before, so whatever is there now is a partial copy.
    std::error_code ec;
    fs::remove(*target, ec);
    if (cancel_) return status::OperationAborted;
    auto hive = regf::HiveFile::Open(regf::NarrowPath(open->hive.file));
    if (hive.ok() && hive->IsDirty()) {
        // Windows would not load it either; the hive file itself is left as it is.
        const std::string why = hiveName + " is dirty, and no log recovers it: " + compacted.error().message +
                                ", so it was left as it is";
        RememberSave(file, {{}, why});
        return FileFailed(status::BadDatabase, why);
    }
    if (!hive.ok()) return FileFailed(status::BadDatabase, compacted.error().message);
    // The engine's message names the file: the copy it could not write, or the hive that
    // changed while it was read. (Its writes run on a thread of their own, so errno here says
    // nothing about them.)
    return FileFailed(status::CantWrite, compacted.error().message);
}

long OfflineSystem::RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                                  const std::string& oldFile) {
    ForgetFileFailure();
    if (subKey.empty()) return status::InvalidParameter;
    auto hive = HiveWithRoot(root, subKey);
    if (!hive) {
        // Its file may have gone since the analysis found it.
        const std::string key = (root == RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_USERS\\") + subKey;
        return FileFailed(status::FileNotFound, "the hive of " + key + " has no file in the installation");
    }
    auto replacement = paths_.ToNative(newFile);
    auto backup = paths_.ToNative(oldFile);
    if (!replacement) return status::FileNotFound;
    if (!backup) return status::PathNotFound;
    // Nothing here writes the installation's registry while it is mounted, but another program
    // on this computer may: a copy older than its hive or its logs would undo what was written.
    // The hive's own backup is older on purpose: putting it back is the way back.
    const bool ownBackup = common::AsciiEqualNoCase(replacement->lexically_normal().string(),
                                                    hive->file.lexically_normal().string() + ".bak");
    if (std::string changed = ChangedAfterCopy(hive->file, *replacement); !ownBackup && !changed.empty())
        return FileFailed(status::BadDatabase, changed);
    ReplacementResult result;
    const long status = replacements_.Replace(hive->file, *replacement, *backup, result);
    {
        std::lock_guard lock(mutex_);
        cachedInstallation_.reset();   // SOFTWARE may be another file now
        replacementResults_.push_back(result);
    }
    if (status != status::Success && !result.reason.empty()) return FileFailed(status, result.reason);
    return status;
}

// ---- drives ----

std::uint32_t OfflineSystem::GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer) {
    const auto needed = static_cast<std::uint32_t>(kDriveStrings.size());
    if (bufferChars < needed) {
        buffer.clear();
        return needed;
    }
    buffer = kDriveStrings;
    return needed - 1;   // the final zero is not counted
}

std::uint32_t OfflineSystem::GetDriveType(const std::string& rootPath) {
    bool driveC = rootPath.size() == 3 && InstallationPaths::DriveLetterOf(rootPath) == 'C' &&
                  (rootPath[2] == '\\' || rootPath[2] == '/');
    return driveC ? drivetype::Fixed : drivetype::NoRootDir;
}

bool OfflineSystem::QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars, std::string& target) {
    if (!common::AsciiEqualNoCase(deviceName, "C:")) return false;
    std::string device = kVolumeDevice;
    // The answer is a list: the name, its zero and the list's closing zero.
    if (bufferChars < device.size() + 2) return false;
    target = device;
    return true;
}

// ---- files ----

bool OfflineSystem::FileIdentity(const std::string& path, std::uint64_t& identity) {
    auto native = paths_.ToNative(path);
    return native && regf::FileRecordNumber(*native, identity);
}

std::string OfflineSystem::CommonAppDataFolder() {
    const std::string folder = Installation().commonAppData;
    // Only the installation's own drive is in the folder; another drive named there is not ours
    // to write, on this machine or any.
    if (InstallationPaths::DriveLetterOf(folder) != 'C') return {};
    auto native = paths_.ToNative(folder);
    return native ? native->string() : std::string();
}

bool OfflineSystem::FileExists(const std::string& path) {
    auto native = paths_.ToNative(path);
    return native && Exists(*native) && !IsDirectory(*native);
}

std::string OfflineSystem::ExpandFileName(const std::string& path) { return paths_.ExpandFileName(path); }

bool OfflineSystem::FindFirstFileSize(const std::string& fullPath, std::uint32_t, std::int64_t& size) {
    auto native = paths_.ToNative(fullPath);
    if (!native) return false;
    std::error_code ec;
    auto status = fs::status(*native, ec);
    if (ec || !fs::exists(status)) return false;
    if (fs::is_directory(status)) {
        size = 0;
        return true;
    }
    auto bytes = fs::file_size(*native, ec);
    if (ec) return false;
    size = static_cast<std::int64_t>(bytes);
    return true;
}

bool OfflineSystem::OpenExclusive(const std::string& path) {
    auto native = paths_.ToNative(path);
    if (!native || IsDirectory(*native)) return false;
    std::fstream file(*native, std::ios::in | std::ios::out | std::ios::binary);
    return file.is_open();
}

bool OfflineSystem::DeleteFile(const std::string& path) {
    ForgetFileFailure();
    auto native = paths_.ToNative(path);
    if (!native || IsDirectory(*native)) return false;
    std::error_code ec;
    if (common::InjectedFileFault("remove", native->string()) != 0) ec.assign(errno, std::generic_category());
    else if (fs::remove(*native, ec)) return true;
    if (ec) FileFailed(StatusOfErrno(ec.value()), "cannot delete " + path + ": " + ec.message());
    return false;
}

bool OfflineSystem::MoveFile(const std::string& from, const std::string& to) {
    ForgetFileFailure();
    auto source = paths_.ToNative(from);
    auto target = paths_.ToNative(to);
    if (!source || !target || !IsRegularFile(*source)) return false;
    std::string error;
    if (replacements_.MoveWithLogs(*source, *target, error)) return true;
    FileFailed(status::AccessDenied, "cannot move " + from + " to " + to + ": " + error);
    return false;
}

std::string OfflineSystem::ProgramFolder() {
#ifdef _WIN32
    // The C runtime keeps the executable's full path; no need for the Win32 headers here.
    if (!_pgmptr || !*_pgmptr) return {};
    return regf::NarrowPath(regf::NativePath(_pgmptr).parent_path()) + "\\";
#else
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return program.parent_path().string() + "/";
#endif
}

// ---- token, version, process ----

bool OfflineSystem::EnablePrivilege(const std::string&, std::uint32_t) { return true; }

OsVersion OfflineSystem::GetVersionEx() { return ReportedVersion(Installation().version); }

bool OfflineSystem::IsWow64Process(bool& isWow64) {
    isWow64 = false;
    return true;
}

std::uint32_t OfflineSystem::GetTickCount() { return MonotonicMilliseconds(); }

LocalTime OfflineSystem::GetLocalTime() { return CurrentLocalTime(); }

// ---- locale ----

// Read anew each time: asked for seldom (a date on the screen, a /Scan result), and the DEFAULT
// hive may have been replaced since.
offline::UserLocale OfflineSystem::Locale() {
    const fs::path file = MachineHiveFile(paths_, "DEFAULT");
    if (!paths_.LeadsInside(file) || !IsRegularFile(file)) return {};
    return offline::ReadUserLocale(file);
}

char OfflineSystem::DecimalSeparator() { return Locale().decimalSeparator; }

std::string OfflineSystem::FormatShortDateLongTime(const LocalTime& time) {
    return offline::FormatShortDateLongTime(Locale(), time);
}

std::string OfflineSystem::FormatShortDate(const LocalTime& time) { return offline::FormatShortDate(Locale(), time); }

// ---- hive engine ----

bool OfflineSystem::IsUsableHiveFile(const std::string& path, std::string& problem) {
    auto native = paths_.ToNative(path);
    if (!native) {
        problem = path + " lies outside the installation";
        return false;
    }
    platform::HiveWrittenBy writer = platform::HiveWrittenBy::Windows;
    {
        std::lock_guard lock(mutex_);
        const auto save = saves_.find(common::AsciiUpperCase(path));
        const bool saved = save != saves_.end() && save->second.failure.empty();
        if (!Exists(*native)) {
            problem = save != saves_.end() && !save->second.failure.empty() ? save->second.failure : path + " does not exist";
            return false;
        }
        // A copy this platform saved is our compactor's: held to the strict check.
        if (saved) writer = platform::HiveWrittenBy::OurCompactor;
    }
    if (!offline::IsUsableHive(*native, problem, writer)) {
        // Name the file as the caller knows it, not by where the folder is mounted.
        const std::string nativeName = native->string();
        if (problem.rfind(nativeName, 0) == 0) problem = path + problem.substr(nativeName.size());
        return false;
    }
    return true;
}

bool OfflineSystem::IsRecoverableHiveFile(const std::string& path, std::string& problem) {
    auto native = paths_.ToNative(path);
    if (!native || !paths_.LeadsInside(*native) || !IsRegularFile(*native)) {
        problem = path + (native && Exists(*native) ? " is not a regular file in the installation" : " does not exist");
        return false;
    }
    if (offline::IsUsableHive(*native, problem)) return true;   // reads the logs only when dirty
    const std::string nativeName = native->string();
    if (problem.rfind(nativeName, 0) == 0) problem = path + problem.substr(nativeName.size());
    return false;
}

bool OfflineSystem::WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem) {
    auto native = paths_.ToNative(path);
    auto target = paths_.ToNative(output);
    if (!native || !target || !paths_.WithoutLinks(*target) || Exists(*target) || IsLink(*target)) {
        problem = "cannot write " + output;
        return false;
    }
    return System::WriteRecoveredHive(native->string(), target->string(), problem);
}

bool OfflineSystem::FileWriteTime(const std::string& path, LocalTime& time) {
    auto native = paths_.ToNative(path);
    return native && System::FileWriteTime(native->string(), time);
}

std::vector<std::string> OfflineSystem::SaveNotes() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> notes;
    for (const std::string& file : savedInOrder_)
        if (const std::string& note = saves_[file].note; !note.empty()) notes.push_back(note);
    return notes;
}

void OfflineSystem::RememberSave(const std::string& file, SaveOutcome outcome) {
    std::lock_guard lock(mutex_);
    const std::string key = common::AsciiUpperCase(file);
    if (saves_.count(key) == 0) savedInOrder_.push_back(key);
    saves_[key] = std::move(outcome);
}

std::string OfflineSystem::ErrorText(long status) {
    if (status != status::Success && status == lastFileFailure.status && !lastFileFailure.detail.empty())
        return StatusText(status) + ": " + lastFileFailure.detail;
    return StatusText(status);
}

// ---- power, restore, shell ----

// Each replace call completed its replacement already: a restart has nothing left to do.
bool OfflineSystem::ExitWindowsEx(std::uint32_t, std::uint32_t) { return true; }

RestorePointOutcome OfflineSystem::SetRestorePoint(const RestorePointRequest&) {
    // System Restore is a service of the running Windows; there is none offline.
    return RestorePointOutcome::Failed;
}

void OfflineSystem::ShellOpen(const std::string& target) {
    std::lock_guard lock(mutex_);
    lastShellTarget_ = target;
}

}  // namespace kelvara::platform
