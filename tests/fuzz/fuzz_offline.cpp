// libFuzzer target: the offline platform over an installation folder whose SOFTWARE hive says
// what the input says: the version values (any type, any bytes) and the profile list (any
// ProfileImagePath, profile folders present or not). The whole road of the program runs over
// it: the hive list, a compacted copy of every hive, the hand-over, the restart. Whatever the
// hive says, every hive listed lies inside the folder, and after the restart every hive file is
// still there and sound, the copy in its place and the old file kept beside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "defrag/defrag_commit.h"
#include "hive/catalogue.h"
#include "hive/snapshot.h"
#include "platform/offline/offline_system.h"
#include "platform/version.h"
#include "platform/offline/installation_builder.h"

namespace {

namespace fs = std::filesystem;
using kelvara::platform::offline::testing::InstallationSpec;
using kelvara::platform::offline::testing::UserProfile;

void Require(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// Bytes as the registry would store an 8-bit text: one UTF-16 unit each, then a zero.
std::vector<std::uint8_t> Utf16Bytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (unsigned char c : text) {
        bytes.push_back(c);
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

InstallationSpec LayoutFrom(FuzzedDataProvider& in) {
    InstallationSpec layout;
    layout.softwareKeys = 2;
    layout.fragmentation = 0.1;
    static const char* const valueNames[] = {"CurrentVersion", "CurrentBuildNumber", "CurrentMajorVersionNumber",
                                             "CurrentMinorVersionNumber", "CSDVersion", "ProductName"};
    static const std::uint32_t types[] = {1, 2, 3, 4, 7, 11};
    layout.currentVersion.clear();
    const int values = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < values; ++i) {
        kelvara::regf::ValueSpec value;
        value.name = valueNames[in.ConsumeIntegralInRange(0, 5)];
        value.type = types[in.ConsumeIntegralInRange(0, 5)];
        const std::string text = in.ConsumeRandomLengthString(24);
        value.data = in.ConsumeBool() ? Utf16Bytes(text) : std::vector<std::uint8_t>(text.begin(), text.end());
        bool taken = false;
        for (const auto& earlier : layout.currentVersion) taken = taken || earlier.name == value.name;
        if (!taken) layout.currentVersion.push_back(std::move(value));
    }
    static const char* const folders[] = {"Users/alice", "Users/Bob", "Documents and Settings/carol"};
    const int users = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < users; ++i) {
        UserProfile user;
        user.sid = "S-1-5-21-1-2-3-" + std::to_string(1001 + i);
        user.imagePath = in.ConsumeRandomLengthString(64);
        user.folderOnDisk = folders[i];
        user.ntUser = in.ConsumeBool();
        user.usrClass = in.ConsumeBool();
        layout.users.push_back(std::move(user));
    }
    return layout;
}

bool Inside(const fs::path& root, const fs::path& file) {
    const fs::path relative = file.lexically_normal().lexically_relative(root.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

// "C:\Users\x\NTUSER.DAT" as a path below the root, the way the platform finds it (letter case
// aside, which the checks here do not need).
fs::path Below(const fs::path& root, const std::string& windowsPath) {
    std::string relative = windowsPath.substr(3);
    for (char& c : relative)
        if (c == '\\') c = '/';
    return root / relative;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const InstallationSpec layout = LayoutFrom(in);
    kelvara::platform::offline::testing::TempFolder folder;
    const fs::path& root = folder.Path();
    kelvara::platform::offline::testing::MakeInstallation(root, layout);

    kelvara::platform::OfflineSystem system(root.string());
    kelvara::platform::GetWindowsVersionCode(system);
    std::vector<std::string> keys, files;
    kelvara::hive::LoadHiveList(system, false, keys, files);
    Require(keys.size() == files.size(), "the hive lists differ in length");
    for (const std::string& file : files) {
        Require(file.rfind("C:\\", 0) == 0, "a hive outside drive C: " + file);
        Require(Inside(root, Below(root, file)), "a hive outside the installation: " + file);
    }

    std::vector<bool> copied;
    for (std::size_t i = 0; i < keys.size(); ++i)
        copied.push_back(kelvara::hive::SaveHiveCopy(system, keys[i], files[i] + ".kvf", false));
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (copied[i]) kelvara::defrag::ReplaceHive(system, keys[i], files[i] + ".kvf", files[i] + ".bak");
    system.ExitWindowsEx(6, 1);

    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string problem;
        Require(system.IsUsableHiveFile(files[i], problem), "a hive is lost or broken after the restart: " + problem);
        if (copied[i]) Require(system.FileExists(files[i] + ".bak"), "no backup of " + files[i]);
    }
    return 0;
}
