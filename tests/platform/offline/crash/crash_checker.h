// What must hold of an installation folder in a crash state, and after the next command run on
// it: hives and logs whole (each byte for byte a file from before or after the command), logs
// with their own hive's generation, every hive loading with the content it had, a whole old hive
// until the new one is in place, and a next command that says what it did and leaves the tool
// usable.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "regf/crosscheck/external_tool.h"

namespace kelvara::crash {

// Every regular file below a folder, by its path relative to it, with its bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::filesystem::path& folder);

// The hive files of an installation: files in regf format that are neither a log nor a backup
// nor a copy of ours, by relative path.
std::vector<std::string> HiveNames(const Snapshot& installation);

class CrashChecker {
public:
    // `before` and `after`: the folder before and after the recorded command; `original`: the
    // installation before any of the program's hand-overs (what /Undo gives back). `scratch`
    // is a folder of the checker's own.
    CrashChecker(Snapshot before, Snapshot after, Snapshot original, std::filesystem::path scratch);

    // What is wrong with the folder a crash left; empty when nothing is.
    std::vector<std::string> CheckCrashState(const std::filesystem::path& folder);

    // What is wrong after `arguments` ran on a crash state and answered `run`; `scan` is the
    // answer of a /Scan run after it, which shows whether the tool is still usable.
    std::vector<std::string> CheckAfterNext(const std::filesystem::path& folder, const std::string& arguments,
                                            const crosscheck::ToolOutput& run, const crosscheck::ToolOutput& scan);

    const std::vector<std::string>& Hives() const { return hives_; }

private:
    // The names of the hive's family in `state`: the hive, its backup and undone copy, and
    // their logs (matched in any letter case), without our own analysis copies.
    std::vector<std::string> Family(const Snapshot& state, const std::string& hive) const;
    // Whether the hive file `name` in `folder`, with the logs beside it, loads and holds the
    // hive's content; the reason when not.
    std::string ContentProblem(const std::filesystem::path& folder, const std::string& name, const std::string& hive);
    std::string Export(const std::string& hiveBytes);

    Snapshot before_, after_, original_;
    std::filesystem::path scratch_;
    std::vector<std::string> hives_;
    std::map<std::string, std::string> expectedExport_;          // by hive
};

}  // namespace kelvara::crash
