// The dialogs' drawn controls on the headless widget set: each look (rest, hover, pressed,
// disabled, focused) read back as the colours of face, frame and caption; pressing, dragging off
// and back; Space and the access keys; the progress bar's fill and percentage.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_group_box.h"
#include "controls/skin_progress_bar.h"
#include "controls/skin_style.h"
#include "ui/application.h"
#include "ui/form_table.h"
#include "ui/headless/headless_widget_set.h"
#include "ui/headless/recording_canvas.h"
#include "ui/standard_controls.h"

namespace kelvara::controls::testing {
namespace {

using ui::headless::DrawOp;
using ui::headless::RecordingCanvas;

class SkinForm : public ui::Form {
public:
    SkinForm() {
        SetName("frmSkin");
        SetCaption("Skin");
        SetClientSize(300, 220);
        SetColor(ui::Rgb(0xEE, 0xEE, 0xEE));
        const ui::ComponentSpec layout[] = {
            {ui::Kind<TSkinGroupBox>, "SkinGroupBox1", {8, 8, 284, 100}, "&Group"},
            {ui::Kind<TSkinCheckBox>, "cbAsk", {8, 20, 150, 19}, "&Ask first", "", ui::kChecked, "SkinGroupBox1"},
            {ui::Kind<TSkinCheckBox>, "cbLines", {8, 50, 150, 19}, "Show &lines", "", 0, "SkinGroupBox1"},
            {ui::Kind<TSkinButton>, "bOK", {120, 150, 80, 27}, "&OK", "", ui::kDefault},
            {ui::Kind<TSkinButton>, "bCancel", {210, 150, 80, 27}, "&Cancel", "", ui::kCancel},
            {ui::Kind<TSkinProgressBar>, "ProgressBar1", {8, 190, 202, 18}},
        };
        AddComponents(layout);
        Get<TSkinButton>("bOK").SetModalResult(ui::mrOk);
        Get<TSkinButton>("bCancel").SetModalResult(ui::mrCancel);
        Get<TSkinButton>("bOK").OnClick = [this](ui::Component&) { ++okClicks; };
        Get<TSkinCheckBox>("cbLines").OnClick = [this](ui::Component&) { ++linesClicks; };
    }
    int okClicks = 0;
    int linesClicks = 0;
};

// Public: the table-driven cases act on the fixture from outside.
class SkinControlsTest : public ::testing::Test {
public:
    // The looks are read with the keyboard cues on, as for a user who keeps them always shown;
    // their hiding has tests of its own below.
    explicit SkinControlsTest(bool cuesAlwaysShown = true) {
        std::random_device random;
        runtime_ = std::filesystem::temp_directory_path() / ("kelvara-skins-" + std::to_string(random()));
        std::filesystem::create_directories(runtime_);
        auto widgets = std::make_unique<ui::headless::HeadlessWidgetSet>();
        headless_ = widgets.get();
        headless_->SetRuntimeDir(runtime_.string());
        headless_->SetKeyboardCuesAlwaysShown(cuesAlwaysShown);
        app_ = std::make_unique<ui::Application>(std::move(widgets));
        form_ = &app_->CreateForm<SkinForm>();
        form_->Show();
    }
    ~SkinControlsTest() override {
        app_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(runtime_, ignored);
    }

    TSkinButton& OK() { return form_->Get<TSkinButton>("bOK"); }
    TSkinButton& Cancel() { return form_->Get<TSkinButton>("bCancel"); }
    TSkinCheckBox& Ask() { return form_->Get<TSkinCheckBox>("cbAsk"); }
    TSkinCheckBox& Lines() { return form_->Get<TSkinCheckBox>("cbLines"); }
    TSkinProgressBar& Bar() { return form_->Get<TSkinProgressBar>("ProgressBar1"); }
    // A point of a control in form coordinates.
    ui::Point At(const ui::Control& c, int x, int y) { return {c.BoundsInForm().left + x, c.BoundsInForm().top + y}; }
    ui::Color Pixel(const ui::Control& c, int x, int y) {
        auto canvas = headless_->PaintForm(*form_);
        ui::Point p = At(c, x, y);
        return canvas->PixelAt(p.x, p.y);
    }
    // The text operations drawn inside a control, in order.
    std::vector<DrawOp> TextsIn(const ui::Control& c) {
        auto canvas = headless_->PaintForm(*form_);
        std::vector<DrawOp> out;
        const ui::Rect r = c.BoundsInForm();
        for (const DrawOp& op : canvas->Ops())
            if (op.kind == DrawOp::Text && op.rect.left >= r.left - 1 && op.rect.left <= r.Right() &&
                op.rect.top >= r.top - 1 && op.rect.top <= r.Bottom())
                out.push_back(op);
        return out;
    }

