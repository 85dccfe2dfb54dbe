// The sample's one dirty hive: a user hive as Windows 8.1 and later leave it when the power goes
// while the user works. Its last writes reached only the transaction log .LOG1; .LOG2 holds an
// older write that the hive file already has, as the two logs take turns.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/regf.h"

namespace kelvara::sample {

struct DirtyHiveFiles {
    std::vector<std::uint8_t> hive;   // the state before the last writes, sequence numbers apart
    std::vector<std::uint8_t> log1;   // the last writes, from the hive's secondary sequence number on
    std::vector<std::uint8_t> log2;   // one older write, already in the hive
};

// `content` is what the hive holds once its logs are applied, as Windows would load it.
regf::Result<DirtyHiveFiles> MakeDirtyHive(const regf::KeySpec& content, const regf::BuildOptions& options);

}  // namespace kelvara::sample
