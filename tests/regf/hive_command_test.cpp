// The kelvara-hive commands on real files: exit codes, what goes to which stream.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "hive_command.h"
#include "hive_fixtures.h"

namespace kelvara::regf {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome Command(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = tools::RunHiveCommand(args, out, err);
    return {code, out.str(), err.str()};
}

class HiveCommand : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteFileBytes(dir.File("sound"), testing::Build(testing::RichTree(), testing::Fragmented(0.3)));
        testing::WriteFileBytes(dir.File("dirty"), testing::Build(testing::RichTree(), testing::DirtyOptions()));
        auto damaged = testing::Build(testing::RichTree());
        damaged[4096 + 32 + 4] = 'x';   // the root key's signature
        testing::WriteFileBytes(dir.File("damaged"), damaged);
        auto misread = testing::Build(testing::RichTree());
        testing::ShortenLastSegment(misread, "", "Big");   // sound, but other readers misread it
        testing::WriteFileBytes(dir.File("misread"), misread);
    }
    testing::TempDir dir;
};

TEST_F(HiveCommand, UsageErrorsExitTwo) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"check"}, "check takes one hive file"},
        {{"check", "a", "b"}, "check takes one hive file"},
        {{"compact", "a"}, "compact takes a hive file and an output file"},
        {{"stat"}, "stat takes one hive file"},
        // A switch it does not know is never taken for a file to read.
        {{"check", "--frobnicate"}, "unknown switch \"--frobnicate\" for check"},
        {{"recover", "a", "b", "--no-logs"}, "unknown switch \"--no-logs\" for recover"},
        {{"stat", "-x", "a"}, "unknown switch \"-x\" for stat"},
    };
    for (const auto& c : cases) {
        Outcome run = Command(c.args);
        EXPECT_EQ(run.code, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage: kelvara-hive"), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(HiveCommand, HelpGoesToStandardOutputBeforeOrAfterACommand) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"check", "--help"}, {"compact", "a", "-h"}, {"stat", "/?"}}) {
        Outcome run = Command(args);
        EXPECT_EQ(run.code, 0) << args[0];
        EXPECT_NE(run.out.find("compact HIVE OUT"), std::string::npos) << args[0];
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
}

TEST_F(HiveCommand, AFileNamedLikeASwitchIsReadAfterTheDoubleDash) {
    Outcome run = Command({"check", "--", "-no-such-hive"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("-no-such-hive:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("cannot open"), std::string::npos) << run.out;
}

TEST_F(HiveCommand, CheckExitsZeroOnlyForASoundHive) {
    struct Case {
        const char* file;
        int code;
        const char* verdict;
        bool warns;
    } cases[] = {{"sound", 0, "Hive is sound", false},    {"dirty", 1, "Hive is dirty", false},
                 {"damaged", 1, "Hive is damaged", false}, {"missing", 1, "cannot open", false},
                 {"misread", 0, "Hive is sound", true}};
    for (const auto& c : cases) {
        Outcome run = Command({"check", dir.File(c.file)});
        EXPECT_EQ(run.code, c.code) << c.file;
        EXPECT_NE(run.out.find(c.verdict), std::string::npos) << run.out;
        // A layout other readers misread is told, with the value and where it lies, and
        // changes nothing else.
        EXPECT_EQ(run.out.find("warning: root key: value \"Big\"") != std::string::npos, c.warns) << run.out;
        if (c.warns) {
            EXPECT_NE(run.out.find("at offset 0x"), std::string::npos) << run.out;
        }
    }
}

TEST_F(HiveCommand, CompactWritesOrRefusesWithTheReason) {
    Outcome ok = Command({"compact", dir.File("sound"), dir.File("out")});
    EXPECT_EQ(ok.code, 0) << ok.err;
    EXPECT_NE(ok.out.find("29 keys, 17 values, 2 security descriptors"), std::string::npos) << ok.out;
    EXPECT_TRUE(CheckFile(dir.File("out")).sound);

    Outcome dirty = Command({"compact", dir.File("dirty"), dir.File("out2")});
    EXPECT_EQ(dirty.code, 1);
    EXPECT_NE(dirty.err.find("dirty"), std::string::npos) << dirty.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out2")));

    Outcome damaged = Command({"compact", dir.File("damaged"), dir.File("out3")});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_NE(damaged.err.find("\"nk\""), std::string::npos) << damaged.err;
}

// A hive whose last two writes lie only in its .LOG1, as a system that lost power leaves it.
class DirtyHiveWithLogs : public HiveCommand {
protected:
    void SetUp() override {
        HiveCommand::SetUp();
        KeySpec tree = testing::RichTree();
        auto before = testing::Build(tree);
        tree.subkeys.push_back({"Added", "", 1, {}, {{"v", 4, Dword(7)}}, {}});
        auto middle = testing::Build(tree);
        tree.subkeys.push_back({"Grown", "", 2, {}, {{"big", 3, std::vector<std::uint8_t>(30000, 9)}}, {}});
        after = testing::Build(tree);
        primary = before;
        testing::Put32(primary, 4, 2);   // a write began: primary sequence number 2, secondary 1
        testing::Reseal(primary);
        log = WriteLogEntries({before, middle, after});
        testing::WriteFileBytes(dir.File("SOFTWARE"), primary);
        testing::WriteFileBytes(dir.File("software.log1"), log);
    }
    std::vector<std::uint8_t> after, primary, log;
};

TEST_F(DirtyHiveWithLogs, CheckAndCompactRecoverUnlessToldNotTo) {
    Outcome check = Command({"check", dir.File("SOFTWARE")});
    EXPECT_EQ(check.code, 0) << check.out;
    EXPECT_NE(check.out.find("Hive is sound"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("2 log entries"), std::string::npos) << check.out;

    Outcome refused = Command({"check", "--no-logs", dir.File("SOFTWARE")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.out.find("Hive is dirty"), std::string::npos) << refused.out;

    Outcome compact = Command({"compact", dir.File("SOFTWARE"), dir.File("out")});
    EXPECT_EQ(compact.code, 0) << compact.err;
    EXPECT_NE(compact.out.find("recovered the dirty hive from"), std::string::npos) << compact.out;
    auto compacted = testing::Open(testing::ReadFileBytes(dir.File("out")));
    EXPECT_FALSE(compacted.IsDirty());
    EXPECT_TRUE(testing::Dump(testing::ReadBack(compacted)) == testing::Dump(testing::ReadBack(testing::Open(after))));

    Outcome noLogs = Command({"compact", dir.File("SOFTWARE"), dir.File("out2"), "--no-logs"});
    EXPECT_EQ(noLogs.code, 1);
    EXPECT_NE(noLogs.err.find("dirty"), std::string::npos) << noLogs.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out2")));

    // Nothing of this wrote the hive or its log.
    EXPECT_EQ(testing::ReadFileBytes(dir.File("SOFTWARE")), primary);
    EXPECT_EQ(testing::ReadFileBytes(dir.File("software.log1")), log);
}

TEST_F(DirtyHiveWithLogs, RecoverWritesTheHiveAsTheLogsLeaveIt) {
    struct Case {
        const char* hive;
        int code;
        const char* says;   // in the output (0) or the errors (1)
    } cases[] = {
        {"SOFTWARE", 0, "recovered the dirty hive from"},
        {"sound", 0, "the hive is not dirty"},
        {"dirty", 1, "has no transaction log"},
        {"missing", 1, "cannot open"},
    };
    for (const auto& c : cases) {
        const std::string output = dir.File(std::string(c.hive) + ".recovered");
        Outcome run = Command({"recover", dir.File(c.hive), output});
        EXPECT_EQ(run.code, c.code) << c.hive << run.err;
        EXPECT_NE((c.code == 0 ? run.out : run.err).find(c.says), std::string::npos) << c.hive << run.out << run.err;
        EXPECT_EQ(std::filesystem::exists(output), c.code == 0) << c.hive;
    }
    auto recovered = testing::ReadFileBytes(dir.File("SOFTWARE.recovered"));
    ASSERT_EQ(recovered.size(), after.size());
    // Not compacted: the bins are the ones the logs hold, byte for byte.
    EXPECT_TRUE(std::equal(recovered.begin() + 4096, recovered.end(), after.begin() + 4096));
    EXPECT_TRUE(CheckFile(dir.File("SOFTWARE.recovered")).sound);
    EXPECT_EQ(Command({"recover", "a"}).code, 2);
}

TEST_F(HiveCommand, StatPrintsTheFigures) {
    Outcome run = Command({"stat", dir.File("sound")});
    EXPECT_EQ(run.code, 0);
    HiveStats stats = CheckFile(dir.File("sound")).stats;
    EXPECT_NE(run.out.find("file size:        " + std::to_string(stats.fileSize) + " bytes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("reachable:        " + std::to_string(stats.reachableBytes) + " bytes"), std::string::npos);
    EXPECT_NE(run.out.find("free:             " + std::to_string(stats.freeBytes) + " bytes"), std::string::npos);
    EXPECT_NE(run.out.find("fragmentation:"), std::string::npos);
    EXPECT_EQ(Command({"stat", dir.File("missing")}).code, 1);
}

}  // namespace
}  // namespace kelvara::regf
