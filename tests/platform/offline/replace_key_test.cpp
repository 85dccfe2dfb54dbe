// Replacing hives at the restart: the swap, its refusals, and crashes at every step.
#include <gtest/gtest.h>

#include <fstream>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

#include "installation_builder.h"
#include "common/ascii_text.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/replacement_journal.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;
using Outcome = ReplacementResult::Outcome;

struct SimulatedCrash {
    std::string operation;
};

// Throws at the n-th file operation it sees (counting from 0), as a power cut there would
// stop the work; counts the operations either way.
struct CrashAt {
    explicit CrashAt(int step) : crashAt(step) {}
    int crashAt = -1;
    int seen = 0;
    std::vector<std::string> operations;
    Failpoint Hook() {
        return [this](std::string_view operation) {
            operations.emplace_back(operation);
            if (seen++ == crashAt) throw SimulatedCrash{std::string(operation)};
        };
    }
};

class ReplaceKey : public ::testing::Test {
protected:
    void SetUp() override { Prepare(root.Path()); }

    // An installation whose SYSTEM and SOFTWARE have compacted copies beside them.
    void Prepare(const fs::path& folder) {
        MakeInstallation(folder, {});
        OfflineSystem system(folder.string());
        for (const char* hive : {"SYSTEM", "SOFTWARE"}) {
            KeyHandle key = 0;
            ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, hive, key), status::Success);
            ASSERT_EQ(system.RegSaveKey(key, std::string("C:\\Windows\\System32\\config\\") + hive + ".kvf"),
                      status::Success);
            system.RegCloseKey(key);
        }
    }
    static fs::path Config(const fs::path& folder, const std::string& name) {
        return folder / "Windows/System32/config" / name;
    }
    fs::path Config(const std::string& name) const { return Config(root.Path(), name); }

    // Asks for the hive's copy to replace it, as the program does; the sub-key's spelling is free.
    static long Request(System& system, const std::string& subKey) {
        std::string file = "C:\\Windows\\System32\\config\\" + common::AsciiUpperCase(subKey);
        return system.RegReplaceKey(RootKey::LocalMachine, subKey, file + ".kvf", file + ".bak");
    }

    static void RequestBoth(System& system) {
        ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
        ASSERT_EQ(Request(system, "SOFTWARE"), status::Success);
    }

    // Replace calls cut by a power failure before each of their file operations in turn, each
    // time in a fresh copy of the installation; `after` looks at the folder and is told where
    // the cut came ("" once the calls and the restart ran to their end, which is the last round).
    // Returns how many runs were cut.
    int CutTheRestartAtEachStep(const std::function<void(System&)>& requests, unsigned flags,
                                const std::function<void(const fs::path& folder, const std::string& cutAt)>& after) {
        int cuts = 0;
        for (int step = 0;; ++step) {
            TempFolder folder;
            CopyContents(root.Path(), folder.Path());
            CrashAt crash{step};
            std::string cutAt;
            try {
                OfflineSystem system(folder.Path().string(), crash.Hook());
                requests(system);
                if (HasFatalFailure()) return cuts;
                system.ExitWindowsEx(flags, 1);
            } catch (const SimulatedCrash&) {
                cutAt = crash.operations.back();
                ++cuts;
            }
            after(folder.Path(), cutAt);
            if (cutAt.empty()) return cuts;
        }
    }
    static std::string When(const std::string& cutAt) {
        return cutAt.empty() ? "without a crash" : "after a crash at " + cutAt;
    }

    TempFolder root;
};

