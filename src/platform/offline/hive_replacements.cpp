#include "platform/offline/hive_replacements.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "common/ascii_text.h"
#include "platform/system.h"
#include "platform/usable_hive.h"
#include "regf/regf.h"
#include "regf/native_path.h"

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

using State = PendingReplacement::State;
using Outcome = ReplacementResult::Outcome;

// The name is taken, even by a dangling link: a swap must never write through a link.
bool NameTaken(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// File names on Windows ignore case, so two spellings of one name are the same file.
bool SameFile(const fs::path& a, const fs::path& b) {
    return common::AsciiEqualNoCase(a.lexically_normal().string(), b.lexically_normal().string());
}

bool StartsWithNoCase(const std::string& text, const std::string& start) {
    return text.size() >= start.size() && common::AsciiEqualNoCase(text.substr(0, start.size()), start);
}

// A hive's transaction logs paired with the names they take beside `to`: "SYSTEM.LOG1" of
// SYSTEM becomes "SYSTEM.bak.LOG1" of SYSTEM.bak and goes back to "SYSTEM.LOG1", each log
// keeping the letter case of its own name ("ntuser.dat.LOG1" of NTUSER.DAT becomes
// "ntuser.dat.bak.LOG1"), so that a way back restores the very names Windows gave them.
std::vector<std::pair<fs::path, fs::path>> LogsRenamed(const fs::path& from, const fs::path& to) {
    std::vector<std::pair<fs::path, fs::path>> pairs;
    const std::string fromName = regf::NarrowPath(from.filename()), toName = regf::NarrowPath(to.filename());
    for (const auto& log : regf::FindLogFiles(regf::NarrowPath(from))) {
        const fs::path path = regf::NativePath(log);
        const std::string logName = regf::NarrowPath(path.filename());
        const std::string stem = logName.substr(0, fromName.size()), suffix = logName.substr(fromName.size());
        std::string newStem = toName;
        if (StartsWithNoCase(toName, fromName)) newStem = stem + toName.substr(fromName.size());
        else if (StartsWithNoCase(fromName, toName)) newStem = stem.substr(0, toName.size());
        pairs.push_back({path, to.parent_path() / regf::NativePath(newStem + suffix)});
    }
    return pairs;
}

void Append(std::string& reason, const std::string& more) { reason += (reason.empty() ? "" : "; ") + more; }

// Adds the folders of `files` that are not in `folders` yet.
void AddFolders(std::vector<fs::path>& folders, std::initializer_list<fs::path> files) {
    for (const fs::path& file : files)
        if (std::find(folders.begin(), folders.end(), file.parent_path()) == folders.end())
            folders.push_back(file.parent_path());
}

std::vector<ReplacementResult> ResultsOf(const std::vector<SwapInProgress>& swaps) {
    std::vector<ReplacementResult> results;
    for (const SwapInProgress& swap : swaps) results.push_back(swap.result);
    return results;
}

}  // namespace

bool IsUsableHive(const fs::path& file, std::string& problem, platform::HiveWrittenBy writer) {
    // A folder, a device or a pipe in a hive's place would be read as something else each time,
    // or never answer: only a regular file is looked into.
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        problem = file.string() + " is not a regular file";
        return false;
    }
    // Only a dirty hive needs its logs read: a clean one is checked as it lies, in one pass.
    if (platform::IsUsableHive(regf::NarrowPath(file), problem, writer)) return true;
    // Our copies are never dirty: a problem with one is final.
    if (writer == platform::HiveWrittenBy::OurCompactor) return false;
    return platform::IsUsableHiveWithLogs(regf::NarrowPath(file), problem);
}

void HiveReplacements::Reach(const std::string& operation) const {
    if (failpoint_) failpoint_(operation);
}

std::optional<ReplacementJournal> HiveReplacements::Load() {
    std::string error;
    return LoadJournal(paths_, error);
}

bool HiveReplacements::Store(const ReplacementJournal& journal, std::string& error, Flush flush) {
    return StoreJournal(journal, paths_, failpoint_, error, flush);
}

// Why the swap must not touch these files, or empty: through a link it would rename or replace
// something other than the hive, and a hive with a second hard link would leave that other name
// on the old content.
std::string HiveReplacements::LinkProblem(const fs::path& hive, const fs::path& replacement,
                                          const fs::path& backup) const {
    for (const fs::path* file : {&hive, &replacement, &backup})
        if (!paths_.WithoutLinks(*file)) return file->string() + " is reached through a symbolic link";
    std::error_code ec;
    const auto links = fs::hard_link_count(hive, ec);
    if (!ec && links > 1) return hive.string() + " has other hard links";
    return {};
}

