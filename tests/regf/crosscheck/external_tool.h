// Running a reader from another project and keeping what it printed.
#pragma once

#include <string>
#include <vector>

namespace kelvara::crosscheck {

struct ToolOutput {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `argv` (no shell involved) and collects its standard output and error.
ToolOutput RunTool(const std::vector<std::string>& argv);

// Whether `program` is found on PATH.
bool OnPath(const std::string& program);

std::vector<std::string> Lines(const std::string& text);

}  // namespace kelvara::crosscheck
