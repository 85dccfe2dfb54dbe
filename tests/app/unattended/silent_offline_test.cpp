// /Silent for real on the offline platform: the main window analyses a copy of the sample
// installation, hands every hive over and restarts, and the restart swaps every copy in. Then the
// restart interrupted at each of its file operations, on a small installation.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/main_form.h"
#include "app/unattended_modes.h"
#include "app/exit_code.h"
#include "defrag/defrag_commit.h"
#include "fuzz/dirty_hive.h"
#include "hive/catalogue.h"
#include "hive/snapshot.h"
#include "platform/offline/offline_system.h"
#include "platform/offline/installation_builder.h"
#include "regf/regf.h"
#include "regf/crosscheck/external_tool.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/headless/headless_widget_set.h"

namespace kelvara::app {
namespace {

namespace fs = std::filesystem;
using platform::offline::testing::InstallationSpec;
using platform::offline::testing::MakeInstallation;
using platform::offline::testing::ReadBytes;
using platform::offline::testing::TempFolder;
using platform::offline::testing::WriteBytes;

// The offline platform with the program's folder (options.ini) in a folder of the test's own.
class OfflineWithProgramFolder : public platform::OfflineSystem {
public:
    OfflineWithProgramFolder(const fs::path& root, fs::path programFolder, platform::offline::Failpoint failpoint = {})
        : OfflineSystem(root.string(), std::move(failpoint)), programFolder_(std::move(programFolder)) {}
    std::string ProgramFolder() override { return (programFolder_ / "").string(); }
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        restartBegun = true;
        return OfflineSystem::ExitWindowsEx(flags, reason);
    }
    bool restartBegun = false;

private:
    fs::path programFolder_;
};

// Every hive file of the installation (the hive list's files), by path, with its bytes.
std::map<fs::path, std::vector<std::uint8_t>> HiveFiles(platform::System& system, const fs::path& root) {
    std::vector<std::string> keys, files;
    hive::LoadHiveList(system, false, keys, files);
    std::map<fs::path, std::vector<std::uint8_t>> hives;
    for (const std::string& file : files) {
        std::string relative = file.substr(3);   // after "C:\"
        std::replace(relative.begin(), relative.end(), '\\', '/');
        hives[root / relative] = ReadBytes(root / relative);
    }
    return hives;
}

std::vector<fs::path> FilesEndingWith(const fs::path& root, const std::string& ending) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().string();
        if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            found.push_back(entry.path());
    }
    return found;
}

std::string HivexExport(const fs::path& hive) {
    const crosscheck::ToolOutput run = crosscheck::RunTool({"hivexregedit", "--export", hive.string(), "\\"});
    EXPECT_EQ(run.exitCode, 0) << hive << ": " << run.err;
    return run.out;
}

TEST(SilentOffline, EveryHiveOfTheSampleIsReplacedByItsCheckedCopyAndKeptAsBackup) {
    TempFolder root, program;
    fs::copy(fs::path(KV_BINARY_DIR) / "sample", root.Path(), fs::copy_options::recursive);
    OfflineWithProgramFolder system(root.Path(), program.Path());
    const auto before = HiveFiles(system, root.Path());
    ASSERT_GE(before.size(), 7u);

    auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
    ui::headless::HeadlessWidgetSet& headless = *widgets;
    headless.SetRuntimeDir(program.Path().string());
    ui::Application app(std::move(widgets));
    app.SetTitle("Varnel Kelvara");
    settings::OptionsSetting = {};
    TfrmMain& form = app.CreateForm<TfrmMain>(system);
    form.Show();
    MainWindowHost host(form, system);
    ExamineCommandLine(host, {"kelvara", "/Silent"});
    app.ProcessMessages();   // the posted run: analyse, defrag, close

    EXPECT_TRUE(app.Terminated());
    EXPECT_TRUE(headless.MessageBoxes().empty());
    EXPECT_EQ(form.LastDefrag.end, defrag::DefragEnd::RestartRequested);
    ASSERT_EQ(form.LastDefrag.hives.size(), before.size());
    for (const defrag::HiveHandOver& hive : form.LastDefrag.hives) EXPECT_TRUE(hive.accepted) << hive.hivePath << ": " << hive.reason;

    int recoveredHives = 0;
    for (const auto& [file, oldBytes] : before) {
        SCOPED_TRACE(file.string());
        fs::path backup = file;
        backup += ".bak";
        ASSERT_TRUE(fs::exists(backup));
        EXPECT_EQ(ReadBytes(backup), oldBytes);
        EXPECT_LT(fs::file_size(file), oldBytes.size());
        const regf::CheckReport report = regf::CheckFile(file.string());
        EXPECT_TRUE(report.sound && !report.dirty) << report.Text();
        // The sample's dirty hive keeps its logs beside the backup, and its copy holds what the
        // logs held: hivex, which reads no log, sees it in our recovery of the backup.
        fs::path reference = backup;
        if (fs::exists(backup.string() + ".LOG1")) {
            auto recovered = regf::RecoverHiveFile(backup.string());
            ASSERT_TRUE(recovered.ok() && recovered->wasDirty);
            reference = program.Path() / "recovered";
            platform::offline::testing::WriteBytes(reference, recovered->bytes);
            ++recoveredHives;
        }
        EXPECT_EQ(HivexExport(file), HivexExport(reference));
    }
    EXPECT_EQ(recoveredHives, 1);
    const std::vector<std::string> notes = system.SaveNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("C:\\Users\\Alex\\NTUSER.DAT was dirty: recovered from NTUSER.DAT.LOG1 (2 log entries, ", 0), 0u)
        << notes[0];
    EXPECT_EQ(FilesEndingWith(root.Path(), ".kvf"), std::vector<fs::path>{});
    EXPECT_TRUE(system.ReplacementJournalProblem().empty());
}