long HiveReplacements::Replace(const fs::path& hive, const fs::path& replacement, const fs::path& backup,
                               ReplacementResult& result) {
    result = {hive, Outcome::Refused, {}};
    if (SameFile(hive, replacement) || SameFile(hive, backup) || SameFile(replacement, backup))
        return status::InvalidParameter;
    if (result.reason = LinkProblem(hive, replacement, backup); !result.reason.empty()) return status::AccessDenied;
    if (!NameTaken(replacement)) return status::FileNotFound;
    std::error_code ec;
    if (!fs::is_directory(backup.parent_path(), ec)) return status::PathNotFound;
    // Windows keeps the old hive under the backup name and will not overwrite another file.
    if (NameTaken(backup)) return status::AlreadyExists;
    if (!IsUsableHive(replacement, result.reason)) return status::BadDatabase;

    std::string error;
    auto journal = LoadJournal(paths_, error);
    if (!journal) {
        result.reason = error;
        return status::BadDatabase;
    }
    SwapInProgress swap{{State::Pending, hive, replacement, backup, MarkOf(hive), MarkOf(replacement)},
                        {hive, Outcome::Replaced, {}}};
    swap.newFileChecked = true;
    if (std::string refusal = Refusal(swap.entry, false); !refusal.empty()) {
        result.reason = std::move(refusal);
        return status::AccessDenied;
    }
    swap.entry.state = State::Swapping;
    std::vector<SwapInProgress> swaps{std::move(swap)};
    CarryOut(swaps);
    result = swaps.front().result;
    if (result.outcome == Outcome::Replaced) return status::Success;
    return status::CantWrite;
}

void HiveReplacements::CarryOut(std::vector<SwapInProgress>& swaps) {
    ReplacementJournal started{true, {}};
    for (const SwapInProgress& swap : swaps)
        if (swap.active) started.entries.push_back(swap.entry);

    std::string error;
    if (!Store(started, error)) {
        // Nothing has been renamed: the requests stay recorded for a later start.
        // The journal may have reached its name before the flush failed: a later start must
        // not carry out a swap that this call reports as refused.
        std::string removal;
        if (!Store(ReplacementJournal{}, removal)) error += "; and the journal could not be removed: " + removal;
        for (SwapInProgress& swap : swaps)
            if (swap.active) swap.result = {swap.entry.hive, Outcome::Refused, error};
        return;
    }

    // Every hive goes aside before any new file takes a place, and the folders are flushed in
    // between: a folder that wrote the second rename before the first would lose the old hive.
    std::vector<fs::path> changed;
    for (SwapInProgress& swap : swaps)
        if (swap.active && PutHiveAside(swap)) AddFolders(changed, {swap.entry.hive, swap.entry.backup});
    if (!FlushFolders(changed, failpoint_, error)) {
        for (SwapInProgress& swap : swaps)
            if (swap.active && swap.hiveSetAside) swap.result = RollBack(swap, error, Outcome::Refused);
    }

    changed.clear();
    for (SwapInProgress& swap : swaps)
        if (swap.active && PutNewFileInPlace(swap)) AddFolders(changed, {swap.entry.hive, swap.entry.replacement});
    if (!FlushFolders(changed, failpoint_, error)) {
        // The new hives are in place; putting the old ones back would need the disk that failed.
        for (SwapInProgress& swap : swaps)
            if (swap.active && swap.result.outcome == Outcome::Replaced) Append(swap.result.reason, error);
    }

    // Flushed: a journal that a power cut brought back would be found much later, when the files
    // may have changed (its marks then keep it from acting, but it must not come back at all).
    if (!Store(ReplacementJournal{}, error)) {
        for (SwapInProgress& swap : swaps) Append(swap.result.reason, error);
    }
}

