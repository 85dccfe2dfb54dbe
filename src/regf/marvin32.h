// Marvin32, the keyed 64-bit hash that the log entries of the newer transaction log format
// carry twice: once over their page references and pages, once over their own header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvara::regf {

// The key every hive log entry is hashed with, as a number: its low half seeds the state's low
// word. (Read as the bytes C5 55 4E 7A 88 4D EF 82 in the wrong order it gives another hash,
// and every log that Windows wrote would fail its check.)
constexpr std::uint64_t kLogEntryHashSeed = 0x82EF4D887A4E55C5ull;

std::uint64_t Marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed);

}  // namespace kelvara::regf
