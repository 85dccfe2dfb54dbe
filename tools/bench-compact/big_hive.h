// A large made-up hive for the benchmark: many keys of settings-like values, some big values,
// and free space left between them as a long-used hive has.
#pragma once

#include <cstdint>
#include <string>

#include "regf/regf.h"

namespace kelvara::bench {

// Builds a hive of roughly `targetBytes` at `path`.
regf::Status BuildBigHive(const std::string& path, std::uint64_t targetBytes);

}  // namespace kelvara::bench
