// Copies the reachable content of a hive into a new, packed hive.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/hive_sink.h"
#include "regf/regf.h"

namespace kelvara::regf {

// The compacted hive in memory, for CompactBytes.
Result<std::vector<std::uint8_t>> CompactHive(const HiveFile& hive, const CompactOptions& options,
                                              CompactStats* stats);
// The same streamed to `sink` with about `windowBytes` of it in memory, for Compact; the bytes
// are the same.
Status CompactHiveTo(const HiveFile& hive, const CompactOptions& options, CompactStats* stats, HiveSink& sink,
                     std::size_t windowBytes);

}  // namespace kelvara::regf
