// Whether a file may take a hive's place: read with the program's own hive engine, which every
// platform has. The offline platform asks it before a replacement is recorded and again before
// the file is swapped in; the Defrag command asks it of every copy before handing it over.
#pragma once

#include <string>

#include "regf/regf.h"

namespace kelvara::platform {

// True when `file` is a sound hive whose last write completed; otherwise `problem` names the
// file and says what is wrong with it.
inline bool IsUsableHive(const std::string& file, std::string& problem) {
    const regf::CheckReport report = regf::CheckFile(file);
    if (report.dirty) {
        problem = file + " is a hive with unsaved changes (its sequence numbers differ)";
        return false;
    }
    if (!report.sound) {
        problem = file + " is not a sound hive";
        if (!report.problems.empty()) problem += ": " + report.problems.front();
        return false;
    }
    return true;
}

// The same for a file whose transaction logs go along with it: a dirty hive passes when the
// logs beside it recover it to a sound one, as Windows would at its next load.
inline bool IsUsableHiveWithLogs(const std::string& file, std::string& problem) {
    const regf::CheckReport report = regf::CheckFileWithLogs(file);
    if (report.sound && !report.dirty) return true;
    problem = file + (report.dirty ? " is a hive with unsaved changes that its logs cannot recover"
                                   : " is not a sound hive");
    if (!report.problems.empty()) problem += ": " + report.problems.back();
    return false;
}

}  // namespace kelvara::platform
