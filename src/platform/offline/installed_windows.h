// What the installation's SOFTWARE hive says about itself: its version and its user profiles.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/installation_paths.h"

namespace kelvara::platform::offline {

struct InstalledVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

// One entry of Microsoft\Windows NT\CurrentVersion\ProfileList.
struct Profile {
    std::string sid;
    std::string imagePath;   // ProfileImagePath as stored, environment variables not expanded
};

struct InstalledWindows {
    std::optional<InstalledVersion> version;   // none when the hive or the key cannot be read
    std::string systemRoot = "C:\\Windows";    // CurrentVersion\SystemRoot when it is there
    std::vector<Profile> profiles;             // in the order the hive stores them
    // The common application-data folder (CSIDL_COMMON_APPDATA) as a C:\ path: what Explorer's
    // Shell Folders key names, else the ProgramData of the profile list (Vista on), else the
    // place each Windows version puts it; empty when the version is unknown too.
    std::string commonAppData;
};

// Reads the SOFTWARE hive at `softwareHive`. A missing or damaged hive gives an empty record:
// the platform then shows no version and no user hives rather than failing.
InstalledWindows ReadInstalledWindows(const std::filesystem::path& softwareHive);

// What keeps a folder from being a Windows installation the program can work on.
struct InstallationProblem {
    enum class Kind : std::uint8_t {
        None,        // the folder holds a Windows installation with a readable version
        NoFolder,    // the folder does not exist, cannot be reached, or is a file
        NoWindows,   // a folder, but without a SOFTWARE hive that says which Windows it holds
        ReadOnly,    // a Windows installation on a disk mounted read-only: it can be read, not changed
    };
    Kind kind = Kind::None;
    std::string text;   // names the folder and what is missing; empty for None
};

// Looks at the folder and at what its SOFTWARE hive gave (`installed`, read by the caller), so
// that a user who named the wrong folder is told which and why, rather than only that this
// Windows is not supported.
InstallationProblem FindInstallationProblem(const InstallationPaths& paths, const InstalledWindows& installed);

// A profile folder as Windows would expand it: %SystemRoot%, %windir% and %SystemDrive%
// replaced (names compared ignoring case). Nullopt when another variable is used, since this
// platform has no environment of the installation to take it from.
std::optional<std::string> ExpandProfilePath(const std::string& imagePath, const std::string& systemRoot);

}  // namespace kelvara::platform::offline
