// Hive files that are not what the analysis saw: a folder, a device or a pipe in a hive's place,
// a hive another process writes to while it is copied, a hive deleted before its replacement.
// Each ends in a clear message naming the file, with nothing lost and nothing left waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include "installation_builder.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/replacement_journal.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;
using Outcome = ReplacementResult::Outcome;

const std::string kConfig = "C:\\Windows\\System32\\config\\";

class UnusualFiles : public ::testing::Test {
protected:
    void SetUp() override { MakeInstallation(root.Path(), {}); }
    fs::path Config(const std::string& name) const { return root.Path() / "Windows/System32/config" / name; }

    static long Save(OfflineSystem& system, RootKey rootKey, const std::string& subKey, const std::string& target,
                     std::string& message) {
        KeyHandle key = 0;
        long status = system.RegOpenKey(rootKey, subKey, key);
        if (status != status::Success) return status;
        status = system.RegSaveKey(key, target);
        if (status != status::Success) message = system.ErrorText(status);
        system.RegCloseKey(key);
        return status;
    }

    // The hive list's values, as the program reads them.
    static std::vector<std::string> HiveList(OfflineSystem& system) {
        KeyHandle key = 0;
        EXPECT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\hivelist", key),
                  status::Success);
        std::vector<std::string> names;
        std::string name;
        for (std::uint32_t i = 0; system.RegEnumValueName(key, i, 256, name) == status::Success; ++i)
            names.push_back(name);
        system.RegCloseKey(key);
        return names;
    }

    TempFolder root;
};

#ifndef _WIN32

// What may stand where a hive file belongs; a device needs the right to make one.
enum class Kind { Folder, Pipe, Device };

bool MakeInPlace(const fs::path& file, Kind kind) {
    fs::remove(file);
    switch (kind) {
    case Kind::Folder: return fs::create_directory(file);
    case Kind::Pipe: return ::mkfifo(file.c_str(), 0644) == 0;
    case Kind::Device: return ::mknod(file.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;   // as /dev/null
    }
    return false;
}

const char* NameOf(Kind kind) {
    switch (kind) {
    case Kind::Folder: return "a folder";
    case Kind::Pipe: return "a pipe";
    case Kind::Device: return "a device";
    }
    return "";
}

TEST_F(UnusualFiles, NoFolderDeviceOrPipeIsListedOrOpenedAsAHive) {
    struct Case {
        const char* hive;
        Kind kind;
    };
    const Case cases[] = {
        {"SAM", Kind::Folder}, {"SECURITY", Kind::Pipe}, {"DEFAULT", Kind::Device}, {"SOFTWARE", Kind::Pipe}};
    std::vector<std::string> replaced;
    for (const Case& c : cases) {
        if (!MakeInPlace(Config(c.hive), c.kind)) {
            std::printf("cannot make %s here; %s stays a hive\n", NameOf(c.kind), c.hive);
            continue;
        }
        replaced.push_back(c.hive);
    }
    ASSERT_FALSE(replaced.empty());
    OfflineSystem system(root.Path().string());
    const std::vector<std::string> listed = HiveList(system);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "\\REGISTRY\\MACHINE\\SYSTEM"), listed.end());
    for (const std::string& hive : replaced) {
        for (const std::string& name : listed) EXPECT_EQ(name.find(hive), std::string::npos) << name;
        std::string problem;
        EXPECT_FALSE(system.IsUsableHiveFile(kConfig + hive, problem)) << hive;
        EXPECT_NE(problem.find(hive), std::string::npos) << problem;
    }
}

