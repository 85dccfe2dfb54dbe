// Building errors that say what went wrong and where, and the offset arithmetic they need.
#pragma once

#include <cstdint>
#include <string>

#include "regf/regf.h"

namespace kelvara::regf {

// Offsets inside a hive are relative to the start of the hive bins, which follow the
// 4096-byte base block.
constexpr std::uint32_t kBaseBlockSize = 4096;
inline std::uint64_t FileOffsetOf(std::uint32_t cellOffset) {
    return std::uint64_t{kBaseBlockSize} + cellOffset;
}

std::string Hex(std::uint64_t value);   // "0x1a2b"

Error MakeError(std::uint64_t fileOffset, std::string message);

// "<structure> at cell 0x...: expected <expected>, found <found>" at the cell's file offset.
Error CellError(const char* structure, std::uint32_t cellOffset, const std::string& problem);

}  // namespace kelvara::regf
