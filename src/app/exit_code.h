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
inline constexpr int kExitPartly = 2;            // some hives were handed over, others were not
inline constexpr int kExitRestartRefused = 3;    // hives handed over, but Windows refused to restart
inline constexpr int kExitAlreadyRunning = 4;    // another instance runs: nothing was done

// What the Linux build says on standard error when it ends with kExitAlreadyRunning.
inline constexpr const char* kAlreadyRunningText = "another instance is running; nothing was done";

// /Silent and /Scan: 0 when the run's handler found its job done (`jobDone`), 1 otherwise, and
// also 1 when no run started at all (no supported Windows). /Silent: 1 also when no hive was
// handed over, or an earlier hand-over still waits for Windows to restart; 2 when only some
// hives were handed over (the others left out or refused); 3 when hives were handed over and
// Windows refused the restart. Each call's answer is its hive's outcome: where nothing runs on
// the hives the call completes the replacement, and on Windows nothing more can be known before
// the restart.
int ProgramExitCode(common::UnattendedMode mode, bool jobDone, const defrag::DefragOutcome& lastDefrag);

// /Undo: 0 when every hive of its set was put back, 2 when only some were (the user chose to put
// back the rest), 1 when none was, nothing was there to undo, or a hand-over waits; 3 when they
// were handed over but Windows refused to restart.
int UndoExitCode(const defrag::UndoOutcome& lastUndo);

}  // namespace kelvara::app
