#include "platform/fake/scripted_system.h"

#include <algorithm>
#include <cstdio>

#include "common/date_time_picture.h"
#include "platform/status_text.h"

namespace kelvara::platform::fake {
namespace {

using common::AsciiUpper;

std::string RootName(RootKey root)
{
    return root == RootKey::LocalMachine ? "HKLM" : "HKU";
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// The drive letter a device name or root path names ("C:", "c:\\"), upper-cased; 0 if none.
char DriveLetterOf(const std::string& name)
{
    if (name.size() < 2 || name[1] != ':') return 0;
    const char letter = AsciiUpper(name[0]);
    return (letter >= 'A' && letter <= 'Z') ? letter : 0;
}

bool HasDriveOrUncPrefix(const std::string& path)
{
    return DriveLetterOf(path) != 0 || (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

// As GetFullPathName does: forward slashes become backslashes, "." parts go, ".." removes the
// part before it (never the drive or share), a trailing backslash stays.
std::string NormalizeFullPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    const bool unc = path.starts_with("\\\\");
    std::size_t rootEnd = 0;   // the part ".." never removes: "C:" or "\\\\server\\share"
    if (unc) {
        const std::size_t server = path.find('\\', 2);
        const std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        rootEnd = share == std::string::npos ? path.size() : share;
    } else {
        rootEnd = 2;
    }
    const std::string root = path.substr(0, rootEnd);
    std::vector<std::string> parts;
    std::size_t at = rootEnd;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('\\', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string result = root;
    for (const std::string& part : parts) result += "\\" + part;
    if (parts.empty() || path.back() == '\\') result += '\\';
    return result;
}

}  // namespace

ScriptedSystem::ScriptedSystem() = default;

std::string ScriptedSystem::KeyName(RootKey root, const std::string& path)
{
    // Leading and trailing backslashes do not change which key a path names.
    std::size_t begin = 0;
    std::size_t end = path.size();
    while (begin < end && path[begin] == '\\') ++begin;
    while (end > begin && path[end - 1] == '\\') --end;
    return RootName(root) + "\\" + path.substr(begin, end - begin);
}

ScriptedSystem::Key& ScriptedSystem::ScriptKey(RootKey root, const std::string& path)
{
    Key& key = keys_[KeyName(root, path)];
    if (key.path.empty()) key.path = path;
    return key;
}

void ScriptedSystem::Log(std::string entry)
{
    log_.push_back(std::move(entry));
}

// ---------------------------------------------------------------- scripting

void ScriptedSystem::AddKey(RootKey root, const std::string& path)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).exists = true;
}

void ScriptedSystem::AddValue(RootKey root, const std::string& path, const std::string& name,
                              std::uint32_t type, std::vector<std::uint8_t> data)
{
    std::lock_guard lock(mutex_);
    Key& key = ScriptKey(root, path);
    key.exists = true;
    key.values.push_back(Value{name, type, std::move(data), status::Success});
}

void ScriptedSystem::AddStringValue(RootKey root, const std::string& path, const std::string& name,
                                    const std::string& text, std::uint32_t type)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    AddValue(root, path, name, type, std::move(data));
}

void ScriptedSystem::RemoveValues(RootKey root, const std::string& path)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).values.clear();
}

void ScriptedSystem::SetOpenStatus(RootKey root, const std::string& path, long openStatus)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).openStatus = openStatus;
}

void ScriptedSystem::SetGrantedAccess(RootKey root, const std::string& path, std::uint32_t granted)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).grantedAccess = granted;
}

void ScriptedSystem::SetQueryInfoStatus(RootKey root, const std::string& path, long queryStatus)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).queryInfoStatus = queryStatus;
}

void ScriptedSystem::SetReportedValueCount(RootKey root, const std::string& path, std::uint32_t count)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).reportedValueCount = count;
}

void ScriptedSystem::SetReportedMaxNameLength(RootKey root, const std::string& path,
                                              std::uint32_t length)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).reportedMaxNameLength = length;
}

