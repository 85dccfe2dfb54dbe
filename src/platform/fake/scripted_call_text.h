// How the scripted system names roots, numbers and drives in its call log and lookups; shared
// by the files that answer the calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/ascii_text.h"
#include "platform/system.h"

namespace kelvara::platform::fake::calltext {

inline std::string RootName(RootKey root)
{
    return root == RootKey::LocalMachine ? "HKLM" : "HKU";
}

inline std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// The drive letter a device name or root path names ("C:", "c:\\"), upper-cased; 0 if none.
inline char DriveLetterOf(const std::string& name)
{
    if (name.size() < 2 || name[1] != ':') return 0;
    const char letter = common::AsciiUpper(name[0]);
    return (letter >= 'A' && letter <= 'Z') ? letter : 0;
}

}  // namespace kelvara::platform::fake::calltext
