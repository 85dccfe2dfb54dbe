// The Defrag command over a scripted system: every path through confirmation, restore point,
// hand-over and restart as rows of one table; then the hives that are passed over and the
// command that restarts nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "defrag/ask_delete_form.h"
#include "defrag/defrag_texts.h"
#include "defrag/hand_over.h"
#include "settings/string_table.h"
#include "defrag/system_point_form.h"
#include "defrag_fixture.h"
#include "settings/write_error.h"
#include "ui/messages.h"

namespace kelvara::defrag::testing {
namespace {

enum class Answer { Yes, No, CloseBox };

struct PathCase {
    bool ask;
    Answer answer;
    bool tick;
    bool restorePoint;
    std::uint32_t major, minor;   // the version the system reports
    bool silent;

    std::string Name() const {
        std::ostringstream name;
        name << "ask=" << ask << " answer=" << static_cast<int>(answer) << " tick=" << tick
             << " restorePoint=" << restorePoint << " version=" << major << "." << minor << " silent=" << silent;
        return name.str();
    }
};

std::vector<PathCase> AllPaths() {
    std::vector<PathCase> cases;
    // Codes 7, 9, 10, 12 and 11: Windows 2000, XP, Server 2003, 7, and Vista, which is also what
    // Windows 8 to 11 report (6.2) to a program whose manifest names no supported system.
    const std::pair<std::uint32_t, std::uint32_t> versions[] = {{5, 0}, {5, 1}, {5, 2}, {6, 1}, {6, 2}};
    for (bool ask : {false, true})
        for (Answer answer : {Answer::Yes, Answer::No, Answer::CloseBox})
            for (bool tick : {false, true})
                for (bool restorePoint : {false, true})
                    for (auto [major, minor] : versions)
                        for (bool silent : {false, true})
                            cases.push_back({ask, answer, tick, restorePoint, major, minor, silent});
    return cases;
}

class DefragCommandTest : public DefragFixture {
protected:
    // Answers the confirm dialog as the case says; the restore-point window is left to its
    // worker.
    void ScriptDialogs(const PathCase& c) {
        onIdle_ = [this, c](ui::Form& top) {
            auto* ask = dynamic_cast<TfrmAskDelete*>(&top);
            if (!ask) return false;
            ++askShown_;
            if (c.tick) ask->cbAsk().Click();
            if (c.answer == Answer::Yes) ask->bOK().Click();
            if (c.answer == Answer::No) ask->bCancel().Click();
            if (c.answer == Answer::CloseBox) ask->Close();
            return true;
        };
    }
    int askShown_ = 0;
};

TEST_F(DefragCommandTest, EveryPathThroughTheCommand) {
    const std::vector<PathCase> cases = AllPaths();
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.Name());
        // A fresh world for every row: Windows restarted since the last row's hand-over, whose
        // backups are gone.
        FreshWorld();
        std::filesystem::remove(folder_.path() / "options.ini");
        askShown_ = 0;
        const std::size_t boxesBefore = headless_->MessageBoxes().size();
        AddHiveWithCopy(kSystemHive);
        AddHiveWithCopy(kUserHive);
        system_.SetVersion({c.major, c.minor, 2600, 2});
        settings::OptionsSetting.IsAskBeforeDefrag = c.ask;
        settings::OptionsSetting.RestorePoint = c.restorePoint;
        ScriptDialogs(c);

        const DefragOutcome outcome = Run(c.silent);

        // What the rules say should happen, worked out step by step.
        const bool asked = c.ask && !c.silent;
        const bool confirmed = !asked || c.answer == Answer::Yes;
        const bool hasRestore = (c.major == 5 && c.minor >= 1) || c.major == 6;
        const bool restorePoint = confirmed && c.restorePoint && !c.silent && hasRestore;