void ScriptedSystem::SetEnumStatus(RootKey root, const std::string& path, long enumStatus)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).enumStatus = enumStatus;
}

void ScriptedSystem::SetValueQueryStatus(RootKey root, const std::string& path,
                                         const std::string& name, long queryStatus)
{
    std::lock_guard lock(mutex_);
    for (Value& value : ScriptKey(root, path).values) {
        if (common::AsciiEqualNoCase(value.name, name)) value.queryStatus = queryStatus;
    }
}

void ScriptedSystem::SetSaveScript(RootKey root, const std::string& path, SaveScript script)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).save = script;
}

void ScriptedSystem::SetReplaceStatus(RootKey root, const std::string& path, long replaceStatus)
{
    std::lock_guard lock(mutex_);
    ScriptKey(root, path).replaceStatus = replaceStatus;
}

void ScriptedSystem::AddDrive(char letter, std::uint32_t driveType, const std::string& deviceName)
{
    std::lock_guard lock(mutex_);
    Drive& drive = drives_[AsciiUpper(letter)];
    drive.type = driveType;
    drive.deviceName = deviceName;
    drive.listed = true;
}

void ScriptedSystem::AddUnlistedDevice(char letter, const std::string& deviceName)
{
    std::lock_guard lock(mutex_);
    Drive& drive = drives_[AsciiUpper(letter)];
    drive.type = drivetype::NoRootDir;
    drive.deviceName = deviceName;
    drive.listed = false;
}

void ScriptedSystem::SetDosDeviceFails(char letter)
{
    std::lock_guard lock(mutex_);
    drives_[AsciiUpper(letter)].dosDeviceFails = true;
}

void ScriptedSystem::OverrideLogicalDriveStrings(std::string characters, std::uint32_t returned)
{
    std::lock_guard lock(mutex_);
    driveStringsOverride_ = std::make_pair(std::move(characters), returned);
}

void ScriptedSystem::AddFile(const std::string& path, std::int64_t size)
{
    std::lock_guard lock(mutex_);
    File& file = files_[path];
    file.path = path;
    file.size = size;
}

void ScriptedSystem::SetFileLocked(const std::string& path, bool locked)
{
    std::lock_guard lock(mutex_);
    if (auto it = files_.find(path); it != files_.end()) it->second.locked = locked;
}

void ScriptedSystem::SetFileEntryUnreadable(const std::string& path, bool unreadable)
{
    std::lock_guard lock(mutex_);
    if (auto it = files_.find(path); it != files_.end()) it->second.entryUnreadable = unreadable;
}

void ScriptedSystem::SetDeleteFails(const std::string& path, bool fails)
{
    std::lock_guard lock(mutex_);
    if (auto it = files_.find(path); it != files_.end()) it->second.deleteFails = fails;
}

void ScriptedSystem::SetHiveProblem(const std::string& path, const std::string& problem)
{
    std::lock_guard lock(mutex_);
    if (auto it = files_.find(path); it != files_.end()) it->second.hiveProblem = problem;
}

void ScriptedSystem::SetHiveDirty(const std::string& path)
{
    std::lock_guard lock(mutex_);
    if (auto it = files_.find(path); it != files_.end()) it->second.dirty = true;
}

void ScriptedSystem::SetProgramFolder(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    programFolder_ = folder;
}

void ScriptedSystem::SetCurrentFolder(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    currentFolder_ = folder;
}

void ScriptedSystem::SetPrivilegeResult(const std::string& privilegeName, bool enabled)
{
    std::lock_guard lock(mutex_);
    privilegeResults_[privilegeName] = enabled;
}

void ScriptedSystem::SetVersion(const OsVersion& version)
{
    std::lock_guard lock(mutex_);
    version_ = version;
}

