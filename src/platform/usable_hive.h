// Whether a file may take a hive's place: read with the program's own hive engine, which every
// platform has. The offline platform asks it before a replacement is recorded and again before
// the file is swapped in; the Defrag command asks it of every copy before handing it over.
#pragma once

#include <string>

#include "regf/regf.h"

namespace kelvara::platform {

// Who wrote a hive file. Windows leaves untidiness in its hives and loads them all the same
// (cells nothing references, descriptors counted too often); a copy our compactor wrote holds
// only what it reaches and counts, so any untidiness in it is a fault of our writer.
enum class HiveWrittenBy { Windows, OurCompactor };

// True when `file` is a sound hive whose last write completed, and, for a copy of ours, tidy;
// otherwise `problem` names the file and says what is wrong with it.
inline bool IsUsableHive(const std::string& file, std::string& problem, HiveWrittenBy writer = HiveWrittenBy::Windows) {
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
    if (writer == HiveWrittenBy::OurCompactor && !report.untidiness.empty()) {
        problem = file + " is a copy our compactor wrote, yet it is untidy, a fault of the writer: " + report.untidiness.front();
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