        EXPECT_EQ(askShown_, asked ? 1 : 0);
        // The settings are written after the dialog whatever the answer, and only then.
        const std::string options = OptionsFile();
        if (asked) {
            EXPECT_NE(options.find(c.tick ? "IsAskBeforeDefrag=0" : "IsAskBeforeDefrag=1"), std::string::npos) << options;
            EXPECT_EQ(settings::OptionsSetting.IsAskBeforeDefrag, !c.tick);
        } else {
            EXPECT_EQ(options, "");
            EXPECT_EQ(settings::OptionsSetting.IsAskBeforeDefrag, c.ask);
        }

        std::vector<std::string> expected;
        if (restorePoint) expected.push_back("SetRestorePoint Made by Varnel Kelvara");
        if (confirmed) {
            expected.push_back("EnablePrivilege SeRestorePrivilege 0xF00FF");
            // Every copy is checked before the first call.
            for (const TestHive& hive : {kSystemHive, kUserHive})
                expected.push_back("IsUsableHiveFile " + std::string(hive.file) + ".kvf");
            for (const TestHive& hive : {kSystemHive, kUserHive}) {
                const std::string file = hive.file;
                expected.push_back(std::string("RegReplaceKey ") + (hive.root == RootKey::LocalMachine ? "HKLM" : "HKU") +
                                   "\\" + hive.subKey + " " + file + ".kvf " + file + ".bak");
            }
            expected.push_back("EnablePrivilege SeShutdownPrivilege 0x28");
            expected.push_back("ExitWindowsEx 6 1");
        }
        EXPECT_EQ(CommandCalls(), expected);
        EXPECT_EQ(outcome.end, !confirmed ? DefragEnd::NotConfirmed : DefragEnd::RestartRequested);

        // Outside silent mode the restart is announced; silent mode shows nothing at all.
        const auto& boxes = headless_->MessageBoxes();
        const std::size_t shown = boxes.size() - boxesBefore;
        if (confirmed && !c.silent) {
            ASSERT_EQ(shown, 1u);
            EXPECT_EQ(boxes.back().request.text, settings::strings::RestartNotice.text);
            EXPECT_EQ(boxes.back().request.caption, "Varnel Kelvara");
            EXPECT_EQ(boxes.back().request.buttons, ui::MsgButtons::Ok);
        } else {
            EXPECT_EQ(shown, 0u);
        }
    }
}

TEST_F(DefragCommandTest, TickedAndUntickedAgainKeepsTheQuestion) {
    AddHiveWithCopy(kSystemHive);
    settings::OptionsSetting.IsAskBeforeDefrag = true;
    onIdle_ = [](ui::Form& top) {
        auto* ask = dynamic_cast<TfrmAskDelete*>(&top);
        if (!ask) return false;
        ask->cbAsk().Click();
        EXPECT_FALSE(settings::OptionsSetting.IsAskBeforeDefrag);
        ask->cbAsk().Click();
        ask->bCancel().Click();
        return true;
    };
    EXPECT_EQ(Run().end, DefragEnd::NotConfirmed);
    EXPECT_TRUE(settings::OptionsSetting.IsAskBeforeDefrag);
    EXPECT_NE(OptionsFile().find("IsAskBeforeDefrag=1"), std::string::npos);
}

TEST_F(DefragCommandTest, ASettingsFileThatCannotBeWrittenEndsTheCommandAfterAYes) {
    AddHiveWithCopy(kSystemHive);
    settings::OptionsSetting.IsAskBeforeDefrag = true;
    // A folder where options.ini should be: the file cannot be written.
    std::filesystem::create_directory(folder_.path() / "options.ini");
    onIdle_ = [](ui::Form& top) {
        auto* ask = dynamic_cast<TfrmAskDelete*>(&top);
        if (!ask) return false;
        ask->bOK().Click();
        return true;
    };
    try {
        Run();
        FAIL() << "the failed write must end the command";
    } catch (const settings::WriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder_.WithSeparator() + "options.ini");
    }
    EXPECT_EQ(CommandCalls(), std::vector<std::string>{});
}

