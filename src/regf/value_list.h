// Key values list: the offsets of a key's values, in the key's order.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/cell.h"
#include "regf/hive_writer.h"

namespace kelvara::regf {

Result<std::vector<std::uint32_t>> ReadValueList(const CellSpace& cells, std::uint32_t offset,
                                                 std::uint32_t count);
// The same as the list's bytes, 4 per value, without copying them.
Result<ByteSpan> ReadValueListBytes(const CellSpace& cells, std::uint32_t offset, std::uint32_t count);
Result<std::uint32_t> WriteValueList(HiveWriter& writer, const std::vector<std::uint32_t>& values);

}  // namespace kelvara::regf
