// A failing disk at every file operation that writes: the copy, the hand-over, the restart.
// Each sweep first counts the operations of a clean run, then fails the n-th of them for every
// n with a full disk, an I/O error and a denied access. Whatever fails, every hive is its old
// file or the whole new one, no partial copy or temporary file stays, the message names the
// file and the reason, and the next run without faults does the whole job.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "common/ascii_text.h"
#include "common/file_faults.h"
#include "installation_builder.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/replacement_journal.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;
using Outcome = ReplacementResult::Outcome;

// Installs a fault hook that counts every operation and fails the n-th (from 1) with `error`;
// n = 0 fails none. Removed again at the end of the scope.
class DiskFailsAt {
public:
    DiskFailsAt(int n, int error) : n_(n), error_(error) {
        common::SetFileFaultHook([this](std::string_view operation, const std::string& file) {
            if (++calls_ != n_) return 0;
            failed_ = std::string(operation) + " " + file;
            return error_;
        });
    }
    ~DiskFailsAt() { common::SetFileFaultHook(nullptr); }
    DiskFailsAt(const DiskFailsAt&) = delete;
    DiskFailsAt& operator=(const DiskFailsAt&) = delete;

    int Calls() const { return calls_; }
    // The operation that was made to fail, or empty.
    const std::string& Failed() const { return failed_; }

private:
    int n_;
    int error_;
    int calls_ = 0;
    std::string failed_;
};

std::string Reason(int error) { return std::generic_category().message(error); }

std::string ErrorName(int error) {
    switch (error) {
    case ENOSPC: return "disk full";
    case EIO: return "I/O error";
    case EACCES: return "access denied";
    default: return std::to_string(error);
    }
}

// The names of every file below `folder` that ends with one of the temporary suffixes the
// program writes (a copy being made, a journal or INI being replaced).
std::vector<std::string> LeftOverTemporaries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        for (const char* suffix : {".tmp", ".kvtmp", ".kvnew", ".kvold"})
            if (name.size() > std::char_traits<char>::length(suffix) &&
                name.compare(name.size() - std::char_traits<char>::length(suffix), std::string::npos, suffix) == 0)
                found.push_back(entry.path().string());
    }
    return found;
}

struct HiveCase {
    RootKey root;
    std::string subKey;
    std::string file;   // the hive's file as the program names it
};

const char* kConfig = "C:\\Windows\\System32\\config\\";
const char* kSid = "S-1-5-21-7-8-9-1001";

std::vector<HiveCase> EveryHive() {
    const std::string config = kConfig;
    const std::string profile = "C:\\Users\\dave\\";
    return {
        {RootKey::LocalMachine, "SYSTEM", config + "SYSTEM"},
        {RootKey::LocalMachine, "SOFTWARE", config + "SOFTWARE"},
        {RootKey::LocalMachine, "SAM", config + "SAM"},
        {RootKey::LocalMachine, "SECURITY", config + "SECURITY"},
        {RootKey::Users, ".DEFAULT", config + "DEFAULT"},
        {RootKey::Users, kSid, profile + "NTUSER.DAT"},
        {RootKey::Users, std::string(kSid) + "_Classes", profile + "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"},
    };
}

// The two hives the hand-over and restart sweeps replace.
std::vector<HiveCase> ReplacedHives() {
    std::vector<HiveCase> all = EveryHive();
    return {all[0], all[1]};
}

