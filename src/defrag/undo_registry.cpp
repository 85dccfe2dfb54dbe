#include "defrag/undo_registry.h"

#include <algorithm>
#include <cstdio>

#include "defrag/defrag_commit.h"
#include "defrag/defrag_texts.h"
#include "defrag/hand_over.h"
#include "defrag/set_aside.h"
#include "defrag/restart.h"
#include "defrag/undo_texts.h"
#include "hive/snapshot.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/messages.h"

namespace kelvara::defrag {
namespace {

std::string Backup(const std::string& hiveFile) { return hiveFile + ".bak"; }

// Where logs cannot go along with a file handed over, a dirty backup is recovered into a clean
// file beside it first, and that file is handed over.
std::string Recovered(const std::string& hiveFile) { return hiveFile + ".bak.recovered"; }

bool HasLogsOfItsOwn(platform::System& system, const std::string& file) {
    for (const char* suffix : {".LOG", ".LOG1", ".LOG2"})
        if (system.FileExists(file + suffix)) return true;
    return false;
}

// The file to hand over in the hive's place, or empty with `reason` set.
std::string FileToPutBack(platform::System& system, const std::string& hiveFile, std::string& reason) {
    const std::string backup = Backup(hiveFile);
    if (!system.FileExists(backup)) {
        reason = backup + " does not exist";
        return {};
    }
    std::string dirty;
    const bool clean = system.IsUsableHiveFile(backup, dirty);
    if (!clean && dirty.find("unsaved changes") != std::string::npos && !HasLogsOfItsOwn(system, backup)) {
        reason = backup + ": " + kUndoDirtyBackupReason;
        return {};
    }
    if (!system.IsRecoverableHiveFile(backup, reason)) return {};
    if (clean || system.ReplacesAtOnceWithLogs()) return backup;
    const std::string recovered = Recovered(hiveFile);
    if (system.FileExists(recovered)) system.DeleteFile(recovered);
    if (!system.WriteRecoveredHive(backup, recovered, reason)) return {};
    return recovered;
}

// One hive of the set, checked before any call.
struct Candidate {
    std::size_t hive = 0;   // index into outcome.hives
    std::string file;       // what is handed over; empty when it cannot be put back
};

std::string ListReasons(std::string text, const std::vector<HiveUndo>& hives) {
    for (const HiveUndo& hive : hives)
        if (!hive.handedOver && hive.hasBackup) text += "\n" + hive.hivePath + ": " + hive.reason;
    return text;
}

std::string Question(const std::string& date) {
    if (date.empty()) return kUndoQuestionUndatedText;
    const std::string format = kUndoQuestionText;
    const std::size_t at = format.find("%s");
    return format.substr(0, at) + date + format.substr(at + 2);
}

bool Contains(const std::vector<RecordedHive>& hives, const std::string& hiveFile) {
    return std::any_of(hives.begin(), hives.end(), [&](const RecordedHive& h) { return h.hiveFile == hiveFile; });
}

// "C:\Windows\System32\config\SAM.bak (12/01/2026)"
std::string Dated(platform::System& system, const std::string& file) {
    platform::LocalTime written;
    if (!system.FileWriteTime(file, written)) return file;
    return file + " (" + system.FormatShortDate(written) + ")";
}

}  // namespace

std::string BackupDate(platform::System& system, const std::string& programFolder,
                       const std::vector<std::string>& hiveFileList) {
    const auto record = ReadHandOverRecord(system, programFolder);
    if (record && record->command == HandOverRecord::Command::Defrag)
        return system.FormatShortDate(RecordedLocalTime(system, *record));
    for (const std::string& hiveFile : hiveFileList) {
        platform::LocalTime written;
        if (system.FileExists(Backup(hiveFile)) && system.FileWriteTime(Backup(hiveFile), written))
            return system.FormatShortDate(written);
    }
    return {};
}

UndoOutcome UndoDefrag(const UndoWindow& window) {
    platform::System& system = window.system;
    UndoOutcome outcome;
    auto tell = [&](UndoEnd end, std::string text) {
        outcome.end = end;
        outcome.message = std::move(text);
        if (!window.silentMode)
            window.application.MessageBox(outcome.message, settings::LoadResString(settings::strings::ProductTitle),
                                          ui::MsgButtons::Ok, ui::MsgIcon::Warning);
        return outcome;
    };
    auto ask = [&](const std::string& text) {
        return window.application.MessageBox(text, settings::LoadResString(settings::strings::ProductTitle),
                                             ui::MsgButtons::YesNo, ui::MsgIcon::Question) == ui::mrYes;
    };

    // Putting back a backup under a replacement still to come would swap the wrong files.
    if (WaitingHandOver(system, window.programFolder)) return tell(UndoEnd::HandOverWaiting, kUndoWaitingText);

    // The set: what the last Defrag replaced, and backups no record names only when asked for.
    const std::vector<RecordedHive> lastDefrag = ReplacedByLastDefrag(system, window.programFolder);
    const std::size_t count = std::min(window.hiveKeyList.size(), window.hiveFileList.size());
    std::vector<std::size_t> recorded, unrecorded;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& hiveFile = window.hiveFileList[i];
        if (hiveFile.empty()) continue;   // HARDWARE lives in memory only
        // A hive the last Defrag replaced belongs to the set even when its backup is gone: the
        // set is put back whole or not at all.
        if (Contains(lastDefrag, hiveFile)) recorded.push_back(i);
        else if (system.FileExists(Backup(hiveFile))) unrecorded.push_back(i);
    }
    if (recorded.empty() && unrecorded.empty()) return tell(UndoEnd::NothingToUndo, kUndoNothingText);
    std::string unrecordedList;
    for (std::size_t i : unrecorded) unrecordedList += "\n" + Dated(system, Backup(window.hiveFileList[i]));
    bool takeUnrecorded = window.anyBackup;
    if (!unrecorded.empty() && !takeUnrecorded && !window.silentMode) {
        takeUnrecorded = ask(kUndoUnrecordedHeading + unrecordedList + kUndoUnrecordedQuestionText);
    }
    if (recorded.empty() && !takeUnrecorded) {
        if (window.silentMode) return tell(UndoEnd::OnlyUnrecorded, kUndoUnrecordedText + unrecordedList);
        outcome.end = UndoEnd::NotConfirmed;
        return outcome;
    }
    std::vector<std::size_t> set = recorded;
    if (takeUnrecorded) set.insert(set.end(), unrecorded.begin(), unrecorded.end());
    std::sort(set.begin(), set.end());

