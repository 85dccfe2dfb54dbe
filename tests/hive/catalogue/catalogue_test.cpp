// LoadHiveList against scripted hivelist keys, drives and files.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hive/catalogue.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::hive {
namespace {

using platform::RootKey;
using platform::fake::ScriptedSystem;
namespace drivetype = platform::drivetype;
namespace regtype = platform::regtype;
namespace status = platform::status;

struct Drive {
    char letter;
    std::uint32_t type;
    const char* device;
};

struct Value {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

Value Sz(std::string name, const std::string& text, std::uint32_t type = regtype::Sz)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return Value{std::move(name), type, std::move(data)};
}

Value Raw(std::string name, std::uint32_t type, std::vector<std::uint8_t> data)
{
    return Value{std::move(name), type, std::move(data)};
}

using Entries = std::vector<std::pair<std::string, std::string>>;   // (key, file)

struct CatalogueCase {
    const char* what;
    bool is64BitWindows;
    std::vector<Drive> drives;
    std::vector<std::string> files;
    std::vector<Value> values;
    Entries expected;
};

const Drive kC2{'C', drivetype::Fixed, "\\Device\\HarddiskVolume2"};
const Drive kC1{'C', drivetype::Fixed, "\\Device\\HarddiskVolume1"};
const std::string kSoftwareData = "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SOFTWARE";
const std::string kSoftware = "C:\\Windows\\System32\\config\\SOFTWARE";
const std::string kSoftwareNative = "C:\\Windows\\sysnative\\config\\SOFTWARE";
const std::string kUserData = "\\Device\\HarddiskVolume2\\Documents and Settings\\Owner\\NTUSER.DAT";
const std::string kUserFile = "C:\\Documents and Settings\\Owner\\NTUSER.DAT";

Entries RunCase(const CatalogueCase& c, ScriptedSystem& sys)
{
    for (const Drive& d : c.drives) sys.AddDrive(d.letter, d.type, d.device);
    for (const std::string& f : c.files) sys.AddFile(f, 8192);
    sys.AddKey(RootKey::LocalMachine, kHiveListKey);
    for (const Value& v : c.values) sys.AddValue(RootKey::LocalMachine, kHiveListKey, v.name, v.type, v.data);

    std::vector<std::string> keys{"left over"};
    std::vector<std::string> files{"left over", "from before"};
    LoadHiveList(sys, c.is64BitWindows, keys, files);
    EXPECT_EQ(keys.size(), files.size()) << c.what;
    Entries entries;
    for (std::size_t i = 0; i < std::min(keys.size(), files.size()); ++i) entries.emplace_back(keys[i], files[i]);
    return entries;
}

TEST(LoadHiveList, Cases)
{
    const CatalogueCase cases[] = {
        {"64-bit: sysnative when that file exists", true, {kC2}, {kSoftware, kSoftwareNative},
         {Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData)},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareNative}}},
        {"64-bit: system32 when sysnative does not exist", true, {kC2}, {kSoftware},
         {Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData)},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"32-bit: never sysnative", false, {kC2}, {kSoftware, kSoftwareNative},
         {Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData)},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"user hive on either system (64)", true, {kC2}, {kUserFile},
         {Sz("\\REGISTRY\\USER\\S-1-5-21-1", kUserData)}, {{"\\REGISTRY\\USER\\S-1-5-21-1", kUserFile}}},
        {"user hive on either system (32)", false, {kC2}, {kUserFile},
         {Sz("\\REGISTRY\\USER\\S-1-5-21-1", kUserData)}, {{"\\REGISTRY\\USER\\S-1-5-21-1", kUserFile}}},
        {"file missing", false, {kC2}, {}, {Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData)}, {}},
        {"older Harddisk/Partition form, by letter", false,
         {{'C', drivetype::NoRootDir, "\\Device\\Harddisk0\\Partition1"}},
         {"C:\\WINNT\\System32\\Config\\SAM"},
         {Sz("\\REGISTRY\\MACHINE\\SAM", "\\Device\\Harddisk0\\Partition1\\WINNT\\System32\\Config\\SAM")},
         {{"\\REGISTRY\\MACHINE\\SAM", "c:\\WINNT\\System32\\Config\\SAM"}}},
        {"older form on a listed fixed disk", false,
         {{'C', drivetype::Fixed, "\\Device\\Harddisk0\\Partition1"}},
         {"C:\\WINNT\\System32\\Config\\SAM"},
         {Sz("\\REGISTRY\\MACHINE\\SAM", "\\Device\\Harddisk0\\Partition1\\WINNT\\System32\\Config\\SAM")},
         {{"\\REGISTRY\\MACHINE\\SAM", "C:\\WINNT\\System32\\Config\\SAM"}}},
        {"data without the leading backslash", false, {kC1}, {"C:\\WINDOWS\\system32\\config\\SAM"},
         {Sz("\\REGISTRY\\MACHINE\\SAM", "Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\SAM")},
         {{"\\REGISTRY\\MACHINE\\SAM", "c:\\WINDOWS\\system32\\config\\SAM"}}},
        {"removable drive: found by letter, lower case", false,
         {kC1, {'F', drivetype::Removable, "\\Device\\HarddiskVolume5"}}, {"F:\\Profiles\\u\\NTUSER.DAT"},
         {Sz("\\REGISTRY\\USER\\S-1-5-21-9", "\\Device\\HarddiskVolume5\\Profiles\\u\\NTUSER.DAT")},
         {{"\\REGISTRY\\USER\\S-1-5-21-9", "f:\\Profiles\\u\\NTUSER.DAT"}}},
        {"HarddiskVolume1 is a prefix of HarddiskVolume10: whole names decide", false,
         {kC1, {'D', drivetype::Fixed, "\\Device\\HarddiskVolume10"}}, {"D:\\data\\hive"},
         {Sz("\\REGISTRY\\MACHINE\\EXTRA", "\\Device\\HarddiskVolume10\\data\\hive")},
         {{"\\REGISTRY\\MACHINE\\EXTRA", "d:\\data\\hive"}}},
        {"types other than REG_SZ and REG_EXPAND_SZ, and empty data, skipped", false, {kC2}, {kSoftware},
         {Sz("\\REGISTRY\\MACHINE\\HARDWARE", ""),
          Sz("\\REGISTRY\\MACHINE\\MULTI", kSoftwareData + std::string(1, '\0'), regtype::MultiSz),
          Raw("\\REGISTRY\\MACHINE\\DWORD", regtype::Dword, {1, 0, 0, 0}),
          Raw("\\REGISTRY\\MACHINE\\BINARY", regtype::Binary,
              std::vector<std::uint8_t>(kSoftwareData.begin(), kSoftwareData.end())),
          Raw("\\REGISTRY\\MACHINE\\NODATA", regtype::Sz, {}),
          Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData, regtype::ExpandSz)},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"duplicates kept, enumeration order kept", false, {kC2}, {kSoftware, kUserFile},
         {Sz("\\REGISTRY\\USER\\B", kUserData), Sz("\\REGISTRY\\MACHINE\\A", kSoftwareData),
          Sz("\\REGISTRY\\USER\\C", kUserData)},
         {{"\\REGISTRY\\USER\\B", kUserFile}, {"\\REGISTRY\\MACHINE\\A", kSoftware}, {"\\REGISTRY\\USER\\C", kUserFile}}},
        {"data read up to the first zero", false, {kC2}, {kSoftware},
         {Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData + std::string("\0junk", 5))},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"data without a terminating zero", false, {kC2}, {kSoftware},
         {Raw("\\REGISTRY\\MACHINE\\SOFTWARE", regtype::Sz,
              std::vector<std::uint8_t>(kSoftwareData.begin(), kSoftwareData.end()))},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"garbage data skipped", false, {kC2}, {kSoftware},
         {Raw("\\REGISTRY\\MACHINE\\G1", regtype::Sz, {0xFF, 0xFE, 0x5C, 0x00, 0x41}),
          Raw("\\REGISTRY\\MACHINE\\G2", regtype::Sz, {'\\', 'D', 'e', 'v'}),
          Sz("\\REGISTRY\\MACHINE\\G3", "\\Device\\HarddiskVolume"),
          Sz("\\REGISTRY\\MACHINE\\G4", "\\Device\\Harddisk"),
          Sz("\\REGISTRY\\MACHINE\\G5", "\\\\\\\\"),
          Sz("\\REGISTRY\\MACHINE\\G6", "Device"),
          Raw("\\REGISTRY\\MACHINE\\G7", regtype::ExpandSz, {'\\', 0x00, 'D', 0x00, 'e', 0x00}),
          Sz("\\REGISTRY\\MACHINE\\SOFTWARE", kSoftwareData)},
         {{"\\REGISTRY\\MACHINE\\SOFTWARE", kSoftware}}},
        {"no values", false, {kC2}, {kSoftware}, {}, {}},
    };
    for (const auto& c : cases) {
        ScriptedSystem sys;
        EXPECT_EQ(RunCase(c, sys), c.expected) << c.what;
        EXPECT_EQ(sys.OpenKeyCount(), 0u) << c.what << ": the key is closed";
    }
}