class WriteFaults : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        InstallationSpec layout;
        layout.users = {{kSid, "%SystemDrive%\\Users\\dave", "Users/dave"}};
        MakeInstallation(root.Path(), layout);
    }

    static fs::path Native(const fs::path& folder, const std::string& file) {
        return InstallationPaths(folder).Resolve(file.substr(3));
    }

    // The program's copy of one hive: an old copy goes first, as a copy of the last run must
    // never pass for this one's (when it cannot go, the save says why). Answers the status and,
    // on failure, the message.
    static long SaveCopy(OfflineSystem& system, const HiveCase& hive, std::string& message) {
        const std::string copy = hive.file + ".kvf";
        if (system.FileExists(copy)) system.DeleteFile(copy);
        KeyHandle key = 0;
        long opened = system.RegOpenKey(hive.root, hive.subKey, key);
        if (opened != status::Success) return opened;
        long saved = system.RegSaveKey(key, copy);
        if (saved != status::Success) message = system.ErrorText(saved);
        system.RegCloseKey(key);
        return saved;
    }

    // The program's hand-over of one copy: the backup's name is freed first.
    static long HandOver(OfflineSystem& system, const HiveCase& hive, std::string& message) {
        const std::string backup = hive.file + ".bak";
        if (system.FileExists(backup) && !system.DeleteFile(backup)) {
            message = system.ErrorText(status::CantWrite);
            return status::CantWrite;
        }
        long status = system.RegReplaceKey(hive.root, hive.subKey, hive.file + ".kvf", backup);
        if (status != status::Success) message = system.ErrorText(status);
        return status;
    }

    // A whole run without faults: copy, hand over, restart. Every hive ends as its new copy,
    // holding what it held before.
    static void ExpectAWholeRunWorks(const fs::path& folder, const std::vector<HiveCase>& hives,
                                     const std::string& when) {
        std::map<std::string, std::vector<std::string>> content;
        for (const HiveCase& hive : hives) content[hive.file] = DescribeHive(Native(folder, hive.file));
        OfflineSystem system(folder.string());   // finishes whatever an earlier run left half done
        for (const HiveCase& hive : hives) {
            std::string message;
            ASSERT_EQ(SaveCopy(system, hive, message), status::Success) << hive.file << " " << message << " " << when;
            ASSERT_EQ(HandOver(system, hive, message), status::Success) << hive.file << " " << message << " " << when;
        }
        for (const ReplacementResult& result : system.ReplacementResults())
            EXPECT_EQ(result.outcome, Outcome::Replaced) << result.hive << ": " << result.reason << " " << when;
        EXPECT_EQ(system.ReplacementResults().size(), hives.size()) << when;
        for (const HiveCase& hive : hives) {
            const fs::path file = Native(folder, hive.file);
            EXPECT_TRUE(regf::CheckFile(file.string()).sound) << hive.file << " " << when;
            EXPECT_EQ(DescribeHive(file), content[hive.file]) << hive.file << " " << when;
        }
        EXPECT_EQ(LeftOverTemporaries(folder), std::vector<std::string>{}) << when;
    }

    // The bytes of each hive and of its copy, once the copies are saved in the prepared folder
    // (and handed over, when asked).
    struct Saved {
        std::map<std::string, std::vector<std::uint8_t>> old, copies;
    };
    Saved SaveCopies(const std::vector<HiveCase>& hives, bool handOver) {
        Saved saved;
        OfflineSystem system(root.Path().string());
        for (const HiveCase& hive : hives) {
            std::string message;
            EXPECT_EQ(SaveCopy(system, hive, message), status::Success) << hive.file << " " << message;
            saved.old[hive.file] = ReadBytes(Native(root.Path(), hive.file));
            saved.copies[hive.file] = ReadBytes(Native(root.Path(), hive.file + ".kvf"));
            if (handOver) {
                EXPECT_EQ(HandOver(system, hive, message), status::Success) << hive.file << " " << message;
            }
        }
        return saved;
    }

    // How many file operations `step` makes on a fresh copy of the prepared folder when none fails.
    int OperationsOf(int error, const std::function<void(OfflineSystem&)>& step) {
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        OfflineSystem system(folder.Path().string());
        DiskFailsAt counting(0, error);
        step(system);
        return counting.Calls();
    }

    // Every hive is sound and either exactly its old file or exactly its new copy.
    static void ExpectEachHiveOldOrNew(const fs::path& folder, const std::map<std::string, std::vector<std::uint8_t>>& old,
                                       const std::map<std::string, std::vector<std::uint8_t>>& copies,
                                       const std::string& when) {
        for (const auto& [file, before] : old) {
            const fs::path native = Native(folder, file);
            const auto now = ReadBytes(native);
            EXPECT_TRUE(now == before || now == copies.at(file)) << file << " is neither its old file nor its copy " << when;
            EXPECT_TRUE(regf::CheckFile(native.string()).sound) << file << " " << when;
        }
    }

    TempFolder root;
};