TEST_F(DefragCommandTest, ARestorePointWindowEndingWithCancelReplacesNothing) {
    AddHiveWithCopy(kSystemHive);
    settings::OptionsSetting.RestorePoint = true;
    system_.SetVersion({6, 1, 7601, 2});
    system_.SetRestorePointOutcome(platform::RestorePointOutcome::Failed);
    headless_->ScriptMessageBoxAnswer(ui::mrNo);
    EXPECT_EQ(Run().end, DefragEnd::RestorePointRefused);
    EXPECT_EQ(CommandCalls(), std::vector<std::string>{"SetRestorePoint Made by Varnel Kelvara"});
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless_->MessageBoxes()[0].request.text, settings::strings::RestorePointFailed.text);
}

TEST_F(DefragCommandTest, AFailedRestorePointAnsweredYesGoesOn) {
    AddHiveWithCopy(kSystemHive);
    settings::OptionsSetting.RestorePoint = true;
    system_.SetVersion({5, 1, 2600, 2});
    system_.SetRestorePointOutcome(platform::RestorePointOutcome::NotAvailable);
    headless_->ScriptMessageBoxAnswer(ui::mrYes);
    EXPECT_EQ(Run().end, DefragEnd::RestartRequested);
    const std::vector<std::string> calls = CommandCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "ExitWindowsEx 6 1");
}

// ---- hives passed over, and the command that restarts nothing

struct PassedOverCase {
    const char* name;
    std::function<void(ScriptedSystem&)> spoil;   // what goes wrong with SYSTEM's hand-over
    const char* reasonPart;                        // found in SYSTEM's reason
    bool systemReachesTheRegistry;
};

TEST_F(DefragCommandTest, ACopyThatIsMissingOrBrokenOrRefusedIsPassedOverAndTheRestGoOn) {
    const PassedOverCase cases[] = {
        {"missing copy", [](ScriptedSystem&) {}, "SYSTEM.kvf does not exist", false},
        {"copy fails the check",
         [](ScriptedSystem& s) {
             s.SetHiveProblem(std::string(kSystemHive.file) + ".kvf", "C:\\Windows\\System32\\config\\SYSTEM.kvf is not a sound hive");
         },
         "is not a sound hive", false},
        {"registry refuses",
         [](ScriptedSystem& s) { s.SetReplaceStatus(RootKey::LocalMachine, "SYSTEM", platform::status::AccessDenied); },
         "access is denied (error 5)", true},
    };
    for (const PassedOverCase& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        AddHiveWithCopy(kSystemHive, std::string(c.name) != "missing copy");
        AddHiveWithCopy(kSoftwareHive);
        c.spoil(system_);

        const DefragOutcome outcome = Run(true);

        ASSERT_EQ(outcome.hives.size(), 2u);
        EXPECT_FALSE(outcome.hives[0].accepted);
        EXPECT_NE(outcome.hives[0].reason.find(c.reasonPart), std::string::npos) << outcome.hives[0].reason;
        EXPECT_TRUE(outcome.hives[1].accepted);
        EXPECT_EQ(outcome.end, DefragEnd::RestartRequested);
        int systemReplaceCalls = 0;
        for (const std::string& call : CommandCalls())
            if (call.rfind("RegReplaceKey HKLM\\SYSTEM ", 0) == 0) ++systemReplaceCalls;
        EXPECT_EQ(systemReplaceCalls, c.systemReachesTheRegistry ? 1 : 0);
        EXPECT_EQ(CommandCalls().back(), "ExitWindowsEx 6 1");
        system_.SetReplaceStatus(RootKey::LocalMachine, "SYSTEM", platform::status::Success);
        system_.SetHiveProblem(std::string(kSystemHive.file) + ".kvf", "");
    }
}

