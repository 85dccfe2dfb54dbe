// The exit code of every way a run can end: interactive use, /Scan and /Silent done or not, a
// /Silent run whose restart, where the program carries it out itself, replaced nothing, a /Silent
// run that replaced only some hives (2) and one whose restart Windows refused (3).
#include <gtest/gtest.h>

#include <map>

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

// The restart's results by file: replaced or not; files without an entry had no request.
RestartResultOf Restart(std::map<std::string, bool> replaced) {
    return [replaced](const std::string& file) -> std::optional<RestartResult> {
        auto it = replaced.find(file);
        if (it == replaced.end()) return std::nullopt;
        return RestartResult{it->second, it->second ? "" : "the copy is damaged"};
    };
}

TEST(ProgramExitCode, EveryWayARunEnds) {
    struct Case {
        const char* name;
        UnattendedMode mode;
        bool jobDone;
        defrag::DefragOutcome defrag;
        RestartResultOf restart;
        int expected;
    };
    const auto twoHives = HandedOver({{"SYSTEM", true}, {"SOFTWARE", true}});
    const Case cases[] = {
        {"by hand, nothing done", UnattendedMode::None, false, {}, {}, 0},
        {"by hand, hives replaced", UnattendedMode::None, false, twoHives, Restart({{"SYSTEM", false}}), 0},
        {"/Scan done", UnattendedMode::Scan, true, {}, {}, 0},
        {"/Scan not done", UnattendedMode::Scan, false, {}, {}, 1},
        {"/Silent not done", UnattendedMode::Silent, false, twoHives, {}, 1},
        {"/Silent, Windows restarts later", UnattendedMode::Silent, true, twoHives, {}, 0},
        {"/Silent, both replaced at the restart", UnattendedMode::Silent, true, twoHives,
         Restart({{"SYSTEM", true}, {"SOFTWARE", true}}), 0},
        {"/Silent, one of two replaced", UnattendedMode::Silent, true, twoHives,
         Restart({{"SYSTEM", false}, {"SOFTWARE", true}}), 2},
        {"/Silent, one of two handed over, Windows restarts later", UnattendedMode::Silent, true,
         HandedOver({{"SYSTEM", true}, {"SOFTWARE", false}}), {}, 2},
        {"/Silent, handed over, restart refused", UnattendedMode::Silent, false, Refused(twoHives), {}, 3},
        {"/Silent, partly handed over, restart refused", UnattendedMode::Silent, false,
         Refused(HandedOver({{"SYSTEM", true}, {"SOFTWARE", false}})), {}, 3},
        {"/Silent, the restart replaced none", UnattendedMode::Silent, true, twoHives,
         Restart({{"SYSTEM", false}, {"SOFTWARE", false}}), 1},
        {"/Silent, the restart did not run", UnattendedMode::Silent, true, twoHives, Restart({}), 1},
        {"/Silent, only a refused hand-over replaced", UnattendedMode::Silent, true,
         HandedOver({{"SYSTEM", false}}), Restart({{"SYSTEM", true}}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgramExitCode(c.mode, c.jobDone, c.defrag, c.restart), c.expected);
    }
}

defrag::UndoOutcome PutBack(defrag::UndoEnd end, std::vector<std::pair<std::string, bool>> hives) {
    defrag::UndoOutcome outcome;
    outcome.end = end;
    for (auto& [file, handedOver] : hives) outcome.hives.push_back({"\\REGISTRY\\MACHINE\\" + file, file, handedOver, ""});
    return outcome;
}

defrag::UndoOutcome WithoutBackup(defrag::UndoOutcome outcome, const std::string& file) {
    for (auto& hive : outcome.hives)
        if (hive.hiveFile == file) hive = {hive.hivePath, file, false, file + ".bak does not exist", false};
    return outcome;
}

TEST(UndoExitCode, AllSomeOrNone) {
    using defrag::UndoEnd;
    struct Case {
        const char* name;
        defrag::UndoOutcome undo;
        RestartResultOf restart;
        int expected;
    };
    const auto both = PutBack(UndoEnd::RestartRequested, {{"SYSTEM", true}, {"SAM", true}});
    const auto one = PutBack(UndoEnd::RestartRequested, {{"SYSTEM", true}, {"SAM", false}});
    const Case cases[] = {
        {"nothing to undo", PutBack(UndoEnd::NothingToUndo, {}), {}, 1},
        {"Windows refused the restart", PutBack(UndoEnd::RestartRefused, {{"SYSTEM", true}}), {}, 3},
        {"a hand-over waits", PutBack(UndoEnd::HandOverWaiting, {}), {}, 1},
        {"no backup accepted", PutBack(UndoEnd::NothingPutBack, {{"SYSTEM", false}}), {}, 1},
        {"Windows puts both back later", both, {}, 0},
        {"Windows puts one of two back later", one, {}, 2},
        {"both put back at once", both, Restart({{"SYSTEM", true}, {"SAM", true}}), 0},
        {"one of two put back at once", both, Restart({{"SYSTEM", true}, {"SAM", false}}), 2},
        {"none put back at once", both, Restart({{"SYSTEM", false}, {"SAM", false}}), 1},
        {"one of two checked, and put back", one, Restart({{"SYSTEM", true}}), 2},
        {"the one hive with a backup put back", WithoutBackup(both, "SAM"), Restart({{"SYSTEM", true}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UndoExitCode(c.undo, c.restart), c.expected);
    }
}

}  // namespace
}  // namespace kelvara::app
