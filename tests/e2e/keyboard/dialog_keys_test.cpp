// Every dialog used without a mouse, on the headless widget set: a key sequence typed into the
// dialog, then what it ended with (modal result), which control holds the focus, and the settings
// its boxes changed. The same paths under Wine are driven from outside by keys.sh.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_form.h"
#include "defrag/ask_delete_form.h"
#include "defrag/fit_labels.h"
#include "hive/progress_form.h"
#include "hive/scan/scan_fixture.h"
#include "settings/options_form.h"
#include "settings/options_setting.h"
#include "ui/messages.h"

namespace kelvara::testing {
namespace {

using settings::OptionsSetting;

// One key of a sequence: a dialog key, or a character typed with or without Alt.
struct Stroke {
    enum Kind { Press, Alt, Plain } kind;
    ui::Key key = ui::Key::Tab;
    char ch = 0;
};
Stroke Press(ui::Key key) { return {Stroke::Press, key, 0}; }
Stroke Alt(char ch) { return {Stroke::Alt, ui::Key::Tab, ch}; }
Stroke Plain(char ch) { return {Stroke::Plain, ui::Key::Tab, ch}; }
const Stroke kTab = Press(ui::Key::Tab);
const Stroke kShiftTab = Press(ui::Key::ShiftTab);
const Stroke kEnter = Press(ui::Key::Enter);
const Stroke kEscape = Press(ui::Key::Escape);
const Stroke kSpace = Press(ui::Key::Space);

// What a dialog's settings look like afterwards; unchecked fields are left out.
struct Settings {
    bool ask = true;
    bool lines = true;
    bool restore = false;
};

struct KeyCase {
    const char* name;
    const char* dialog;
    std::vector<Stroke> keys;
    int result;                   // mrCancel also when the keys left the dialog open
    const char* focus;            // the focused control after the keys ("" none)
    Settings after;
};

class DialogKeysTest : public hive::testing::ScanFixture, public ::testing::WithParamInterface<KeyCase> {
protected:
    std::unique_ptr<ui::Form> Make(const std::string& name) {
        if (name == "frmOptions") return ui::CreateForm<settings::TfrmOptions>(owner_.get());
        if (name == "frmAskDelete") return ui::CreateForm<defrag::TfrmAskDelete>(owner_.get());
        if (name == "frmAbout") return ui::CreateForm<app::TfrmAbout>(owner_.get());
        ADD_FAILURE() << "no dialog " << name;
        return nullptr;
    }
    void Type(ui::Form& form, const Stroke& s) {
        switch (s.kind) {
            case Stroke::Press: headless_->PressKey(form, s.key); return;
            case Stroke::Alt: headless_->TypeChar(form, s.ch, true); return;
            case Stroke::Plain: headless_->TypeChar(form, s.ch, false); return;
        }
    }
};

TEST_P(DialogKeysTest, EndsAsTheKeysSay) {
    const KeyCase& c = GetParam();
    OptionsSetting.IsAskBeforeDefrag = true;
    OptionsSetting.IsShowLine = true;
    OptionsSetting.RestorePoint = false;
    auto dialog = Make(c.dialog);
    ASSERT_NE(dialog, nullptr);
    std::string focus = "(keys not typed)";
    bool typed = false;
    headless_->SetIdleHook([&](ui::Form& top) {
        if (typed) return false;   // keys done: a dialog still open is closed as by its close box
        typed = true;
        EXPECT_EQ(&top, dialog.get());
        for (const Stroke& s : c.keys) Type(top, s);
        focus = top.ActiveControl() ? top.ActiveControl()->Name() : "";
        return true;
    });
    EXPECT_EQ(dialog->ShowModal(), c.result);
    EXPECT_EQ(focus, c.focus);
    EXPECT_EQ(OptionsSetting.IsAskBeforeDefrag, c.after.ask);
    EXPECT_EQ(OptionsSetting.IsShowLine, c.after.lines);
    EXPECT_EQ(OptionsSetting.RestorePoint, c.after.restore);
}

const KeyCase kCases[] = {
    // Options: opens on the first box; tab order ask, lines, restore, OK, Cancel; Enter is OK,
    // Escape Cancel.
    {"OptionsEnter", "frmOptions", {kEnter}, ui::mrOk, "cbAskBeforeDefrag", {}},
    {"OptionsEscape", "frmOptions", {kEscape}, ui::mrCancel, "cbAskBeforeDefrag", {}},
    {"OptionsSpaceTogglesTheFirstBoxThenEnter", "frmOptions", {kSpace, kEnter}, ui::mrOk, "cbAskBeforeDefrag",
     {false, true, false}},
    {"OptionsThirdBoxBySpace", "frmOptions", {kTab, kTab, kSpace, kEnter}, ui::mrOk, "cbCreateRestore",
     {true, true, true}},
    {"OptionsToggledThenEscapeChangesNothing", "frmOptions", {kTab, kSpace, kEscape}, ui::mrCancel, "cbShowLines",
     {}},
    {"OptionsTabToOkAndSpace", "frmOptions", {kTab, kTab, kTab, kSpace}, ui::mrOk, "bOK", {}},
    {"OptionsShiftTabToCancelAndEnter", "frmOptions", {kShiftTab, kEnter}, ui::mrCancel, "bCancel", {}},
    {"OptionsAltC", "frmOptions", {Alt('c')}, ui::mrCancel, "cbAskBeforeDefrag", {}},
    {"OptionsAltO", "frmOptions", {Alt('O')}, ui::mrOk, "cbAskBeforeDefrag", {}},
    {"OptionsPlainC", "frmOptions", {Plain('c')}, ui::mrCancel, "cbAskBeforeDefrag", {}},
    {"OptionsTabWrapsAround", "frmOptions", {kTab, kTab, kTab, kTab, kTab}, ui::mrCancel, "cbAskBeforeDefrag", {}},

    // The confirm dialog: opens on No, then Yes, then the box; Enter and Escape are No while No
    // holds the focus, so a stray key never starts a defragmentation.
    {"AskEnterIsNo", "frmAskDelete", {kEnter}, ui::mrNo, "bCancel", {}},
    {"AskSpaceIsNo", "frmAskDelete", {kSpace}, ui::mrNo, "bCancel", {}},
    {"AskEscapeIsNo", "frmAskDelete", {kEscape}, ui::mrNo, "bCancel", {}},
    {"AskAltY", "frmAskDelete", {Alt('y')}, ui::mrYes, "bCancel", {}},
    {"AskAltN", "frmAskDelete", {Alt('N')}, ui::mrNo, "bCancel", {}},
    {"AskPlainY", "frmAskDelete", {Plain('y')}, ui::mrYes, "bCancel", {}},
    {"AskTabIsYesThenEnter", "frmAskDelete", {kTab, kEnter}, ui::mrYes, "bOK", {}},
    {"AskTabIsYesThenSpace", "frmAskDelete", {kTab, kSpace}, ui::mrYes, "bOK", {}},
    {"AskBoxBySpaceThenNo", "frmAskDelete", {kShiftTab, kSpace, Alt('n')}, ui::mrNo, "cbAsk", {false, true, false}},
    {"AskBoxTwiceThenYes", "frmAskDelete", {kTab, kTab, kSpace, kSpace, kShiftTab, kEnter}, ui::mrYes, "bOK", {}},

    // About: opens on OK, which is default and cancel; Enter, Space and Escape all close it.
    {"AboutEnter", "frmAbout", {kEnter}, ui::mrOk, "bOK", {}},
    {"AboutEscape", "frmAbout", {kEscape}, ui::mrOk, "bOK", {}},
    {"AboutAltO", "frmAbout", {Alt('o')}, ui::mrOk, "bOK", {}},
    {"AboutSpace", "frmAbout", {kSpace}, ui::mrOk, "bOK", {}},
};

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeysTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

// The analysis window: Escape is Stop. The hive in hand is still saved, the run is not complete.
class ProgressKeysTest : public hive::testing::ScanFixture {};

TEST_F(ProgressKeysTest, EscapeStopsTheRunAsTheStopButtonDoes) {
    const hive::testing::HiveSpec system{platform::RootKey::LocalMachine, "SYSTEM", "\\REGISTRY\\MACHINE\\SYSTEM",
                                         "C:\\Windows\\System32\\config\\SYSTEM", 100000, 100000};
    const hive::testing::HiveSpec software{platform::RootKey::LocalMachine, "SOFTWARE", "\\REGISTRY\\MACHINE\\SOFTWARE",
                                           "C:\\Windows\\System32\\config\\SOFTWARE", 300000, 250000};
    AddHive(system);
    AddHive(software);
    HoldSaves();
    auto form = ui::CreateForm<hive::TfrmGetNewHiveProgess>(owner_.get(),
                                                            hive::ScanRun{keys_, files_, false, false, system_});
    Steps({
        [&] { gate_.WaitEntered(1); },
        [&] {
            headless_->PressKey(*form, ui::Key::Escape);
            EXPECT_TRUE(form->Stopped);
            EXPECT_FALSE(form->bStop().Enabled());
            // A second Escape finds the button disabled and does nothing more.
            headless_->PressKey(*form, ui::Key::Escape);
            gate_.ReleaseOne();
        },
    });
    form->ShowModal();
    EXPECT_EQ(form->HivesDone, 1);
    EXPECT_EQ(form->Memo1().Text(), system.hivePath);
}

}  // namespace
}  // namespace kelvara::testing

