// Byte counts as the program shows them: whole kilobytes, digits grouped in threes.
#pragma once

#include <cstdint>
#include <string>

namespace kelvara::common {

// Any part of a kilobyte counts as a whole one (1 byte and 1024 bytes are both "1 KB"). The
// separator is always "," whatever the user's locale, so the /Scan result file reads the same
// everywhere. The kilobyte count is a signed 32-bit number: sizes are those of hive files, far
// below the 2 TiB where it would wrap.
std::string FormatSizeKB(std::int64_t bytes);

}  // namespace kelvara::common
