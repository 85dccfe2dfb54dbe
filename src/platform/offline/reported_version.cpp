#include "platform/offline/reported_version.h"

namespace kelvara::platform::offline {

namespace {
constexpr std::uint32_t kPlatformNt = 2;
constexpr std::uint32_t kWindows8Build = 9200;
}  // namespace

OsVersion ReportedVersion(const std::optional<InstalledVersion>& installed) {
    if (!installed) return {};
    OsVersion version{installed->major, installed->minor, installed->build, kPlatformNt};
    bool afterWindows8 = installed->major > 6 || (installed->major == 6 && installed->minor > 2);
    if (afterWindows8) {
        version.majorVersion = 6;
        version.minorVersion = 2;
        version.buildNumber = kWindows8Build;
    }
    return version;
}

}  // namespace kelvara::platform::offline
