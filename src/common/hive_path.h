// The registry root and sub-key of a loaded hive, from the path Windows publishes for it in the
// hivelist key ("\REGISTRY\MACHINE\SOFTWARE", "\REGISTRY\USER\S-1-5-19").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvara::common {

enum class HiveRoot { LocalMachine, Users };

struct HivePath {
    HiveRoot root;
    std::string subKey;   // in the letter case of the published path
};

// Looks for "REGISTRY\MACHINE\" anywhere in the path (ASCII letters compared without regard to
// case), and only when it is missing for "REGISTRY\USER\"; the sub-key is everything after the
// prefix found. None when the path holds neither.
std::optional<HivePath> ParseHivePath(std::string_view hivePath);

// Whether the path names a machine hive whose name holds "SOFTWARE": on 64-bit Windows such a
// hive is opened in the 64-bit registry view.
bool IsMachineSoftwareHive(std::string_view hivePath);

}  // namespace kelvara::common
