// The colour schemes of the dialogs' drawn controls and the theme file: what a user may write,
// what the program refuses (and says so, naming the file and the value), and that every
// built-in scheme is legible and framed in its own hue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "controls/colour_scheme.h"
#include "controls/theme_file.h"

namespace kelvara::controls::testing {
namespace {

// A Windows colour value is 0x00BBGGRR (Microsoft's COLORREF, as the RGB macro builds it); the
// expected values below are written in that form, not through the program's own Rgb().
struct ColourCase {
    const char* text;
    std::optional<std::uint32_t> colourRef;
};

TEST(ThemeColourTest, ReadsRgbTriplesAndWindowsColourValues) {
    const ColourCase cases[] = {
        {"244,248,252", 0x00FCF8F4u},
        {" 0 , 0 , 255 ", 0x00FF0000u},
        {"255,0,0", 0x000000FFu},
        {"$00B99D7F", 0x00B99D7Fu},
        {"0x0000FF00", 0x0000FF00u},
        {"16777215", 0x00FFFFFFu},
        {"0", 0x00000000u},
        // Refused: out of range, a system colour, parts missing or extra, not numbers.
        {"256,0,0", std::nullopt},
        {"-1,0,0", std::nullopt},
        {"1,2", std::nullopt},
        {"1,2,3,4", std::nullopt},
        {"1,,3", std::nullopt},
        {"red", std::nullopt},
        {"", std::nullopt},
        {"$01000000", std::nullopt},
        {"$8000000F", std::nullopt},
        {"-5", std::nullopt},
        {"12 34", std::nullopt},
    };
    for (const ColourCase& c : cases) {
        const std::optional<ui::Color> got = ParseThemeColour(c.text);
        EXPECT_EQ(got.has_value(), c.colourRef.has_value()) << '"' << c.text << '"';
        if (got && c.colourRef) {
            EXPECT_EQ(*got, *c.colourRef) << '"' << c.text << '"';
        }
    }
}

// Public: the table-driven cases prepare the folder from outside.
class ThemeFileTest : public ::testing::Test {
public:
    ThemeFileTest() {
        std::random_device random;
        folder_ = std::filesystem::temp_directory_path() / ("kelvara-theme-" + std::to_string(random()));
        std::filesystem::create_directories(folder_);
    }
    ~ThemeFileTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string Folder() const { return folder_.string() + "/"; }
    std::string ThemePath() const { return Folder() + kThemeFileName; }
    void WriteTheme(const std::string& text) const { std::ofstream(ThemePath(), std::ios::binary) << text; }

