// TfrmMain: the program's main window. A frameless window painted over by the background
// picture, with the hive list, the four totals, the command column and the title-bar pictures.
// It owns the hive lists for the whole run and the flags that the commands read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/flat_button.h"
#include "defrag/defrag_commit.h"
#include "defrag/undo_registry.h"
#include "platform/system.h"
#include "settings/string_table.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"

namespace kelvara::app {

// The language a language-menu item stands for: its component name after the "mi" prefix.
std::string LanguageOfItem(const ui::TMenuItem& item);

class TfrmMain : public ui::Form {
public:
    // The system serves every registry, file and version call; it must outlive the window.
    explicit TfrmMain(platform::System& system);

    // ---- state that the commands read and write
    std::vector<std::string> HiveKeyList;    // registry paths as hivelist names them
    std::vector<std::string> HiveFileList;   // entry i: the file of HiveKeyList[i]
    bool SilentMode = false;
    std::uint8_t WindowsVersionCode = 0;
    bool Is64BitWindows = false;
    // What the last Defrag command did with each hive, for the Linux program's report.
    defrag::DefragOutcome LastDefrag;
    // What the last Undo command did, for the report and the exit code of /Undo.
    defrag::UndoOutcome LastUndo;
    // Whether the /Silent or /Scan run did its job, for the exit code a scheduler reads.
    bool UnattendedJobDone = false;
    // False once the window has closed and destroyed its lists; nothing may use them then.
    bool HiveListsExist() const { return hiveListsExist_; }

    // ---- events
    void FormCreate() override;
    void FormShow() override;
    void FormClose(ui::CloseAction& action) override;
    int NcHitTest(ui::Point screen, int defaultResult) override;

    // ---- routines of this window
    // Each flat button as wide as its caption in the window's font plus 17 pixels; the labels
    // and the list's column titles are fitted with them.
    void FitButtonWidths();
    // Each column of the list at its designed width, or wider where its title needs it.
    void FitColumns();
    // True where pressing the mouse should drag the window: not over a label, a picture other
    // than the background, or a flat button (enabled or not; hidden ones do not count).
    bool IsOverBackground(int x, int y) const;

    // ---- handlers
    void bMinimizeClick(ui::Component& sender);
    void bExitClick(ui::Component& sender);
    void bCloseClick(ui::Component& sender);
    void bAnalyzeRegistryClick(ui::Component& sender);
    void bDefragRegistryClick(ui::Component& sender);
    void bOptionsClick(ui::Component& sender);
    void pmiUndoClick(ui::Component& sender);
    void bHomepageClick(ui::Component& sender);
    void bLanguageClick(ui::Component& sender);
    void bHelpClick(ui::Component& sender);
    void pmiHelpClick(ui::Component& sender);
    void Homepage1Click(ui::Component& sender);
    void pmiCheckUpdateClick(ui::Component& sender);
    void bAboutClick(ui::Component& sender);
    void miEnglishClick(ui::Component& sender);
    void WMShowMain(const ui::Message& message);

    // ---- parts, for the commands and for tests
    ui::TListView& lvMain() const;
    controls::TFlatButton& FlatButton(const std::string& name) const;
    ui::TLabel& Label(const std::string& name) const;
    ui::TPopupMenu& PopupMenu(const std::string& name) const;

private:
    void AddLayout();
    void SetUpControls();
    void AttachHandlers();
    // Creation step 5: the version after the title, and the Help column closed up where the
    // hidden home-page button was.
    void AdjustLayout();
    void MarkCurrentLanguage();
    // Once after a restart that followed a hand-over: what became of each hive.
    void ReportLastHandOver();
    // Opens a string-table address; one without a scheme names a file beside the program.
    void OpenAddress(const settings::StringEntry& entry);
    std::string ProgramFolder() const;

    platform::System& system_;
    bool hiveListsExist_ = true;
};

}  // namespace kelvara::app
