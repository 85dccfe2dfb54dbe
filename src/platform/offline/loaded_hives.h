// The hives a running copy of the installation would have loaded, found from its files: the
// list Windows publishes under SYSTEM\CurrentControlSet\Control\hivelist.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/offline/installation_paths.h"
#include "platform/offline/installed_windows.h"

namespace kelvara::platform::offline {

// The kernel's name of the folder's volume, as QueryDosDevice gives it for C:.
inline constexpr const char* kVolumeDevice = "\\Device\\HarddiskVolume1";

struct LoadedHive {
    std::string registryPath;     // "\REGISTRY\MACHINE\SOFTWARE", "\REGISTRY\USER\<SID>_Classes"
    std::filesystem::path file;   // native path; empty for a hive without a file (HARDWARE)
    std::string devicePath;       // "\Device\HarddiskVolume1\Windows\System32\config\SOFTWARE"; empty without a file
};

// The folder holding the machine hives (<Windows folder>\System32\config), found ignoring case.
std::filesystem::path FindConfigFolder(const InstallationPaths& paths);

// The file of a machine hive ("SOFTWARE", "SYSTEM", ...) in that folder, found ignoring case;
// the name as given when there is no such file.
std::filesystem::path MachineHiveFile(const InstallationPaths& paths, const std::string& fileName);

// In the order Windows lists them: HARDWARE (always, built in memory, no file), SYSTEM, the
// boot configuration store (BCD00000000, from Boot\BCD or EFI\Microsoft\Boot\BCD), SOFTWARE,
// .DEFAULT, SECURITY, SAM, the service accounts S-1-5-20 and S-1-5-19, then for each other
// profile of ProfileList its NTUSER.DAT (\REGISTRY\USER\<SID>) and its UsrClass.dat
// (\REGISTRY\USER\<SID>_Classes), then DRIVERS, ELAM and COMPONENTS. A hive whose file (or
// profile folder) is missing is left out.
std::vector<LoadedHive> FindLoadedHives(const InstallationPaths& paths, const InstalledWindows& installed);

}  // namespace kelvara::platform::offline
