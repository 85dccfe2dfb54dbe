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

// When some hives were handed over and others were not, the user hears which were not before the
// restart notice, with each one's reason on a line of its own.
inline constexpr const char* kPartlyReplacedText =
    "These hives could not be handed over and stay as they are:";

// Windows refused the restart: the hand-overs are not lost, but nothing happens until Windows
// starts again.
inline constexpr const char* kRestartRefusedText =
    "Windows refused to restart. The hives handed over are replaced at the next start of Windows; "
    "until then they stay pending.";

// A hive after the file-system redirector could not be turned back on: file names might then
// reach other files, so it is not handed over.
inline constexpr const char* kRedirectionLostReason =
    "not handed over: the file-system redirection of 64-bit Windows could not be turned back on";

}  // namespace kelvara::defrag
