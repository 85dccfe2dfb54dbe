// The bundled sample installation keeps the promises that the program, the offline platform
// and the benchmarks rely on: where the hives are, that they are sound and fragmented as
// long-used hives are, the version and profiles Windows 10 would have, big values, varied
// security, and the same bytes on every run of the maker.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "regf/regf.h"
#include "regf/crosscheck/external_tool.h"

namespace fs = std::filesystem;
using namespace kelvara;

namespace {

std::string Sample() { return std::string(KV_BINARY_DIR) + "/sample"; }

std::vector<char> Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const kHivePaths[] = {
    "Windows/System32/config/SYSTEM",
    "Windows/System32/config/SOFTWARE",
    "Windows/System32/config/SAM",
    "Windows/System32/config/SECURITY",
    "Windows/System32/config/DEFAULT",
    "Users/Alex/NTUSER.DAT",
    "Users/Alex/AppData/Local/Microsoft/Windows/UsrClass.dat",
};

// The one hive whose last writes lie only in its logs, as Windows leaves a user's hive when the
// power goes.
constexpr const char* kDirtyHive = "Users/Alex/NTUSER.DAT";

class SampleHive : public testing::TestWithParam<const char*> {};

TEST_P(SampleHive, IsSoundAndFragmentedLikeAUsedHive) {
    const std::string path = Sample() + "/" + GetParam();
    const regf::CheckReport report = regf::CheckFileWithLogs(path);
    ASSERT_TRUE(report.sound) << report.Text();
    EXPECT_FALSE(report.dirty);
    EXPECT_TRUE(report.untidiness.empty()) << report.Text();
    EXPECT_GE(report.stats.FragmentationPercent(), 10.0) << path;
    EXPECT_LE(report.stats.FragmentationPercent(), 35.0) << path;
}

INSTANTIATE_TEST_SUITE_P(Sample, SampleHive, testing::ValuesIn(kHivePaths),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = fs::path(info.param).filename().string();
                             for (auto& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// Read with the public format description's offsets, not through our reader: both logs are of
// the newer form (file type 6 at offset 28, "HvLE" entries from offset 512), and hivexget, which
// ignores logs, does not see the last writes that only .LOG1 holds until our recovery applies it.
TEST(SampleInstallation, OneHiveIsDirtyWithBothLogsOfTheNewerForm) {
    const fs::path hive = fs::path(Sample()) / kDirtyHive;
    const std::vector<char> bytes = Contents(hive);
    ASSERT_GE(bytes.size(), 4096u);
    auto le32 = [](const std::vector<char>& b, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
        return v;
    };
    EXPECT_NE(le32(bytes, 4), le32(bytes, 8)) << "the sequence numbers must differ";
    for (const char* suffix : {".LOG1", ".LOG2"}) {
        const std::vector<char> log = Contents(hive.string() + suffix);
        ASSERT_GE(log.size(), 1024u) << suffix;
        EXPECT_EQ(std::string(log.data(), 4), "regf") << suffix;
        EXPECT_EQ(le32(log, 28), 6u) << suffix;
        EXPECT_EQ(std::string(log.data() + 512, 4), "HvLE") << suffix;
    }
    // .LOG1 opens with the write the hive file lacks; .LOG2 holds only an older one.
    EXPECT_EQ(le32(Contents(hive.string() + ".LOG1"), 512 + 12), le32(bytes, 8));
    EXPECT_LT(le32(Contents(hive.string() + ".LOG2"), 512 + 12), le32(bytes, 8));

    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const auto before = crosscheck::RunTool({"hivexget", hive.string(), run, "Spotify"});
    EXPECT_NE(before.exitCode, 0) << "the value of the last write is already in the hive file: " << before.out;
    const auto recovered = regf::RecoverHiveFile(hive.string());
    ASSERT_TRUE(recovered.ok()) << recovered.error().ToString();
    EXPECT_EQ(recovered->logsUsed.size(), 1u);
    const fs::path folder = fs::temp_directory_path() / ("kv-sample-recovered-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "NTUSER.DAT";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(recovered->bytes.data()),
                                                static_cast<std::streamsize>(recovered->bytes.size()));
    const auto after = crosscheck::RunTool({"hivexget", file.string(), run, "Spotify"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_NE(after.out.find("Spotify.exe"), std::string::npos) << after.out;
    const auto wallpaper = crosscheck::RunTool({"hivexget", file.string(), "Control Panel\\Desktop", "Wallpaper"});
    EXPECT_NE(wallpaper.out.find("lake.jpg"), std::string::npos) << wallpaper.out;
    fs::remove_all(folder);
}

TEST(SampleInstallation, HoldsTwentyToFortyMegabytes) {
    std::uint64_t total = 0;
    for (const char* path : kHivePaths) total += fs::file_size(Sample() + "/" + path);
    EXPECT_GE(total, 20u * 1024 * 1024);
    EXPECT_LE(total, 40u * 1024 * 1024);
}

struct Fact {
    const char* hive;
    const char* key;
    const char* value;
    std::uint32_t type;
    std::variant<std::string, std::uint32_t> data;
};

const Fact kFacts[] = {
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", 1, std::string("6.3")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentMajorVersionNumber", 4, 10u},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentMinorVersionNumber", 4, 0u},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", 1, std::string("19045")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "ProductName", 1, std::string("Windows 10 Pro")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-18", "ProfileImagePath", 2, std::string("%systemroot%\\system32\\config\\systemprofile")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-19", "ProfileImagePath", 2, std::string("%systemroot%\\ServiceProfiles\\LocalService")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-20", "ProfileImagePath", 2, std::string("%systemroot%\\ServiceProfiles\\NetworkService")},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-3623811015-3361044348-30300820-1001", "ProfileImagePath", 2, std::string("C:\\Users\\Alex")},
    {"Windows/System32/config/SYSTEM", "Select", "Current", 4, 1u},
    {"Windows/System32/config/SYSTEM", "Select", "Default", 4, 1u},
    {"Windows/System32/config/SYSTEM", "Select", "LastKnownGood", 4, 1u},
};

std::optional<regf::ValueData> ReadValue(const std::string& hivePath, const std::string& key,
                                         const std::string& value, std::string& error) {
    auto hive = regf::HiveFile::Open(hivePath);
    if (!hive) {
        error = hive.error().ToString();
        return std::nullopt;
    }
    auto found = hive->FindKey(key);
    if (!found || !found.value()) {
        error = "no key " + key;
        return std::nullopt;
    }
    auto v = found.value()->Value(value);
    if (!v || !v.value()) {
        error = "no value " + value + " in " + key;
        return std::nullopt;
    }
    return *v.value();
}

class SampleFact : public testing::TestWithParam<Fact> {};

TEST_P(SampleFact, HasTheValueWindowsWouldHave) {
    const Fact& fact = GetParam();
    std::string error;
    const auto value = ReadValue(Sample() + "/" + fact.hive, fact.key, fact.value, error);
    ASSERT_TRUE(value) << error;
    EXPECT_EQ(value->type, fact.type) << fact.key << "\\" << fact.value;
    if (const auto* text = std::get_if<std::string>(&fact.data)) {
        EXPECT_EQ(regf::FromUtf16(value->data), *text);
    } else {
        EXPECT_EQ(value->data, regf::Dword(std::get<std::uint32_t>(fact.data)));
    }
}

INSTANTIATE_TEST_SUITE_P(Sample, SampleFact, testing::ValuesIn(kFacts));

// The profiles of Windows' own accounts have no hive files: only Alex's profile is a user the
// program should list.
TEST(SampleInstallation, OnlyAlexsProfileHasHiveFiles) {
    EXPECT_FALSE(fs::exists(Sample() + "/Windows/System32/config/systemprofile/NTUSER.DAT"));
    EXPECT_FALSE(fs::exists(Sample() + "/Windows/ServiceProfiles/LocalService/NTUSER.DAT"));
    EXPECT_FALSE(fs::exists(Sample() + "/Windows/ServiceProfiles/NetworkService/NTUSER.DAT"));
    EXPECT_TRUE(fs::exists(Sample() + "/Users/Alex/NTUSER.DAT"));
}

struct BigValue {
    const char* hive;
    const char* key;
    const char* value;
};

// Values over 16344 bytes are stored as big data (segment lists) from format 1.4 on.
const BigValue kBigValues[] = {
    {"Windows/System32/config/SYSTEM", "ControlSet001\\Control\\Session Manager\\AppCompatCache", "AppCompatCache"},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", "Counter"},
    {"Windows/System32/config/SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", "Help"},
};

class SampleBigValue : public testing::TestWithParam<BigValue> {};

TEST_P(SampleBigValue, IsLargerThanOneDataCell) {
    std::string error;
    const auto value = ReadValue(Sample() + "/" + GetParam().hive, GetParam().key, GetParam().value, error);
    ASSERT_TRUE(value) << error;
    EXPECT_GT(value->data.size(), 16344u);
}

INSTANTIATE_TEST_SUITE_P(Sample, SampleBigValue, testing::ValuesIn(kBigValues));

// reglookup -s prints each key's owner, group, SACL and DACL: the sample must carry several
// different descriptors, each shared by many keys.
TEST(SampleInstallation, HasVariedSharedSecurityDescriptors) {
    for (const char* hive : {"Windows/System32/config/SYSTEM", "Windows/System32/config/SOFTWARE",
                             "Windows/System32/config/SECURITY"}) {
        const auto out = crosscheck::RunTool({"reglookup", "-s", "-t", "KEY", Sample() + "/" + hive});
        ASSERT_EQ(out.exitCode, 0) << out.err;
        std::set<std::string> descriptors;
        std::size_t keys = 0;
        for (const auto& line : crosscheck::Lines(out.out)) {
            // PATH,KEY,,MTIME,OWNER,GROUP,SACL,DACL...: everything after the time.
            std::size_t comma = 0;
            for (int field = 0; field < 4 && comma != std::string::npos; ++field) comma = line.find(',', comma + 1);
            if (comma == std::string::npos || line.find(",KEY,") == std::string::npos) continue;
            descriptors.insert(line.substr(comma));
            ++keys;
        }
        EXPECT_GE(descriptors.size(), 2u) << hive;
        EXPECT_GT(keys, descriptors.size() * 10) << hive << ": descriptors are not shared";
    }
}

TEST(SampleInstallation, MakerWritesTheSameBytesEveryRun) {
    const fs::path folder = fs::temp_directory_path() / ("kv-sample-again-" + std::to_string(getpid()));
    const auto run = crosscheck::RunTool({KV_SAMPLE_MAKER, folder.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& path : {std::string(kDirtyHive) + ".LOG1", std::string(kDirtyHive) + ".LOG2"})
        EXPECT_TRUE(Contents(folder / path) == Contents(fs::path(Sample()) / path)) << path << " differs between runs";
    for (const char* path : kHivePaths) {
        EXPECT_TRUE(Contents(folder / path) == Contents(fs::path(Sample()) / path)) << path << " differs between runs";
    }
    fs::remove_all(folder);
}

TEST(SampleInstallation, MakerRefusesAMissingFolderArgument) {
    const auto run = crosscheck::RunTool({KV_SAMPLE_MAKER});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
}

}  // namespace
