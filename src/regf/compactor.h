// Copies the reachable content of a hive into a new, packed hive.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/regf.h"

namespace kelvara::regf {

// The compacted hive in memory; CompactBytes and Compact are both built on it.
Result<std::vector<std::uint8_t>> CompactHive(const HiveFile& hive, const CompactOptions& options,
                                              CompactStats* stats);

}  // namespace kelvara::regf
