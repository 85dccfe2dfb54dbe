#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/ascii_text.h"

namespace kelvara::common {
namespace {

TEST(AsciiText, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(AsciiUpperCase("sysNative\\Config-09_@[`{"), "SYSNATIVE\\CONFIG-09_@[`{");
    EXPECT_EQ(AsciiLowerCase("SYSTEM32 @[`{"), "system32 @[`{");
    // Code-page letters (here: Latin-1 a-umlaut and A-umlaut) are left alone, not folded.
    EXPECT_EQ(AsciiUpperCase("\xE4"), "\xE4");
    EXPECT_EQ(AsciiLowerCase("\xC4"), "\xC4");
    EXPECT_FALSE(AsciiEqualNoCase("\xE4", "\xC4"));
}

TEST(AsciiText, EqualityAndPrefixes)
{
    struct Case {
        const char* a;
        const char* b;
        bool equal;
        bool startsWith;   // a starts with b
    } cases[] = {
        {"English", "english", true, true},
        {"/SILENT", "/silent", true, true},
        {"", "", true, true},
        {"Device\\X", "device", false, true},
        {"Devic", "Device", false, false},
        {"[", "{", false, false},   // 0x5B and 0x7B differ by 0x20 but are not letters
        {"@", "`", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AsciiEqualNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(AsciiStartsWithNoCase(c.a, c.b), c.startsWith) << c.a << " / " << c.b;
    }
}

TEST(AsciiText, FindGivesZeroBasedPositions)
{
    constexpr auto npos = std::string_view::npos;
    struct Case {
        const char* haystack;
        const char* needle;
        std::size_t from;
        std::size_t expected;
    } cases[] = {
        {"\\Registry\\Machine\\Sam", "REGISTRY\\MACHINE\\", 0, 1},
        {"abcABC", "abc", 1, 3},
        {"abc", "", 0, 0},
        {"abc", "", 3, 3},
        {"abc", "", 4, npos},
        {"abc", "abcd", 0, npos},
        {"", "a", 0, npos},
        {"aaa", "aa", 2, npos},
        {"x\\SYSTEM32\\system32", "system32", 0, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AsciiFindNoCase(c.haystack, c.needle, c.from), c.expected)
            << c.haystack << " / " << c.needle << " from " << c.from;
    }
    EXPECT_TRUE(AsciiContainsNoCase("\\device\\harddiskvolume1", "Device\\Harddisk"));
    EXPECT_FALSE(AsciiContainsNoCase("\\Device\\Hard", "Device\\Harddisk"));
}

TEST(AsciiText, OrderingIgnoresCaseForMapKeys)
{
    std::map<std::string, int, AsciiLessNoCase> map;
    map["C:\\Windows\\file"] = 1;
    map["c:\\WINDOWS\\FILE"] = 2;   // the same key
    map["C:\\Windows\\file2"] = 3;
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("C:\\windows\\File"), 2);
    EXPECT_TRUE(AsciiLessNoCase{}("abc", "ABCD"));
    EXPECT_FALSE(AsciiLessNoCase{}("ABCD", "abc"));
    EXPECT_TRUE(AsciiLessNoCase{}("Z", "\x80"));   // bytes above 0x7F sort after ASCII
}

}  // namespace
}  // namespace kelvara::common