struct SimulatedCrash {};

enum class HiveState { Old, Replaced, Missing };

HiveState StateOf(const fs::path& file, const std::vector<std::uint8_t>& oldBytes, const std::vector<std::uint8_t>& copy) {
    fs::path backup = file;
    backup += ".bak";
    if (fs::exists(file) && ReadBytes(file) == oldBytes && !fs::exists(backup)) return HiveState::Old;
    if (fs::exists(file) && ReadBytes(file) == copy && fs::exists(backup) && ReadBytes(backup) == oldBytes)
        return HiveState::Replaced;
    return HiveState::Missing;
}

// The Defrag command cut at its n-th file operation, for every n: while it records the requests
// or while the restart swaps the files. Every hive stays whole, the old file or the new one, and
// a second restart finishes the job.
TEST(SilentOffline, TheCommandInterruptedAtAnyStepLeavesEveryHiveWholeAndTheNextStartFinishes) {
    TempFolder program;
    for (int crashAt = 0;; ++crashAt) {
        SCOPED_TRACE("crash at operation " + std::to_string(crashAt));
        TempFolder root;
        MakeInstallation(root.Path(), InstallationSpec{});
        int seen = 0;
        bool crashed = false, crashedInRestart = false;
        std::map<fs::path, std::vector<std::uint8_t>> before, copies;
        {
            OfflineWithProgramFolder system(root.Path(), program.Path(), [&](std::string_view) {
                if (seen++ == crashAt) throw SimulatedCrash{};
            });
            std::vector<std::string> keys, files;
            hive::LoadHiveList(system, false, keys, files);
            before = HiveFiles(system, root.Path());
            for (std::size_t i = 0; i < keys.size(); ++i)
                ASSERT_TRUE(hive::SaveHiveCopy(system, keys[i], files[i] + ".kvf", false));
            for (const auto& [file, bytes] : before) {
                fs::path copy = file;
                copy += ".kvf";
                copies[file] = ReadBytes(copy);
            }
            ui::Application app(std::make_unique<ui::headless::HeadlessWidgetSet>());
            auto owner = ui::CreateForm<ui::Form>();
            settings::OptionsSetting = {};
            try {
                defrag::DefragRegistry({*owner, keys, files, true, program.Path().string() + "/", system, app});
            } catch (const SimulatedCrash&) {
                crashed = true;
                crashedInRestart = system.restartBegun;
            }
        }
        for (const auto& [file, oldBytes] : before) {
            const HiveState state = StateOf(file, oldBytes, copies[file]);
            fs::path backup = file;
            backup += ".bak";
            // Between the two renames of a swap the hive exists only as its backup.
            const bool betweenRenames = !fs::exists(file) && fs::exists(backup) && ReadBytes(backup) == oldBytes;
            EXPECT_TRUE(state != HiveState::Missing || betweenRenames) << file;
        }

        // The next start finishes a swap the cut left half done; a restart cut before it
        // had recorded that it began leaves the requests waiting, like a power cut before
        // Windows went down. Either way a second restart finishes the job.
        OfflineWithProgramFolder next(root.Path(), program.Path());
        for (const auto& [file, oldBytes] : before)
            EXPECT_NE(StateOf(file, oldBytes, copies[file]), HiveState::Missing) << file;
        next.ExitWindowsEx(6, 1);
        for (const auto& [file, oldBytes] : before) {
            const HiveState state = StateOf(file, oldBytes, copies[file]);
            if (!crashed || crashedInRestart)
                EXPECT_EQ(state, HiveState::Replaced) << file;
            else   // only the requests recorded before the cut are carried out
                EXPECT_NE(state, HiveState::Missing) << file;
        }
        if (!crashed) {
            EXPECT_GT(crashAt, 10);   // the command has many steps; every one of them was cut once
            break;
        }
    }
}

