#include "regf/hive_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/errors.h"
#include "regf/hive_bin.h"

namespace kelvara::regf {

namespace {

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) { return (value + unit - 1) / unit * unit; }

constexpr std::uint64_t kMaxHiveBins = 0x7FFFF000;   // offsets must stay positive 32-bit values

}  // namespace

HiveWriter::HiveWriter(std::uint64_t hiveBinsBytes) {
    buffer_.reserve(kBaseBlockBytes + RoundUp(hiveBinsBytes, kHiveBinAlignment));
    buffer_.assign(kBaseBlockBytes, 0);
}

HiveWriter::HiveWriter(HiveSink& sink, std::size_t windowBytes) : sink_(&sink), windowBytes_(windowBytes) {
    // The window, the bins kept open past it, and one bin of the largest common size.
    buffer_.reserve(windowBytes + (kOpenBinReach + 1) * kHiveBinAlignment);
    buffer_.assign(kBaseBlockBytes, 0);
}

Result<std::uint32_t> HiveWriter::AllocateInNewBin(std::uint64_t dataSize) {
    // Allocate has tried the open bins already; none has room for a cell of a page or more,
    // since a bin's first cell leaves it less than a page.
    if (dataSize > kMaxHiveBins)
        return MakeError(0, "hive writer: a cell of " + std::to_string(dataSize) +
                                " bytes would make the hive larger than the format allows");
    const auto cellSize = static_cast<std::uint32_t>(RoundUp(dataSize + 4, kCellAlignment));
    if (cellSize + std::uint64_t{hiveBinsSize_} > kMaxHiveBins)
        return MakeError(0, "hive writer: a cell of " + std::to_string(cellSize) +
                                " bytes would make the hive larger than the format allows");
    if (sink_ && buffer_.size() + RoundUp(cellSize + kHiveBinHeaderSize, kHiveBinAlignment) > windowBytes_)
        if (auto sent = SendClosedBins(); !sent) return sent.error();
    const std::uint32_t index = NewBin(cellSize);
    Bin& bin = bins_[index];
    const std::uint32_t offset = PutCell(bin, cellSize);
    openBins_.Open(index, bin.size - bin.used);
    return offset;
}

std::uint32_t HiveWriter::NewBin(std::uint32_t cellSize) {
    const Bin bin{hiveBinsSize_, static_cast<std::uint32_t>(RoundUp(cellSize + kHiveBinHeaderSize, kHiveBinAlignment)),
                  kHiveBinHeaderSize};
    buffer_.resize(buffer_.size() + bin.size, 0);
    hiveBinsSize_ += bin.size;
    WriteHiveBinHeader(At(bin.offset), bin.offset, bin.size, 0);
    bins_.push_back(bin);
    // The bin 16 before this one is now out of the reach of new cells.
    if (bins_.size() > kOpenBinReach) oldestOpen_ = std::max(oldestOpen_, bins_.size() - kOpenBinReach);
    return static_cast<std::uint32_t>(bins_.size() - 1);
}

std::uint8_t* HiveWriter::Data(std::uint32_t offset) { return At(offset) + 4; }

std::uint32_t HiveWriter::DataSize(std::uint32_t offset) const {
    std::uint32_t raw = ReadLe32(At(offset));
    std::uint32_t size = (raw & 0x80000000u) ? 0u - raw : raw;
    return size - 4;
}

