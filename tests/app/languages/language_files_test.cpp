// Every language file in lang/ against the program's own windows: each key a window reads is
// there, the bytes are text in the language's Windows code page, the English file holds the
// designed texts, and no translated caption is wider than its control.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <map>
#include <map>
#include <vector>

#include "app/about_form.h"
#include "app/main_window_fixture.h"
#include "common/ini_file.h"
#include "controls/flat_button.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_group_box.h"
#include "defrag/ask_delete_form.h"
#include "defrag/fit_labels.h"
#include "defrag/system_point_form.h"
#include "hive/progress_form.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_form.h"
#include "ui/buttons.h"
#include "ui/canvas.h"
#include "ui/containers.h"
#include "ui/list_view.h"
#include "ui/menu.h"

namespace kelvara::app::testing {
namespace {

struct Language {
    const char* name;
    int codePage;
};

// The languages of the menu that have a file (all but "Other"), with the code page their texts
// are written in.
const Language kLanguages[] = {
    {"BrazilianPortuguese", 1252}, {"Chinese", 936},   {"Czech", 1250},      {"Danish", 1252},
    {"Dutch", 1252},               {"English", 1252},  {"Finnish", 1252},    {"French", 1252},
    {"German", 1252},              {"Greek", 1253},    {"Italian", 1252},    {"Japanese", 932},
    {"Kurdish", 1254},             {"Polish", 1250},   {"Portuguese", 1252}, {"Russian", 1251},
    {"Slovenian", 1250},           {"Spanish", 1252},  {"Swedish", 1252},    {"Turkish", 1254},
    {"Ukranian", 1251},
};

// The figures of the main window are not in the files: a file that held them would overwrite
// the figures of an analysis whenever the language is switched afterwards.
bool IsFigure(const std::string& section, const std::string& key)
{
    return section == "frmMain" && (key == "lCurrentRegistrySize" || key == "lNewRegistrySize" ||
                                    key == "lSizeReduction" || key == "lCompactPercent");
}

std::string LangFolder() { return std::string(KV_SOURCE_DIR) + "/lang/"; }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True when every byte sequence is a character of the code page.
bool DecodesIn(const std::string& bytes, int codePage)
{
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv knows no " << name;
        return false;
    }
    std::string in = bytes;
    std::vector<char> out(in.size() * 4 + 16);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return result != static_cast<std::size_t>(-1) && inLeft == 0;
}

bool IsLeadByte(unsigned char c, int codePage)
{
    if (codePage == 936) return c >= 0x81 && c <= 0xFE;
    if (codePage == 932) return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return false;
}

// A text's width as the window draws it: single-byte characters in the widget set's metrics,
// a double-byte character as wide as a full-width glyph of the 8-point font.
int Measure(const ui::Form& form, const std::string& text, const ui::Font& font, int codePage)
{
    constexpr int kFullWidth = 12;
    std::string single;
    int wide = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c, codePage) && i + 1 < text.size()) {
            wide += kFullWidth + (font.bold ? 1 : 0);
            ++i;
        } else {
            single += text[i];
        }
    }
    return form.TextWidth(single, font) + wide;
}

// The widget set's metrics are an approximation of the 8-point font; the main window's three
// step labels were designed exactly as wide as their English texts in the real font, so their
// widths over the approximation give the factor by which real text is wider (the smallest of
// the three, 6 to 10 per cent; the German notice of the About dialog, which fitted by the plain
// approximation, was cut under Wine). Every measure is scaled by it.
double RealFontScale(const TfrmMain& main)
{
    double scale = 2.0;
    for (const char* name : {"Label1", "Label2", "Label3"}) {
        const ui::TLabel& label = main.Label(name);
        const int measured = main.TextWidth(label.Caption(), label.GetFont());
        scale = std::min(scale, static_cast<double>(label.Width()) / measured);
    }
    return scale;
}

// One key a window reads and the text it holds before the translation.
struct Key {
    std::string section;
    std::string key;
    std::string designed;
};

