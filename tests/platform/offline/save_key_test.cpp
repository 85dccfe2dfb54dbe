// Saving a hive writes a compacted copy of its file, as the registry's own save would.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "installation_builder.h"
#include "platform/offline/offline_system.h"
#include "regf/key_node.h"
#include "regf/security_key.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

class SaveKey : public ::testing::Test {
protected:
    void SetUp() override {
        InstallationSpec layout;
        layout.users = {{"S-1-5-21-1-2-3-1001", "%SystemDrive%\\Users\\carol", "Users/carol"}};
        MakeInstallation(root.Path(), layout);
    }
    long Save(RootKey rootKey, const std::string& subKey, const std::string& target) {
        KeyHandle key = 0;
        long opened = system.RegOpenKey(rootKey, subKey, key);
        if (opened != status::Success) return opened;
        long saved = system.RegSaveKey(key, target);
        EXPECT_EQ(system.RegCloseKey(key), status::Success);
        return saved;
    }
    fs::path Config(const std::string& name) const { return root.Path() / "Windows/System32/config" / name; }

    TempFolder root;
    OfflineSystem system{root.Path().string()};
};

TEST_F(SaveKey, EveryHiveGivesASmallerSoundCopyWithTheSameContent) {
    struct Case {
        RootKey root;
        std::string subKey;
        fs::path hive;   // below the installation's folder
        std::string target;
    };
    const Case cases[] = {
        {RootKey::LocalMachine, "SYSTEM", "Windows/System32/config/SYSTEM", "C:\\Windows\\System32\\config\\SYSTEM.kvf"},
        {RootKey::LocalMachine, "SOFTWARE", "Windows/System32/config/SOFTWARE",
         "c:\\windows\\system32\\config\\SOFTWARE.kvf"},
        {RootKey::Users, ".DEFAULT", "Windows/System32/config/DEFAULT", "C:\\Windows\\System32\\config\\DEFAULT.kvf"},
        {RootKey::LocalMachine, "Sam", "Windows/System32/config/SAM", "C:\\Windows\\System32\\config\\SAM.kvf"},
        {RootKey::Users, "S-1-5-21-1-2-3-1001", "Users/carol/NTUSER.DAT", "C:\\Users\\carol\\NTUSER.DAT.kvf"},
        {RootKey::Users, "S-1-5-21-1-2-3-1001_Classes", "Users/carol/AppData/Local/Microsoft/Windows/UsrClass.dat",
         "C:\\Users\\carol\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat.kvf"},
    };
    for (const Case& c : cases) {
        fs::path hive = root.Path() / c.hive;
        fs::path copy = hive;
        copy += ".kvf";
        ASSERT_EQ(Save(c.root, c.subKey, c.target), status::Success) << c.subKey;
        ASSERT_TRUE(fs::exists(copy)) << c.subKey;

        regf::CheckReport report = regf::CheckFile(copy.string());
        EXPECT_TRUE(report.sound) << c.subKey << ": " << report.Text();
        EXPECT_FALSE(report.dirty) << c.subKey;
        EXPECT_LT(fs::file_size(copy), fs::file_size(hive)) << c.subKey;
        EXPECT_EQ(DescribeHive(copy), DescribeHive(hive)) << c.subKey;
    }
}

// Debian's reglookup, written by others from the format's documentation, reads the copy too
// (it escapes "%" as "%25").
TEST_F(SaveKey, AnIndependentReaderReadsTheCopy) {
#ifdef _WIN32
    GTEST_SKIP() << "reglookup runs on Linux";
#endif
    if (std::system("command -v reglookup > /dev/null 2>&1") != 0) GTEST_SKIP() << "reglookup is not installed";
    ASSERT_EQ(Save(RootKey::LocalMachine, "SOFTWARE", "C:\\Windows\\System32\\config\\SOFTWARE.kvf"), status::Success);
    fs::path listing = root.Path() / "listing.txt";
    std::string command = "reglookup -p '/Microsoft/Windows NT/CurrentVersion/ProfileList' '" +
                          Config("SOFTWARE.kvf").string() + "' > '" + listing.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    auto bytes = ReadBytes(listing);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("/Microsoft/Windows NT/CurrentVersion/ProfileList/S-1-5-21-1-2-3-1001/ProfileImagePath,EXPAND_SZ,"
                        "%25SystemDrive%25\\Users\\carol"),
              std::string::npos)
        << text;
}

