// Reading a hive file of the installation as Windows would see it once loaded.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "regf/regf.h"

namespace kelvara::platform::offline {

// A dirty hive is recovered in memory from the logs beside it, so that what is read (the
// Windows version, the profiles, a hive's values) includes its last write. One whose logs do
// not recover it is read as its file stands; the file and its logs are never written.
regf::Result<regf::HiveFile> OpenHiveAsLoaded(const std::filesystem::path& file);

// The text of a REG_SZ or REG_EXPAND_SZ value of the key; none when the value is missing,
// unreadable or of another type.
std::optional<std::string> StringValue(const regf::KeyView& key, const std::string& name);

}  // namespace kelvara::platform::offline
