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
    };
    for (const auto& c : cases) {
        Outcome run = Command(c.args);
        EXPECT_EQ(run.code, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage: kelvara-hive"), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(HiveCommand, HelpGoesToStandardOutput) {
    Outcome run = Command({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("compact HIVE OUT"), std::string::npos);
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
        if (c.warns) EXPECT_NE(run.out.find("at offset 0x"), std::string::npos) << run.out;
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
