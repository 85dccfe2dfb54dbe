// The bins a hive writer can still put cells into: the newest 16, each in the slot of its
// index modulo 16 with the room it has left, so that all of them are tried at once.
//
// A cell goes into the oldest of them that has room: old bins fill up to their last bytes
// while the newest still take the larger cells, so bins end full and the hive comes out at
// its packed size. Only a cell of 8 bytes fills a tail of 8, and some hives have few such
// cells: unless one came among the last 64, a cell passes over any bin it would leave so.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvara::regf {

class OpenBins {
public:
    static constexpr std::uint32_t kSlots = 16;
    static constexpr std::uint32_t kNone = ~0u;

    // The slot whose bin takes a cell of `cellSize` bytes (a multiple of 8), or kNone.
    [[gnu::always_inline]] std::uint32_t SlotFor(std::uint32_t cellSize) {
        if (cellSize >= kLargestRoom) return kNone;
        // Tails of 8 bytes are left only while cells that small keep coming to fill them.
        cellsSinceEightBytes_ = cellSize == 8 ? 0 : std::min(cellsSinceEightBytes_ + 1, kEightByteCellsRecent);
        const bool eightByteTailsFill = cellsSinceEightBytes_ < kEightByteCellsRecent;
#if defined(__SSE2__)
        const __m128i older = _mm_loadu_si128(reinterpret_cast<const __m128i*>(room_));
        const __m128i newer = _mm_loadu_si128(reinterpret_cast<const __m128i*>(room_ + 8));
        const auto mask = [](__m128i olderLanes, __m128i newerLanes) {
            return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(olderLanes, newerLanes)));
        };
        std::uint32_t fit;
        if (eightByteTailsFill) {
            const __m128i cellMinus1 = _mm_set1_epi16(static_cast<short>(cellSize - 1));
            fit = mask(_mm_cmpgt_epi16(older, cellMinus1), _mm_cmpgt_epi16(newer, cellMinus1));
        } else {
            const __m128i cell = _mm_set1_epi16(static_cast<short>(cellSize));
            const __m128i cellPlus15 = _mm_set1_epi16(static_cast<short>(cellSize + 15));
            fit = mask(_mm_or_si128(_mm_cmpeq_epi16(older, cell), _mm_cmpgt_epi16(older, cellPlus15)),
                       _mm_or_si128(_mm_cmpeq_epi16(newer, cell), _mm_cmpgt_epi16(newer, cellPlus15)));
        }
        if (fit == 0) return kNone;
        // A bit per slot; turned so that the oldest slot comes first.
        const std::uint32_t fromOldest = ((fit >> oldest_) | (fit << (kSlots - oldest_))) & 0xFFFF;
        return (oldest_ + static_cast<std::uint32_t>(std::countr_zero(fromOldest))) % kSlots;
#else
        for (std::uint32_t age = 0; age < kSlots; ++age) {
            const std::uint32_t slot = (oldest_ + age) % kSlots;
            const std::uint32_t room = room_[slot];
            if (eightByteTailsFill ? room >= cellSize : room == cellSize || room >= cellSize + 16) return slot;
        }
        return kNone;
#endif
    }

    // The bin (an index into the writer's bins) in `slot`.
    std::uint32_t Bin(std::uint32_t slot) const { return bin_[slot]; }

    // A cell went into the bin in `slot`.
    void Use(std::uint32_t slot, std::uint32_t cellSize) {
        room_[slot] = static_cast<std::uint16_t>(room_[slot] - cellSize);
    }

    // The writer made bin `bin` (the next index) and left it `room` bytes, less than a page.
    // It takes the slot of the bin 16 before it, which so takes no more cells.
    void Open(std::uint32_t bin, std::uint32_t room) {
        const std::uint32_t slot = bin % kSlots;
        room_[slot] = static_cast<std::uint16_t>(room);
        bin_[slot] = bin;
        oldest_ = (slot + 1) % kSlots;
    }

    void Clear() {
        for (auto& room : room_) room = 0;
        oldest_ = 0;
        cellsSinceEightBytes_ = kEightByteCellsRecent;
    }

private:
    static constexpr std::uint32_t kLargestRoom = 4096;
    static constexpr std::uint32_t kEightByteCellsRecent = 64;

    std::uint16_t room_[kSlots] = {};   // 0 for a slot no bin has yet
    std::uint32_t bin_[kSlots] = {};
    std::uint32_t oldest_ = 0;          // the slot of the oldest bin
    std::uint32_t cellsSinceEightBytes_ = kEightByteCellsRecent;
};

}  // namespace kelvara::regf
