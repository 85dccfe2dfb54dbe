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

// Windows refused the restart. The hives were renamed by the replace calls, and Windows goes on
// in the old files until it restarts: whatever is written to the registry until then is lost.
// Someone at the screen is asked to restart now, as often as Windows refuses.
inline constexpr const char* kRestartRefusedText =
    "Windows refused to restart. The new hives are in place, but Windows goes on using the old ones "
    "until it restarts: every registry change made before the restart will be lost.\n\n"
    "Restart Windows now?";
// The same, for the console of an unattended run, which nobody can answer.
inline constexpr const char* kRestartRefusedUnattendedText =
    "Windows refused to restart. The new hives are in place, but Windows goes on using the old ones "
    "until it restarts: every registry change made before the restart will be lost. Restart Windows now.";

// A hand-over that still waits for Windows to restart: the hives' names already hold the files
// handed over, so nothing may be handed over again until Windows has started on them.
inline constexpr const char* kDefragWaitingText =
    "The hives handed over last time are waiting for Windows to restart. Restart Windows first: "
    "every registry change made before the restart will be lost.";

// The record of the hand-over must exist before the first replace call, or the next start could
// not tell what happened; followed by the record's path.
inline constexpr const char* kRecordNotWrittenReason = "not handed over: cannot write the record of the hand-over ";

// A hive after the file-system redirector could not be turned back on: file names might then
// reach other files, so it is not handed over.
inline constexpr const char* kRedirectionLostReason =
    "not handed over: the file-system redirection of 64-bit Windows could not be turned back on";

}  // namespace kelvara::defrag
