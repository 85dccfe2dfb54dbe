#include "platform/offline/installed_windows.h"

#include <charconv>
#include <system_error>

#ifndef _WIN32
#include <sys/statvfs.h>
#endif

#include "common/ascii_text.h"
#include "platform/offline/hive_as_loaded.h"
#include "platform/offline/loaded_hives.h"
#include "platform/system.h"
#include "regf/regf.h"
#include "regf/native_path.h"

namespace kelvara::platform::offline {

namespace {

constexpr const char* kCurrentVersionKey = "Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kProfileListKey = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr const char* kShellFoldersKey = "Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::optional<regf::ValueData> ValueOf(const regf::KeyView& key, const std::string& name) {
    auto value = key.Value(name);
    if (!value.ok() || !value.value()) return std::nullopt;
    return *value.value();
}

std::optional<std::uint32_t> DwordValue(const regf::KeyView& key, const std::string& name) {
    auto value = ValueOf(key, name);
    if (!value || value->type != regtype::Dword || value->data.size() < 4) return std::nullopt;
    const auto& d = value->data;
    return std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 | std::uint32_t(d[2]) << 16 | std::uint32_t(d[3]) << 24;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    std::uint32_t number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end == text.data()) return std::nullopt;
    return number;
}

// Windows 10 and later keep "6.3" in CurrentVersion for old programs and the true numbers in
// two dwords; older versions have only the string.
std::optional<InstalledVersion> ReadVersion(const regf::KeyView& currentVersion) {
    InstalledVersion version;
    auto major = DwordValue(currentVersion, "CurrentMajorVersionNumber");
    auto minor = DwordValue(currentVersion, "CurrentMinorVersionNumber");
    if (major && minor) {
        version.major = *major;
        version.minor = *minor;
    } else {
        auto text = StringValue(currentVersion, "CurrentVersion");
        if (!text) return std::nullopt;
        std::size_t dot = text->find('.');
        auto parsedMajor = ParseNumber(std::string_view(*text).substr(0, dot));
        if (!parsedMajor) return std::nullopt;
        version.major = *parsedMajor;
        if (dot != std::string::npos) version.minor = ParseNumber(std::string_view(*text).substr(dot + 1)).value_or(0);
    }
    auto build = StringValue(currentVersion, "CurrentBuildNumber");
    if (!build) build = StringValue(currentVersion, "CurrentBuild");
    if (build) version.build = ParseNumber(*build).value_or(0);
    return version;
}

std::vector<Profile> ReadProfiles(const regf::KeyView& profileList) {
    std::vector<Profile> profiles;
    auto subkeys = profileList.Subkeys();
    if (!subkeys.ok()) return profiles;
    for (const regf::KeyView& key : subkeys.value()) {
        // A folder's name, so in the program's narrow text for the file calls (on Windows the ANSI
        // code page).
        auto imagePath = StringValue(key, "ProfileImagePath");
        if (imagePath && !imagePath->empty()) profiles.push_back({key.Name(), regf::NarrowText(*imagePath)});
    }
    return profiles;
}

// ntfs-3g mounts the disk of a Windows left hibernated or in fast start read-only, and says so
// only to whoever mounted it: without this the user would learn no more than that the analysis
// failed.
bool OnReadOnlyDisk(const std::filesystem::path& folder) {
#ifdef _WIN32
    return false;
#else
    struct statvfs disk {};
    return ::statvfs(folder.c_str(), &disk) == 0 && (disk.f_flag & ST_RDONLY) != 0;
#endif
}

}  // namespace