TEST_F(DefragCommandTest, WhenEveryReplacementIsRefusedThereIsNoRestartAndTheUserIsToldWhy) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kUserHive, false);
    system_.SetReplaceStatus(RootKey::LocalMachine, "SYSTEM", platform::status::PrivilegeNotHeld);

    const DefragOutcome outcome = Run();

    EXPECT_EQ(outcome.end, DefragEnd::NothingReplaced);
    for (const std::string& call : CommandCalls()) EXPECT_EQ(call.find("ExitWindowsEx"), std::string::npos) << call;
    // The partial hand-over and the restart notice come before the first call; the refusal after.
    ASSERT_EQ(headless_->MessageBoxes().size(), 3u);
    EXPECT_NE(headless_->MessageBoxes()[0].request.text.find(kPartlyReplacedText), std::string::npos);
    EXPECT_EQ(headless_->MessageBoxes()[1].request.text, settings::strings::RestartNotice.text);
    const ui::MessageBoxRequest& box = headless_->MessageBoxes()[2].request;
    EXPECT_EQ(box.caption, "Varnel Kelvara");
    EXPECT_EQ(box.text, std::string(kNothingReplacedText) +
                            "\n\\REGISTRY\\MACHINE\\SYSTEM: the process lacks the privilege it needs (error 1314)"
                            "\n\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001: C:\\Users\\Alex\\NTUSER.DAT.kvf does not exist");
    // The window the command came from stays.
    EXPECT_TRUE(owner_->Visible());
}

TEST_F(DefragCommandTest, NothingReplacedInSilentModeShowsNothingAndDoesNotRestart) {
    AddHiveWithCopy(kSystemHive, false);
    EXPECT_EQ(Run(true).end, DefragEnd::NothingReplaced);
    EXPECT_TRUE(headless_->MessageBoxes().empty());
    for (const std::string& call : CommandCalls()) EXPECT_EQ(call.find("ExitWindowsEx"), std::string::npos) << call;
}

TEST_F(DefragCommandTest, EmptyHiveListsRestartNothing) {
    const DefragOutcome outcome = Run();
    EXPECT_EQ(outcome.end, DefragEnd::NothingReplaced);
    EXPECT_TRUE(outcome.hives.empty());
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless_->MessageBoxes()[0].request.text, kNothingReplacedText);
}

// On Windows the copies are saved again right before their hand-over, after the confirmation and
// the restore point, in the same view as the analysis's; offline (the scripted default) they
// stay as the analysis made them.
TEST_F(DefragCommandTest, OnARunningSystemEachCopyIsSavedAgainJustBeforeItsHandOver) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kUserHive);
    system_.SetSavesLiveRegistry(true);
    system_.SetWow64(platform::fake::Wow64Function::Present, true);

    const DefragOutcome outcome = Run(true);

    EXPECT_EQ(outcome.end, DefragEnd::RestartRequested);
    const std::string system = kSystemHive.file;
    const std::string user = kUserHive.file;
    const std::vector<std::string> expected = {
        "EnablePrivilege SeRestorePrivilege 0xF00FF",
        "EnablePrivilege SeBackupPrivilege 0x28",
        "DeleteFile " + system + ".kvf",
        "RegSaveKey SYSTEM -> " + system + ".kvf",
        "IsUsableHiveFile " + system + ".kvf",
        "RegReplaceKey HKLM\\SYSTEM " + system + ".kvf " + system + ".bak",
        "EnablePrivilege SeBackupPrivilege 0x28",
        "DeleteFile " + user + ".kvf",
        "RegSaveKey S-1-5-21-1-2-3-1001 -> " + user + ".kvf",
        "IsUsableHiveFile " + user + ".kvf",
        "RegReplaceKey HKU\\S-1-5-21-1-2-3-1001 " + user + ".kvf " + user + ".bak",
        "EnablePrivilege SeShutdownPrivilege 0x28",
        "ExitWindowsEx 6 1",
    };
    EXPECT_EQ(CommandCalls(), expected);
    std::vector<std::string> opens;
    for (const std::string& call : system_.CallLog())
        if (call.rfind("RegOpenKey", 0) == 0) opens.push_back(call);
    EXPECT_EQ(opens, (std::vector<std::string>{"RegOpenKeyEx HKLM\\SYSTEM 0x101 -> 0",
                                               "RegOpenKeyEx HKU\\S-1-5-21-1-2-3-1001 0x101 -> 0"}));
}

