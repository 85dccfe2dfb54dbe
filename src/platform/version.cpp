#include "platform/version.h"

#include "common/windows_version.h"

namespace kelvara::platform {

std::uint8_t GetWindowsVersionCode(System& system)
{
    const OsVersion version = system.GetVersionEx();
    return common::WindowsVersionCode(version.platformId, version.majorVersion, version.minorVersion);
}

bool IsWow64(System& system)
{
    bool isWow64 = false;
    if (!system.IsWow64Process(isWow64)) return false;
    return isWow64;
}

}  // namespace kelvara::platform
