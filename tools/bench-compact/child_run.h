// Runs one compaction, or one plain copy, in a process of its own: the compaction's peak memory
// is then its own alone, and both are timed alike, from a fresh process, as a user runs them.
// The parent forks and re-executes this program in a child mode.
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

// The arguments that select a child mode, followed by input and output paths.
inline constexpr const char* kChildSwitch = "--compact-child";
inline constexpr const char* kCopyChildSwitch = "--copy-child";

// Parent side: runs `self --compact-child input output` and collects its figures.
CompactRun RunCompactionInChild(const std::string& self, const std::string& input,
                                const std::string& output);

// Child side: compacts and prints the figures on stdout in the form the parent reads.
int CompactChildMain(const std::string& input, const std::string& output);

// Parent side: seconds a child took to copy `input` to `output`, or a negative number when it
// failed (`error` then says why).
double TimeCopyInChild(const std::string& self, const std::string& input, const std::string& output,
                       std::string& error);

// Child side: copies and prints the seconds it took.
int CopyChildMain(const std::string& input, const std::string& output);

}  // namespace kelvara::bench
