// Turning the kernel's device form of a file path (\Device\HarddiskVolume2\Windows\...), as the
// hivelist key publishes it, into a path with a drive letter that the file functions accept.
#pragma once

#include <string>

#include "platform/system.h"

namespace kelvara::platform {

// Through the list of logical drives, fixed disks only: the first drive whose device name
// occurs anywhere in devicePath (ASCII case ignored) gives "<letter>:<rest after the device
// name>", the letter as the system gives it. Empty when no fixed drive matches.
std::string DevicePathToDrivePath(System& system, const std::string& devicePath);

// By asking the device name of every letter a to z: the device part of devicePath
// (\Device\HarddiskVolumeN, or \Device\HarddiskN\PartitionM) must equal a letter's whole device
// name. Gives "<lower-case letter>:<rest>"; empty when no letter matches.
std::string DevicePathToLetterPath(System& system, const std::string& devicePath);

// The path with its first "system32" (ASCII case ignored) replaced by "sysnative" when a file of
// that name exists: a 32-bit process on 64-bit Windows reaches the real system folder only
// under that name. Otherwise the path unchanged.
std::string ToSysnativePath(System& system, const std::string& path);

}  // namespace kelvara::platform
