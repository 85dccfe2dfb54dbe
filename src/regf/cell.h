// Cells: the size-prefixed records inside hive bins (a negative size marks an allocated
// cell). CellSpace knows where every cell starts, so a structure is only ever read from the
// start of a real, allocated cell and within its extent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "regf/byte_order.h"
#include "regf/byte_span.h"
#include "regf/hive_bin.h"
#include "regf/prefetch.h"
#include "regf/regf.h"
#include "regf/unit_flags.h"

namespace kelvara::regf {

constexpr std::uint32_t kCellAlignment = 8;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;   // "no list", "no class" and the like

struct Cell {
    std::uint32_t offset = 0;   // from the start of the hive bins data
    std::uint32_t size = 0;     // whole cell, size field included
    bool allocated = false;
    ByteSpan data;              // the bytes after the size field
};

// When the cells of a bin are checked to tile it: all at once when the hive is opened, or each
// bin the first time a cell in it is read. Checking as reached spares a pass over the whole
// file before a walk that visits nearly every bin anyway, and reads each bin while the walk
// needs it; such a CellSpace changes as it is read and serves one thread at a time.
enum class CellCheck { Upfront, AsReached };

class CellSpace {
public:
    // Walks every bin's cells (or, as reached, only the bins' headers); cells must tile each
    // bin exactly. Stops with an error saying "cancelled" when `cancel` is set.
    static Result<CellSpace> Read(ByteSpan hiveBinsData, const std::atomic<bool>* cancel = nullptr,
                                  CellCheck check = CellCheck::Upfront);

    // The allocated cell starting at `offset`; `structure` names what the caller expects there.
    Result<Cell> Allocated(std::uint32_t offset, const char* structure) const;
    // The same into `cell`, for the compactor's walk: no large result is built and copied.
    Status Allocated(std::uint32_t offset, const char* structure, Cell& cell) const {
        if (offset < data_.size() && offset % kCellAlignment == 0 && BinChecked(offset) &&
            cellStarts_.Test(offset / kCellAlignment)) {
            const std::uint32_t raw = ReadLe32(data_.data() + offset);
            const std::uint32_t size = 0u - raw;
            // Read checked every cell's size, but a mapped file can change afterwards.
            if ((raw & 0x80000000u) != 0 && size >= kCellAlignment && size <= data_.size() - offset) {
                cell.offset = offset;
                cell.size = size;
                cell.allocated = true;
                cell.data = ByteSpan(data_.data() + offset + 4, size - 4, data_.fileOffset() + offset + 4);
                return Done{};
            }
        }
        return NotAllocated(offset, structure);
    }

    // Asks the processor to start loading the cell at `offset` (of any validity), so that
    // reading many scattered cells overlaps their cache misses.
    void Prefetch(std::uint32_t offset) const {
        if (offset < data_.size()) regf::Prefetch(data_.data() + offset);
    }

    // Four bytes at `offset` as they are, unchecked beyond staying inside the hive bins (0
    // outside): for guessing what to prefetch, never for what to trust.
    std::uint32_t Peek32(std::uint64_t offset) const {
        return offset + 4 <= data_.size() ? ReadLe32(data_.data() + offset) : 0;
    }

    // The whole size of a cell that Allocated has already accepted.
    std::uint32_t SizeOfAllocated(std::uint32_t offset) const { return 0u - ReadLe32(data_.data() + offset); }

    // Every cell in file order, allocated or free.
    void ForEachCell(const std::function<void(const Cell&)>& visit) const;

    const std::vector<HiveBin>& Bins() const { return bins_; }
    std::uint32_t HiveBinsSize() const { return static_cast<std::uint32_t>(data_.size()); }

private:
    enum class BinState : std::uint8_t { Unchecked, Sound, Broken };

    // Why `offset` is not the start of an allocated cell.
    Error NotAllocated(std::uint32_t offset, const char* structure) const;

    // Flags where each cell of bins [firstBin, endBin) starts, checking that they tile the bin.
    Status MarkCellStarts(std::size_t firstBin, std::size_t endBin, const std::atomic<bool>* cancel) const;

    // Whether the cells of the bin holding `offset` (inside the hive bins) are known to tile it,
    // checking them now when they are reached for the first time.
    bool BinChecked(std::uint32_t offset) const {
        if (binAtPage_.empty()) return true;
        const std::uint32_t bin = binAtPage_[offset / kHiveBinAlignment];
        return binState_[bin] == BinState::Sound || (binState_[bin] == BinState::Unchecked && CheckBin(bin));
    }
    bool CheckBin(std::uint32_t bin) const;

    ByteSpan data_;
    std::vector<HiveBin> bins_;
    mutable UnitFlags cellStarts_;
    // Checking as reached: the bin of each 4096-byte page, and how far each bin is checked.
    std::vector<std::uint32_t> binAtPage_;
    mutable std::vector<BinState> binState_;
};

}  // namespace kelvara::regf
