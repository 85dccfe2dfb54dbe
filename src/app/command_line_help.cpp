#include "app/command_line_help.h"

#include "common/ascii_text.h"
#include "common/command_line.h"

namespace kelvara::app {

bool AsksForHelp(const std::vector<std::string>& arguments) {
    const std::string first = common::ParamStr(arguments, 1);
    for (const char* request : {"/?", "-?", "-h", "--help"})
        if (common::AsciiEqualNoCase(first, request)) return true;
    return false;
}

std::string CommandLineHelp(const std::string& program, bool linuxBuild) {
    std::string text =
        "Varnel Kelvara compacts the Windows registry. It has the registry write a compacted copy of\n"
        "every loaded hive beside its file (<hive file>.kvf) and shows how much smaller each would be.\n"
        "On request it puts the copies in the hives' places at the next start of Windows and keeps\n"
        "the old files as <hive file>.bak.\n"
        "\n"
        "Usage: " + program + " [/Silent | /Scan [result file] | /? | --help]\n"
        "\n"
        "  (nothing)            the main window, for use by hand\n"
        "  /Silent              analyse, replace the hives and restart, without a window or a question\n"
        "  /Scan [result file]  analyse without a window and write the four totals and the time into\n"
        "                       the section \"Scan Result\" of that INI file (other sections are kept;\n"
        "                       a name without a full path lies in the Windows folder on Windows);\n"
        "                       without a file nothing is written\n"
        "  /?, --help           show this text\n"
        "Only the first argument selects a switch, in any letter case.\n"
        "\n"
        "Environment:\n"
        "  KELVARA_OFFLINE_ROOT=<folder>\n"
        "                       work on the Windows installation in that folder (a mounted disk or\n"
        "                       a copy) instead of ";
    text += linuxBuild ? "the sample installation that comes with the build.\n"
                       : "the running Windows.\n";
    text +=
        "                       A restart then replaces the hives in that folder at once.\n"
        "\n"
        "Exit codes:\n"
        "  0  /Silent or /Scan did its job (hives replaced; totals written), or the main window was\n"
        "     closed, or this text was shown\n"
        "  1  /Silent or /Scan did not: no Windows installation, the analysis failed, the result file\n"
        "     was not written, or no hive was replaced; or the program could not start\n";
    return text;
}

}  // namespace kelvara::app
