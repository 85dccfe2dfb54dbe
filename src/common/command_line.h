// The program's command line: how it is cut into arguments and which unattended mode its first
// argument selects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvara::common {

// Cuts a Windows command line into its arguments, the program's own name first. Arguments are
// separated by runs of blanks and control characters (codes 1 to 32); an empty pair of double
// quotes at the start of an argument is passed over; inside an argument a stretch in double
// quotes keeps its blanks and loses the quotes. There is no escape character. A zero character
// ends the command line, and so does an argument that comes out empty (a lone quote at the end).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Argument number index of a split command line (0 = the program itself); the empty text when
// there are fewer arguments.
std::string ParamStr(const std::vector<std::string>& arguments, std::size_t index);

enum class UnattendedMode { None, Silent, Scan, Undo };

// "/Silent", "/Scan" or "/Undo" as the whole first argument (index 1), in any letter case of the ASCII
// letters; a switch anywhere else, with another prefix or with more characters is no switch.
UnattendedMode SelectUnattendedMode(const std::vector<std::string>& arguments);

// "/Undo /AnyBackup": the second argument asks /Undo to put back backups that no record of the
// last defragmentation names as well (any letter case of the ASCII letters).
bool AnyBackupRequested(const std::vector<std::string>& arguments);

// The result file of "/Scan": the second argument, empty when it is absent.
std::string ScanResultPath(const std::vector<std::string>& arguments);

}  // namespace kelvara::common
