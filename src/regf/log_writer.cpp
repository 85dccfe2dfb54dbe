// Writing transaction logs the way Windows writes them, block by changed block, so the tests
// can make dirty hives of every kind without a Windows system.
#include <algorithm>
#include <cstring>

#include "regf/errors.h"
#include "regf/hive_bin.h"
#include "regf/marvin32.h"
#include "regf/transaction_log.h"

namespace kelvara::regf {

namespace {

std::uint32_t BinsSizeOf(const std::vector<std::uint8_t>& hive) {
    return ReadLe32(hive.data() + offsetof(BaseBlockHeader, hive_bins_data_size));
}

// Windows tracks changes in 4096-byte blocks: a block that differs from the file, or that lies
// beyond its end, is dirty.
std::vector<bool> ChangedBlocks(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after) {
    const std::uint32_t blocks = BinsSizeOf(after) / kHiveBinAlignment;
    const std::size_t oldBins = std::min<std::size_t>(BinsSizeOf(before), before.size() - kBaseBlockSize);
    std::vector<bool> changed(blocks);
    for (std::uint32_t b = 0; b < blocks; ++b) {
        const std::size_t at = std::size_t{b} * kHiveBinAlignment;
        changed[b] = at + kHiveBinAlignment > oldBins ||
                     std::memcmp(before.data() + kBaseBlockSize + at, after.data() + kBaseBlockSize + at, kHiveBinAlignment) != 0;
    }
    return changed;
}

void Append(std::vector<std::uint8_t>& out, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void PadToSector(std::vector<std::uint8_t>& out) { out.resize((out.size() + kLogSector - 1) / kLogSector * kLogSector, 0); }

}  // namespace

std::vector<std::uint8_t> WriteDirtyVectorLog(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after) {
    std::vector<std::uint8_t> log = LogBaseBlock(after, kFileTypeDirtyVectorLog);
    const auto changed = ChangedBlocks(before, after);
    const std::size_t bits = BinsSizeOf(after) / kLogSector;
    std::vector<std::uint8_t> bitmap((bits + 7) / 8, 0);
    constexpr std::uint32_t kPagesPerBlock = kHiveBinAlignment / kLogSector;
    for (std::size_t b = 0; b < changed.size(); ++b)
        if (changed[b])
            for (std::size_t p = 0; p < kPagesPerBlock; ++p) bitmap[(b * kPagesPerBlock + p) / 8] |= 1u << ((b * kPagesPerBlock + p) % 8);
    Append(log, "DIRT", 4);
    Append(log, bitmap.data(), bitmap.size());
    PadToSector(log);
    for (std::size_t b = 0; b < changed.size(); ++b)
        if (changed[b]) Append(log, after.data() + kBaseBlockSize + b * kHiveBinAlignment, kHiveBinAlignment);
    return log;
}

std::vector<std::uint8_t> WriteLogEntries(const std::vector<std::vector<std::uint8_t>>& states) {
    std::uint32_t sequence = ReadLe32(states.front().data() + offsetof(BaseBlockHeader, secondary_sequence_number));
    // Windows starts a log afresh with a base block copy that carries its first entry's number.
    std::vector<std::uint8_t> log = LogBaseBlock(states.front(), kFileTypeEntryLog, sequence);
    for (std::size_t i = 1; i < states.size(); ++i, ++sequence) {
        const auto& after = states[i];
        const auto changed = ChangedBlocks(states[i - 1], after);
        // Neighbouring changed blocks go out as one page.
        std::vector<DirtyPageReference> refs;
        for (std::size_t b = 0; b < changed.size(); ++b) {
            if (!changed[b]) continue;
            const auto offset = static_cast<std::uint32_t>(b * kHiveBinAlignment);
            if (!refs.empty() && refs.back().offset + refs.back().size == offset)
                refs.back().size = refs.back().size + kHiveBinAlignment;
            else
                refs.push_back(DirtyPageReference{{}, {}}), refs.back().offset = offset, refs.back().size = kHiveBinAlignment;
        }
        std::vector<std::uint8_t> entry(sizeof(LogEntryHeader), 0);
        for (const auto& ref : refs) Append(entry, &ref, sizeof ref);
        for (const auto& ref : refs) Append(entry, after.data() + kBaseBlockSize + ref.offset, ref.size);
        PadToSector(entry);
        LogEntryHeader header{};
        header.signature.Set("HvLE");
        header.size = static_cast<std::uint32_t>(entry.size());
        header.flags = ReadLe32(after.data() + kBaseBlockFlagsOffset) & kLoggedFlags;
        header.sequence_number = sequence;
        header.hive_bins_data_size = BinsSizeOf(after);
        header.dirty_pages_count = static_cast<std::uint32_t>(refs.size());
        header.hash_1 = Marvin32(entry.data() + sizeof header, entry.size() - sizeof header, kLogEntryHashSeed);
        std::memcpy(entry.data(), &header, sizeof header);
        header.hash_2 = Marvin32(entry.data(), 32, kLogEntryHashSeed);
        std::memcpy(entry.data(), &header, sizeof header);
        Append(log, entry.data(), entry.size());
    }
    return log;
}

}  // namespace kelvara::regf