// The keys TranslateForm reads from the window, with the texts they would replace.
std::vector<Key> KeysOf(const ui::Form& form)
{
    const std::string section = form.Name();
    std::vector<Key> keys{{section, section, form.Caption()}};
    for (ui::Component* component : form.Components()) {
        const std::string& name = component->Name();
        if (auto* item = dynamic_cast<ui::TMenuItem*>(component)) {
            if (!item->IsSeparator()) keys.push_back({"Menu_" + section, name, item->Caption()});
            continue;
        }
        if (auto* list = dynamic_cast<ui::TListView*>(component)) {
            for (int i = 0; i < list->ColumnCount(); ++i)
                keys.push_back({section, name + "_Column" + std::to_string(i), list->Column(i).caption});
        } else if (component->IsA<ui::TLabel>() || component->IsA<ui::TButton>() || component->IsA<ui::TGroupBox>() ||
                   component->IsA<ui::TPanel>() || component->IsA<controls::TFlatButton>() ||
                   component->IsA<ui::TCheckBox>() || component->IsA<controls::TSkinCheckBox>() ||
                   component->IsA<controls::TSkinButton>() || component->IsA<controls::TSkinGroupBox>()) {
            keys.push_back({section, name, component->Caption()});
        }
        auto* control = dynamic_cast<ui::Control*>(component);
        if (control != nullptr && control->ShowHint()) keys.push_back({section, name + "Hint", control->Hint()});
    }
    return keys;
}

class LanguageFileTest : public MainWindowTest, public ::testing::WithParamInterface<Language> {
protected:
    // The file goes beside the program, as shipped files are found; the main window takes the
    // program's folder and the language from options.ini when it is created.
    LanguageFileTest()
    {
        std::filesystem::copy_file(Path(), folder_.Path() / ("DLan_" + std::string(GetParam().name) + ".ini"));
        WriteOptions("[Options]\r\nLan=" + std::string(GetParam().name) + "\r\n");
    }
    ~LanguageFileTest() override { settings::SetLanguageProgramFolder(""); }

    std::string Path() const { return LangFolder() + "DLan_" + GetParam().name + ".ini"; }

    // Every window of the program, made as the program makes it; `prepare` runs on each before
    // its showing would.
    void ForEachWindow(const std::function<void(ui::Form&)>& visit)
    {
        TfrmMain& main = Create();
        visit(main);
        auto about = ui::CreateForm<TfrmAbout>(&main);
        about->Label("Label1").SetCaption("Varnel Kelvara");   // set on showing, before the translation
        visit(*about);
        visit(*ui::CreateForm<defrag::TfrmAskDelete>(&main));
        visit(*ui::CreateForm<settings::TfrmOptions>(&main));
        visit(*ui::CreateForm<defrag::TfrmSystemPoint>(&main, system_));
        const std::vector<std::string> none;
        const hive::ScanRun run{none, none, false, false, system_};
        visit(*ui::CreateForm<hive::TfrmGetNewHiveProgess>(&main, run));
    }
};

TEST_P(LanguageFileTest, IsTextInItsCodePage)
{
    const std::string bytes = ReadFile(Path());
    ASSERT_FALSE(bytes.empty()) << Path();
    EXPECT_TRUE(DecodesIn(bytes, GetParam().codePage)) << Path() << " is not CP" << GetParam().codePage;
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
    if (std::string(GetParam().name) == "English")
        EXPECT_TRUE(ascii);
    else
        EXPECT_FALSE(ascii) << Path() << " holds ASCII only";
    // No byte-order mark: the system reads language files as ANSI text.
    EXPECT_NE(bytes.rfind("\xef\xbb\xbf", 0), 0u);
}

TEST_P(LanguageFileTest, HoldsEveryKeyTheWindowsRead)
{
    const common::IniFile file = common::LoadIniFile(Path());
    int keys = 0;
    ForEachWindow([&](ui::Form& form) {
        for (const Key& key : KeysOf(form)) {
            const auto value = file.Find(key.section, key.key);
            if (IsFigure(key.section, key.key)) {
                EXPECT_FALSE(value) << key.section << "." << key.key;
                continue;
            }
            ++keys;
            ASSERT_TRUE(value) << Path() << ": no " << key.section << "." << key.key;
            if (std::string(GetParam().name) == "English") {
                EXPECT_EQ(*value, key.designed) << key.section << "." << key.key;
            } else if (!key.designed.empty() &&
                       key.designed.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos) {
                EXPECT_FALSE(value->empty()) << key.section << "." << key.key;
            }
        }
    });
    EXPECT_GE(keys, 90);
    EXPECT_TRUE(file.HasSection("ResourceString"));
    for (const char* key : {"RES_Not_Found", "RES_Analyze_NoSuccess"})
        EXPECT_TRUE(file.Find("ResourceString", key).has_value()) << key;
}