// A hand-over that went part of the way: three hives, some of them left out.
class PartialHandOverTest : public DefragCommandTest {
protected:
    PartialHandOverTest() {
        AddHiveWithCopy(kSystemHive);
        AddHiveWithCopy(kSoftwareHive);
        AddHiveWithCopy(kUserHive);
    }

    // Runs the command and checks which hives went over, what the user was shown (the warning,
    // when there is one, before the restart notice), and how many requests reached the registry.
    void Expect(bool silent, std::vector<bool> accepted, const std::string& told, int replaceRequests) {
        const DefragOutcome outcome = Run(silent);
        EXPECT_EQ(outcome.end, DefragEnd::RestartRequested);
        ASSERT_EQ(outcome.hives.size(), accepted.size());
        for (std::size_t i = 0; i < accepted.size(); ++i) EXPECT_EQ(outcome.hives[i].accepted, accepted[i]) << i;
        EXPECT_TRUE(PartlyHandedOver(outcome));

        std::vector<std::string> texts;
        for (const auto& box : headless_->MessageBoxes()) texts.push_back(box.request.text);
        std::vector<std::string> expected;
        if (!told.empty()) expected.push_back(told);
        if (!silent) expected.push_back(settings::strings::RestartNotice.text);
        EXPECT_EQ(texts, expected);

        int replaces = 0;
        for (const std::string& call : CommandCalls()) replaces += call.rfind("RegReplaceKey", 0) == 0 ? 1 : 0;
        EXPECT_EQ(replaces, replaceRequests);
        EXPECT_EQ(CommandCalls().back(), "ExitWindowsEx 6 1");

        // What went wrong after the first call is told at the next start, hive by hive.
        system_.Restart();
        const auto record = ReadHandOverRecord(system_, folder_.WithSeparator());
        ASSERT_TRUE(record.has_value());
        const std::string told = DescribeResult(*record, ResultOf(system_, *record));
        for (std::size_t i = 0; i < accepted.size(); ++i) {
            const bool named = told.find(outcome.hives[i].hivePath + ": ") != std::string::npos;
            EXPECT_EQ(named, !accepted[i]) << told;
            if (!accepted[i]) EXPECT_NE(told.find(outcome.hives[i].reason), std::string::npos) << told;
        }
    }

    const std::string partly_ = kPartlyReplacedText;
};

TEST_F(PartialHandOverTest, AHiveTheRegistryRefusesIsNamedWithItsReason) {
    system_.SetReplaceStatus(RootKey::LocalMachine, "SOFTWARE", platform::status::AccessDenied);
    Expect(false, {true, false, true}, "", 3);
}

// A copy that fails its check is known before the first call, so the user hears of it then.
TEST_F(PartialHandOverTest, ACopyThatFailsItsCheckIsToldBeforeTheFirstCall) {
    const std::string copy = std::string(kSoftwareHive.file) + ".kvf";
    system_.SetHiveProblem(copy, copy + " is not a sound hive");
    Expect(false, {true, false, true}, partly_ + "\n\\REGISTRY\\MACHINE\\SOFTWARE: " + copy + " is not a sound hive", 2);
}

TEST_F(PartialHandOverTest, UnattendedNothingIsShown) {
    system_.SetReplaceStatus(RootKey::LocalMachine, "SOFTWARE", platform::status::AccessDenied);
    Expect(true, {true, false, true}, "", 3);
}

TEST_F(PartialHandOverTest, AHiveWhoseCopyCannotBeSavedAgainIsPassedOverAndTheOthersGoOn) {
    system_.SetSavesLiveRegistry(true);
    system_.SetSaveScript(RootKey::Users, kUserHive.subKey, {platform::status::AccessDenied, 0});
    Expect(false, {true, true, false}, "", 2);
}

