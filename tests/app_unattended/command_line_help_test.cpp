// Which first arguments ask for the help text, and that the text covers every switch, the
// installation-folder variable and both exit codes.
#include <gtest/gtest.h>

#include "app/command_line_help.h"

namespace kelvara::app {
namespace {

TEST(CommandLineHelp, OnlyAWholeFirstArgumentAsksForIt) {
    struct Case {
        std::vector<std::string> arguments;
        bool asks;
    };
    const Case cases[] = {
        {{"kelvara", "--help"}, true}, {{"kelvara", "--HELP"}, true}, {{"kelvara", "/?"}, true},
        {{"kelvara", "-?"}, true},     {{"kelvara", "-h"}, true},     {{"kelvara", "-H"}, true},
        {{"kelvara"}, false},          {{"kelvara", "/Scan", "/?"}, false},
        {{"kelvara", "/??"}, false},   {{"kelvara", "--helpme"}, false},
        {{"kelvara", "help"}, false},  {{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.size() > 1 ? c.arguments[1] : "(none)");
        EXPECT_EQ(AsksForHelp(c.arguments), c.asks);
    }
}

TEST(CommandLineHelp, TheTextCoversTheSwitchesTheFolderAndTheExitCodes) {
    for (bool linuxBuild : {true, false}) {
        SCOPED_TRACE(linuxBuild ? "Linux" : "Windows");
        const std::string text = CommandLineHelp(linuxBuild ? "kelvara" : "Kelvara.exe", linuxBuild);
        for (const char* part : {"/Silent", "/Scan [result file]", "Scan Result", "/?, --help", "KELVARA_OFFLINE_ROOT",
                                 "Exit codes", "  0  ", "  1  "})
            EXPECT_NE(text.find(part), std::string::npos) << part;
        EXPECT_NE(text.find(linuxBuild ? "Usage: kelvara [" : "Usage: Kelvara.exe ["), std::string::npos);
        EXPECT_EQ(text.find("sample installation") != std::string::npos, linuxBuild);
        EXPECT_EQ(text.back(), '\n');
    }
}

}  // namespace
}  // namespace kelvara::app
