// Hive replacements as Windows performs them: asked for while the system runs, carried out at
// its next start. A request is recorded in the journal; the start puts each new file in its
// hive's place and keeps the old file under the backup name, its transaction logs with it
// (SYSTEM.LOG1 becomes SYSTEM.bak.LOG1), so the new hive starts with no log of another file.
// A new file's own logs come along to the hive's names (a backup put back has them).
//
// The journal says how far a start got, so whatever point a crash interrupts, the next start
// finishes the replacement or undoes it: a hive file is always either the old hive or the
// checked new one, never missing and never half written. A start flushes each new file once,
// the journal before it renames anything, and each folder it changes twice: after every hive has
// gone aside and after every new file has taken its place (a folder that wrote its second rename
// before its first would lose the old hive). Removing the journal needs no flush.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/offline/durable_io.h"
#include "platform/offline/installation_paths.h"
#include "platform/offline/replacement_journal.h"
#include "platform/usable_hive.h"

namespace kelvara::platform::offline {

// What became of one request at a start.
struct ReplacementResult {
    enum class Outcome { Replaced, Refused, RolledBack };
    std::filesystem::path hive;
    Outcome outcome = Outcome::Refused;
    std::string reason;   // why it was refused or undone; when replaced, empty or what went wrong after
};

// One request as a start carries it out.
struct SwapInProgress {
    PendingReplacement entry;
    ReplacementResult result;
    bool active = true;            // still to be carried on; false once it has its outcome
    bool newFileChecked = false;   // the new file passed its check at this start
    bool hiveSetAside = false;     // this start renamed the hive to the backup's name
    bool done = false;             // an earlier start put the new file in place already
};

class HiveReplacements {
public:
    HiveReplacements(const InstallationPaths& paths, Failpoint failpoint)
        : paths_(paths), failpoint_(std::move(failpoint)) {}

    // Records that `replacement` is to become `hive` and `hive` to become `backup` at the
    // next start. Answers a Win32 status: 0, or why the request was not recorded, with
    // `problem` naming the file and the reason where a file operation failed.
    long Request(const std::filesystem::path& hive, const std::filesystem::path& replacement,
                 const std::filesystem::path& backup, std::string& problem);

    // The start: carries out every recorded request, in the order recorded.
    std::vector<ReplacementResult> ApplyAll();

    // At start-up: finishes a start that was interrupted. Requests that no start has begun
    // stay recorded for the next one.
    std::vector<ReplacementResult> FinishInterrupted();

    // True when `file` is the new file of a recorded request: Windows holds such a file open
    // until it restarts, so it can be neither opened exclusively nor deleted.
    bool IsHeldForReplacement(const std::filesystem::path& file) const;

private:
    std::optional<ReplacementJournal> Load();
    bool Store(const ReplacementJournal& journal, std::string& error, Flush flush = Flush::ToDisk);
    std::string Refusal(const PendingReplacement& entry);
    bool PutHiveAside(SwapInProgress& swap);
    bool PutNewFileInPlace(SwapInProgress& swap);
    ReplacementResult RollBack(SwapInProgress& swap, std::string reason, ReplacementResult::Outcome outcome);
    bool MoveLogs(const std::filesystem::path& from, const std::filesystem::path& to, Flush flush, std::string& error);
    void Reach(const std::string& operation) const;
    std::string LinkProblem(const std::filesystem::path& hive, const std::filesystem::path& replacement,
                            const std::filesystem::path& backup) const;

    InstallationPaths paths_;
    Failpoint failpoint_;
};

// Whether a file is a sound hive that may take a hive's place, with the logs beside it, which
// go along with it; `problem` says why not. Anything but a regular file is refused unopened.
bool IsUsableHive(const std::filesystem::path& file, std::string& problem,
                  platform::HiveWrittenBy writer = platform::HiveWrittenBy::Windows);

}  // namespace kelvara::platform::offline