TEST_P(LanguageFileTest, NoCaptionOverflowsItsControl)
{
    const int codePage = GetParam().codePage;
    TfrmMain& main = CreateAndShow();   // translates itself and fits its buttons
    ASSERT_EQ(settings::OptionsSetting.Lan, GetParam().name);
    if (std::string(GetParam().name) != "English") {
        EXPECT_NE(main.FlatButton("bLanguage").Caption(), "Language") << "the main window was not translated";
    }
    auto about = ui::CreateForm<TfrmAbout>(&main);
    about->FormShow();
    auto ask = ui::CreateForm<defrag::TfrmAskDelete>(&main);
    ask->FormShow();
    auto options = ui::CreateForm<settings::TfrmOptions>(&main);
    options->FormShow();
    // Its showing starts the restore-point worker; the translation and fitting are what count.
    auto point = ui::CreateForm<defrag::TfrmSystemPoint>(&main, system_);
    settings::TranslateForm(*point, GetParam().name);
    defrag::FitLabels(*point);
    const std::vector<std::string> none;
    auto progress = ui::CreateForm<hive::TfrmGetNewHiveProgess>(&main, hive::ScanRun{none, none, false, false, system_});
    progress->FormShow();

    // Measured on windows that hold the designed English texts: a translation may take the room
    // its control leaves, or as much as the designed text takes where that is more (some designed
    // texts are wider than their controls already).
    double scale = 1.0;
    std::map<std::string, int> designed;
    const auto measure = [&](const ui::Form& form, const std::string& text, const ui::Font& font) {
        return static_cast<int>(std::ceil(Measure(form, text, font, codePage) * scale));
    };
    ForEachWindow([&](ui::Form& form) {
        if (auto* english = dynamic_cast<TfrmMain*>(&form)) scale = RealFontScale(*english);
        for (ui::Component* component : form.Components()) {
            auto* control = dynamic_cast<ui::Control*>(component);
            if (control == nullptr) continue;
            const std::string where = form.Name() + "." + control->Name();
            designed[where] = measure(form, ui::StripAccessKey(control->Caption()), control->GetFont());
            if (auto* list = dynamic_cast<ui::TListView*>(component))
                for (int i = 0; i < list->ColumnCount(); ++i)
                    designed[where + "_Column" + std::to_string(i)] =
                        measure(form, list->Column(i).caption, list->GetFont());
        }
    });
    EXPECT_GT(scale, 1.0);
    EXPECT_LT(scale, 1.2);
    const auto room = [&](const std::string& key, int limit) { return std::max(limit, designed[key]); };

    int measured = 0;
    for (ui::Form* form : std::initializer_list<ui::Form*>{&main, about.get(), ask.get(), options.get(), point.get(),
                                                          progress.get()}) {
        if (form != &main) {
            // The caption bar keeps room for its icon and close box.
            EXPECT_LE(measure(*form, form->Caption(), form->GetFont()), form->ClientWidth() - 40)
                << form->Name() << " caption";
        }
        const int listLeft = form == &main ? main.lvMain().Left() : 0;
        // These windows widen their labels (or check boxes) to the text as far as the container
        // leaves room; elsewhere a control keeps its designed width.
        const bool labelsGrow = form == about.get() || form == ask.get() || form == point.get();
        const bool boxesGrow = form == options.get();
        for (ui::Component* component : form->Components()) {
            auto* control = dynamic_cast<ui::Control*>(component);
            if (control == nullptr || !control->Visible()) continue;
            const std::string where = form->Name() + "." + control->Name();
            const std::string shown = ui::StripAccessKey(control->Caption());
            const int width = measure(*form, shown, control->GetFont());
            const int containerWidth = control->Parent() ? control->Parent()->Width() : form->ClientWidth();
            const int roomRight = containerWidth - control->Left() - 4;
            if (component->IsA<controls::TFlatButton>()) {
                // Sized to its caption; it must stay clear of the hive list.
                EXPECT_LE(width, room(where, listLeft - 2 - control->Left() - 17)) << where << " '" << control->Caption() << "'";
            } else if (component->IsA<ui::TLabel>()) {
                EXPECT_LE(width, room(where, labelsGrow ? roomRight : control->Width())) << where << " '" << control->Caption() << "'";
            } else if (component->IsA<ui::TCheckBox>() || component->IsA<controls::TSkinCheckBox>()) {
                EXPECT_LE(width, room(where, (boxesGrow ? roomRight : control->Width()) - 17)) << where << " '" << control->Caption() << "'";
            } else if (component->IsA<ui::TButton>() || component->IsA<controls::TSkinButton>()) {
                EXPECT_LE(width, room(where, control->Width() - 8)) << where << " '" << control->Caption() << "'";
            } else if (component->IsA<ui::TGroupBox>() || component->IsA<controls::TSkinGroupBox>()) {
                EXPECT_LE(width, room(where, control->Width() - 16)) << where << " '" << control->Caption() << "'";
            } else if (auto* list = dynamic_cast<ui::TListView*>(component)) {
                for (int i = 0; i < list->ColumnCount(); ++i)
                    EXPECT_LE(measure(*form, list->Column(i).caption, list->GetFont()),
                              room(where + "_Column" + std::to_string(i), list->Column(i).width - 10))
                        << where << " column " << i << " '" << list->Column(i).caption << "'";
            } else {
                continue;
            }
            ++measured;
        }
    }
    EXPECT_GT(measured, 40);
}

