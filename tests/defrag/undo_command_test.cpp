// The Undo command over the scripted system, which renames at the replace call as Windows'
// kernel does: the set it puts back is what the last Defrag replaced, checked whole before the
// first call; a hand-over still waiting for the restart refuses it; a refused call loses nothing.
#include <gtest/gtest.h>

#include "defrag/defrag_texts.h"
#include "defrag/hand_over.h"
#include "defrag/undo_registry.h"
#include "defrag/undo_texts.h"
#include "defrag_fixture.h"

namespace kelvara::defrag::testing {
namespace {

class UndoCommandTest : public DefragFixture {
protected:
    UndoOutcome Undo(bool silent, bool anyBackup = false) {
        return UndoDefrag(UndoWindow{keys_, files_, silent, anyBackup, folder_.WithSeparator(), system_, *app_});
    }
    std::vector<std::string> UndoCalls() const {
        static const char* const kept[] = {"WriteRecoveredHive", "DeleteFile", "RegReplaceKey", "ExitWindowsEx"};
        std::vector<std::string> calls;
        for (const std::string& entry : system_.CallLog())
            for (const char* prefix : kept)
                if (entry.rfind(prefix, 0) == 0) calls.push_back(entry);
        return calls;
    }
    // A Defrag of every hive added so far, then Windows' restart.
    void DefragAndRestart() {
        ASSERT_EQ(Run(true).end, DefragEnd::RestartRequested);
        system_.Restart();
        system_.ClearCallLog();
    }
    static std::string Bak(const TestHive& hive) { return std::string(hive.file) + ".bak"; }
};

// The sequence a user lives through: Defrag, the wait for the restart, the restart, Undo.
TEST_F(UndoCommandTest, UndoPutsBackWhatTheLastDefragReplacedAndNothingElse) {
    const TestHive sam{RootKey::LocalMachine, "SAM", "\\REGISTRY\\MACHINE\\SAM", "C:\\Windows\\System32\\config\\SAM"};
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kSoftwareHive);
    ASSERT_EQ(Run(true).end, DefragEnd::RestartRequested);
    // The call renamed at once: the hive's name holds the copy, the old hive is the held .bak.
    EXPECT_FALSE(system_.HasFile(std::string(kSystemHive.file) + ".kvf"));
    EXPECT_TRUE(system_.IsLocked(Bak(kSystemHive)));

    // Before the restart both commands are refused.
    EXPECT_EQ(Undo(true).end, UndoEnd::HandOverWaiting);
    AddHiveWithCopy(kUserHive);
    EXPECT_EQ(Run(true).end, DefragEnd::HandOverWaiting);
    files_.pop_back();
    keys_.pop_back();

    system_.Restart();
    // A backup of an older defragmentation that the last one passed over.
    AddHiveWithCopy(sam, false);
    system_.AddFile(Bak(sam), 20480);
    system_.ClearCallLog();

    const UndoOutcome outcome = Undo(true);
    ASSERT_EQ(outcome.end, UndoEnd::RestartRequested) << outcome.message;
    ASSERT_EQ(outcome.hives.size(), 2u);
    EXPECT_NE(outcome.message.find(Bak(sam)), std::string::npos) << outcome.message;
    const std::string system = kSystemHive.file, software = kSoftwareHive.file;
    EXPECT_EQ(UndoCalls(), (std::vector<std::string>{
                               "RegReplaceKey HKLM\\SYSTEM " + system + ".bak " + system + ".undone",
                               "RegReplaceKey HKLM\\SOFTWARE " + software + ".bak " + software + ".undone",
                               "ExitWindowsEx 6 1",
                           }));
    EXPECT_TRUE(system_.HasFile(Bak(sam)));

