#include "controls/skin_style.h"

#include "controls/flat_button_look.h"

namespace kelvara::controls {
namespace {

// The flat buttons keep their colours as Windows colour values; the frame at rest is theirs.
constexpr ui::Color FlatButtonBorder() { return FlatButtonColours{}.ColorBorder; }

// Faces and frames from the title-bar pictures (normal, under the mouse, pressed), the text
// from the main window's headings, the group frame from the window's rules.
constexpr SkinStyle kDefault{
    .face = ui::Rgb(0xF4, 0xF8, 0xFC),
    .faceHover = ui::Rgb(0xD7, 0xE6, 0xF6),
    .faceDown = ui::Rgb(0xB4, 0xCD, 0xE8),
    .faceDisabled = ui::Rgb(0xEC, 0xEF, 0xF2),
    .frame = FlatButtonBorder(),
    .frameHover = ui::Rgb(0x3E, 0x79, 0xB5),
    .frameDown = ui::Rgb(0x2D, 0x5F, 0x94),
    .frameDefault = ui::Rgb(0x1F, 0x4E, 0x7D),
    .caption = ui::Rgb(0x14, 0x36, 0x5A),
    .captionDisabled = ui::Rgb(0x8F, 0xA6, 0xBE),
    .captionEmboss = ui::Rgb(0xFF, 0xFF, 0xFF),
    .focusMark = ui::Rgb(0x34, 0x50, 0x6E),
    .checkMark = ui::Rgb(0x1F, 0x4E, 0x7D),
    .boxFace = ui::Rgb(0xFF, 0xFF, 0xFF),
    .groupFrame = ui::Rgb(0x7F, 0xA3, 0xC8),
    .groupCaption = ui::Rgb(0x1F, 0x4E, 0x7D),
    .barBack = ui::Rgb(0xFF, 0xFF, 0xFF),
    .barFill = ui::Rgb(0x7F, 0xA3, 0xC8),
    .barFrame = FlatButtonBorder(),
    .barCaption = ui::Rgb(0x14, 0x36, 0x5A),
};

}  // namespace

const SkinStyle& DefaultSkinStyle() { return kDefault; }

}  // namespace kelvara::controls
