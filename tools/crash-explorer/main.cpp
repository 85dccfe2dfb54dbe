// Every crash state of /Silent and of /Undo (after a /Silent) on the sample installation, under
// both persistence models; on each state the same command runs again, then /Undo (after
// /Silent) or /Silent (after /Undo), each followed by a /Scan. Prints per command and model how
// many operations were recorded, how many states the model gives, how many were tried and how
// many failed, and each failure.
//
//   crash-explorer [--sample FOLDER] [--program KELVARA] [--only silent|undo]
//                  [--model ordered|unordered] [--limit N] [--seed N] [--window N] [--list 1]
// --limit N tries a seeded sample of N states per command and model instead of all; --window N
// is the number of combinations of one window between flushes tried in full under the second
// model (256 by default; larger windows are bounded as the explorer says); --list 1 prints the
// operations recorded.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/offline/crash/crash_explorer.h"

using namespace kelvara::crash;

namespace {

struct Job {
    const char* name;
    std::vector<std::string> prepare;
    std::string command;
    std::vector<std::string> next;
};

}  // namespace

int main(int argc, char** argv) {
    std::string sample = KV_DEFAULT_SAMPLE, program = KV_KELVARA_PROGRAM, only, model;
    std::size_t limit = 0, window = 256;
    bool list = false;
    std::uint64_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--sample") sample = value;
        else if (option == "--program") program = value;
        else if (option == "--only") only = value;
        else if (option == "--model") model = value;
        else if (option == "--limit") limit = std::strtoull(value.c_str(), nullptr, 10);
        else if (option == "--seed") seed = std::strtoull(value.c_str(), nullptr, 10);
        else if (option == "--list") list = value == "1";
        else if (option == "--window") window = std::strtoull(value.c_str(), nullptr, 10);
        else {
            std::cerr << "unknown option " << option << "\n";
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::cerr << "every option takes a value\n";
        return 2;
    }

    const Job jobs[] = {
        {"silent", {}, "/Silent", {"/Silent", "/Undo"}},
        {"undo", {"/Silent"}, "/Undo", {"/Undo", "/Silent"}},
    };
    std::size_t failedInAll = 0;
    for (const Job& job : jobs) {
        if (!only.empty() && only != job.name) continue;
        for (Persistence persistence : {Persistence::OrderedMetadata, Persistence::NothingOrdered}) {
            if (model == "ordered" && persistence != Persistence::OrderedMetadata) continue;
            if (model == "unordered" && persistence != Persistence::NothingOrdered) continue;
            ExplorerSetup setup;
            setup.program = program;
            setup.installation = sample;
            setup.prepare = job.prepare;
            setup.command = job.command;
            setup.nextCommands = job.next;
            setup.model = persistence;
            setup.bounds.allCombinationsUpTo = window;
            setup.bounds.seed = seed;
            setup.sample = limit;
            setup.seed = seed;
            std::size_t done = 0;
            setup.progress = [&](const std::string&) {
                if (++done % 25 == 0) std::cerr << "  " << job.command << ", " << Name(persistence) << ": " << done << " states\n";
            };
            const Figures figures = Explore(setup);
            std::cout << job.command << " under " << Name(persistence) << ": " << figures.operations
                      << " operations recorded, " << figures.states << " states, " << figures.tried << " tried, "
                      << figures.failed << " failed\n";
            if (list) std::cout << "  before: " << figures.prepared << "  the run: " << figures.told << "\n";
            if (list)
                for (std::size_t i = 0; i < figures.recorded.size(); ++i)
                    std::cout << "  " << i + 1 << ". " << figures.recorded[i] << "\n";
            for (const Finding& finding : figures.findings)
                std::cout << "  [" << finding.state << "]" << (finding.next.empty() ? "" : " then " + finding.next)
                          << ": " << finding.problem << "\n";
            std::cout.flush();
            failedInAll += figures.failed;
        }
    }
    return failedInAll == 0 ? 0 : 1;
}