std::vector<ReplacementResult> HiveReplacements::FinishInterrupted() {
    std::error_code ec;
    fs::path leftOver = JournalFile(paths_);
    leftOver += ".tmp";
    fs::remove(leftOver, ec);   // a journal write that a crash cut short; the journal itself is whole

    auto journal = Load();
    if (!journal || journal->entries.empty()) return {};
    // Requests that no swap began, left by a build that waited for a restart to carry them out:
    // nothing of theirs was renamed, and no restart will ever come for them here.
    if (!journal->restarting) {
        std::string ignored;
        Store(ReplacementJournal{}, ignored);
        return {};
    }
    std::vector<SwapInProgress> swaps;
    std::vector<ReplacementResult> refused;
    for (const PendingReplacement& entry : journal->entries) {
        if (std::string changed = Changed(entry); !changed.empty()) {
            refused.push_back({entry.hive, Outcome::Refused,
                               "the journal " + regf::NarrowPath(JournalFile(paths_)) + " no longer describes " + changed +
                                   ", so nothing was swapped; it is kept as " + regf::NarrowPath(RefusedJournalFile(paths_))});
            continue;
        }
        SwapInProgress swap{entry, {entry.hive, Outcome::Replaced, {}}};
        if (entry.state == State::Pending) {
            swap.newFileChecked = true;
            if (std::string refusal = Refusal(entry, true); !refusal.empty()) {
                swap.result = {entry.hive, Outcome::Refused, std::move(refusal)};
                swap.active = false;
            }
        }
        swap.entry.state = State::Swapping;
        swaps.push_back(std::move(swap));
    }
    if (!refused.empty()) {
        // Kept for whoever looks into it; the journal itself goes, so no later run acts on it.
        std::error_code copyError;
        fs::copy_file(JournalFile(paths_), RefusedJournalFile(paths_), fs::copy_options::overwrite_existing, copyError);
    }
    CarryOut(swaps);
    std::vector<ReplacementResult> results = std::move(refused);
    for (ReplacementResult& result : ResultsOf(swaps)) results.push_back(std::move(result));
    return results;
}

// Which of the entry's files is no longer a file the journal describes, or empty: the hive's name
// holds the old hive or the new file, the backup's the old hive, the new file's name the new file.
// A journal of the older builds has no marks and is taken as it is.
std::string HiveReplacements::Changed(const PendingReplacement& entry) const {
    if (!entry.oldMark && !entry.newMark) return {};
    const auto holds = [](const fs::path& file, const std::optional<FileMark>& one, const std::optional<FileMark>& other) {
        if (!NameTaken(file)) return true;
        const std::optional<FileMark> now = MarkOf(file);
        return now && ((one && *one == *now) || (other && *other == *now));
    };
    std::string changed;
    const auto note = [&](const fs::path& file) { changed += (changed.empty() ? "" : " and ") + regf::NarrowPath(file); };
    if (!holds(entry.hive, entry.oldMark, entry.newMark)) note(entry.hive);
    if (!holds(entry.backup, entry.oldMark, std::nullopt)) note(entry.backup);
    if (!holds(entry.replacement, entry.newMark, std::nullopt)) note(entry.replacement);
    return changed;
}

// Why a request cannot be carried out now, or empty; the new file is flushed when it can. A new
// file that its caller has checked already is not read again.
std::string HiveReplacements::Refusal(const PendingReplacement& entry, bool checkNewFile) {
    if (!NameTaken(entry.hive)) return entry.hive.string() + " does not exist";
    // The files may have changed since the request.
    if (std::string problem = LinkProblem(entry.hive, entry.replacement, entry.backup); !problem.empty())
        return problem;
    if (NameTaken(entry.backup)) return "the backup " + entry.backup.string() + " already exists";
    for (const auto& [log, backupLog] : LogsRenamed(entry.hive, entry.backup))
        if (NameTaken(backupLog)) return "the backup's log " + backupLog.string() + " already exists";
    if (checkNewFile) {
        Reach("check " + entry.replacement.string());
        std::string problem;
        if (!IsUsableHive(entry.replacement, problem)) return problem;
    }
    Reach("flush " + entry.replacement.string());
    if (!FlushFile(entry.replacement))
        return "cannot flush " + entry.replacement.string() + " to the disk: " + ErrnoText(errno);
    return {};
}