TEST_F(SaveKey, NeverOverwritesAFile) {
    WriteBytes(Config("SYSTEM.kvf"), {1, 2, 3});
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", "C:\\Windows\\System32\\config\\SYSTEM.kvf"), status::AlreadyExists);
    EXPECT_EQ(ReadBytes(Config("SYSTEM.kvf")), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(SaveKey, TargetsThatCannotBeWritten) {
    struct Case {
        std::string target;
        long status;
    };
    const Case cases[] = {
        {"C:\\No such folder\\SYSTEM.kvf", status::PathNotFound},
        {"D:\\SYSTEM.kvf", status::PathNotFound},   // no drive D:
    };
    for (const Case& c : cases) EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", c.target), c.status) << c.target;
    EXPECT_FALSE(fs::exists(root.Path() / "No such folder"));
}

TEST_F(SaveKey, TheHiveListItselfCannotBeSaved) {
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\hivelist", "C:\\list.kvf"),
              status::AccessDenied);
    EXPECT_FALSE(fs::exists(root.Path() / "list.kvf"));
}

TEST_F(SaveKey, ADamagedOrDirtyHiveIsRefusedAndLeavesNoCopy) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> spoil;
    };
    const Case cases[] = {
        {"not a hive", [](const fs::path& f) { WriteBytes(f, std::vector<std::uint8_t>(16384, 0xAB)); }},
        {"cut short",
         [](const fs::path& f) {
             auto bytes = ReadBytes(f);
             bytes.resize(bytes.size() / 2 + 100);
             WriteBytes(f, bytes);
         }},
        {"with unsaved changes", [](const fs::path& f) { WriteHive(f, SampleHive("SAM-ROOT", 20), 0.25, true); }},
    };
    for (const Case& c : cases) {
        c.spoil(Config("SAM"));
        EXPECT_EQ(Save(RootKey::LocalMachine, "SAM", "C:\\Windows\\System32\\config\\SAM.kvf"), status::BadDatabase)
            << c.what;
        EXPECT_FALSE(fs::exists(Config("SAM.kvf"))) << c.what;
    }
}

// SAM as a Windows 8.1 or later system that lost power leaves it: the last write only in
// SAM.LOG1 (named in lower case here), the file one write behind.
TEST_F(SaveKey, ADirtyHiveIsSavedAsItsLogsRecoverIt) {
    auto before = regf::BuildBytes(SampleHive("SAM-ROOT", 20), {});
    auto after = regf::BuildBytes(SampleHive("SAM-ROOT", 60), {});
    ASSERT_TRUE(before.ok() && after.ok());
    auto dirty = *before;
    dirty[4] = 2;   // primary sequence number 2: a write began
    std::uint32_t sum = 0;
    for (int i = 0; i < 508; i += 4) sum ^= dirty[i] | dirty[i + 1] << 8 | dirty[i + 2] << 16 | std::uint32_t{dirty[i + 3]} << 24;
    for (int i = 0; i < 4; ++i) dirty[508 + i] = static_cast<std::uint8_t>(sum >> (8 * i));
    WriteBytes(Config("SAM"), dirty);
    WriteBytes(Config("sam.log1"), regf::WriteLogEntries({*before, *after}));
    WriteBytes(Config("SAM.LOG"), {});

    ASSERT_EQ(Save(RootKey::LocalMachine, "SAM", "C:\\Windows\\System32\\config\\SAM.kvf"), status::Success);
    // Said for the people watching.
    const std::vector<std::string> notes = system.SaveNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("C:\\Windows\\System32\\config\\SAM was dirty: recovered from sam.log1 (1 log entry, ", 0), 0u)
        << notes[0];
    regf::CheckReport report = regf::CheckFile(Config("SAM.kvf").string());
    EXPECT_TRUE(report.sound) << report.Text();
    fs::path plain = root.Path() / "plain";
    WriteBytes(plain, *after);
    EXPECT_EQ(DescribeHive(Config("SAM.kvf")), DescribeHive(plain));
    EXPECT_EQ(ReadBytes(Config("SAM")), dirty);   // the hive itself is left as it was

    // Without its log the same hive is refused, as before, and the missing copy is refused
    // later for that reason, not as a file that went missing.
    fs::remove(Config("sam.log1"));
    fs::remove(Config("SAM.kvf"));
    EXPECT_EQ(Save(RootKey::LocalMachine, "SAM", "C:\\Windows\\System32\\config\\SAM.kvf"), status::BadDatabase);
    EXPECT_FALSE(fs::exists(Config("SAM.kvf")));
    const std::string why = system.ErrorText(status::BadDatabase);
    EXPECT_NE(why.find("C:\\Windows\\System32\\config\\SAM is dirty, and no log recovers it: "), std::string::npos) << why;
    EXPECT_NE(why.find(", so it was left as it is"), std::string::npos) << why;
    std::string problem;
    EXPECT_FALSE(system.IsUsableHiveFile("C:\\Windows\\System32\\config\\SAM.kvf", problem));
    EXPECT_NE(problem.find("SAM is dirty, and no log recovers it"), std::string::npos) << problem;
    EXPECT_EQ(problem.find("does not exist"), std::string::npos) << problem;
    EXPECT_TRUE(system.SaveNotes().empty()) << "a save that failed recovered nothing";
}

