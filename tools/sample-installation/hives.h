// The content of each of the sample installation's hives. Each maker is deterministic: the
// same seed gives the same tree.
#pragma once

#include <cstdint>

#include "regf/regf.h"

namespace kelvara::sample {

regf::KeySpec MakeSystemHive(std::uint64_t seed);
regf::KeySpec MakeSoftwareHive(std::uint64_t seed);
regf::KeySpec MakeSamHive(std::uint64_t seed);
regf::KeySpec MakeSecurityHive(std::uint64_t seed);
regf::KeySpec MakeDefaultHive(std::uint64_t seed);
regf::KeySpec MakeUserHive(std::uint64_t seed);        // NTUSER.DAT
regf::KeySpec MakeUserClassesHive(std::uint64_t seed); // UsrClass.dat

}  // namespace kelvara::sample
