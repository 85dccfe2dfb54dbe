// The sample Windows installation: which hive files it has, where, and how fragmented.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::sample {

struct HivePlan {
    std::string path;          // relative to the installation folder, '/' separated
    std::string baseBlockName; // the name Windows records in the hive's base block
    double fragmentation;      // share of the hive bins left free
    std::uint64_t seed;
    regf::KeySpec (*make)(std::uint64_t seed);
    // Written as a dirty hive whose last writes lie in its .LOG1 and .LOG2 beside it.
    bool dirty = false;
};

const std::vector<HivePlan>& SampleHives();

struct WrittenHive {
    std::string path;          // full path of the file
    std::uint64_t size = 0;
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    double fragmentation = 0;  // as asked of the builder
};

// Writes every hive of the sample into `folder` (made where missing). `report` is told of
// each hive once it is written.
regf::Status WriteInstallation(const std::string& folder,
                               const std::function<void(const WrittenHive&)>& report);

}  // namespace kelvara::sample
