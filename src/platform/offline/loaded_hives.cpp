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

// The order in which Windows loads them and lists them: SYSTEM comes with the boot loader, the
// boot configuration store next, then the rest of the machine's hives.
constexpr MachineHive kSystemHive = {"\\REGISTRY\\MACHINE\\SYSTEM", "SYSTEM"};
constexpr MachineHive kMachineHives[] = {
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "SOFTWARE"},
    {"\\REGISTRY\\USER\\.DEFAULT", "DEFAULT"},
    {"\\REGISTRY\\MACHINE\\SECURITY", "SECURITY"},
    {"\\REGISTRY\\MACHINE\\SAM", "SAM"},
};

// Hives of newer systems, loaded once the accounts' hives are: the driver store (Windows 8
// and later), the early-launch anti-malware hive and the component store (Vista and later),
// each only where its file is.
constexpr MachineHive kLaterMachineHives[] = {
    {"\\REGISTRY\\MACHINE\\DRIVERS", "DRIVERS"},
    {"\\REGISTRY\\MACHINE\\ELAM", "ELAM"},
    {"\\REGISTRY\\MACHINE\\COMPONENTS", "COMPONENTS"},
};

// The boot configuration store lives in the boot folder of the partition the machine starts
// from: "Boot" on a BIOS machine, the EFI system folder on a UEFI one. An installation copied
// into the folder has it only when that partition was the system's own.
constexpr const char* kBcdRegistryPath = "\\REGISTRY\\MACHINE\\BCD00000000";
constexpr const char* kBcdPlaces[] = {"Boot\\BCD", "EFI\\Microsoft\\Boot\\BCD"};

// The service accounts' own hives, listed before the users' (NetworkService first); their
// folders are those ProfileList gives, or where Windows puts them by default.
struct ServiceAccount {
    const char* sid;
    const char* folderBelowSystemRoot;
};
constexpr ServiceAccount kServiceAccounts[] = {
    {"S-1-5-20", "ServiceProfiles\\NetworkService"},
    {"S-1-5-19", "ServiceProfiles\\LocalService"},
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
    // A hive reached through a link that leads out of the folder is not this installation's.
    if (!IsFile(file) || !paths.LeadsInside(file)) return std::nullopt;
    auto onDriveC = paths.PathOnDriveC(file);
    if (!onDriveC) return std::nullopt;
    return LoadedHive{std::move(registryPath), file, std::string(kVolumeDevice) + "\\" + *onDriveC};
}

bool IsServiceAccount(const std::string& sid) {
    for (const auto& account : kServiceAccounts)
        if (common::AsciiEqualNoCase(sid, account.sid)) return true;
    return false;
}

// The part after "C:" of a profile's folder; nullopt when it is not on C: or cannot be expanded.
std::optional<std::string> ProfileFolderOnC(const std::string& imagePath, const InstalledWindows& installed) {
    auto folder = ExpandProfilePath(imagePath, installed.systemRoot);
    if (!folder || InstallationPaths::DriveLetterOf(*folder) != 'C') return std::nullopt;
    return folder->substr(2);
}

void AddServiceAccountHives(const InstallationPaths& paths, const InstalledWindows& installed,
                            std::vector<LoadedHive>& hives) {
    for (const auto& account : kServiceAccounts) {
        std::optional<std::string> below;
        for (const Profile& profile : installed.profiles)
            if (common::AsciiEqualNoCase(profile.sid, account.sid)) below = ProfileFolderOnC(profile.imagePath, installed);
        if (!below) below = ProfileFolderOnC("%SystemRoot%\\" + std::string(account.folderBelowSystemRoot), installed);
        if (!below) continue;
        if (auto hive = HiveAt(paths, std::string("\\REGISTRY\\USER\\") + account.sid, paths.Resolve(*below + "\\NTUSER.DAT")))
            hives.push_back(std::move(*hive));
    }
}

void AddProfileHives(const InstallationPaths& paths, const InstalledWindows& installed, const Profile& profile,
                     std::vector<LoadedHive>& hives) {
    if (common::AsciiEqualNoCase(profile.sid, kLocalSystemSid) || IsServiceAccount(profile.sid)) return;
    auto folderOnC = ProfileFolderOnC(profile.imagePath, installed);
    if (!folderOnC) return;
    const std::string& below = *folderOnC;

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
    auto addMachineHive = [&](const MachineHive& machine) {
        if (auto hive = HiveAt(paths, machine.registryPath, MachineHiveFile(paths, machine.fileName)))
            hives.push_back(std::move(*hive));
    };

    addMachineHive(kSystemHive);
    for (const char* place : kBcdPlaces) {
        if (auto hive = HiveAt(paths, kBcdRegistryPath, paths.Resolve(place))) {
            hives.push_back(std::move(*hive));
            break;
        }
    }
    for (const MachineHive& machine : kMachineHives) addMachineHive(machine);
    AddServiceAccountHives(paths, installed, hives);
    for (const Profile& profile : installed.profiles) AddProfileHives(paths, installed, profile, hives);
    for (const MachineHive& machine : kLaterMachineHives) addMachineHive(machine);
    return hives;
}

}  // namespace kelvara::platform::offline
