// The pictures the program carries inside its executable: RCDATA resources in the Windows
// program, compiled-in arrays in the Linux program, under the same names.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/picture.h"

namespace kelvara::app {

inline constexpr const char* kBackgroundPicture = "BACKGROUND";
inline constexpr const char* kMinimizeNormalPicture = "MINIMIZE_NORMAL";
inline constexpr const char* kMinimizeOverPicture = "MINIMIZE_OVER";
inline constexpr const char* kMinimizeDownPicture = "MINIMIZE_DOWN";
inline constexpr const char* kCloseAwayPicture = "CLOSE_AWAY";
inline constexpr const char* kCloseOverPicture = "CLOSE_OVER";
// The About dialog's banner across its top and the program's mark beside its texts.
inline constexpr const char* kAboutBannerPicture = "ABOUT_BANNER";
inline constexpr const char* kAboutIconPicture = "ABOUT_ICON";

// The icon resource of the Windows program.
inline constexpr const char* kProgramIcon = "MAINICON";

// The bytes of a picture file; empty when the executable has no picture of that name.
std::vector<std::uint8_t> ProgramPictureBytes(const char* name);

// The decoded picture; an empty picture when it is missing or cannot be decoded, so a damaged
// executable still opens its window (without that picture).
ui::Picture ProgramPicture(const char* name);

}  // namespace kelvara::app
