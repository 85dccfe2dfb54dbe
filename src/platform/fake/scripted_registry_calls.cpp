// The registry calls as the scripted registry answers them, each logged.
#include "platform/fake/scripted_system.h"

#include <algorithm>

#include "platform/fake/scripted_call_text.h"

namespace kelvara::platform::fake {

using calltext::RootName;
using calltext::Hex;

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

long ScriptedSystem::RegQueryStringValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                         std::vector<std::uint8_t>& data, bool& exact)
{
    const long result = RegQueryValueEx(key, valueName, type, data);
    std::lock_guard lock(mutex_);
    const auto open = openKeys_.find(key);
    exact = open == openKeys_.end() || valuesOutsideCodePage_.count(open->second.keyName + "\\" + valueName) == 0;
    return result;
}

long ScriptedSystem::RegSaveKey(KeyHandle key, const std::string& file)
{
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = saveHook_;
        ++saveCalls_;
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
    File& written = NewFile(file);
    written.path = file;
    written.size = found->save.fileSize;
    return status::Success;
}

void ScriptedSystem::SetReplaceHook(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    replaceHook_ = std::move(hook);
}

long ScriptedSystem::RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                                   const std::string& oldFile)
{
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = replaceHook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    Log("RegReplaceKey " + RootName(root) + "\\" + subKey + " " + newFile + " " + oldFile);
    replaceCalls_.push_back(ReplaceCall{root, subKey, newFile, oldFile});
    auto it = keys_.find(KeyName(root, subKey));
    if (it == keys_.end() || !it->second.exists) return status::FileNotFound;
    if (it->second.replaceStatus != status::Success) return it->second.replaceStatus;
    if (files_.count(newFile) == 0) return status::FileNotFound;
    // As the kernel does it: both renames at once, and the running system holds both files
    // until it restarts (the old one is what it runs on).
    std::string hiveFile;
    if (auto named = hiveFiles_.find(KeyName(root, subKey)); named != hiveFiles_.end()) {
        hiveFile = named->second;
    } else {
        for (const char* added : {".kvf", ".bak.recovered", ".bak"}) {
            const std::size_t length = std::char_traits<char>::length(added);
            if (newFile.size() > length && common::AsciiEqualNoCase(newFile.substr(newFile.size() - length), added)) {
                hiveFile = newFile.substr(0, newFile.size() - length);
                break;
            }
        }
    }
    if (hiveFile.empty() || files_.count(hiveFile) == 0) return status::FileNotFound;
    if (files_.count(oldFile) != 0) return status::AlreadyExists;
    File old = files_.at(hiveFile);
    File handed = files_.at(newFile);
    files_.erase(newFile);
    old.path = oldFile;
    old.locked = true;
    handed.path = hiveFile;
    handed.locked = true;
    files_[oldFile] = old;
    files_[hiveFile] = handed;
    return status::Success;
}

void ScriptedSystem::SetHiveFile(RootKey root, const std::string& path, const std::string& file)
{
    std::lock_guard lock(mutex_);
    hiveFiles_[KeyName(root, path)] = file;
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

bool ScriptedSystem::SavesLiveRegistry()
{
    std::lock_guard lock(mutex_);
    return savesLiveRegistry_;
}

bool ScriptedSystem::FileRedirectionLost()
{
    std::lock_guard lock(mutex_);
    return (redirectionLostAfter_ && replaceCalls_.size() >= *redirectionLostAfter_) ||
           (redirectionLostAfterSaves_ && saveCalls_ >= *redirectionLostAfterSaves_);
}

}  // namespace kelvara::platform::fake
