// The "Defrag Registry" command: after the confirmation and the restore point that the settings
// ask for, every hive and its compacted copy go to the registry's replace operation, and Windows
// restarts so the copies take the hives' places (the old files stay as <hive file>.bak).
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::ui {
class Application;
class Form;
}  // namespace kelvara::ui

namespace kelvara::defrag {

// The pieces of the main window the command reads.
struct DefragWindow {
    ui::Form& owner;                                // owner of the dialogs
    const std::vector<std::string>& hiveKeyList;
    const std::vector<std::string>& hiveFileList;
    bool silentMode;                                // no dialog, no restore point, no message
    std::string programFolder;                      // where options.ini lives
    platform::System& system;
    ui::Application& application;                   // for the message boxes
};

// What became of one hive at the hand-over.
struct HiveHandOver {
    std::string hivePath;   // as hivelist names it
    std::string hiveFile;
    bool accepted = false;  // the registry took the file: the hive's name holds it now
    std::string reason;     // why not, when it was not
};

enum class DefragEnd {
    HandOverWaiting,       // an earlier hand-over still waits for Windows to restart
    NotConfirmed,          // the confirm dialog was answered No or closed
    RestorePointRefused,   // the restore-point window ended with Cancel
    NothingReplaced,       // no hive was accepted, so no restart
    RestartRequested,
    RestartRefused,        // hives were handed over, but Windows refused to restart (and the
                           // user, asked again, did not restart)
};

struct DefragOutcome {
    DefragEnd end = DefragEnd::NotConfirmed;
    std::vector<HiveHandOver> hives;   // in list order, once the hand-over was reached
};

// bDefragRegistryClick's body. A settings file that cannot be written after the confirm dialog
// raises settings::WriteError, which ends the command there.
DefragOutcome DefragRegistry(const DefragWindow& window);

// True when some hives were handed over and others were not.
bool PartlyHandedOver(const DefragOutcome& outcome);

// Where the registry is the running system's, the copy is saved again right before its hand-over
// (the same save as the analysis's), so that what was written since the analysis (a program
// installed while the window stood open) is not undone at the next start. The window's figures
// stay those of the analysis. False, with the reason, when the save failed: the hive is then
// passed over. Elsewhere nothing writes the registry while the program works, and the copy stays.
bool RefreshCopy(platform::System& system, const std::string& hivePath, const std::string& hiveFile,
                 std::string& reason);

// The registry key a hive path names: the text after "REGISTRY\MACHINE\" under
// HKEY_LOCAL_MACHINE, else after "REGISTRY\USER\" under HKEY_USERS, found anywhere in the path
// without regard to case; a path with neither is HKEY_USERS with no sub-key, which the registry
// refuses.
struct ReplacementKey {
    platform::RootKey root = platform::RootKey::Users;
    std::string subKey;
};
ReplacementKey ReplacementKeyOf(const std::string& hivePath);

// Hands newFile to the registry's replace call for the hive, the current file to be kept as
// backupFile (the call renames both at once; see System::RegReplaceKey), deleting a backup an
// earlier run left first. Answers the registry's status.
long ReplaceHiveStatus(platform::System& system, const std::string& hivePath, const std::string& newFile,
                       const std::string& backupFile);
// True when the registry accepted the request.
bool ReplaceHive(platform::System& system, const std::string& hivePath, const std::string& newFile,
                 const std::string& backupFile);

}  // namespace kelvara::defrag
