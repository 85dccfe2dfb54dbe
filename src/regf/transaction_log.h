// The two on-disk forms of a hive's transaction log. Both begin with a 512-byte copy of the
// hive's base block (its file type says which form follows):
//  - file type 1 (or 2): a dirty vector ("DIRT" and a bitmap with a bit per 512-byte page of
//    the hive bins) in the next sector, then the dirty pages in bit order from the sector after;
//  - file type 6: log entries ("HvLE") from offset 512, each a whole number of 512-byte
//    sectors, each with the page references and the pages of one write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regf/base_block.h"
#include "regf/byte_order.h"
#include "regf/regf.h"

namespace kelvara::regf {

constexpr std::uint32_t kLogSector = 512;
constexpr std::uint32_t kFileTypeDirtyVectorLog = 1;
constexpr std::uint32_t kFileTypeDirtyVectorLogAlt = 2;   // written by some older systems
constexpr std::uint32_t kFileTypeEntryLog = 6;
// Where the base block keeps the flags that a log entry carries a copy of.
constexpr std::size_t kBaseBlockFlagsOffset = 144;
// The one base block flag a log entry keeps and a recovery restores (the hive had transactions
// pending); the other flags stay as the hive's base block has them.
constexpr std::uint32_t kLoggedFlags = 0x1;

#pragma pack(push, 1)
struct LogEntryHeader {
    Signature<4> signature;   // "HvLE"
    le32 size;                // the whole entry, a multiple of 512
    le32 flags;               // the base block's flag 0x1 when the entry was written
    le32 sequence_number;     // both sequence numbers of the base block once it is applied
    le32 hive_bins_data_size; // the hive bins' size once it is applied
    le32 dirty_pages_count;
    le64 hash_1;              // Marvin32 of the entry from offset 40 to its end
    le64 hash_2;              // Marvin32 of the first 32 bytes (hash_1 included)
};
struct DirtyPageReference {
    le32 offset;   // in the hive bins
    le32 size;
};
#pragma pack(pop)
static_assert(sizeof(LogEntryHeader) == 40);
static_assert(sizeof(DirtyPageReference) == 8);

// One page of a log: where it goes in the hive bins, and where its bytes lie in the log.
struct LogPage {
    std::uint32_t binsOffset;
    std::uint32_t size;
    std::size_t logOffset;
};

struct LogEntry {
    std::uint64_t logOffset = 0;
    std::uint32_t sequenceNumber = 0;
    std::uint32_t flags = 0;
    std::uint32_t hiveBinsDataSize = 0;
    std::vector<LogPage> pages;
};

// A log file looked at: its base block copy (when sound) and what follows it.
struct ParsedLog {
    std::string name;
    bool headerSound = false;          // signature, checksum and a log file type
    std::string headerProblem;         // why not
    BaseBlockHeader header{};
    bool entryFormat = false;          // file type 6
    std::vector<LogEntry> entries;     // entry form: the sound entries, in file order
    std::string stoppedBecause;        // entry form: why the walk ended before the file did
};

// Reads the base block copy and, for the entry form, every sound entry up to the first one that
// is not (cut short, a bad hash, a bad size): recovery never goes past such an entry.
ParsedLog ParseLog(const LogFile& log);

// The dirty pages of a dirty-vector log, checked against the log's size; an Error names the log
// and the offset.
Result<std::vector<LogPage>> DirtyVectorPages(const LogFile& log, const BaseBlockHeader& header);

// Writes the 512-byte base block copy a log begins with; an entry log's copy carries the sequence
// number of its first entry in both fields.
std::vector<std::uint8_t> LogBaseBlock(const std::vector<std::uint8_t>& hive, std::uint32_t fileType);
std::vector<std::uint8_t> LogBaseBlock(const std::vector<std::uint8_t>& hive, std::uint32_t fileType,
                                       std::uint32_t sequence);

}  // namespace kelvara::regf
