// Texts of the Undo command, shown in English like the Defrag command's own messages.
#pragma once

namespace kelvara::defrag {

inline constexpr const char* kUndoNothingText =
    "No hive has a backup (<hive file>.bak), so there is nothing to undo.";
inline constexpr const char* kUndoWaitingText =
    "A replacement of the hives is still waiting for Windows to restart. Restart Windows first, then undo.";
// Backups that the record of the last defragmentation does not name (an older defragmentation's,
// another tool's): a plain Undo leaves them, since putting one back could roll its hive back by
// months. Followed by a line per backup with its date.
inline constexpr const char* kUndoUnrecordedText =
    "These backups are not from the last defragmentation, so Undo leaves them as they are "
    "(/Undo /AnyBackup puts them back):";
inline constexpr const char* kUndoUnrecordedHeading = "These backups are not from the last defragmentation:";
inline constexpr const char* kUndoUnrecordedQuestionText =
    "\n\nPutting one back returns its hive to the day of the backup, and hives of different days may "
    "not work together (SAM and SECURITY hold the passwords together). Put them back as well?";
// Hives of one generation belong together: unattended, nothing is put back when one cannot be.
// Followed by a line per hive with its reason.
inline constexpr const char* kUndoNotAllText =
    "Not every hive of the last defragmentation can be put back, so none is:";
inline constexpr const char* kUndoRestQuestionText =
    "\n\nHives of one day belong together: a SAM of one day with a SECURITY of another may break "
    "signing in. Put back the others all the same?";
// The reason for a backup that an unclean shutdown left dirty, with no logs of its own: the logs
// at the hive's name belong to the hive in use, and Windows takes no logs along when it renames.
inline constexpr const char* kUndoDirtyBackupReason =
    "the backup was left dirty by an unclean shutdown and has no logs of its own to recover it from";
// %s: the date of the backups.
inline constexpr const char* kUndoQuestionText =
    "Put back the registry as it was before the defragmentation of %s?\n\n"
    "Registry changes made since then will be lost. The hives in use now are kept as "
    "<hive file>.undone until the next defragmentation, and Windows restarts.";
inline constexpr const char* kUndoQuestionUndatedText =
    "Put back the registry as it was before the last defragmentation?\n\n"
    "Registry changes made since then will be lost. The hives in use now are kept as "
    "<hive file>.undone until the next defragmentation, and Windows restarts.";
inline constexpr const char* kUndoNothingPutBackText = "No hive could be put back, so Windows is not restarted:";

}  // namespace kelvara::defrag
