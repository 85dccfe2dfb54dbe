// The upper-case tables Windows compares registry names with, as data that
// tools/upcase-table/make-upcase-table.py wrote into upcase_table.cpp from outside sources.
// names.h is the interface; this is only its data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvara::regf {

// Windows 7's table (NTFS's $UpCase), in blocks of 256 units: the capital of unit c is
// c + kUpcaseBlocks[kUpcaseBlockOf[c >> 8]][c & 0xFF], modulo 65,536.
extern const std::uint8_t kUpcaseBlockOf[256];
extern const std::uint16_t kUpcaseBlocks[][256];
// The same for the units below 256, as capitals.
extern const char16_t kUpcaseLatin1[256];

// A unit whose capital differs from Windows 7's in another table; sorted by unit.
struct UpcaseException {
    char16_t unit;
    char16_t upper;
};
extern const UpcaseException kWindowsXPUpcase[];
extern const std::size_t kWindowsXPUpcaseCount;
extern const UpcaseException kWineUpcase[];
extern const std::size_t kWineUpcaseCount;

}  // namespace kelvara::regf
