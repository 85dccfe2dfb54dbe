// The hive catalogue: the loaded hives that have a file the program can reach, read from the
// list Windows keeps under HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\hivelist.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace kelvara::hive {

inline constexpr const char* kHiveListKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";

// The existing drive-letter path of a hive file given in the kernel's device form, or "".
// On 64-bit Windows a path through "system32" becomes the "sysnative" one when that exists.
std::string HiveFileFromDevicePath(platform::System& system, bool is64BitWindows,
                                   const std::string& devicePath);

// Empties both lists, then fills them in the registry's enumeration order: hiveKeyList[i] is a
// hivelist value's name, hiveFileList[i] its hive file. Values that are not strings, have empty
// data, or name no reachable file are left out; duplicates are kept. A key that cannot be
// opened leaves both lists empty. Nothing is reported.
void LoadHiveList(platform::System& system, bool is64BitWindows,
                  std::vector<std::string>& hiveKeyList, std::vector<std::string>& hiveFileList);

// A hive the catalogue leaves out for a reason the user must hear.
struct PassedOverHive {
    std::string hivePath;   // the hivelist value's name
    std::string reason;
};

// The same; a hive whose file path the system's ANSI code page cannot spell (a profile folder
// named in letters the code page lacks) is left out and named in `passedOver`: the ANSI calls
// the program makes would reach another file under look-alike letters, or none.
void LoadHiveList(platform::System& system, bool is64BitWindows, std::vector<std::string>& hiveKeyList,
                  std::vector<std::string>& hiveFileList, std::vector<PassedOverHive>& passedOver);

// The message that names the hives passed over, one a line.
std::string PassedOverMessage(const std::vector<PassedOverHive>& passedOver);

}  // namespace kelvara::hive
