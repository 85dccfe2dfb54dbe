// The small routines the analysis and the defragmentation rest on: the two token privileges, the
// compacted copy of one loaded hive written by the registry's own save, a file's size from its
// directory entry, and whether a file is held open by someone else. They keep no state.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace kelvara::hive {

// The registry's save needs the backup privilege and its replace the restore privilege. The
// answers are not looked at: a process without the right carries on, and the lack shows later
// as failed saves or replacements.
void EnableBackupPrivilege(platform::System& system);
void EnableRestorePrivilege(platform::System& system);

// Writes the hive's content into target through the registry's save. On 64-bit Windows
// (use64BitView) every hive is opened in the 64-bit view, since a 32-bit program would otherwise
// see a redirected part of some of them. An existing target is deleted
// first, also when the key cannot be opened, so a failed save leaves no stale copy. True when
// the copy was written.
bool SaveHiveCopy(platform::System& system, const std::string& hivePath, const std::string& target,
                  bool use64BitView);
// The same, answering the status: the open's when the key could not be opened (FileNotFound for
// a path that names no hive), else the save's.
long SaveHiveCopyStatus(platform::System& system, const std::string& hivePath, const std::string& target,
                        bool use64BitView);

// The size in the file's directory entry: 0 when there is no such file, -1 when the entry cannot
// be read. The file is never opened, so files the system holds open (live hives, a copy being
// written) can be measured.
std::int64_t QueryFileSize(platform::System& system, const std::string& fileName);

// True when the existing file cannot be opened for reading and writing without sharing: someone
// holds it open, access is denied or it is read-only. A missing file is not locked.
bool IsFileLocked(platform::System& system, const std::string& fileName);

}  // namespace kelvara::hive
