// The confirm dialog: its layout and tab order, its three results, and the box that turns the
// question off at each click.
#include <gtest/gtest.h>

#include "defrag/ask_delete_form.h"
#include "defrag/fit_labels.h"
#include "ui/standard_controls.h"
#include "defrag_fixture.h"
#include "ui/containers.h"
#include "ui/messages.h"

namespace kelvara::defrag::testing {
namespace {

class AskDeleteTest : public DefragFixture {
protected:
    std::unique_ptr<TfrmAskDelete> MakeDialog() { return ui::CreateForm<TfrmAskDelete>(owner_.get()); }

    int ShowAnd(TfrmAskDelete& dialog, std::function<void(TfrmAskDelete&)> act) {
        onIdle_ = [&dialog, act](ui::Form& top) {
            if (&top != &dialog) return false;
            act(dialog);
            return true;
        };
        return dialog.ShowModal();
    }
};

TEST_F(AskDeleteTest, TheDialogAsLaidOut) {
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->Name(), "frmAskDelete");
    EXPECT_EQ(dialog->Caption(), "Defrag Now");
    EXPECT_EQ(dialog->ClientWidth(), 316);
    EXPECT_EQ(dialog->ClientHeight(), 193);
    EXPECT_EQ(dialog->bOK().Caption(), "&Yes");
    EXPECT_EQ(dialog->bCancel().Caption(), "&No");
    EXPECT_EQ(dialog->bOK().Bounds(), (ui::Rect{53, 57, 80, 24}));
    EXPECT_EQ(dialog->bCancel().Bounds(), (ui::Rect{165, 57, 80, 24}));
    EXPECT_EQ(dialog->bOK().Parent(), &dialog->Get<ui::TGroupBox>("GroupBox1"));
    EXPECT_EQ(dialog->cbAsk().Caption(), "Don't ask me next time");
    EXPECT_FALSE(dialog->cbAsk().Checked());
}

TEST_F(AskDeleteTest, OpensOnNoThenTabGoesToYesToTheBox) {
    auto dialog = MakeDialog();
    std::vector<std::string> order;
    ShowAnd(*dialog, [&](TfrmAskDelete& d) {
        for (int i = 0; i < 4; ++i) {
            order.push_back(d.ActiveControl() ? d.ActiveControl()->Name() : "");
            headless_->PressKey(d, ui::Key::Tab);
        }
        d.Close();
    });
    EXPECT_EQ(order, (std::vector<std::string>{"bCancel", "bOK", "cbAsk", "bCancel"}));
}

struct ResultCase {
    const char* name;
    std::function<void(TfrmAskDelete&)> act;
    int result;
};

TEST_F(AskDeleteTest, YesNoAndTheCloseBox) {
    const ResultCase cases[] = {
        {"Yes", [](TfrmAskDelete& d) { d.bOK().Click(); }, ui::mrYes},
        {"No", [](TfrmAskDelete& d) { d.bCancel().Click(); }, ui::mrNo},
        {"close box", [](TfrmAskDelete& d) { d.Close(); }, ui::mrCancel},
        {"Escape", [this](TfrmAskDelete& d) { headless_->PressKey(d, ui::Key::Escape); }, ui::mrNo},
    };
    for (const ResultCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto dialog = MakeDialog();
        EXPECT_EQ(ShowAnd(*dialog, c.act), c.result);
    }
}

TEST_F(AskDeleteTest, EachClickOfTheBoxAppliesItsStateAtOnce) {
    settings::OptionsSetting.IsAskBeforeDefrag = true;
    auto dialog = MakeDialog();
    std::vector<bool> seen;
    ShowAnd(*dialog, [&](TfrmAskDelete& d) {
        for (int i = 0; i < 3; ++i) {
            d.cbAsk().Click();
            seen.push_back(settings::OptionsSetting.IsAskBeforeDefrag);
        }
        d.bCancel().Click();
    });
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

}  // namespace
}  // namespace kelvara::defrag::testing

namespace kelvara::defrag::testing {
namespace {

class FitLabelsTest : public DefragFixture {};

TEST_F(FitLabelsTest, LabelsGrowToTheirTextWithinTheirContainerMovingLeftWhenNeededAndNeverShrink) {
    auto dialog = ui::CreateForm<TfrmAskDelete>(owner_.get());
    ui::TLabel& inGroup = dialog->Get<ui::TLabel>("Label1");
    ui::TLabel& onForm = dialog->Get<ui::TLabel>("Label2");
    ui::TLabel& shortOne = dialog->Get<ui::TLabel>("Label3");
    inGroup.SetCaption(std::string(200, 'W'));        // far wider than the group box
    onForm.SetCaption("You must restart your computer for the changes to take effect, and then some more words");
    shortOne.SetCaption("Short");
    ASSERT_GT(dialog->TextWidth(onForm.Caption(), onForm.GetFont()), 316 - 8 - 4);
    FitLabels(*dialog);
    // Across the whole group box, no further.
    EXPECT_EQ(inGroup.Left(), 4);
    EXPECT_EQ(inGroup.Width(), 298 - 4 - 4);
    EXPECT_EQ(onForm.Left(), 4);                 // moved left as far as the window's edge room
    EXPECT_EQ(onForm.Width(), 316 - 4 - 4);
    EXPECT_EQ(shortOne.Width(), 305);            // the designed width stays
}

}  // namespace
}  // namespace kelvara::defrag::testing