    std::filesystem::path runtime_;
    ui::headless::HeadlessWidgetSet* headless_ = nullptr;
    std::unique_ptr<ui::Application> app_;
    SkinForm* form_ = nullptr;
};

const SkinStyle& Style() { return DefaultSkinStyle(); }

// ---- push button

struct ButtonLookCase {
    const char* name;
    std::function<void(SkinControlsTest&, ui::headless::HeadlessWidgetSet&, TSkinButton&, ui::Point)> act;
    TSkinButton::Look look;
    ui::Color face, frame;
};

TEST_F(SkinControlsTest, ButtonFaceAndFrameInEachLook) {
    using L = TSkinButton::Look;
    const ui::Point away{150, 120};
    const ButtonLookCase cases[] = {
        {"rest", [](auto&, auto&, auto&, ui::Point) {}, L::Rest, Style().face, Style().frame},
        {"hover", [](auto&, auto& h, auto& b, ui::Point on) { h.MouseMove(*b.Owner(), on); }, L::Hover,
         Style().faceHover, Style().frameHover},
        {"pressed", [](auto&, auto& h, auto& b, ui::Point on) { h.MouseDown(*b.Owner(), on); }, L::Pressed,
         Style().faceDown, Style().frameDown},
        {"pressed and dragged off", [away](auto&, auto& h, auto& b, ui::Point on) {
             h.MouseDown(*b.Owner(), on);
             h.MouseMove(*b.Owner(), away);
         }, L::Rest, Style().face, Style().frame},
        {"dragged off and back", [away](auto&, auto& h, auto& b, ui::Point on) {
             h.MouseDown(*b.Owner(), on);
             h.MouseMove(*b.Owner(), away);
             h.MouseMove(*b.Owner(), on);
         }, L::Pressed, Style().faceDown, Style().frameDown},
        {"hover then left", [away](auto&, auto& h, auto& b, ui::Point on) {
             h.MouseMove(*b.Owner(), on);
             h.MouseMove(*b.Owner(), away);
         }, L::Rest, Style().face, Style().frame},
        {"disabled under the mouse", [](auto&, auto& h, auto& b, ui::Point on) {
             b.SetEnabled(false);
             h.MouseMove(*b.Owner(), on);
         }, L::Disabled, Style().faceDisabled, Style().frame},
    };
    for (const ButtonLookCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto& form = app_->CreateForm<SkinForm>();
        form.Show();
        auto& button = form.Get<TSkinButton>("bCancel");   // not the default: one frame only
        const ui::Point on{button.BoundsInForm().left + 40, button.BoundsInForm().top + 13};
        c.act(*this, *headless_, button, on);
        EXPECT_EQ(button.CurrentLook(), c.look);
        auto canvas = headless_->PaintForm(form);
        const ui::Rect r = button.BoundsInForm();
        EXPECT_EQ(canvas->PixelAt(r.left + 6, r.top + 6), c.face);
        EXPECT_EQ(canvas->PixelAt(r.left, r.top), c.frame);
        EXPECT_EQ(canvas->PixelAt(r.Right() - 1, r.Bottom() - 1), c.frame);
        headless_->MouseUp(form, {150, 120});
        form.Hide();
    }
}

TEST_F(SkinControlsTest, ButtonClicksOnlyOnAReleaseOverIt) {
    const ui::Point on = At(OK(), 40, 13);
    headless_->MouseDown(*form_, on);
    headless_->MouseMove(*form_, {150, 120});
    headless_->MouseUp(*form_, {150, 120});
    EXPECT_EQ(form_->okClicks, 0);
    EXPECT_EQ(OK().CurrentLook(), TSkinButton::Look::Rest);

    headless_->MouseDown(*form_, on);
    headless_->MouseMove(*form_, {150, 120});
    headless_->MouseMove(*form_, on);
    headless_->MouseUp(*form_, on);
    EXPECT_EQ(form_->okClicks, 1);
    EXPECT_EQ(form_->ModalResult(), ui::mrOk);
    EXPECT_EQ(OK().CurrentLook(), TSkinButton::Look::Hover);   // still under the mouse

    OK().SetEnabled(false);
    headless_->Click(*form_, on);
    EXPECT_EQ(form_->okClicks, 1);
}

TEST_F(SkinControlsTest, ButtonCaptionShowsItsAccessKeyAndIsEmbossedWhenDisabled) {
    auto texts = TextsIn(Cancel());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Cancel");
    EXPECT_EQ(texts[0].underline, 0);
    EXPECT_EQ(texts[0].font.color, Style().caption);

    Cancel().SetEnabled(false);
    texts = TextsIn(Cancel());
    ASSERT_EQ(texts.size(), 2u);
    // The light copy first, one pixel down and right, then the grey one over it.
    EXPECT_EQ(texts[0].font.color, Style().captionEmboss);
    EXPECT_EQ(texts[1].font.color, Style().captionDisabled);
    EXPECT_EQ(texts[0].rect.left, texts[1].rect.left + 1);
    EXPECT_EQ(texts[0].rect.top, texts[1].rect.top + 1);
    EXPECT_EQ(texts[1].underline, 0);
}

TEST_F(SkinControlsTest, TheDefaultButtonHasASecondFrameAndTheFocusedOneADottedMark) {
    EXPECT_EQ(Pixel(OK(), 1, 1), Style().frameDefault);
    EXPECT_EQ(Pixel(Cancel(), 1, 1), Style().face);
    EXPECT_NE(Pixel(Cancel(), 3, 3), Style().focusMark);

    ASSERT_TRUE(Cancel().SetFocus());
    EXPECT_EQ(Pixel(Cancel(), 3, 3), Style().focusMark);
    EXPECT_EQ(Pixel(Cancel(), 4, 3), Style().face);   // dotted: every other pixel
    EXPECT_EQ(Pixel(Cancel(), 5, 3), Style().focusMark);
    ASSERT_TRUE(OK().SetFocus());
    EXPECT_NE(Pixel(Cancel(), 3, 3), Style().focusMark);
}

// ---- check box

TEST_F(SkinControlsTest, CheckBoxSquareInEachLook) {
    using L = TSkinCheckBox::Look;
    struct Case {
        const char* name;
        std::function<void(ui::headless::HeadlessWidgetSet&, ui::Form&, TSkinCheckBox&, ui::Point)> act;
        L look;
        ui::Color face, frame;
    };
    const Case cases[] = {
        {"rest", [](auto&, auto&, auto&, ui::Point) {}, L::Rest, Style().boxFace, Style().frame},
        {"hover", [](auto& h, auto& f, auto&, ui::Point on) { h.MouseMove(f, on); }, L::Hover, Style().faceHover,
         Style().frameHover},
        {"pressed", [](auto& h, auto& f, auto&, ui::Point on) { h.MouseDown(f, on); }, L::Pressed, Style().faceDown,
         Style().frameDown},
        {"disabled", [](auto&, auto&, auto& b, ui::Point) { b.SetEnabled(false); }, L::Disabled, Style().faceDisabled,
         Style().frame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& form = app_->CreateForm<SkinForm>();
        form.Show();
        auto& box = form.Get<TSkinCheckBox>("cbLines");
        const ui::Point on{box.BoundsInForm().left + 40, box.BoundsInForm().top + 9};
        c.act(*headless_, form, box, on);
        EXPECT_EQ(box.CurrentLook(), c.look);
        auto canvas = headless_->PaintForm(form);
        const ui::Rect square = box.BoxRect().Offset(box.BoundsInForm().left, box.BoundsInForm().top);
        EXPECT_EQ(canvas->PixelAt(square.left, square.top), c.frame);
        EXPECT_EQ(canvas->PixelAt(square.left + 1, square.top + 1), c.face);
        EXPECT_EQ(canvas->PixelAt(square.left + 6, square.top + 2), c.face);   // unticked: no mark
        // Beside the square the dialog's face shows.
        EXPECT_EQ(canvas->PixelAt(square.Right() + 1, square.top), form.GetColor());
        headless_->MouseUp(form, {150, 120});
        form.Hide();
    }
}

TEST_F(SkinControlsTest, CheckBoxTickFollowsTheState) {
    const ui::Rect square = Ask().BoxRect();
    auto inked = [&](TSkinCheckBox& box) {
        auto canvas = headless_->PaintForm(*form_);
        int marks = 0;
        const ui::Rect r = box.BoxRect().Offset(box.BoundsInForm().left, box.BoundsInForm().top);
        for (int y = r.top + 1; y < r.Bottom() - 1; ++y)
            for (int x = r.left + 1; x < r.Right() - 1; ++x) marks += canvas->PixelAt(x, y) == Style().checkMark;
        return marks;
    };
    EXPECT_EQ(square.width, TSkinCheckBox::kBoxSide);
    EXPECT_TRUE(Ask().Checked());   // from its row's flag
    EXPECT_GT(inked(Ask()), 15);
    EXPECT_EQ(inked(Lines()), 0);
    Ask().SetChecked(false);
    EXPECT_EQ(inked(Ask()), 0);
}

TEST_F(SkinControlsTest, CheckBoxTogglesByClickSpaceAndAccessKeyAndRaisesOnClickEachTime) {
    struct Case {
        const char* name;
        std::function<void(SkinControlsTest&)> act;
    };
    const Case cases[] = {
        {"click on the caption", [](SkinControlsTest& t) { t.headless_->Click(*t.form_, t.At(t.Lines(), 60, 9)); }},
        {"space while focused", [](SkinControlsTest& t) {
             t.Lines().SetFocus();
             t.headless_->PressKey(*t.form_, ui::Key::Space);
         }},
        {"alt and its key", [](SkinControlsTest& t) { t.headless_->TypeChar(*t.form_, 'L', true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool before = Lines().Checked();
        const int clicks = form_->linesClicks;
        c.act(*this);
        EXPECT_NE(Lines().Checked(), before);
        EXPECT_EQ(form_->linesClicks, clicks + 1);
        EXPECT_EQ(form_->ActiveControl(), &Lines());
    }
    Lines().SetEnabled(false);
    headless_->TypeChar(*form_, 'l', true);
    headless_->Click(*form_, At(Lines(), 60, 9));
    EXPECT_EQ(form_->linesClicks, 3);
}

TEST_F(SkinControlsTest, CheckBoxCaptionSitsBesideTheSquareWithItsFocusMarkAround) {
    auto texts = TextsIn(Lines());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Show lines");
    EXPECT_EQ(texts[0].underline, 5);
    EXPECT_EQ(texts[0].rect.left, Lines().BoundsInForm().left + TSkinCheckBox::kCaptionLeft);

    const int markX = TSkinCheckBox::kCaptionLeft - 2;
    auto marks = [&] {
        auto canvas = headless_->PaintForm(*form_);
        int n = 0;
        for (int y = 0; y < Lines().Height(); ++y) n += canvas->PixelAt(At(Lines(), markX, y).x, At(Lines(), markX, y).y) == Style().focusMark;
        return n;
    };
    EXPECT_EQ(marks(), 0);
    Lines().SetFocus();
    EXPECT_GE(marks(), 4);
}

// ---- group box

TEST_F(SkinControlsTest, GroupBoxFramesItsChildrenWithTheCaptionOnTheTopEdge) {
    auto& group = form_->Get<TSkinGroupBox>("SkinGroupBox1");
    auto canvas = headless_->PaintForm(*form_);
    const ui::Rect r = group.BoundsInForm();
    const int top = RecordingCanvas::MeasureText("0", group.GetFont()).height / 2;
    EXPECT_EQ(canvas->PixelAt(r.left, r.top + 30), Style().groupFrame);
    EXPECT_EQ(canvas->PixelAt(r.Right() - 1, r.top + 30), Style().groupFrame);
    EXPECT_EQ(canvas->PixelAt(r.left + 100, r.top + top), Style().groupFrame);   // right of the caption
    EXPECT_EQ(canvas->PixelAt(r.left + 8, r.top + top), form_->GetColor());        // the caption's gap
    auto texts = TextsIn(group);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].text, "Group");
    EXPECT_EQ(texts[0].font.color, Style().groupCaption);

    // Without a caption the frame runs along the very top.
    group.SetCaption("");
    canvas = headless_->PaintForm(*form_);
    EXPECT_EQ(canvas->PixelAt(r.left + 8, r.top), Style().groupFrame);
    EXPECT_EQ(Ask().Parent(), &group);
}

// ---- progress bar

TEST_F(SkinControlsTest, ProgressBarFillsInProportionAndShowsItsPercentageOnlyWhenAsked) {
    struct Case {
        int min, max, position;
        int filled;   // of the 200 pixels inside the frame
        const char* percent;
    };
    const Case cases[] = {
        {0, 1000, 0, 0, "0%"},       {0, 1000, 999, 199, "99%"}, {0, 1000, 1000, 200, "100%"},
        {0, 100, 45, 90, "45%"},     {0, 100, 250, 200, "100%"}, {0, 100, -5, 0, "0%"},
        {50, 150, 100, 100, "50%"},  {7, 7, 7, 0, "0%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.min) + ".." + std::to_string(c.max) + " at " + std::to_string(c.position));
        Bar().SetRange(c.min, c.max);
        Bar().SetPosition(c.position);
        EXPECT_EQ(Bar().FilledWidth(), c.filled);
        EXPECT_EQ(Bar().PercentText(), c.percent);
        auto canvas = headless_->PaintForm(*form_);
        const ui::Rect r = Bar().BoundsInForm();
        EXPECT_EQ(canvas->PixelAt(r.left, r.top), Style().barFrame);
        if (c.filled > 0) {
            EXPECT_EQ(canvas->PixelAt(r.left + c.filled, r.top + 9), Style().barFill);
        }
        if (c.filled < 200) {
            EXPECT_EQ(canvas->PixelAt(r.left + 1 + c.filled, r.top + 9), Style().barBack);
        }
    }
    EXPECT_TRUE(TextsIn(Bar()).empty());
    Bar().SetShowPercent(true);
    auto texts = TextsIn(Bar());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, Bar().PercentText());
    EXPECT_EQ(texts[0].font.color, Style().barCaption);
    EXPECT_EQ(texts[0].format.align, ui::TextAlign::Center);
}

// ---- keyboard on a form of drawn controls

TEST_F(SkinControlsTest, EnterEscapeTabAndAccessKeysReachTheDrawnButtons) {
    struct Case {
        const char* name;
        std::vector<std::function<void(SkinControlsTest&)>> keys;
        int result;
    };
    auto press = [](ui::Key k) { return [k](SkinControlsTest& t) { t.headless_->PressKey(*t.form_, k); }; };
    auto type = [](char ch, bool alt) { return [ch, alt](SkinControlsTest& t) { t.headless_->TypeChar(*t.form_, ch, alt); }; };
    const Case cases[] = {
        {"Enter", {press(ui::Key::Enter)}, ui::mrOk},
        {"Escape", {press(ui::Key::Escape)}, ui::mrCancel},
        {"Alt+C", {type('c', true)}, ui::mrCancel},
        {"plain O", {type('o', false)}, ui::mrOk},
        // Tab: the two boxes, then OK, then Cancel; Enter on a focused button clicks that one.
        {"Tab x4 Enter", {press(ui::Key::Tab), press(ui::Key::Tab), press(ui::Key::Tab), press(ui::Key::Tab),
                          press(ui::Key::Enter)}, ui::mrCancel},
        {"Shift+Tab Space", {press(ui::Key::ShiftTab), press(ui::Key::Space)}, ui::mrCancel},
        {"Tab Enter on a box", {press(ui::Key::Tab), press(ui::Key::Enter)}, ui::mrOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form_ = &app_->CreateForm<SkinForm>();
        form_->Show();
        form_->SetModalResult(ui::mrNone);
        for (const auto& key : c.keys) key(*this);
        EXPECT_EQ(form_->ModalResult(), c.result);
        form_->Hide();
    }
}

// ---- keyboard cues: hidden until the keyboard is used, as in Windows' dialogs

class SkinCuesTest : public SkinControlsTest {
public:
    SkinCuesTest() : SkinControlsTest(false) {}

    bool FocusMarkOnCancel() { return Pixel(Cancel(), 3, 3) == Style().focusMark && Pixel(Cancel(), 5, 3) == Style().focusMark; }
    int CancelUnderline() {
        const auto texts = TextsIn(Cancel());
        return texts.empty() ? -2 : texts[0].underline;
    }
};

TEST_F(SkinCuesTest, FocusMarksAndUnderlinesShowOnlyOnceTheKeyboardIsUsed) {
    struct Case {
        const char* name;
        std::function<void(SkinCuesTest&)> act;
        bool focusMark;
        bool underline;
    };
    const Case cases[] = {
        {"focused by the program", [](SkinCuesTest&) {}, false, false},
        {"clicked with the mouse", [](SkinCuesTest& t) { t.headless_->MouseMove(*t.form_, t.At(t.Lines(), 4, 9)); }, false,
         false},
        {"Tab", [](SkinCuesTest& t) {
             t.headless_->PressKey(*t.form_, ui::Key::Tab);
             t.Cancel().SetFocus();
         }, true, false},
        {"an arrow", [](SkinCuesTest& t) { t.headless_->PressCueKey(*t.form_, ui::CueKey::Navigation); }, true, false},
        {"Alt", [](SkinCuesTest& t) { t.headless_->PressCueKey(*t.form_, ui::CueKey::Alt); }, true, true},
        {"Alt+L", [](SkinCuesTest& t) { t.headless_->TypeChar(*t.form_, 'l', true); t.Cancel().SetFocus(); }, true,
         true},
        {"a plain letter", [](SkinCuesTest& t) { t.headless_->TypeChar(*t.form_, 'l', false); t.Cancel().SetFocus(); },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form_ = &app_->CreateForm<SkinForm>();
        form_->Show();
        ASSERT_TRUE(Cancel().SetFocus());
        c.act(*this);
        EXPECT_EQ(FocusMarkOnCancel(), c.focusMark);
        EXPECT_EQ(CancelUnderline(), c.underline ? 0 : -1);
        // The caption itself stays, without its '&', either way.
        EXPECT_EQ(TextsIn(Cancel()).at(0).text, "Cancel");
        form_->Hide();
    }
}

TEST_F(SkinCuesTest, TheCheckBoxFocusMarkWaitsForTheKeyboardToo) {
    ASSERT_TRUE(Lines().SetFocus());
    const int markX = TSkinCheckBox::kCaptionLeft - 2;
    const auto marks = [&] {
        auto canvas = headless_->PaintForm(*form_);
        int n = 0;
        for (int y = 0; y < Lines().Height(); ++y) n += canvas->PixelAt(At(Lines(), markX, y).x, At(Lines(), markX, y).y) == Style().focusMark;
        return n;
    };
    EXPECT_EQ(marks(), 0);
    headless_->PressKey(*form_, ui::Key::Tab);
    headless_->PressKey(*form_, ui::Key::ShiftTab);
    ASSERT_TRUE(Lines().Focused());
    EXPECT_GT(marks(), 2);
}

TEST_F(SkinCuesTest, WithTheSettingOnTheyShowFromTheStart) {
    headless_->SetKeyboardCuesAlwaysShown(true);
    form_ = &app_->CreateForm<SkinForm>();
    form_->Show();
    ASSERT_TRUE(Cancel().SetFocus());
    EXPECT_TRUE(FocusMarkOnCancel());
    EXPECT_EQ(CancelUnderline(), 0);
}

}  // namespace
}  // namespace kelvara::controls::testing