class LoadHiveListFailures : public ::testing::Test {
protected:
    LoadHiveListFailures()
    {
        sys.AddDrive('C', drivetype::Fixed, "\\Device\\HarddiskVolume1");
        sys.AddDrive('D', drivetype::Fixed, "\\Device\\HarddiskVolume2");
        sys.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
        sys.AddFile("D:\\Users\\u\\NTUSER.DAT", 1);
        sys.AddStringValue(RootKey::LocalMachine, kHiveListKey, "\\REGISTRY\\MACHINE\\SYSTEM",
                           "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM");
        sys.AddStringValue(RootKey::LocalMachine, kHiveListKey, "\\REGISTRY\\USER\\U",
                           "\\Device\\HarddiskVolume2\\Users\\u\\NTUSER.DAT");
    }
    std::vector<std::string> Keys()
    {
        std::vector<std::string> keys{"stale"}, files{"stale"};
        LoadHiveList(sys, false, keys, files);
        EXPECT_EQ(keys.size(), files.size());
        EXPECT_EQ(sys.OpenKeyCount(), 0u);
        return keys;
    }
    ScriptedSystem sys;
};

TEST_F(LoadHiveListFailures, KeyThatCannotBeOpenedWithFullAccessLeavesBothListsEmpty)
{
    sys.SetGrantedAccess(RootKey::LocalMachine, kHiveListKey, platform::access::KeyRead);
    EXPECT_TRUE(Keys().empty());
    sys.SetOpenStatus(RootKey::LocalMachine, kHiveListKey, status::FileNotFound);
    EXPECT_TRUE(Keys().empty());
}

