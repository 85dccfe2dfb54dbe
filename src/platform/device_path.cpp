#include "platform/device_path.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "common/ascii_text.h"

namespace kelvara::platform {
namespace {

using common::AsciiFindNoCase;
using common::AsciiLower;
using std::string_view;

// Room for 26 roots of four characters each ("C:\" and its zero).
constexpr std::uint32_t kDriveListChars = 104;
constexpr std::uint32_t kDriveListCharsLimit = 4096;
constexpr std::uint32_t kRootEntryChars = 4;
constexpr std::uint32_t kDriveDeviceChars = 127;
constexpr std::uint32_t kLetterDeviceChars = 1000;

// The logical drive list, asked with the fixed 104-character buffer. A machine with all 26
// letters in use needs 105 characters (the list's closing zero); then the list is asked again
// with the size the system said it needs, so no drive is lost and nothing is read past what
// was written.
std::string LogicalDriveStrings(System& system)
{
    std::string buffer;
    std::uint32_t length = system.GetLogicalDriveStrings(kDriveListChars, buffer);
    if (length > kDriveListChars) {
        if (length > kDriveListCharsLimit) return {};
        const std::uint32_t needed = length;
        buffer.clear();
        length = system.GetLogicalDriveStrings(needed, buffer);
        if (length > needed) return {};
    }
    buffer.resize(std::min<std::size_t>(buffer.size(), length));
    return buffer;
}

// The text up to the first zero character.
std::string UpToZero(string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

// Index of the first backslash at or after `from`, npos if none.
std::size_t NextBackslash(string_view text, std::size_t from)
{
    return text.find('\\', from);
}

// Splits `device` at its (count)th backslash counted from the second character on; `rest`
// receives that backslash and everything after it. Without that many backslashes the device
// part stays whole and the rest is empty.
void SplitAfterBackslashes(std::string& device, std::string& rest, int count)
{
    std::size_t at = 0;   // searching from the second character skips a leading backslash
    for (int found = 0; found < count; ++found) {
        at = NextBackslash(device, at + 1);
        if (at == std::string::npos) return;
    }
    rest = device.substr(at);
    device.resize(at);
}

}  // namespace

std::string DevicePathToDrivePath(System& system, const std::string& devicePath)
{
    const std::string drives = LogicalDriveStrings(system);
    const std::size_t entries = drives.size() / kRootEntryChars;
    for (std::size_t k = 0; k < entries; ++k) {
        const std::string root = UpToZero(string_view(drives).substr(k * kRootEntryChars, kRootEntryChars));
        if (root.size() < 2) continue;
        if (system.GetDriveType(root) != drivetype::Fixed) continue;

        const std::string letterAndColon = root.substr(0, 2);
        std::string device;
        if (!system.QueryDosDevice(letterAndColon, kDriveDeviceChars, device)) continue;
        device = UpToZero(device);
        if (device.empty()) continue;

        const std::size_t pos = AsciiFindNoCase(devicePath, device);
        if (pos == std::string::npos) continue;
        return letterAndColon + devicePath.substr(pos + device.size());
    }
    return {};
}

std::string DevicePathToLetterPath(System& system, const std::string& devicePath)
{
    if (devicePath.empty()) return {};
    std::string device = devicePath;
    if (!device.starts_with('\\') && common::AsciiStartsWithNoCase(device, "Device")) {
        device.insert(device.begin(), '\\');
    }

    std::string rest;
    if (common::AsciiContainsNoCase(device, "Device\\HarddiskVolume")) {
        SplitAfterBackslashes(device, rest, 2);
    } else if (common::AsciiContainsNoCase(device, "Device\\Harddisk")) {
        SplitAfterBackslashes(device, rest, 3);
    }

    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string name;
        if (!system.QueryDosDevice(std::string{letter, ':'}, kLetterDeviceChars, name)) continue;
        name = UpToZero(name);
        if (name.empty()) continue;
        if (common::AsciiEqualNoCase(name, device) || common::AsciiEqualNoCase("\\" + name, device)) {
            return std::string{AsciiLower(letter), ':'} + rest;
        }
    }
    return {};
}

std::string ToSysnativePath(System& system, const std::string& path)
{
    constexpr string_view kSystem32 = "system32";
    const std::size_t pos = AsciiFindNoCase(path, kSystem32);
    if (pos == std::string::npos) return path;
    const std::string candidate = path.substr(0, pos) + "sysnative" + path.substr(pos + kSystem32.size());
    return system.FileExists(candidate) ? candidate : path;
}

}  // namespace kelvara::platform