// Every file of the folder below `root`, by its path relative to it, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> FilesBelow(const fs::path& root) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = ReadBytes(entry.path());
    return files;
}

// The same names with the same bytes, leaving out the files an undo keeps (.undone and their logs)
// and the record of the hand-overs.
void ExpectSameFilesBesidesUndone(const std::map<std::string, std::vector<std::uint8_t>>& now,
                                  const std::map<std::string, std::vector<std::uint8_t>>& before) {
    std::vector<std::string> names, namesBefore;
    for (const auto& [name, bytes] : now) {
        if (name.find(".undone") != std::string::npos || name.rfind("ProgramData", 0) == 0) continue;
        names.push_back(name);
        auto it = before.find(name);
        if (it != before.end()) {
            EXPECT_TRUE(bytes == it->second) << name << " is not the file it was";
        }
    }
    for (const auto& [name, bytes] : before)
        if (name.rfind("ProgramData", 0) != 0) namesBefore.push_back(name);
    EXPECT_EQ(names, namesBefore);
}

// One run of the program on the folder with the switch given, as main() runs it.
struct ProgramRun {
    ProgramRun(const fs::path& root, const fs::path& programFolder, const std::string& switchName)
        : system(root, programFolder) {
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless = widgets.get();
        headless->SetRuntimeDir(programFolder.string());
        app = std::make_unique<ui::Application>(std::move(widgets));
        app->SetTitle("Varnel Kelvara");
        settings::OptionsSetting = {};
        form = &app->CreateForm<TfrmMain>(system);
        form->Show();
        MainWindowHost host(*form, system);
        ExamineCommandLine(host, {"kelvara", switchName});
        app->ProcessMessages();
    }
    OfflineWithProgramFolder system;
    ui::headless::HeadlessWidgetSet* headless = nullptr;
    std::unique_ptr<ui::Application> app;
    TfrmMain* form = nullptr;
};

// An installation whose SAM is dirty, with a log that Windows would replay; answers its config folder.
fs::path InstallationWithADirtySam(const fs::path& root) {
    MakeInstallation(root, InstallationSpec{});
    const fs::path config = root / "Windows/System32/config";
    WriteBytes(config / "SAM", fuzzing::CrashedHive());
    WriteBytes(config / "SAM.LOG1", regf::WriteLogEntries({fuzzing::HiveAfter(0), fuzzing::HiveAfter(1),
                                                           fuzzing::HiveAfter(2)}));
    return config;
}

// A technician's way back: /Silent replaced every hive; /Undo puts every one back with its logs,
// and the folder holds again, byte for byte, every hive and log it held before, beside the
// compacted hives kept as .undone. SAM is dirty, with a log that Windows would replay.
TEST(SilentOffline, UndoAfterSilentGivesBackEveryHiveAndLogByteForByte) {
    TempFolder root, program;
    const fs::path config = InstallationWithADirtySam(root.Path());
    ASSERT_TRUE(regf::CheckFile((config / "SAM").string()).dirty);
    const auto before = FilesBelow(root.Path());

    {
        ProgramRun silent(root.Path(), program.Path(), "/Silent");
        ASSERT_EQ(silent.form->LastDefrag.end, defrag::DefragEnd::RestartRequested);
        for (const auto& result : silent.system.ReplacementResults())
            ASSERT_EQ(result.outcome, platform::offline::ReplacementResult::Outcome::Replaced) << result.reason;
    }
    ASSERT_TRUE(fs::exists(config / "SAM.bak.LOG1"));
    ASSERT_FALSE(fs::exists(config / "SAM.LOG1"));
    const auto compacted = ReadBytes(config / "SYSTEM");

    ProgramRun undo(root.Path(), program.Path(), "/Undo");
    EXPECT_TRUE(undo.app->Terminated());
    // The fixture shows the window before it reads the switch: the only box is the account of
    // the last hand-over that a start by hand gives, and the Undo itself asks nothing.
    for (const auto& box : undo.headless->MessageBoxes())
        EXPECT_EQ(box.request.text.rfind("5 of 5 hives replaced", 0), 0u) << box.request.text;
    EXPECT_EQ(undo.form->LastUndo.end, defrag::UndoEnd::RestartRequested) << undo.form->LastUndo.message;
    EXPECT_EQ(undo.form->LastUndo.hives.size(), 5u);
    for (const defrag::HiveUndo& hive : undo.form->LastUndo.hives) EXPECT_TRUE(hive.handedOver) << hive.reason;
    EXPECT_EQ(UndoExitCode(undo.form->LastUndo), kExitJobDone);

    EXPECT_EQ(ReadBytes(config / "SYSTEM.undone"), compacted);
    ExpectSameFilesBesidesUndone(FilesBelow(root.Path()), before);
    EXPECT_TRUE(undo.system.ReplacementJournalProblem().empty());
}

