#include "regf/transaction_log.h"

#include <cstring>

#include "regf/errors.h"
#include "regf/hive_bin.h"
#include "regf/marvin32.h"

namespace kelvara::regf {

namespace {

std::string At(const LogFile& log, std::uint64_t offset) { return "\"" + log.name + "\" at offset " + Hex(offset); }

// Why the entry at `at` cannot be used, or "" when it can; fills `entry` when it can.
std::string ReadEntry(const LogFile& log, std::size_t at, LogEntry& entry) {
    const auto& bytes = log.bytes;
    if (bytes.size() - at < sizeof(LogEntryHeader)) return "the log ends inside an entry's header";
    LogEntryHeader header;
    std::memcpy(&header, bytes.data() + at, sizeof header);
    if (!header.signature.Is("HvLE")) return "no further entry (no \"HvLE\" signature)";
    const std::uint32_t size = header.size;
    if (size < sizeof header || size % kLogSector != 0)
        return "entry size " + Hex(size) + " is not a multiple of 512 holding a header";
    if (size > bytes.size() - at) return "the entry of " + Hex(size) + " bytes is cut short by the end of the log";
    if (Marvin32(bytes.data() + at, 32, kLogEntryHashSeed) != header.hash_2) return "the entry's header hash is wrong";
    if (Marvin32(bytes.data() + at + sizeof header, size - sizeof header, kLogEntryHashSeed) != header.hash_1)
        return "the entry's page hash is wrong";
    const std::uint32_t binsSize = header.hive_bins_data_size;
    if (binsSize == 0 || binsSize % kHiveBinAlignment != 0)
        return "hive bins data size " + Hex(binsSize) + " is not a non-zero multiple of 4096";
    const std::uint64_t count = header.dirty_pages_count;
    if (count * sizeof(DirtyPageReference) > size - sizeof header)
        return "its " + std::to_string(count) + " page references do not fit in it";
    entry.logOffset = at;
    entry.sequenceNumber = header.sequence_number;
    entry.flags = header.flags;
    entry.hiveBinsDataSize = binsSize;
    entry.pages.clear();
    std::size_t data = at + sizeof header + count * sizeof(DirtyPageReference);
    const std::size_t end = at + size;
    for (std::uint64_t i = 0; i < count; ++i) {
        DirtyPageReference ref;
        std::memcpy(&ref, bytes.data() + at + sizeof header + i * sizeof ref, sizeof ref);
        const std::uint32_t offset = ref.offset, pageSize = ref.size;
        if (pageSize == 0 || offset % kLogSector != 0 || pageSize % kLogSector != 0 ||
            pageSize > binsSize || offset > binsSize - pageSize)
            return "page " + std::to_string(i) + " (" + Hex(pageSize) + " bytes at " + Hex(offset) +
                   ") does not lie in the hive bins of " + Hex(binsSize) + " bytes";
        if (pageSize > end - data) return "page " + std::to_string(i) + " runs past the entry's end";
        entry.pages.push_back({offset, pageSize, data});
        data += pageSize;
    }
    return "";
}

}  // namespace

ParsedLog ParseLog(const LogFile& log) {
    ParsedLog parsed;
    parsed.name = log.name;
    if (log.bytes.size() < kLogSector) {
        parsed.headerProblem = "\"" + log.name + "\" holds " + std::to_string(log.bytes.size()) +
                               " bytes, too few for a log's base block";
        return parsed;
    }
    std::memcpy(&parsed.header, log.bytes.data(), sizeof parsed.header);
    const auto& header = parsed.header;
    const std::uint32_t type = header.file_type;
    if (!header.signature.Is("regf"))
        parsed.headerProblem = At(log, 0) + ": no \"regf\" signature";
    else if (type != kFileTypeDirtyVectorLog && type != kFileTypeDirtyVectorLogAlt && type != kFileTypeEntryLog)
        parsed.headerProblem = At(log, offsetof(BaseBlockHeader, file_type)) + ": file type " + std::to_string(type) +
                               " is not a log's";
    else if (auto problem = ChecksumProblem(header); !problem.empty())
        parsed.headerProblem = At(log, offsetof(BaseBlockHeader, checksum)) + ": " + problem;
    parsed.headerSound = parsed.headerProblem.empty();
    // Entries carry their own hashes: they stay usable when only the base block copy is torn.
    parsed.entryFormat = header.signature.Is("regf") && type == kFileTypeEntryLog;
    if (!parsed.entryFormat) return parsed;
    for (std::size_t at = kLogSector; at < log.bytes.size();) {
        LogEntry entry;
        std::string problem = ReadEntry(log, at, entry);
        if (!problem.empty()) {
            parsed.stoppedBecause = At(log, at) + ": " + problem;
            break;
        }
        at += ReadLe32(log.bytes.data() + at + 4);
        parsed.entries.push_back(std::move(entry));
    }
    return parsed;
}

Result<std::vector<LogPage>> DirtyVectorPages(const LogFile& log, const BaseBlockHeader& header) {
    // The vector and the pages each start on a sector of the disk the log was written to.
    const std::uint32_t factor = header.clustering_factor;
    if (factor == 0 || factor > 8)
        return MakeError(offsetof(BaseBlockHeader, clustering_factor),
                         At(log, offsetof(BaseBlockHeader, clustering_factor)) + ": clustering factor " +
                             std::to_string(factor) + " is not 1 to 8");
    const std::size_t sector = std::size_t{kLogSector} * factor;
    const std::uint32_t binsSize = header.hive_bins_data_size;
    if (binsSize == 0 || binsSize % kHiveBinAlignment != 0)
        return MakeError(offsetof(BaseBlockHeader, hive_bins_data_size),
                         At(log, offsetof(BaseBlockHeader, hive_bins_data_size)) + ": hive bins data size " +
                             Hex(binsSize) + " is not a non-zero multiple of 4096");
    const auto& bytes = log.bytes;
    const std::size_t bits = binsSize / kLogSector;
    const std::size_t bitmapBytes = (bits + 7) / 8;
    if (bytes.size() < sector + 4 + bitmapBytes)
        return MakeError(sector, At(log, sector) + ": the log ends before its dirty vector of " +
                                     std::to_string(bitmapBytes) + " bytes does");
    if (std::memcmp(bytes.data() + sector, "DIRT", 4) != 0)
        return MakeError(sector, At(log, sector) + ": expected the dirty vector's \"DIRT\" signature");
    const std::uint8_t* bitmap = bytes.data() + sector + 4;
    std::size_t at = (sector + 4 + bitmapBytes + sector - 1) / sector * sector;
    std::vector<LogPage> pages;
    for (std::size_t bit = 0; bit < bits; ++bit) {
        if (!(bitmap[bit / 8] & (1u << (bit % 8)))) continue;
        if (bytes.size() < at + kLogSector)
            return MakeError(at, At(log, at) + ": the log ends before dirty page " + std::to_string(pages.size()) +
                                     " (hive bins offset " + Hex(bit * kLogSector) + ")");
        pages.push_back({static_cast<std::uint32_t>(bit * kLogSector), kLogSector, at});
        at += kLogSector;
    }
    return pages;
}

namespace {

std::vector<std::uint8_t> SealedLogBaseBlock(const std::vector<std::uint8_t>& hive, std::uint32_t fileType,
                                             const std::uint32_t* sequence) {
    std::vector<std::uint8_t> block(hive.begin(), hive.begin() + kLogSector);
    BaseBlockHeader header;
    std::memcpy(&header, block.data(), sizeof header);
    header.file_type = fileType;
    if (sequence) {
        header.primary_sequence_number = *sequence;
        header.secondary_sequence_number = *sequence;
    }
    header.checksum = BaseBlockChecksum(header);
    std::memcpy(block.data(), &header, sizeof header);
    return block;
}

}  // namespace

std::vector<std::uint8_t> LogBaseBlock(const std::vector<std::uint8_t>& hive, std::uint32_t fileType) {
    return SealedLogBaseBlock(hive, fileType, nullptr);
}

std::vector<std::uint8_t> LogBaseBlock(const std::vector<std::uint8_t>& hive, std::uint32_t fileType,
                                       std::uint32_t sequence) {
    return SealedLogBaseBlock(hive, fileType, &sequence);
}

}  // namespace kelvara::regf
