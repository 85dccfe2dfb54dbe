// What an open HiveFile holds: the file's bytes, its base block and the map of its cells.
#pragma once

#include <vector>

#include "regf/base_block.h"
#include "regf/cell.h"
#include "regf/regf.h"

namespace kelvara::regf {

struct HiveImpl {
    std::vector<std::uint8_t> bytes;
    BaseBlockHeader baseBlock{};
    std::string checksumProblem;   // "" when the checksum is right
    CellSpace cells;
};

// The implementation behind a HiveFile, for the engine's own walkers.
const HiveImpl& ImplOf(const HiveFile& hive);

// HiveFile::FromBytes that gives up with an error when `cancel` is set while the cells are
// mapped, which takes a noticeable time on large hives.
Result<HiveFile> OpenHiveBytes(std::vector<std::uint8_t> bytes, const std::atomic<bool>* cancel);

}  // namespace kelvara::regf