// As the kernel carries out the call: the hive goes to the backup name and the copy takes its
// name at once; nothing is left waiting for a restart that never comes offline.
TEST_F(ReplaceKey, EachCallPutsItsCopyInPlaceAndKeepsTheBackup) {
    auto oldSystem = ReadBytes(Config("SYSTEM"));
    auto newSystem = ReadBytes(Config("SYSTEM.kvf"));
    auto oldSoftware = ReadBytes(Config("SOFTWARE"));
    auto newSoftware = ReadBytes(Config("SOFTWARE.kvf"));
    {
        OfflineSystem system(root.Path().string());
        ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
        EXPECT_EQ(ReadBytes(Config("SYSTEM")), newSystem);
        EXPECT_EQ(ReadBytes(Config("SYSTEM.bak")), oldSystem);
        ASSERT_EQ(Request(system, "software"), status::Success);
        EXPECT_TRUE(system.OpenExclusive("C:\\Windows\\System32\\config\\SYSTEM.bak"));
    }
    EXPECT_EQ(ReadBytes(Config("SOFTWARE")), newSoftware);
    EXPECT_EQ(ReadBytes(Config("SOFTWARE.bak")), oldSoftware);
    EXPECT_FALSE(fs::exists(Config("SYSTEM.kvf")));
    EXPECT_FALSE(fs::exists(JournalFile(InstallationPaths(root.Path()))));

    // A later run, and its restart, have nothing left to do.
    OfflineSystem later(root.Path().string());
    EXPECT_TRUE(later.ReplacementResults().empty());
    EXPECT_TRUE(later.ExitWindowsEx(exitflags::Reboot | exitflags::Force, 1));
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), newSystem);
    EXPECT_EQ(ReadBytes(Config("SYSTEM.bak")), oldSystem);
}

// Requests that the older builds left waiting for a restart (a run killed before it): nothing of
// theirs was renamed, and they no longer lock anything out.
TEST_F(ReplaceKey, RequestsAnOlderBuildLeftWaitingAreDropped) {
    const InstallationPaths paths(root.Path());
    const auto oldSystem = ReadBytes(Config("SYSTEM"));
    ReplacementJournal journal;
    journal.entries.push_back({PendingReplacement::State::Pending, Config("SYSTEM"), Config("SYSTEM.kvf"),
                               Config("SYSTEM.bak")});
    const std::string text = FormatJournal(journal, paths);
    WriteBytes(JournalFile(paths), std::vector<std::uint8_t>(text.begin(), text.end()));
    OfflineSystem system(root.Path().string());
    EXPECT_TRUE(system.ReplacementResults().empty());
    EXPECT_FALSE(fs::exists(JournalFile(paths)));
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), oldSystem);
    EXPECT_EQ(Request(system, "SYSTEM"), status::Success);
}

// Another program on this computer may write the mounted installation's registry after the
// analysis: a copy older than its hive, or than one of the hive's logs, would undo that write.
TEST_F(ReplaceKey, ACopyOlderThanItsHiveOrItsLogsIsRefused) {
    const auto copied = fs::last_write_time(Config("SYSTEM.kvf"));
    struct Case {
        const char* name;
        const char* written;   // the file written after the copy
    };
    for (const Case& c : {Case{"the hive", "SYSTEM"}, Case{"its log", "SYSTEM.LOG1"}}) {
        SCOPED_TRACE(c.name);
        if (!fs::exists(Config(c.written))) WriteBytes(Config(c.written), std::vector<std::uint8_t>(512, 0));
        fs::last_write_time(Config(c.written), copied + std::chrono::seconds(2));
        OfflineSystem system(root.Path().string());
        ASSERT_EQ(Request(system, "SYSTEM"), status::BadDatabase);
        EXPECT_EQ(system.ErrorText(status::BadDatabase),
                  std::string("the file is not a usable hive (error 1009): ") + c.written +
                      " was written after its copy SYSTEM.kvf was made; analyse again");
        fs::last_write_time(Config(c.written), copied - std::chrono::seconds(2));
    }
    // Written before the copy was made, as an analysis leaves them: accepted.
    OfflineSystem system(root.Path().string());
    EXPECT_EQ(Request(system, "SYSTEM"), status::Success);
}

