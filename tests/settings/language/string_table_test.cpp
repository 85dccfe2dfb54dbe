// The string table as the code sees it: the ids the program's messages are known by, one entry
// each, texts the resource compiler reads as C++ does, and only the two translatable entries
// named for the language files.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/string_table.h"

namespace kelvara::settings {
namespace {

TEST(StringTable, IdsAreUniqueAscendingAndInTheProgramsRange) {
    std::set<unsigned> seen;
    unsigned previous = 0;
    for (const StringEntry& entry : StringTable()) {
        EXPECT_TRUE(seen.insert(entry.id).second) << entry.id;
        EXPECT_GT(entry.id, previous);
        EXPECT_GE(entry.id, 65201u);
        EXPECT_LE(entry.id, 65231u);
        previous = entry.id;
    }
    for (unsigned id : {65201u, 65202u, 65203u, 65204u, 65219u, 65220u, 65221u, 65222u, 65223u, 65224u, 65225u,
                        65226u, 65227u, 65228u, 65229u, 65231u})
        EXPECT_TRUE(seen.count(id)) << "no entry " << id;
}

TEST(StringTable, TextsSurviveTheResourceCompiler) {
    // The resource compiler doubles quotes and reads backslashes its own way; a text that needs
    // either would come out differently in the two builds.
    for (const StringEntry& entry : StringTable()) {
        const std::string text = entry.text;
        EXPECT_FALSE(text.empty()) << entry.id;
        EXPECT_EQ(text.find('"'), std::string::npos) << entry.id;
        EXPECT_EQ(text.find('\\'), std::string::npos) << entry.id;
        EXPECT_EQ(BuiltInString(entry.id), text);
        // Outside Kelvara.exe (this test program has no string resources) the compiled-in text.
        EXPECT_EQ(LoadResString(entry), text);
    }
    EXPECT_EQ(BuiltInString(65230), "");
}

TEST(StringTable, OnlyTheNotFoundAndAnalysisFailureTextsAreTranslatable) {
    std::set<std::string> keys;
    for (const StringEntry& entry : StringTable())
        if (*entry.key) keys.insert(entry.key);
    EXPECT_EQ(keys, (std::set<std::string>{"RES_Not_Found", "RES_Analyze_NoSuccess"}));
    EXPECT_EQ(std::string(strings::NotFound.key), "RES_Not_Found");
    EXPECT_EQ(strings::NotFound.id, 65228u);
    EXPECT_EQ(strings::AnalyzeNoSuccess.id, 65229u);
}

TEST(StringTable, TheHelpPageIsAFileAndTheOtherAddressesTheHomePage) {
    EXPECT_EQ(std::string(strings::HelpPageAddress.text), "Help.html");
    for (const StringEntry* entry : {&strings::UpdatePageAddress, &strings::TranslationPageAddress})
        EXPECT_EQ(std::string(entry->text), strings::HomePageAddress.text);
    EXPECT_EQ(std::string(strings::HomePageAddress.text).rfind("http://", 0), 0u);
}

}  // namespace
}  // namespace kelvara::settings
