// Runs one compaction in a process of its own, so that its peak memory is the compaction's
// alone: the parent forks and re-executes this program in its child mode.
#pragma once

#include <cstdint>
#include <string>

namespace kelvara::bench {

struct CompactRun {
    bool ok = false;
    std::string error;             // the engine's message, or what failed around it
    double seconds = 0;            // time of the Compact call itself
    std::uint64_t outputSize = 0;
    std::uint64_t reachableBytes = 0;   // as the compactor counts it
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    std::uint64_t securityDescriptors = 0;
    std::uint64_t peakKilobytes = 0;    // the child's VmHWM (or ru_maxrss where unknown)
};

// The argument that selects the child mode, followed by input and output paths.
inline constexpr const char* kChildSwitch = "--compact-child";

// Parent side: runs `self --compact-child input output` and collects its figures.
CompactRun RunCompactionInChild(const std::string& self, const std::string& input,
                                const std::string& output);

// Child side: compacts and prints the figures on stdout in the form the parent reads.
int CompactChildMain(const std::string& input, const std::string& output);

}  // namespace kelvara::bench