TEST_F(ReplaceKey, RequestsThatAreRefused) {
    OfflineSystem system(root.Path().string());
    const std::string config = "C:\\Windows\\System32\\config\\";
    WriteBytes(Config("SAM.bak"), {1});
    WriteBytes(Config("garbage.kvf"), std::vector<std::uint8_t>(9000, 0x31));
    struct Case {
        RootKey root;
        std::string subKey, newFile, oldFile;
        long status;
    };
    const Case cases[] = {
        {RootKey::Users, "", config + "SYSTEM.kvf", config + "x.bak", status::InvalidParameter},
        {RootKey::LocalMachine, "HARDWARE", config + "SYSTEM.kvf", config + "x.bak", status::FileNotFound},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft", config + "SOFTWARE.kvf", config + "x.bak", status::FileNotFound},
        {RootKey::LocalMachine, "SAM", config + "SAM.kvf", config + "SAM.bak0", status::FileNotFound},
        {RootKey::LocalMachine, "SYSTEM", config + "SYSTEM.kvf", config + "SAM.bak", status::AlreadyExists},
        {RootKey::LocalMachine, "SYSTEM", config + "SYSTEM.kvf", "C:\\nowhere\\SYSTEM.bak", status::PathNotFound},
        {RootKey::LocalMachine, "SYSTEM", config + "SYSTEM.kvf", config + "system", status::InvalidParameter},
        {RootKey::LocalMachine, "SYSTEM", config + "garbage.kvf", config + "SYSTEM.bak", status::BadDatabase},
    };
    for (const Case& c : cases)
        EXPECT_EQ(system.RegReplaceKey(c.root, c.subKey, c.newFile, c.oldFile), c.status) << c.subKey << " " << c.oldFile;
    EXPECT_FALSE(fs::exists(JournalFile(InstallationPaths(root.Path()))));
}

// A journal that a power cut brought back is found much later, after Windows wrote the new hive:
// its files are no longer those it describes, so nothing is swapped; the hive is named with the
// journal, which is kept aside for whoever looks into it and acts no more.
TEST_F(ReplaceKey, AJournalFoundOverFilesThatChangedIsRefusedAndNamed) {
    const InstallationPaths paths(root.Path());
    ReplacementJournal journal;
    journal.restarting = true;
    journal.entries.push_back({PendingReplacement::State::Swapping, Config("SYSTEM"), Config("SYSTEM.kvf"),
                               Config("SYSTEM.bak"), MarkOf(Config("SYSTEM")), MarkOf(Config("SYSTEM.kvf"))});
    const std::string text = FormatJournal(journal, paths);
    {
        OfflineSystem system(root.Path().string());
        ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
    }
    // Windows starts on the new hive and writes it: both sequence numbers move on.
    {
        std::fstream hive(Config("SYSTEM"), std::ios::in | std::ios::out | std::ios::binary);
        const char later[8] = {'\x70', 0, 0, 0, '\x70', 0, 0, 0};
        hive.seekp(4);
        hive.write(later, sizeof later);
    }
    const auto written = ReadBytes(Config("SYSTEM")), backup = ReadBytes(Config("SYSTEM.bak"));
    WriteBytes(JournalFile(paths), std::vector<std::uint8_t>(text.begin(), text.end()));

    OfflineSystem later(root.Path().string());
    const auto results = later.ReplacementResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, Outcome::Refused);
    EXPECT_NE(results[0].reason.find(JournalFile(paths).filename().string()), std::string::npos) << results[0].reason;
    EXPECT_NE(results[0].reason.find("no longer describes "), std::string::npos) << results[0].reason;
    EXPECT_NE(results[0].reason.find("SYSTEM, so nothing was swapped"), std::string::npos) << results[0].reason;
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), written);
    EXPECT_EQ(ReadBytes(Config("SYSTEM.bak")), backup);
    EXPECT_FALSE(fs::exists(JournalFile(paths)));
    EXPECT_TRUE(fs::exists(RefusedJournalFile(paths)));
    // The tool is not locked out: the next run finds nothing to do and may hand over again.
    OfflineSystem next(root.Path().string());
    EXPECT_TRUE(next.ReplacementResults().empty());
}

