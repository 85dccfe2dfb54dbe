// Which first arguments ask for the help text, and that the text covers every switch, the
// installation-folder variable and both exit codes.
#include <gtest/gtest.h>

#include <algorithm>

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

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(CommandLineHelp, TheTextCoversTheSwitchesTheFolderAndTheExitCodes) {
    struct Case {
        const char* name;
        bool linuxBuild;
        HelpLayout layout;
    };
    for (const Case& c : {Case{"Linux terminal", true, HelpLayout::Terminal},
                          Case{"Windows message box", false, HelpLayout::MessageBox}}) {
        SCOPED_TRACE(c.name);
        const std::string text = CommandLineHelp(c.linuxBuild ? "kelvara" : "Kelvara.exe", c.linuxBuild, c.layout);
        for (const char* part : {"/Silent", "/Scan [result file]", "Scan Result", "/Undo", ".undone", "/?, --help",
                                 "KELVARA_OFFLINE_ROOT",
                                 "Exit codes:", "Environment:"})
            EXPECT_NE(text.find(part), std::string::npos) << part;
        EXPECT_NE(text.find(c.linuxBuild ? "Usage: kelvara [" : "Usage: Kelvara.exe ["), std::string::npos);
        EXPECT_EQ(text.find("the sample") != std::string::npos, c.linuxBuild);
        EXPECT_EQ(text.back(), '\n');
    }
}

// On a terminal every line fits 80 columns and each description starts in the same column; in a
// message box, which wraps in its own font, each switch and exit code is one line of its own.
TEST(CommandLineHelp, EachLayoutSuitsWhereItIsShown) {
    const std::vector<std::string> terminal = LinesOf(CommandLineHelp("kelvara", true, HelpLayout::Terminal));
    for (const std::string& line : terminal) EXPECT_LE(line.size(), 80u) << line;
    const auto column = [](std::string term, const char* text) {
        term.resize(23, ' ');
        return term + text;
    };
    for (const std::string& start : {column("  /Silent", "analyse"), column("  0", "/Silent or /Scan did its"),
                                     column("  1", "/Silent or /Scan did not"), column("  2", "/Silent replaced some"),
                                     column("  3", "/Silent or /Undo handed")})
        EXPECT_NE(std::find_if(terminal.begin(), terminal.end(),
                               [&](const std::string& line) { return line.rfind(start, 0) == 0; }),
                  terminal.end())
            << start;

    const std::vector<std::string> box = LinesOf(CommandLineHelp("Kelvara.exe", false, HelpLayout::MessageBox));
    for (const char* start : {"/Silent: analyse, replace the hives and restart, without a window or a question",
                              "0: /Silent or /Scan did its job", "1: /Silent or /Scan did not"}) {
        const auto line = std::find_if(box.begin(), box.end(),
                                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
        ASSERT_NE(line, box.end()) << start;
        EXPECT_EQ(line->find("  "), std::string::npos) << "no column padding: " << *line;
    }
}

}  // namespace
}  // namespace kelvara::app
