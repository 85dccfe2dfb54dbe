// Fixed English texts and web addresses of the main window. They move into the program's string
// table when the language files can replace them; until then these are the texts shown.
#pragma once

namespace kelvara::app {

inline constexpr const char* kVersionText = "2.2";
inline constexpr const char* kUnsupportedWindowsText =
    "The software does not support the current Windows system!";

// The web link at the top right of the main window.
inline constexpr const char* kSiteHostName = "varnelsoft.com";
inline constexpr const char* kSiteAddress = "http://www.varnelsoft.com/";

}  // namespace kelvara::app
