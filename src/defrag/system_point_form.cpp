#include "defrag/system_point_form.h"

#include "common/ascii_text.h"
#include "controls/skin_group_box.h"
#include "defrag/fit_labels.h"
#include "settings/form_translation.h"
#include "settings/options_setting.h"
#include "settings/string_table.h"
#include "ui/application.h"
#include "ui/containers.h"
#include "ui/form_table.h"
#include "ui/messages.h"
#include "ui/standard_controls.h"

namespace kelvara::defrag {
namespace {

using settings::OptionsSetting;

// No buttons: the window ends through the worker's report or a close request.
const ui::ComponentSpec kSystemPointLayout[] = {
    {ui::Kind<controls::TSkinGroupBox>, "SkinGroupBox1", {8, 8, 336, 160}},
    {ui::Kind<ui::TLabel>, "lScanTask", {12, 16, 150, 13}, "Creating Restore Point", "", ui::kBold, "SkinGroupBox1"},
    {ui::Kind<ui::TLabel>, "Label1", {12, 42, 310, 13}, "Varnel Kelvara is creating a restore point which will", "", 0,
     "SkinGroupBox1"},
    {ui::Kind<ui::TLabel>, "Label3", {12, 62, 318, 13},
     "enable you to safely return your system back to its former state.", "", 0, "SkinGroupBox1"},
    {ui::Kind<ui::TLabel>, "Label2", {12, 103, 80, 13}, "Please wait...", "", 0, "SkinGroupBox1"},
    {ui::Kind<controls::TSkinProgressBar>, "ProgressBar1", {12, 124, 311, 18}, "", "", 0, "SkinGroupBox1"},
    {ui::Kind<ui::TTimer>, "Timer1"},
};

}  // namespace

int RestorePointBarStep(int position) {
    if (position <= 30) return 10;
    if (position <= 50) return 5;
    if (position <= 60) return 3;
    if (position <= 80) return 2;
    if (position <= 99) return 1;
    return 0;
}

TfrmSystemPoint::TfrmSystemPoint(ui::Form* owner, platform::System& system) : ui::Form(owner), system_(system) {
    SetName("frmSystemPoint");
    SetCaption("Create System Point");
    SetBorderStyle(ui::BorderStyle::DialogNoButtons);
    SetPosition(ui::FormPosition::OwnerFormCenter);
    SetClientSize(353, 180);
    AddComponents(kSystemPointLayout);

    ProgressBar1().SetRange(0, 100);
    ProgressBar1().SetPosition(0);
    Timer1().SetInterval(1000);   // running from the window's creation
    Timer1().OnTimer = [this](ui::Component& sender) { Timer1Timer(sender); };
    OnMessage(WM_RESTOREPOINTDONE, [this](const ui::Message& m) { WMRestorePointDone(m); });
}

void TfrmSystemPoint::FormShow() {
    ReportReceived = false;
    auto* worker = ui::StartThread<TCreateSystemPointThread>(true, system_);
    worker->NotifyWindow = Handle();
    worker->SetFreeOnTerminate(true);
    WorkerThread = worker->Handle();
    worker->Start();

    if (!common::AsciiEqualNoCase(OptionsSetting.Lan, "English"))
        settings::TranslateForm(*this, OptionsSetting.Lan);
    FitLabels(*this);   // after the translation, so a translated text fits too
}

void TfrmSystemPoint::Timer1Timer(ui::Component&) {
    const int position = ProgressBar1().Position();
    ProgressBar1().SetPosition(position + RestorePointBarStep(position));
}

// Any answer but "failed" counts as made. After a failure the user decides: Yes goes on without
// a restore point, No (the default button) gives the command up.
void TfrmSystemPoint::WMRestorePointDone(const ui::Message& message) {
    int result = ui::mrOk;
    if (message.lParam == kRestorePointFailed) {
        const int answer = ui::Application::Instance().MessageBox(
            settings::LoadResString(settings::strings::RestorePointFailed),
            settings::LoadResString(settings::strings::ProductTitle), ui::MsgButtons::YesNo, ui::MsgIcon::Information, 1);
        if (answer != ui::mrYes) result = ui::mrCancel;
    }
    ReportReceived = true;
    SetModalResult(result);
    Post(ui::WmClose, 0, 0);
}

// A close before the report gives up at once. The worker is neither waited for nor ended by
// force (ending a thread inside System Restore could leave it in any state): it is let go, and
// its report, should one still come, finds no window and is dropped.
void TfrmSystemPoint::FormClose(ui::CloseAction&) {
    if (ReportReceived) return;
    WorkerThread.Terminate();
    SetModalResult(ui::mrCancel);
}

}  // namespace kelvara::defrag
