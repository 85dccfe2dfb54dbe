#include "settings/write_error.h"

#include "common/ini_file.h"

namespace kelvara::settings {

void WriteIniStringOrRaise(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view value) {
    if (!common::WriteIniString(path, section, key, value)) throw WriteError(path);
}

}  // namespace kelvara::settings