// The copy of every kind of hive, failing at each operation.
TEST_P(WriteFaults, TheCopyLeavesNoPartialFileAndSaysWhy) {
    const int error = GetParam();
    const std::vector<HiveCase> hives = EveryHive();
    std::map<std::string, std::vector<std::uint8_t>> before;
    for (const HiveCase& hive : hives) before[hive.file] = ReadBytes(Native(root.Path(), hive.file));

    // Each run finds last run's copies and deletes them first, as the program does.
    auto saveAll = [&](std::map<std::string, long>& saved, std::map<std::string, std::string>& messages) {
        OfflineSystem system(root.Path().string());
        for (const HiveCase& hive : hives) saved[hive.file] = SaveCopy(system, hive, messages[hive.file]);
    };
    auto saveAllWithoutFaults = [&] {
        std::map<std::string, long> saved;
        std::map<std::string, std::string> messages;
        saveAll(saved, messages);
        for (const HiveCase& hive : hives) ASSERT_EQ(saved[hive.file], status::Success) << messages[hive.file];
    };
    saveAllWithoutFaults();
    int operations = 0;
    {
        DiskFailsAt counting(0, error);
        saveAllWithoutFaults();
        operations = counting.Calls();
    }
    ASSERT_GE(operations, 2 * static_cast<int>(hives.size()));   // each old copy deleted, each new one made

    for (int n = 1; n <= operations; ++n) {
        const std::string when = "with " + ErrorName(error) + " at operation " + std::to_string(n);
        saveAllWithoutFaults();
        std::map<std::string, long> saved;
        std::map<std::string, std::string> messages;
        {
            DiskFailsAt failing(n, error);
            saveAll(saved, messages);
            ASSERT_FALSE(failing.Failed().empty()) << when;
        }
        int failures = 0;
        for (const HiveCase& hive : hives) {
            const fs::path file = Native(root.Path(), hive.file);
            const fs::path copy = fs::path(file.string() + ".kvf");
            EXPECT_EQ(ReadBytes(file), before[hive.file]) << hive.file << " " << when;
            if (saved[hive.file] == status::Success) {
                EXPECT_TRUE(regf::CheckFile(copy.string()).sound) << copy << " " << when;
                EXPECT_EQ(DescribeHive(copy), DescribeHive(file)) << copy << " " << when;
                continue;
            }
            ++failures;
            // A failed deletion keeps last run's whole copy; a failed copy leaves none.
            if (fs::exists(copy)) {
                EXPECT_TRUE(regf::CheckFile(copy.string()).sound) << copy << " " << when;
            }
            const std::string& message = messages[hive.file];
            EXPECT_NE(message.find(hive.file + ".kvf"), std::string::npos) << message << " " << when;
            EXPECT_NE(message.find(Reason(error)), std::string::npos) << message << " " << when;
        }
        EXPECT_EQ(failures, 1) << when;
        EXPECT_EQ(LeftOverTemporaries(root.Path()), std::vector<std::string>{}) << when;
    }
    ExpectAWholeRunWorks(root.Path(), hives, "after the copy sweep");
    std::printf("the copies met %s at each of their %d file operations\n", ErrorName(error).c_str(), operations);
}

