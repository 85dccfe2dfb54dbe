#include "platform/offline/crash/crash_explorer.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <numeric>
#include <random>

#include "platform/offline/crash/crash_checker.h"
#include "platform/offline/crash/file_operation_recorder.h"
#include "platform/offline/crash/in_process_run.h"
#include "platform/offline/installation_builder.h"

namespace kelvara::crash {
namespace fs = std::filesystem;
using platform::offline::testing::TempFolder;

namespace {

// The indexes of the states to try: all, or a seeded sample that always holds the first and
// the last (no operation, every operation).
std::vector<std::size_t> Chosen(std::size_t count, std::size_t sample, std::uint64_t seed) {
    std::vector<std::size_t> all(count);
    std::iota(all.begin(), all.end(), 0);
    if (sample == 0 || sample >= count) return all;
    std::vector<std::size_t> middle(all.begin() + 1, all.end());
    std::shuffle(middle.begin(), middle.end(), std::mt19937_64(seed));
    std::vector<std::size_t> chosen{0};
    chosen.insert(chosen.end(), middle.begin(), middle.begin() + static_cast<std::ptrdiff_t>(sample - 1));
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

// The names whose bytes differ between two snapshots.
std::vector<std::string> Differences(const Snapshot& a, const Snapshot& b) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : a)
        if (!b.count(name) || b.at(name) != bytes) names.push_back(name);
    for (const auto& [name, bytes] : b)
        if (!a.count(name)) names.push_back(name);
    return names;
}

// Puts the identities `renumbered` gives in place of the recorded ones in the hand-over record
// (HiveN=state|current size|new size|identity|...), wherever the state holds one.
void RenumberHandOverRecord(const fs::path& folder, const std::map<std::uint64_t, std::uint64_t>& renumbered) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() != "LastHandOver.ini") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), out;
        in.close();
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t a = line.find('|'), b = line.find('|', a + 1), c = line.find('|', b + 1),
                              d = line.find('|', c + 1);
            if (line.rfind("Hive", 0) == 0 && d != std::string::npos) {
                const std::string field = line.substr(c + 1, d - c - 1);
                auto it = field.empty() ? renumbered.end() : renumbered.find(std::strtoull(field.c_str(), nullptr, 10));
                if (it != renumbered.end()) line = line.substr(0, c + 1) + std::to_string(it->second) + line.substr(d);
            }
            out += line + "\n";
        }
        if (!text.empty() && text.back() != '\n') out.pop_back();
        std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << out;
    }
}

class ProgramRunner {
public:
    ProgramRunner(const fs::path& program, const fs::path& work)
        : work_(work / "cwd"), runtime_(work / "runtime"), program_(work / "program/kelvara") {
        fs::create_directories(work_);
        fs::create_directories(runtime_);
        fs::create_directories(program_.parent_path());
        fs::copy_file(program, program_);
    }
    crosscheck::ToolOutput Run(const fs::path& root, std::vector<std::string> arguments) const {
        // A runtime folder of its own for the single-instance channel: a program running elsewhere
        // must not make these runs second instances.
        std::vector<std::string> argv{"env", "-C", work_.string(), "KELVARA_OFFLINE_ROOT=" + root.string(),
                                      "XDG_RUNTIME_DIR=" + runtime_.string(), program_.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return crosscheck::RunTool(argv);
    }
    fs::path ScanResult() const { return work_ / "scan.ini"; }

private:
    fs::path work_, runtime_, program_;
};

}  // namespace

Figures Explore(const ExplorerSetup& setup) {
    TempFolder work;
    // The command runs in `recorded` itself, after the preparing runs: the hand-over record
    // names files by their identity, which a copy would not keep. `before` is a copy to build
    // the states on.
    const fs::path before = work.Path() / "before", recorded = work.Path() / "recorded";
    const fs::path inProcess = work.Path() / "in-process";
    fs::create_directories(inProcess);
    fs::copy(setup.installation, recorded, fs::copy_options::recursive);
    std::string prepared;
    for (const std::string& step : setup.prepare) prepared += RunInProcess(recorded, inProcess, step) + "\n";
    fs::copy(recorded, before, fs::copy_options::recursive);
    std::map<std::string, std::uint64_t> identities;
    for (const auto& entry : fs::recursive_directory_iterator(recorded))
        if (entry.is_regular_file()) identities[fs::relative(entry.path(), recorded).string()] = IdentityOf(entry.path());

    std::vector<RecordedOperation> operations;
    std::string told;
    {
        FileOperationRecorder recorder(recorded);
        told = RunInProcess(recorded, inProcess, setup.command);
        operations = recorder.Operations();
    }

    Figures figures;
    figures.prepared = prepared;
    figures.told = told;
    figures.operations = operations.size();
    for (const RecordedOperation& operation : operations) figures.recorded.push_back(Describe(operation));
    const Snapshot beforeFiles = TakeSnapshot(before);
    CrashChecker checker(beforeFiles, TakeSnapshot(recorded), TakeSnapshot(setup.installation), work.Path() / "checker");
    const std::vector<CrashState> states = CrashStates(operations, setup.model, setup.bounds);
    figures.states = states.size();

    // Every operation replayed must give what the run gave, or some went past the recorder.
    const fs::path replayed = work.Path() / "replayed";
    CrashState whole{"every operation", {}};
    for (std::size_t i = 0; i < operations.size(); ++i) whole.replays.push_back({i});
    BuildState(before, operations, whole, replayed);
    for (const std::string& name : Differences(TakeSnapshot(replayed), TakeSnapshot(recorded)))
        figures.findings.push_back({whole.name, {}, name + " differs from the run's: an operation was not recorded"});
    if (!figures.findings.empty()) ++figures.failed;
    fs::remove_all(replayed);

    // A state on a real disk holds the recorded run's files themselves; built on a copy, its
    // files have new identities, so the record is told them.
    auto build = [&](const CrashState& state, const fs::path& folder) {
        const auto origins = BuildState(before, operations, state, folder);
        std::map<std::uint64_t, std::uint64_t> renumbered;
        for (const auto& [name, origin] : origins) {
            std::uint64_t old = 0;
            if (origin.rfind("before:", 0) == 0) old = identities[origin.substr(7)];
            else old = operations[std::stoul(origin.substr(8))].identity;
            if (old != 0) renumbered[old] = IdentityOf(folder / name);
        }
        RenumberHandOverRecord(folder, renumbered);
    };
    const ProgramRunner runner(setup.program, work.Path());
    const fs::path stateFolder = work.Path() / "state", runFolder = work.Path() / "run";
    for (std::size_t index : Chosen(states.size(), setup.sample, setup.seed)) {
        const CrashState& state = states[index];
        if (setup.progress) setup.progress(state.name);
        ++figures.tried;
        const std::size_t findingsBefore = figures.findings.size();
        fs::remove_all(stateFolder);
        build(state, stateFolder);
        for (std::string& problem : checker.CheckCrashState(stateFolder))
            figures.findings.push_back({state.name, {}, std::move(problem)});
        for (const std::string& next : setup.nextCommands) {
            fs::remove_all(runFolder);
            build(state, runFolder);
            const crosscheck::ToolOutput run = runner.Run(runFolder, {next});
            const crosscheck::ToolOutput scan = runner.Run(runFolder, {"/Scan", runner.ScanResult().string()});
            for (std::string& problem : checker.CheckAfterNext(runFolder, next, run, scan))
                figures.findings.push_back({state.name, next, std::move(problem)});
        }
        if (figures.findings.size() > findingsBefore) ++figures.failed;
    }
    return figures;
}

}  // namespace kelvara::crash
