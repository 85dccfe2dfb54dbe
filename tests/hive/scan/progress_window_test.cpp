// The progress window and its worker on the headless set: the estimated bar on the virtual
// clock, Stop, the close box, silent mode, one worker per window.
#include <gtest/gtest.h>

#include <algorithm>

#include "hive/builtin_strings.h"
#include "hive/progress_form.h"
#include "hive/scan/scan_fixture.h"
#include "ui/messages.h"

namespace kelvara::hive::testing {
namespace {

const HiveSpec kSystem{RootKey::LocalMachine, "SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM",
                       "C:\\Windows\\System32\\config\\SYSTEM", 100000, 100000};
const HiveSpec kSoftware{RootKey::LocalMachine, "SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE",
                         "C:\\Windows\\System32\\config\\SOFTWARE", 300000, 250000};
const HiveSpec kDefault{RootKey::Users, ".DEFAULT", "\\REGISTRY\\USER\\.DEFAULT",
                        "C:\\Windows\\System32\\config\\DEFAULT", 100000, 60000};

class ProgressWindowTest : public ScanFixture {
protected:
    std::unique_ptr<TfrmGetNewHiveProgess> MakeWindow(bool silent = false, bool is64 = false) {
        return ui::CreateForm<TfrmGetNewHiveProgess>(owner_.get(), ScanRun{keys_, files_, silent, is64, system_});
    }
};

TEST_F(ProgressWindowTest, SingleHiveBarCreepsThenFollowsTheCopyThenCompletes) {
    AddHive(kSystem);
    HoldSaves();
    auto form = MakeWindow();
    const std::string copy = std::string(kSystem.file) + ".kvf";
    std::vector<int> seen;
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            EXPECT_EQ(form->Memo1().Text(), kSystem.hivePath);
            Tick();
            seen.push_back(form->ProgressBar1().Position());
            Tick();
            seen.push_back(form->ProgressBar1().Position());
            // The copy grows while the registry writes it.
            system_.AddFile(copy, 30000);
            Tick();
            seen.push_back(form->ProgressBar1().Position());
            EXPECT_EQ(form->ProgressBar1().PercentText(), "30%");
            system_.DeleteFile(copy);   // the save in hand writes it anew
            gate_.ReleaseOne();
        },
    });
    EXPECT_EQ(form->ShowModal(), ui::mrCancel);   // closed by the worker's WM_CLOSE
    EXPECT_EQ(seen, (std::vector<int>{4, 8, 300}));
    EXPECT_EQ(form->ProgressBar1().Position(), 1000);
    EXPECT_EQ(form->ProgressBar1().PercentText(), "100%");
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
    EXPECT_EQ(form->HivesDone, 1);
    EXPECT_TRUE(system_.HasFile(copy));
    EXPECT_FALSE(form->Timer1().Enabled());
}

