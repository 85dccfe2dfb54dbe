// The scripted system itself: key naming, the call log, and what a test reads back afterwards.
#include "platform/fake/scripted_system.h"

#include "platform/fake/scripted_call_text.h"

namespace kelvara::platform::fake {

using calltext::RootName;

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

}  // namespace kelvara::platform::fake
