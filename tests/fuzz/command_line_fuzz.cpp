// libFuzzer target: any bytes as a command line. Cutting it never fails, no argument holds a
// quote, a zero or nothing at all, and arguments written back with quotes around each cut into
// the same arguments again: what the program reads is what a caller can hand it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/command_line.h"

namespace {

void Require(bool holds, const char* what, const std::string& commandLine) {
    if (holds) return;
    std::fprintf(stderr, "%s\ncommand line (%zu bytes): %s\n", what, commandLine.size(), commandLine.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvara::common;
    const std::string commandLine(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = SplitCommandLine(commandLine);

    std::string quoted;
    for (const std::string& argument : arguments) {
        Require(!argument.empty(), "an empty argument", commandLine);
        Require(argument.find('"') == std::string::npos, "an argument holds a quote", commandLine);
        Require(argument.find('\0') == std::string::npos, "an argument holds a zero", commandLine);
        quoted += (quoted.empty() ? "\"" : " \"") + argument + "\"";
    }
    Require(SplitCommandLine(quoted) == arguments, "quoted arguments cut differently", commandLine);

    // The mode and the result path are read from the same cut, whatever it holds.
    const UnattendedMode mode = SelectUnattendedMode(arguments);
    Require(mode != UnattendedMode::Scan || ParamStr(arguments, 1).size() == 5, "a /Scan switch of another length",
            commandLine);
    Require(ScanResultPath(arguments) == ParamStr(arguments, 2), "the result path is not the second argument",
            commandLine);
    return 0;
}
