// The program's pictures compiled into the Linux program, by their resource names (the same
// names the Windows program's resource script gives them).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kelvara::app {

// The bytes of the named picture file; empty when there is no such picture.
std::span<const std::uint8_t> EmbeddedAsset(std::string_view name);

}  // namespace kelvara::app