TEST_F(ReplaceKey, ASpoiledNewFileIsRefusedAndTheHiveStays) {
    auto oldSystem = ReadBytes(Config("SYSTEM"));
    auto spoiled = ReadBytes(Config("SYSTEM.kvf"));
    for (std::size_t i = 4096; i < spoiled.size(); i += 7) spoiled[i] ^= 0x5A;
    WriteBytes(Config("SYSTEM.kvf"), spoiled);
    OfflineSystem system(root.Path().string());
    EXPECT_EQ(Request(system, "SYSTEM"), status::BadDatabase);
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), oldSystem);
    EXPECT_FALSE(fs::exists(Config("SYSTEM.bak")));
    // The backup's name is taken once a hive was replaced: a second call is refused as Windows does.
    ASSERT_EQ(Request(system, "SOFTWARE"), status::Success);
    fs::copy_file(Config("SOFTWARE.bak"), Config("SOFTWARE.kvf"));
    EXPECT_EQ(Request(system, "SOFTWARE"), status::AlreadyExists);
}

// The journal's removal at the end of a start is not flushed: a power cut may bring it back, and
// the next start then finds each swap done and changes nothing.
TEST_F(ReplaceKey, AJournalThatAPowerCutBringsBackFindsEachSwapDone) {
    const InstallationPaths paths(root.Path());
    OfflineSystem system(root.Path().string());
    ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
    ASSERT_EQ(Request(system, "SOFTWARE"), status::Success);
    std::string error;
    auto journal = LoadJournal(paths, error);
    ASSERT_TRUE(journal) << error;
    ASSERT_TRUE(journal->entries.empty());   // each call removed its own
    journal->restarting = true;
    journal->entries.push_back({PendingReplacement::State::Swapping, Config("SYSTEM"), Config("SYSTEM.kvf"),
                                Config("SYSTEM.bak")});
    journal->entries.push_back({PendingReplacement::State::Swapping, Config("SOFTWARE"), Config("SOFTWARE.kvf"),
                                Config("SOFTWARE.bak")});
    const std::string started = FormatJournal(*journal, paths);
    const auto hive = ReadBytes(Config("SYSTEM")), backup = ReadBytes(Config("SYSTEM.bak"));

    WriteBytes(JournalFile(paths), std::vector<std::uint8_t>(started.begin(), started.end()));
    OfflineSystem next(root.Path().string());
    ASSERT_EQ(next.ReplacementResults().size(), 2u);
    for (const auto& result : next.ReplacementResults())
        EXPECT_EQ(result.outcome, Outcome::Replaced) << result.hive << ": " << result.reason;
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), hive);
    EXPECT_EQ(ReadBytes(Config("SYSTEM.bak")), backup);
    EXPECT_FALSE(fs::exists(JournalFile(paths)));
}


// Checks, after the next start, that each hive is whole: the old one or the new one, sound.
void ExpectEachHiveOldOrNew(const fs::path& folder, const std::map<std::string, std::vector<std::uint8_t>>& oldBytes,
                            const std::map<std::string, std::vector<std::uint8_t>>& newBytes, const std::string& when) {
    for (const auto& [name, before] : oldBytes) {
        fs::path hive = folder / "Windows/System32/config" / name;
        ASSERT_TRUE(fs::exists(hive)) << name << " missing " << when;
        auto now = ReadBytes(hive);
        bool isOld = now == before, isNew = now == newBytes.at(name);
        EXPECT_TRUE(isOld || isNew) << name << " is neither the old nor the new hive " << when;
        EXPECT_TRUE(regf::CheckFile(hive.string()).sound) << name << " " << when;
        if (isNew) {
            fs::path backup = hive;
            backup += ".bak";
            EXPECT_EQ(ReadBytes(backup), before) << name << ": the backup is not the old hive " << when;
        }
    }
}

