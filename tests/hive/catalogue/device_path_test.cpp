// The three path conversions on their own, against a scripted set of drives.
#include <gtest/gtest.h>

#include <string>

#include "platform/device_path.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::platform {
namespace {

using fake::ScriptedSystem;

struct ConversionCase {
    const char* what;
    const char* devicePath;
    const char* expected;
};

class DevicePathTest : public ::testing::Test {
protected:
    DevicePathTest()
    {
        sys.AddDrive('A', drivetype::Removable, "\\Device\\Floppy0");
        sys.AddDrive('C', drivetype::Fixed, "\\Device\\HarddiskVolume2");
        sys.AddDrive('D', drivetype::CdRom, "\\Device\\CdRom0");
        sys.AddDrive('E', drivetype::Fixed, "\\Device\\Harddisk1\\Partition1");
        sys.AddUnlistedDevice('H', "\\Device\\HarddiskVolume7");
    }
    ScriptedSystem sys;
};

TEST_F(DevicePathTest, ThroughTheLogicalDrives)
{
    const ConversionCase cases[] = {
        {"volume form", "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SOFTWARE",
         "C:\\Windows\\System32\\config\\SOFTWARE"},
        {"case of the device name ignored", "\\DEVICE\\harddiskvolume2\\x", "C:\\x"},
        {"device name found anywhere", "\\??\\Device\\HarddiskVolume2\\x", "C:\\x"},
        {"older form on a fixed disk", "\\Device\\Harddisk1\\Partition1\\WINNT\\SAM", "E:\\WINNT\\SAM"},
        {"CD-ROM is not a fixed disk", "\\Device\\CdRom0\\x", ""},
        {"floppy is not a fixed disk", "\\Device\\Floppy0\\x", ""},
        {"unlisted volume", "\\Device\\HarddiskVolume7\\x", ""},
        {"no drive named", "\\Device\\HarddiskVolume3\\x", ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DevicePathToDrivePath(sys, c.devicePath), c.expected) << c.what;
    }
}

TEST_F(DevicePathTest, ByLetters)
{
    const ConversionCase cases[] = {
        {"volume form", "\\Device\\HarddiskVolume2\\WINDOWS\\system32\\config\\software",
         "c:\\WINDOWS\\system32\\config\\software"},
        {"no leading backslash", "Device\\HarddiskVolume2\\WINDOWS\\system32\\config\\SAM",
         "c:\\WINDOWS\\system32\\config\\SAM"},
        {"older form splits after the partition", "\\Device\\Harddisk1\\Partition1\\WINNT\\System32\\Config\\SYSTEM",
         "e:\\WINNT\\System32\\Config\\SYSTEM"},
        {"unlisted volume still has a letter", "\\Device\\HarddiskVolume7\\boot\\BCD", "h:\\boot\\BCD"},
        {"case ignored", "\\device\\HARDDISKVOLUME2\\x", "c:\\x"},
        {"device alone", "\\Device\\HarddiskVolume2", "c:"},
        {"whole names only", "\\Device\\HarddiskVolume20\\x", ""},
        {"other device, no split", "\\Device\\CdRom0", "d:"},
        {"other device with a rest", "\\Device\\CdRom0\\x", ""},
        {"empty", "", ""},
        {"a lone backslash", "\\", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DevicePathToLetterPath(sys, c.devicePath), c.expected) << c.what;
    }
}

TEST_F(DevicePathTest, ToSysnative)
{
    sys.AddFile("C:\\Windows\\sysnative\\config\\SAM", 1);
    sys.AddFile("C:\\Windows\\sysnative\\System32\\x", 1);
    const ConversionCase cases[] = {
        {"exists", "C:\\Windows\\System32\\config\\SAM", "C:\\Windows\\sysnative\\config\\SAM"},
        {"case ignored, lower-case result", "C:\\Windows\\SYSTEM32\\config\\SAM",
         "C:\\Windows\\sysnative\\config\\SAM"},
        {"first occurrence only", "C:\\Windows\\System32\\System32\\x", "C:\\Windows\\sysnative\\System32\\x"},
        {"missing file", "C:\\Windows\\System32\\config\\SYSTEM", "C:\\Windows\\System32\\config\\SYSTEM"},
        {"no system32", "C:\\Users\\Owner\\NTUSER.DAT", "C:\\Users\\Owner\\NTUSER.DAT"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToSysnativePath(sys, c.devicePath), c.expected) << c.what;
    }
}

TEST(DevicePathDriveList, AllTwentySixLettersInUseAreStillExamined)
{
    // 26 roots need 105 characters with the list's closing zero: one more than the first ask.
    ScriptedSystem sys;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        sys.AddDrive(letter, drivetype::Fixed, std::string("\\Device\\HarddiskVolume") + letter);
    }
    EXPECT_EQ(DevicePathToDrivePath(sys, "\\Device\\HarddiskVolumeZ\\hive"), "Z:\\hive");
}

TEST(DevicePathDriveList, AnswersThatDoNotFitAreNotReadPastTheirEnd)
{
    ScriptedSystem sys;
    sys.AddDrive('C', drivetype::Fixed, "\\Device\\HarddiskVolume1");

    struct Case {
        const char* what;
        std::string characters;
        std::uint32_t returned;
        const char* expected;
    } cases[] = {
        {"claims more than it wrote", std::string("C:\\\0", 4), 400, "C:\\x"},
        {"claims a size beyond any real list", std::string("C:\\\0", 4), 0x7FFFFFFF, ""},
        {"says nothing", "", 0, ""},
        {"a root shorter than four characters", std::string("C:\0\0", 4), 4, "C:\\x"},
        {"junk entries before the drive", std::string("\0\0\0\0??\\\0C:\\\0\0", 13), 12, "C:\\x"},
    };
    for (const auto& c : cases) {
        sys.OverrideLogicalDriveStrings(c.characters, c.returned);
        EXPECT_EQ(DevicePathToDrivePath(sys, "\\Device\\HarddiskVolume1\\x"), c.expected) << c.what;
    }
}

TEST(DevicePathLetters, AFailingLetterIsPassedOver)
{
    ScriptedSystem sys;
    sys.AddDrive('C', drivetype::Fixed, "\\Device\\HarddiskVolume1");
    sys.AddDrive('D', drivetype::Fixed, "\\Device\\HarddiskVolume1");
    sys.SetDosDeviceFails('C');
    EXPECT_EQ(DevicePathToLetterPath(sys, "\\Device\\HarddiskVolume1\\x"), "d:\\x");
    EXPECT_EQ(DevicePathToDrivePath(sys, "\\Device\\HarddiskVolume1\\x"), "D:\\x");
}

}  // namespace
}  // namespace kelvara::platform
