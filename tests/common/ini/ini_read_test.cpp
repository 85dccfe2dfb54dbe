// How values are found and read: the private-profile rules, table-driven over small files.
#include <gtest/gtest.h>

#include "common/ini_file.h"

namespace kelvara::common {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;   // none: the key is not found
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, FindsTheValueByTheReadingRules) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile::Parse(c.text).Find(c.section, c.key), c.expected);
}

const std::string LongValue(3000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[Options]\r\nLan=German\r\n", "Options", "Lan", "German"},
        ReadCase{"section_case", "[OPTIONS]\r\nLan=German\r\n", "options", "Lan", "German"},
        ReadCase{"key_case", "[Options]\r\nlAN=German\r\n", "Options", "Lan", "German"},
        ReadCase{"blanks_around_value", "[a]\r\nk =  \t value with  inner blanks \t \r\n", "a", "k",
                 "value with  inner blanks"},
        ReadCase{"blanks_around_names", "  [  a b  ]  \r\n  k k  =x\r\n", "a b", "k k", "x"},
        ReadCase{"double_quotes", "[a]\r\nk=\" quoted \"\r\n", "a", "k", " quoted "},
        ReadCase{"single_quotes", "[a]\r\nk='x'\r\n", "a", "k", "x"},
        ReadCase{"one_pair_only", "[a]\r\nk=\"\"x\"\"\r\n", "a", "k", "\"x\""},
        ReadCase{"unmatched_quotes_kept", "[a]\r\nk=\"x'\r\n", "a", "k", "\"x'"},
        ReadCase{"lone_quote_kept", "[a]\r\nk=\"\r\n", "a", "k", "\""},
        ReadCase{"quote_at_one_end_kept", "[a]\r\nk=\"x\r\n", "a", "k", "\"x"},
        ReadCase{"empty_quotes", "[a]\r\nk=\"\"\r\n", "a", "k", ""},
        ReadCase{"empty_value_is_present", "[a]\r\nk=\r\n", "a", "k", ""},
        ReadCase{"blank_value_is_empty", "[a]\r\nk=   \r\n", "a", "k", ""},
        ReadCase{"equals_in_value", "[a]\r\nk=x=y\r\n", "a", "k", "x=y"},
        ReadCase{"cut_at_2047", "[a]\r\nk=" + LongValue + "\r\n", "a", "k", std::string(2047, 'v')},
        ReadCase{"exactly_2047", "[a]\r\nk=" + std::string(2047, 'w') + "\r\n", "a", "k",
                 std::string(2047, 'w')},
        ReadCase{"first_of_two_sections", "[a]\r\nk=1\r\n[A]\r\nk=2\r\nj=3\r\n", "a", "k", "1"},
        ReadCase{"second_same_section_unseen", "[a]\r\nk=1\r\n[A]\r\nj=3\r\n", "a", "j", std::nullopt},
        ReadCase{"first_of_two_keys", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
        ReadCase{"key_of_other_section", "[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "a", "j", std::nullopt},
        ReadCase{"missing_section", "[a]\r\nk=1\r\n", "b", "k", std::nullopt},
        ReadCase{"missing_key", "[a]\r\nk=1\r\n", "a", "j", std::nullopt},
        ReadCase{"empty_file", "", "a", "k", std::nullopt},
        ReadCase{"lf_endings", "[a]\nk=lf\n[b]\nk=2\n", "a", "k", "lf"},
        ReadCase{"mixed_endings", "[a]\r\nj=1\nk=mixed\r\n", "a", "k", "mixed"},
        ReadCase{"no_final_line_ending", "[a]\r\nk=last", "a", "k", "last"},
        ReadCase{"comment_line_is_no_key", "[a]\r\n;k=1\r\nk=2\r\n", "a", ";k", std::nullopt},
        ReadCase{"line_without_equals_is_no_key", "[a]\r\nk\r\nk=2\r\n", "a", "k", "2"},
        ReadCase{"key_before_any_section", "k=1\r\n[a]\r\n", "a", "k", std::nullopt},
        ReadCase{"utf8_mark_before_first_section", "\xEF\xBB\xBF[a]\r\nk=1\r\n", "a", "k", "1"},
        ReadCase{"header_without_bracket", "[a\r\nk=1\r\n", "a", "k", "1"},
        ReadCase{"text_after_header", "[a] trailing\r\nk=1\r\n", "a", "k", "1"},
        ReadCase{"zero_byte_ends_value", std::string("[a]\r\nk=Bad\0tail\r\n", 17), "a", "k", "Bad"},
        ReadCase{"zero_byte_inside_quotes", std::string("[a]\r\nk=\"x\0y\"\r\n", 14), "a", "k", "x"},
        ReadCase{"zero_byte_first", std::string("[a]\r\nk=\0x\r\n", 11), "a", "k", ""},
        ReadCase{"ansi_bytes_kept", "[a]\r\nk=Fran\xE7" "ais\r\n", "a", "k", "Fran\xE7" "ais"},
        ReadCase{"non_ascii_names_exact", "[\xC4]\r\nk=1\r\n", "\xE4", "k", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class ProfileIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ProfileIntegerTest, ReadsWhollyIntegerTextsOnly) {
    EXPECT_EQ(ParseProfileInteger(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileIntegerTest,
    ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"1", 1}, IntegerCase{"2", 2},
                      IntegerCase{"-7", -7}, IntegerCase{"+7", 7}, IntegerCase{"  12", 12},
                      IntegerCase{"007", 7}, IntegerCase{"0x1", 1}, IntegerCase{"0X1f", 31},
                      IntegerCase{"$1", 1}, IntegerCase{"$ff", 255}, IntegerCase{"x10", 16},
                      IntegerCase{"X10", 16}, IntegerCase{"-$10", -16},
                      IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"$80000000", INT32_MIN},
                      IntegerCase{"2147483647", INT32_MAX}, IntegerCase{"-2147483648", INT32_MIN},
                      IntegerCase{"2147483648", std::nullopt},
                      IntegerCase{"-2147483649", std::nullopt},
                      IntegerCase{"$100000000", std::nullopt},
                      IntegerCase{"99999999999999999999", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"   ", std::nullopt},
                      IntegerCase{"-", std::nullopt}, IntegerCase{"$", std::nullopt},
                      IntegerCase{"0x", std::nullopt}, IntegerCase{"1a", std::nullopt},
                      IntegerCase{"$1g", std::nullopt}, IntegerCase{"yes", std::nullopt},
                      IntegerCase{"true", std::nullopt}, IntegerCase{"1 ", std::nullopt},
                      IntegerCase{"1.0", std::nullopt}, IntegerCase{"- 1", std::nullopt},
                      IntegerCase{"--1", std::nullopt}));

TEST(IniReadInteger, GivesTheDefaultForMissingEmptyAndNonIntegerValues) {
    const IniFile file = IniFile::Parse("[a]\r\nempty=\r\nword=yes\r\nhex=0x10\r\nquoted=\"5\"\r\n");
    EXPECT_EQ(file.ReadInteger("a", "missing", 9), 9);
    EXPECT_EQ(file.ReadInteger("a", "empty", 9), 9);
    EXPECT_EQ(file.ReadInteger("a", "word", 9), 9);
    EXPECT_EQ(file.ReadInteger("a", "hex", 9), 16);
    EXPECT_EQ(file.ReadInteger("a", "quoted", 9), 5);
}

TEST(IniReadString, GivesTheDefaultOnlyWhenTheKeyIsMissing) {
    const IniFile file = IniFile::Parse("[a]\r\nempty=\r\n");
    EXPECT_EQ(file.ReadString("a", "empty", "default"), "");
    EXPECT_EQ(file.ReadString("a", "missing", "default"), "default");
    EXPECT_EQ(file.ReadString("b", "empty", "default"), "default");
}

}  // namespace
}  // namespace kelvara::common