TEST_F(ReplaceKey, ACrashAtAnyStepOfTheRestartLosesNoHive) {
    std::map<std::string, std::vector<std::uint8_t>> oldBytes, newBytes;
    for (const char* name : {"SYSTEM", "SOFTWARE"}) {
        oldBytes[name] = ReadBytes(Config(name));
        newBytes[name] = ReadBytes(Config(std::string(name) + ".kvf"));
        ASSERT_NE(oldBytes[name], newBytes[name]) << "the copy must differ from its hive for this test to see anything";
    }
    const int crashes = CutTheRestartAtEachStep(RequestBoth, exitflags::Reboot | exitflags::Force,
                                                [&](const fs::path& folder, const std::string& cutAt) {
        // The next start finishes or undoes the call that was cut; each hive is the old one or
        // the new one, never lost, and nothing is left waiting. Without a cut both are new.
        OfflineSystem next(folder.string());
        ExpectEachHiveOldOrNew(folder, oldBytes, newBytes, When(cutAt));
        next.ExitWindowsEx(exitflags::Reboot, 1);
        if (cutAt.empty())
            for (const auto& [name, bytes] : newBytes)
                EXPECT_EQ(ReadBytes(Config(folder, name)), bytes) << name << " " << When(cutAt);
        EXPECT_FALSE(fs::exists(JournalFile(InstallationPaths(folder)))) << When(cutAt);
    });
    // Per call: the new file's flush, the journal (write, flush, rename, flush the folder), the
    // hive aside and the folder flushed, the new file in place and the folder flushed, the
    // journal removed.
    EXPECT_GE(crashes, 14);
    std::printf("the restart was interrupted at each of its %d file operations\n", crashes);
}

// The logs a hive has beside it, by the suffix after the hive's name (".LOG1"), with their bytes.
std::map<std::string, std::vector<std::uint8_t>> LogsOf(const fs::path& hive) {
    std::map<std::string, std::vector<std::uint8_t>> logs;
    const std::string stem = hive.filename().string();
    for (const auto& entry : fs::directory_iterator(hive.parent_path())) {
        std::string name = entry.path().filename().string();
        if (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
            common::AsciiUpperCase(name.substr(stem.size())).rfind(".LOG", 0) == 0)
            logs[name.substr(stem.size())] = ReadBytes(entry.path());
    }
    return logs;
}

// SYSTEM and SOFTWARE with the logs Windows keeps beside them, in the letter cases seen on
// real systems; each log's bytes name its hive, so a log beside the wrong file shows.
class ReplaceKeyWithLogs : public ReplaceKey {
protected:
    void SetUp() override {
        ReplaceKey::SetUp();
        for (const char* hive : {"SYSTEM", "SOFTWARE"})
            for (const char* suffix : {".LOG", ".LOG1", ".log2"}) {
                std::string text = std::string(hive) + suffix;
                WriteBytes(Config(text), std::vector<std::uint8_t>(text.begin(), text.end()));
                // Logs the hive had when its copy was made.
                fs::last_write_time(Config(text), fs::last_write_time(Config(std::string(hive) + ".kvf")) -
                                                      std::chrono::seconds(1));
                logs[hive][suffix] = std::vector<std::uint8_t>(text.begin(), text.end());
            }
    }
    // Either the old hive with its logs beside it and none under the backup's name, or the new
    // hive with no log beside it and the old logs beside the backup.
    void ExpectLogsWithTheirHive(const fs::path& folder, const std::map<std::string, std::vector<std::uint8_t>>& oldBytes,
                                 const std::string& when) {
        for (const auto& [name, before] : oldBytes) {
            fs::path hive = Config(folder, name);
            fs::path backup = Config(folder, name + ".bak");
            const bool isOld = ReadBytes(hive) == before;
            const std::map<std::string, std::vector<std::uint8_t>> none;
            EXPECT_EQ(LogsOf(hive), isOld ? logs[name] : none) << name << " " << when;
            EXPECT_EQ(LogsOf(backup), isOld ? none : logs[name]) << name << ".bak " << when;
        }
    }
    std::map<std::string, std::map<std::string, std::vector<std::uint8_t>>> logs;
};

