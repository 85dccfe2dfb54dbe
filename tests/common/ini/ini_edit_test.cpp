// Changing an INI text: the exact bytes after each change, so every line that was not changed
// is seen to survive byte for byte.
#include <gtest/gtest.h>

#include "common/ini_file.h"

namespace kelvara::common {
namespace {

struct SetCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;
};

class IniSetStringTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(IniSetStringTest, ChangesOnlyWhatItMust) {
    const SetCase& c = GetParam();
    IniFile file = IniFile::Parse(c.before);
    ASSERT_TRUE(file.SetString(c.section, c.key, c.value));
    EXPECT_EQ(file.Text(), c.after);
    EXPECT_EQ(IniFile::Parse(file.Text()).Find(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, IniSetStringTest,
    ::testing::Values(
        SetCase{"new_file", "", "Options", "Lan", "English", "[Options]\r\nLan=English\r\n"},
        SetCase{"replace_in_place", "; top\r\n[Options]\r\nA=1\r\nLan=German\r\nB=2\r\n", "Options",
                "Lan", "English", "; top\r\n[Options]\r\nA=1\r\nLan=English\r\nB=2\r\n"},
        SetCase{"keeps_spelling_and_blanks_before_value", "[options]\r\n  lan  =  German  \r\n",
                "Options", "Lan", "Dutch", "[options]\r\n  lan  =  Dutch\r\n"},
        SetCase{"keeps_lf_of_changed_line", "[a]\nk=1\nj=2\n", "a", "k", "0", "[a]\nk=0\nj=2\n"},
        SetCase{"replaces_quoted_value", "[a]\r\nk=\"old\"\r\n", "a", "k", "new", "[a]\r\nk=new\r\n"},
        SetCase{"empty_value", "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
        SetCase{"new_key_after_last_entry", "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n", "a", "n", "3",
                "[a]\r\nk=1\r\nn=3\r\n\r\n[b]\r\nj=2\r\n"},
        SetCase{"new_key_after_comment_in_section", "[a]\r\nk=1\r\n; note\r\n[b]\r\n", "a", "n", "3",
                "[a]\r\nk=1\r\n; note\r\nn=3\r\n[b]\r\n"},
        SetCase{"new_key_in_empty_section", "[a]\r\n\r\n[b]\r\n", "a", "n", "3",
                "[a]\r\nn=3\r\n\r\n[b]\r\n"},
        SetCase{"new_key_in_last_section_without_final_newline", "[a]\r\nk=1", "a", "n", "3",
                "[a]\r\nk=1\r\nn=3\r\n"},
        SetCase{"new_section_at_end", "[a]\r\nk=1\r\n", "b", "j", "2",
                "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n"},
        SetCase{"new_section_after_blank_line", "[a]\r\nk=1\r\n\r\n", "b", "j", "2",
                "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n"},
        SetCase{"new_section_without_final_newline", "[a]\nk=1", "b", "j", "2",
                "[a]\nk=1\r\n\r\n[b]\r\nj=2\r\n"},
        SetCase{"writes_into_first_of_duplicate_sections", "[a]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k",
                "9", "[a]\r\nk=9\r\n[a]\r\nk=2\r\n"},
        SetCase{"blank_edged_value_quoted", "", "a", "k", " padded ", "[a]\r\nk=\" padded \"\r\n"},
        SetCase{"quoted_value_quoted_again", "", "a", "k", "\"q\"", "[a]\r\nk=\"\"q\"\"\r\n"},
        SetCase{"inner_quotes_left_alone", "", "a", "k", "say \"hi\" now",
                "[a]\r\nk=say \"hi\" now\r\n"},
        SetCase{"keeps_utf8_mark", "\xEF\xBB\xBF[a]\r\nk=1\r\n", "a", "k", "2",
                "\xEF\xBB\xBF[a]\r\nk=2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::string section;
    std::string key;
    std::string value;
};

class IniRefusedWriteTest : public ::testing::TestWithParam<RefusedCase> {};

// Such names and values would break the line structure or could never be found again.
TEST_P(IniRefusedWriteTest, ChangesNothing) {
    const RefusedCase& c = GetParam();
    const std::string before = "[a]\r\nk=1\r\n";
    IniFile file = IniFile::Parse(before);
    EXPECT_FALSE(file.SetString(c.section, c.key, c.value));
    EXPECT_EQ(file.Text(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, IniRefusedWriteTest,
    ::testing::Values(RefusedCase{"line_break_in_value", "a", "k", "x\r\n[evil]"},
                      RefusedCase{"lf_in_value", "a", "k", "x\ny"},
                      RefusedCase{"zero_in_value", "a", "k", std::string("x\0y", 3)},
                      RefusedCase{"equals_in_key", "a", "k=v", "1"},
                      RefusedCase{"empty_key", "a", "", "1"},
                      RefusedCase{"blank_edged_key", "a", " k", "1"},
                      RefusedCase{"key_like_section", "a", "[k", "1"},
                      RefusedCase{"key_like_comment", "a", ";k", "1"},
                      RefusedCase{"bracket_in_section", "a]b", "k", "1"},
                      RefusedCase{"empty_section", "", "k", "1"},
                      RefusedCase{"line_break_in_section", "a\nb", "k", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniRemoveSection, RemovesEverySameNamedSectionWithItsLinesOnly) {
    IniFile file = IniFile::Parse(
        "; head\r\n[Keep]\r\nx=1\r\n[Scan Result]\r\nTime=old\r\n\r\n[keep2]\nq=2\n[SCAN RESULT]\r\nNew Size=3\r\n");
    EXPECT_TRUE(file.RemoveSection("scan result"));
    EXPECT_EQ(file.Text(), "; head\r\n[Keep]\r\nx=1\r\n[keep2]\nq=2\n");
    EXPECT_FALSE(file.RemoveSection("Scan Result"));
}

TEST(IniRemoveSection, ThenWritingRebuildsTheSectionAtTheEnd) {
    IniFile file = IniFile::Parse("[Scan Result]\r\nTime=old\r\nStale=1\r\n[Other]\r\nk=v\r\n");
    ASSERT_TRUE(file.RemoveSection("Scan Result"));
    ASSERT_TRUE(file.SetString("Scan Result", "Current Size", "1,232,757 KB"));
    ASSERT_TRUE(file.SetString("Scan Result", "Time", "3/5/2024 2:07:09 PM"));
    EXPECT_EQ(file.Text(),
              "[Other]\r\nk=v\r\n\r\n[Scan Result]\r\nCurrent Size=1,232,757 KB\r\nTime=3/5/2024 2:07:09 PM\r\n");
    EXPECT_FALSE(IniFile::Parse(file.Text()).Find("Scan Result", "Stale"));
}

}  // namespace
}  // namespace kelvara::common
