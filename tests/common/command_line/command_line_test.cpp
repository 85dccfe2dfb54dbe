// How a command line is cut into arguments and which mode its first argument selects.
#include <gtest/gtest.h>

#include "common/command_line.h"

namespace kelvara::common {
namespace {

using Arguments = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string commandLine;
    Arguments expected;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, CutsArguments) {
    EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"empty", "", {}},
        SplitCase{"program_only", "kelvara.exe", {"kelvara.exe"}},
        SplitCase{"quoted_program", "\"C:\\Program Files\\K\\kelvara.exe\" /Scan",
                  {"C:\\Program Files\\K\\kelvara.exe", "/Scan"}},
        SplitCase{"runs_of_blanks_and_controls", "  k.exe \t\x01\x1F /Scan\r\n  x  ",
                  {"k.exe", "/Scan", "x"}},
        SplitCase{"quoted_path_with_blanks", "k.exe /Scan \"C:\\My Results\\scan.ini\"",
                  {"k.exe", "/Scan", "C:\\My Results\\scan.ini"}},
        SplitCase{"quotes_inside_an_argument", "k.exe C:\\\"My Results\"\\a.ini",
                  {"k.exe", "C:\\My Results\\a.ini"}},
        SplitCase{"empty_quote_pair_before_argument", "k.exe \"\" /Silent", {"k.exe", "/Silent"}},
        SplitCase{"empty_quote_pair_glued_to_argument", "k.exe \"\"/Silent", {"k.exe", "/Silent"}},
        SplitCase{"empty_quote_pairs_repeated", "k.exe \"\" \"\"\"\" x", {"k.exe", "x"}},
        SplitCase{"empty_pair_inside_argument_dropped", "k.exe a\"\"b", {"k.exe", "ab"}},
        SplitCase{"unterminated_quote_runs_to_end", "k.exe \"a b", {"k.exe", "a b"}},
        SplitCase{"lone_quote_at_end_is_no_argument", "k.exe a \"", {"k.exe", "a"}},
        SplitCase{"no_escape_character", "k.exe a\\\"b c\"", {"k.exe", "a\\b c"}},
        SplitCase{"zero_ends_the_line", std::string("k.exe a\0b", 9), {"k.exe", "a"}},
        SplitCase{"code_page_bytes_are_text", "k.exe Gr\xFC\xDF" "e", {"k.exe", "Gr\xFC\xDF" "e"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ModeCase {
    const char* commandLine;
    UnattendedMode expected;
};

class UnattendedModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(UnattendedModeTest, OnlyTheWholeFirstArgumentSelects) {
    EXPECT_EQ(SelectUnattendedMode(SplitCommandLine(GetParam().commandLine)), GetParam().expected)
        << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, UnattendedModeTest,
    ::testing::Values(ModeCase{"k.exe", UnattendedMode::None},
                      ModeCase{"k.exe /Silent", UnattendedMode::Silent},
                      ModeCase{"k.exe /silent", UnattendedMode::Silent},
                      ModeCase{"k.exe /SILENT extra", UnattendedMode::Silent},
                      ModeCase{"k.exe \"/Silent\"", UnattendedMode::Silent},
                      ModeCase{"k.exe /Scan", UnattendedMode::Scan},
                      ModeCase{"k.exe /scan out.ini", UnattendedMode::Scan},
                      ModeCase{"k.exe /SCAN", UnattendedMode::Scan},
                      ModeCase{"k.exe x /Silent", UnattendedMode::None},
                      ModeCase{"k.exe -Scan", UnattendedMode::None},
                      ModeCase{"k.exe \\Scan", UnattendedMode::None},
                      ModeCase{"k.exe /Scanner", UnattendedMode::None},
                      ModeCase{"k.exe /Silent2", UnattendedMode::None},
                      ModeCase{"k.exe /Undo", UnattendedMode::Undo},
                      ModeCase{"k.exe /UNDO /Silent", UnattendedMode::Undo},
                      ModeCase{"k.exe /Silent /Undo", UnattendedMode::Silent},
                      ModeCase{"k.exe /Undone", UnattendedMode::None},
                      ModeCase{"k.exe /Sc", UnattendedMode::None},
                      ModeCase{"k.exe \"/Scan x\"", UnattendedMode::None},
                      // Only ASCII letters fold: a capital I with a dot (code page 1254) is no "I".
                      ModeCase{"k.exe /S\xDDLENT", UnattendedMode::None},
                      ModeCase{"/Silent", UnattendedMode::None}));

TEST(ScanResultPath, IsTheSecondArgumentOrEmpty) {
    EXPECT_EQ(ScanResultPath(SplitCommandLine("k.exe /Scan \"C:\\a b\\r.ini\" more")), "C:\\a b\\r.ini");
    EXPECT_EQ(ScanResultPath(SplitCommandLine("k.exe /Scan")), "");
    EXPECT_EQ(ScanResultPath(SplitCommandLine("k.exe /Scan   ")), "");
    EXPECT_EQ(ParamStr(SplitCommandLine("k.exe a"), 0), "k.exe");
    EXPECT_EQ(ParamStr(SplitCommandLine("k.exe a"), 7), "");
}

}  // namespace
}  // namespace kelvara::common
