#include "controls/flat_button_look.h"

namespace kelvara::controls {

std::optional<Colour> FlatButtonFace(TTransparentMode mode, bool mouseInControl, TButtonState state,
                                     const FlatButtonColours& colours)
{
    if (mode == TTransparentMode::tmAlways)
        return std::nullopt;
    if (mode == TTransparentMode::tmNotFocused && !mouseInControl)
        return std::nullopt;
    switch (state) {
    case TButtonState::Up:
        return mouseInControl ? colours.ColorFocused : colours.Color;
    case TButtonState::Disabled:
        return colours.Color;
    case TButtonState::Down:
        return colours.ColorDown;
    case TButtonState::Exclusive:
        return mouseInControl ? colours.ColorFocused : colours.ColorDown;
    }
    return std::nullopt;
}

FrameColours FlatButtonFrame(TButtonState state, bool mouseInControl, const FlatButtonColours& colours)
{
    switch (state) {
    case TButtonState::Up:
        if (mouseInControl)
            return {colours.ColorHighLight, colours.ColorShadow};
        return {colours.ColorBorder, colours.ColorBorder};
    case TButtonState::Disabled:
        return {colours.ColorBorder, colours.ColorBorder};
    case TButtonState::Down:
    case TButtonState::Exclusive:
        return {colours.ColorShadow, colours.ColorHighLight};
    }
    return {colours.ColorBorder, colours.ColorBorder};
}

}  // namespace kelvara::controls
