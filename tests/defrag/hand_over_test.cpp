// The record of the last hand-over and what is read from it: where it lives, its text (the older
// builds' form still read), the UTC clock it keeps, whether the hand-over waits for Windows to
// restart, and what the next start finds, over the scripted system that renames as the kernel does.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/ini/temp_folder.h"
#include "defrag/hand_over.h"
#include "platform/fake/scripted_system.h"

namespace kelvara::defrag::testing {
namespace {

using platform::fake::ScriptedSystem;
using State = RecordedHive::State;

// Seconds since 1970 UTC against the calendar, as `date -u -d @N` prints them.
TEST(HandOverRecordTime, UtcSecondsAndTheCalendar) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01 00:00:00"},
        {1709647629, "2024-03-05 14:07:09"},
        {951782400, "2000-02-29 00:00:00"},
        {-1, "1969-12-31 23:59:59"},
        {2147483648, "2038-01-19 03:14:08"},
        {-11644473600, "1601-01-01 00:00:00"},   // where FILETIME begins
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(FormatUtcTime(seconds), text) << seconds;
        EXPECT_EQ(ParseUtcTime(text), seconds) << text;
    }
    for (const char* bad : {"", "2026-13-01 00:00:00", "2026-12-08 24:00:00", "yesterday", "2026-12-08 10:31:05x"})
        EXPECT_FALSE(ParseUtcTime(bad).has_value()) << bad;
}

// The user's calendar is the system's local time now, whatever the zone: UTC plus its offset.
TEST(HandOverRecordTime, LocalTimeFollowsTheOffsetOfNow) {
    ScriptedSystem system;
    system.SetUtcNow(1709647629);   // 2024-03-05 14:07:09 UTC
    system.SetLocalTime({2024, 3, 5, 19, 37, 10, 0});   // India, +5:30, read a second later
    const platform::LocalTime local = LocalTimeOf(system, 1709640000);   // 12:00:00 UTC
    EXPECT_EQ(local.day, 5);
    EXPECT_EQ(local.hour, 17);
    EXPECT_EQ(local.minute, 30);
    system.SetLocalTime({2024, 3, 4, 23, 7, 9, 0});   // -15:00 would cross the day
    EXPECT_EQ(LocalTimeOf(system, 1709640000).day, 4);
}

class HandOverTest : public ::testing::Test {
protected:
    HandOverTest() {
        system_.SetProgramFolder(program_.WithSeparator());
        for (const char* name : {"SYSTEM", "SOFTWARE", "SAM"}) {
            const std::string file = std::string("C:\\Windows\\System32\\config\\") + name;
            system_.AddKey(platform::RootKey::LocalMachine, name);
            system_.AddFile(file, 262144);
            system_.AddFile(file + ".kvf", 131072);
        }
    }
    static std::string File(const char* name) { return std::string("C:\\Windows\\System32\\config\\") + name; }

    // A Defrag's hand-over of SYSTEM and SOFTWARE, SAM left out, as the command records it.
    HandOverRecord HandOver(std::initializer_list<const char*> refused = {}) {
        HandOverLog log(system_, program_.WithSeparator(), HandOverRecord::Command::Defrag);
        std::vector<std::pair<const char*, std::size_t>> planned;
        for (const char* name : {"SYSTEM", "SOFTWARE"})
            planned.emplace_back(name, log.Plan(std::string("\\REGISTRY\\MACHINE\\") + name, File(name), File(name) + ".kvf"));
        log.LeaveOut("\\REGISTRY\\MACHINE\\SAM", File("SAM"), "SAM.kvf is not a sound hive");
        EXPECT_TRUE(log.Begin());
        for (const auto& [name, index] : planned) {
            if (std::find(refused.begin(), refused.end(), std::string(name)) != refused.end()) {
                system_.SetReplaceStatus(platform::RootKey::LocalMachine, name, platform::status::AccessDenied);
                log.Refused(index, "access is denied (error 5)");
                continue;
            }
            EXPECT_EQ(system_.RegReplaceKey(platform::RootKey::LocalMachine, name, File(name) + ".kvf", File(name) + ".bak"),
                      platform::status::Success);
            log.Accepted(index);
        }
        return log.Record();
    }

    kelvara::testing::TempFolder program_, common_;
    ScriptedSystem system_;
};

