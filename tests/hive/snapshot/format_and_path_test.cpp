// FormatSizeKB and the hive-path parsing shared by the save and the replacement.
#include <gtest/gtest.h>

#include "common/hive_path.h"
#include "common/size_format.h"

namespace kelvara::common {
namespace {

struct SizeCase {
    std::int64_t bytes;
    const char* expected;
};

class FormatSizeKBTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FormatSizeKBTest, RoundsUpAndGroupsInThrees) {
    EXPECT_EQ(FormatSizeKB(GetParam().bytes), GetParam().expected) << GetParam().bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatSizeKBTest,
    ::testing::Values(SizeCase{0, "0 KB"}, SizeCase{1, "1 KB"}, SizeCase{1023, "1 KB"},
                      SizeCase{1024, "1 KB"}, SizeCase{1025, "2 KB"}, SizeCase{-1, "1 KB"},
                      SizeCase{-1024, "-1 KB"}, SizeCase{-1025, "0 KB"},
                      SizeCase{1022976, "999 KB"}, SizeCase{1024000, "1,000 KB"},
                      SizeCase{1048576, "1,024 KB"}, SizeCase{1023 * 1024 + 1, "1,024 KB"},
                      SizeCase{1262343168, "1,232,757 KB"}, SizeCase{31386624, "30,651 KB"},
                      SizeCase{-1024 * 123, "-123 KB"}, SizeCase{-1024 * 123 - 1, "-122 KB"}, SizeCase{-1024 * 123456, "-123,456 KB"},
                      SizeCase{-1024 * 1234, "-1,234 KB"},
                      SizeCase{std::int64_t{2147483647} * 1024, "2,147,483,647 KB"},
                      SizeCase{std::int64_t{2147483648} * 1024, "-2,147,483,648 KB"}));

struct PathCase {
    const char* path;
    std::optional<HiveRoot> root;
    const char* subKey;
};

class ParseHivePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ParseHivePathTest, FindsRootAndSubKey) {
    const auto parsed = ParseHivePath(GetParam().path);
    ASSERT_EQ(parsed.has_value(), GetParam().root.has_value()) << GetParam().path;
    if (!parsed) return;
    EXPECT_EQ(parsed->root, *GetParam().root);
    EXPECT_EQ(parsed->subKey, GetParam().subKey);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ParseHivePathTest,
    ::testing::Values(PathCase{"\\REGISTRY\\MACHINE\\SOFTWARE", HiveRoot::LocalMachine, "SOFTWARE"},
                      PathCase{"\\REGISTRY\\MACHINE\\SYSTEM", HiveRoot::LocalMachine, "SYSTEM"},
                      PathCase{"\\REGISTRY\\USER\\.DEFAULT", HiveRoot::Users, ".DEFAULT"},
                      PathCase{"\\Registry\\User\\S-1-5-19", HiveRoot::Users, "S-1-5-19"},
                      PathCase{"\\Registry\\Machine\\Sam", HiveRoot::LocalMachine, "Sam"},
                      PathCase{"\\REGISTRY\\USER\\S-1-5-21-1_Classes", HiveRoot::Users, "S-1-5-21-1_Classes"},
                      PathCase{"\\REGISTRY\\MACHINE\\", HiveRoot::LocalMachine, ""},
                      // The machine prefix wins even when the user prefix comes first.
                      PathCase{"\\REGISTRY\\USER\\REGISTRY\\MACHINE\\X", HiveRoot::LocalMachine, "X"},
                      PathCase{"\\REGISTRY\\MACHINE", std::nullopt, ""},
                      PathCase{"\\REGISTRY\\A\\HARDWARE", std::nullopt, ""},
                      PathCase{"REGISTRY/MACHINE/SYSTEM", std::nullopt, ""},
                      PathCase{"", std::nullopt, ""}));

TEST(IsMachineSoftwareHive, OnlyMachineHivesWhosePathHoldsSoftware) {
    EXPECT_TRUE(IsMachineSoftwareHive("\\REGISTRY\\MACHINE\\SOFTWARE"));
    EXPECT_TRUE(IsMachineSoftwareHive("\\Registry\\Machine\\Software"));
    EXPECT_FALSE(IsMachineSoftwareHive("\\REGISTRY\\MACHINE\\SYSTEM"));
    EXPECT_FALSE(IsMachineSoftwareHive("\\REGISTRY\\USER\\SOFTWARE"));
    EXPECT_FALSE(IsMachineSoftwareHive("\\SOFTWARE"));
}

}  // namespace
}  // namespace kelvara::common