// Listed while it was a hive, then swapped for something else before the copy or the
// replacement: refused at once (a pipe would never answer a read) and named.
TEST_F(UnusualFiles, AHiveSwappedForAPipeOrFolderIsRefusedByName) {
    for (Kind kind : {Kind::Pipe, Kind::Folder}) {
        SCOPED_TRACE(NameOf(kind));
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        const fs::path config = folder.Path() / "Windows/System32/config";
        OfflineSystem system(folder.Path().string());
        std::string message;
        ASSERT_EQ(Save(system, RootKey::LocalMachine, "SOFTWARE", kConfig + "SOFTWARE.kvf", message), status::Success)
            << message;

        KeyHandle key = 0;
        ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SYSTEM", key), status::Success);
        ASSERT_TRUE(MakeInPlace(config / "SYSTEM", kind));
        const long saved = system.RegSaveKey(key, kConfig + "SYSTEM.kvf");
        EXPECT_EQ(saved, status::BadDatabase);
        message = system.ErrorText(saved);
        EXPECT_NE(message.find(kConfig + "SYSTEM is not a regular file"), std::string::npos) << message;
        EXPECT_FALSE(fs::exists(config / "SYSTEM.kvf"));
        system.RegCloseKey(key);

        // Its values are not read from it either.
        ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SOFTWARE", key), status::Success);
        ASSERT_TRUE(MakeInPlace(config / "SOFTWARE", kind));
        std::uint32_t count = 0, longest = 0;
        EXPECT_EQ(system.RegQueryInfoKey(key, count, longest), status::BadDatabase);
        system.RegCloseKey(key);
        fs::remove_all(config / "SOFTWARE");
        fs::copy_file(root.Path() / "Windows/System32/config/SOFTWARE", config / "SOFTWARE");

        // The copy itself swapped for one: neither accepted nor opened.
        ASSERT_TRUE(MakeInPlace(config / "SOFTWARE.kvf", kind));
        std::string problem;
        EXPECT_FALSE(system.IsUsableHiveFile(kConfig + "SOFTWARE.kvf", problem));
        EXPECT_NE(problem.find("SOFTWARE.kvf is not a regular file"), std::string::npos) << problem;
        const auto software = ReadBytes(config / "SOFTWARE");
        EXPECT_NE(system.RegReplaceKey(RootKey::LocalMachine, "SOFTWARE", kConfig + "SOFTWARE.kvf",
                                       kConfig + "SOFTWARE.bak"),
                  status::Success);
        system.ExitWindowsEx(exitflags::Reboot, 1);
        EXPECT_EQ(ReadBytes(config / "SOFTWARE"), software);
    }
}

#endif

