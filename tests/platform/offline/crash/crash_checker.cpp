#include "platform/offline/crash/crash_checker.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "regf/regf.h"

namespace kelvara::crash {
namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::size_t Hash(const std::string& bytes) { return std::hash<std::string>{}(bytes); }

void WriteFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What follows the hive's own name in the names of its family, in lower case.
const std::set<std::string> kBases = {"", ".bak", ".undone"};
const std::set<std::string> kLogs = {".log", ".log1", ".log2"};

// The part of `name` after the hive's file name, in lower case, when `name` is of its family.
bool FamilySuffix(const std::string& name, const std::string& hive, std::string& suffix) {
    const fs::path file(name), hiveFile(hive);
    if (file.parent_path() != hiveFile.parent_path()) return false;
    const std::string base = Lower(file.filename().string()), hiveName = Lower(hiveFile.filename().string());
    if (base.compare(0, hiveName.size(), hiveName) != 0) return false;
    suffix = base.substr(hiveName.size());
    for (const std::string& front : kBases) {
        if (suffix == front) return true;
        for (const std::string& log : kLogs)
            if (suffix == front + log) return true;
    }
    return false;
}

bool IsBase(const std::string& suffix) { return kBases.count(suffix) != 0; }

// The name in `state` of the log `logSuffix` (".log1") of the file `base`, or empty.
std::string LogOf(const Snapshot& state, const std::string& base, const std::string& logSuffix) {
    const std::string wanted = Lower(base + logSuffix);
    for (const auto& [name, bytes] : state)
        if (Lower(name) == wanted) return name;
    return {};
}

const std::string* Find(const Snapshot& state, const std::string& name) {
    auto it = state.find(name);
    return it == state.end() ? nullptr : &it->second;
}

}  // namespace

Snapshot TakeSnapshot(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), folder).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

std::vector<std::string> HiveNames(const Snapshot& installation) {
    std::vector<std::string> hives;
    for (const auto& [name, bytes] : installation) {
        const std::string lower = Lower(name);
        if (bytes.compare(0, 4, "regf") != 0) continue;
        bool ours = false;
        for (const char* end : {".log", ".log1", ".log2", ".bak", ".undone", ".kvf"}) ours = ours || EndsWith(lower, end);
        if (!ours) hives.push_back(name);
    }
    return hives;
}

CrashChecker::CrashChecker(Snapshot before, Snapshot after, Snapshot original, fs::path scratch)
    : before_(std::move(before)), after_(std::move(after)), original_(std::move(original)), scratch_(std::move(scratch)),
      hives_(HiveNames(original_)) {
    // What each hive holds as Windows would load it: the original file with its logs applied.
    for (const std::string& hive : hives_) {
        const fs::path folder = scratch_ / "expected";
        fs::remove_all(folder);
        for (const std::string& name : Family(original_, hive)) WriteFile(folder / name, original_.at(name));
        auto recovered = regf::RecoverHiveFile((folder / hive).string());
        expectedExport_[hive] = recovered.ok()
                                    ? Export(std::string(recovered->bytes.begin(), recovered->bytes.end()))
                                    : "(the original cannot be loaded: " + recovered.error().message + ")";
    }
}

std::vector<std::string> CrashChecker::Family(const Snapshot& state, const std::string& hive) const {
    std::vector<std::string> names;
    std::string suffix;
    for (const auto& [name, bytes] : state)
        if (FamilySuffix(name, hive, suffix)) names.push_back(name);
    return names;
}

std::string CrashChecker::Export(const std::string& hiveBytes) {
    // Shared by every checker of the process: the same hives come back in every exploration.
    static std::map<std::size_t, std::string> exports;
    const std::size_t key = Hash(hiveBytes);
    auto known = exports.find(key);
    if (known != exports.end()) return known->second;
    const fs::path file = scratch_ / "exported";
    WriteFile(file, hiveBytes);
    const crosscheck::ToolOutput run = crosscheck::RunTool({"hivexregedit", "--export", file.string(), "\\"});
    const std::string text = run.exitCode == 0 ? run.out : "(hivexregedit cannot read it: " + run.err + ")";
    return exports[key] = text;
}

