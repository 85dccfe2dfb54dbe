// Lays cells out in hive bins for the hives we write (compacted copies and built ones).
// Bins are 4096 bytes unless one cell needs more. A new cell goes into the oldest of the last
// kOpenBinReach bins that has room for it (OpenBins); only when none has does a new bin begin.
// Bins so end full, and the hive is as small as its cells allow.
//
// The hive is kept whole in memory, or streamed: then only a window of the newest bytes is
// kept, older bins go to a HiveSink as they can no longer change, and the rare later change to
// a cell already sent becomes a patch. Streaming keeps memory flat and the bytes written hot in
// the cache, whatever the hive's size.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "regf/base_block.h"
#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/hive_bin.h"
#include "regf/hive_sink.h"
#include "regf/open_bins.h"
#include "regf/regf.h"

namespace kelvara::regf {

class HiveWriter {
public:
    // How many of the newest bins can still take cells. Older ones are closed, so that a
    // streamed hive can send them; the same rule holds in memory, so both lay cells out alike.
    static constexpr std::size_t kOpenBinReach = OpenBins::kSlots;
    // A streamed hive is sent in runs that end at multiples of this many bytes of the file.
    static constexpr std::size_t kSendAlignment = 64 << 10;

    // The whole hive in memory; room for `hiveBinsBytes` is reserved up front, so growing never
    // copies a large buffer.
    explicit HiveWriter(std::uint64_t hiveBinsBytes = 0);
    // Streamed to `sink`, keeping about `windowBytes` in memory. The last kOpenBinReach bins
    // and less than kSendAlignment bytes of closed ones stay in it, so a window of twice their
    // pages and kSendAlignment more moves down at most as much as it sends each time it is full.
    HiveWriter(HiveSink& sink, std::size_t windowBytes);

    // A new allocated cell with at least `dataSize` bytes of data; its offset. Errors when the
    // hive would pass the format's 4 GB limit, or when the sink fails.
    [[gnu::always_inline]] Result<std::uint32_t> Allocate(std::uint64_t dataSize) {
        // Most cells go into the tail of an open bin: that path stays inline.
        if (dataSize < kHiveBinAlignment) {
            const auto cellSize = static_cast<std::uint32_t>((dataSize + 4 + kCellAlignment - 1) & ~std::uint64_t{kCellAlignment - 1});
            if (const std::uint32_t slot = openBins_.SlotFor(cellSize); slot != OpenBins::kNone) {
                openBins_.Use(slot, cellSize);
                return PutCell(bins_[openBins_.Bin(slot)], cellSize);
            }
        }
        return AllocateInNewBin(dataSize);
    }
    // The data bytes of the cell allocated last, to fill it; valid until the next Allocate.
    // In memory any cell's bytes can be reached this way.
    std::uint8_t* Data(std::uint32_t offset);
    std::uint32_t DataSize(std::uint32_t offset) const;
    // Changes bytes of a cell's data after it was filled, wherever the cell is now.
    void Write(std::uint32_t offset, std::size_t at, std::span<const std::uint8_t> bytes);
    template <class T>
    void Put(std::uint32_t offset, const T& header) {
        Write(offset, 0, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&header), sizeof header));
    }
    // One field of a cell's data, written where the cell is: a field written alone does not
    // make the processor gather a struct that was just put together.
    void Put16(std::uint32_t offset, std::size_t at, std::uint16_t value) {
        if (InWindow(offset)) WriteLe16(At(offset) + 4 + at, value);
        else PutLate(offset, at, value, 2);
    }
    void Put32(std::uint32_t offset, std::size_t at, std::uint32_t value) {
        if (InWindow(offset)) WriteLe32(At(offset) + 4 + at, value);
        else PutLate(offset, at, value, 4);
    }
    // Marks a cell free (the builder's deleted keys and moved values); in memory only.
    void Free(std::uint32_t offset);

    std::uint64_t AllocatedBytes() const { return allocatedBytes_; }
    std::uint32_t HiveBinsSize() const { return hiveBinsSize_; }

    // In memory: closes every bin (free tails and neighbouring free cells become one free cell
    // each), fills the base block and hands over the whole file.
    std::vector<std::uint8_t> Finish(BaseBlockFields fields);
    // Streamed: the same, sending the rest, the base block and the patches to the sink.
    Status FinishStream(BaseBlockFields fields);

private:
    static constexpr std::size_t kBaseBlockBytes = 4096;

    struct Bin {
        std::uint32_t offset;
        std::uint32_t size;
        std::uint32_t used;   // header and cells placed so far
    };
    struct LatePatch {
        std::uint64_t fileOffset;
        std::vector<std::uint8_t> bytes;
    };

    // Where hive bins offset `offset` is in the buffer; the buffer starts at file offset
    // windowStart_.
    std::uint8_t* At(std::uint32_t offset) { return buffer_.data() + (kBaseBlockBytes + offset - windowStart_); }
    const std::uint8_t* At(std::uint32_t offset) const {
        return buffer_.data() + (kBaseBlockBytes + offset - windowStart_);
    }
    bool InWindow(std::uint32_t offset) const { return kBaseBlockBytes + offset >= windowStart_; }
    // A cell that fits no open bin, in a bin of its own making.
    Result<std::uint32_t> AllocateInNewBin(std::uint64_t dataSize);
    // Puts a cell of `cellSize` bytes after the cells of `bin`.
    std::uint32_t PutCell(Bin& bin, std::uint32_t cellSize) {
        const std::uint32_t offset = bin.offset + bin.used;
        bin.used += cellSize;
        WriteLe32(At(offset), 0u - cellSize);
        allocatedBytes_ += cellSize;
        return offset;
    }
    std::uint32_t NewBin(std::uint32_t cellSize);
    void PutLate(std::uint32_t offset, std::size_t at, std::uint32_t value, std::size_t bytes);
    void CloseBin(Bin& bin);
    void MergeFreeCells(const Bin& bin);
    // Sends the bins before the oldest one that can still take cells.
    Status SendClosedBins();
    std::uint64_t FillBaseBlock(BaseBlockFields& fields);

    std::vector<std::uint8_t> buffer_;   // base block, then the hive bins, from windowStart_ on
    std::vector<Bin> bins_;
    OpenBins openBins_;                  // the bins from oldestOpen_ on that have room left
    std::size_t oldestOpen_ = 0;         // bins before it take no more cells
    std::uint64_t allocatedBytes_ = 0;
    bool freedCells_ = false;            // Free was called: closing a bin merges free neighbours
    std::uint32_t hiveBinsSize_ = 0;

    HiveSink* sink_ = nullptr;
    std::size_t windowBytes_ = 0;
    std::uint64_t windowStart_ = 0;      // file offset of buffer_[0]
    std::size_t firstUnsentBin_ = 0;
    std::vector<LatePatch> latePatches_;
};

}  // namespace kelvara::regf