// The hand-over on a failing disk: each call swaps at once, so whatever operation fails, each
// hive is whole, the answer of its call and its result match the files (a call reported as failed
// left the old hive, one reported as done put the copy in place), the reason names the file and
// what the disk said, and a next run replaces what this one did not.
TEST_P(WriteFaults, AHandOverOnAFailingDiskLosesNoHive) {
    const int error = GetParam();
    const std::vector<HiveCase> hives = ReplacedHives();
    auto [old, copies] = SaveCopies(hives, false);
    ASSERT_FALSE(HasFailure());
    const int operations = OperationsOf(error, [&](OfflineSystem& system) {
        for (const HiveCase& hive : hives) {
            std::string message;
            EXPECT_EQ(HandOver(system, hive, message), status::Success) << message;
        }
    });
    ASSERT_FALSE(HasFailure());
    ASSERT_GE(operations, 10);

    std::set<std::string> outcomesSeen;
    for (int n = 1; n <= operations; ++n) {
        const std::string when = "with " + ErrorName(error) + " at operation " + std::to_string(n);
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        std::map<std::string, long> handedOver;
        std::string failed;
        std::vector<ReplacementResult> results;
        bool reasonGiven = false;
        {
            OfflineSystem system(folder.Path().string());
            DiskFailsAt failing(n, error);
            for (const HiveCase& hive : hives) {
                std::string message;
                handedOver[hive.file] = HandOver(system, hive, message);
                if (message.find(Reason(error)) != std::string::npos) reasonGiven = true;
            }
            failed = failing.Failed();
            results = system.ReplacementResults();
        }
        ASSERT_FALSE(failed.empty()) << when;
        const std::string where = when + " (" + failed + ")";
        EXPECT_EQ(LeftOverTemporaries(folder.Path()), std::vector<std::string>{}) << where;
        for (const ReplacementResult& result : results) {
            const std::string file = std::string(kConfig) + result.hive.filename().string();
            EXPECT_EQ(ReadBytes(result.hive), result.outcome == Outcome::Replaced ? copies[file] : old[file])
                << file << " reported " << (result.outcome == Outcome::Replaced ? "replaced " : "not replaced ") << where;
            outcomesSeen.insert(result.outcome == Outcome::Replaced   ? "replaced"
                                : result.outcome == Outcome::Refused ? "refused"
                                                                     : "rolled back");
            if (result.outcome != Outcome::Replaced && result.reason.find(Reason(error)) != std::string::npos) reasonGiven = true;
        }
        bool anyRefused = false;
        for (const auto& [file, status] : handedOver) anyRefused = anyRefused || status != status::Success;
        if (anyRefused) EXPECT_TRUE(reasonGiven) << "no refusal names what the disk said " << where;

        // The next start finds nothing half done: each hive is what its call answered.
        std::string finished;
        {
            OfflineSystem next(folder.Path().string());
            for (const ReplacementResult& result : next.ReplacementResults())
                finished += " [finished at the next start: " + result.hive.filename().string() + " " + result.reason + "]";
        }
        for (const ReplacementResult& result : results) finished += " [" + result.hive.filename().string() + ": " + result.reason + "]";
        for (const HiveCase& hive : hives) {
            const auto& expected = handedOver[hive.file] == status::Success ? copies[hive.file] : old[hive.file];
            EXPECT_EQ(ReadBytes(Native(folder.Path(), hive.file)), expected)
                << hive.file << (handedOver[hive.file] == status::Success ? " was accepted " : " was refused ") << where
                << finished;
        }
        ExpectAWholeRunWorks(folder.Path(), hives, when);
    }
    EXPECT_TRUE(outcomesSeen.count("refused") || outcomesSeen.count("rolled back")) << "no failure refused a replacement";
    std::printf("the hand-over met %s at each of its %d file operations\n", ErrorName(error).c_str(), operations);
}