std::string CrashChecker::ContentProblem(const fs::path& folder, const std::string& name, const std::string& hive) {
    auto recovered = regf::RecoverHiveFile((folder / name).string());
    if (!recovered.ok()) return name + " does not load: " + recovered.error().message;
    if (Export(std::string(recovered->bytes.begin(), recovered->bytes.end())) != expectedExport_.at(hive))
        return name + " does not hold what " + hive + " held (hivexregedit --export differs)";
    return {};
}

std::vector<std::string> CrashChecker::CheckCrashState(const fs::path& folder) {
    const Snapshot state = TakeSnapshot(folder);
    std::vector<std::string> problems;
    for (const std::string& hive : hives_) {
        std::set<std::size_t> known;
        for (const Snapshot* source : {&before_, &after_})
            for (const std::string& name : Family(*source, hive)) known.insert(Hash(source->at(name)));

        std::string suffix;
        for (const std::string& name : Family(state, hive)) {
            const std::string& bytes = state.at(name);
            if (!known.count(Hash(bytes)))
                problems.push_back(name + " (" + std::to_string(bytes.size()) +
                                   " bytes) is none of the files from before or after the command");
            FamilySuffix(name, hive, suffix);
            if (!IsBase(suffix)) continue;
            // Each log beside it must be the log that went with these bytes before or after.
            for (const std::string& log : kLogs) {
                const std::string logName = LogOf(state, name, log);
                if (logName.empty()) continue;
                bool belongs = false;
                for (const Snapshot* source : {&before_, &after_})
                    for (const std::string& base : Family(*source, hive)) {
                        const std::string sourceLog = LogOf(*source, base, log);
                        belongs = belongs || (source->at(base) == bytes && !sourceLog.empty() &&
                                              source->at(sourceLog) == state.at(logName));
                    }
                if (!belongs) problems.push_back(logName + " is not the log of " + name + "'s generation");
            }
            const std::string problem = ContentProblem(folder, name, hive);
            if (!problem.empty()) problems.push_back(problem);
        }

        // Until the new hive is in place, the old one is whole under one of the family's names.
        const std::string* now = Find(state, hive);
        const std::string* wanted = Find(after_, hive);
        if (now && wanted && *now == *wanted) continue;
        const std::string& old = before_.at(hive);
        bool oldWhole = false;
        for (const std::string& name : Family(state, hive))
            if (FamilySuffix(name, hive, suffix) && IsBase(suffix) && state.at(name) == old) oldWhole = true;
        if (!oldWhole) problems.push_back(hive + ": neither the new hive is in place nor the old one whole");
    }
    return problems;
}

std::vector<std::string> CrashChecker::CheckAfterNext(const fs::path& folder, const std::string& arguments,
                                                      const crosscheck::ToolOutput& run,
                                                      const crosscheck::ToolOutput& scan) {
    const Snapshot state = TakeSnapshot(folder);
    std::vector<std::string> problems;
    const std::string said = "(" + arguments + " ended with " + std::to_string(run.exitCode) + ")";
    if (run.exitCode < 0 || run.exitCode > 3) problems.push_back(arguments + " ended with exit code " + std::to_string(run.exitCode));
    if (run.out.empty() && run.err.empty()) problems.push_back(arguments + " said nothing " + said);

    std::size_t replaced = 0;
    for (std::size_t at = run.out.find(" replaced ("); at != std::string::npos; at = run.out.find(" replaced (", at + 1))
        ++replaced;
    if (arguments == "/Silent" && run.exitCode == 0 && replaced < hives_.size())
        problems.push_back("/Silent ended with 0 but reports " + std::to_string(replaced) + " of " +
                           std::to_string(hives_.size()) + " hives replaced");

    for (const std::string& hive : hives_) {
        if (!Find(state, hive)) {
            problems.push_back(hive + " is missing " + said);
            continue;
        }
        const std::string problem = ContentProblem(folder, hive, hive);
        if (!problem.empty()) problems.push_back(problem + " " + said);
        // A job undone gives back every hive and log byte for byte.
        if (arguments != "/Undo" || run.exitCode != 0) continue;
        for (const std::string& name : Family(original_, hive)) {
            const std::string* now = Find(state, name);
            if (!now || *now != original_.at(name)) problems.push_back(name + " is not the original file " + said);
        }
    }
    if (scan.exitCode != 0)
        problems.push_back("/Scan afterwards ended with " + std::to_string(scan.exitCode) + ": " + scan.err);
    return problems;
}

}  // namespace kelvara::crash
