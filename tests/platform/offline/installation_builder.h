// Small Windows installations in temporary folders, made with the hive builder, for the
// offline platform's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::platform::offline::testing {

// A folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct UserProfile {
    std::string sid;
    std::string imagePath;      // ProfileImagePath as stored, e.g. "%SystemDrive%\Users\alice"
    std::string folderOnDisk;   // the profile folder below the root, as created, e.g. "Users/alice"
    bool ntUser = true;         // create NTUSER.DAT
    bool usrClass = true;       // create AppData/Local/Microsoft/Windows/UsrClass.dat
};

struct InstallationSpec {
    // Folder names as created on disk; tests vary their case.
    std::string configFolder = "Windows/System32/config";
    std::vector<std::string> machineHives = {"SYSTEM", "SOFTWARE", "DEFAULT", "SECURITY", "SAM"};
    std::vector<regf::ValueSpec> currentVersion = {
        {"CurrentVersion", 1, regf::Utf16z("6.1")},
        {"CurrentBuildNumber", 1, regf::Utf16z("7601")},
    };
    std::vector<UserProfile> users;
    int softwareKeys = 30;         // keys of SOFTWARE besides Microsoft\Windows NT
    double fragmentation = 0.25;   // free space left in every hive, so a compacted copy is smaller
};

// Writes the installation under root. Each hive holds a few keys and values of its own besides
// what the platform reads (SOFTWARE's CurrentVersion and ProfileList).
void MakeInstallation(const std::filesystem::path& root, const InstallationSpec& layout);

regf::KeySpec NamedKey(std::string name);

// A DEFAULT hive holding only the default user's Control Panel\International with these values.
regf::KeySpec InternationalSettings(std::vector<regf::ValueSpec> values);

// A hive with `keys` subkeys of a few values each: content for the save and replace tests.
regf::KeySpec SampleHive(const std::string& rootName, int keys);
void WriteHive(const std::filesystem::path& file, const regf::KeySpec& root, double fragmentation = 0.25,
               bool dirty = false);

// Copies everything in `from` into the existing folder `to`, the files with their times.
void CopyContents(const std::filesystem::path& from, const std::filesystem::path& to);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

// Everything a hive holds below its root, one line per key and value, for comparing two hives.
std::vector<std::string> DescribeHive(const std::filesystem::path& file);

}  // namespace kelvara::platform::offline::testing