// A technician's second Defrag after Windows has run and written logs beside the compacted hive:
// the older backup and its logs go together, only once the new hand-over is accepted; the new
// backup takes Windows' logs along; nothing is left aside; and /Undo then gives back, byte for
// byte, the hive and the logs of before the second Defrag.
TEST(SilentOffline, ASecondDefragAfterWindowsWroteLogsKeepsEveryBackupWhole) {
    TempFolder root, program;
    const fs::path config = InstallationWithADirtySam(root.Path());
    {
        ProgramRun silent(root.Path(), program.Path(), "/Silent");
        ASSERT_EQ(silent.form->LastDefrag.end, defrag::DefragEnd::RestartRequested);
    }
    ASSERT_TRUE(fs::exists(config / "SAM.bak.LOG1"));
    // Windows starts on the compacted hives and leaves logs beside SAM, as it does.
    const auto windowsLog1 = ReadBytes(config / "SAM.bak.LOG1");
    const std::vector<std::uint8_t> windowsLog2(4096, 0);
    WriteBytes(config / "SAM.LOG1", windowsLog1);
    WriteBytes(config / "SAM.LOG2", windowsLog2);
    const auto before = FilesBelow(root.Path());

    {
        ProgramRun again(root.Path(), program.Path(), "/Silent");
        ASSERT_EQ(again.form->LastDefrag.end, defrag::DefragEnd::RestartRequested);
        for (const defrag::HiveHandOver& hive : again.form->LastDefrag.hives)
            EXPECT_TRUE(hive.accepted) << hive.hivePath << ": " << hive.reason;
        EXPECT_EQ(ProgramExitCode(common::UnattendedMode::Silent, again.form->UnattendedJobDone, again.form->LastDefrag),
                  kExitJobDone);
    }
    EXPECT_EQ(ReadBytes(config / "SAM.bak"), before.at("Windows/System32/config/SAM"));
    EXPECT_EQ(ReadBytes(config / "SAM.bak.LOG1"), windowsLog1);
    EXPECT_EQ(ReadBytes(config / "SAM.bak.LOG2"), windowsLog2);
    EXPECT_FALSE(fs::exists(config / "SAM.LOG1"));
    for (const auto& entry : fs::directory_iterator(config))
        EXPECT_EQ(entry.path().filename().string().find(".old"), std::string::npos) << entry.path();

    ProgramRun undo(root.Path(), program.Path(), "/Undo");
    EXPECT_EQ(UndoExitCode(undo.form->LastUndo), kExitJobDone) << undo.form->LastUndo.message;
    // One generation of backups is kept: the first Defrag's went with the second; every hive and
    // log is again what it was before the second.
    auto hivesAndLogs = before;
    std::erase_if(hivesAndLogs, [](const auto& file) { return file.first.find(".bak") != std::string::npos; });
    ExpectSameFilesBesidesUndone(FilesBelow(root.Path()), hivesAndLogs);
}

