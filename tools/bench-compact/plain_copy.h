// The I/O floor: reading a file whole and writing it back out, as any tool that rewrites a
// hive must at least do.
#pragma once

#include <string>

namespace kelvara::bench {

// Seconds taken to copy `from` to `to` through a 128 KB buffer (the size cp reads and writes
// by), or a negative number when the copy failed (`error` then says why).
double TimePlainCopy(const std::string& from, const std::string& to, std::string& error);

}  // namespace kelvara::bench
