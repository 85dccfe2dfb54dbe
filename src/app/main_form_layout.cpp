// The main window's definition: every component in component order, then the properties that
// the table's columns do not carry (colours, pictures, columns, menus' owners).
#include <iterator>
#include <span>
#include <vector>

#include "app/caption_width.h"
#include "app/main_form.h"
#include "app/program_pictures.h"
#include "app/program_texts.h"
#include "controls/flat_button.h"
#include "controls/image_button.h"
#include "controls/image_panel.h"
#include "controls/shift_image.h"
#include "controls/url_label.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui/widget_set.h"

namespace kelvara::app {

namespace {

using controls::TFlatButton;
using controls::TImageButton;
using controls::TImagePanel;
using controls::TShiftImage;
using controls::TURLLabel;
using ui::Kind;
using ui::TImage;
using ui::TLabel;
using ui::TListView;
using ui::TMenuItem;
using ui::TPopupMenu;

constexpr unsigned kText = ui::kTransparent;                                 // labels over the picture
constexpr unsigned kHeading = ui::kTransparent | ui::kBold;
constexpr unsigned kTotal = ui::kTransparent | ui::kAlignRight;
constexpr unsigned kCommand = ui::kShowHint | ui::kHandCursor;               // flat buttons
constexpr unsigned kTitleBarPicture = ui::kShowHint | ui::kHandCursor;

const ui::ComponentSpec kMainLayout[] = {
    {Kind<TImage>, "Image1", {0, 0, 556, 393}, "", "", ui::kStretch},
    {Kind<TLabel>, "lTitle1", {13, 67, 88, 13}, "Main", "", kHeading},
    {Kind<TFlatButton>, "bAnalyzeRegistry", {13, 93, 94, 25}, "Analyze Registry", "Analyze your registry", kCommand},
    {Kind<TFlatButton>, "bDefragRegistry", {13, 122, 91, 25}, "Defrag Registry", "Defrag your registry", kCommand | ui::kDisabled},
    {Kind<TFlatButton>, "bOptions", {12, 151, 56, 25}, "Options", "Settings", kCommand},
    {Kind<TLabel>, "Label1", {353, 348, 155, 13}, "2. Review the analyzing result.", "", kText},
    {Kind<TLabel>, "Label3", {353, 366, 195, 13}, "3. Defrag the registry and restart the pc.", "", kText},
    {Kind<TLabel>, "Label2", {353, 330, 163, 13}, "1. Analyze the Windows registry.", "", kText},
    {Kind<TLabel>, "lTitle3", {13, 193, 72, 13}, "Help", "", kHeading},
    {Kind<TFlatButton>, "bLanguage", {16, 252, 64, 25}, "Language", "Change display language", kCommand},
    {Kind<TFlatButton>, "bAbout", {16, 283, 37, 25}, "Help", "Click to popup the menu", kCommand},
    {Kind<TFlatButton>, "bHomepage", {15, 221, 68, 25}, "Homepage", "Homepage", kCommand},
    {Kind<TLabel>, "lLastWashed", {116, 312, 109, 13}, "Current Registry Size:", "", kText},
    {Kind<TLabel>, "Label4", {116, 330, 101, 13}, "New Registry Size:", "", kText},
    {Kind<TLabel>, "Label5", {116, 348, 93, 13}, "Size Reduction:", "", kText},
    {Kind<TLabel>, "lCurrentRegistrySize", {222, 312, 70, 13}, "", "", kTotal},
    {Kind<TLabel>, "lNewRegistrySize", {222, 330, 70, 13}, "", "", kTotal},
    {Kind<TLabel>, "lSizeReduction", {222, 348, 70, 13}, "", "", kTotal},
    {Kind<TLabel>, "lCompactPercent1", {117, 366, 92, 13}, "Compact Percent:", "", kText},
    {Kind<TLabel>, "lCompactPercent", {222, 366, 70, 13}, "", "", kTotal},
    {Kind<TURLLabel>, "URLLabel1", {436, 38, 81, 13}, kSiteHostName, "", kText | ui::kHandCursor},
    {Kind<TShiftImage>, "bClose", {517, 9, 24, 24}, "", "Minimize to system tray", kTitleBarPicture},
    {Kind<TLabel>, "Label6", {342, 312, 47, 13}, "Step Hint:", "", kText},
    {Kind<TFlatButton>, "bExit", {16, 314, 35, 25}, "Exit", "Exit", kCommand},
    {Kind<TLabel>, "lTitle", {17, 12, 197, 16}, "Varnel Kelvara", "", kHeading},
    {Kind<TListView>, "lvMain", {119, 65, 423, 236}, "", "", ui::kReadOnly | ui::kGridLines},
    {Kind<TImageButton>, "bMinimize", {488, 9, 24, 24}, "", "Minimize", kTitleBarPicture},
    {Kind<TImagePanel>, "ImagePanel1", {11, 85, 100, 1}},
    {Kind<TImagePanel>, "ImagePanel2", {11, 213, 100, 1}},

    {Kind<TPopupMenu>, "pmHelp"},
    {Kind<TMenuItem>, "pmiHelp", {}, "&Help", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "N5", {}, "-", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "Homepage1", {}, "H&omepage", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "N1", {}, "-", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "pmiCheckUpdate", {}, "&Check for Update", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "N2", {}, "-", "", 0, "pmHelp"},
    // The way back: rare, and for when something went wrong, so with the help and not in the
    // command column, whose rows are full and whose three steps lead forward.
    {Kind<TMenuItem>, "pmiUndo", {}, "&Undo Last Defrag...", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "N7", {}, "-", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "About1", {}, "&About...", "", 0, "pmHelp"},

    {Kind<TPopupMenu>, "pmLanguage"},
    {Kind<TMenuItem>, "miBrazilianPortuguese", {}, "&Brazilian Portuguese", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miChinese", {}, "&Chinese", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miCzech", {}, "C&zech", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miDanish", {}, "D&anish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miDutch", {}, "&Dutch", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miEnglish", {}, "&English", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miFinnish", {}, "F&innish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miFrench", {}, "&French", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miGerman", {}, "&German", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miGreek", {}, "G&reek", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miItalian", {}, "&Italian", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miJapanese", {}, "&Japanese", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miKurdish", {}, "&Kurdish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miPolish", {}, "&Polish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miPortuguese", {}, "P&ortuguese", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miRussian", {}, "&Russian", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miSlovenian", {}, "S&lovenian", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miSpanish", {}, "&Spanish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miSwedish", {}, "S&wedish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miTurkish", {}, "&Turkish", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miUkranian", {}, "&Ukranian", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "N6", {}, "-", "", 0, "pmLanguage"},
    {Kind<TMenuItem>, "miOther", {}, "Other", "", 0, "pmLanguage"},
};

// Frame colours of the command column, top to bottom as designed. Closing up the Help column
// at creation hands them down with the positions.
struct CommandLook {
    const char* name;
    ui::Color colorBorder;
};
constexpr CommandLook kCommandLooks[] = {
    {"bAnalyzeRegistry", 14606560},
    {"bDefragRegistry", 14606560},
    {"bOptions", 14869732},
    {"bHomepage", 15658993},
    {"bLanguage", 16054005},
    {"bAbout", 15790833},
    {"bExit", 15329770},
};

struct ColumnSpec {
    const char* caption;
    int width;
    ui::TextAlign alignment;
};
constexpr ColumnSpec kColumns[] = {
    {"Hive Name", 205, ui::TextAlign::Left},
    {"Current Size", 72, ui::TextAlign::Right},
    {"New Size", 70, ui::TextAlign::Right},
    {"Reduction", 65, ui::TextAlign::Right},
};

}  // namespace

void TfrmMain::AddLayout()
{
    AddComponents(kMainLayout);
}

void TfrmMain::SetUpControls()
{
    Get<TImage>("Image1").SetPicture(ProgramPicture(kBackgroundPicture));
    Get<TImage>("Image1").SetPopupMenu(&PopupMenu("pmHelp"));

    for (const CommandLook& look : kCommandLooks) {
        TFlatButton& button = FlatButton(look.name);
        button.SetTransparentMode(controls::TTransparentMode::tmNotFocused);
        button.SetColorFocused(ui::clSilver);
        button.SetColorBorder(look.colorBorder);
    }

    ui::Font title = Label("lTitle").GetFont();
    title.height = -13;
    Label("lTitle").SetFont(title);

    auto& link = Get<TURLLabel>("URLLabel1");
    link.SetURL(kSiteAddress);
    link.SetFontHoverColor(ui::clRed);
    link.SetFontLinkColor(ui::clBlack);
    // Designed in blue without underline; it turns black only once the pointer has left it.
    ui::Font linkFont = link.GetFont();
    linkFont.color = ui::clBlue;
    linkFont.underline = false;
    link.SetFont(linkFont);

    auto& close = Get<TShiftImage>("bClose");
    close.SetFocusedPicture(ProgramPicture(kCloseOverPicture));
    close.SetNoFocusedPicture(ProgramPicture(kCloseAwayPicture));
    close.SetPicture(close.NoFocusedPicture());

    auto& minimize = Get<TImageButton>("bMinimize");
    minimize.SetAutoSize(true);
    minimize.SetTransparent(false);
    minimize.SetStretch(false);
    minimize.SetDrawFocused(false);
    minimize.SetCursor(ui::Cursor::HandPoint);
    minimize.SetPicNormal(ProgramPicture(kMinimizeNormalPicture));
    minimize.SetPicMouseOn(ProgramPicture(kMinimizeOverPicture));
    minimize.SetPicMouseDown(ProgramPicture(kMinimizeDownPicture));

    for (const char* name : {"ImagePanel1", "ImagePanel2"}) {
        auto& line = Get<TImagePanel>(name);
        line.SetDrawStyle(controls::TDrawStyle::dsNormal);
        line.SetAutoSize(false);
        line.SetColor(ui::clActiveCaption);
    }

    TListView& list = lvMain();
    for (const ColumnSpec& column : kColumns)
        list.AddColumn({column.caption, column.width, column.alignment});
    FitColumns();
    list.SetRowSelect(true);
    list.SetReadOnly(true);
}

void TfrmMain::FitColumns()
{
    TListView& list = lvMain();
    // From the designed widths each time, so a shorter title after a language switch gives the
    // room back.
    std::vector<ui::ListColumn> columns;
    for (int i = 0; i < list.ColumnCount() && i < static_cast<int>(std::size(kColumns)); ++i)
        columns.push_back({list.Column(i).caption, kColumns[i].width, kColumns[i].alignment});
    // Each title whole in the font this system draws it with; the list's sunken edge takes
    // two pixels on each side.
    const std::vector<int> widths = FitColumnWidths(columns, list.Width() - 4, list.GetFont());
    for (std::size_t i = 0; i < widths.size(); ++i)
        if (list.Column(static_cast<int>(i)).width != widths[i])
            list.SetColumnWidth(static_cast<int>(i), widths[i]);
}

}  // namespace kelvara::app
