// One run of the program with a switch on an installation folder, inside this process, so that
// the file seam's observer sees every file operation it makes.
#pragma once

#include <filesystem>
#include <string>

namespace kelvara::crash {

// Runs the main window on `root` with `switchName` ("/Silent", "/Undo") as main() runs it, with
// the program's own files (options.ini) in `programFolder`. Returns what the run told the user
// in the end, for a report of what was recorded.
std::string RunInProcess(const std::filesystem::path& root, const std::filesystem::path& programFolder,
                  const std::string& switchName);

}  // namespace kelvara::crash
