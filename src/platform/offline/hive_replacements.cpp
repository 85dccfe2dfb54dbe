#include "platform/offline/hive_replacements.h"

#include <cerrno>
#include <system_error>

#include "common/ascii_text.h"
#include "platform/system.h"
#include "platform/usable_hive.h"
#include "regf/regf.h"

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

using State = PendingReplacement::State;
using Outcome = ReplacementResult::Outcome;

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// File names on Windows ignore case, so two spellings of one name are the same file.
bool SameFile(const fs::path& a, const fs::path& b) {
    return common::AsciiEqualNoCase(a.lexically_normal().string(), b.lexically_normal().string());
}

// A hive's transaction logs paired with the names they take beside `to`: "SYSTEM.LOG1" of
// SYSTEM becomes "SYSTEM.bak.LOG1" of SYSTEM.bak, the suffix spelled as it was.
std::vector<std::pair<fs::path, fs::path>> LogsRenamed(const fs::path& from, const fs::path& to) {
    std::vector<std::pair<fs::path, fs::path>> pairs;
    const std::size_t stem = from.filename().string().size();
    for (const auto& log : regf::FindLogFiles(from.string())) {
        const fs::path path(log);
        pairs.push_back({path, to.parent_path() / (to.filename().string() + path.filename().string().substr(stem))});
    }
    return pairs;
}

}  // namespace

bool IsUsableHive(const fs::path& file, std::string& problem) {
    // A folder, a device or a pipe in a hive's place would be read as something else each time,
    // or never answer: only a regular file is looked into.
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        problem = file.string() + " is not a regular file";
        return false;
    }
    return platform::IsUsableHive(file.string(), problem);
}

void HiveReplacements::Reach(const std::string& operation) const {
    if (failpoint_) failpoint_(operation);
}

std::optional<ReplacementJournal> HiveReplacements::Load() {
    std::string error;
    return LoadJournal(paths_, error);
}

