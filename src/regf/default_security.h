// The security descriptor the builder gives a root key that brings none.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvara::regf {

// Self-relative: owner Administrators, group SYSTEM, a DACL granting full control to
// Administrators and SYSTEM and read access to Everyone, inherited by subkeys.
std::vector<std::uint8_t> DefaultKeySecurity();

}  // namespace kelvara::regf
