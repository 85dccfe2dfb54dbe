#include "defrag/undo_registry.h"

#include <algorithm>
#include <cstdio>

#include "defrag/defrag_commit.h"
#include "defrag/hand_over_record.h"
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

// The file to hand over in the hive's place, or empty with `reason` set.
std::string FileToPutBack(platform::System& system, const std::string& hiveFile, std::string& reason) {
    const std::string backup = Backup(hiveFile);
    if (!system.IsRecoverableHiveFile(backup, reason)) return {};
    if (system.ReplacesAtOnceWithLogs()) return backup;
    std::string dirty;
    if (system.IsUsableHiveFile(backup, dirty)) return backup;
    const std::string clean = Recovered(hiveFile);
    if (system.FileExists(clean)) system.DeleteFile(clean);
    if (!system.WriteRecoveredHive(backup, clean, reason)) return {};
    return clean;
}

HiveUndo PutBack(platform::System& system, const std::string& hivePath, const std::string& hiveFile) {
    HiveUndo hive{hivePath, hiveFile, false, {}};
    const std::string file = FileToPutBack(system, hiveFile, hive.reason);
    if (file.empty()) return hive;   // the backup fails the check
    // What an earlier Undo kept goes, as the Defrag command lets an old backup go.
    RemoveUndoneFiles(system, hiveFile);
    const long status = ReplaceHiveStatus(system, hivePath, file, hiveFile + ".undone");
    hive.handedOver = status == platform::status::Success;
    if (hive.handedOver) return hive;
    hive.reason = system.ErrorText(status);
    if (file != Backup(hiveFile)) system.DeleteFile(file);
    return hive;
}

std::string ListReasons(std::string text, const std::vector<HiveUndo>& hives) {
    for (const HiveUndo& hive : hives)
        if (!hive.handedOver) text += "\n" + hive.hivePath + ": " + hive.reason;
    return text;
}

std::string Question(const std::string& date) {
    if (date.empty()) return kUndoQuestionUndatedText;
    const std::string format = kUndoQuestionText;
    const std::size_t at = format.find("%s");
    return format.substr(0, at) + date + format.substr(at + 2);
}

// The record of what this hand-over asked for, for the next start to tell.
void RecordUndo(platform::System& system, const std::string& programFolder, const std::vector<HiveUndo>& hives) {
    if (system.ReplacesAtOnceWithLogs()) return;
    HandOverRecord record{HandOverRecord::Command::Undo, system.GetLocalTime(), false, {}};
    for (const HiveUndo& hive : hives)
        record.hives.push_back({hive.hivePath, hive.hiveFile, hive.handedOver,
                                hive::QueryFileSize(system, hive.hiveFile),
                                hive::QueryFileSize(system, Backup(hive.hiveFile))});
    WriteHandOverRecord(programFolder, record);
}

}  // namespace

bool HandOverWaiting(platform::System& system, const std::vector<std::string>& hiveFileList) {
    for (const std::string& hiveFile : hiveFileList)
        for (const std::string& handed : {hiveFile + ".kvf", Backup(hiveFile), Recovered(hiveFile)})
            if (system.FileExists(handed) && hive::IsFileLocked(system, handed)) return true;
    return false;
}

std::string BackupDate(platform::System& system, const std::string& programFolder,
                       const std::vector<std::string>& hiveFileList) {
    const auto record = ReadHandOverRecord(programFolder);
    if (record && record->command == HandOverRecord::Command::Defrag) return system.FormatShortDate(record->time);
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

    const std::size_t count = std::min(window.hiveKeyList.size(), window.hiveFileList.size());
    std::vector<std::size_t> withBackup;
    for (std::size_t i = 0; i < count; ++i)
        if (system.FileExists(Backup(window.hiveFileList[i]))) withBackup.push_back(i);
    // Putting back a backup under a replacement still to come would swap the wrong files.
    if (HandOverWaiting(system, window.hiveFileList)) return tell(UndoEnd::HandOverWaiting, kUndoWaitingText);
    if (withBackup.empty()) return tell(UndoEnd::NothingToUndo, kUndoNothingText);

    if (!window.silentMode) {
        const std::string date = BackupDate(system, window.programFolder, window.hiveFileList);
        const int answer = window.application.MessageBox(
            Question(date), settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::YesNo,
            ui::MsgIcon::Question);
        if (answer != ui::mrYes) {
            outcome.end = UndoEnd::NotConfirmed;
            return outcome;
        }
    }

    // The replace operation needs both rights, and no analysis has enabled the first.
    hive::EnableBackupPrivilege(system);
    hive::EnableRestorePrivilege(system);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& hiveFile = window.hiveFileList[i];
        if (hiveFile.empty()) continue;   // HARDWARE lives in memory only
        if (std::find(withBackup.begin(), withBackup.end(), i) != withBackup.end())
            outcome.hives.push_back(PutBack(system, window.hiveKeyList[i], hiveFile));
        else
            outcome.hives.push_back({window.hiveKeyList[i], hiveFile, false, Backup(hiveFile) + " does not exist", false});
    }

    const bool any = std::any_of(outcome.hives.begin(), outcome.hives.end(), [](const HiveUndo& h) { return h.handedOver; });
    if (!any) return tell(UndoEnd::NothingPutBack, ListReasons(kUndoNothingPutBackText, outcome.hives));
    RecordUndo(system, window.programFolder, outcome.hives);

    if (!window.silentMode)
        window.application.MessageBox(settings::LoadResString(settings::strings::RestartNotice),
                                      settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::Ok);
    RestartComputer(system, true);
    outcome.end = UndoEnd::RestartRequested;
    return outcome;
}

}  // namespace kelvara::defrag