void ScriptedSystem::SetWow64(Wow64Function function, bool isWow64)
{
    std::lock_guard lock(mutex_);
    wow64Function_ = function;
    isWow64_ = isWow64;
}

void ScriptedSystem::SetTickCount(std::uint32_t ticks)
{
    std::lock_guard lock(mutex_);
    ticks_ = ticks;
}

void ScriptedSystem::AdvanceTicks(std::uint32_t milliseconds)
{
    std::lock_guard lock(mutex_);
    ticks_ += milliseconds;   // wraps after 49.7 days, as the real counter does
}

void ScriptedSystem::SetTickStep(std::uint32_t millisecondsPerCall)
{
    std::lock_guard lock(mutex_);
    tickStep_ = millisecondsPerCall;
}

void ScriptedSystem::SetLocalTime(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    localTime_ = time;
}

void ScriptedSystem::SetDecimalSeparator(char separator)
{
    std::lock_guard lock(mutex_);
    decimalSeparator_ = separator;
}

void ScriptedSystem::SetDateTimeFormats(const std::string& shortDate, const std::string& longTime)
{
    std::lock_guard lock(mutex_);
    shortDateFormat_ = shortDate;
    longTimeFormat_ = longTime;
}

void ScriptedSystem::SetTimeMarkers(const std::string& am, const std::string& pm)
{
    std::lock_guard lock(mutex_);
    timeMarkers_ = {am, pm};
}

void ScriptedSystem::SetExitWindowsResult(bool result)
{
    std::lock_guard lock(mutex_);
    exitWindowsResult_ = result;
}

void ScriptedSystem::SetRestorePointOutcome(RestorePointOutcome outcome)
{
    std::lock_guard lock(mutex_);
    restorePointOutcome_ = outcome;
}

void ScriptedSystem::SetSaveHook(std::function<void(const std::string&)> hook)
{
    std::lock_guard lock(mutex_);
    saveHook_ = std::move(hook);
}

void ScriptedSystem::SetRestorePointHook(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    restorePointHook_ = std::move(hook);
}

// ---------------------------------------------------------------- observations

std::vector<std::string> ScriptedSystem::CallLog() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void ScriptedSystem::ClearCallLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

bool ScriptedSystem::HasFile(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    return files_.count(path) != 0;
}

std::optional<std::int64_t> ScriptedSystem::FileSize(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it == files_.end()) return std::nullopt;
    return it->second.size;
}

std::vector<std::string> ScriptedSystem::FileNames() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, file] : files_) names.push_back(file.path);
    return names;
}

std::size_t ScriptedSystem::OpenKeyCount() const
{
    std::lock_guard lock(mutex_);
    return openKeys_.size();
}

std::vector<ReplaceCall> ScriptedSystem::ReplaceCalls() const
{
    std::lock_guard lock(mutex_);
    return replaceCalls_;
}

std::vector<RestorePointRequest> ScriptedSystem::RestorePointRequests() const
{
    std::lock_guard lock(mutex_);
    return restorePointRequests_;
}

// ---------------------------------------------------------------- registry

const ScriptedSystem::Key* ScriptedSystem::KeyOf(KeyHandle handle) const
{
    auto open = openKeys_.find(handle);
    if (open == openKeys_.end()) return nullptr;
    auto key = keys_.find(open->second.keyName);
    return key == keys_.end() ? nullptr : &key->second;
}

long ScriptedSystem::OpenLocked(RootKey root, const std::string& subKey,
                                std::optional<std::uint32_t> sam, KeyHandle& key)
{
    key = 0;
    const std::string name = KeyName(root, subKey);
    auto it = keys_.find(name);
    if (it == keys_.end()) return status::FileNotFound;
    const Key& found = it->second;
    if (found.openStatus != status::Success) return found.openStatus;
    if (!found.exists) return status::FileNotFound;
    if (sam && found.grantedAccess) {
        const std::uint32_t asked = *sam & ~access::KeyWow64_64Key;
        if ((asked & ~*found.grantedAccess) != 0) return status::AccessDenied;
    }
    key = nextHandle_;
    nextHandle_ += 4;
    openKeys_[key] = OpenKey{root, name, subKey};
    return status::Success;
}

