// The exit code of every way a run can end: interactive use, /Scan and /Silent done or not, a
// /Silent run that handed over only some hives (2), one whose restart Windows refused (3), and
// one that found an earlier hand-over still waiting (1).
#include <gtest/gtest.h>

#include "app/exit_code.h"

namespace kelvara::app {
namespace {

using common::UnattendedMode;

defrag::DefragOutcome HandedOver(std::vector<std::pair<std::string, bool>> hives) {
    defrag::DefragOutcome outcome;
    outcome.end = defrag::DefragEnd::RestartRequested;
    for (auto& [file, accepted] : hives) outcome.hives.push_back({"\\REGISTRY\\MACHINE\\" + file, file, accepted, ""});
    return outcome;
}

defrag::DefragOutcome Refused(defrag::DefragOutcome outcome) {
    outcome.end = defrag::DefragEnd::RestartRefused;
    return outcome;
}

defrag::DefragOutcome Ended(defrag::DefragEnd end) {
    defrag::DefragOutcome outcome;
    outcome.end = end;
    return outcome;
}

TEST(ProgramExitCode, EveryWayARunEnds) {
    struct Case {
        const char* name;
        UnattendedMode mode;
        bool jobDone;
        defrag::DefragOutcome defrag;
        int expected;
    };
    const auto twoHives = HandedOver({{"SYSTEM", true}, {"SOFTWARE", true}});
    const Case cases[] = {
        {"by hand, nothing done", UnattendedMode::None, false, {}, 0},
        {"by hand, hives replaced", UnattendedMode::None, false, twoHives, 0},
        {"/Scan done", UnattendedMode::Scan, true, {}, 0},
        {"/Scan not done", UnattendedMode::Scan, false, {}, 1},
        {"/Silent not done", UnattendedMode::Silent, false, twoHives, 1},
        {"/Silent, both handed over", UnattendedMode::Silent, true, twoHives, 0},
        {"/Silent, one of two handed over", UnattendedMode::Silent, true,
         HandedOver({{"SYSTEM", true}, {"SOFTWARE", false}}), 2},
        {"/Silent, none handed over", UnattendedMode::Silent, true,
         HandedOver({{"SYSTEM", false}, {"SOFTWARE", false}}), 1},
        {"/Silent, handed over, restart refused", UnattendedMode::Silent, false, Refused(twoHives), 3},
        {"/Silent, partly handed over, restart refused", UnattendedMode::Silent, false,
         Refused(HandedOver({{"SYSTEM", true}, {"SOFTWARE", false}})), 3},
        {"/Silent, an earlier hand-over waits", UnattendedMode::Silent, false,
         Ended(defrag::DefragEnd::HandOverWaiting), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgramExitCode(c.mode, c.jobDone, c.defrag), c.expected);
    }
}

defrag::UndoOutcome PutBack(defrag::UndoEnd end, std::vector<std::pair<std::string, bool>> hives) {
    defrag::UndoOutcome outcome;
    outcome.end = end;
    for (auto& [file, handedOver] : hives) outcome.hives.push_back({"\\REGISTRY\\MACHINE\\" + file, file, handedOver, ""});
    return outcome;
}

TEST(UndoExitCode, AllSomeOrNone) {
    using defrag::UndoEnd;
    struct Case {
        const char* name;
        defrag::UndoOutcome undo;
        int expected;
    };
    const Case cases[] = {
        {"nothing to undo", PutBack(UndoEnd::NothingToUndo, {}), 1},
        {"only backups no record names", PutBack(UndoEnd::OnlyUnrecorded, {}), 1},
        {"one of the set cannot be put back", PutBack(UndoEnd::NotAllPutBack, {{"SYSTEM", false}, {"SAM", false}}), 1},
        {"Windows refused the restart", PutBack(UndoEnd::RestartRefused, {{"SYSTEM", true}}), 3},
        {"a hand-over waits", PutBack(UndoEnd::HandOverWaiting, {}), 1},
        {"no backup accepted", PutBack(UndoEnd::NothingPutBack, {{"SYSTEM", false}}), 1},
        {"both put back", PutBack(UndoEnd::RestartRequested, {{"SYSTEM", true}, {"SAM", true}}), 0},
        {"the rest put back, as the user chose", PutBack(UndoEnd::RestartRequested, {{"SYSTEM", true}, {"SAM", false}}), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UndoExitCode(c.undo), c.expected);
    }
}

}  // namespace
}  // namespace kelvara::app
