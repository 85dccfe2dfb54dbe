// The web link of the main window: the site's host name over the home page address of the
// program's string table.
#pragma once

#include "settings/string_table.h"

namespace kelvara::app {

inline constexpr const char* kSiteHostName = "varnelsoft.com";
inline constexpr const char* kSiteAddress = settings::strings::HomePageAddress.text;

}  // namespace kelvara::app
