// Texts of the Undo command, shown in English like the Defrag command's own messages.
#pragma once

namespace kelvara::defrag {

inline constexpr const char* kUndoNothingText =
    "No hive has a backup (<hive file>.bak), so there is nothing to undo.";
inline constexpr const char* kUndoWaitingText =
    "A replacement of the hives is still waiting for Windows to restart. Restart Windows first, then undo.";
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
