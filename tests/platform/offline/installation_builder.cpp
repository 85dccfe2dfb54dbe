#include "installation_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kelvara::platform::offline::testing {
namespace fs = std::filesystem;

namespace {

// In the Windows build the offline folder is drive C:, so a test folder on the real C: could
// not be named natively; under Wine, Z: (the Unix root) serves instead.
fs::path TemporaryBase() {
    fs::path base = fs::temp_directory_path();
#ifdef _WIN32
    std::error_code ec;
    std::string text = base.string();
    bool onDriveC = text.size() > 1 && (text[0] == 'C' || text[0] == 'c') && text[1] == ':';
    if (onDriveC && fs::is_directory("Z:\\tmp", ec)) base = "Z:\\tmp";
#endif
    return base;
}

}  // namespace

TempFolder::TempFolder() {
    fs::path base = TemporaryBase();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("kv-offline-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void CopyContents(const fs::path& from, const fs::path& to) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from))
        fs::copy(entry.path(), to / entry.path().filename(), fs::copy_options::recursive);
    // The files keep their times, as a copy of an installation does: which was written after
    // which decides whether a hive's copy may replace it.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from))
        if (entry.is_regular_file())
            fs::last_write_time(to / fs::relative(entry.path(), from), entry.last_write_time());
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

regf::KeySpec NamedKey(std::string name) {
    regf::KeySpec key;
    key.name = std::move(name);
    return key;
}

regf::KeySpec InternationalSettings(std::vector<regf::ValueSpec> values) {
    regf::KeySpec international = NamedKey("International");
    international.values = std::move(values);
    regf::KeySpec panel = NamedKey("Control Panel");
    panel.subkeys.push_back(std::move(international));
    regf::KeySpec hive = NamedKey("DEFAULT");
    hive.subkeys.push_back(std::move(panel));
    return hive;
}

regf::KeySpec SampleHive(const std::string& rootName, int keys) {
    regf::KeySpec root = NamedKey(rootName);
    root.values.push_back({"RootValue", 1, regf::Utf16z(rootName + " root")});
    for (int i = 0; i < keys; ++i) {
        regf::KeySpec key = NamedKey("Key" + std::to_string(i));
        if (i % 3 == 0) key.className = "Class" + std::to_string(i);
        key.values.push_back({"Number", 4, regf::Dword(static_cast<std::uint32_t>(i))});
        key.values.push_back({"Text", 1, regf::Utf16z("value of key " + std::to_string(i))});
        key.values.push_back({"", 3, std::vector<std::uint8_t>(static_cast<std::size_t>(i % 40), std::uint8_t(i))});
        if (i % 5 == 0) key.subkeys.push_back({"Child", "", 0, {}, {{"Deep", 11, regf::Qword(std::uint64_t(i) << 33)}}, {}});
        root.subkeys.push_back(std::move(key));
    }
    return root;
}

void WriteHive(const fs::path& file, const regf::KeySpec& root, double fragmentation, bool dirty) {
    fs::create_directories(file.parent_path());
    regf::BuildOptions options;
    options.fileName = file.filename().string();
    options.fragmentation = fragmentation;
    options.dirty = dirty;
    regf::Status built = regf::BuildFile(root, options, file.string());
    if (!built.ok()) throw std::runtime_error("cannot build " + file.string() + ": " + built.error().ToString());
}

namespace {

regf::KeySpec SoftwareHive(const InstallationSpec& layout) {
    regf::KeySpec profileList = NamedKey("ProfileList");
    for (const UserProfile& user : layout.users)
        profileList.subkeys.push_back({user.sid, "", 0, {}, {{"ProfileImagePath", 2, regf::Utf16z(user.imagePath)}}, {}});
    regf::KeySpec currentVersion = NamedKey("CurrentVersion");
    currentVersion.values = layout.currentVersion;
    currentVersion.subkeys.push_back(std::move(profileList));
    regf::KeySpec windowsNt = NamedKey("Windows NT");
    windowsNt.subkeys.push_back(std::move(currentVersion));
    regf::KeySpec microsoft = NamedKey("Microsoft");
    microsoft.subkeys.push_back(std::move(windowsNt));

    regf::KeySpec root = SampleHive("SOFTWARE-ROOT", layout.softwareKeys);
    root.subkeys.insert(root.subkeys.begin(), std::move(microsoft));
    return root;
}

}  // namespace

void MakeInstallation(const fs::path& root, const InstallationSpec& layout) {
    fs::path config = root / layout.configFolder;
    for (const std::string& name : layout.machineHives) {
        bool software = name == "SOFTWARE" || name == "software" || name == "Software";
        WriteHive(config / name, software ? SoftwareHive(layout) : SampleHive(name + "-ROOT", 20), layout.fragmentation);
    }
    for (const UserProfile& user : layout.users) {
        fs::path folder = root / user.folderOnDisk;
        fs::create_directories(folder);
        if (user.ntUser) WriteHive(folder / "NTUSER.DAT", SampleHive(user.sid, 40), layout.fragmentation);
        if (user.usrClass)
            WriteHive(folder / "AppData/Local/Microsoft/Windows/UsrClass.dat", SampleHive(user.sid + "_Classes", 40),
                      layout.fragmentation);
    }
}

namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char digits[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

void Describe(const regf::KeyView& key, const std::string& path, std::vector<std::string>& lines) {
    auto className = key.ClassName();
    lines.push_back("key " + path + " class=" + (className.ok() ? *className : "<" + className.error().message + ">"));
    auto values = key.Values();
    if (!values.ok()) {
        lines.push_back("values of " + path + " unreadable: " + values.error().message);
    } else {
        for (const regf::ValueData& value : *values)
            lines.push_back("value " + path + ":" + value.name + " type=" + std::to_string(value.type) + " " +
                            Hex(value.data));
    }
    auto subkeys = key.Subkeys();
    if (!subkeys.ok()) {
        lines.push_back("subkeys of " + path + " unreadable: " + subkeys.error().message);
        return;
    }
    for (const regf::KeyView& subkey : *subkeys) Describe(subkey, path + "\\" + subkey.Name(), lines);
}

}  // namespace

std::vector<std::string> DescribeHive(const fs::path& file) {
    auto hive = regf::HiveFile::Open(file.string());
    if (!hive.ok()) return {"unreadable: " + hive.error().ToString()};
    auto root = hive->Root();
    if (!root.ok()) return {"no root: " + root.error().ToString()};
    std::vector<std::string> lines;
    Describe(*root, root->Name(), lines);
    return lines;
}

}  // namespace kelvara::platform::offline::testing
