// The flat button under the mouse and the keyboard: highlight only while the program is
// active, pressed look, click only on a release inside, disabled look, access key.
#include "controls_fixture.h"

namespace kelvara::controls::testing {
namespace {

constexpr ui::Point kOnButton{50, 20};
constexpr ui::Point kAway{250, 150};

struct LookCase {
    TTransparentMode mode;
    bool mouseOver;
    TButtonState state;
    std::optional<Colour> face;   // of the colours below
};

constexpr FlatButtonColours kColours{1, 2, 3, 4, 5, 6};

TEST(FlatButtonLook, FaceTable)
{
    using M = TTransparentMode;
    using S = TButtonState;
    const LookCase cases[] = {
        {M::tmAlways, true, S::Down, std::nullopt},
        {M::tmAlways, false, S::Up, std::nullopt},
        {M::tmNotFocused, false, S::Up, std::nullopt},
        {M::tmNotFocused, false, S::Down, std::nullopt},
        {M::tmNotFocused, true, S::Up, 2},
        {M::tmNotFocused, true, S::Disabled, 1},
        {M::tmNotFocused, true, S::Down, 3},
        {M::tmNotFocused, true, S::Exclusive, 2},
        {M::tmNone, false, S::Up, 1},
        {M::tmNone, false, S::Disabled, 1},
        {M::tmNone, false, S::Down, 3},
        {M::tmNone, false, S::Exclusive, 3},
        {M::tmNone, true, S::Up, 2},
        {M::tmNone, true, S::Exclusive, 2},
    };
    for (const LookCase& c : cases) {
        EXPECT_EQ(FlatButtonFace(c.mode, c.mouseOver, c.state, kColours), c.face)
            << int(c.mode) << " over=" << c.mouseOver << " state=" << int(c.state);
    }
}

TEST(FlatButtonLook, FrameTable)
{
    using S = TButtonState;
    struct FrameCase {
        S state;
        bool over;
        Colour topLeft, bottomRight;
    };
    const FrameCase cases[] = {
        {S::Up, false, 4, 4},   {S::Up, true, 5, 6},      {S::Disabled, false, 4, 4},
        {S::Disabled, true, 4, 4}, {S::Down, false, 6, 5}, {S::Exclusive, true, 6, 5},
    };
    for (const FrameCase& c : cases) {
        const FrameColours frame = FlatButtonFrame(c.state, c.over, kColours);
        EXPECT_EQ(frame.topLeft, c.topLeft) << int(c.state) << " over=" << c.over;
        EXPECT_EQ(frame.bottomRight, c.bottomRight) << int(c.state) << " over=" << c.over;
    }
}

TEST_F(ControlsTest, FlatButtonLightsUnderTheMouseAndGoesDarkWhenItLeaves)
{
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_TRUE(Flat().MouseInControl());
    EXPECT_EQ(Flat().FaceColour(), std::optional<Colour>(ui::clSilver));
    EXPECT_EQ(Flat().Frame().topLeft, ui::clWhite);
    EXPECT_EQ(Flat().Frame().bottomRight, ui::clBlack);
    auto lit = headless_->PaintForm(*form_);
    EXPECT_EQ(lit->PixelAt(30, 14), ui::clSilver);

    EXPECT_TRUE(Flat().IsHotButton());

    // The shared timer notices within 100 ms that the pointer has gone.
    headless_->MouseMove(*form_, kAway);
    headless_->AdvanceClock(100);
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_FALSE(Flat().IsHotButton());
    EXPECT_EQ(Flat().FaceColour(), std::nullopt);
    EXPECT_EQ(Flat().Frame().topLeft, 14606560u);
    auto dark = headless_->PaintForm(*form_);
    EXPECT_NE(dark->PixelAt(30, 14), ui::clSilver);
    EXPECT_EQ(dark->PixelAt(10, 10), 14606560u) << "frame corner in ColorBorder";
}

TEST_F(ControlsTest, FlatButtonGoesDarkOnTheTimersNextTickAfterAJumpAway)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseAway();   // over another window, no move over the form on the way
    headless_->AdvanceClock(50);
    EXPECT_TRUE(Flat().MouseInControl()) << "the check runs every 100 ms";
    headless_->AdvanceClock(50);
    EXPECT_FALSE(Flat().MouseInControl());
}

TEST_F(ControlsTest, FlatButtonStaysDarkWhileAnotherProgramIsActive)
{
    headless_->SetOtherAppActive(true);
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_EQ(Flat().FaceColour(), std::nullopt);
}

TEST_F(ControlsTest, FlatButtonPressDragOffAndReleaseDoesNotClick)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton);
    EXPECT_EQ(Flat().State(), TButtonState::Down);
    EXPECT_EQ(Flat().Frame().topLeft, ui::clBlack) << "sunken";

    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(Flat().State(), TButtonState::Up);
    EXPECT_TRUE(Flat().MouseInControl()) << "a held button keeps its highlight";

    headless_->MouseUp(*form_, kAway);
    EXPECT_EQ(form_->flatClicks, 0);
    EXPECT_FALSE(Flat().Dragging());
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_EQ(Flat().FaceColour(), std::nullopt);
}