    if (!window.silentMode &&
        !ask(Question(BackupDate(system, window.programFolder, window.hiveFileList)))) {
        outcome.end = UndoEnd::NotConfirmed;
        return outcome;
    }

    // The replace operation needs both rights, and no analysis has enabled the first.
    hive::EnableBackupPrivilege(system);
    hive::EnableRestorePrivilege(system);

    // Every hive of the set is checked before the first call, so that what cannot be put back is
    // known while nothing has changed yet.
    std::vector<Candidate> candidates;
    bool anyFails = false;
    for (std::size_t i : set) {
        const std::string& hiveFile = window.hiveFileList[i];
        outcome.hives.push_back({window.hiveKeyList[i], hiveFile, false, {}});
        Candidate candidate{outcome.hives.size() - 1, {}};
        if (system.FileRedirectionLost())
            outcome.hives.back().reason = kRedirectionLostReason;
        else
            candidate.file = FileToPutBack(system, hiveFile, outcome.hives.back().reason);
        anyFails = anyFails || candidate.file.empty();
        candidates.push_back(std::move(candidate));
    }
    auto dropRecovered = [&] {
        for (const Candidate& c : candidates)
            if (!c.file.empty() && c.file != Backup(outcome.hives[c.hive].hiveFile)) system.DeleteFile(c.file);
    };
    const bool anyReady = std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) { return !c.file.empty(); });
    if (!anyReady) return tell(UndoEnd::NothingPutBack, ListReasons(kUndoNothingPutBackText, outcome.hives));
    if (anyFails) {
        const std::string list = ListReasons(kUndoNotAllText, outcome.hives);
        if (window.silentMode || !ask(list + kUndoRestQuestionText)) {
            dropRecovered();
            outcome.message = list;
            outcome.end = UndoEnd::NotAllPutBack;
            return outcome;
        }
    }

    // From the first accepted call until the restart, whatever is written to the registry is
    // lost: the last notice comes now.
    if (!window.silentMode)
        window.application.MessageBox(settings::LoadResString(settings::strings::RestartNotice),
                                      settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::Ok);
    HandOverLog log(system, window.programFolder, HandOverRecord::Command::Undo);
    std::vector<std::pair<const Candidate*, std::size_t>> planned;
    for (const Candidate& c : candidates) {
        const HiveUndo& hive = outcome.hives[c.hive];
        if (c.file.empty())
            log.LeaveOut(hive.hivePath, hive.hiveFile, hive.reason);
        else
            planned.emplace_back(&c, log.Plan(hive.hivePath, hive.hiveFile, c.file));
    }
    if (!log.Begin()) {
        dropRecovered();
        for (auto& [c, entry] : planned) outcome.hives[c->hive].reason = kRecordNotWrittenReason + log.Record().path;
        return tell(UndoEnd::NothingPutBack, ListReasons(kUndoNothingPutBackText, outcome.hives));
    }
    for (auto& [c, entry] : planned) {
        HiveUndo& hive = outcome.hives[c->hive];
        if (system.FileRedirectionLost()) {
            hive.reason = kRedirectionLostReason;
            log.Refused(entry, hive.reason);
            continue;
        }
        // What an earlier Undo kept makes way, as the Defrag command sets an old backup aside.
        const std::string undone = hive.hiveFile + ".undone";
        if (!FreeName(system, undone, hive.reason)) {
            log.Refused(entry, hive.reason);
            if (c->file != Backup(hive.hiveFile)) system.DeleteFile(c->file);
            continue;
        }
        const ReplacementKey key = ReplacementKeyOf(hive.hivePath);
        const long status = system.RegReplaceKey(key.root, key.subKey, c->file, undone);
        hive.handedOver = status == platform::status::Success;
        SettleAside(system, undone, hive.handedOver);
        if (hive.handedOver) {
            log.Accepted(entry);
            continue;
        }
        hive.reason = system.ErrorText(status);
        log.Refused(entry, hive.reason);
        if (c->file != Backup(hive.hiveFile)) system.DeleteFile(c->file);
    }

    const bool any = std::any_of(outcome.hives.begin(), outcome.hives.end(), [](const HiveUndo& h) { return h.handedOver; });
    if (!any) return tell(UndoEnd::NothingPutBack, ListReasons(kUndoNothingPutBackText, outcome.hives));
    if (!unrecorded.empty() && !takeUnrecorded) outcome.message = kUndoUnrecordedText + unrecordedList;
    outcome.end = RestartAfterHandOver(system, window.application, window.silentMode) ? UndoEnd::RestartRequested
                                                                                      : UndoEnd::RestartRefused;
    return outcome;
}

}  // namespace kelvara::defrag
