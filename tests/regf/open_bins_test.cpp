#include "regf/open_bins.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvara::regf {
namespace {

struct Placement {
    const char* label;
    std::vector<std::uint32_t> rooms;   // bins 0, 1, ... opened with these rooms, oldest first
    std::uint32_t cell;
    std::uint32_t bin;                  // the bin the cell goes into, or kNone
    bool eightByteCellJustCame = false;
};

TEST(OpenBins, ACellGoesIntoTheOldestBinWithRoomAndLeavesNoEightByteTailThatNoCellFills) {
    constexpr auto none = OpenBins::kNone;
    const Placement cases[] = {
        {"no bins", {}, 16, none},
        {"the oldest of several with room", {100, 200, 300}, 64, 0},
        {"past the bins too small", {40, 24, 300}, 64, 2},
        {"an exact fit", {64, 200}, 64, 0},
        {"not one leaving 8 bytes", {72, 200}, 64, 1},
        {"one leaving 16 bytes", {80, 200}, 64, 0},
        {"none when only an 8-byte tail would be left", {72}, 64, none},
        {"none with too little room anywhere", {8, 16, 24}, 32, none},
        {"a full bin takes nothing", {0, 48}, 8, 1},
        {"a cell of a page or more never fits", {4064}, 4096, none},
        {"the largest room", {4064}, 4064, 0},
        {"8 bytes left while cells that small come", {72, 200}, 64, 0, true},
        {"an 8-byte cell into a tail of 16", {16, 200}, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        OpenBins bins;
        for (std::uint32_t bin = 0; bin < c.rooms.size(); ++bin) bins.Open(bin, c.rooms[bin]);
        if (c.eightByteCellJustCame) bins.SlotFor(8);
        const std::uint32_t slot = bins.SlotFor(c.cell);
        EXPECT_EQ(slot == OpenBins::kNone ? OpenBins::kNone : bins.Bin(slot), c.bin);
    }
}

TEST(OpenBins, OnlyTheNewestSixteenTakeCellsAndTheOldestOfThemComesFirst) {
    OpenBins bins;
    // Forty bins with room for exactly one 64-byte cell each, then the cells go in one by one:
    // bins 0 to 23 are out of reach, and 24 to 39 fill oldest first.
    for (std::uint32_t bin = 0; bin < 40; ++bin) bins.Open(bin, 64);
    for (std::uint32_t expected = 24; expected < 40; ++expected) {
        const std::uint32_t slot = bins.SlotFor(64);
        ASSERT_NE(slot, OpenBins::kNone);
        EXPECT_EQ(bins.Bin(slot), expected);
        bins.Use(slot, 64);
    }
    EXPECT_EQ(bins.SlotFor(8), OpenBins::kNone);
}

TEST(OpenBins, EightByteTailsAreLeftAgainOnlyWhileEightByteCellsKeepComing) {
    OpenBins bins;
    bins.Open(0, 72);
    bins.Open(1, 4000);
    EXPECT_EQ(bins.Bin(bins.SlotFor(8)), 0u);
    for (int cell = 1; cell < 64; ++cell) EXPECT_EQ(bins.Bin(bins.SlotFor(64)), 0u) << cell;
    EXPECT_EQ(bins.Bin(bins.SlotFor(64)), 1u);
}

TEST(OpenBins, CellsFillABinUpToItsLastByte) {
    OpenBins bins;
    bins.Open(0, 4040);
    std::uint32_t placed = 0;
    // 24-byte cells go in while they leave 16 bytes or more, or nothing: 167 of them, and 32
    // bytes are left; two cells of 16 close the bin.
    const std::uint32_t cells[] = {24, 16};
    for (const std::uint32_t cell : cells) {
        for (std::uint32_t slot = bins.SlotFor(cell); slot != OpenBins::kNone; slot = bins.SlotFor(cell)) {
            bins.Use(slot, cell);
            placed += cell;
        }
    }
    EXPECT_EQ(placed, 4040u);
    EXPECT_EQ(bins.SlotFor(8), OpenBins::kNone);
}

}  // namespace
}  // namespace kelvara::regf
