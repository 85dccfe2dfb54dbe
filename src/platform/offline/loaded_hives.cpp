#include "platform/offline/loaded_hives.h"

#include <optional>
#include <system_error>

#include "common/ascii_text.h"

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

struct MachineHive {
    const char* registryPath;
    const char* fileName;
};

// The order in which Windows loads them and lists them.
constexpr MachineHive kMachineHives[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "SOFTWARE"},
    {"\\REGISTRY\\USER\\.DEFAULT", "DEFAULT"},
    {"\\REGISTRY\\MACHINE\\SECURITY", "SECURITY"},
    {"\\REGISTRY\\MACHINE\\SAM", "SAM"},
};

// Where a profile keeps its classes hive: Vista and later, then XP.
constexpr const char* kUsrClassPlaces[] = {
    "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
    "Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat",
};

// HKU\S-1-5-18 is the local system account; Windows maps it onto .DEFAULT and does not list
// the NTUSER.DAT of its profile folder as a hive of its own.
constexpr const char* kLocalSystemSid = "S-1-5-18";

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::optional<LoadedHive> HiveAt(const InstallationPaths& paths, std::string registryPath, const fs::path& file) {
    if (!IsFile(file)) return std::nullopt;
    auto onDriveC = paths.PathOnDriveC(file);
    if (!onDriveC) return std::nullopt;
    return LoadedHive{std::move(registryPath), file, std::string(kVolumeDevice) + "\\" + *onDriveC};
}

void AddProfileHives(const InstallationPaths& paths, const InstalledWindows& installed, const Profile& profile,
                     std::vector<LoadedHive>& hives) {
    if (common::AsciiEqualNoCase(profile.sid, kLocalSystemSid)) return;
    auto folder = ExpandProfilePath(profile.imagePath, installed.systemRoot);
    if (!folder || InstallationPaths::DriveLetterOf(*folder) != 'C') return;
    std::string below = folder->substr(2);

    if (auto hive = HiveAt(paths, "\\REGISTRY\\USER\\" + profile.sid, paths.Resolve(below + "\\NTUSER.DAT")))
        hives.push_back(std::move(*hive));
    for (const char* place : kUsrClassPlaces) {
        auto hive = HiveAt(paths, "\\REGISTRY\\USER\\" + profile.sid + "_Classes", paths.Resolve(below + "\\" + place));
        if (hive) {
            hives.push_back(std::move(*hive));
            break;
        }
    }
}

}  // namespace

fs::path FindConfigFolder(const InstallationPaths& paths) {
    for (const char* windowsFolder : {"Windows", "WINNT"}) {
        fs::path config = paths.Resolve(std::string(windowsFolder) + "\\System32\\config");
        std::error_code ec;
        if (fs::is_directory(config, ec)) return config;
    }
    return paths.Resolve("Windows\\System32\\config");
}

fs::path MachineHiveFile(const InstallationPaths& paths, const std::string& fileName) {
    auto config = paths.PathOnDriveC(FindConfigFolder(paths)).value_or("Windows\\System32\\config");
    return paths.Resolve(config + "\\" + fileName);
}

std::vector<LoadedHive> FindLoadedHives(const InstallationPaths& paths, const InstalledWindows& installed) {
    // HARDWARE is built in memory at every start; Windows lists it with empty data.
    std::vector<LoadedHive> hives{{"\\REGISTRY\\MACHINE\\HARDWARE", {}, {}}};

    for (const MachineHive& machine : kMachineHives) {
        auto hive = HiveAt(paths, machine.registryPath, MachineHiveFile(paths, machine.fileName));
        if (hive) hives.push_back(std::move(*hive));
    }
    for (const Profile& profile : installed.profiles) AddProfileHives(paths, installed, profile, hives);
    return hives;
}

}  // namespace kelvara::platform::offline
