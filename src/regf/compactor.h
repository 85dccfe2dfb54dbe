// Copies the reachable content of a hive into a new, packed hive.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/hive_sink.h"
#include "regf/regf.h"

namespace kelvara::regf {

// Whether reading the input and writing the copy run on two threads: by default only for hives
// large enough to gain from it. The bytes written are the same either way.
enum class Overlap { BySize, Always, Never };

// The compacted hive in memory, for CompactBytes.
Result<std::vector<std::uint8_t>> CompactHive(const HiveFile& hive, const CompactOptions& options,
                                              CompactStats* stats, Overlap overlap = Overlap::BySize);
// The same streamed to `sink` with about `windowBytes` of it in memory, for Compact; the bytes
// are the same.
Status CompactHiveTo(const HiveFile& hive, const CompactOptions& options, CompactStats* stats, HiveSink& sink,
                     std::size_t windowBytes, Overlap overlap = Overlap::BySize);

}  // namespace kelvara::regf
