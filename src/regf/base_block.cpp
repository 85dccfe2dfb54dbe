#include "regf/base_block.h"

#include <cstring>

#include "regf/errors.h"

namespace kelvara::regf {

std::uint32_t BaseBlockChecksum(const BaseBlockHeader& header) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < offsetof(BaseBlockHeader, checksum); i += 4) sum ^= ReadLe32(bytes + i);
    if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
    if (sum == 0) return 1;
    return sum;
}

std::string ChecksumProblem(const BaseBlockHeader& header) {
    std::uint32_t expected = BaseBlockChecksum(header);
    if (header.checksum == expected) return "";
    return "base block: checksum is " + Hex(header.checksum) + ", expected " + Hex(expected);
}

Result<BaseBlockHeader> ReadBaseBlock(ByteSpan file) {
    if (file.size() < kBaseBlockSize)
        return MakeError(0, "base block: expected at least 4096 bytes, found a file of " +
                                std::to_string(file.size()) + " bytes");
    auto header = *file.Read<BaseBlockHeader>(0);
    if (!header.signature.Is("regf"))
        return MakeError(0, "base block: expected signature \"regf\", found \"" +
                                std::string(header.signature.chars, 4) + "\"");
    // A wrong checksum is not refused here: like unequal sequence numbers it marks a hive
    // whose last write did not finish, which the caller reports as dirty.
    if (header.major_version != 1)
        return MakeError(offsetof(BaseBlockHeader, major_version),
                         "base block: expected major version 1, found " + std::to_string(header.major_version));
    if (header.minor_version < kMinMinorVersion || header.minor_version > kMaxMinorVersion)
        return MakeError(offsetof(BaseBlockHeader, minor_version),
                         "base block: expected minor version 3 to 6, found " +
                             std::to_string(header.minor_version));
    if (header.file_type != 0)
        return MakeError(offsetof(BaseBlockHeader, file_type),
                         "base block: expected file type 0 (primary file), found " +
                             std::to_string(header.file_type));
    std::uint32_t binsSize = header.hive_bins_data_size;
    if (binsSize == 0 || binsSize % 4096 != 0 || binsSize > file.size() - kBaseBlockSize)
        return MakeError(offsetof(BaseBlockHeader, hive_bins_data_size),
                         "base block: hive bins data size " + Hex(binsSize) +
                             " is not a non-zero multiple of 4096 within the file of " +
                             std::to_string(file.size()) + " bytes");
    if (header.root_cell_offset >= binsSize)
        return MakeError(offsetof(BaseBlockHeader, root_cell_offset),
                         "base block: root cell offset " + Hex(header.root_cell_offset) +
                             " lies outside the hive bins (size " + Hex(binsSize) + ")");
    return header;
}

std::vector<std::uint8_t> MakeBaseBlock(const BaseBlockFields& fields) {
    std::vector<std::uint8_t> block(kBaseBlockSize, 0);
    BaseBlockHeader header{};
    header.signature.Set("regf");
    header.primary_sequence_number = fields.sequenceNumber;
    header.secondary_sequence_number = fields.sequenceNumber;
    header.last_written_timestamp = fields.lastWritten;
    header.major_version = 1;
    header.minor_version = fields.minorVersion;
    header.file_type = 0;
    header.file_format = 1;
    header.root_cell_offset = fields.rootCellOffset;
    header.hive_bins_data_size = fields.hiveBinsDataSize;
    header.clustering_factor = 1;
    std::memcpy(header.file_name, fields.fileName, sizeof header.file_name);
    header.checksum = BaseBlockChecksum(header);
    std::memcpy(block.data(), &header, sizeof header);
    return block;
}

}  // namespace kelvara::regf