// Choosing a language of the menu must never end in the not-found message for lack of a file we
// ship: every item but "Other" has its file, and every file its item.
TEST_F(MainWindowTest, EveryLanguageOfTheMenuButOtherShipsItsFile)
{
    TfrmMain& main = Create();
    std::vector<std::string> offered;
    for (ui::Component* component : main.Components()) {
        auto* menu = dynamic_cast<ui::TPopupMenu*>(component);
        if (menu == nullptr || menu->Name() != "pmLanguage") continue;
        for (const ui::TMenuItem* item : menu->Items())
            if (!item->IsSeparator() && item->Name() != "miOther") offered.push_back(item->Name().substr(2));
    }
    ASSERT_FALSE(offered.empty());
    std::vector<std::string> listed;
    for (const Language& language : kLanguages) listed.push_back(language.name);
    std::sort(offered.begin(), offered.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(offered, listed);
    for (const std::string& name : offered)
        EXPECT_TRUE(std::filesystem::is_regular_file(LangFolder() + "DLan_" + name + ".ini")) << name;
}

// The program's own English language menu puts two entries on a letter twice ("F&innish" and
// "&Italian", "G&reek" and "&Russian"); those captions stay as they were designed, and the
// English file holds them.
bool IsDesignedRepeat(const std::string& language, const std::string& group, char key)
{
    return language == "English" && group == "menu pmLanguage" && (key == 'i' || key == 'r');
}

// Within one menu, and among one window's buttons and check boxes, each access key leads to
// one place: with two entries on a letter, Windows only moves between them and the key runs
// nothing. (Letters outside ASCII are compared as bytes of the file's code page.)
TEST_P(LanguageFileTest, NoMenuOrWindowRepeatsAnAccessKey)
{
    int groups = 0;
    ForEachWindow([&](ui::Form& form) {
        settings::TranslateForm(form, GetParam().name);
        // Group name -> access key -> the entries holding it.
        std::map<std::string, std::map<char, std::vector<std::string>>> keys;
        for (ui::Component* component : form.Components()) {
            std::string group;
            if (auto* item = dynamic_cast<ui::TMenuItem*>(component)) {
                if (item->IsSeparator() || item->Menu() == nullptr) continue;
                group = "menu " + item->Menu()->Name();
            } else if (component->IsA<ui::TButton>() || component->IsA<ui::TCheckBox>() ||
                       component->IsA<controls::TSkinButton>() || component->IsA<controls::TSkinCheckBox>() ||
                       component->IsA<controls::TFlatButton>()) {
                group = "buttons and boxes of " + form.Name();
            } else {
                continue;
            }
            const char key = ui::AccessKeyOf(component->Caption());
            auto& byKey = keys[group];
            if (key != 0) byKey[key].push_back(component->Name() + "=" + component->Caption());
        }
        for (const auto& [group, byKey] : keys) {
            ++groups;
            for (const auto& [key, entries] : byKey) {
                if (IsDesignedRepeat(GetParam().name, group, key)) {
                    EXPECT_EQ(entries.size(), 2u) << group << ": key '" << key << "'";
                    continue;
                }
                std::string list;
                for (const std::string& entry : entries) list += " " + entry;
                EXPECT_EQ(entries.size(), 1u) << "DLan_" << GetParam().name << ".ini, " << group << ": key '" << key
                                              << "' on" << list;
            }
        }
    });
    EXPECT_GE(groups, 6) << "the two menus and the dialogs' buttons were not all seen";
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFileTest, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::app::testing