// The record lives with the installation where the system names its common application data;
// one the older builds left beside the program is still read.
TEST_F(HandOverTest, TheRecordLivesWithTheInstallation) {
    system_.SetCommonAppDataFolder(common_.path().string());
    const std::string expected = (common_.path() / "Varnel Kelvara" / "LastHandOver.ini").string();
    EXPECT_EQ(RecordPath(system_, program_.WithSeparator()), expected);
    EXPECT_FALSE(ReadHandOverRecord(system_, program_.WithSeparator()).has_value());

    std::ofstream(program_.path() / "LastHandOver.ini", std::ios::binary)
        << "[Last Hand-over]\r\nCommand=Defrag\r\nTime=2026-12-01 08:00:00\r\nReported=1\r\nHives=0\r\n";
    auto record = ReadHandOverRecord(system_, program_.WithSeparator());
    ASSERT_TRUE(record.has_value());
    EXPECT_FALSE(record->timeKnown);   // local time: it cannot be set against the system's start

    HandOver();
    EXPECT_TRUE(std::filesystem::exists(expected));
    record = ReadHandOverRecord(system_, program_.WithSeparator());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->path, expected);
    EXPECT_TRUE(record->timeKnown);
    ASSERT_EQ(record->hives.size(), 3u);
    EXPECT_EQ(record->hives[2].state, State::LeftOut);
    EXPECT_EQ(record->hives[2].reason, "SAM.kvf is not a sound hive");
}

// Whether the hand-over waits: recorded after the system's last start, or the old hive still
// held by the running system; never where the calls completed the replacement.
TEST_F(HandOverTest, AHandOverWaitsUntilWindowsHasStartedSince) {
    HandOverRecord record = HandOver();
    EXPECT_TRUE(HandOverWaiting(system_, record));           // recorded after the start
    system_.SetSystemStartTime(system_.UtcNow() + 30);
    EXPECT_TRUE(HandOverWaiting(system_, record));           // the old SYSTEM is still held
    system_.Restart();
    EXPECT_FALSE(HandOverWaiting(system_, record));

    HandOverRecord old = record;
    old.timeKnown = false;
    system_.SetFileLocked(File("SYSTEM") + ".bak");
    EXPECT_TRUE(HandOverWaiting(system_, old));              // an older build's record: the hold tells
    HandOverRecord complete = record;
    complete.complete = true;
    EXPECT_FALSE(HandOverWaiting(system_, complete));
    HandOverRecord nothing = record;
    for (RecordedHive& hive : nothing.hives) hive.state = State::Refused;
    system_.SetSystemStartTime(0);
    EXPECT_FALSE(HandOverWaiting(system_, nothing));         // nothing was handed over
}

// After the restart a hive counts as replaced when the file at its name is the one handed over:
// the .bak proves nothing, the call itself makes it.
TEST_F(HandOverTest, TheNextStartTellsEachHiveByTheFileAtItsName) {
    const HandOverRecord record = HandOver({"SOFTWARE"});
    system_.Restart();
    HandOverResult result = ResultOf(system_, record);
    EXPECT_FALSE(result.waiting);
    EXPECT_EQ(result.handedOver, 2);
    EXPECT_EQ(result.replaced, 1);
    EXPECT_EQ(DescribeResult(record, result),
              "1 of 2 hives replaced, 256 KB -> 128 KB\n"
              "\\REGISTRY\\MACHINE\\SOFTWARE: the registry refused it: access is denied (error 5)\n"
              "Left out of the hand-over:\n"
              "\\REGISTRY\\MACHINE\\SAM: SAM.kvf is not a sound hive");

    // Something put another file at SYSTEM's name since (a restore, another tool): not ours.
    system_.DeleteFile(File("SYSTEM"));
    system_.AddFile(File("SYSTEM"), 262144);
    result = ResultOf(system_, record);
    EXPECT_EQ(result.replaced, 0);
    EXPECT_EQ(result.notReplaced.front(), "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_TRUE(ReplacedByLastDefrag(system_, program_.WithSeparator()).empty());
}

// A run killed in the loop leaves hives "planned": the file at the name settles each.
TEST_F(HandOverTest, ARunKilledInTheLoopLeavesARecordTrueAboutEveryHive) {
    HandOverLog log(system_, program_.WithSeparator(), HandOverRecord::Command::Defrag);
    const std::size_t system = log.Plan("\\REGISTRY\\MACHINE\\SYSTEM", File("SYSTEM"), File("SYSTEM") + ".kvf");
    log.Plan("\\REGISTRY\\MACHINE\\SOFTWARE", File("SOFTWARE"), File("SOFTWARE") + ".kvf");
    ASSERT_TRUE(log.Begin());
    // Killed after SYSTEM's call returned and before its state was written.
    ASSERT_EQ(system_.RegReplaceKey(platform::RootKey::LocalMachine, "SYSTEM", File("SYSTEM") + ".kvf",
                                    File("SYSTEM") + ".bak"),
              platform::status::Success);
    (void)system;
    system_.Restart();
    const auto record = ReadHandOverRecord(system_, program_.WithSeparator());
    ASSERT_TRUE(record.has_value());
    const HandOverResult result = ResultOf(system_, *record);
    EXPECT_EQ(result.replaced, 1);
    ASSERT_EQ(result.notReplacedWhy.size(), 1u);
    EXPECT_EQ(result.notReplacedWhy[0], "\\REGISTRY\\MACHINE\\SOFTWARE: the hand-over stopped before its turn ended");
    const auto replaced = ReplacedByLastDefrag(system_, program_.WithSeparator());
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].hiveFile, File("SYSTEM"));
}

