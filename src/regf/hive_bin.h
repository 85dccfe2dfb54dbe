// Hive bins: the blocks (multiples of 4096 bytes) that hold the cells after the base block.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/byte_order.h"
#include "regf/byte_span.h"
#include "regf/regf.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct HiveBinHeader {
    Signature<4> signature;   // "hbin"
    le32 offset;              // of this bin, from the start of the hive bins data
    le32 size;
    std::uint8_t reserved[8];
    le64 timestamp;           // set in the first bin only
    le32 spare;
};
#pragma pack(pop)
constexpr std::uint32_t kHiveBinHeaderSize = 32;
constexpr std::uint32_t kHiveBinAlignment = 4096;
static_assert(sizeof(HiveBinHeader) == kHiveBinHeaderSize);

struct HiveBin {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Reads every bin header of the hive bins data; the bins must tile it exactly.
Result<std::vector<HiveBin>> ReadHiveBins(ByteSpan hiveBinsData);

void WriteHiveBinHeader(std::uint8_t* at, std::uint32_t offset, std::uint32_t size,
                        std::uint64_t timestamp);

}  // namespace kelvara::regf
