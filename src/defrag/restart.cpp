#include "defrag/restart.h"

namespace kelvara::defrag {

void EnableShutdownPrivilege(platform::System& system) {
    system.EnablePrivilege("SeShutdownPrivilege", platform::access::TokenAdjustPrivilegesQuery);
}

void RestartComputer(platform::System& system, bool force) {
    std::uint32_t flags = platform::exitflags::Reboot;
    if (force) flags |= platform::exitflags::Force;
    EnableShutdownPrivilege(system);
    system.ExitWindowsEx(flags, kRestartReason);
}

}  // namespace kelvara::defrag
