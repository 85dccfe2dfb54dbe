#include "app/exit_code.h"

namespace kelvara::app {
namespace {

// Where the restart's results are known, a hand-over that no restart carried out replaced
// nothing; where they are not (Windows restarts later), the accepted requests are all we know.
bool AnyHiveReplaced(const defrag::DefragOutcome& outcome, const RestartResultOf& restartResultOf) {
    if (!restartResultOf) return true;
    for (const defrag::HiveHandOver& hive : outcome.hives) {
        if (!hive.accepted) continue;
        const std::optional<RestartResult> result = restartResultOf(hive.hiveFile);
        if (result && result->replaced) return true;
    }
    return false;
}

}  // namespace

int ProgramExitCode(common::UnattendedMode mode, bool jobDone, const defrag::DefragOutcome& lastDefrag,
                    const RestartResultOf& restartResultOf) {
    switch (mode) {
    case common::UnattendedMode::None: return kExitJobDone;
    case common::UnattendedMode::Scan: return jobDone ? kExitJobDone : kExitJobNotDone;
    case common::UnattendedMode::Silent:
        return jobDone && AnyHiveReplaced(lastDefrag, restartResultOf) ? kExitJobDone : kExitJobNotDone;
    case common::UnattendedMode::Undo: return jobDone ? kExitJobDone : kExitJobNotDone;   // see UndoExitCode
    }
    return kExitJobNotDone;
}

int UndoExitCode(const defrag::UndoOutcome& lastUndo, const RestartResultOf& restartResultOf) {
    if (lastUndo.end != defrag::UndoEnd::RestartRequested) return kExitJobNotDone;
    std::size_t putBack = 0, withBackup = 0;
    for (const defrag::HiveUndo& hive : lastUndo.hives) {
        if (hive.hasBackup) ++withBackup;
        if (!hive.handedOver) continue;
        const std::optional<RestartResult> result = restartResultOf ? restartResultOf(hive.hiveFile) : std::nullopt;
        if (!restartResultOf || (result && result->replaced)) ++putBack;
    }
    if (putBack == 0) return kExitJobNotDone;
    return putBack == withBackup ? kExitJobDone : kExitPartly;
}

}  // namespace kelvara::app