    std::filesystem::path folder_;
};

const SkinStyle& Silver() { return *FindBuiltInScheme("Silver"); }

TEST_F(ThemeFileTest, AGoodFileGivesItsColoursOverItsBase) {
    WriteTheme("; my colours\r\n[Theme]\r\nBase=silver\r\n[Colours]\r\nFace=250,240,230\r\n"
               "Frame=$00204080\r\nBarFill = 1, 2, 3\r\n");
    const SchemeChoice choice = ChooseScheme("Theme", Folder());
    EXPECT_EQ(choice.note, "");
    EXPECT_EQ(choice.style.face, 0x00E6F0FAu);
    EXPECT_EQ(choice.style.frame, 0x00204080u);
    EXPECT_EQ(choice.style.barFill, 0x00030201u);
    // What the file leaves out comes from its base.
    EXPECT_EQ(choice.style.caption, Silver().caption);
    EXPECT_EQ(choice.style.faceHover, Silver().faceHover);
}

TEST_F(ThemeFileTest, AFileWithoutBaseStartsFromTheDefault) {
    WriteTheme("[Colours]\nCaption=0,0,0\n");
    const SchemeChoice choice = ChooseScheme("theme", Folder());
    EXPECT_EQ(choice.note, "");
    EXPECT_EQ(choice.style.caption, 0x00000000u);
    EXPECT_EQ(choice.style.face, DefaultSkinStyle().face);
}

// Each way the file can fail: the default scheme, and a note naming the file and what was wrong.
struct RefusedThemeCase {
    const char* name;
    std::function<void(const ThemeFileTest&)> prepare;
    std::vector<std::string> noteHolds;
};

TEST_F(ThemeFileTest, AnUnusableFileGivesTheDefaultSchemeAndSaysWhy) {
    const RefusedThemeCase cases[] = {
        {"missing", [](const ThemeFileTest&) {}, {"missing"}},
        {"unreadable (a folder of that name)",
         [](const ThemeFileTest& t) { std::filesystem::create_directory(t.ThemePath()); }, {"cannot be read"}},
        {"a channel out of range", [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nFace=300,0,0\n"); },
         {"Face=300,0,0"}},
        {"a word for a colour", [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nFrameHover=blue\n"); },
         {"FrameHover=blue"}},
        {"a system colour", [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nBarBack=$80000005\n"); },
         {"BarBack=$80000005"}},
        {"two channels", [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nCaption=1,2\n"); }, {"Caption=1,2"}},
        {"an empty colour", [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nFace=\n"); }, {"Face="}},
        {"an unknown base", [](const ThemeFileTest& t) { t.WriteTheme("[Theme]\nBase=Neon\n[Colours]\nFace=1,2,3\n"); },
         {"Base=Neon"}},
        // One bad value spoils the good ones before it.
        {"a good value then a bad one",
         [](const ThemeFileTest& t) { t.WriteTheme("[Colours]\nFace=1,2,3\nCheckMark=1,2,3,4\n"); },
         {"CheckMark=1,2,3,4"}},
    };
    for (const RefusedThemeCase& c : cases) {
        std::error_code ignored;
        std::filesystem::remove_all(ThemePath(), ignored);
        c.prepare(*this);
        const SchemeChoice choice = ChooseScheme("Theme", Folder());
        EXPECT_TRUE(choice.style == DefaultSkinStyle()) << c.name;
        EXPECT_NE(choice.note.find(ThemePath()), std::string::npos) << c.name << ": " << choice.note;
        for (const std::string& part : c.noteHolds)
            EXPECT_NE(choice.note.find(part), std::string::npos) << c.name << ": " << choice.note;
    }
}

TEST_F(ThemeFileTest, SchemeNamesPickABuiltInSchemeAndAnUnknownOneTheDefault) {
    WriteTheme("[Colours]\nFace=1,2,3\n");   // present, and read only when asked for
    struct NameCase {
        const char* name;
        const SkinStyle& style;
        bool noted;
    };
    const NameCase cases[] = {
        {"", DefaultSkinStyle(), false},      {"Blue", DefaultSkinStyle(), false},
        {"SILVER", Silver(), false},          {"Olive", *FindBuiltInScheme("olive"), false},
        {"Plum", *FindBuiltInScheme("PLUM"), false}, {"Neon", DefaultSkinStyle(), true},
        {"Theme.ini", DefaultSkinStyle(), true},
    };
    for (const NameCase& c : cases) {
        const SchemeChoice choice = ChooseScheme(c.name, Folder());
        EXPECT_TRUE(choice.style == c.style) << c.name;
        EXPECT_EQ(!choice.note.empty(), c.noted) << c.name << ": " << choice.note;
        if (c.noted) {
            EXPECT_NE(choice.note.find(std::string("Scheme=") + c.name), std::string::npos) << choice.note;
        }
    }
}

// ---- the built-in schemes themselves

// Relative luminance and contrast ratio as the Web Content Accessibility Guidelines define them.
double Luminance(ui::Color c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
}

double Contrast(ui::Color a, ui::Color b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Hue in degrees and saturation (0..1) of the HSV model.
struct Hue {
    double degrees;
    double saturation;
};

Hue HueOf(ui::Color c) {
    const double r = (c & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = ((c >> 16) & 0xFF) / 255.0;
    const double max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
    double h = 0;
    if (d > 0) {
        if (max == r) h = 60 * std::fmod((g - b) / d, 6.0);
        else if (max == g) h = 60 * ((b - r) / d + 2);
        else h = 60 * ((r - g) / d + 4);
    }
    if (h < 0) h += 360;
    return {h, max > 0 ? d / max : 0};
}

TEST(BuiltInSchemeTest, EachIsLegibleAndFramedInTheHueOfItsFaces) {
    ASSERT_GE(BuiltInSchemes().size(), 3u);
    EXPECT_STREQ(BuiltInSchemes().front().name, "Blue");
    for (const NamedScheme& scheme : BuiltInSchemes()) {
        const SkinStyle& s = scheme.style;
        // Captions meet the guidelines' 4.5:1 for normal text on every face they sit on.
        for (ui::Color face : {s.face, s.faceHover, s.faceDown})
            EXPECT_GE(Contrast(s.caption, face), 4.5) << scheme.name;
        EXPECT_GE(Contrast(s.barCaption, s.barBack), 4.5) << scheme.name;
        EXPECT_GE(Contrast(s.barCaption, s.barFill), 3.0) << scheme.name;
        // The frame stands out from the face, and from the faces under the mouse and pressed.
        EXPECT_GE(Contrast(s.frame, s.face), 2.0) << scheme.name;
        // A grey scheme has grey frames; a coloured one frames in its faces' hue (the grey-brown
        // frame beside blue faces was the fault this guards against).
        const Hue face = HueOf(s.faceDown), frame = HueOf(s.frame), bar = HueOf(s.barFrame);
        if (face.saturation < 0.05) {
            EXPECT_LT(frame.saturation, 0.05) << scheme.name;
            continue;
        }
        for (Hue h : {frame, bar}) {
            const double apart = std::min(std::fabs(h.degrees - face.degrees), 360 - std::fabs(h.degrees - face.degrees));
            EXPECT_LT(apart, 20.0) << scheme.name << ": face hue " << face.degrees << ", frame hue " << h.degrees;
            EXPECT_GT(h.saturation, 0.1) << scheme.name;
        }
    }
}

}  // namespace
}  // namespace kelvara::controls::testing
