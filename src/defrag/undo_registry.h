// The Undo command, the way back from the last defragmentation: every hive that the record of
// the last Defrag marks as replaced gets its backup (<hive file>.bak) back through the registry's
// replace operation; the file in use now is kept as <hive file>.undone. All or nothing: hives of
// one generation belong together, so unless the user chooses otherwise, nothing is handed over
// when one of them cannot be. A backup that no record names is left alone unless asked for
// (/Undo /AnyBackup, or a question that names it). Windows then restarts, as after a Defrag; on
// an installation in a folder each swap is complete when its call returns and each hive's logs
// move with it, so every hive file is again, byte for byte, the file from before.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::ui {
class Application;
}  // namespace kelvara::ui

namespace kelvara::defrag {

struct UndoWindow {
    const std::vector<std::string>& hiveKeyList;
    const std::vector<std::string>& hiveFileList;
    bool silentMode;              // no question and no message: the outcome says it all
    bool anyBackup;               // put back backups that no record names as well
    std::string programFolder;    // where the record of the last hand-over lives
    platform::System& system;
    ui::Application& application;
};

// What became of one hive.
struct HiveUndo {
    std::string hivePath;
    std::string hiveFile;
    bool handedOver = false;   // the registry took the backup; in place after the restart
    std::string reason;        // why not, when it was not
    bool hasBackup = true;     // false: passed over, there was nothing to put back
};

enum class UndoEnd {
    NothingToUndo,      // no hive has a backup
    OnlyUnrecorded,     // the only backups are ones no record names, and they were not asked for
    NotAllPutBack,      // a hive of the set cannot be put back, so none was handed over
    HandOverWaiting,    // an earlier hand-over still waits for its restart
    NotConfirmed,       // the question was answered No
    NothingPutBack,     // no backup was accepted, so no restart
    RestartRequested,
    RestartRefused,     // backups were handed over, but Windows refused to restart
};

struct UndoOutcome {
    UndoEnd end = UndoEnd::NothingToUndo;
    std::vector<HiveUndo> hives;   // every hive with a file, in list order, once the hand-over began
    std::string message;           // what the user is told, for the console of an unattended run
};

// The date the question names: the record of the last Defrag's hand-over, else the time of the
// first backup file; empty when neither is known.
std::string BackupDate(platform::System& system, const std::string& programFolder,
                       const std::vector<std::string>& hiveFileList);

UndoOutcome UndoDefrag(const UndoWindow& window);

}  // namespace kelvara::defrag
