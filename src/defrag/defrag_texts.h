// Texts of the program's string table that the Defrag command and its windows show, as stored:
// they are not looked up in a language file. The product title is the hive commands' own.
#pragma once

namespace kelvara::defrag {

inline constexpr const char* kRestartText =
    "You must restart your computer for the changes to take effect. Click the OK button to "
    "restart your computer now.";
inline constexpr const char* kRestorePointFailedText =
    "Restore Point creation Failed! Please check whether you close the system restore. Contiue "
    "to defrag?";

// The description the restore point is recorded under.
inline constexpr const char* kRestorePointDescription = "Made by Varnel Kelvara";

// When the registry accepted no replacement there is nothing a restart would change: the user is
// told so, with each hive's reason on a line of its own, instead of losing the open work.
inline constexpr const char* kNothingReplacedText =
    "No hive could be replaced, so Windows is not restarted:";

}  // namespace kelvara::defrag