// The way back on a failing disk: each backup goes back with its logs, and whatever fails, each
// hive is whole, either its compacted file or its old one, the results say which, and asking
// again for what is left puts every old hive back.
TEST_P(WriteFaults, AnUndoOnAFailingDiskLosesNoHive) {
    const int error = GetParam();
    const std::vector<HiveCase> hives = ReplacedHives();
    auto [old, copies] = SaveCopies(hives, true);
    ASSERT_FALSE(HasFailure());
    for (const HiveCase& hive : hives) ASSERT_EQ(ReadBytes(Native(root.Path(), hive.file)), copies[hive.file]);

    // Puts back every hive that still has its backup.
    auto putBack = [&](OfflineSystem& system) {
        for (const HiveCase& hive : hives)
            if (system.FileExists(hive.file + ".bak"))
                system.RegReplaceKey(hive.root, hive.subKey, hive.file + ".bak", hive.file + ".undone");
    };
    int operations = 0;
    {
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        OfflineSystem system(folder.Path().string());
        DiskFailsAt counting(0, error);
        putBack(system);
        operations = counting.Calls();
        for (const HiveCase& hive : hives)
            ASSERT_EQ(ReadBytes(Native(folder.Path(), hive.file)), old[hive.file]) << hive.file;
    }
    ASSERT_GE(operations, 10);

    for (int n = 1; n <= operations; ++n) {
        const std::string when = "with " + ErrorName(error) + " at operation " + std::to_string(n);
        TempFolder folder;
        CopyContents(root.Path(), folder.Path());
        std::vector<ReplacementResult> results;
        std::string failed;
        {
            OfflineSystem system(folder.Path().string());
            DiskFailsAt failing(n, error);
            putBack(system);
            failed = failing.Failed();
            results = system.ReplacementResults();
        }
        ASSERT_FALSE(failed.empty()) << when;
        ExpectEachHiveOldOrNew(folder.Path(), copies, old, when + " (" + failed + ")");
        EXPECT_EQ(LeftOverTemporaries(folder.Path()), std::vector<std::string>{}) << when;
        EXPECT_EQ(results.size(), hives.size()) << when << " (" << failed << ")";
        for (const ReplacementResult& result : results) {
            const std::string file = std::string(kConfig) + result.hive.filename().string();
            EXPECT_EQ(ReadBytes(result.hive), result.outcome == Outcome::Replaced ? old[file] : copies[file])
                << file << " " << when << " (" << failed << ")";
        }

        OfflineSystem again(folder.Path().string());
        putBack(again);
        for (const HiveCase& hive : hives)
            EXPECT_EQ(ReadBytes(Native(folder.Path(), hive.file)), old[hive.file]) << hive.file << " " << when;
    }
    std::printf("the undo met %s at each of its %d file operations\n", ErrorName(error).c_str(), operations);
}

#ifndef _WIN32
// The system itself refuses the copy's bytes part way through (a file size limit, which no
// seam stands in for): the engine's own write path fails, and still no partial copy stays and
// the message names the copy.
TEST(RealWriteFailure, ACopyCutShortByTheSystemLeavesNothingAndNamesTheCopy) {
    TempFolder root;
    InstallationSpec layout;
    layout.softwareKeys = 3000;
    MakeInstallation(root.Path(), layout);
    const fs::path software = root.Path() / "Windows/System32/config/SOFTWARE";
    const auto before = ReadBytes(software);
    ASSERT_GT(before.size(), 256u << 10);

    OfflineSystem system(root.Path().string());
    const std::string copy = std::string(kConfig) + "SOFTWARE.kvf";
    KeyHandle key = 0;
    ASSERT_EQ(system.RegOpenKey(RootKey::LocalMachine, "SOFTWARE", key), status::Success);
    long saved = status::Success;
    std::string message;
    {
        rlimit old{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        limited.rlim_cur = 64 << 10;
        auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        saved = system.RegSaveKey(key, copy);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        message = system.ErrorText(saved);
    }
    EXPECT_EQ(saved, status::CantWrite);
    EXPECT_NE(message.find(software.string() + ".kvf"), std::string::npos) << message;
    EXPECT_NE(message.find(std::generic_category().message(EFBIG)), std::string::npos) << message;

    EXPECT_EQ(LeftOverTemporaries(root.Path()), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(software.string() + ".kvf"));
    EXPECT_EQ(ReadBytes(software), before);

    EXPECT_EQ(system.RegSaveKey(key, copy), status::Success);
    EXPECT_TRUE(regf::CheckFile(software.string() + ".kvf").sound);
    system.RegCloseKey(key);
}
#endif

INSTANTIATE_TEST_SUITE_P(EveryError, WriteFaults, ::testing::Values(ENOSPC, EIO, EACCES),
                         [](const ::testing::TestParamInfo<int>& info) {
                             switch (info.param) {
                             case ENOSPC: return std::string("DiskFull");
                             case EIO: return std::string("IoError");
                             default: return std::string("AccessDenied");
                             }
                         });

}  // namespace
}  // namespace kelvara::platform::offline::testing