long ScriptedSystem::RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t samDesired,
                                  KeyHandle& key)
{
    std::lock_guard lock(mutex_);
    const long result = OpenLocked(root, subKey, samDesired, key);
    Log("RegOpenKeyEx " + RootName(root) + "\\" + subKey + " " + Hex(samDesired) + " -> " +
        std::to_string(result));
    return result;
}

long ScriptedSystem::RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key)
{
    std::lock_guard lock(mutex_);
    const long result = OpenLocked(root, subKey, std::nullopt, key);
    Log("RegOpenKey " + RootName(root) + "\\" + subKey + " -> " + std::to_string(result));
    return result;
}

long ScriptedSystem::RegCloseKey(KeyHandle key)
{
    std::lock_guard lock(mutex_);
    auto it = openKeys_.find(key);
    if (it == openKeys_.end()) {
        Log("RegCloseKey <invalid handle>");
        return status::InvalidHandle;
    }
    Log("RegCloseKey " + RootName(it->second.root) + "\\" + it->second.shownPath);
    openKeys_.erase(it);
    return status::Success;
}

long ScriptedSystem::RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount,
                                     std::uint32_t& maxValueNameLength)
{
    std::lock_guard lock(mutex_);
    const Key* found = KeyOf(key);
    if (!found) return status::InvalidHandle;
    if (found->queryInfoStatus != status::Success) return found->queryInfoStatus;
    std::size_t longest = 0;
    for (const Value& value : found->values) longest = std::max(longest, value.name.size());
    valueCount = found->reportedValueCount.value_or(static_cast<std::uint32_t>(found->values.size()));
    maxValueNameLength = found->reportedMaxNameLength.value_or(static_cast<std::uint32_t>(longest));
    return status::Success;
}

long ScriptedSystem::RegEnumValueName(KeyHandle key, std::uint32_t index,
                                      std::uint32_t nameBufferChars, std::string& name)
{
    std::lock_guard lock(mutex_);
    const Key* found = KeyOf(key);
    if (!found) return status::InvalidHandle;
    if (found->enumStatus != status::Success) return found->enumStatus;
    if (index >= found->values.size()) return status::NoMoreItems;
    const std::string& actual = found->values[index].name;
    if (actual.size() + 1 > nameBufferChars) return status::MoreData;
    name = actual;
    return status::Success;
}

long ScriptedSystem::RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data)
{
    std::lock_guard lock(mutex_);
    const Key* found = KeyOf(key);
    if (!found) return status::InvalidHandle;
    for (const Value& value : found->values) {
        if (!common::AsciiEqualNoCase(value.name, valueName)) continue;
        if (value.queryStatus != status::Success) return value.queryStatus;
        type = value.type;
        data = value.data;
        return status::Success;
    }
    return status::FileNotFound;
}

long ScriptedSystem::RegSaveKey(KeyHandle key, const std::string& file)
{
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = saveHook_;
    }
    if (hook) hook(file);

    std::lock_guard lock(mutex_);
    auto open = openKeys_.find(key);
    if (open == openKeys_.end()) {
        Log("RegSaveKey <invalid handle> -> " + file);
        return status::InvalidHandle;
    }
    Log("RegSaveKey " + open->second.shownPath + " -> " + file);
    const Key* found = KeyOf(key);
    if (!found) return status::InvalidHandle;
    if (savesCancelled_) return status::OperationAborted;
    if (found->save.status != status::Success) return found->save.status;
    // The registry refuses to overwrite: the caller deletes an old copy first.
    if (files_.count(file) != 0) return status::AlreadyExists;
    File& written = files_[file];
    written.path = file;
    written.size = found->save.fileSize;
    return status::Success;
}

