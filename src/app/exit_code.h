// The program's exit code: how a script or a scheduler learns whether an unattended run did its
// job. Interactive use ends with 0 whatever happened in it, as a desktop program does.
#pragma once

#include "app/console_report.h"
#include "common/command_line.h"
#include "defrag/defrag_commit.h"
#include "defrag/undo_registry.h"

namespace kelvara::app {

inline constexpr int kExitJobDone = 0;
inline constexpr int kExitJobNotDone = 1;
inline constexpr int kExitPartly = 2;

// /Silent and /Scan: 0 when the run's handler found its job done (`jobDone`), 1 otherwise, and
// also 1 when no run started at all (no supported Windows). For
// /Silent where the platform restarts by itself (an installation in a folder), the restart must
// also have put at least one copy in its hive's place.
int ProgramExitCode(common::UnattendedMode mode, bool jobDone, const defrag::DefragOutcome& lastDefrag,
                    const RestartResultOf& restartResultOf);

// /Undo: 0 when every hive with a backup was put back, 2 when only some were, 1 when none was or
// no hive had a backup. Where the platform restarts by itself, a hive counts once the restart
// put it back; elsewhere once the registry accepted it.
int UndoExitCode(const defrag::UndoOutcome& lastUndo, const RestartResultOf& restartResultOf);

}  // namespace kelvara::app
