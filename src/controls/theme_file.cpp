#include "controls/theme_file.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/ini_file.h"
#include "controls/colour_scheme.h"
#include "regf/native_path.h"

namespace kelvara::controls {
namespace {

constexpr const char* kThemeSection = "Theme";
constexpr const char* kColourSection = "Colours";

struct ThemeColourKey {
    const char* name;
    ui::Color SkinStyle::*member;
};

constexpr std::array<ThemeColourKey, 20> kThemeColourKeys{{
    {"Face", &SkinStyle::face},
    {"FaceHover", &SkinStyle::faceHover},
    {"FaceDown", &SkinStyle::faceDown},
    {"FaceDisabled", &SkinStyle::faceDisabled},
    {"Frame", &SkinStyle::frame},
    {"FrameHover", &SkinStyle::frameHover},
    {"FrameDown", &SkinStyle::frameDown},
    {"FrameDefault", &SkinStyle::frameDefault},
    {"Caption", &SkinStyle::caption},
    {"CaptionDisabled", &SkinStyle::captionDisabled},
    {"CaptionEmboss", &SkinStyle::captionEmboss},
    {"FocusMark", &SkinStyle::focusMark},
    {"CheckMark", &SkinStyle::checkMark},
    {"BoxFace", &SkinStyle::boxFace},
    {"GroupFrame", &SkinStyle::groupFrame},
    {"GroupCaption", &SkinStyle::groupCaption},
    {"BarBack", &SkinStyle::barBack},
    {"BarFill", &SkinStyle::barFill},
    {"BarFrame", &SkinStyle::barFrame},
    {"BarCaption", &SkinStyle::barCaption},
}};

std::string_view TrimThemeBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// One part of "R,G,B": decimal digits only, 0 to 255.
std::optional<int> ParseColourPart(std::string_view part) {
    part = TrimThemeBlanks(part);
    if (part.empty() || part.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

ThemeLoad ThemeRefused(const std::string& path, const std::string& why) {
    return {DefaultSkinStyle(), path + ": " + why + "; the default colour scheme is used"};
}

}  // namespace

std::optional<ui::Color> ParseThemeColour(std::string_view text) {
    text = TrimThemeBlanks(text);
    const std::size_t first = text.find(',');
    if (first == std::string_view::npos) {
        const std::optional<std::int32_t> value = common::ParseProfileInteger(text);
        if (!value || *value < 0 || *value > 0xFFFFFF) return std::nullopt;
        return static_cast<ui::Color>(*value);
    }
    const std::size_t second = text.find(',', first + 1);
    if (second == std::string_view::npos || text.find(',', second + 1) != std::string_view::npos) return std::nullopt;
    const auto r = ParseColourPart(text.substr(0, first));
    const auto g = ParseColourPart(text.substr(first + 1, second - first - 1));
    const auto b = ParseColourPart(text.substr(second + 1));
    if (!r || !g || !b) return std::nullopt;
    return ui::Rgb(*r, *g, *b);
}

ThemeLoad ParseTheme(std::string_view text, const std::string& path) {
    const common::IniFile file = common::IniFile::Parse(text);
    SkinStyle style = DefaultSkinStyle();
    if (const auto base = file.Find(kThemeSection, "Base"); base && !base->empty()) {
        const SkinStyle* builtIn = FindBuiltInScheme(*base);
        if (!builtIn) return ThemeRefused(path, "Base=" + *base + " is no built-in colour scheme");
        style = *builtIn;
    }
    for (const ThemeColourKey& key : kThemeColourKeys) {
        const auto value = file.Find(kColourSection, key.name);
        if (!value) continue;
        const std::optional<ui::Color> colour = ParseThemeColour(*value);
        if (!colour)
            return ThemeRefused(path, std::string(key.name) + "=" + *value +
                                     " is no colour (R,G,B with each 0 to 255, or a colour value 0 to $FFFFFF)");
        style.*key.member = *colour;
    }
    return {style, {}};
}

ThemeLoad LoadThemeFile(const std::string& path) {
    // The program's names are in the ANSI code page on Windows; std::filesystem and the file
    // streams would read a narrow name otherwise, and miss a theme beside a program in a folder
    // named in that code page.
    const std::filesystem::path file = regf::NativePath(path);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return ThemeRefused(path, "the theme file is missing");
    // A folder of that name opens on some systems and reads as nothing: it is no file either.
    std::ifstream in(file, std::ios::binary);
    if (!std::filesystem::is_regular_file(file, ec) || !in) return ThemeRefused(path, "the theme file cannot be read");
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return ThemeRefused(path, "the theme file cannot be read");
    return ParseTheme(text, path);
}

}  // namespace kelvara::controls
