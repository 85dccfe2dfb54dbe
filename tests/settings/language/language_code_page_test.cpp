// The Linux program's reading of language files: the installation's code page from its registry,
// and the bytes of a file in that code page shown as UTF-8.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/ini/temp_folder.h"
#include "regf/regf.h"
#include "settings/language_code_page.h"

namespace kelvara::settings {
namespace {

using kelvara::testing::TempFolder;

regf::KeySpec Named(const std::string& name) {
    regf::KeySpec key;
    key.name = name;
    return key;
}

// A SYSTEM hive with the code page key in control set `set`, which Select\Current names when
// `current` is not 0.
regf::KeySpec SystemHive(unsigned set, unsigned current, const char* acp) {
    regf::KeySpec codePage = Named("CodePage");
    if (acp) codePage.values.push_back({"ACP", 1, regf::Utf16z(acp)});
    codePage.values.push_back({"OEMCP", 1, regf::Utf16z("437")});
    regf::KeySpec nls = Named("Nls");
    nls.subkeys.push_back(codePage);
    regf::KeySpec control = Named("Control");
    control.subkeys.push_back(nls);
    char name[32];
    std::snprintf(name, sizeof name, "ControlSet%03u", set);
    regf::KeySpec controlSet = Named(name);
    controlSet.subkeys.push_back(control);
    regf::KeySpec root = Named("ROOT");
    root.subkeys.push_back(controlSet);
    if (current != 0) {
        regf::KeySpec select = Named("Select");
        select.values.push_back({"Current", 4, regf::Dword(current)});
        root.subkeys.push_back(select);
    }
    return root;
}

TEST(InstallationCodePage, ReadsTheAcpOfTheCurrentControlSetOrFallsBackTo1252) {
    struct Case {
        unsigned set, current;
        const char* acp;   // nullptr: no value
        int expected;
    };
    const Case cases[] = {
        {1, 1, "1251", 1251}, {2, 2, "932", 932},   {1, 0, "1253", 1253},   // no Select: set 1
        {2, 1, "1251", 1252},                                               // another set is current
        {1, 1, nullptr, 1252}, {1, 1, "", 1252},     {1, 1, "12x", 1252}, {1, 1, "-5", 1252},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.File("SYSTEM");
        ASSERT_TRUE(regf::BuildFile(SystemHive(c.set, c.current, c.acp), {}, path).ok());
        EXPECT_EQ(InstallationCodePage(path), c.expected) << (c.acp ? c.acp : "(none)") << " set " << c.set;
    }
    EXPECT_EQ(InstallationCodePage(folder.File("missing")), 1252);
    kelvara::testing::WriteBytes(folder.File("garbage"), "not a hive");
    EXPECT_EQ(InstallationCodePage(folder.File("garbage")), 1252);
}

TEST(CodePageDecoder, ShowsEachCodePagesBytesAsUtf8) {
    struct Case {
        int codePage;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {1252, "Gr\xf6\xdf" "e", "Gr\xc3\xb6\xc3\x9f" "e"},
        {1250, "\xc8" "e\x9atina", "\xc4\x8c" "e\xc5\xa1tina"},
        {1251, "\xd0\xf3\xf1\xf1\xea\xe8\xe9", "\xd0\xa0\xd1\x83\xd1\x81\xd1\x81\xd0\xba\xd0\xb8\xd0\xb9"},
        {1253, "\xc5\xeb\xeb\xe7\xed\xe9\xea\xdc", "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac"},
        {1254, "T\xfcrk\xe7" "e", "T\xc3\xbcrk\xc3\xa7" "e"},
        {936, "\xd6\xd0\xce\xc4", "\xe4\xb8\xad\xe6\x96\x87"},
        {932, "\x93\xfa\x96\x7b\x8c\xea", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
        // A byte 1252 leaves undefined shows as "?", and the rest still reads.
        {1252, "a\x81" "b", "a?b"},
    };
    for (const Case& c : cases) {
        const LanguageTextDecoder decode = CodePageDecoder(c.codePage);
        ASSERT_TRUE(decode) << c.codePage;
        EXPECT_EQ(decode(c.bytes), c.utf8) << c.codePage;
    }
    EXPECT_FALSE(CodePageDecoder(99999));
}

}  // namespace
}  // namespace kelvara::settings