    // Only backups no record names: named and left, unless asked for.
    system_.Restart();
    const UndoOutcome again = Undo(true);
    EXPECT_EQ(again.end, UndoEnd::OnlyUnrecorded);   // the last hand-over was an Undo
    EXPECT_NE(again.message.find(Bak(sam)), std::string::npos) << again.message;
    const UndoOutcome asked = Undo(true, true);
    EXPECT_EQ(asked.end, UndoEnd::RestartRequested) << asked.message;
    ASSERT_EQ(asked.hives.size(), 1u);
    EXPECT_EQ(asked.hives[0].hivePath, sam.hivePath);
}

// The replace call refused (access denied): the backup stays where it was, and nothing is
// deleted but the clean file recovered from a dirty backup for the call.
TEST_F(UndoCommandTest, ARefusedCallKeepsEveryBackup) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kSoftwareHive);
    DefragAndRestart();
    const std::string software = kSoftwareHive.file;
    system_.SetHiveDirty(software + ".bak");
    system_.AddFile(software + ".bak.LOG1", 8192);   // its own logs, as an offline Defrag leaves them
    system_.SetReplaceStatus(kSystemHive.root, kSystemHive.subKey, platform::status::AccessDenied);
    system_.SetReplaceStatus(kSoftwareHive.root, kSoftwareHive.subKey, platform::status::AccessDenied);
    const auto systemBackup = system_.IdentityOf(Bak(kSystemHive));

    const UndoOutcome outcome = Undo(true);
    EXPECT_EQ(outcome.end, UndoEnd::NothingPutBack);
    EXPECT_EQ(system_.IdentityOf(Bak(kSystemHive)), systemBackup);
    EXPECT_TRUE(system_.HasFile(software + ".bak"));
    EXPECT_TRUE(system_.HasFile(software + ".bak.LOG1"));
    EXPECT_FALSE(system_.HasFile(software + ".bak.recovered"));
    for (const std::string& call : UndoCalls())
        if (call.rfind("DeleteFile", 0) == 0) EXPECT_EQ(call, "DeleteFile " + software + ".bak.recovered");
}

// Hives of one generation belong together: a backup that cannot be put back stops the whole set
// unattended, and by hand the user is told which and why before anything changes.
TEST_F(UndoCommandTest, AllOrNothingUnlessTheUserChoosesTheRest) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kSoftwareHive);
    AddHiveWithCopy(kUserHive);
    DefragAndRestart();
    const std::string software = kSoftwareHive.file, user = kUserHive.file;
    system_.SetHiveProblem(software + ".bak", software + ".bak is not a sound hive");
    system_.SetHiveDirty(user + ".bak");   // no logs of its own: the ones at the hive's name are the hive's

    UndoOutcome outcome = Undo(true);
    EXPECT_EQ(outcome.end, UndoEnd::NotAllPutBack);
    EXPECT_NE(outcome.message.find(software + ".bak is not a sound hive"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("left dirty by an unclean shutdown"), std::string::npos) << outcome.message;
    EXPECT_EQ(UndoCalls(), std::vector<std::string>{});

    // By hand: Yes to the question, Yes to "put back the others", OK to the restart notice.
    headless_->ScriptMessageBoxAnswer(ui::mrYes);
    headless_->ScriptMessageBoxAnswer(ui::mrYes);
    headless_->ScriptMessageBoxAnswer(ui::mrOk);
    outcome = Undo(false);
    ASSERT_EQ(outcome.end, UndoEnd::RestartRequested) << outcome.message;
    const auto& boxes = headless_->MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NE(boxes[1].request.text.find(kUndoNotAllText), std::string::npos);
    EXPECT_NE(boxes[1].request.text.find("left dirty by an unclean shutdown"), std::string::npos);
    const std::string system = kSystemHive.file;
    EXPECT_EQ(UndoCalls(), (std::vector<std::string>{
                               "RegReplaceKey HKLM\\SYSTEM " + system + ".bak " + system + ".undone",
                               "ExitWindowsEx 6 1",
                           }));
}

// Nothing waits on the user between the first accepted call and the restart request: every box
// comes before the first call.
TEST_F(UndoCommandTest, NoMessageBoxBetweenTheFirstCallAndTheRestart) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kSoftwareHive);
    DefragAndRestart();
    std::size_t boxesAtFirstCall = 0;
    bool called = false;
    system_.SetReplaceHook([&] {
        if (!called) boxesAtFirstCall = headless_->MessageBoxes().size();
        called = true;
    });
    headless_->ScriptMessageBoxAnswer(ui::mrYes);
    headless_->ScriptMessageBoxAnswer(ui::mrOk);
    EXPECT_EQ(Undo(false).end, UndoEnd::RestartRequested);
    EXPECT_TRUE(called);
    EXPECT_EQ(boxesAtFirstCall, 2u);
    EXPECT_EQ(headless_->MessageBoxes().size(), boxesAtFirstCall);
}

}  // namespace
}  // namespace kelvara::defrag::testing
