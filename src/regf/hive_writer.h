// Lays cells out in hive bins for the hives we write (compacted copies and built ones).
// Bins are 4096 bytes unless one cell needs more; a new cell goes into the tail of one of the
// last few bins when it fits there, so bins end with as little free space as possible.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/base_block.h"
#include "regf/regf.h"

namespace kelvara::regf {

class HiveWriter {
public:
    // Room for `hiveBinsBytes` is reserved up front, so growing never copies a large buffer.
    explicit HiveWriter(std::uint64_t hiveBinsBytes = 0);

    // A new allocated cell with at least `dataSize` bytes of data; its offset. Errors only when
    // the hive would pass the format's 4 GB limit.
    Result<std::uint32_t> Allocate(std::uint64_t dataSize);
    // The data bytes of a cell; valid until the next Allocate.
    std::uint8_t* Data(std::uint32_t offset);
    std::uint32_t DataSize(std::uint32_t offset) const;
    // Marks a cell free (the builder's deleted keys and moved values).
    void Free(std::uint32_t offset);

    std::uint64_t AllocatedBytes() const { return allocatedBytes_; }
    std::uint32_t HiveBinsSize() const { return static_cast<std::uint32_t>(buffer_.size() - kBaseBlockBytes); }

    // Closes every bin (free tails and neighbouring free cells become one free cell each),
    // fills the base block and hands over the whole file.
    std::vector<std::uint8_t> Finish(BaseBlockFields fields);

private:
    static constexpr std::size_t kBaseBlockBytes = 4096;
    static constexpr std::size_t kOpenBinWindow = 4;

    struct Bin {
        std::uint32_t offset;
        std::uint32_t size;
        std::uint32_t used;   // header and cells placed so far
    };

    std::uint8_t* At(std::uint32_t offset) { return buffer_.data() + kBaseBlockBytes + offset; }
    void MergeFreeCells(const Bin& bin);

    std::vector<std::uint8_t> buffer_;   // base block, then the hive bins
    std::vector<Bin> bins_;
    std::vector<std::size_t> openBins_;  // the newest bins with room left, oldest first
    std::uint64_t allocatedBytes_ = 0;
};

}  // namespace kelvara::regf
