#include "common/hive_path.h"

#include "common/ascii_text.h"

namespace kelvara::common {
namespace {

constexpr std::string_view MachinePrefix = "REGISTRY\\MACHINE\\";
constexpr std::string_view UserPrefix = "REGISTRY\\USER\\";

}  // namespace

std::optional<HivePath> ParseHivePath(std::string_view hivePath) {
    // Upper-casing ASCII letters keeps every position, so a position found in the upper-cased
    // copy cuts the original text at the same place.
    const std::string upper = AsciiUpperCase(hivePath);
    if (const auto at = upper.find(MachinePrefix); at != std::string::npos)
        return HivePath{HiveRoot::LocalMachine, std::string(hivePath.substr(at + MachinePrefix.size()))};
    if (const auto at = upper.find(UserPrefix); at != std::string::npos)
        return HivePath{HiveRoot::Users, std::string(hivePath.substr(at + UserPrefix.size()))};
    return std::nullopt;
}

bool IsMachineSoftwareHive(std::string_view hivePath) {
    const auto parsed = ParseHivePath(hivePath);
    return parsed && parsed->root == HiveRoot::LocalMachine &&
           AsciiUpperCase(hivePath).find("SOFTWARE") != std::string::npos;
}

}  // namespace kelvara::common
