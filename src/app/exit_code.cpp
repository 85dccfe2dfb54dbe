#include "app/exit_code.h"

#include <algorithm>

namespace kelvara::app {
namespace {

int SilentExitCode(bool jobDone, const defrag::DefragOutcome& lastDefrag) {
    if (lastDefrag.end == defrag::DefragEnd::RestartRefused) return kExitRestartRefused;
    const auto accepted = [](const defrag::HiveHandOver& h) { return h.accepted; };
    if (!jobDone || std::none_of(lastDefrag.hives.begin(), lastDefrag.hives.end(), accepted)) return kExitJobNotDone;
    return std::all_of(lastDefrag.hives.begin(), lastDefrag.hives.end(), accepted) ? kExitJobDone : kExitPartly;
}

}  // namespace

int ProgramExitCode(common::UnattendedMode mode, bool jobDone, const defrag::DefragOutcome& lastDefrag) {
    switch (mode) {
    case common::UnattendedMode::None: return kExitJobDone;
    case common::UnattendedMode::Scan: return jobDone ? kExitJobDone : kExitJobNotDone;
    case common::UnattendedMode::Silent: return SilentExitCode(jobDone, lastDefrag);
    case common::UnattendedMode::Undo: return jobDone ? kExitJobDone : kExitJobNotDone;   // see UndoExitCode
    }
    return kExitJobNotDone;
}

int UndoExitCode(const defrag::UndoOutcome& lastUndo) {
    if (lastUndo.end == defrag::UndoEnd::RestartRefused) return kExitRestartRefused;
    if (lastUndo.end != defrag::UndoEnd::RestartRequested) return kExitJobNotDone;
    const auto putBack = [](const defrag::HiveUndo& h) { return h.handedOver; };
    if (std::none_of(lastUndo.hives.begin(), lastUndo.hives.end(), putBack)) return kExitJobNotDone;
    return std::all_of(lastUndo.hives.begin(), lastUndo.hives.end(), putBack) ? kExitJobDone : kExitPartly;
}

}  // namespace kelvara::app