TEST_F(PartialHandOverTest, NothingIsHandedOverOnceTheRedirectorStaysOff) {
    system_.SetRedirectionLostAfterReplaces(1);
    Expect(false, {true, false, false}, "", 1);
}

TEST_F(PartialHandOverTest, AHiveWhoseSaveLostTheRedirectorIsNotHandedOver) {
    system_.SetSavesLiveRegistry(true);
    system_.SetRedirectionLostAfterSaves(2);
    Expect(false, {true, false, false}, "", 1);
}

// From the first accepted call until the restart, whatever is written to the registry is lost:
// every box (the partial hand-over, the restart notice) comes before the first call, none after,
// even when a later call is refused.
TEST_F(DefragCommandTest, NoMessageBoxBetweenTheFirstCallAndTheRestart) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kSoftwareHive);
    AddHiveWithCopy(kUserHive, false);   // left out: said before the first call
    system_.SetReplaceStatus(kSoftwareHive.root, kSoftwareHive.subKey, platform::status::AccessDenied);
    std::size_t boxesAtFirstCall = 0;
    bool called = false;
    system_.SetReplaceHook([&] {
        if (!called) boxesAtFirstCall = headless_->MessageBoxes().size();
        called = true;
    });
    const DefragOutcome outcome = Run();
    EXPECT_EQ(outcome.end, DefragEnd::RestartRequested);
    ASSERT_TRUE(called);
    EXPECT_EQ(boxesAtFirstCall, 2u);   // the partial hand-over, the restart notice
    EXPECT_EQ(headless_->MessageBoxes().size(), boxesAtFirstCall);
    EXPECT_EQ(CommandCalls().back(), "ExitWindowsEx 6 1");
}

// The restart: on the user's desktop ExitWindowsEx; outside the user's session (a service, a task
// run as SYSTEM) the machine's restart; a refusal is said, with the question whether to restart
// now: every registry change until the restart is lost.
TEST_F(DefragCommandTest, TheRestartAndItsRefusal) {
    struct Case {
        const char* name;
        bool interactive;
        bool accepted;
        bool silent;
        const char* call;
        DefragEnd end;
        bool refusalShown;
    };
    const Case cases[] = {
        {"desktop", true, true, false, "ExitWindowsEx 6 1", DefragEnd::RestartRequested, false},
        {"desktop, refused", true, false, false, "ExitWindowsEx 6 1", DefragEnd::RestartRefused, true},
        {"desktop, refused, unattended", true, false, true, "ExitWindowsEx 6 1", DefragEnd::RestartRefused, false},
        {"service", false, true, true, "InitiateSystemShutdown force=1 1", DefragEnd::RestartRequested, false},
        {"service, refused", false, false, true, "InitiateSystemShutdown force=1 1", DefragEnd::RestartRefused, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        AddHiveWithCopy(kSystemHive);
        if (!c.silent) headless_->ScriptMessageBoxAnswer(ui::mrOk);   // the restart notice
        if (c.refusalShown) headless_->ScriptMessageBoxAnswer(ui::mrNo);   // not now
        system_.SetInteractiveSession(c.interactive);
        system_.SetExitWindowsResult(c.accepted);
        system_.SetShutdownResult(c.accepted);
        const std::size_t boxesBefore = headless_->MessageBoxes().size();

        EXPECT_EQ(Run(c.silent).end, c.end);

        const std::vector<std::string> calls = CommandCalls();
        EXPECT_EQ(calls.back(), c.call);
        EXPECT_EQ(calls[calls.size() - 2], "EnablePrivilege SeShutdownPrivilege 0x28");
        const auto& boxes = headless_->MessageBoxes();
        const bool refusalShown = boxes.size() > boxesBefore && boxes.back().request.text == kRestartRefusedText;
        EXPECT_EQ(refusalShown, c.refusalShown);
    }
}

}  // namespace
}  // namespace kelvara::defrag::testing
