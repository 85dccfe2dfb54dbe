// Scripting the fake registry: keys, values, and how each call on a key answers.
#include "platform/fake/scripted_system.h"

namespace kelvara::platform::fake {

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

void ScriptedSystem::SetSaveHook(std::function<void(const std::string&)> hook)
{
    std::lock_guard lock(mutex_);
    saveHook_ = std::move(hook);
}

void ScriptedSystem::SetSavesLiveRegistry(bool live)
{
    std::lock_guard lock(mutex_);
    savesLiveRegistry_ = live;
}

void ScriptedSystem::SetValueOutsideCodePage(RootKey root, const std::string& path, const std::string& name)
{
    std::lock_guard lock(mutex_);
    valuesOutsideCodePage_.insert(KeyName(root, path) + "\\" + name);
}

void ScriptedSystem::SetRedirectionLostAfterReplaces(std::size_t replaces)
{
    std::lock_guard lock(mutex_);
    redirectionLostAfter_ = replaces;
}

void ScriptedSystem::SetRedirectionLostAfterSaves(std::size_t saves)
{
    std::lock_guard lock(mutex_);
    redirectionLostAfterSaves_ = saves;
}

}  // namespace kelvara::platform::fake