long ScriptedSystem::RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                                   const std::string& oldFile)
{
    std::lock_guard lock(mutex_);
    Log("RegReplaceKey " + RootName(root) + "\\" + subKey + " " + newFile + " " + oldFile);
    replaceCalls_.push_back(ReplaceCall{root, subKey, newFile, oldFile});
    auto it = keys_.find(KeyName(root, subKey));
    if (it == keys_.end() || !it->second.exists) return status::FileNotFound;
    if (it->second.replaceStatus != status::Success) return it->second.replaceStatus;
    if (files_.count(newFile) == 0) return status::FileNotFound;
    return status::Success;
}

void ScriptedSystem::CancelSaves()
{
    std::lock_guard lock(mutex_);
    Log("CancelSaves");
    savesCancelled_ = true;
}

void ScriptedSystem::ResetCancel()
{
    std::lock_guard lock(mutex_);
    Log("ResetCancel");
    savesCancelled_ = false;
}

// ---------------------------------------------------------------- drives

std::uint32_t ScriptedSystem::GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer)
{
    std::lock_guard lock(mutex_);
    if (driveStringsOverride_) {
        const auto& [characters, returned] = *driveStringsOverride_;
        buffer = characters.substr(0, bufferChars);
        return returned;
    }
    std::string all;
    for (const auto& [letter, drive] : drives_) {
        if (!drive.listed) continue;
        all += letter;
        all += ":\\";
        all += '\0';
    }
    all += '\0';
    // Too small a buffer: nothing is written and the size needed comes back.
    if (all.size() > bufferChars) return static_cast<std::uint32_t>(all.size());
    buffer = all;
    return static_cast<std::uint32_t>(all.size() - 1);
}

std::uint32_t ScriptedSystem::GetDriveType(const std::string& rootPath)
{
    std::lock_guard lock(mutex_);
    const char letter = DriveLetterOf(rootPath);
    auto it = drives_.find(letter);
    if (letter == 0 || it == drives_.end() || !it->second.listed) return drivetype::NoRootDir;
    return it->second.type;
}

bool ScriptedSystem::QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                                    std::string& target)
{
    std::lock_guard lock(mutex_);
    // Only the bare "X:" form names a DOS device; "X:\\" does not.
    if (deviceName.size() != 2) return false;
    const char letter = DriveLetterOf(deviceName);
    auto it = drives_.find(letter);
    if (letter == 0 || it == drives_.end() || it->second.dosDeviceFails) return false;
    // The answer is a list of strings: the name, its zero, and the list's closing zero.
    if (it->second.deviceName.size() + 2 > bufferChars) return false;
    target = it->second.deviceName;
    return true;
}

// ---------------------------------------------------------------- files

bool ScriptedSystem::FileExists(const std::string& path)
{
    std::lock_guard lock(mutex_);
    return files_.count(path) != 0;
}

std::string ScriptedSystem::ExpandFileName(const std::string& path)
{
    std::lock_guard lock(mutex_);
    if (path.empty()) return path;
    std::string full;
    if (HasDriveOrUncPrefix(path)) full = path;
    else if (path[0] == '\\' || path[0] == '/') full = currentFolder_.substr(0, 2) + path;
    else full = currentFolder_ + path;
    return NormalizeFullPath(full);
}

bool ScriptedSystem::FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask,
                                       std::int64_t& size)
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(fullPath);
    if (it == files_.end() || it->second.entryUnreadable) return false;
    size = it->second.size;
    return true;
}

bool ScriptedSystem::OpenExclusive(const std::string& path)
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    return it != files_.end() && !it->second.locked;
}

bool ScriptedSystem::DeleteFile(const std::string& path)
{
    std::lock_guard lock(mutex_);
    Log("DeleteFile " + path);
    auto it = files_.find(path);
    if (it == files_.end() || it->second.locked || it->second.deleteFails) return false;
    files_.erase(it);
    return true;
}