void HiveWriter::Write(std::uint32_t offset, std::size_t at, std::span<const std::uint8_t> bytes) {
    if (InWindow(offset)) {
        std::memcpy(At(offset) + 4 + at, bytes.data(), bytes.size());
        return;
    }
    latePatches_.push_back({kBaseBlockBytes + offset + 4 + at, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
}

void HiveWriter::PutLate(std::uint32_t offset, std::size_t at, std::uint32_t value, std::size_t bytes) {
    std::uint8_t field[4];
    WriteLe32(field, value);
    Write(offset, at, std::span<const std::uint8_t>(field, bytes));
}

void HiveWriter::Free(std::uint32_t offset) {
    if (!InWindow(offset)) return;
    std::uint32_t raw = ReadLe32(At(offset));
    if (!(raw & 0x80000000u)) return;
    std::uint32_t size = 0u - raw;
    WriteLe32(At(offset), size);
    allocatedBytes_ -= size;
    freedCells_ = true;
}

void HiveWriter::CloseBin(Bin& bin) {
    if (bin.used < bin.size) {
        WriteLe32(At(bin.offset + bin.used), bin.size - bin.used);
        bin.used = bin.size;
    }
    // Only cells freed after they were placed can sit next to another free cell.
    if (freedCells_) MergeFreeCells(bin);
}

void HiveWriter::MergeFreeCells(const Bin& bin) {
    std::uint32_t at = bin.offset + kHiveBinHeaderSize;
    std::uint32_t end = bin.offset + bin.size;
    while (at < end) {
        std::uint32_t raw = ReadLe32(At(at));
        std::uint32_t size = (raw & 0x80000000u) ? 0u - raw : raw;
        if (!(raw & 0x80000000u)) {
            // Swallow the free cells that follow, as the registry coalesces them.
            std::uint32_t next = at + size;
            while (next < end && !(ReadLe32(At(next)) & 0x80000000u)) {
                next += ReadLe32(At(next));
            }
            size = next - at;
            WriteLe32(At(at), size);
        }
        at += size;
    }
}

Status HiveWriter::SendClosedBins() {
    // Bins older than the oldest one with room take no more cells: close them and send them.
    while (oldestOpen_ < bins_.size() && bins_[oldestOpen_].used == bins_[oldestOpen_].size) ++oldestOpen_;
    const std::size_t end = oldestOpen_;
    if (end == firstUnsentBin_) return Done{};
    for (std::size_t i = firstUnsentBin_; i < end; ++i) CloseBin(bins_[i]);
    firstUnsentBin_ = end;
    // Sent up to a multiple of kSendAlignment, the rest of the closed bins the next time: a
    // system that caches files in large pages can then take each send in a few of them. A
    // closed bin cut there keeps its tail in the window; a cell that starts before the cut is
    // no longer in the window and takes later changes as patches.
    const std::uint64_t closedEnd = kBaseBlockBytes + (end < bins_.size() ? bins_[end].offset : hiveBinsSize_);
    const std::uint64_t endOffset = closedEnd / kSendAlignment * kSendAlignment;
    if (endOffset <= windowStart_) return Done{};
    const auto count = static_cast<std::size_t>(endOffset - windowStart_);
    if (auto sent = sink_->Append(std::span<const std::uint8_t>(buffer_.data(), count)); !sent) return sent;
    // What stays is the few open bins at the end and a part of a closed one: moving them down
    // is cheap.
    std::memmove(buffer_.data(), buffer_.data() + count, buffer_.size() - count);
    buffer_.resize(buffer_.size() - count);
    windowStart_ = endOffset;
    return Done{};
}

std::uint64_t HiveWriter::FillBaseBlock(BaseBlockFields& fields) {
    fields.hiveBinsDataSize = hiveBinsSize_;
    if (!bins_.empty()) {
        // The first bin carries a copy of the base block's timestamp.
        const std::uint64_t at = kBaseBlockBytes + offsetof(HiveBinHeader, timestamp);
        std::uint8_t stamp[8];
        for (int i = 0; i < 8; ++i) stamp[i] = static_cast<std::uint8_t>(fields.lastWritten >> (8 * i));
        if (at >= windowStart_) std::memcpy(buffer_.data() + (at - windowStart_), stamp, sizeof stamp);
        else latePatches_.push_back({at, std::vector<std::uint8_t>(stamp, stamp + sizeof stamp)});
    }
    return hiveBinsSize_;
}

std::vector<std::uint8_t> HiveWriter::Finish(BaseBlockFields fields) {
    openBins_.Clear();
    for (auto& bin : bins_) CloseBin(bin);
    FillBaseBlock(fields);
    auto block = MakeBaseBlock(fields);
    std::memcpy(buffer_.data(), block.data(), block.size());
    bins_.clear();
    return std::move(buffer_);
}

Status HiveWriter::FinishStream(BaseBlockFields fields) {
    openBins_.Clear();
    for (std::size_t i = firstUnsentBin_; i < bins_.size(); ++i) CloseBin(bins_[i]);
    FillBaseBlock(fields);
    if (auto sent = sink_->Append(buffer_); !sent) return sent;
    auto block = MakeBaseBlock(fields);
    if (auto sent = sink_->Patch(0, block); !sent) return sent;
    // In the order made: a later change to the same bytes wins.
    for (const auto& patch : latePatches_)
        if (auto sent = sink_->Patch(patch.fileOffset, patch.bytes); !sent) return sent;
    bins_.clear();
    latePatches_.clear();
    return Done{};
}

}  // namespace kelvara::regf
