// Where a hive that is written as it is made goes: its bytes in file order, then corrections of
// a few bytes that had already gone out (a key's subkey list is known only after its subtree).
#pragma once

#include <cstdint>
#include <span>

#include "regf/regf.h"

namespace kelvara::regf {

class HiveSink {
public:
    virtual ~HiveSink() = default;
    // Continues the file with `bytes`.
    virtual Status Append(std::span<const std::uint8_t> bytes) = 0;
    // Overwrites bytes already appended, at `fileOffset`.
    virtual Status Patch(std::uint64_t fileOffset, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace kelvara::regf