TEST_F(ControlsTest, FlatButtonClickRunsOnceAndLightsAgain)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton);
    headless_->MouseUp(*form_, kOnButton);
    EXPECT_EQ(form_->flatClicks, 1);
    EXPECT_EQ(Flat().State(), TButtonState::Up);
    EXPECT_TRUE(Flat().MouseInControl());
    EXPECT_EQ(Flat().FaceColour(), std::optional<Colour>(ui::clSilver));
}

TEST_F(ControlsTest, DisabledFlatButtonIsGreyAndDoesNotClick)
{
    headless_->MouseMove(*form_, kOnButton);
    Flat().SetEnabled(false);
    EXPECT_EQ(Flat().State(), TButtonState::Disabled);
    EXPECT_FALSE(Flat().MouseInControl());

    headless_->Click(*form_, kOnButton);
    headless_->TypeChar(*form_, 'a', true);
    EXPECT_EQ(form_->flatClicks, 0);
    EXPECT_EQ(Flat().FaceColour(), std::nullopt);
    EXPECT_EQ(Flat().Frame().topLeft, 14606560u);

    // Embossed: the caption twice, light one pixel lower right, then the shadow in place.
    auto canvas = headless_->PaintForm(*form_);
    std::vector<const ui::headless::DrawOp*> captions;
    for (const auto& op : canvas->Ops())
        if (op.kind == ui::headless::DrawOp::Text && op.text == "Analyze")
            captions.push_back(&op);
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[0]->rect.left, captions[1]->rect.left + 1);
    EXPECT_EQ(captions[0]->rect.top, captions[1]->rect.top + 1);
    EXPECT_EQ(captions[0]->color, canvas->Resolve(ui::clBtnHighlight));
    EXPECT_EQ(captions[1]->color, canvas->Resolve(ui::clBtnShadow));
    EXPECT_EQ(captions[1]->underline, 0) << "the access key stays underlined";

    Flat().SetEnabled(true);
    headless_->Click(*form_, kOnButton);
    EXPECT_EQ(form_->flatClicks, 1);
}

TEST_F(ControlsTest, AccessKeyClicksTheFlatButton)
{
    headless_->TypeChar(*form_, 'A', true);
    EXPECT_EQ(form_->flatClicks, 1);
    headless_->TypeChar(*form_, 'q', true);
    EXPECT_EQ(form_->flatClicks, 1);
}

TEST_F(ControlsTest, FlatButtonHandsItsModalResultToTheForm)
{
    Flat().SetModalResult(ui::mrOk);
    headless_->Click(*form_, kOnButton);
    EXPECT_EQ(form_->ModalResult(), ui::mrOk);
}

TEST_F(ControlsTest, PressedCaptionMovesOnePixel)
{
    auto atRest = headless_->PaintForm(*form_);
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton);
    auto pressed = headless_->PaintForm(*form_);
    auto captionRect = [](const ui::headless::RecordingCanvas& canvas) {
        for (const auto& op : canvas.Ops())
            if (op.kind == ui::headless::DrawOp::Text && op.text == "Analyze")
                return op.rect;
        return ui::Rect{};
    };
    EXPECT_EQ(captionRect(*pressed), captionRect(*atRest).Offset(1, 1));
    headless_->MouseUp(*form_, kOnButton);
}

TEST_F(ControlsTest, FlatButtonDraggedOffAndBackIsPressedAgainAndClicks)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(Flat().State(), TButtonState::Up);
    EXPECT_EQ(Flat().Frame().topLeft, ui::clWhite) << "raised: still lit while held";
    // The timer's check does not put the highlight out while the button is held.
    headless_->AdvanceClock(300);
    EXPECT_TRUE(Flat().MouseInControl());
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_EQ(Flat().State(), TButtonState::Down);
    EXPECT_EQ(Flat().FaceColour(), std::optional<Colour>(Flat().ColorDown()));
    headless_->MouseUp(*form_, kOnButton);
    EXPECT_EQ(form_->flatClicks, 1);
}

// A release off the button used to leave it the hot button while dark, so a move back over it
// was not an entry and it never lit again.
TEST_F(ControlsTest, FlatButtonReleasedOffLightsWhenThePointerComesBack)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton);
    headless_->MouseMove(*form_, kAway);
    headless_->MouseUp(*form_, kAway);
    EXPECT_FALSE(Flat().IsHotButton()) << "the shared timer rests while no button is lit";
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_TRUE(Flat().MouseInControl());
    EXPECT_EQ(Flat().FaceColour(), std::optional<Colour>(ui::clSilver));
}

