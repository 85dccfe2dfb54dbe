// The scripted file table: scripting files and folders, the file calls, and the hive checks
// that read files.
#include "platform/fake/scripted_system.h"

#include <algorithm>

#include "platform/fake/scripted_call_text.h"

namespace kelvara::platform::fake {

using calltext::DriveLetterOf;

namespace {

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

ScriptedSystem::File& ScriptedSystem::NewFile(const std::string& path)
{
    File& file = files_[path];
    file = File{};
    file.path = path;
    file.identity = ++nextIdentity_;
    return file;
}

void ScriptedSystem::AddFile(const std::string& path, std::int64_t size)
{
    std::lock_guard lock(mutex_);
    NewFile(path).size = size;
}

bool ScriptedSystem::MoveFile(const std::string& from, const std::string& to)
{
    std::lock_guard lock(mutex_);
    Log("MoveFile " + from + " " + to);
    if (files_.count(from) == 0 || files_.count(to) != 0 || files_.at(from).locked) return false;
    for (const char* suffix : {"", ".LOG", ".LOG1", ".LOG2"}) {
        auto it = files_.find(from + suffix);
        if (it == files_.end()) continue;
        File moved = it->second;
        moved.path = to + suffix;
        files_.erase(it);
        files_[to + suffix] = moved;
    }
    return true;
}

std::optional<std::uint64_t> ScriptedSystem::IdentityOf(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    if (it == files_.end()) return std::nullopt;
    return it->second.identity;
}

bool ScriptedSystem::IsLocked(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    return it != files_.end() && it->second.locked;
}

bool ScriptedSystem::FileIdentity(const std::string& path, std::uint64_t& identity)
{
    std::lock_guard lock(mutex_);
    Log("FileIdentity " + path);
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    identity = it->second.identity;
    return true;
}

void ScriptedSystem::SetCommonAppDataFolder(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    commonAppDataFolder_ = folder;
}

std::string ScriptedSystem::CommonAppDataFolder()
{
    std::lock_guard lock(mutex_);
    return commonAppDataFolder_;
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
    const std::int64_t size = it->second.size;
    NewFile(output).size = size;
    return true;
}

}  // namespace kelvara::platform::fake
