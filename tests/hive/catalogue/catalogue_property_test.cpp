// Hivelist data put together from pieces of device paths and junk bytes: whatever it holds,
// the catalogue keeps only hives whose file exists, keeps both lists in step, and never reads
// out of bounds (run this suite under the sanitizer build to see the last point).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "hive/catalogue.h"
#include "platform/device_path.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::hive {
namespace {

using platform::RootKey;
using platform::fake::ScriptedSystem;
namespace drivetype = platform::drivetype;
namespace regtype = platform::regtype;

const std::vector<std::string> kPieces = {
    "\\",         "\\\\",     "Device",   "DEVICE",    "device\\", "Harddisk", "HarddiskVolume",
    "Volume",     "1",        "10",       "0",         "Partition", "system32", "SYSTEM32",
    "config",     "SOFTWARE", "hive",     ":",         "C:",        "?",        "\\??\\",
    std::string(1, '\0'),     "\xFF\xFE", " ",         "sysnative",
};

const std::vector<std::string> kRealPaths = {
    "\\Device\\HarddiskVolume1\\system32\\config\\SOFTWARE",
    "\\Device\\HarddiskVolume10\\hive",
    "\\Device\\Harddisk0\\Partition1\\hive",
    "Device\\HarddiskVolume10\\hive",
};

// Junk from pieces, or a real path with a few random edits: dropped characters, inserted
// pieces, flipped letter case.
std::string RandomDevicePath(std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
    std::string path;
    if (random() % 2 == 0) {
        for (std::size_t n = random() % 13; n > 0; --n) path += kPieces[piece(random)];
        return path;
    }
    path = kRealPaths[random() % kRealPaths.size()];
    for (std::size_t edits = random() % 3; edits > 0 && !path.empty(); --edits) {
        const std::size_t at = random() % path.size();
        switch (random() % 3) {
        case 0: path.erase(at, 1); break;
        case 1: path.insert(at, kPieces[piece(random)]); break;
        default: path[at] = static_cast<char>(path[at] ^ 0x20); break;
        }
    }
    return path;
}

TEST(LoadHiveListProperties, JunkNeverGivesAMissingFileOrUnevenLists)
{
    std::mt19937 random(20240305);
    std::size_t found = 0;
    for (int round = 0; round < 300; ++round) {
        ScriptedSystem sys;
        sys.AddDrive('C', drivetype::Fixed, "\\Device\\HarddiskVolume1");
        sys.AddDrive('D', drivetype::Fixed, "\\Device\\HarddiskVolume10");
        sys.AddDrive('E', drivetype::Removable, "\\Device\\Harddisk0\\Partition1");
        sys.AddFile("C:\\system32\\config\\SOFTWARE", 1);
        sys.AddFile("c:\\sysnative\\config\\SOFTWARE", 1);
        sys.AddFile("D:\\hive", 1);
        sys.AddFile("e:\\hive", 1);

        std::vector<std::string> names;
        for (int v = 0; v < 8; ++v) {
            const std::string name = "\\REGISTRY\\MACHINE\\V" + std::to_string(v);
            const std::string data = RandomDevicePath(random);
            sys.AddValue(RootKey::LocalMachine, kHiveListKey, name, v % 4 == 3 ? regtype::ExpandSz : regtype::Sz,
                         std::vector<std::uint8_t>(data.begin(), data.end()));
            names.push_back(name);

            const std::string byLetter = platform::DevicePathToLetterPath(sys, data);
            if (!byLetter.empty()) {
                EXPECT_TRUE(byLetter[0] >= 'a' && byLetter[0] <= 'z' && byLetter[1] == ':') << byLetter;
            }
        }

        std::vector<std::string> keys, files;
        LoadHiveList(sys, round % 2 == 0, keys, files);
        ASSERT_EQ(keys.size(), files.size());
        found += keys.size();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_TRUE(sys.FileExists(files[i])) << files[i];
            EXPECT_NE(std::find(names.begin(), names.end(), keys[i]), names.end()) << keys[i];
        }
        EXPECT_EQ(sys.OpenKeyCount(), 0u);
    }
    EXPECT_GT(found, 0u) << "the pieces should sometimes form a real path";
}

}  // namespace
}  // namespace kelvara::hive
