#include "controls/skin_style.h"

#include "controls/colour_scheme.h"

namespace kelvara::controls {
namespace {

// The installed style and what its choice had to say. Held here rather than passed to every
// control: a style is chosen once per run, as the settings are read once.
struct InstalledStyle {
    SkinStyle style = DefaultSkinStyle();
    std::string note;
};

InstalledStyle& Installed() {
    static InstalledStyle installed;
    return installed;
}

}  // namespace

const SkinStyle& DefaultSkinStyle() { return BuiltInSchemes().front().style; }

const SkinStyle& CurrentSkinStyle() { return Installed().style; }

void UseSkinStyle(const SkinStyle& style, std::string note) {
    Installed().style = style;
    Installed().note = std::move(note);
}

const std::string& SkinStyleNote() { return Installed().note; }

}  // namespace kelvara::controls
