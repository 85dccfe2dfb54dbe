// Where a language file is found, and the translatable messages read from it.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/ini/temp_folder.h"
#include "settings/language_file.h"
#include "settings/options_setting.h"
#include "settings/string_table.h"

namespace kelvara::settings {
namespace {

using kelvara::testing::TempFolder;
using kelvara::testing::WriteBytes;
namespace fs = std::filesystem;

class LanguageFileTest : public ::testing::Test {
protected:
    LanguageFileTest() {
        fs::create_directories(folder_.path() / "Languages");
        SetLanguageProgramFolder(folder_.WithSeparator());
        OptionsSetting = {};
    }
    ~LanguageFileTest() override {
        SetLanguageProgramFolder("");
        OptionsSetting = {};
    }
    void Beside(const std::string& language, const std::string& text) {
        WriteBytes(folder_.File("DLan_" + language + ".ini"), text);
    }
    void InLanguages(const std::string& language, const std::string& text) {
        WriteBytes((folder_.path() / "Languages" / ("DLan_" + language + ".ini")).string(), text);
    }
    std::string LanguagesPath(const std::string& language) const {
        return folder_.WithSeparator() + "Languages/DLan_" + language + ".ini";
    }

    TempFolder folder_;
};

TEST_F(LanguageFileTest, PathPrefersTheFileBesideTheProgram) {
    struct Case {
        bool beside, inLanguages;
        bool expectBeside;
    };
    const Case cases[] = {
        {true, true, true},
        {true, false, true},
        {false, true, false},
        {false, false, false},   // missing everywhere: the Languages path, for the caller to judge
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string language = "Lang" + std::to_string(n++);
        if (c.beside) Beside(language, "[x]\n");
        if (c.inLanguages) InLanguages(language, "[x]\n");
        const std::string expected =
            c.expectBeside ? folder_.File("DLan_" + language + ".ini") : LanguagesPath(language);
        EXPECT_EQ(LanguageFilePath(language), expected) << language;
        EXPECT_EQ(LanguageFileExists(expected), c.beside || c.inLanguages) << language;
    }
}

TEST_F(LanguageFileTest, PathJoinsWithTheFoldersOwnSeparatorAndKeepsTheNamesCase) {
    EXPECT_EQ(LanguageFilePath("C:\\Program Files\\Kelvara\\", "BrazilianPortuguese"),
              "C:\\Program Files\\Kelvara\\Languages\\DLan_BrazilianPortuguese.ini");
    EXPECT_EQ(LanguageFilePath("/opt/kelvara/", "gERMAN"), "/opt/kelvara/Languages/DLan_gERMAN.ini");
}

TEST_F(LanguageFileTest, AFolderIsNotALanguageFile) {
    fs::create_directories(folder_.path() / "DLan_German.ini");
    InLanguages("German", "[ResourceString]\n");
    EXPECT_EQ(LanguageFilePath("German"), LanguagesPath("German"));
}

TEST_F(LanguageFileTest, LoadLanguageString) {
    Beside("German", "[resourcestring]\nRES_Not_Found=nicht gefunden.\nRES_Analyze_NoSuccess=\n");
    // A file named for English is never opened for English, whatever it says.
    Beside("English", "[ResourceString]\nRES_Not_Found=from the file\n");
    InLanguages("Empty", "");
    struct Case {
        const char* language;
        const char* ident;
        const char* expected;
    };
    const Case cases[] = {
        {"English", "RES_Not_Found", "can not be found."},
        {"eNGLISH", "RES_Not_Found", "can not be found."},
        {"German", "RES_Not_Found", "nicht gefunden."},
        {"German", "res_not_found", "nicht gefunden."},        // keys in any case
        {"German", "RES_Analyze_NoSuccess", ""},                // present and empty: as written
        {"Empty", "RES_Not_Found", "can not be found."},        // key missing: the built-in text
        {"Klingon", "RES_Not_Found", "can not be found."},      // file missing: the built-in text
    };
    for (const Case& c : cases) {
        OptionsSetting.Lan = c.language;
        EXPECT_EQ(LoadLanguageString(c.ident, strings::NotFound.text), c.expected) << c.language << " " << c.ident;
    }
}

TEST_F(LanguageFileTest, TheFileIsLookedForAtEveryLookup) {
    OptionsSetting.Lan = "German";
    EXPECT_EQ(LoadLanguageString("RES_Not_Found", "can not be found."), "can not be found.");
    InLanguages("German", "[ResourceString]\nRES_Not_Found=fehlt.\n");
    EXPECT_EQ(LoadLanguageString("RES_Not_Found", "can not be found."), "fehlt.");
    Beside("German", "[ResourceString]\nRES_Not_Found=daneben.\n");
    EXPECT_EQ(LoadLanguageString("RES_Not_Found", "can not be found."), "daneben.");
}

TEST_F(LanguageFileTest, TheDecoderSeesOnlyTextsReadFromTheFile) {
    Beside("Greek", "[ResourceString]\nRES_Not_Found=\xe4\xe5\xed\n");
    OptionsSetting.Lan = "Greek";
    SetLanguageTextDecoder([](std::string_view bytes) { return "<" + std::string(bytes) + ">"; });
    EXPECT_EQ(LoadLanguageString("RES_Not_Found", "x"), "<\xe4\xe5\xed>");
    EXPECT_EQ(LoadLanguageString("RES_Analyze_NoSuccess", "built in"), "built in");
    SetLanguageTextDecoder(nullptr);
    EXPECT_EQ(LoadLanguageString("RES_Not_Found", "x"), "\xe4\xe5\xed");
}

}  // namespace
}  // namespace kelvara::settings
