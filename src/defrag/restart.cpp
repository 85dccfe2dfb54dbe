#include "defrag/restart.h"

namespace kelvara::defrag {

void EnableShutdownPrivilege(platform::System& system) {
    system.EnablePrivilege("SeShutdownPrivilege", platform::access::TokenAdjustPrivilegesQuery);
}

bool RestartComputer(platform::System& system, bool force) {
    EnableShutdownPrivilege(system);
    if (!system.IsInteractiveSession()) return system.InitiateSystemShutdown(force, kRestartReason);
    std::uint32_t flags = platform::exitflags::Reboot;
    if (force) flags |= platform::exitflags::Force;
    return system.ExitWindowsEx(flags, kRestartReason);
}

}  // namespace kelvara::defrag