class ZeroMillisecondsTest : public ProgressWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ZeroMillisecondsTest, FirstHiveFasterThanTheClockGivesStepFortyOrSeventeenOn64Bit) {
    const bool is64 = GetParam();
    AddHive(kSystem);
    AddHive(kSoftware);
    HoldSaves();
    auto form = MakeWindow(false, is64);
    std::int64_t stepAfterFirstReport = 0;
    Steps({
        [&] { gate_.WaitEntered(1); gate_.ReleaseOne(); },
        [&] { gate_.WaitEntered(2); },
        [&] {
            stepAfterFirstReport = form->Step;
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    // The scripted clock stands still, so the first save took 0 ms.
    EXPECT_EQ(stepAfterFirstReport, is64 ? 17 : 40);
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
}

INSTANTIATE_TEST_SUITE_P(Bitness, ZeroMillisecondsTest, ::testing::Bool());

TEST_F(ProgressWindowTest, StepFromTheFirstHiveSpeedUsesTheReportedMilliseconds) {
    AddHive(kSystem);
    AddHive(kSoftware);
    // The first save takes 2 s: 100000 bytes of copy in 2000 ms against 400000 bytes in all is
    // 125 units a second, held to 50.
    platform::LocalTime clock{2024, 3, 5, 14, 7, 9, 0};
    system_.SetLocalTime(clock);
    system_.SetSaveHook([&](const std::string& file) {
        if (file == std::string(kSystem.file) + ".kvf") {
            clock.second += 2;
            system_.SetLocalTime(clock);
        }
    });
    auto form = MakeWindow();
    form->ShowModal();
    EXPECT_EQ(form->Step, 50);
    EXPECT_EQ(form->HivesDone, 2);
}

struct StepCase {
    std::int64_t firstComputed;   // F x 1000 x 1000 / (Ms x Total) before the adjustment
    std::int64_t adjusted;
    std::int64_t halved;
};

TEST(ComputeStepTable, AdjustsAndHalvesAsTheTableSays) {
    const StepCase cases[] = {
        {0, 10, 2}, {9, 19, 6}, {10, 10, 2}, {20, 30, 12}, {29, 48, 21}, {30, 30, 12}, {50, 50, 22}, {51, 50, 22},
        {1000, 50, 22},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.firstComputed);
        // Ms = 1000 and Total = 1000 make the quotient the first copy's size itself.
        EXPECT_EQ(ComputeStep(c.firstComputed, 1000, 1000, false), c.adjusted);
        EXPECT_EQ(ComputeStep(c.firstComputed, 1000, 1000, true), c.halved);
    }
    EXPECT_EQ(ComputeStep(123456, 0, 1000000, false), 40);
    EXPECT_EQ(ComputeStep(123456, 0, 1000000, true), 17);
    // Truncated quotient: 1999999000000 / 100000000000 = 19 -> 28.
    EXPECT_EQ(ComputeStep(1999999, 100000, 1000000, false), 28);
    // No total to measure against never divides by zero.
    EXPECT_EQ(ComputeStep(5000, 250, 0, false), 40);
}

TEST_F(ProgressWindowTest, BarCreepsTowardsTheEndOfTheHiveInHandAndStopsAStepShort) {
    AddHive(kSystem);     // 100000 of 400000: the first report puts the bar at 250
    AddHive(kSoftware);   // done at 1000
    HoldSaves();
    auto form = MakeWindow();
    std::vector<int> seen;
    Steps({
        [&] { gate_.WaitEntered(1); gate_.ReleaseOne(); },
        [&] { gate_.WaitEntered(2); },
        [&] {
            EXPECT_EQ(form->HivesDone, 1);
            EXPECT_EQ(form->NextMark, 1000);
            seen.push_back(form->ProgressBar1().Position());
            Tick();
            seen.push_back(form->ProgressBar1().Position());
            Tick(30);
            seen.push_back(form->ProgressBar1().Position());
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    // Step 40 (0 ms): 250, 290, ... up to the last value below 1000 - 40, plus one step.
    EXPECT_EQ(seen, (std::vector<int>{250, 290, 970}));
    EXPECT_EQ(form->ProgressBar1().Position(), 1000);
}

TEST_F(ProgressWindowTest, StopDuringTheLastHiveStillCompletes) {
    AddHive(kSystem);
    AddHive(kSoftware);
    HoldSaves();
    auto form = MakeWindow();
    Steps({
        [&] { gate_.WaitEntered(1); gate_.ReleaseOne(); },
        [&] { gate_.WaitEntered(2); },
        [&] {
            headless_->Click(*form, {310, 150});   // bStop
            EXPECT_TRUE(form->Stopped);
            EXPECT_EQ(form->Label1().Caption(), kStopProcessText);
            EXPECT_FALSE(form->bStop().Enabled());
            EXPECT_FALSE(form->Timer1().Enabled());
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
    EXPECT_EQ(form->HivesDone, 2);
}

TEST_F(ProgressWindowTest, StopBeforeTheLastHiveEndsAfterTheHiveInHand) {
    AddHive(kSystem);
    AddHive(kSoftware);
    AddHive(kDefault);
    HoldSaves();
    auto form = MakeWindow();
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            form->bStop().Click();
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    EXPECT_EQ(form->Memo1().Text(), kSystem.hivePath);
    EXPECT_EQ(form->HivesDone, 1);
    EXPECT_EQ(gate_.Entered(), 1);
    EXPECT_TRUE(system_.HasFile(std::string(kSystem.file) + ".kvf"));
    EXPECT_FALSE(system_.HasFile(std::string(kSoftware.file) + ".kvf"));
    // The bar still moved by the report although the timer was off.
    EXPECT_EQ(form->ProgressBar1().Position(), 200);
}

// The scripted system, like Win32, cannot interrupt a save: the worker is asked to stop and
// left to finish the hive in hand on its own.
TEST_F(ProgressWindowTest, CloseBoxEndsTheRunAtOnceWithoutKillingTheWorker) {
    AddHive(kSystem);
    AddHive(kSoftware);
    HoldSaves();
    auto form = MakeWindow();
    ui::ThreadHandle worker;
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            worker = form->ScanThread;
            form->Close();   // what the close box and Alt+F4 do
        },
    });
    EXPECT_EQ(form->ShowModal(), ui::mrCancel);
    EXPECT_TRUE(form->Abandoned());
    EXPECT_NE(form->Memo1().Text(), kFinishText);
    EXPECT_TRUE(worker.Running());   // still in its save: asked, not killed, not waited for
    EXPECT_EQ(CountLogEntries(system_.CallLog(), "CancelSaves"), 0);

    // The window goes first; the worker's last reports then have nowhere to go.
    form.reset();
    gate_.ReleaseOne();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
    // The hive in hand was finished, the next one never started.
    EXPECT_TRUE(system_.HasFile(std::string(kSystem.file) + ".kvf"));
    EXPECT_FALSE(system_.HasFile(std::string(kSoftware.file) + ".kvf"));
    EXPECT_EQ(gate_.Entered(), 1);
}

TEST_F(ProgressWindowTest, SilentModeHidesTheWindowAndTheRunGoesOn) {
    AddHive(kSystem);
    HoldSaves();
    auto form = MakeWindow(true);
    bool shownDuringRun = true;
    Steps({
        [&] {
            gate_.WaitEntered(1);
            shownDuringRun = form->Visible() || headless_->IsShowing(*form);
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    EXPECT_FALSE(shownDuringRun);
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
}

TEST_F(ProgressWindowTest, ASecondActivationStartsNoSecondWorker) {
    AddHive(kSystem);
    HoldSaves();
    auto form = MakeWindow();
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            form->FormActivate();
            form->Post(WM_STARTSCAN, 0, 0);
        },
        [&] { gate_.ReleaseOne(); },
    });
    form->ShowModal();
    EXPECT_EQ(gate_.Entered(), 1);
    EXPECT_EQ(CountLogEntries(system_.CallLog(), "EnablePrivilege SeBackupPrivilege"), 1);
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
}

TEST_F(ProgressWindowTest, WithoutAnySizesTheBarCountsHives) {
    HiveSpec missingA = kSystem, missingB = kSoftware;
    missingA.fileSize = 0;
    missingB.fileSize = 0;
    AddHive(missingA);
    AddHive(missingB);
    HoldSaves();
    auto form = MakeWindow();
    std::vector<int> seen;
    Steps({
        [&] {
            gate_.WaitEntered(1);
            EXPECT_EQ(form->TotalSize, 0);
            Tick(3);   // 4 units a tick before the first report
            seen.push_back(form->ProgressBar1().Position());
            gate_.ReleaseOne();
        },
        [&] { gate_.WaitEntered(2); },
        [&] {
            seen.push_back(form->ProgressBar1().Position());
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    EXPECT_EQ(seen, (std::vector<int>{12, 500}));
    EXPECT_EQ(form->ProgressBar1().Position(), 1000);
    EXPECT_EQ(form->Memo1().Text(), kFinishText);
}

TEST_F(ProgressWindowTest, TheObserverFollowsEachHiveAndTheFinish) {
    AddHive(kSystem);    // 100000 of 400000
    AddHive(kSoftware);
    gate_.Open();
    std::vector<std::string> lines;
    auto form = ui::CreateForm<TfrmGetNewHiveProgess>(
        owner_.get(), ScanRun{keys_, files_, false, false, system_},
        [&](const std::string& percent, const std::string& text) { lines.push_back(percent + " " + text); });
    form->ShowModal();
    EXPECT_EQ(lines, (std::vector<std::string>{std::string("0% ") + kSystem.hivePath,
                                               std::string("25% ") + kSoftware.hivePath, "100% Finish"}));
}

TEST_F(ProgressWindowTest, ShowingResetsTheFieldsAndTheWorkerEnablesTheBackupPrivilege) {
    AddHive(kSystem);
    gate_.Open();
    auto form = MakeWindow();
    form->Step = 99;
    form->HivesDone = 7;
    form->Stopped = true;
    form->ShowModal();
    EXPECT_FALSE(form->Stopped);
    EXPECT_EQ(form->HivesDone, 1);
    EXPECT_EQ(form->Caption(), "Defrag Registry");
    EXPECT_EQ(form->ClientWidth(), 394);
    EXPECT_EQ(form->ClientHeight(), 181);
    // The privilege comes first, before any key is opened for saving.
    const auto log = system_.CallLog();
    const auto privilege = std::find(log.begin(), log.end(), "EnablePrivilege SeBackupPrivilege 0x28");
    const auto open = std::find_if(log.begin(), log.end(), [](const std::string& e) { return e.rfind("RegOpenKey", 0) == 0; });
    ASSERT_NE(privilege, log.end());
    ASSERT_NE(open, log.end());
    EXPECT_LT(privilege, open);
}

}  // namespace
}  // namespace kelvara::hive::testing
