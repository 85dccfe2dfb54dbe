#include "common/windows_version.h"

namespace kelvara::common {

std::uint8_t WindowsVersionCode(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor)
{
    using namespace versioncode;
    if (platformId == kPlatformWin32Nt) {
        switch (major) {
        case 3: return NT3;
        case 4: return NT4;
        case 5:
            if (minor == 1) return WindowsXP;
            if (minor == 2) return WindowsServer2003;
            return Windows2000;
        case 6: return minor == 1 ? Windows7 : WindowsVista;
        default: return Unknown;
        }
    }
    if (major != 4) return Unknown;
    switch (minor) {
    case 0: return Windows95;
    case 10: return Windows98;
    case 90: return WindowsMe;
    default: return Unknown;
    }
}

bool IsSupportedVersionCode(std::uint8_t code)
{
    using namespace versioncode;
    switch (code) {
    case NT3: case NT4: case Windows2000: case WindowsXP: case WindowsServer2003:
    case WindowsVista: case Windows7:
        return true;
    default:
        return false;
    }
}

}  // namespace kelvara::common
