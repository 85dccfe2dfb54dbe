// Our INI module against the system's own private-profile functions: the same files read both
// ways give the same values, and files written either way read the same both ways. The system
// rewrites lines it did not change, so values are compared, never bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/ini_file.h"
#include "common/ini/temp_folder.h"

namespace kelvara::common {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

const std::string Missing = "<missing>";

std::string SystemRead(const std::string& path, const std::string& section, const std::string& key) {
    std::string buffer(2048, '\0');
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), Missing.c_str(),
                                                  buffer.data(), 2048, path.c_str());
    buffer.resize(length);
    return buffer;
}

struct Query {
    std::string section;
    std::string key;
};

struct AgreementCase {
    const char* name;
    std::string text;
    std::vector<Query> queries;
};

class IniReadAgreementTest : public ::testing::TestWithParam<AgreementCase> {};

TEST_P(IniReadAgreementTest, OurReaderGivesWhatTheSystemGives) {
    TempFolder folder;
    const std::string path = folder.File(std::string(GetParam().name) + ".ini");
    WriteBytes(path, GetParam().text);
    for (const Query& q : GetParam().queries) {
        const std::string ours = ReadIniString(path, q.section, q.key, Missing);
        EXPECT_EQ(ours, SystemRead(path, q.section, q.key)) << "[" << q.section << "] " << q.key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniReadAgreementTest,
    ::testing::Values(
        AgreementCase{"plain_and_case", "[Options]\r\nLan=German\r\nIsShowLine=0\r\n",
                      {{"Options", "Lan"}, {"OPTIONS", "lan"}, {"options", "ISSHOWLINE"}, {"Options", "x"},
                       {"Other", "Lan"}}},
        AgreementCase{"blanks", "[a]\r\nk1 =  spaced value  \r\n  k2\t=\tx\t\r\nk3=   \r\nk4=\r\n",
                      {{"a", "k1"}, {"a", "k2"}, {"a", "k3"}, {"a", "k4"}}},
        AgreementCase{"quotes",
                      "[q]\r\nd=\" in quotes \"\r\ns='single'\r\nu=\"open'\r\ne=\"\"\r\nn=\"\"x\"\"\r\n"
                      "i=say \"hi\"\r\nl=\"\r\n",
                      {{"q", "d"}, {"q", "s"}, {"q", "u"}, {"q", "e"}, {"q", "n"}, {"q", "i"}, {"q", "l"}}},
        AgreementCase{"equals_in_value", "[a]\r\nk=x=y\r\n", {{"a", "k"}}},
        AgreementCase{"long_value", "[a]\r\nk=" + std::string(3000, 'v') + "\r\nj=" +
                                        std::string(2047, 'w') + "\r\n",
                      {{"a", "k"}, {"a", "j"}}},
        AgreementCase{"duplicates", "[a]\r\nk=first\r\nk=second\r\n[A]\r\nk=third\r\nonly=second section\r\n",
                      {{"a", "k"}, {"a", "only"}}},
        AgreementCase{"lf_and_mixed", "[a]\nk=lf\r\n[b]\r\nk=crlf\nj=last", {{"a", "k"}, {"b", "k"}, {"b", "j"}}},
        AgreementCase{"key_before_sections", "k=top\r\n[a]\r\nj=1\r\n", {{"a", "k"}, {"a", "j"}}},
        AgreementCase{"ansi_bytes", "[a]\r\nk=Fran\xE7" "ais \xE9t\xE9\r\n", {{"a", "k"}}},
        AgreementCase{"empty_file", "", {{"a", "k"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

// The same writes done by us on one copy and by the system on another: every value reads the
// same from both copies, through both readers.
TEST(IniWriteAgreement, BothWritersLeaveTheSameValues) {
    TempFolder folder;
    const std::string start =
        "; comment\r\n[Other]\r\nkeep = me\r\nquoted=\"q\"\r\n\r\n[Options]\r\nLan=German\r\nrestorepoint=1\r\n";
    const std::vector<Write> writes = {
        {"Options", "RestorePoint", "0"},        {"Options", "IsAskBeforeDefrag", "1"},
        {"options", "LAN", "BrazilianPortuguese"}, {"Scan Result", "Current Size", "1,232,757 KB"},
        {"Scan Result", "Compact Percent", "15.3%"}, {"Other", "Time", "3/5/2024 2:07:09 PM"},
        {"Options", "Empty", ""}};
    const std::vector<Query> queries = {
        {"Other", "keep"},          {"Other", "quoted"},           {"Other", "Time"},
        {"Options", "Lan"},         {"Options", "RestorePoint"},   {"Options", "IsAskBeforeDefrag"},
        {"Options", "Empty"},       {"Scan Result", "Current Size"}, {"Scan Result", "Compact Percent"}};

    const std::string ours = folder.File("ours.ini");
    const std::string theirs = folder.File("theirs.ini");
    WriteBytes(ours, start);
    WriteBytes(theirs, start);
    for (const Write& w : writes) {
        ASSERT_TRUE(WriteIniString(ours, w.section, w.key, w.value)) << w.key;
        ASSERT_TRUE(WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                                               theirs.c_str()))
            << w.key;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());   // flush the cache

    for (const Query& q : queries) {
        const std::string expected = SystemRead(theirs, q.section, q.key);
        EXPECT_NE(expected, Missing) << q.key;
        EXPECT_EQ(SystemRead(ours, q.section, q.key), expected) << q.key;
        EXPECT_EQ(ReadIniString(ours, q.section, q.key, Missing), expected) << q.key;
        EXPECT_EQ(ReadIniString(theirs, q.section, q.key, Missing), expected) << q.key;
    }
}

// Values that the system's own writer would lose (blanks at the ends, enclosing quotes) are
// stored so that the system's reader gives them back whole.
TEST(IniWriteAgreement, ValuesOurWriterQuotesReadBackWholeThroughTheSystem) {
    TempFolder folder;
    const std::string path = folder.File("quoted.ini");
    const std::vector<std::string> values = {" padded ", "\ttab", "\"q\"", "'s'", "trailing "};
    // "k0", "k1" and so on, appended: GCC 12 for i686 wrongly warns about "k" + to_string(i).
    auto key = [](std::size_t i) {
        std::string name = "k";
        name += std::to_string(i);
        return name;
    };
    for (std::size_t i = 0; i < values.size(); ++i) ASSERT_TRUE(WriteIniString(path, "a", key(i), values[i]));
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(SystemRead(path, "a", key(i)), values[i]) << i;
}

TEST(IniWriteAgreement, RemovedSectionIsGoneForTheSystemToo) {
    TempFolder folder;
    const std::string path = folder.File("result.ini");
    WriteBytes(path, "[Mine]\r\nnote=kept\r\n[Scan Result]\r\nTime=old\r\nStale=1\r\n");
    ASSERT_TRUE(RemoveIniSection(path, "Scan Result"));
    ASSERT_TRUE(WriteIniString(path, "Scan Result", "Time", "new"));
    EXPECT_EQ(SystemRead(path, "Scan Result", "Time"), "new");
    EXPECT_EQ(SystemRead(path, "Scan Result", "Stale"), Missing);
    EXPECT_EQ(SystemRead(path, "Mine", "note"), "kept");
}

// Someone holds the file open and does not allow it to be renamed or deleted: the write fails,
// and the file keeps its content once it is free again.
TEST(IniWriteOnWindows, FileHeldWithoutDeleteSharingFailsAndKeepsItsContent) {
    TempFolder folder;
    const std::string path = folder.File("held.ini");
    const std::string before = "[Options]\r\nLan=German\r\n";
    WriteBytes(path, before);
    {
        const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(WriteIniString(path, "Options", "Lan", "Dutch"));
        CloseHandle(held);
    }
    EXPECT_EQ(GetFileAttributesA((path + ".kvnew").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((path + ".kvold").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(testing::ReadBytes(path), before);
    EXPECT_TRUE(WriteIniString(path, "Options", "Lan", "Dutch"));
    EXPECT_EQ(ReadIniString(path, "Options", "Lan", Missing), "Dutch");
}

}  // namespace
}  // namespace kelvara::common
