#include "regf/hive_writer.h"

#include <algorithm>
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
    buffer_.resize(kBaseBlockBytes, 0);
}

Result<std::uint32_t> HiveWriter::Allocate(std::uint64_t dataSize) {
    std::uint64_t cellSize = RoundUp(dataSize + 4, kCellAlignment);
    if (cellSize + HiveBinsSize() > kMaxHiveBins)
        return MakeError(0, "hive writer: a cell of " + std::to_string(cellSize) +
                                " bytes would make the hive larger than the format allows");
    auto size32 = static_cast<std::uint32_t>(cellSize);

    auto fits = std::find_if(openBins_.begin(), openBins_.end(),
                             [&](std::size_t i) { return bins_[i].size - bins_[i].used >= size32; });
    std::size_t binIndex;
    if (fits != openBins_.end()) {
        binIndex = *fits;
    } else {
        Bin bin{HiveBinsSize(), static_cast<std::uint32_t>(RoundUp(cellSize + kHiveBinHeaderSize, kHiveBinAlignment)),
                kHiveBinHeaderSize};
        buffer_.resize(buffer_.size() + bin.size, 0);
        WriteHiveBinHeader(At(bin.offset), bin.offset, bin.size, 0);
        bins_.push_back(bin);
        binIndex = bins_.size() - 1;
        openBins_.push_back(binIndex);
        // Only the newest bins are tried, so looking for room stays cheap; the tails of older
        // ones stay free.
        if (openBins_.size() > kOpenBinWindow) openBins_.erase(openBins_.begin());
    }
    Bin& bin = bins_[binIndex];
    std::uint32_t offset = bin.offset + bin.used;
    bin.used += size32;
    if (bin.used == bin.size)
        openBins_.erase(std::find(openBins_.begin(), openBins_.end(), binIndex));
    WriteLe32(At(offset), 0u - size32);
    allocatedBytes_ += size32;
    return offset;
}

std::uint8_t* HiveWriter::Data(std::uint32_t offset) { return At(offset) + 4; }

std::uint32_t HiveWriter::DataSize(std::uint32_t offset) const {
    std::uint32_t raw = ReadLe32(buffer_.data() + kBaseBlockBytes + offset);
    std::uint32_t size = (raw & 0x80000000u) ? 0u - raw : raw;
    return size - 4;
}

void HiveWriter::Free(std::uint32_t offset) {
    std::uint32_t raw = ReadLe32(At(offset));
    if (!(raw & 0x80000000u)) return;
    std::uint32_t size = 0u - raw;
    WriteLe32(At(offset), size);
    allocatedBytes_ -= size;
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

std::vector<std::uint8_t> HiveWriter::Finish(BaseBlockFields fields) {
    for (auto& bin : bins_) {
        if (bin.used < bin.size) {
            WriteLe32(At(bin.offset + bin.used), bin.size - bin.used);
            bin.used = bin.size;
        }
        MergeFreeCells(bin);
    }
    if (!bins_.empty()) {
        // The first bin carries a copy of the base block's timestamp.
        auto* header = reinterpret_cast<HiveBinHeader*>(At(0));
        header->timestamp = fields.lastWritten;
    }
    fields.hiveBinsDataSize = HiveBinsSize();
    auto block = MakeBaseBlock(fields);
    std::memcpy(buffer_.data(), block.data(), block.size());
    bins_.clear();
    openBins_.clear();
    return std::move(buffer_);
}

}  // namespace kelvara::regf
