// Marvin32, the keyed 64-bit hash that the log entries of the newer transaction log format
// carry twice: once over their page references and pages, once over their own header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvara::regf {

// The key every hive log entry is hashed with.
constexpr std::uint64_t kLogEntryHashSeed = 0xC5554E7A884DEF82ull;

std::uint64_t Marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed);

}  // namespace kelvara::regf
