// Everything the engine does with an untrusted hive, with the promises that must hold: reading
// never crashes, and a hive that can be compacted compacts into a sound hive with the same
// keys and values, which compacts again to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvara::fuzz {

// Runs the reader, the checker and the compactor over `data`. Returns "" when every promise
// held, or what was broken.
std::string ExerciseHive(const std::uint8_t* data, std::size_t size);

}  // namespace kelvara::fuzz