// The same with a real user hive from Windows 10 whose last writes lie only in its logs, named
// as Windows named them (ntuser.dat.log1 beside NTUSER.DAT): the logs go with the backup, come
// back under their own names, and the folder is again what it was, byte for byte.
TEST(SilentOffline, UndoGivesBackARealDirtyHiveWithItsLogsUnderTheirOwnNames) {
    const fs::path shared = fs::path(KV_SOURCE_DIR).parent_path() / "shared";
    if (!fs::is_directory(shared)) GTEST_SKIP() << shared << " is absent (a clone outside our machines)";
    TempFolder root, program;
    InstallationSpec spec;
    spec.users = {{"S-1-5-21-1-2-3-1001", "%SystemDrive%\\Users\\Sam", "Users/Sam", true, false}};
    MakeInstallation(root.Path(), spec);
    const fs::path profile = root.Path() / "Users/Sam";
    for (const char* name : {"NTUSER.DAT", "ntuser.dat.log1", "ntuser.dat.log2"}) {
        const auto unpacked = crosscheck::RunTool(
            {"xz", "--decompress", "--stdout", (shared / "real-hives" / (std::string(name) + ".xz")).string()});
        ASSERT_EQ(unpacked.exitCode, 0) << name << ": " << unpacked.err;
        WriteBytes(profile / name, std::vector<std::uint8_t>(unpacked.out.begin(), unpacked.out.end()));
    }
    ASSERT_TRUE(regf::CheckFile((profile / "NTUSER.DAT").string()).dirty);
    const auto before = FilesBelow(root.Path());

    {
        ProgramRun silent(root.Path(), program.Path(), "/Silent");
        ASSERT_EQ(silent.form->LastDefrag.end, defrag::DefragEnd::RestartRequested);
    }
    ASSERT_TRUE(fs::exists(profile / "ntuser.dat.bak.log1"));
    ASSERT_FALSE(regf::CheckFile((profile / "NTUSER.DAT").string()).dirty);

    ProgramRun undo(root.Path(), program.Path(), "/Undo");
    EXPECT_EQ(UndoExitCode(undo.form->LastUndo), kExitJobDone) << undo.form->LastUndo.message;
    // One generation of backups is kept: the first Defrag's went with the second; every hive and
    // log is again what it was before the second.
    auto hivesAndLogs = before;
    std::erase_if(hivesAndLogs, [](const auto& file) { return file.first.find(".bak") != std::string::npos; });
    ExpectSameFilesBesidesUndone(FilesBelow(root.Path()), hivesAndLogs);
}

// /Undo where it cannot do its whole job: the exit code says none (1) or some (2), and the
// message why.
TEST(SilentOffline, UndoWithoutBackupsOrWithADamagedOneSaysSo) {
    TempFolder root, program;
    MakeInstallation(root.Path(), InstallationSpec{});
    const fs::path config = root.Path() / "Windows/System32/config";
    {
        ProgramRun undo(root.Path(), program.Path(), "/Undo");
        EXPECT_EQ(undo.form->LastUndo.end, defrag::UndoEnd::NothingToUndo);
        EXPECT_NE(undo.form->LastUndo.message.find("No hive has a backup"), std::string::npos);
        EXPECT_EQ(UndoExitCode(undo.form->LastUndo), kExitJobNotDone);
    }
    { ProgramRun silent(root.Path(), program.Path(), "/Silent"); }
    const auto compactedSam = ReadBytes(config / "SAM");
    auto spoiled = ReadBytes(config / "SAM.bak");
    for (std::size_t i = 4096; i < spoiled.size(); i += 5) spoiled[i] ^= 0x5A;
    WriteBytes(config / "SAM.bak", spoiled);
    fs::remove(config / "SECURITY.bak");

    // Hives of one generation belong together: unattended, none is put back.
    const auto compactedSystem = ReadBytes(config / "SYSTEM");
    ProgramRun undo(root.Path(), program.Path(), "/Undo");
    ASSERT_EQ(undo.form->LastUndo.end, defrag::UndoEnd::NotAllPutBack) << undo.form->LastUndo.message;
    ASSERT_EQ(undo.form->LastUndo.hives.size(), 5u);
    for (const defrag::HiveUndo& hive : undo.form->LastUndo.hives) {
        EXPECT_FALSE(hive.handedOver) << hive.hivePath;
        if (hive.hivePath == "\\REGISTRY\\MACHINE\\SAM")
            EXPECT_NE(hive.reason.find("SAM.bak is not a sound hive"), std::string::npos) << hive.reason;
        if (hive.hivePath == "\\REGISTRY\\MACHINE\\SECURITY")
            EXPECT_NE(hive.reason.find("SECURITY.bak does not exist"), std::string::npos) << hive.reason;
    }
    EXPECT_NE(undo.form->LastUndo.message.find("SECURITY.bak does not exist"), std::string::npos);
    EXPECT_EQ(UndoExitCode(undo.form->LastUndo), kExitJobNotDone);
    EXPECT_EQ(ReadBytes(config / "SAM"), compactedSam);
    EXPECT_EQ(ReadBytes(config / "SYSTEM"), compactedSystem);
    EXPECT_FALSE(fs::exists(config / "SAM.undone"));
    EXPECT_FALSE(fs::exists(config / "SYSTEM.undone"));
}

}  // namespace
}  // namespace kelvara::app
