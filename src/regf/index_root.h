// Index root ("ri"): a list of leaves, used when a key has too many subkeys for one leaf.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/cell.h"
#include "regf/hive_writer.h"

namespace kelvara::regf {

// The leaf offsets of the index root in `cell` (already known to be "ri").
Result<std::vector<std::uint32_t>> ReadIndexRoot(const Cell& cell);
Result<std::uint32_t> WriteIndexRoot(HiveWriter& writer, const std::vector<std::uint32_t>& leaves);

}  // namespace kelvara::regf
