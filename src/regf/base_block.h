// The base block: the first 4096 bytes of a hive file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "regf/byte_order.h"
#include "regf/byte_span.h"
#include "regf/regf.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct BaseBlockHeader {
    Signature<4> signature;   // "regf"
    le32 primary_sequence_number;
    le32 secondary_sequence_number;
    le64 last_written_timestamp;
    le32 major_version;
    le32 minor_version;
    le32 file_type;           // 0: primary file
    le32 file_format;         // 1: direct memory load
    le32 root_cell_offset;
    le32 hive_bins_data_size;
    le32 clustering_factor;
    std::uint8_t file_name[64];   // UTF-16LE, the tail of the hive's path
    std::uint8_t reserved[396];
    le32 checksum;            // XOR of the 127 dwords before it
};
#pragma pack(pop)
static_assert(sizeof(BaseBlockHeader) == 512);

constexpr std::uint32_t kMinMinorVersion = 3;
constexpr std::uint32_t kMaxMinorVersion = 6;

// The XOR of the first 127 dwords, with 0 and 0xFFFFFFFF (the values meaning "no checksum")
// replaced by 1 and 0xFFFFFFFE.
std::uint32_t BaseBlockChecksum(const BaseBlockHeader& header);

// Reads and validates the base block against the file's size. The checksum is left to the
// caller (see ChecksumProblem).
Result<BaseBlockHeader> ReadBaseBlock(ByteSpan file);

// A complete 4096-byte base block for a hive we write; the checksum is filled in.
struct BaseBlockFields {
    std::uint32_t sequenceNumber = 1;
    std::uint64_t lastWritten = 0;
    std::uint32_t minorVersion = 5;
    std::uint32_t rootCellOffset = 0;
    std::uint32_t hiveBinsDataSize = 0;
    std::uint8_t fileName[64] = {};
};
// "" when the stored checksum is right, else what is wrong with it.
std::string ChecksumProblem(const BaseBlockHeader& header);

std::vector<std::uint8_t> MakeBaseBlock(const BaseBlockFields& fields);

}  // namespace kelvara::regf