TEST(HandOverRecordText, AMissingOrDamagedRecordIsNoRecord) {
    kelvara::testing::TempFolder folder;
    ScriptedSystem system;
    const std::string program = folder.WithSeparator();
    const std::string path = RecordPath(system, program);
    const char* const damaged[] = {
        "",
        "[Last Hand-over]\nCommand=Defrag\nTime=2026-12-08 10:31:05\nHives=1\n",
        "[Last Hand-over]\nCommand=Copy\nTime=2026-12-08 10:31:05\nHives=0\n",
        "[Last Hand-over]\nCommand=Defrag\nTime=yesterday\nHives=0\n",
        "[Last Hand-over]\nCommand=Defrag\nTime=2026-13-08 10:31:05\nHives=0\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=1|12|x|\\REGISTRY\\USER\\.DEFAULT|C:\\D\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=2|12|3|\\REGISTRY\\USER\\.DEFAULT|C:\\D\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=1|12|3|C:\\D\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=done|12|3|7|\\REGISTRY\\USER\\.DEFAULT|C:\\D|\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=accepted|12|3|-7|\\REGISTRY\\USER\\.DEFAULT|C:\\D|\n",
        "[Last Hand-over]\nCommand=Undo\nTime=2026-12-08 10:31:05\nHives=1\nHive1=accepted|12|3|7|\\REGISTRY\\USER\\.DEFAULT\n",
        "\xff\xfe\x00garbage",
    };
    for (const char* text : damaged) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        EXPECT_FALSE(ReadHandOverRecord(system, program).has_value()) << text;
    }
    // The older builds' form and ours; a reason keeps its bars.
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << "[Last Hand-over]\r\nCommand=Undo\r\nTime=2026-12-08 10:31:05\r\nReported=1\r\nHives=2\r\n"
           "Hive1=1|12|3|\\REGISTRY\\USER\\.DEFAULT|C:\\Windows\\System32\\config\\DEFAULT\r\n"
           "Hive2=refused|40|30|4711|\\REGISTRY\\MACHINE\\SAM|C:\\Windows\\System32\\config\\SAM|why | not\r\n";
    const auto record = ReadHandOverRecord(system, program);
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->reported);
    EXPECT_EQ(RecordedLocalTime(system, *record).minute, 31);
    ASSERT_EQ(record->hives.size(), 2u);
    EXPECT_EQ(record->hives[0].state, State::Accepted);
    EXPECT_EQ(record->hives[0].identity, 0u);
    EXPECT_EQ(record->hives[0].hiveFile, "C:\\Windows\\System32\\config\\DEFAULT");
    EXPECT_EQ(record->hives[1].state, State::Refused);
    EXPECT_EQ(record->hives[1].identity, 4711u);
    EXPECT_EQ(record->hives[1].reason, "why | not");
}

}  // namespace
}  // namespace kelvara::defrag::testing
