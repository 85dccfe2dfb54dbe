#include "regf/cell.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "regf/byte_order.h"
#include "regf/errors.h"

namespace kelvara::regf {

namespace {

std::uint32_t CellSizeOf(std::uint32_t raw) {
    // The size is stored as a signed number; its magnitude is the cell's extent.
    return (raw & 0x80000000u) ? (0u - raw) : raw;
}

}  // namespace

namespace {

// From this size on, two threads map the cells, each over half of the bins.
constexpr std::uint32_t kTwoThreadsFromBytes = 4 << 20;
constexpr std::size_t kBinsBetweenCancelChecks = 256;
constexpr std::uint32_t kPrefetchedBinBytes = 8192;

}  // namespace

Status CellSpace::MarkCellStarts(std::size_t firstBin, std::size_t endBin, const std::atomic<bool>* cancel) const {
    for (std::size_t i = firstBin; i < endBin; ++i) {
        if (cancel && (i - firstBin) % kBinsBetweenCancelChecks == 0 && cancel->load()) return MakeError(0, "cancelled");
        const auto& bin = bins_[i];
        std::uint32_t at = bin.offset + kHiveBinHeaderSize;
        std::uint32_t end = bin.offset + bin.size;
        while (at < end) {
            std::uint32_t raw = ReadLe32(data_.data() + at);
            std::uint32_t size = CellSizeOf(raw);
            if (size < kCellAlignment || size % kCellAlignment != 0 || size > end - at)
                return MakeError(FileOffsetOf(at),
                                 "cell: size " + std::to_string(static_cast<std::int32_t>(raw)) +
                                     " is not a multiple of 8 that fits the hive bin at " +
                                     Hex(FileOffsetOf(bin.offset)));
            cellStarts_.Set(at / kCellAlignment);
            at += size;
        }
    }
    return Done{};
}

bool CellSpace::CheckBin(std::uint32_t bin) const {
    // Each cell's size says where the next one starts, so the walk waits on every cache line in
    // turn: ask for the bin's first lines all at once.
    for (std::uint32_t at = 0; at < bins_[bin].size && at < kPrefetchedBinBytes; at += 64) Prefetch(bins_[bin].offset + at);
    const bool sound = static_cast<bool>(MarkCellStarts(bin, bin + 1, nullptr));
    binState_[bin] = sound ? BinState::Sound : BinState::Broken;
    return sound;
}

Result<CellSpace> CellSpace::Read(ByteSpan hiveBinsData, const std::atomic<bool>* cancel, CellCheck check) {
    auto bins = ReadHiveBins(hiveBinsData);
    if (!bins) return bins.error();
    CellSpace space;
    space.data_ = hiveBinsData;
    space.bins_ = std::move(bins.value());
    space.cellStarts_ = UnitFlags(hiveBinsData.size() / kCellAlignment);
    const std::size_t count = space.bins_.size();
    if (check == CellCheck::AsReached && count > 0) {
        space.binAtPage_.resize(hiveBinsData.size() / kHiveBinAlignment);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& bin = space.bins_[i];
            std::fill_n(space.binAtPage_.begin() + bin.offset / kHiveBinAlignment, bin.size / kHiveBinAlignment,
                        static_cast<std::uint32_t>(i));
        }
        space.binState_.assign(count, BinState::Unchecked);
        return space;
    }
    if (hiveBinsData.size() < kTwoThreadsFromBytes || count < 2) {
        if (auto marked = space.MarkCellStarts(0, count, cancel); !marked) return marked.error();
        return space;
    }
    // Bins start at multiples of 4096, so the two halves never write the same word of flags. The first half's error, if any, is the first
    // in the file, as a single pass would have found it.
    const std::size_t half = count / 2;
    Status first = Done{};
    std::thread helper;
    try {
        helper = std::thread([&] { first = space.MarkCellStarts(0, half, cancel); });
    } catch (const std::system_error&) {
        first = space.MarkCellStarts(0, half, cancel);   // no thread to be had: one after the other
    }
    Status second = space.MarkCellStarts(half, count, cancel);
    if (helper.joinable()) helper.join();
    if (!first) return first.error();
    if (!second) return second.error();
    return space;
}

Result<Cell> CellSpace::Allocated(std::uint32_t offset, const char* structure) const {
    Cell cell;
    if (auto found = Allocated(offset, structure, cell); !found) return found.error();
    return cell;
}

Error CellSpace::NotAllocated(std::uint32_t offset, const char* structure) const {
    if (offset >= data_.size() || offset % kCellAlignment != 0)
        return MakeError(FileOffsetOf(offset), std::string(structure) + ": cell offset " + Hex(offset) +
                                                   " lies outside the hive bins (size " +
                                                   Hex(data_.size()) + ") or is not aligned to 8");
    if (!binAtPage_.empty()) {
        // A broken bin is walked again for the message saying where its cells stop tiling it.
        const std::uint32_t bin = binAtPage_[offset / kHiveBinAlignment];
        if (binState_[bin] == BinState::Broken)
            if (auto marked = MarkCellStarts(bin, bin + 1, nullptr); !marked) return marked.error();
    }
    if (!cellStarts_.Test(offset / kCellAlignment))
        return MakeError(FileOffsetOf(offset), std::string(structure) + ": cell offset " + Hex(offset) +
                                                   " is not the start of a cell");
    std::uint32_t raw = ReadLe32(data_.data() + offset);
    if (!(raw & 0x80000000u))
        return MakeError(FileOffsetOf(offset), std::string(structure) + ": expected an allocated cell at " +
                                                   Hex(offset) + ", found a free one");
    return MakeError(FileOffsetOf(offset), std::string(structure) + ": the cell at " + Hex(offset) +
                                               " no longer fits its hive bin (the file changed while it was read)");
}

void CellSpace::ForEachCell(const std::function<void(const Cell&)>& visit) const {
    for (const auto& bin : bins_) {
        std::uint32_t at = bin.offset + kHiveBinHeaderSize;
        std::uint32_t end = bin.offset + bin.size;
        while (at < end) {
            std::uint32_t raw = ReadLe32(data_.data() + at);
            Cell cell;
            cell.offset = at;
            cell.size = CellSizeOf(raw);
            cell.allocated = (raw & 0x80000000u) != 0;
            auto data = cell.size >= kCellAlignment ? data_.Sub(at + 4, cell.size - 4) : std::nullopt;
            if (!data) break;   // only when the bytes changed after Read checked them
            cell.data = *data;
            visit(cell);
            at += cell.size;
        }
    }
}

}  // namespace kelvara::regf
