// The program's one-byte code for a Windows version, from the fields of the basic version
// record. Codes 2 and 4 are never produced; 0 means a version the program does not know.
#pragma once

#include <cstdint>

namespace kelvara::common {

constexpr std::uint32_t kPlatformWin32Nt = 2;

namespace versioncode {
constexpr std::uint8_t Unknown = 0;
constexpr std::uint8_t Windows95 = 1;
constexpr std::uint8_t Windows98 = 3;
constexpr std::uint8_t NT3 = 5;
constexpr std::uint8_t NT4 = 6;
constexpr std::uint8_t Windows2000 = 7;
constexpr std::uint8_t WindowsMe = 8;
constexpr std::uint8_t WindowsXP = 9;
constexpr std::uint8_t WindowsServer2003 = 10;
constexpr std::uint8_t WindowsVista = 11;   // and every NT 6.x but 6.1
constexpr std::uint8_t Windows7 = 12;
}  // namespace versioncode

std::uint8_t WindowsVersionCode(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);

// The NT-family codes the program runs on: 5, 6, 7, 9, 10, 11, 12.
bool IsSupportedVersionCode(std::uint8_t code);

}  // namespace kelvara::common