// The files alone say how far a swap got: each rename is atomic, so the hive, the new file and
// the backup exist in one of a few combinations, and each has one way on.
//
// The old hive's logs go with it: beside the new hive they would be replayed over it at the
// next start of Windows. They move before the hive does and come back after it, so whenever the
// old hive is at its own name, its logs are either beside it or waiting under the backup's
// names, never beside the new file. The new file's own logs (a backup put back has them) follow
// it to the hive's names once it is there.
bool HiveReplacements::PutHiveAside(SwapInProgress& swap) {
    const fs::path& hive = swap.entry.hive;
    const fs::path& backup = swap.entry.backup;
    const fs::path& replacement = swap.entry.replacement;
    auto stop = [&](ReplacementResult result) {
        swap.result = std::move(result);
        swap.active = false;
        return false;
    };

    // ntfs-3g renames by linking the new name, then unlinking the old one, with no order between
    // the two on the disk: a crash may leave both names on one file. The rename was under way, so
    // it is finished here; the file is whole under either name.
    if (!FinishHalfRename(replacement, hive) || !FinishHalfRename(hive, backup))
        return stop(RollBack(swap, "a rename that a crash cut short could not be finished", Outcome::Refused));
    if (NameTaken(hive) && NameTaken(backup) && !NameTaken(replacement)) {
        swap.done = true;   // an earlier start got this far
        return false;
    }
    if (NameTaken(hive) && NameTaken(backup))
        return stop({hive, Outcome::Refused, "the backup " + backup.string() + " appeared during the replacement"});
    if (!NameTaken(replacement)) return stop(RollBack(swap, replacement.string() + " is gone", Outcome::RolledBack));
    if (!swap.newFileChecked) {
        Reach("check " + replacement.string());
        std::string problem;
        if (!IsUsableHive(replacement, problem)) return stop(RollBack(swap, problem, Outcome::RolledBack));
    }
    if (!NameTaken(hive)) return false;   // aside already

    std::string error;
    if (!MoveLogs(hive, backup, Flush::Later, error) || !Rename(hive, backup, failpoint_, error))
        return stop(RollBack(swap, error, Outcome::Refused));
    swap.hiveSetAside = true;
    return true;
}

// True when `from` and `to` are not two names of one file, or no longer are: the old name goes.
bool HiveReplacements::FinishHalfRename(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!NameTaken(from) || !NameTaken(to) || !fs::equivalent(from, to, ec) || ec) return true;
    std::string error;
    return RemoveDurably(from, failpoint_, error);
}

bool HiveReplacements::PutNewFileInPlace(SwapInProgress& swap) {
    const fs::path& hive = swap.entry.hive;
    const fs::path& replacement = swap.entry.replacement;
    std::string error;
    if (!swap.done && !Rename(replacement, hive, failpoint_, error)) {
        swap.result = RollBack(swap, error, Outcome::RolledBack);
        swap.active = false;
        return false;
    }
    if (!MoveLogs(replacement, hive, Flush::Later, error)) {
        // The new hive must not start without its logs: the swap is undone, the logs that moved
        // going back with the new file.
        std::string undo;
        if (!MoveLogs(hive, replacement, Flush::ToDisk, undo) || !RenameDurably(hive, replacement, failpoint_, undo))
            error += "; and the new file could not be taken back: " + undo;
        swap.result = RollBack(swap, "its logs could not follow it: " + error, Outcome::RolledBack);
        swap.active = false;
        return false;
    }
    return !swap.done;
}

// Puts the old hive and its logs back at their names, durably, and says what became of the swap.
ReplacementResult HiveReplacements::RollBack(SwapInProgress& swap, std::string reason, Outcome outcome) {
    const fs::path& hive = swap.entry.hive;
    const fs::path& backup = swap.entry.backup;
    swap.active = false;
    std::string undoError;
    if (!NameTaken(hive) && NameTaken(backup)) {
        if (!RenameDurably(backup, hive, failpoint_, undoError))
            reason += "; and the old hive could not be put back: " + undoError;
        else if (!MoveLogs(backup, hive, Flush::ToDisk, undoError))
            reason += "; and the old hive's logs could not be put back: " + undoError;
    } else if (NameTaken(hive) && !NameTaken(backup) && !MoveLogs(backup, hive, Flush::ToDisk, undoError))
        reason += "; and the old hive's logs could not be put back: " + undoError;
    return {hive, outcome, std::move(reason)};
}

bool HiveReplacements::MoveWithLogs(const fs::path& from, const fs::path& to, std::string& error) {
    if (NameTaken(to)) {
        error = regf::NarrowPath(to) + " already exists";
        return false;
    }
    for (const auto& [log, target] : LogsRenamed(from, to))
        if (NameTaken(target)) {
            error = regf::NarrowPath(target) + " already exists";
            return false;
        }
    return MoveLogs(from, to, Flush::ToDisk, error) && RenameDurably(from, to, failpoint_, error);
}

bool HiveReplacements::MoveLogs(const fs::path& from, const fs::path& to, Flush flush, std::string& error) {
    for (const auto& [log, target] : LogsRenamed(from, to)) {
        if (!FinishHalfRename(log, target)) {
            error = "cannot finish the rename of " + regf::NarrowPath(log);
            return false;
        }
        if (!NameTaken(log)) continue;
        const bool moved = flush == Flush::ToDisk ? RenameDurably(log, target, failpoint_, error)
                                                  : Rename(log, target, failpoint_, error);
        if (!moved) return false;
    }
    return true;
}


}  // namespace kelvara::platform::offline
