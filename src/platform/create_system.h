// Chooses the System the program runs on: the Windows installation in the folder named by
// KELVARA_OFFLINE_ROOT when that is set, otherwise the real Win32 API in the Windows build and
// the sample installation made at build time in the Linux build; a Linux release, which has no
// sample, asks for the folder.
#pragma once

#include <memory>

#include "platform/system.h"

namespace kelvara::platform {

inline constexpr const char* kOfflineRootVariable = "KELVARA_OFFLINE_ROOT";

std::unique_ptr<System> CreateSystem();

}  // namespace kelvara::platform
