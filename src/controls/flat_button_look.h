// How a flat button looks in each state: which colour fills its face (if any) and which colours
// its one-pixel frame takes. Kept apart from the control so the rules read as a table.
#pragma once

#include <cstdint>
#include <optional>

namespace kelvara::controls {

// Windows colour values, 0x00BBGGRR.
using Colour = std::uint32_t;

enum class TTransparentMode : std::uint8_t { tmAlways, tmNotFocused, tmNone };

enum class TButtonState : std::uint8_t { Up, Disabled, Down, Exclusive };

struct FlatButtonColours {
    Colour Color = 0;                 // face of a disabled button (the parent's colour by default)
    Colour ColorFocused = 14805739;   // 0x00E1EAEB, face under the mouse
    Colour ColorDown = 12965593;      // 0x00C5D6D9, face while pressed
    Colour ColorBorder = 8623776;     // 0x008396A0, frame at rest and when disabled
    Colour ColorHighLight = 16777215; // light edge of the raised and sunken frames
    Colour ColorShadow = 0;           // dark edge of the raised and sunken frames
};

struct FrameColours {
    Colour topLeft;
    Colour bottomRight;
};

// The face fill; none leaves the parent's surface (the background picture) showing through.
std::optional<Colour> FlatButtonFace(TTransparentMode mode, bool mouseInControl, TButtonState state,
                                     const FlatButtonColours& colours);

FrameColours FlatButtonFrame(TButtonState state, bool mouseInControl, const FlatButtonColours& colours);

}  // namespace kelvara::controls
