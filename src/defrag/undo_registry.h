// The Undo command, the way back from a defragmentation: every hive whose backup
// (<hive file>.bak) is still there and passes the check, with the logs beside it, is handed to
// the registry's replace operation in the hive's place; the file in use now is kept as
// <hive file>.undone. Windows then restarts, as after a Defrag; on an installation in a folder
// the swap happens at once and each hive's logs move with it, so every hive file is again,
// byte for byte, the file from before the defragmentation.
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
    HandOverWaiting,    // an earlier hand-over still waits for its restart
    NotConfirmed,       // the question was answered No
    NothingPutBack,     // no backup was accepted, so no restart
    RestartRequested,
};

struct UndoOutcome {
    UndoEnd end = UndoEnd::NothingToUndo;
    std::vector<HiveUndo> hives;   // every hive with a file, in list order, once the hand-over began
    std::string message;           // what the user is told, for the console of an unattended run
};

// True while a file handed over (a compacted copy, a backup to be put back) is still held for
// the next start: a hand-over is then waiting for its restart.
bool HandOverWaiting(platform::System& system, const std::vector<std::string>& hiveFileList);

// The date the question names: the record of the last Defrag's hand-over, else the time of the
// first backup file; empty when neither is known.
std::string BackupDate(platform::System& system, const std::string& programFolder,
                       const std::vector<std::string>& hiveFileList);

UndoOutcome UndoDefrag(const UndoWindow& window);

}  // namespace kelvara::defrag
