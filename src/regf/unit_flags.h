// One flag per 8-byte unit of the hive bins data: where cells start, which cells a walk has
// taken. A 4096-byte bin's flags fill eight whole words, so threads that work on different bins
// never write the same word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvara::regf {

class UnitFlags {
public:
    UnitFlags() = default;
    explicit UnitFlags(std::size_t units) : words_((units + 63) / 64, 0) {}

    bool Test(std::size_t unit) const { return (words_[unit / 64] >> (unit % 64)) & 1; }
    void Set(std::size_t unit) { words_[unit / 64] |= Bit(unit); }
    // Sets the flag and says whether it was set already.
    bool TestAndSet(std::size_t unit) {
        std::uint64_t& word = words_[unit / 64];
        const bool was = (word & Bit(unit)) != 0;
        word |= Bit(unit);
        return was;
    }

private:
    static std::uint64_t Bit(std::size_t unit) { return std::uint64_t{1} << (unit % 64); }

    std::vector<std::uint64_t> words_;
};

}  // namespace kelvara::regf
