// The version record GetVersionEx gives this program on the installation.
#pragma once

#include <optional>

#include "platform/offline/installed_windows.h"
#include "platform/system.h"

namespace kelvara::platform::offline {

// Windows 8.1 and later tell a program whose manifest names no supported system that they are
// Windows 8 (6.2, build 9200); the program's manifest names none, so it sees the same.
// No version (no readable SOFTWARE hive) gives zeros, like a failed query.
OsVersion ReportedVersion(const std::optional<InstalledVersion>& installed);

}  // namespace kelvara::platform::offline
