// What an open HiveFile holds: the file's bytes, its base block and the map of its cells.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "regf/base_block.h"
#include "regf/cell.h"
#include "regf/regf.h"

namespace kelvara::regf {

// The registry refuses to nest keys deeper than this; the reader, the checker and the compactor
// stop a walk there.
inline constexpr std::uint32_t kMaxKeyDepth = 512;

struct HiveImpl {
    std::vector<std::uint8_t> owned;           // the file's bytes when they are held in memory,
    std::shared_ptr<const void> keepAlive;     // or what holds them otherwise (a mapped file)
    std::span<const std::uint8_t> bytes;
    BaseBlockHeader baseBlock{};
    std::string checksumProblem;   // "" when the checksum is right
    CellSpace cells;
};

// The implementation behind a HiveFile, for the engine's own walkers.
const HiveImpl& ImplOf(const HiveFile& hive);

// Validates the bytes `impl` holds and makes the hive over them.
Result<HiveFile> OpenHiveImpl(std::shared_ptr<HiveImpl> impl, const std::atomic<bool>* cancel,
                              CellCheck check = CellCheck::Upfront);

// HiveFile::FromBytes that gives up with an error when `cancel` is set while the cells are
// mapped, which takes a noticeable time on large hives.
Result<HiveFile> OpenHiveBytes(std::vector<std::uint8_t> bytes, const std::atomic<bool>* cancel);
// The same over bytes that `owner` keeps alive for as long as the hive or a view of it lives.
// Checked as reached, the hive is for one thread at a time (see CellCheck).
Result<HiveFile> OpenHiveView(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> owner,
                              const std::atomic<bool>* cancel, CellCheck check = CellCheck::Upfront);

}  // namespace kelvara::regf