TEST_F(ControlsTest, MovingFromOneFlatButtonToAnotherHandsOverTheHighlight)
{
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseMove(*form_, {240, 70});
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_TRUE(Flat2().MouseInControl());
    EXPECT_TRUE(Flat2().IsHotButton());
    EXPECT_FALSE(Flat().IsHotButton());
    headless_->AdvanceClock(500);
    EXPECT_TRUE(Flat2().MouseInControl()) << "the pointer is still over it";
}

TEST_F(ControlsTest, FlatButtonLightsOnceOurWindowIsActiveAgain)
{
    headless_->SetOtherAppActive(true);
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_FALSE(Flat().IsHotButton());
    headless_->SetOtherAppActive(false);
    headless_->MouseMove(*form_, {51, 21});
    EXPECT_TRUE(Flat().MouseInControl());
}

TEST_F(ControlsTest, OtherMouseButtonsOnlyRaiseTheMouseEvents)
{
    std::vector<std::string> events;
    Flat().OnMouseDown = [&](ui::Component&, ui::MouseButton, ui::ShiftState, int, int) { events.push_back("down"); };
    Flat().OnMouseUp = [&](ui::Component&, ui::MouseButton, ui::ShiftState, int, int) { events.push_back("up"); };
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseDown(*form_, kOnButton, ui::MouseButton::Right);
    EXPECT_EQ(Flat().State(), TButtonState::Up);
    EXPECT_FALSE(Flat().Dragging());
    headless_->MouseUp(*form_, kOnButton, ui::MouseButton::Right);
    EXPECT_EQ(form_->flatClicks, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));
}

TEST_F(ControlsTest, FlatButtonRaisesEnterAndLeaveEvents)
{
    std::vector<std::string> events;
    Flat().OnMouseEnter = [&](ui::Component&) { events.push_back("enter"); };
    Flat().OnMouseLeave = [&](ui::Component&) { events.push_back("leave"); };
    headless_->MouseMove(*form_, kOnButton);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ControlsTest, EnablingAButtonUnderThePointerLightsItAgain)
{
    headless_->MouseMove(*form_, kOnButton);
    Flat().SetEnabled(false);
    EXPECT_FALSE(Flat().IsHotButton());
    Flat().SetEnabled(true);
    EXPECT_EQ(Flat().State(), TButtonState::Up);
    EXPECT_TRUE(Flat().MouseInControl()) << "re-evaluated at once, no move needed";

    // Enabled while the pointer is elsewhere: it stays dark.
    Flat().SetEnabled(false);
    headless_->MouseMove(*form_, kAway);
    Flat().SetEnabled(true);
    EXPECT_FALSE(Flat().MouseInControl());
}

TEST_F(ControlsTest, DisabledFlatButtonDoesNotLightUnderThePointer)
{
    Flat().SetEnabled(false);
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_EQ(Flat().Frame().topLeft, Flat().ColorBorder());
}

// The caption's access key is drawn underlined once Alt was pressed, in every state; a caption
// without one has none.
TEST_F(ControlsTest, TheAccessKeyIsDrawnUnderlined)
{
    headless_->PressCueKey(*form_, ui::CueKey::Alt);
    struct Case {
        const char* caption;
        const char* shown;
        int underline;
    };
    const Case cases[] = {{"&Analyze", "Analyze", 0}, {"Ana&lyze", "Analyze", 3}, {"Analyze", "Analyze", -1},
                          {"R&&D", "R&D", -1}};
    for (const Case& c : cases) {
        Flat().SetCaption(c.caption);
        auto canvas = headless_->PaintForm(*form_);
        const ui::headless::DrawOp* caption = nullptr;
        for (const auto& op : canvas->Ops())
            if (op.kind == ui::headless::DrawOp::Text && op.text == c.shown)
                caption = &op;
        ASSERT_NE(caption, nullptr) << c.caption;
        EXPECT_EQ(caption->underline, c.underline) << c.caption;
    }
}

// With tmNone the face is filled at rest in the button's colour, which follows the parent's.
TEST_F(ControlsTest, OpaqueFlatButtonFillsItsFaceInTheParentsColour)
{
    Flat().SetTransparentMode(TTransparentMode::tmNone);
    auto canvas = headless_->PaintForm(*form_);
    EXPECT_EQ(canvas->PixelAt(30, 14), form_->GetColor());
    headless_->MouseMove(*form_, kOnButton);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(30, 14), ui::clSilver);
    headless_->MouseDown(*form_, kOnButton);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(30, 14), Flat().ColorDown());
    headless_->MouseUp(*form_, kOnButton);
}

}  // namespace
}  // namespace kelvara::controls::testing