TEST_F(LoadHiveListFailures, FailingQueryDosDeviceLosesOnlyThatDrivesHives)
{
    sys.SetDosDeviceFails('C');
    EXPECT_EQ(Keys(), (std::vector<std::string>{"\\REGISTRY\\USER\\U"}));
}

TEST_F(LoadHiveListFailures, AValueThatCannotBeReadIsSkipped)
{
    sys.SetValueQueryStatus(RootKey::LocalMachine, kHiveListKey, "\\REGISTRY\\MACHINE\\SYSTEM",
                            status::AccessDenied);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"\\REGISTRY\\USER\\U"}));
}

TEST_F(LoadHiveListFailures, KeyInfoThatCannotBeReadGivesNothing)
{
    sys.SetQueryInfoStatus(RootKey::LocalMachine, kHiveListKey, status::AccessDenied);
    EXPECT_TRUE(Keys().empty());
}

TEST_F(LoadHiveListFailures, HugeValueCountsEndAtTheRealEndOrTheFirstError)
{
    sys.SetReportedValueCount(RootKey::LocalMachine, kHiveListKey, 0xFFFFFFFFu);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"\\REGISTRY\\MACHINE\\SYSTEM", "\\REGISTRY\\USER\\U"}));
    sys.SetEnumStatus(RootKey::LocalMachine, kHiveListKey, status::AccessDenied);
    EXPECT_TRUE(Keys().empty());   // and returns: no walk through four billion indexes
}

TEST_F(LoadHiveListFailures, ReportedNameLengthsThatAreWrongStillGiveTheNames)
{
    sys.SetReportedMaxNameLength(RootKey::LocalMachine, kHiveListKey, 3);   // shorter than the real ones
    EXPECT_EQ(Keys().size(), 2u);
    sys.SetReportedMaxNameLength(RootKey::LocalMachine, kHiveListKey, 0xFFFFFFFFu);
    EXPECT_EQ(Keys().size(), 2u);
}

TEST_F(LoadHiveListFailures, AHiveWhosePathTheCodePageCannotSpellIsNamedNeverDroppedSilently)
{
    // Even when a file of the look-alike name exists: it is some other file.
    sys.SetValueOutsideCodePage(RootKey::LocalMachine, kHiveListKey, "\\REGISTRY\\USER\\U");
    std::vector<std::string> keys, files;
    std::vector<PassedOverHive> passedOver{{"stale", "stale"}};
    LoadHiveList(sys, false, keys, files, passedOver);
    EXPECT_EQ(keys, (std::vector<std::string>{"\\REGISTRY\\MACHINE\\SYSTEM"}));
    EXPECT_EQ(files, (std::vector<std::string>{"C:\\Windows\\System32\\config\\SYSTEM"}));
    ASSERT_EQ(passedOver.size(), 1u);
    EXPECT_EQ(passedOver[0].hivePath, "\\REGISTRY\\USER\\U");
    EXPECT_EQ(PassedOverMessage(passedOver),
              "These hives are left out and will not be compacted:\n\\REGISTRY\\USER\\U: its file's path "
              "(\\Device\\HarddiskVolume2\\Users\\u\\NTUSER.DAT) has letters that Windows' ANSI code page cannot "
              "spell");
}

TEST(HiveFileFromDevicePath, OtherDeviceFormsGoStraightToTheLetters)
{
    ScriptedSystem sys;
    sys.AddDrive('C', drivetype::Fixed, "\\Device\\Mup");   // would match through the drive list
    sys.AddUnlistedDevice('V', "\\Device\\VhdDisk0");
    sys.AddFile("v:\\store\\hive", 1);
    sys.AddFile("C:\\store\\hive", 1);
    EXPECT_EQ(HiveFileFromDevicePath(sys, false, "\\Device\\VhdDisk0\\store\\hive"), "");
    EXPECT_EQ(HiveFileFromDevicePath(sys, false, "\\Device\\Mup"), "");
    EXPECT_EQ(HiveFileFromDevicePath(sys, false, "\\Device\\Mup\\store\\hive"), "")
        << "only Harddisk forms use the drive list; the letter scan compares whole names";
}

}  // namespace
}  // namespace kelvara::hive
