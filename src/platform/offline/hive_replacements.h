// Hive replacements as Windows' kernel carries out the replace call, made durable for an
// installation in a folder: the hive goes to the backup name and the new file to the hive's name
// before the call returns, each with its transaction logs (SYSTEM.LOG1 becomes SYSTEM.bak.LOG1),
// so the new hive starts with no log of another file; a new file's own logs (a backup put back
// has them) come along to the hive's names. Nothing runs on the hives here, so nothing waits for
// a restart.
//
// A journal says how far a swap got, so whatever point a crash interrupts, the next start of the
// program finishes the replacement or undoes it: a hive file is always either the old hive or the
// checked new one, never missing and never half written. A swap flushes the new file, then the
// journal before it renames anything, and each folder it changes twice: after the hive has gone
// aside and after the new file has taken its place (a folder that wrote its second rename before
// its first would lose the old hive). Removing the journal needs no flush.
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

    // Puts `hive` at `backup` and `replacement` at `hive`, with their logs. Answers a Win32
    // status: 0 when the replacement is complete, or why it was refused or undone, with
    // `result` saying so and naming the file where a file operation failed.
    long Replace(const std::filesystem::path& hive, const std::filesystem::path& replacement,
                 const std::filesystem::path& backup, ReplacementResult& result);

    // Moves `from` and its transaction logs to `to` and the log names beside it, each durably, the
    // logs first; a move that a crash cut short is finished by asking again. False with `error`
    // when a name is taken or a rename failed.
    bool MoveWithLogs(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

    // At start-up: finishes or undoes a swap that a crash interrupted. A journal of requests
    // that no swap began (the older builds waited for a restart) is dropped: nothing of theirs
    // was renamed.
    std::vector<ReplacementResult> FinishInterrupted();

private:
    std::optional<ReplacementJournal> Load();
    bool Store(const ReplacementJournal& journal, std::string& error, Flush flush = Flush::ToDisk);
    std::string Refusal(const PendingReplacement& entry, bool checkNewFile);
    void CarryOut(std::vector<SwapInProgress>& swaps);
    std::string Changed(const PendingReplacement& entry) const;
    bool FinishHalfRename(const std::filesystem::path& from, const std::filesystem::path& to);
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
