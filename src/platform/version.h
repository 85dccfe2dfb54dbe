// Which Windows the program runs on, asked of the System.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace kelvara::platform {

// The version code of common/windows_version.h for the running system; 0 when the version
// query fails (the record stays zero-filled).
std::uint8_t GetWindowsVersionCode(System& system);

// True when this 32-bit process runs on 64-bit Windows. False when IsWow64Process is missing
// (older 32-bit Windows) or the call fails.
bool IsWow64(System& system);

}  // namespace kelvara::platform
