// The record of hive replacements waiting for the next start, kept in a file in the
// installation's folder so that the end of the program does not lose them, and so that a start
// that a crash cuts short is finished by the next one. (Requests are not flushed: a power cut
// before the start forgets them, as Windows forgets its own.)
//
// The file is text, one line each:
//   Kelvara hive replacements 2
//   restarting 0|1                      a swap has begun
//   pending|swapping<TAB>hive<TAB>new file<TAB>backup<TAB>old hive's mark<TAB>new file's mark
// A mark is "size:primary sequence:secondary sequence:timestamp" of the hive file's base block
// (decimal), so that a journal found much later (a power cut brought back its removal) is never
// carried out on files it does not describe. The older builds' form ("... replacements 1", four
// fields, no marks) is still read.
// Paths inside the folder are written in their C:\ form, so the folder may be mounted
// elsewhere before the next start; other paths are written as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/durable_io.h"
#include "platform/offline/installation_paths.h"

namespace kelvara::platform::offline {

// What the journal knows a hive file by: its size and its base block's sequence numbers and
// timestamp, which every write of Windows' changes.
struct FileMark {
    std::uint64_t size = 0;
    std::uint32_t primary = 0;
    std::uint32_t secondary = 0;
    std::uint64_t timestamp = 0;
    bool operator==(const FileMark&) const = default;
};
// The mark of the file there now; nullopt when there is none or it cannot be read.
std::optional<FileMark> MarkOf(const std::filesystem::path& file);

struct PendingReplacement {
    // Swapping: the new file has passed its check and the files may be part way renamed.
    enum class State { Pending, Swapping };
    State state = State::Pending;
    std::filesystem::path hive;
    std::filesystem::path replacement;
    std::filesystem::path backup;
    std::optional<FileMark> oldMark;   // the hive's file before the swap; none in an older journal
    std::optional<FileMark> newMark;   // the new file's
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
// Where a journal that no longer describes the files is kept, for whoever looks into it.
std::filesystem::path RefusedJournalFile(const InstallationPaths& paths);

// Reads the journal; a missing file is an empty journal, and so is an empty one or one of zero
// bytes: a write of requests that a power cut stopped before it reached the disk (a start's
// journal is flushed before anything is renamed, so it is never found that way). Nullopt with
// `error` when the file cannot be read or is damaged.
std::optional<ReplacementJournal> LoadJournal(const InstallationPaths& paths, std::string& error);
// Writes the journal atomically, or removes its file when it holds nothing.
bool StoreJournal(const ReplacementJournal& journal, const InstallationPaths& paths, const Failpoint& failpoint,
                  std::string& error, Flush flush = Flush::ToDisk);

}  // namespace kelvara::platform::offline
