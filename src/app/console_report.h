// The main window as text: its hive list (the four columns) and its four totals, and what the
// Defrag command and the restart did with each hive, for the Linux program, which has no screen
// to show them on.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "defrag/defrag_commit.h"
#include "defrag/undo_registry.h"
#include "platform/system.h"

namespace kelvara::app {

class TfrmMain;

void PrintMainWindowReport(const TfrmMain& form, std::ostream& out);

// What the platform did when it saved the hives beyond copying them (a dirty hive recovered from
// its logs), one line each; nothing when it had nothing to tell.
void PrintSaveNotes(platform::System& system, std::ostream& out);

// After a Defrag command, one line per hive: replaced, with the old file's size (now the
// backup) and the new one's, or handed over where Windows takes it at its next start; or not
// replaced, and why. A waiting hand-over and a refused restart are said too.
void PrintReplacementReport(const defrag::DefragOutcome& outcome, platform::System& system, std::ostream& out);

// After an Undo command: its message when it ended early, else one line per hive with a backup:
// put back, with the sizes of the hive now and of the file kept as .undone; or not, and why.
void PrintUndoReport(const defrag::UndoOutcome& outcome, platform::System& system, std::ostream& out);

}  // namespace kelvara::app
