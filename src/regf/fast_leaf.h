// Fast leaf ("lf")
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "regf/cell.h"
#include "regf/hive_writer.h"
#include "regf/subkey_list_types.h"

namespace kelvara::regf {

// Appends the elements of the leaf in `cell` (already known to be "lf") to `out`.
Status ReadFastLeaf(const Cell& cell, std::vector<SubkeyElement>& out);
Result<std::uint32_t> WriteFastLeaf(HiveWriter& writer, std::span<const SubkeyEntry> entries);

}  // namespace kelvara::regf