TEST_F(ReplaceKeyWithLogs, TheOldLogsGoWithTheBackupEvenWhenTheRestartIsInterrupted) {
    std::map<std::string, std::vector<std::uint8_t>> oldBytes, newBytes;
    for (const char* name : {"SYSTEM", "SOFTWARE"}) {
        oldBytes[name] = ReadBytes(Config(name));
        newBytes[name] = ReadBytes(Config(std::string(name) + ".kvf"));
    }
    const int crashes = CutTheRestartAtEachStep(RequestBoth, exitflags::Reboot | exitflags::Force,
                                                [&](const fs::path& folder, const std::string& cutAt) {
        const std::string when = When(cutAt);
        OfflineSystem next(folder.string());
        ExpectEachHiveOldOrNew(folder, oldBytes, newBytes, when);
        ExpectLogsWithTheirHive(folder, oldBytes, when);
        next.ExitWindowsEx(exitflags::Reboot, 1);
        for (const auto& [name, bytes] : newBytes) {
            if (ReadBytes(Config(folder, name)) != bytes) continue;   // undone: checked above
            EXPECT_TRUE(LogsOf(Config(folder, name)).empty()) << name << " " << when;
            EXPECT_EQ(LogsOf(Config(folder, name + ".bak")), logs[name]) << name << " " << when;
        }
    });
    // Besides the steps without logs, three log renames per hive, flushed with the hives.
    EXPECT_GE(crashes, 21);
    std::printf("the restart with logs was interrupted at each of its %d file operations\n", crashes);
}

// The same crashes, and then the new files are gone before the next start: it undoes the
// replacements still open, and every old hive has its logs back beside it.
TEST_F(ReplaceKeyWithLogs, AnUndoneReplacementPutsTheLogsBack) {
    std::map<std::string, std::vector<std::uint8_t>> oldBytes, newBytes;
    for (const char* name : {"SYSTEM", "SOFTWARE"}) {
        oldBytes[name] = ReadBytes(Config(name));
        newBytes[name] = ReadBytes(Config(std::string(name) + ".kvf"));
    }
    int undone = 0;
    CutTheRestartAtEachStep(RequestBoth, exitflags::Reboot, [&](const fs::path& folder, const std::string& cutAt) {
        if (cutAt.empty()) return;
        for (const char* name : {"SYSTEM.kvf", "SOFTWARE.kvf"}) fs::remove(Config(folder, name));
        const std::string when = When(cutAt) + " and the new files removed";
        OfflineSystem next(folder.string());
        for (const auto& result : next.ReplacementResults())
            if (result.outcome == Outcome::RolledBack) ++undone;
        ExpectEachHiveOldOrNew(folder, oldBytes, newBytes, when);
        ExpectLogsWithTheirHive(folder, oldBytes, when);
    });
    EXPECT_GE(undone, 10);
}

