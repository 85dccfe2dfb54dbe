#include "common/command_line.h"

#include "common/ascii_text.h"

namespace kelvara::common {
namespace {

bool IsSeparator(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    commandLine = commandLine.substr(0, commandLine.find('\0'));
    std::vector<std::string> arguments;
    std::size_t at = 0;
    while (true) {
        // Blanks and empty quote pairs before an argument are both passed over.
        while (true) {
            while (at < commandLine.size() && IsSeparator(commandLine[at])) ++at;
            if (commandLine.substr(at, 2) != "\"\"") break;
            at += 2;
        }
        if (at >= commandLine.size()) break;

        std::string argument;
        bool quoted = false;
        for (; at < commandLine.size() && (quoted || !IsSeparator(commandLine[at])); ++at) {
            if (commandLine[at] == '"')
                quoted = !quoted;
            else
                argument += commandLine[at];
        }
        // Only a lone quote at the end gives an empty argument; it ends the list, as a missing
        // argument already reads as empty.
        if (argument.empty()) break;
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string ParamStr(const std::vector<std::string>& arguments, std::size_t index) {
    return index < arguments.size() ? arguments[index] : std::string();
}

UnattendedMode SelectUnattendedMode(const std::vector<std::string>& arguments) {
    const std::string first = ParamStr(arguments, 1);
    if (AsciiEqualNoCase(first, "/Silent")) return UnattendedMode::Silent;
    if (AsciiEqualNoCase(first, "/Scan")) return UnattendedMode::Scan;
    if (AsciiEqualNoCase(first, "/Undo")) return UnattendedMode::Undo;
    return UnattendedMode::None;
}

bool AnyBackupRequested(const std::vector<std::string>& arguments) {
    return SelectUnattendedMode(arguments) == UnattendedMode::Undo && AsciiEqualNoCase(ParamStr(arguments, 2), "/AnyBackup");
}

std::string ScanResultPath(const std::vector<std::string>& arguments) {
    return ParamStr(arguments, 2);
}

}  // namespace kelvara::common
