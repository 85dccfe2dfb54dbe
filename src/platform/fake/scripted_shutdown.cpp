// The scripted ends of a run: restarting Windows, the restore point, the session kind and the
// shell.
#include "platform/fake/scripted_system.h"

namespace kelvara::platform::fake {

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

void ScriptedSystem::SetRestorePointHook(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    restorePointHook_ = std::move(hook);
}

void ScriptedSystem::SetInteractiveSession(bool interactive)
{
    std::lock_guard lock(mutex_);
    interactive_ = interactive;
}

void ScriptedSystem::SetShutdownResult(bool accepted)
{
    std::lock_guard lock(mutex_);
    shutdownResult_ = accepted;
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

bool ScriptedSystem::IsInteractiveSession()
{
    std::lock_guard lock(mutex_);
    return interactive_;
}

bool ScriptedSystem::InitiateSystemShutdown(bool force, std::uint32_t reason)
{
    std::lock_guard lock(mutex_);
    Log("InitiateSystemShutdown force=" + std::to_string(force) + " " + std::to_string(reason));
    return shutdownResult_;
}

void ScriptedSystem::ShellOpen(const std::string& target)
{
    std::lock_guard lock(mutex_);
    Log("ShellOpen " + target);
}

}  // namespace kelvara::platform::fake
