// Properties every INI text must keep, whatever its bytes: shared by the randomised suite and the
// libFuzzer target. Each returns an empty text when the property holds, else what broke.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/ini_file.h"

namespace kelvara::testing {

struct IniName {
    std::string section;
    std::string key;
};

// The section and key names a text seems to hold, found by a naive look at its lines, plus a few
// that are surely absent: the names whose values the properties watch.
std::vector<IniName> NamesIn(std::string_view text);

// Parsing and printing an unchanged file gives back its bytes.
std::string CheckRoundTrip(std::string_view text);

// After SetString the value reads back, and no other watched value changes.
std::string CheckSetString(std::string_view text, const std::string& section, const std::string& key,
                           const std::string& value);

// After RemoveSection the section is gone, and values of other sections do not change.
std::string CheckRemoveSection(std::string_view text, const std::string& section);

}  // namespace kelvara::testing
