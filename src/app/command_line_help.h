// "--help" and "/?": what the program does, its switches, its environment and its exit codes.
// The Linux program prints them like any command-line tool; the Windows program, which has no
// console, shows them in a message box.
#pragma once

#include <string>
#include <vector>

namespace kelvara::app {

// True when the first argument asks for the help text: "/?", "-?", "-h" or "--help" (letters
// in any case), as a whole.
bool AsksForHelp(const std::vector<std::string>& arguments);

enum class HelpLayout {
    Terminal,     // lines of at most 80 columns, the descriptions in a column of their own
    MessageBox,   // paragraphs that the message box wraps in its own font, one switch a line
};

// The help text, lines ending in "\n". `program` is the name to show in the usage line;
// `linuxBuild` adds what only the Linux program does (its default installation folder).
std::string CommandLineHelp(const std::string& program, bool linuxBuild, HelpLayout layout);

}  // namespace kelvara::app
