// Big data ("db"): value data longer than one segment, kept as a list of segment cells
// (format 1.4 and later).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/hive_writer.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct BigDataHeader {
    Signature<2> signature;   // "db"
    le16 number_of_segments;
    le32 segments_list_offset;
};
#pragma pack(pop)
static_assert(sizeof(BigDataHeader) == 8);

constexpr std::uint32_t kBigDataSegmentSize = 16344;
constexpr std::uint32_t kBigDataMinMinorVersion = 4;

// Reads `dataSize` bytes from the segments; every cell touched is appended to `cellsUsed`.
Result<std::vector<std::uint8_t>> ReadBigData(const CellSpace& cells, std::uint32_t offset,
                                              std::uint32_t dataSize, std::vector<std::uint32_t>* cellsUsed);

Result<std::uint32_t> WriteBigData(HiveWriter& writer, std::span<const std::uint8_t> data);

}  // namespace kelvara::regf