std::string ScriptedSystem::ProgramFolder()
{
    std::lock_guard lock(mutex_);
    return programFolder_;
}

// ---------------------------------------------------------------- the rest

bool ScriptedSystem::EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess)
{
    std::lock_guard lock(mutex_);
    Log("EnablePrivilege " + privilegeName + " " + Hex(tokenAccess));
    auto it = privilegeResults_.find(privilegeName);
    return it == privilegeResults_.end() ? true : it->second;
}

OsVersion ScriptedSystem::GetVersionEx()
{
    std::lock_guard lock(mutex_);
    return version_;
}

bool ScriptedSystem::IsWow64Process(bool& isWow64)
{
    std::lock_guard lock(mutex_);
    if (wow64Function_ != Wow64Function::Present) return false;
    isWow64 = isWow64_;
    return true;
}

std::uint32_t ScriptedSystem::GetTickCount()
{
    std::lock_guard lock(mutex_);
    const std::uint32_t now = ticks_;
    ticks_ += tickStep_;
    return now;
}

LocalTime ScriptedSystem::GetLocalTime()
{
    std::lock_guard lock(mutex_);
    return localTime_;
}

char ScriptedSystem::DecimalSeparator()
{
    std::lock_guard lock(mutex_);
    return decimalSeparator_;
}

std::string ScriptedSystem::FormatShortDateLongTime(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    const common::DateTimeParts parts{time.year, time.month, time.day,
                                      time.hour, time.minute, time.second};
    return common::FormatDateTimePicture(shortDateFormat_, parts, timeMarkers_) + " " +
           common::FormatDateTimePicture(longTimeFormat_, parts, timeMarkers_);
}

std::string ScriptedSystem::FormatShortDate(const LocalTime& time)
{
    std::lock_guard lock(mutex_);
    const common::DateTimeParts parts{time.year, time.month, time.day, time.hour, time.minute, time.second};
    return common::FormatDateTimePicture(shortDateFormat_, parts, timeMarkers_);
}

bool ScriptedSystem::IsUsableHiveFile(const std::string& path, std::string& problem)
{
    std::lock_guard lock(mutex_);
    Log("IsUsableHiveFile " + path);
    auto it = files_.find(path);
    if (it == files_.end()) {
        problem = path + " does not exist";
        return false;
    }
    problem = it->second.dirty ? path + " is a hive with unsaved changes" : it->second.hiveProblem;
    return problem.empty();
}

bool ScriptedSystem::IsRecoverableHiveFile(const std::string& path, std::string& problem)
{
    std::lock_guard lock(mutex_);
    Log("IsRecoverableHiveFile " + path);
    auto it = files_.find(path);
    if (it == files_.end()) {
        problem = path + " does not exist";
        return false;
    }
    problem = it->second.hiveProblem;
    return problem.empty();
}

bool ScriptedSystem::WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem)
{
    std::lock_guard lock(mutex_);
    Log("WriteRecoveredHive " + path + " " + output);
    auto it = files_.find(path);
    if (it == files_.end() || !it->second.hiveProblem.empty() || files_.count(output)) {
        problem = "cannot write " + output;
        return false;
    }
    File& file = files_[output];
    file.path = output;
    file.size = it->second.size;
    return true;
}

std::string ScriptedSystem::ErrorText(long status)
{
    return StatusText(status);
}

bool ScriptedSystem::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason)
{
    std::lock_guard lock(mutex_);
    Log("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return exitWindowsResult_;
}

RestorePointOutcome ScriptedSystem::SetRestorePoint(const RestorePointRequest& request)
{
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        Log("SetRestorePoint " + request.description);
        restorePointRequests_.push_back(request);
        hook = restorePointHook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    return restorePointOutcome_;
}

void ScriptedSystem::ShellOpen(const std::string& target)
{
    std::lock_guard lock(mutex_);
    Log("ShellOpen " + target);
}

}  // namespace kelvara::platform::fake
