#include "regf/hive_bin.h"

#include <cstring>

#include "regf/errors.h"

namespace kelvara::regf {

Result<std::vector<HiveBin>> ReadHiveBins(ByteSpan hiveBinsData) {
    std::vector<HiveBin> bins;
    std::uint64_t at = 0;
    while (at < hiveBinsData.size()) {
        auto header = hiveBinsData.Read<HiveBinHeader>(at);
        std::uint64_t fileOffset = FileOffsetOf(static_cast<std::uint32_t>(at));
        if (!header)
            return MakeError(fileOffset, "hive bin: expected a 32-byte header, found the end of the hive bins");
        if (!header->signature.Is("hbin"))
            return MakeError(fileOffset, "hive bin: expected signature \"hbin\", found \"" +
                                             std::string(header->signature.chars, 4) + "\"");
        if (header->offset != at)
            return MakeError(fileOffset, "hive bin: header says offset " + Hex(header->offset) +
                                             ", expected " + Hex(at));
        std::uint32_t size = header->size;
        if (size == 0 || size % kHiveBinAlignment != 0 || size > hiveBinsData.size() - at)
            return MakeError(fileOffset, "hive bin: size " + Hex(size) +
                                             " is not a non-zero multiple of 4096 within the hive bins");
        bins.push_back({static_cast<std::uint32_t>(at), size});
        at += size;
    }
    return bins;
}

void WriteHiveBinHeader(std::uint8_t* at, std::uint32_t offset, std::uint32_t size,
                        std::uint64_t timestamp) {
    HiveBinHeader header{};
    header.signature.Set("hbin");
    header.offset = offset;
    header.size = size;
    header.timestamp = timestamp;
    std::memcpy(at, &header, sizeof header);
}

}  // namespace kelvara::regf
