// The clock of the presented Windows: the machine's own clock.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace kelvara::platform::offline {

// Milliseconds of a clock that never goes back, wrapping at 2^32 like GetTickCount.
std::uint32_t MonotonicMilliseconds();

LocalTime CurrentLocalTime();

}  // namespace kelvara::platform::offline