// The way back: each backup goes back in its hive's place with its logs, the compacted hive to
// .undone. Cut at every step, the hive is the compacted one (its backup and the backup's logs
// waiting) or the old one with its logs beside it; the next start finishes.
TEST_F(ReplaceKeyWithLogs, PuttingBackupsBackBringsTheirLogsAlongEvenWhenInterrupted) {
    std::map<std::string, std::vector<std::uint8_t>> oldBytes, compacted;
    for (const char* name : {"SYSTEM", "SOFTWARE"}) {
        oldBytes[name] = ReadBytes(Config(name));
        compacted[name] = ReadBytes(Config(std::string(name) + ".kvf"));
    }
    {
        OfflineSystem system(root.Path().string());
        ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
        ASSERT_EQ(Request(system, "SOFTWARE"), status::Success);
        system.ExitWindowsEx(exitflags::Reboot, 1);
    }
    auto undoRequests = [](System& system) {
        for (const char* name : {"SYSTEM", "SOFTWARE"}) {
            const std::string file = std::string("C:\\Windows\\System32\\config\\") + name;
            ASSERT_EQ(system.RegReplaceKey(RootKey::LocalMachine, name, file + ".bak", file + ".undone"),
                      status::Success);
        }
    };
    const int crashes = CutTheRestartAtEachStep(undoRequests, exitflags::Reboot,
                                                [&](const fs::path& folder, const std::string& cutAt) {
        const std::string when = When(cutAt);
        OfflineSystem next(folder.string());
        const std::map<std::string, std::vector<std::uint8_t>> none;
        for (const auto& [name, old] : oldBytes) {
            const auto now = ReadBytes(Config(folder, name));
            if (now == compacted[name]) {
                EXPECT_EQ(ReadBytes(Config(folder, name + ".bak")), old) << name << " " << when;
                EXPECT_EQ(LogsOf(Config(folder, name + ".bak")), logs[name]) << name << " " << when;
                EXPECT_EQ(LogsOf(Config(folder, name)), none) << name << " " << when;
            } else {
                EXPECT_EQ(now, old) << name << " is neither hive " << when;
                EXPECT_EQ(ReadBytes(Config(folder, name + ".undone")), compacted[name]) << name << " " << when;
                EXPECT_EQ(LogsOf(Config(folder, name)), logs[name]) << name << " " << when;
                EXPECT_FALSE(fs::exists(Config(folder, name + ".bak"))) << name << " " << when;
            }
        }
        next.ExitWindowsEx(exitflags::Reboot, 1);
        // A call that was cut is undone; without a cut every hive is back with its logs.
        for (const auto& [name, old] : oldBytes) {
            if (!cutAt.empty()) continue;
            EXPECT_EQ(ReadBytes(Config(folder, name)), old) << name << " " << when;
            EXPECT_EQ(LogsOf(Config(folder, name)), logs[name]) << name << " " << when;
        }
    });
    EXPECT_GE(crashes, 21);   // as many steps as the replacement: the logs move the other way
}

TEST_F(ReplaceKeyWithLogs, ALogInTheBackupsPlaceRefusesTheReplacement) {
    WriteBytes(Config("SYSTEM.bak.LOG1"), {7});
    auto oldSystem = ReadBytes(Config("SYSTEM"));
    OfflineSystem system(root.Path().string());
    const long status = Request(system, "SYSTEM");
    ASSERT_NE(status, status::Success);
    const std::string reason = system.ErrorText(status);
    EXPECT_NE(reason.find("SYSTEM.bak.LOG1 already exists"), std::string::npos) << reason;
    EXPECT_EQ(ReadBytes(Config("SYSTEM")), oldSystem);
    EXPECT_EQ(LogsOf(Config("SYSTEM")), logs["SYSTEM"]);
}

