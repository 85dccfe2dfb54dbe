#include "app/command_line_help.h"

#include "common/ascii_text.h"
#include "common/command_line.h"

namespace kelvara::app {
namespace {

constexpr std::size_t kTerminalWidth = 80;
constexpr std::size_t kTermColumn = 23;   // where the descriptions start on a terminal

struct Entry {
    std::string term;
    std::string text;
};

// Words of `text` on lines of at most `width` columns, every line after the first indented.
std::string Wrap(const std::string& text, std::size_t firstColumn, std::size_t indent, std::size_t width) {
    std::string out;
    std::size_t column = firstColumn;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        const bool lineStart = column == firstColumn && (out.empty() || out.back() == '\n');
        if (!lineStart && column + 1 + word.size() > width) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (!lineStart) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out + "\n";
}

std::string Paragraph(const std::string& text, HelpLayout layout) {
    return layout == HelpLayout::Terminal ? Wrap(text, 0, 0, kTerminalWidth) : text + "\n";
}

std::string Entries(const std::vector<Entry>& entries, HelpLayout layout) {
    std::string out;
    for (const Entry& entry : entries) {
        if (layout == HelpLayout::MessageBox) {
            out += entry.term + ": " + entry.text + "\n";
            continue;
        }
        std::string line = "  " + entry.term;
        if (line.size() + 1 > kTermColumn) {
            out += line + "\n";
            line.clear();
        }
        line.resize(kTermColumn, ' ');
        out += line + Wrap(entry.text, kTermColumn, kTermColumn, kTerminalWidth);
    }
    return out;
}

}  // namespace

bool AsksForHelp(const std::vector<std::string>& arguments) {
    const std::string first = common::ParamStr(arguments, 1);
    for (const char* request : {"/?", "-?", "-h", "--help"})
        if (common::AsciiEqualNoCase(first, request)) return true;
    return false;
}

std::string CommandLineHelp(const std::string& program, bool linuxBuild, HelpLayout layout) {
    std::string text = Paragraph(
        "Varnel Kelvara compacts the Windows registry. It has the registry write a compacted copy of every "
        "loaded hive beside its file (<hive file>.kvf) and shows how much smaller each would be. On request "
        "it puts the copies in the hives' places at the next start of Windows and keeps the old files as "
        "<hive file>.bak.",
        layout);
    text += "\nUsage: " + program + " [/Silent | /Scan [file] | /Undo [/AnyBackup] | /? | --help]\n\n";
    text += Entries(
        {
            {"(nothing)", "the main window, for use by hand"},
            {"/Silent", "analyse, replace the hives and restart, without a window or a question"},
            {"/Scan [result file]",
             "analyse without a window and write the four totals and the time into the section "
             "\"Scan Result\" of that INI file, keeping its other sections; a name without a full path "
             "lies in the Windows folder on Windows; without a file nothing is written; after a "
             "defragmentation, the section \"Last Hand-over\" says how many hives were replaced, or with "
             "\"Hives Waiting\" how many still wait for Windows to restart"},
            {"/Undo",
             "put back the backups (<hive file>.bak) of the hives that the last defragmentation replaced, all or "
             "none, keep the hives in use as <hive file>.undone (the next defragmentation deletes them) and "
             "restart, without a window or a question; backups that the last defragmentation did not make are "
             "named and left; with KELVARA_OFFLINE_ROOT at once, each hive with its logs: the way back for a "
             "Windows that no longer starts, from a rescue system with its disk mounted"},
            {"/Undo /AnyBackup", "the same, and put back every other sound backup as well"},
            {"/?, --help", "show this text"},
        },
        layout);
    text += Paragraph("Only the first argument selects a switch, in any letter case.", layout);
    text += "\nEnvironment:\n";
    text += Entries({{"KELVARA_OFFLINE_ROOT=<folder>",
                      std::string("work on the Windows installation in that folder (a mounted disk or a copy) "
                                  "instead of ") +
                          (linuxBuild ? "the sample installation that comes with the build" : "the running Windows") +
                          "; a restart then replaces the hives in that folder at once"}},
                    layout);
    text += "\nExit codes:\n";
    text += Entries({{"0", "/Silent or /Scan did its job (hives replaced, totals written), /Undo put back every hive "
                           "with a backup, or the main window was closed, or this text was shown"},
                     {"1", "/Silent or /Scan did not: no Windows installation, the analysis failed, the result "
                           "file was not written, or no hive was replaced; /Undo put back none (no backup of the "
                           "last defragmentation, or one of them cannot be put back); /Silent and /Undo also when "
                           "an earlier hand-over still waits for Windows to restart; or the program could not start"},
                     {"2", "/Silent replaced some hives but not all; /Undo put back only some of its hives"},
                     {"3", "/Silent or /Undo handed the hives over but Windows refused to restart: Windows goes on "
                           "with the old hives until it restarts, and every registry change made before then is "
                           "lost; restart it now"},
                     {"4", "/Silent, /Scan or /Undo found the program already running and did nothing"}},
                    layout);
    return text;
}

}  // namespace kelvara::app
