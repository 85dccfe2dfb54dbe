// The Undo command where Windows replaces the hives at its next start (a scripted system): which
// file goes to the replace operation for each kind of backup, the refusals, the question and its
// date; and the record of the last hand-over that the next start reads.
#include <gtest/gtest.h>

#include <fstream>

#include "defrag/hand_over_record.h"
#include "defrag/undo_registry.h"
#include "defrag_fixture.h"

namespace kelvara::defrag::testing {
namespace {

class UndoCommandTest : public DefragFixture {
protected:
    UndoOutcome Undo(bool silent) {
        return UndoDefrag(UndoWindow{keys_, files_, silent, folder_.WithSeparator(), system_, *app_});
    }
    std::vector<std::string> UndoCalls() const {
        static const char* const kept[] = {"EnablePrivilege", "WriteRecoveredHive", "DeleteFile", "RegReplaceKey",
                                           "ExitWindowsEx"};
        std::vector<std::string> calls;
        for (const std::string& entry : system_.CallLog())
            for (const char* prefix : kept)
                if (entry.rfind(prefix, 0) == 0) calls.push_back(entry);
        return calls;
    }
};

TEST_F(UndoCommandTest, EachKindOfBackupAndWhatIsHandedOver) {
    const TestHive noBackup{RootKey::LocalMachine, "SAM", "\\REGISTRY\\MACHINE\\SAM",
                            "C:\\Windows\\System32\\config\\SAM"};
    AddHiveWithCopy(noBackup, false);
    AddHiveWithCopy(kSystemHive, false);
    AddHiveWithCopy(kSoftwareHive, false);
    AddHiveWithCopy(kUserHive, false);
    const std::string system = kSystemHive.file, software = kSoftwareHive.file, user = kUserHive.file;
    system_.AddFile(system + ".bak", 400000);            // clean: handed over as it is
    system_.AddFile(software + ".bak", 900000);          // dirty: recovered into a clean file first
    system_.SetHiveDirty(software + ".bak");
    system_.AddFile(software + ".undone", 10);           // an earlier undo's: it goes
    system_.AddFile(user + ".bak", 5000);                // damaged: passed over with its reason
    system_.SetHiveProblem(user + ".bak", user + ".bak is not a sound hive");

    const UndoOutcome outcome = Undo(true);
    EXPECT_EQ(outcome.end, UndoEnd::RestartRequested);
    ASSERT_EQ(outcome.hives.size(), 4u);
    EXPECT_FALSE(outcome.hives[0].hasBackup);
    EXPECT_EQ(outcome.hives[0].reason, std::string(noBackup.file) + ".bak does not exist");
    EXPECT_TRUE(outcome.hives[1].handedOver);
    EXPECT_TRUE(outcome.hives[2].handedOver);
    EXPECT_FALSE(outcome.hives[3].handedOver);
    EXPECT_TRUE(outcome.hives[3].hasBackup);
    EXPECT_EQ(outcome.hives[3].reason, user + ".bak is not a sound hive");
    EXPECT_EQ(UndoCalls(), (std::vector<std::string>{
                               "EnablePrivilege SeBackupPrivilege 0x28",
                               "EnablePrivilege SeRestorePrivilege 0xF00FF",
                               "RegReplaceKey HKLM\\SYSTEM " + system + ".bak " + system + ".undone",
                               "WriteRecoveredHive " + software + ".bak " + software + ".bak.recovered",
                               "DeleteFile " + software + ".undone",
                               "RegReplaceKey HKLM\\SOFTWARE " + software + ".bak.recovered " + software + ".undone",
                               "EnablePrivilege SeShutdownPrivilege 0x28",
                               "ExitWindowsEx 6 1",
                           }));
    EXPECT_TRUE(headless_->MessageBoxes().empty());

    // The record says what the next start is to look for.
    const auto record = ReadHandOverRecord(folder_.WithSeparator());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->command, HandOverRecord::Command::Undo);
    ASSERT_EQ(record->hives.size(), 4u);
    EXPECT_FALSE(record->hives[0].handedOver);
    EXPECT_TRUE(record->hives[2].handedOver);
    EXPECT_EQ(record->hives[2].newSize, 900000);
}

TEST_F(UndoCommandTest, WhenThereIsNothingToUndoOrAHandOverWaits) {
    AddHiveWithCopy(kSystemHive, true);
    const std::string file = kSystemHive.file;
    UndoOutcome outcome = Undo(false);
    EXPECT_EQ(outcome.end, UndoEnd::NothingToUndo);
    ASSERT_EQ(headless_->MessageBoxes().size(), 1u);
    EXPECT_NE(headless_->MessageBoxes().back().request.text.find("No hive has a backup"), std::string::npos);

    // The copy handed over and held by the system until the restart.
    system_.AddFile(file + ".bak", 400000);
    system_.SetFileLocked(file + ".kvf");
    outcome = Undo(true);
    EXPECT_EQ(outcome.end, UndoEnd::HandOverWaiting);
    EXPECT_NE(outcome.message.find("waiting for Windows to restart"), std::string::npos);
    EXPECT_EQ(headless_->MessageBoxes().size(), 1u);   // silent: said in the outcome only
    EXPECT_EQ(UndoCalls(), std::vector<std::string>{});
}

TEST_F(UndoCommandTest, TheQuestionNamesTheDateOfTheLastDefragAndNoChangesNothing) {
    AddHiveWithCopy(kSystemHive, true);
    system_.SetDateTimeFormats("dd.MM.yyyy", "HH:mm:ss");
    system_.SetLocalTime({2026, 11, 30, 9, 15, 0, 0});
    ASSERT_EQ(Run(true).end, DefragEnd::RestartRequested);   // writes the record
    system_.AddFile(std::string(kSystemHive.file) + ".bak", 400000);   // as the restart leaves it
    system_.SetLocalTime({2026, 12, 8, 10, 0, 0, 0});
    system_.ClearCallLog();

    headless_->ScriptMessageBoxAnswer(ui::mrNo);
    const UndoOutcome outcome = Undo(false);
    EXPECT_EQ(outcome.end, UndoEnd::NotConfirmed);
    ASSERT_FALSE(headless_->MessageBoxes().empty());
    const auto& question = headless_->MessageBoxes().back().request;
    EXPECT_EQ(question.buttons, ui::MsgButtons::YesNo);
    EXPECT_NE(question.text.find("defragmentation of 30.11.2026?"), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("changes made since then will be lost"), std::string::npos) << question.text;
    EXPECT_EQ(UndoCalls(), std::vector<std::string>{});
}

// What the next start tells: a hive handed over counts as replaced when its .bak exists.
TEST_F(UndoCommandTest, TheRecordOfADefragAndWhatTheNextStartFinds) {
    AddHiveWithCopy(kSystemHive);
    AddHiveWithCopy(kUserHive);
    system_.SetReplaceStatus(kUserHive.root, kUserHive.subKey, platform::status::AccessDenied);
    AddHiveWithCopy(kSoftwareHive);
    ASSERT_EQ(Run(true).end, DefragEnd::RestartRequested);

    auto record = ReadHandOverRecord(folder_.WithSeparator());
    ASSERT_TRUE(record.has_value());
    EXPECT_FALSE(record->reported);
    ASSERT_EQ(record->hives.size(), 3u);
    EXPECT_EQ(record->hives[0].hiveFile, kSystemHive.file);
    EXPECT_EQ(record->hives[0].currentSize, 262144);
    EXPECT_EQ(record->hives[0].newSize, 131072);
    EXPECT_FALSE(record->hives[1].handedOver);

    // After the restart: SYSTEM was replaced, SOFTWARE was not.
    system_.AddFile(std::string(kSystemHive.file) + ".bak", 262144);
    const HandOverResult result = ResultOf(system_, *record);
    EXPECT_EQ(result.handedOver, 2);
    EXPECT_EQ(result.replaced, 1);
    EXPECT_EQ(DescribeResult(*record, result),
              "1 of 2 hives replaced, 256 KB -> 128 KB\n\\REGISTRY\\MACHINE\\SOFTWARE: not replaced");
    EXPECT_TRUE(MarkHandOverReported(folder_.WithSeparator()));
    EXPECT_TRUE(ReadHandOverRecord(folder_.WithSeparator())->reported);
}

TEST(HandOverRecordText, AMissingOrDamagedRecordIsNoRecord) {
    kelvara::testing::TempFolder folder;
    const std::string program = folder.WithSeparator();
    EXPECT_FALSE(ReadHandOverRecord(program).has_value());
    const char* const damaged[] = {
        "",
        "[Last Hand-over]\nCommand=Defrag\nTime=2026-12-08 10:31:05\nHives=1\n",
        "[Last Hand-over]\nCommand=Copy\nTime=2026-12-08 10:31:05\nHives=0\n",
        "[Last Hand-over]\nCommand=Defrag\nTime=yesterday\nHives=0\n",
        "[Last Hand-over]\nCommand=Defrag\nTime=2026-13-08 10:31:05\nHives=0\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=1|12|x|\\REGISTRY\\USER\\.DEFAULT|C:\\D\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=2|12|3|\\REGISTRY\\USER\\.DEFAULT|C:\\D\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=1|12|3|C:\\D\n",
        "\xff\xfe\x00garbage",
    };
    for (const char* text : damaged) {
        std::ofstream(RecordPath(program), std::ios::binary | std::ios::trunc) << text;
        EXPECT_FALSE(ReadHandOverRecord(program).has_value()) << text;
    }
    std::ofstream(RecordPath(program), std::ios::binary | std::ios::trunc)
        << "[Last Hand-over]\r\nCommand=Undo\r\nTime=2026-12-08 10:31:05\r\nReported=1\r\nHives=1\r\n"
           "Hive1=1|12|3|\\REGISTRY\\USER\\.DEFAULT|C:\\Windows\\System32\\config\\DEFAULT\r\n";
    const auto record = ReadHandOverRecord(program);
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->reported);
    EXPECT_EQ(record->time.minute, 31);
    EXPECT_EQ(record->hives.at(0).hiveFile, "C:\\Windows\\System32\\config\\DEFAULT");
}

}  // namespace
}  // namespace kelvara::defrag::testing
