// Records one command of the program on a copy of an installation, builds the states a crash
// during it may leave under a persistence model, and runs the next command on each state with
// the built program, holding the state and the result against the checker.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/offline/crash/crash_states.h"

namespace kelvara::crash {

struct ExplorerSetup {
    std::filesystem::path program;       // the Linux program, run once per state and next command
    std::filesystem::path installation;  // the installation before any hand-over; left as it is
    std::vector<std::string> prepare;    // switches run first, unrecorded ("/Silent" before "/Undo")
    std::string command;                 // the switch recorded and cut
    std::vector<std::string> nextCommands;
    Persistence model = Persistence::OrderedMetadata;
    StateBounds bounds;
    std::size_t sample = 0;              // 0: every state; otherwise this many, chosen from `seed`
    std::uint64_t seed = 1;
    std::function<void(const std::string&)> progress;   // told of each state as it is tried
};

struct Finding {
    std::string state;
    std::string next;       // empty: in the crash state itself
    std::string problem;
};

struct Figures {
    std::size_t operations = 0;   // recorded (contiguous writes to one file counted once)
    std::vector<std::string> recorded;   // each operation described, in order
    std::string prepared, told;          // what the runs before and the recorded run said
    std::size_t states = 0;       // distinct states of the model
    std::size_t tried = 0;
    std::size_t failed = 0;       // states with at least one finding
    std::vector<Finding> findings;
};

Figures Explore(const ExplorerSetup& setup);

}  // namespace kelvara::crash
