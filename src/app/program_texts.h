// Fixed texts and web addresses of the main window, from the program's string table.
#pragma once

#include "settings/string_table.h"

namespace kelvara::app {

inline constexpr const char* kVersionText = settings::strings::VersionNumber.text;
inline constexpr const char* kUnsupportedWindowsText = settings::strings::UnsupportedWindows.text;

// The web link at the top right of the main window: the site's host name over its home page.
inline constexpr const char* kSiteHostName = "varnelsoft.com";
inline constexpr const char* kSiteAddress = settings::strings::HomePageAddress.text;

}  // namespace kelvara::app