// Another process writes to the hive while it is copied: the copy is refused, none is left.
TEST(ChangedWhileCopied, TheCopyIsRefusedAsChangedAndLeavesNothing) {
    TempFolder root;
    InstallationSpec layout;
    layout.softwareKeys = 20000;   // big enough that the copy takes a while
    MakeInstallation(root.Path(), layout);
    const fs::path software = (root.Path() / "Windows/System32/config/SOFTWARE").make_preferred();
    const auto before = ReadBytes(software);

    struct Writer {
        const char* what;
        bool grows;   // appends a byte each time; otherwise rewrites one with its own value
    };
    const Writer writers[] = {
        {"a writer that grows the file", true},
#ifndef _WIN32
        // Only the file's time tells of this one, and the Windows runtime's file times count
        // whole seconds.
        {"a writer that rewrites a byte in place", false},
#endif
    };
    for (const Writer& how : writers) {
        SCOPED_TRACE(how.what);
        OfflineSystem system(root.Path().string());
        KeyHandle key = 0;
        ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SOFTWARE", key), status::Success);

        std::atomic<bool> saving{true};
        std::atomic<int> writes{0};
        std::thread writer([&] {
            std::fstream file(software, std::ios::in | std::ios::out | std::ios::binary);
            while (saving) {
                if (how.grows) {
                    file.seekp(0, std::ios::end);
                    file.put('\0');
                } else {
                    file.seekp(static_cast<std::streamoff>(before.size() / 2));
                    file.put(static_cast<char>(before[before.size() / 2]));
                }
                file.flush();
                ++writes;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        // Let the writer start before the copy opens the hive.
        while (writes == 0) std::this_thread::yield();
        const long saved = system.RegSaveKey(key, kConfig + "SOFTWARE.kvf");
        const std::string message = saved == status::Success ? std::string() : system.ErrorText(saved);
        saving = false;
        writer.join();
        system.RegCloseKey(key);

        EXPECT_NE(saved, status::Success);
        EXPECT_NE(message.find("changed while it was being compacted"), std::string::npos) << message;
        EXPECT_NE(message.find(software.string()), std::string::npos) << message;
        EXPECT_FALSE(fs::exists(software.string() + ".kvf"));
        EXPECT_FALSE(fs::exists(software.string() + ".kvf.kvtmp"));
        fs::resize_file(software, before.size());
        EXPECT_EQ(ReadBytes(software), before);
    }
}

// The hive file deleted after the analysis: before its copy, or before its hand-over (the call
// itself swaps, so there is no later moment). Each is refused by name, the copy stays, the other
// hive is replaced as asked.
TEST_F(UnusualFiles, AHiveDeletedAfterTheAnalysisIsRefusedByNameAndNothingElseIsHarmed) {
    enum class DeletedBefore { Copy, HandOver };
    for (DeletedBefore when : {DeletedBefore::Copy, DeletedBefore::HandOver}) {
        const std::string trace = when == DeletedBefore::Copy ? "before the copy" : "before the hand-over";
        SCOPED_TRACE(trace);
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        const fs::path config = folder.Path() / "Windows/System32/config";
        const auto software = ReadBytes(config / "SOFTWARE");
        OfflineSystem system(folder.Path().string());

        KeyHandle key = 0;
        ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SYSTEM", key), status::Success);
        if (when == DeletedBefore::Copy) fs::remove(config / "SYSTEM");
        const long saved = system.RegSaveKey(key, kConfig + "SYSTEM.kvf");
        const std::string saveMessage = system.ErrorText(saved);
        system.RegCloseKey(key);
        std::string message;
        ASSERT_EQ(Save(system, RootKey::LocalMachine, "SOFTWARE", kConfig + "SOFTWARE.kvf", message), status::Success);
        const auto newSoftware = ReadBytes(config / "SOFTWARE.kvf");

        if (when == DeletedBefore::Copy) {
            EXPECT_EQ(saved, status::FileNotFound);
            EXPECT_NE(saveMessage.find(kConfig + "SYSTEM does not exist"), std::string::npos) << saveMessage;
            EXPECT_FALSE(fs::exists(config / "SYSTEM.kvf"));
        } else {
            ASSERT_EQ(saved, status::Success) << saveMessage;
        }
        if (when == DeletedBefore::HandOver) fs::remove(config / "SYSTEM");
        if (when != DeletedBefore::Copy) {
            const long handedOver =
                system.RegReplaceKey(RootKey::LocalMachine, "SYSTEM", kConfig + "SYSTEM.kvf", kConfig + "SYSTEM.bak");
            if (when == DeletedBefore::HandOver) {
                EXPECT_EQ(handedOver, status::FileNotFound);
                message = system.ErrorText(handedOver);
                EXPECT_NE(message.find("HKEY_LOCAL_MACHINE\\SYSTEM"), std::string::npos) << message;
            } else {
                EXPECT_EQ(handedOver, status::Success);
            }
        }
        ASSERT_EQ(system.RegReplaceKey(RootKey::LocalMachine, "SOFTWARE", kConfig + "SOFTWARE.kvf",
                                       kConfig + "SOFTWARE.bak"),
                  status::Success);
        system.ExitWindowsEx(exitflags::Reboot, 1);
        const auto results = system.ReplacementResults();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].hive.filename(), "SOFTWARE");
        EXPECT_EQ(results[0].outcome, Outcome::Replaced) << results[0].reason;
        EXPECT_EQ(ReadBytes(config / "SOFTWARE"), newSoftware);
        EXPECT_EQ(ReadBytes(config / "SOFTWARE.bak"), software);
        // The copy is all that is left of the deleted hive: it stays.
        EXPECT_FALSE(fs::exists(config / "SYSTEM"));
        EXPECT_FALSE(fs::exists(config / "SYSTEM.bak"));
        if (when != DeletedBefore::Copy) {
            EXPECT_TRUE(regf::CheckFile((config / "SYSTEM.kvf").string()).sound);
        }
        EXPECT_FALSE(fs::exists(JournalFile(InstallationPaths(folder.Path()))));
    }
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
