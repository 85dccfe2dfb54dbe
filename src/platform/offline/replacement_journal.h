// The record of hive replacements waiting for the next start, kept in a file in the
// installation's folder so that the end of the program does not lose them, and so that a start
// that a crash cuts short is finished by the next one. (Requests are not flushed: a power cut
// before the start forgets them, as Windows forgets its own.)
//
// The file is text, one line each:
//   Kelvara hive replacements 1
//   restarting 0|1                      a restart has begun applying the entries
//   pending|swapping<TAB>hive<TAB>new file<TAB>backup
// Paths inside the folder are written in their C:\ form, so the folder may be mounted
// elsewhere before the next start; other paths are written as they are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/durable_io.h"
#include "platform/offline/installation_paths.h"

namespace kelvara::platform::offline {

struct PendingReplacement {
    // Swapping: the new file has passed its check and the files may be part way renamed.
    enum class State { Pending, Swapping };
    State state = State::Pending;
    std::filesystem::path hive;
    std::filesystem::path replacement;
    std::filesystem::path backup;
};

struct ReplacementJournal {
    bool restarting = false;
    std::vector<PendingReplacement> entries;
};

std::string FormatJournal(const ReplacementJournal& journal, const InstallationPaths& paths);
// Nullopt with `error` set when the text is not a journal this program wrote.
std::optional<ReplacementJournal> ParseJournal(const std::string& text, const InstallationPaths& paths,
                                               std::string& error);

// The journal's file in the folder.
std::filesystem::path JournalFile(const InstallationPaths& paths);

// Reads the journal; a missing file is an empty journal, and so is an empty one or one of zero
// bytes: a write of requests that a power cut stopped before it reached the disk (a start's
// journal is flushed before anything is renamed, so it is never found that way). Nullopt with
// `error` when the file cannot be read or is damaged.
std::optional<ReplacementJournal> LoadJournal(const InstallationPaths& paths, std::string& error);
// Writes the journal atomically, or removes its file when it holds nothing.
bool StoreJournal(const ReplacementJournal& journal, const InstallationPaths& paths, const Failpoint& failpoint,
                  std::string& error, Flush flush = Flush::ToDisk);

}  // namespace kelvara::platform::offline
