#include "hive/catalogue.h"

#include <algorithm>
#include <cstdint>

#include "common/ascii_text.h"
#include "platform/device_path.h"

namespace kelvara::hive {
namespace {

using platform::KeyHandle;
using platform::System;
namespace status = platform::status;
namespace regtype = platform::regtype;

// The registry's own limit for a value name (16383 characters) and its zero: a key that
// reports a longer name, or a name that grew since the count was taken, is given this much.
constexpr std::uint32_t kLargestNameBuffer = 16384;

std::string SysnativeIf(System& system, bool is64BitWindows, const std::string& path)
{
    return is64BitWindows ? platform::ToSysnativePath(system, path) : path;
}

// Value names in enumeration order. The enumeration stops at the end of the list and at the
// first error: a key that reports more values than it gives up (or answers every index with an
// error) must not keep us looping through billions of indexes.
std::vector<std::string> ValueNames(System& system, KeyHandle key)
{
    std::uint32_t valueCount = 0;
    std::uint32_t longestName = 0;
    if (system.RegQueryInfoKey(key, valueCount, longestName) != status::Success) return {};

    const std::uint32_t nameBuffer = std::min(longestName, kLargestNameBuffer - 1) + 1;
    std::vector<std::string> names;
    for (std::uint32_t index = 0; index < valueCount; ++index) {
        std::string name;
        long result = system.RegEnumValueName(key, index, nameBuffer, name);
        if (result == status::MoreData) {
            result = system.RegEnumValueName(key, index, kLargestNameBuffer, name);
        }
        if (result != status::Success) break;
        names.push_back(name);
    }
    return names;
}

// The value's text up to its first zero, when it is a string or an expandable string (read as
// stored, not expanded); "" for every other type and for a value that cannot be read. `exact`
// is false when the ANSI code page cannot spell the text.
std::string StringValue(System& system, KeyHandle key, const std::string& name, bool& exact)
{
    std::uint32_t type = regtype::None;
    std::vector<std::uint8_t> data;
    if (system.RegQueryStringValue(key, name, type, data, exact) != status::Success) return {};
    if (type != regtype::Sz && type != regtype::ExpandSz) return {};
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return std::string(data.begin(), end);
}

}  // namespace

std::string HiveFileFromDevicePath(System& system, bool is64BitWindows, const std::string& devicePath)
{
    if (common::AsciiContainsNoCase(devicePath, "Device\\Harddisk")) {
        const std::string file =
            SysnativeIf(system, is64BitWindows, platform::DevicePathToDrivePath(system, devicePath));
        if (!file.empty() && system.FileExists(file)) return file;
    }
    const std::string file =
        SysnativeIf(system, is64BitWindows, platform::DevicePathToLetterPath(system, devicePath));
    if (!file.empty() && system.FileExists(file)) return file;
    return {};
}

void LoadHiveList(System& system, bool is64BitWindows, std::vector<std::string>& hiveKeyList,
                  std::vector<std::string>& hiveFileList)
{
    std::vector<PassedOverHive> passedOver;
    LoadHiveList(system, is64BitWindows, hiveKeyList, hiveFileList, passedOver);
}

void LoadHiveList(System& system, bool is64BitWindows, std::vector<std::string>& hiveKeyList,
                  std::vector<std::string>& hiveFileList, std::vector<PassedOverHive>& passedOver)
{
    passedOver.clear();
    hiveKeyList.clear();
    hiveFileList.clear();

    KeyHandle key = 0;
    if (system.RegOpenKeyEx(platform::RootKey::LocalMachine, kHiveListKey, platform::access::KeyAllAccess,
                            key) != status::Success) {
        return;
    }
    for (const std::string& name : ValueNames(system, key)) {
        bool exact = true;
        const std::string devicePath = StringValue(system, key, name, exact);
        if (devicePath.empty()) continue;   // volatile hives (HARDWARE) have no file
        if (!exact) {
            passedOver.push_back({name, "its file's path (" + devicePath +
                                            ") has letters that Windows' ANSI code page cannot spell"});
            continue;
        }
        const std::string file = HiveFileFromDevicePath(system, is64BitWindows, devicePath);
        if (file.empty()) continue;
        hiveKeyList.push_back(name);
        hiveFileList.push_back(file);
    }
    system.RegCloseKey(key);
}

std::string PassedOverMessage(const std::vector<PassedOverHive>& passedOver)
{
    std::string text = "These hives are left out and will not be compacted:";
    for (const PassedOverHive& hive : passedOver) text += "\n" + hive.hivePath + ": " + hive.reason;
    return text;
}

}  // namespace kelvara::hive
