// The states a crash may leave on the disk after a recorded run, under two persistence models,
// and how one of them is built on a copy of the folder as it was before the run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/offline/crash/file_operation_recorder.h"

namespace kelvara::crash {

enum class Persistence {
    // ext4 with data=ordered: operations on names and sizes reach the disk in their order; data
    // not yet flushed may read as zeros although the file's name and size are there.
    OrderedMetadata,
    // ntfs-3g, where each flush syncs the whole device: whatever came before the last flush is
    // there; of the operations after it any subset may be lost, and a rename may have kept only
    // one of its two steps.
    NothingOrdered,
};
const char* Name(Persistence model);

// How one recorded operation reaches the state.
struct Replay {
    enum class How {
        Whole,
        ZeroedData,        // a write whose bytes were lost but whose size stayed
        BothNames,         // a rename that linked the new name but kept the old one
        DestinationGone,   // a rename that removed what held the new name, the file still under the old
    };
    std::size_t operation;
    How how = How::Whole;
    bool operator==(const Replay&) const = default;
};

struct CrashState {
    std::string name;
    std::vector<Replay> replays;   // in the order the operations were made
};

// Limits on the states of the second model: every combination of a window between two flushes
// is tried while there are at most `allCombinationsUpTo` of them; a larger window gives the
// states that lose or split at most two of its operations, those that keep only a first part of
// it, and `sampled` more chosen at random from `seed`.
struct StateBounds {
    std::size_t allCombinationsUpTo = 256;
    std::size_t sampled = 64;
    std::uint64_t seed = 1;
};

// Every distinct state under `model`; the first is the state before the first operation and
// the run's complete result is among them.
std::vector<CrashState> CrashStates(const std::vector<RecordedOperation>& operations, Persistence model,
                                    const StateBounds& bounds = {});

// Copies `before` to `folder` (which must not exist) and plays the state's operations on it.
// An operation whose file is not there (its creation was lost) is skipped, as the disk would
// have nothing to apply it to. Returns where each file of the state came from, by its name:
// "before:<name>" for a file of `before` (under its name there), "created:<n>" for the file
// the n-th operation created. A copy gives files new identities; with this the caller can say
// which file of the state is which file of the recorded run.
std::map<std::string, std::string> BuildState(const std::filesystem::path& before,
                                              const std::vector<RecordedOperation>& operations,
                                              const CrashState& state, const std::filesystem::path& folder);

}  // namespace kelvara::crash
