// Texts the Defrag command and its windows show beyond the program's string table (the restart
// notice, the restore-point question and the product title come from there, as stored: they are
// not looked up in a language file).
#pragma once

namespace kelvara::defrag {

// The description the restore point is recorded under.
inline constexpr const char* kRestorePointDescription = "Made by Varnel Kelvara";

// When the registry accepted no replacement there is nothing a restart would change: the user is
// told so, with each hive's reason on a line of its own, instead of losing the open work.
inline constexpr const char* kNothingReplacedText =
    "No hive could be replaced, so Windows is not restarted:";

}  // namespace kelvara::defrag