// A log may spell its hive's name otherwise than the hive does: the real Windows 10 user hive
// in the shared test data came as NTUSER.DAT with ntuser.dat.log1. Windows ignores the letter
// case, a folder on ntfs-3g keeps it: each log keeps its own spelling beside the backup and is
// back under its very name after the way back.
TEST_F(ReplaceKey, ALogKeepsItsOwnSpellingOfItsHiveThereAndBack) {
    struct Log {
        const char* name;
        const char* besideBackup;
    };
    const Log table[] = {
        {"system.log1", "system.bak.log1"},
        {"System.LOG2", "System.bak.LOG2"},
        {"SYSTEM.LOG", "SYSTEM.bak.LOG"},
    };
    auto logNames = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(Config("")))
            if (common::AsciiContainsNoCase(entry.path().filename().string(), ".log"))
                names.insert(entry.path().filename().string());
        return names;
    };
    std::set<std::string> before, besideBackup;
    // The logs were there before the copy was made, as they are when an analysis runs: a log
    // written after its hive's copy makes the hand-over refuse the copy.
    const auto copyTime = fs::last_write_time(Config("SYSTEM.kvf"));
    for (const Log& log : table) {
        WriteBytes(Config(log.name), std::vector<std::uint8_t>(log.name, log.name + std::strlen(log.name)));
        fs::last_write_time(Config(log.name), copyTime - std::chrono::hours(1));
        before.insert(log.name);
        besideBackup.insert(log.besideBackup);
    }
    ASSERT_EQ(logNames(), before);
    {
        OfflineSystem system(root.Path().string());
        ASSERT_EQ(Request(system, "SYSTEM"), status::Success);
        system.ExitWindowsEx(exitflags::Reboot, 1);
    }
    EXPECT_EQ(logNames(), besideBackup);
    for (const Log& log : table)
        EXPECT_EQ(ReadBytes(Config(log.besideBackup)), std::vector<std::uint8_t>(log.name, log.name + std::strlen(log.name)));
    {
        OfflineSystem system(root.Path().string());
        const std::string file = "C:\\Windows\\System32\\config\\SYSTEM";
        ASSERT_EQ(system.RegReplaceKey(RootKey::LocalMachine, "SYSTEM", file + ".bak", file + ".undone"), status::Success);
        system.ExitWindowsEx(exitflags::Reboot, 1);
    }
    EXPECT_EQ(logNames(), before);
    for (const Log& log : table)
        EXPECT_EQ(ReadBytes(Config(log.name)), std::vector<std::uint8_t>(log.name, log.name + std::strlen(log.name)));
}

TEST_F(ReplaceKey, ACrashDuringTheRecoveryIsRecoveredToo) {
    auto oldSystem = ReadBytes(Config("SYSTEM"));
    auto newSystem = ReadBytes(Config("SYSTEM.kvf"));
    ASSERT_NE(oldSystem, newSystem);
    std::map<std::string, std::vector<std::uint8_t>> oldBytes{{"SYSTEM", oldSystem}}, newBytes{{"SYSTEM", newSystem}};
    int cases = 0;
    for (int first = 0;; ++first) {
        bool firstCrashed = false;
        for (int second = 0;; ++second) {
            TempFolder folder;
            CopyContents(root.Path(), folder.Path());
            CrashAt crash1{first};
            try {
                OfflineSystem system(folder.Path().string(), crash1.Hook());
                Request(system, "SYSTEM");
            } catch (const SimulatedCrash&) {
                firstCrashed = true;
            }
            if (!firstCrashed) break;
            CrashAt crash2{second};
            bool secondCrashed = false;
            try {
                OfflineSystem recovering(folder.Path().string(), crash2.Hook());
            } catch (const SimulatedCrash&) {
                secondCrashed = true;
            }
            ++cases;
            std::string when = "crashes before steps " + std::to_string(first) + " and " + std::to_string(second);
            OfflineSystem next(folder.Path().string());
            ExpectEachHiveOldOrNew(folder.Path(), oldBytes, newBytes, when);
            next.ExitWindowsEx(exitflags::Reboot, 1);
            EXPECT_FALSE(fs::exists(JournalFile(InstallationPaths(folder.Path())))) << when;
            if (!secondCrashed) break;
        }
        if (!firstCrashed) break;
    }
    EXPECT_GE(cases, 10);
    std::printf("%d pairs of crashes, in the replace call and then in the recovery\n", cases);
}

}  // namespace
}  // namespace kelvara::platform::offline::testing
