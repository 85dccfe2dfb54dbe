// The main window's life: creation, first showing, moving by the background, minimising and
// closing. The commands behind the buttons live with their features.
#include "app/main_form.h"

#include <iostream>

#include "app/caption_width.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "app/program_pictures.h"
#include "app/program_texts.h"
#include "app/unattended_modes.h"
#include "app/widget_set_choice.h"
#include "common/ascii_text.h"
#include "common/command_line.h"
#include "common/windows_version.h"
#include "controls/colour_scheme.h"
#include "controls/image_button.h"
#include "controls/shift_image.h"
#include "defrag/hand_over.h"
#include "hive/analysis.h"
#include "hive/catalogue.h"
#include "platform/version.h"
#include "settings/form_translation.h"
#include "settings/language_file.h"
#include "settings/options_form.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui/widget_set.h"

namespace kelvara::app {

using settings::OptionsSetting;

TfrmMain::TfrmMain(platform::System& system) : system_(system)
{
    SetName("frmMain");
    SetWindowClassName(MainWindowClassName());
    SetCaption(kApplicationTitle);
    SetBorderStyle(ui::BorderStyle::None);
    SetPosition(ui::FormPosition::ScreenCenter);
    SetClientSize(556, 392);
    SetColor(ui::clBtnFace);
    SetIconResource(kProgramIcon);
    AddLayout();
    SetUpControls();
    AttachHandlers();
}

void TfrmMain::AttachHandlers()
{
    auto bind = [this](void (TfrmMain::*handler)(ui::Component&)) {
        return [this, handler](ui::Component& sender) { (this->*handler)(sender); };
    };
    FlatButton("bAnalyzeRegistry").OnClick = bind(&TfrmMain::bAnalyzeRegistryClick);
    FlatButton("bDefragRegistry").OnClick = bind(&TfrmMain::bDefragRegistryClick);
    FlatButton("bOptions").OnClick = bind(&TfrmMain::bOptionsClick);
    FlatButton("bHomepage").OnClick = bind(&TfrmMain::bHomepageClick);
    FlatButton("bLanguage").OnClick = bind(&TfrmMain::bLanguageClick);
    FlatButton("bAbout").OnClick = bind(&TfrmMain::bHelpClick);
    FlatButton("bExit").OnClick = bind(&TfrmMain::bExitClick);
    Get<controls::TImageButton>("bMinimize").OnClick = bind(&TfrmMain::bMinimizeClick);
    Get<controls::TShiftImage>("bClose").OnClick = bind(&TfrmMain::bCloseClick);

    Get<ui::TMenuItem>("pmiHelp").OnClick = bind(&TfrmMain::pmiHelpClick);
    Get<ui::TMenuItem>("Homepage1").OnClick = bind(&TfrmMain::Homepage1Click);
    Get<ui::TMenuItem>("pmiCheckUpdate").OnClick = bind(&TfrmMain::pmiCheckUpdateClick);
    Get<ui::TMenuItem>("About1").OnClick = bind(&TfrmMain::bAboutClick);
    Get<ui::TMenuItem>("pmiUndo").OnClick = bind(&TfrmMain::pmiUndoClick);
    for (ui::TMenuItem* item : PopupMenu("pmLanguage").Items()) {
        if (!item->IsSeparator())
            item->OnClick = bind(&TfrmMain::miEnglishClick);
    }

    OnMessage(WM_SHOWMAIN, [this](const ui::Message& message) { WMShowMain(message); });
    OnMessage(WM_AUTODEFRAG, [this](const ui::Message&) {
        MainWindowHost host(*this, system_);
        HandleAutoDefrag(host);
    });
    OnMessage(WM_AUTOSCAN, [this](const ui::Message&) {
        MainWindowHost host(*this, system_);
        HandleAutoScan(host, ProgramArguments());
    });
    OnMessage(WM_AUTOUNDO, [this](const ui::Message&) {
        MainWindowHost host(*this, system_);
        HandleAutoUndo(host);
    });
}

// ---- parts ---------------------------------------------------------------------------------

ui::TListView& TfrmMain::lvMain() const
{
    return Get<ui::TListView>("lvMain");
}

controls::TFlatButton& TfrmMain::FlatButton(const std::string& name) const
{
    return Get<controls::TFlatButton>(name);
}

ui::TLabel& TfrmMain::Label(const std::string& name) const
{
    return Get<ui::TLabel>(name);
}

ui::TPopupMenu& TfrmMain::PopupMenu(const std::string& name) const
{
    return Get<ui::TPopupMenu>(name);
}

std::string TfrmMain::ProgramFolder() const
{
    return system_.ProgramFolder();
}

// ---- creation ------------------------------------------------------------------------------

namespace {

// The dialogs' colour scheme the settings name. One that cannot be used leaves the default;
// the Linux program says why on its terminal, the Windows program keeps the note (a message box
// at every start would punish a slip in a file the user edits by hand).
void UseColourSchemeOfSettings(const std::string& programFolder)
{
    controls::SchemeChoice choice = controls::ChooseScheme(settings::OptionsSetting.Scheme, programFolder);
    if (!choice.note.empty() && PresentsOnConsole())
        std::cerr << "Varnel Kelvara: " << choice.note << '\n';
    controls::UseSkinStyle(choice.style, std::move(choice.note));
}

}  // namespace

void TfrmMain::FormCreate()
{
    settings::ReadWriteOptions(true, ProgramFolder());
    UseColourSchemeOfSettings(ProgramFolder());
    // Every window looks for its language file beside the program from now on.
    settings::SetLanguageProgramFolder(ProgramFolder());
    HiveKeyList.clear();
    HiveFileList.clear();
    hiveListsExist_ = true;
    for (const char* total : {"lCurrentRegistrySize", "lNewRegistrySize", "lSizeReduction", "lCompactPercent"})
        Label(total).SetCaption("");
    SilentMode = false;
    AdjustLayout();
}

void TfrmMain::AdjustLayout()
{
    ui::TLabel& title = Label("lTitle");
    title.SetCaption(title.Caption() + " " + settings::LoadResString(settings::strings::VersionNumber));

    // The home-page button is reached through the Help menu; the buttons below it move up one
    // place each, taking the top and the frame colour of the one above.
    FlatButton("bHomepage").Hide();
    const char* const column[] = {"bHomepage", "bLanguage", "bAbout", "bExit"};
    for (int i = 3; i >= 1; --i) {
        controls::TFlatButton& below = FlatButton(column[i]);
        const controls::TFlatButton& above = FlatButton(column[i - 1]);
        below.SetTop(above.Top());
        below.SetColorBorder(above.ColorBorder());
    }
}

// ---- first showing -------------------------------------------------------------------------

void TfrmMain::FormShow()
{
    Is64BitWindows = platform::IsWow64(system_);
    std::vector<hive::PassedOverHive> passedOver;
    hive::LoadHiveList(system_, Is64BitWindows, HiveKeyList, HiveFileList, passedOver);
    ui::TListView& list = lvMain();
    for (const std::string& hive : HiveKeyList)
        list.AddItem(hive, {"", "", ""});
    // A hive left out is never left out silently; an unattended run shows no window at all.
    if (!passedOver.empty() && common::SelectUnattendedMode(ProgramArguments()) == common::UnattendedMode::None)
        ui::Application::Instance().MessageBox(hive::PassedOverMessage(passedOver),
                                               settings::LoadResString(settings::strings::ProductTitle),
                                               ui::MsgButtons::Ok, ui::MsgIcon::Warning);

    WindowsVersionCode = platform::GetWindowsVersionCode(system_);
    if (!common::IsSupportedVersionCode(WindowsVersionCode)) {
        // The window stays open and usable, untranslated and without acting on a switch.
        ui::Application::Instance().MessageBox(settings::LoadResString(settings::strings::UnsupportedWindows),
                                               settings::LoadResString(settings::strings::ProductTitle),
                                               ui::MsgButtons::Ok);
        return;
    }

    list.SetGridLines(OptionsSetting.IsShowLine);
    MarkCurrentLanguage();
    settings::TranslateFormOnShow(*this);
    FitButtonWidths();
    MainWindowHost host(*this, system_);
    ExamineCommandLine(host, ProgramArguments());
    if (!SilentMode)
        ReportLastHandOver();
}

void TfrmMain::ReportLastHandOver()
{
    const auto record = defrag::ReadHandOverRecord(system_, ProgramFolder());
    // Before the restart nothing can be told yet.
    if (!record || record->reported || defrag::HandOverWaiting(system_, *record))
        return;
    const defrag::HandOverResult result = defrag::ResultOf(system_, *record);
    defrag::MarkHandOverReported(*record);
    ui::Application::Instance().MessageBox(defrag::DescribeResult(*record, result),
                                           settings::LoadResString(settings::strings::ProductTitle),
                                           ui::MsgButtons::Ok, ui::MsgIcon::Information);
}

void TfrmMain::MarkCurrentLanguage()
{
    for (ui::TMenuItem* item : PopupMenu("pmLanguage").Items())
        item->SetChecked(common::AsciiEqualNoCase(LanguageOfItem(*item), OptionsSetting.Lan));
}

void TfrmMain::FitButtonWidths()
{
    const ui::Font& font = GetFont();
    for (ui::Component* component : Components()) {
        auto* button = dynamic_cast<controls::TFlatButton*>(component);
        if (button != nullptr)
            button->SetWidth(CaptionWidth(button->Caption(), font) + 17);
    }
    // The labels and column titles are fitted at the same moments, so a translated text is not
    // cut off either.
    FitLabelWidths(*this);
    FitColumns();
}

void TfrmMain::WMShowMain(const ui::Message&)
{
    ui::Application& app = ui::Application::Instance();
    Show();
    if (app.IsMinimized())
        app.Restore();
    app.BringToFront();
}

// ---- moving by the background --------------------------------------------------------------

bool TfrmMain::IsOverBackground(int x, int y) const
{
    for (ui::Component* component : Components()) {
        const bool dragBlocker = component->IsA<ui::TImage>() || component->IsA<ui::TLabel>() ||
                                 component->IsA<controls::TFlatButton>();
        if (!dragBlocker || component->Name() == "Image1")
            continue;
        const auto& control = static_cast<const ui::Control&>(*component);
        if (!control.Visible())
            continue;
        const ui::Rect r = control.Bounds();
        if (r.left <= x && x <= r.Right() && r.top <= y && y <= r.Bottom())
            return false;
    }
    return true;
}

int TfrmMain::NcHitTest(ui::Point screen, int defaultResult)
{
    if (defaultResult != ui::HtClient)
        return defaultResult;
    // Without a frame the client area starts at the window's top-left corner.
    const int x = screen.x - Left();
    const int y = screen.y - Top();
    return IsOverBackground(x, y) ? ui::HtCaption : defaultResult;
}

// ---- title-bar pictures and Exit -----------------------------------------------------------

void TfrmMain::bMinimizeClick(ui::Component&)
{
    // Through the system command, so the system minimises the window as from a window menu.
    Post(ui::WmSysCommand, ui::ScMinimize, 0);
}

void TfrmMain::bExitClick(ui::Component&)
{
    Close();
}

// Despite its hint the close picture ends the program, exactly as Exit does.
void TfrmMain::bCloseClick(ui::Component& sender)
{
    bExitClick(sender);
}

// ---- closing -------------------------------------------------------------------------------

void TfrmMain::FormClose(ui::CloseAction&)
{
    // Compacted copies left over from an analysis; one the system holds open (handed over for
    // replacement at the next start) cannot be deleted and simply stays.
    for (const std::string& hiveFile : HiveFileList) {
        const std::string copy = hiveFile + ".kvf";
        if (system_.FileExists(copy))
            system_.DeleteFile(copy);
    }
    HiveKeyList.clear();
    HiveKeyList.shrink_to_fit();
    HiveFileList.clear();
    HiveFileList.shrink_to_fit();
    hiveListsExist_ = false;

    // The lists are gone by now, so a failed save must not keep the window open: the user is
    // told, and the program still ends.
    try {
        settings::ReadWriteOptions(false, ProgramFolder());
    } catch (const settings::WriteError& error) {
        ui::Application::Instance().HandleException(error);
    }
}

// ---- commands --------------------------------------------------------------------------------
// The help and language commands live in main_form_menus.cpp.

// The scan with its progress window, then the figures and the totals.
void TfrmMain::bAnalyzeRegistryClick(ui::Component&)
{
    const hive::AnalysisWindow window{*this, HiveKeyList, HiveFileList, lvMain(),
                                      Label("lCurrentRegistrySize"), Label("lNewRegistrySize"),
                                      Label("lSizeReduction"), Label("lCompactPercent"),
                                      FlatButton("bDefragRegistry"), SilentMode, Is64BitWindows,
                                      system_, ui::Application::Instance()};
    hive::AnalyzeRegistry(window, ScanProgressOnConsole());
}

// Confirmation, restore point, the hand-over of every hive and its copy, the restart.
void TfrmMain::bDefragRegistryClick(ui::Component&)
{
    const defrag::DefragWindow window{*this,   HiveKeyList, HiveFileList, SilentMode, ProgramFolder(),
                                      system_, ui::Application::Instance()};
    LastDefrag = defrag::DefragRegistry(window);
}

// The way back: every hive whose backup is there goes back in its place, and Windows restarts.
void TfrmMain::pmiUndoClick(ui::Component&)
{
    const bool anyBackup = SilentMode && common::AnyBackupRequested(ProgramArguments());
    const defrag::UndoWindow window{HiveKeyList, HiveFileList, SilentMode, anyBackup, ProgramFolder(), system_,
                                    ui::Application::Instance()};
    LastUndo = defrag::UndoDefrag(window);
}

// The options dialog; after OK the grid lines follow at once and the settings are written.
void TfrmMain::bOptionsClick(ui::Component&)
{
    settings::RunOptionsCommand(*this, lvMain(), ProgramFolder());
}

}  // namespace kelvara::app