TEST_F(SaveKey, ACancelledSaveLeavesNoCopyUntilReset) {
    system.CancelSaves();
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", "C:\\Windows\\System32\\config\\SYSTEM.kvf"),
              status::OperationAborted);
    EXPECT_FALSE(fs::exists(Config("SYSTEM.kvf")));

    system.ResetCancel();
    EXPECT_EQ(Save(RootKey::LocalMachine, "SYSTEM", "C:\\Windows\\System32\\config\\SYSTEM.kvf"), status::Success);
    EXPECT_TRUE(regf::CheckFile(Config("SYSTEM.kvf").string()).sound);
}

// A cancel that arrives while a large hive is being written: either the save had already
// finished (a whole, sound copy) or it stops with no copy at all; never a partial file.
TEST_F(SaveKey, CancelDuringASaveNeverLeavesAPartialCopy) {
    WriteHive(Config("SOFTWARE"), SampleHive("BIG", 40000), 0.3);
    for (int delayMs : {0, 5, 20, 60}) {
        fs::remove(Config("SOFTWARE.kvf"));
        system.ResetCancel();
        long result = -1;
        std::thread saver([&] {
            result = Save(RootKey::LocalMachine, "SOFTWARE", "C:\\Windows\\System32\\config\\SOFTWARE.kvf");
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        system.CancelSaves();
        saver.join();

        if (result == status::Success) {
            EXPECT_TRUE(regf::CheckFile(Config("SOFTWARE.kvf").string()).sound) << delayMs;
        } else {
            EXPECT_EQ(result, status::OperationAborted) << delayMs;
            EXPECT_FALSE(fs::exists(Config("SOFTWARE.kvf"))) << delayMs;
        }
        // Nothing but the hives and the copy: no temporary file left behind.
        for (const auto& entry : fs::directory_iterator(root.Path() / "Windows/System32/config")) {
            std::string name = entry.path().filename().string();
            bool known = name == "SYSTEM" || name == "SOFTWARE" || name == "DEFAULT" || name == "SECURITY" ||
                         name == "SAM" || name == "SOFTWARE.kvf";
            EXPECT_TRUE(known) << "left behind: " << name;
        }
    }
}

}  // namespace
}  // namespace kelvara::platform::offline::testing

namespace kelvara::platform::offline::testing {
namespace {

// One more use counted on the root key's security descriptor: untidiness Windows leaves and
// loads (a key it deleted), that the check notes but does not call damage.
void CountOneUseTooMany(const fs::path& file) {
    std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
    auto read32 = [&](std::uint64_t at) {
        std::uint8_t b[4] = {};
        bytes.seekg(static_cast<std::streamoff>(at));
        bytes.read(reinterpret_cast<char*>(b), 4);
        return std::uint32_t{b[0]} | b[1] << 8 | b[2] << 16 | std::uint32_t{b[3]} << 24;
    };
    const std::uint32_t root = read32(36);   // the base block's root cell offset
    const std::uint32_t security = read32(4096 + root + 4 + offsetof(regf::KeyNodeHeader, key_security_offset));
    const std::uint64_t count = 4096 + security + 4 + offsetof(regf::KeySecurityHeader, reference_count);
    const std::uint32_t more = read32(count) + 1;
    const char b[4] = {static_cast<char>(more), static_cast<char>(more >> 8), static_cast<char>(more >> 16), static_cast<char>(more >> 24)};
    bytes.seekp(static_cast<std::streamoff>(count));
    bytes.write(b, 4);
}

// The hand-over takes untidiness in a hive Windows wrote, but in a copy our compactor wrote it
// would be a fault of our writer: such a copy is refused, with the reason.
TEST_F(SaveKey, UntidinessIsRefusedInOurCopyButNotInAHiveWindowsWrote) {
    const std::string copyPath = "C:\\Windows\\System32\\config\\SYSTEM.kvf";
    ASSERT_EQ(Save(RootKey::LocalMachine, "SYSTEM", copyPath), status::Success);
    std::string problem;
    EXPECT_TRUE(system.IsUsableHiveFile(copyPath, problem)) << problem;

    CountOneUseTooMany(Config("SYSTEM.kvf"));
    EXPECT_FALSE(system.IsUsableHiveFile(copyPath, problem));
    EXPECT_NE(problem.find("a copy our compactor wrote, yet it is untidy"), std::string::npos) << problem;
    EXPECT_NE(problem.find("reference count"), std::string::npos) << problem;

    CountOneUseTooMany(Config("SYSTEM"));
    problem.clear();
    EXPECT_TRUE(system.IsUsableHiveFile("C:\\Windows\\System32\\config\\SYSTEM", problem)) << problem;
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