InstalledWindows ReadInstalledWindows(const std::filesystem::path& softwareHive) {
    InstalledWindows installed;
    auto hive = OpenHiveAsLoaded(softwareHive);
    if (!hive.ok()) return installed;

    auto currentVersion = hive->FindKey(kCurrentVersionKey);
    if (currentVersion.ok() && currentVersion.value()) {
        installed.version = ReadVersion(*currentVersion.value());
        if (auto root = StringValue(*currentVersion.value(), "SystemRoot"); root && !root->empty())
            installed.systemRoot = regf::NarrowText(*root);
    }
    auto profileList = hive->FindKey(kProfileListKey);
    if (profileList.ok() && profileList.value()) installed.profiles = ReadProfiles(*profileList.value());

    // Explorer writes the folder's full path here on every version, in the installation's own
    // language (XP's "All Users\Application Data" is translated with it).
    auto shellFolders = hive->FindKey(kShellFoldersKey);
    if (shellFolders.ok() && shellFolders.value())
        if (auto folder = StringValue(*shellFolders.value(), "Common AppData"); folder && folder->size() > 3)
            installed.commonAppData = *folder;
    if (installed.commonAppData.empty() && profileList.ok() && profileList.value())
        if (auto folder = StringValue(*profileList.value(), "ProgramData"))
            installed.commonAppData = ExpandProfilePath(*folder, installed.systemRoot).value_or("");
    if (installed.commonAppData.empty() && installed.version)
        installed.commonAppData = installed.version->major >= 6 ? "C:\\ProgramData"
                                                                : "C:\\Documents and Settings\\All Users\\Application Data";
    return installed;
}

InstallationProblem FindInstallationProblem(const InstallationPaths& paths, const InstalledWindows& installed) {
    namespace fs = std::filesystem;
    using Kind = InstallationProblem::Kind;
    const std::string folder = paths.Root().string();
    std::error_code ec;
    const fs::file_status status = fs::status(paths.Root(), ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return {Kind::NoFolder, "The Windows installation folder " + folder + " cannot be reached: " + ec.message()};
    if (!fs::exists(status)) return {Kind::NoFolder, "The Windows installation folder " + folder + " does not exist"};
    if (fs::is_regular_file(status))
        return {Kind::NoFolder, "The Windows installation folder " + folder + " is a file, not a folder"};
    if (!fs::is_directory(status))
        return {Kind::NoFolder, "The Windows installation folder " + folder + " is not a folder"};

    if (installed.version && OnReadOnlyDisk(paths.Root()))
        return {Kind::ReadOnly, "The Windows installation folder " + folder +
                                    " is on a disk mounted read-only, so no hive can be compacted or put back there "
                                    "(ntfs-3g mounts the disk of a Windows left hibernated or in fast start so)"};
    if (installed.version) return {};
    const fs::path software = MachineHiveFile(paths, "SOFTWARE");
    const std::string lead = "The folder " + folder + " holds no Windows installation: ";
    if (!fs::exists(fs::symlink_status(software, ec)))
        return {Kind::NoWindows, lead + "the registry hive " + software.string() + " is missing"};
    if (!paths.LeadsInside(software))
        return {Kind::NoWindows, lead + "the registry hive " + software.string() +
                                     " is a link that leads out of the folder"};
    auto hive = OpenHiveAsLoaded(software);
    if (!hive.ok())
        return {Kind::NoWindows, lead + "the registry hive " + software.string() + " cannot be read (" +
                                     hive.error().message + ")"};
    return {Kind::NoWindows, lead + "the registry hive " + software.string() + " has no Windows version under " +
                                 kCurrentVersionKey};
}

std::optional<std::string> ExpandProfilePath(const std::string& imagePath, const std::string& systemRoot) {
    std::string expanded;
    std::size_t i = 0;
    while (i < imagePath.size()) {
        std::size_t open = imagePath.find('%', i);
        if (open == std::string::npos) break;
        std::size_t close = imagePath.find('%', open + 1);
        if (close == std::string::npos) break;
        expanded += imagePath.substr(i, open - i);
        std::string_view name = std::string_view(imagePath).substr(open + 1, close - open - 1);
        if (common::AsciiEqualNoCase(name, "SystemRoot") || common::AsciiEqualNoCase(name, "windir"))
            expanded += systemRoot;
        else if (common::AsciiEqualNoCase(name, "SystemDrive"))
            expanded += systemRoot.size() >= 2 && systemRoot[1] == ':' ? systemRoot.substr(0, 2) : "C:";
        else
            return std::nullopt;
        i = close + 1;
    }
    expanded += imagePath.substr(i);
    return expanded;
}

}  // namespace kelvara::platform::offline
