// An old file that must leave its name before a replace call can use it (the last Defrag's backup
// <hive file>.bak, an earlier Undo's <hive file>.undone). It is not deleted before the call is
// accepted: it goes aside to "<name>.old" with its logs, and goes for good once the call is
// accepted, or comes back when the call is refused. A run killed in between leaves it where the
// next run settles it, so no backup is ever lost to a refused or cut-short hand-over.
#pragma once

#include <string>

#include "platform/system.h"

namespace kelvara::defrag {

// Frees `name` for a replace call, setting aside a file there; first settles what a killed run
// left aside (back to a free name, or gone where the name holds a later file). False with the
// reason when the name could not be freed.
bool FreeName(platform::System& system, const std::string& name, std::string& reason);

// After the call: accepted, the file set aside goes with its logs; refused, it comes back.
void SettleAside(platform::System& system, const std::string& name, bool accepted);

// Deletes `file` and the logs beside it, where they exist.
void DeleteWithLogs(platform::System& system, const std::string& file);

}  // namespace kelvara::defrag