bool HiveReplacements::Store(const ReplacementJournal& journal, std::string& error) {
    return StoreJournal(journal, paths_, failpoint_, error);
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

long HiveReplacements::Request(const fs::path& hive, const fs::path& replacement, const fs::path& backup,
                               std::string& problem) {
    if (SameFile(hive, replacement) || SameFile(hive, backup) || SameFile(replacement, backup))
        return status::InvalidParameter;
    if (problem = LinkProblem(hive, replacement, backup); !problem.empty()) return status::AccessDenied;
    if (!Exists(replacement)) return status::FileNotFound;
    std::error_code ec;
    if (!fs::is_directory(backup.parent_path(), ec)) return status::PathNotFound;
    // Windows keeps the old hive under the backup name and will not overwrite another file.
    if (Exists(backup)) return status::AlreadyExists;
    // Refused now rather than at the start, where nobody would hear of it.
    if (!IsUsableHive(replacement, problem)) return status::BadDatabase;

    std::string error;
    auto journal = LoadJournal(paths_, error);
    if (!journal) {
        problem = error;
        return status::BadDatabase;
    }
    const ReplacementJournal before = *journal;
    // A second request for the same hive supersedes the first: the latest copy is the one meant.
    std::erase_if(journal->entries, [&](const PendingReplacement& e) { return SameFile(e.hive, hive); });
    journal->entries.push_back({State::Pending, hive, replacement, backup});
    if (Store(*journal, error)) return status::Success;
    // A request reported as failed must not be carried out at a later start all the same: the
    // new journal may be in place with only its folder's flush failed.
    std::string ignored;
    Store(before, ignored);
    problem = error;
    return status::CantWrite;
}

std::vector<ReplacementResult> HiveReplacements::ApplyAll() {
    std::vector<ReplacementResult> results;
    auto journal = Load();
    if (!journal || journal->entries.empty()) return results;

    std::string error;
    journal->restarting = true;
    if (!Store(*journal, error)) {
        // Nothing has been touched: the requests stay recorded for a later start.
        for (const auto& entry : journal->entries) results.push_back({entry.hive, Outcome::Refused, error});
        return results;
    }
    while (!journal->entries.empty()) {
        results.push_back(Apply(*journal, 0));
        journal->entries.erase(journal->entries.begin());
        if (!Store(*journal, error)) {
            results.back().reason += (results.back().reason.empty() ? "" : "; ") + error;
            // The journal on the disk still holds the rest, and the next start carries them
            // out; each is reported now, so that nobody takes it for done.
            for (const auto& entry : journal->entries)
                results.push_back({entry.hive, Outcome::Refused, "not replaced at this start: " + error});
            break;
        }
    }
    return results;
}

std::vector<ReplacementResult> HiveReplacements::FinishInterrupted() {
    std::error_code ec;
    fs::path leftOver = JournalFile(paths_);
    leftOver += ".tmp";
    fs::remove(leftOver, ec);   // a journal write that a crash cut short; the journal itself is whole

    auto journal = Load();
    if (!journal || !journal->restarting) return {};
    return ApplyAll();
}

ReplacementResult HiveReplacements::Apply(ReplacementJournal& journal, std::size_t index) {
    PendingReplacement& entry = journal.entries[index];
    if (entry.state == State::Swapping) return Swap(journal, index, false);

    if (!Exists(entry.hive)) return {entry.hive, Outcome::Refused, entry.hive.string() + " does not exist"};
    // The files may have changed since the request.
    if (std::string problem = LinkProblem(entry.hive, entry.replacement, entry.backup); !problem.empty())
        return {entry.hive, Outcome::Refused, problem};
    if (Exists(entry.backup))
        return {entry.hive, Outcome::Refused, "the backup " + entry.backup.string() + " already exists"};
    for (const auto& [log, backupLog] : LogsRenamed(entry.hive, entry.backup))
        if (Exists(backupLog))
            return {entry.hive, Outcome::Refused, "the backup's log " + backupLog.string() + " already exists"};
    Reach("check " + entry.replacement.string());
    std::string problem;
    if (!IsUsableHive(entry.replacement, problem)) return {entry.hive, Outcome::Refused, problem};
    Reach("flush " + entry.replacement.string());
    if (!FlushFile(entry.replacement))
        return {entry.hive, Outcome::Refused,
                "cannot flush " + entry.replacement.string() + " to the disk: " + ErrnoText(errno)};

    entry.state = State::Swapping;
    std::string error;
    if (!Store(journal, error)) return {entry.hive, Outcome::Refused, error};
    return Swap(journal, index, true);
}

// From here on the files alone say how far the swap got: each rename is atomic, so the hive,
// the new file and the backup exist in one of a few combinations, and each has one way on.
ReplacementResult HiveReplacements::Swap(ReplacementJournal& journal, std::size_t index, bool newFileChecked) {
    const PendingReplacement& entry = journal.entries[index];
    const fs::path& hive = entry.hive;
    const fs::path& replacement = entry.replacement;
    const fs::path& backup = entry.backup;
    std::string error;

    // The old hive's logs go with it: beside the new hive they would be replayed over it at
    // the next start of Windows. They move before the hive does and come back after it, so
    // whenever the old hive is at its own name, its logs are either beside it or waiting under
    // the backup's names, never beside the new file.
    auto moveLogs = [&](const fs::path& from, const fs::path& to, std::string& moveError) {
        for (const auto& [log, target] : LogsRenamed(from, to))
            if (!RenameDurably(log, target, failpoint_, moveError)) return false;
        return true;
    };
    auto rollBack = [&](std::string reason) -> ReplacementResult {
        std::string undoError;
        if (!Exists(hive) && Exists(backup) && !RenameDurably(backup, hive, failpoint_, undoError))
            reason += "; and the old hive could not be put back: " + undoError;
        else if (Exists(hive) && !Exists(backup) && !moveLogs(backup, hive, undoError))
            reason += "; and the old hive's logs could not be put back: " + undoError;
        return {hive, Outcome::RolledBack, std::move(reason)};
    };

    if (Exists(hive) && Exists(backup) && !Exists(replacement)) return {hive, Outcome::Replaced, {}};
    if (Exists(hive) && Exists(backup))
        return {hive, Outcome::Refused, "the backup " + backup.string() + " appeared during the replacement"};
    if (!Exists(replacement)) return rollBack(replacement.string() + " is gone");

    if (!newFileChecked) {
        Reach("check " + replacement.string());
        std::string problem;
        if (!IsUsableHive(replacement, problem)) return rollBack(problem);
    }
    // Nothing is swapped yet: the request is refused, the logs put back beside their hive.
    auto refuse = [&](std::string reason) {
        ReplacementResult result = rollBack(std::move(reason));
        result.outcome = Outcome::Refused;
        return result;
    };
    if (Exists(hive) && !moveLogs(hive, backup, error)) return refuse(error);
    if (Exists(hive) && !RenameDurably(hive, backup, failpoint_, error)) return refuse(error);
    if (!RenameDurably(replacement, hive, failpoint_, error)) {
        // Renamed, but the folder could not be flushed after: the new hive is in place, and
        // putting the old one back would need the same disk that just failed.
        if (!Exists(replacement) && Exists(hive) && Exists(backup)) return {hive, Outcome::Replaced, error};
        return rollBack(error);
    }
    return {hive, Outcome::Replaced, {}};
}

bool HiveReplacements::IsHeldForReplacement(const fs::path& file) const {
    std::string error;
    auto journal = LoadJournal(paths_, error);
    if (!journal) return false;
    for (const auto& entry : journal->entries)
        if (SameFile(entry.replacement, file)) return true;
    return false;
}

}  // namespace kelvara::platform::offline
