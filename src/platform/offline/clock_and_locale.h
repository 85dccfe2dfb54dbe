// The clock and the user's locale of the presented Windows: the machine's own clock, and the
// conventions of United States English, the locale Windows installs by default.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace kelvara::platform::offline {

// Milliseconds of a clock that never goes back, wrapping at 2^32 like GetTickCount.
std::uint32_t MonotonicMilliseconds();

LocalTime CurrentLocalTime();

// The en-US short date and long time: "M/d/yyyy h:mm:ss AM".
std::string FormatUsShortDateLongTime(const LocalTime& time);
// The en-US short date: "M/d/yyyy".
std::string FormatUsShortDate(const LocalTime& time);

}  // namespace kelvara::platform::offline
