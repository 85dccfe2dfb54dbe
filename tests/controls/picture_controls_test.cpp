// The image button, the shift image, the link label and the image panel under the mouse.
#include "controls_fixture.h"

#include <functional>

namespace kelvara::controls::testing {
namespace {

constexpr ui::Point kOnImageButton{130, 20};
constexpr ui::Point kOnShift{170, 20};
constexpr ui::Point kOnLink{20, 65};
constexpr ui::Point kAway{250, 150};
const ui::Color kNormal = ui::Rgb(200, 0, 0);
const ui::Color kOver = ui::Rgb(0, 200, 0);
const ui::Color kDown = ui::Rgb(0, 0, 200);

TEST_F(ControlsTest, ImageButtonShowsThePictureOfEachLook)
{
    ImageButton().SetPicNormal(Solid(kNormal));
    ImageButton().SetPicMouseOn(Solid(kOver));
    ImageButton().SetPicMouseDown(Solid(kDown));
    auto shown = [&] { return headless_->PaintForm(*form_)->PixelAt(132, 22); };
    EXPECT_EQ(shown(), kNormal);

    headless_->MouseMove(*form_, kOnImageButton);
    EXPECT_TRUE(ImageButton().MouseOn());
    EXPECT_EQ(shown(), kOver);

    headless_->MouseDown(*form_, kOnImageButton);
    EXPECT_TRUE(ImageButton().Pressed());
    EXPECT_EQ(shown(), kDown);

    headless_->MouseUp(*form_, kOnImageButton);
    EXPECT_EQ(form_->imageClicks, 1);
    EXPECT_FALSE(ImageButton().Pressed());
    EXPECT_EQ(shown(), kOver);
}

TEST_F(ControlsTest, ImageButtonDraggedOffShowsNormalAndDoesNotClick)
{
    ImageButton().SetPicNormal(Solid(kNormal));
    ImageButton().SetPicMouseDown(Solid(kDown));
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseDown(*form_, kOnImageButton);
    headless_->MouseMove(*form_, kAway);
    EXPECT_FALSE(ImageButton().Pressed());
    EXPECT_EQ(&ImageButton().CurrentPicture(), &ImageButton().PicNormal());
    headless_->MouseUp(*form_, kAway);
    EXPECT_EQ(form_->imageClicks, 0);
}

TEST_F(ControlsTest, ImageButtonWithoutPressedPictureShowsNormalWhilePressed)
{
    ImageButton().SetPicNormal(Solid(kNormal));
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseDown(*form_, kOnImageButton);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(132, 22), kNormal);
    headless_->MouseUp(*form_, kOnImageButton);
}

TEST_F(ControlsTest, ImageButtonRepeatsWhileHeld)
{
    int repeats = 0;
    ImageButton().OnMouseContinuouslyDown = [&](ui::Component&) { ++repeats; };
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseDown(*form_, kOnImageButton);
    headless_->AdvanceClock(350);
    EXPECT_EQ(repeats, 3);
    headless_->MouseUp(*form_, kOnImageButton);
    EXPECT_FALSE(ImageButton().Repeating());
    headless_->AdvanceClock(500);
    EXPECT_EQ(repeats, 3);
}

TEST_F(ControlsTest, ImageButtonAutoSizeTakesThePictureSize)
{
    ImageButton().SetAutoSize(true);
    ImageButton().SetPicNormal(Solid(kNormal, 16));
    EXPECT_EQ(ImageButton().Width(), 16);
    EXPECT_EQ(ImageButton().Height(), 16);
}

TEST_F(ControlsTest, ShiftImageSwapsPicturesAndSinksWhilePressed)
{
    Shift().SetFocusedPicture(Solid(kOver));
    Shift().SetNoFocusedPicture(Solid(kNormal));
    Shift().SetPicture(Shift().NoFocusedPicture());
    const ui::Rect home = Shift().Bounds();

    headless_->MouseMove(*form_, kOnShift);
    EXPECT_EQ(Shift().GetPicture(), Shift().FocusedPicture());

    headless_->MouseDown(*form_, kOnShift);
    EXPECT_EQ(Shift().Bounds(), home.Offset(2, 2));
    headless_->MouseUp(*form_, kOnShift);
    EXPECT_EQ(Shift().Bounds(), home);
    EXPECT_EQ(form_->shiftClicks, 1);

    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(Shift().GetPicture(), Shift().NoFocusedPicture());
}

TEST_F(ControlsTest, LinkLabelColoursFollowTheMouse)
{
    Link().SetFontHoverColor(ui::clRed);
    Link().SetFontLinkColor(ui::clBlack);
    ui::Font designed = Link().GetFont();
    designed.color = ui::clBlue;
    Link().SetFont(designed);

    EXPECT_EQ(Link().GetFont().color, ui::clBlue);
    headless_->MouseMove(*form_, kOnLink);
    EXPECT_EQ(Link().GetFont().color, ui::clRed);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(Link().GetFont().color, ui::clBlack);
}

// AutoSize: the label takes the size its font measures for its caption (without the '&'), at
// each change of caption or font; a right-aligned one keeps its right edge.
TEST_F(ControlsTest, LinkLabelSizesItselfToItsText)
{
    struct Case {
        const char* name;
        const char* caption;
        bool bold;
        ui::TextAlign align;
        bool autoSize;
    };
    const Case cases[] = {
        {"a caption", "varnelsoft.com", false, ui::TextAlign::Left, true},
        {"a longer one", "http://www.varnelsoft.com/download", false, ui::TextAlign::Left, true},
        {"an access key", "&Home page", false, ui::TextAlign::Left, true},
        {"bold", "varnelsoft.com", true, ui::TextAlign::Left, true},
        {"right-aligned", "varnelsoft.com", false, ui::TextAlign::Right, true},
        {"AutoSize off", "varnelsoft.com", false, ui::TextAlign::Left, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TURLLabel& link = form_->Add<TURLLabel>(std::string("lLink") + c.name, {20, 30, 100, 13});
        link.SetAutoSize(c.autoSize);
        link.SetAlignment(c.align);
        ui::Font font = link.GetFont();
        font.bold = c.bold;
        link.SetFont(font);
        link.SetCaption(c.caption);
        const ui::Size measured = headless_->TextExtent(ui::StripAccessKey(c.caption), font);
        if (!c.autoSize) {
            EXPECT_EQ(link.Bounds(), (ui::Rect{20, 30, 100, 13}));
            continue;
        }
        EXPECT_EQ(link.Width(), measured.width);
        EXPECT_EQ(link.Height(), measured.height);
        EXPECT_EQ(link.Top(), 30);
        EXPECT_EQ(c.align == ui::TextAlign::Right ? link.Left() + link.Width() : link.Left(), c.align == ui::TextAlign::Right ? 120 : 20);
        // A translation to a shorter text shrinks it again.
        link.SetCaption("x");
        EXPECT_EQ(link.Width(), headless_->TextExtent("x", font).width);
    }
}

TEST_F(ControlsTest, NewLinkLabelIsBlueUnderlinedWithHandCursor)
{
    TURLLabel fresh;
    EXPECT_TRUE(fresh.GetFont().underline);
    EXPECT_EQ(fresh.GetFont().color, ui::clBlue);
    EXPECT_EQ(fresh.GetCursor(), ui::Cursor::HandPoint);
}

TEST_F(ControlsTest, LinkLabelOpensItsAddressOnlyWhenItHasOne)
{
    Link().SetURL("  ");
    headless_->Click(*form_, kOnLink);
    EXPECT_TRUE(headless_->OpenedUrls().empty());
    EXPECT_EQ(form_->linkClicks, 1);

    Link().SetURL("http://www.varnelsoft.com/");
    headless_->Click(*form_, kOnLink);
    EXPECT_EQ(headless_->OpenedUrls(), std::vector<std::string>{"http://www.varnelsoft.com/"});
    EXPECT_EQ(form_->linkClicks, 2);
}

TEST_F(ControlsTest, ImagePanelWithoutPictureIsALineInItsColour)
{
    Line().SetColor(ui::clActiveCaption);
    auto canvas = headless_->PaintForm(*form_);
    const ui::Color caption = canvas->Resolve(ui::clActiveCaption);
    EXPECT_EQ(canvas->PixelAt(10, 90), caption);
    EXPECT_EQ(canvas->PixelAt(109, 90), caption);
    EXPECT_NE(canvas->PixelAt(10, 91), caption);
}

TEST_F(ControlsTest, ImagePanelTilesItsPicture)
{
    Line().SetBounds({10, 100, 50, 10});
    ui::Picture tile(4, 4, kNormal);
    tile.SetPixel(0, 0, kOver);
    Line().SetPicture(tile);
    Line().SetDrawStyle(TDrawStyle::dsTile);
    auto canvas = headless_->PaintForm(*form_);
    EXPECT_EQ(canvas->PixelAt(10, 100), kOver);
    EXPECT_EQ(canvas->PixelAt(14, 104), kOver);
    EXPECT_EQ(canvas->PixelAt(58, 108), kOver);
    EXPECT_EQ(canvas->PixelAt(11, 100), kNormal);
}

// Which picture each look shows, with the fallback to the normal picture when one is missing.
TEST_F(ControlsTest, ImageButtonPictureChoiceTable)
{
    const ui::Color kOff = ui::Rgb(90, 90, 90);
    struct Case {
        bool haveOver, haveDown, haveDisabled;
        bool enabled, over, pressed;
        ui::Color shown;
    };
    const Case cases[] = {
        {true, true, true, true, false, false, kNormal},
        {true, true, true, true, true, false, kOver},
        {true, true, true, true, true, true, kDown},
        {true, true, true, false, true, false, kOff},
        {false, true, true, true, true, false, kNormal},
        {true, false, true, true, true, true, kNormal},
        {true, true, false, false, false, false, kNormal},
    };
    for (const Case& c : cases) {
        ImageButton().SetEnabled(true);
        ImageButton().SetPicNormal(Solid(kNormal));
        ImageButton().SetPicMouseOn(c.haveOver ? Solid(kOver) : ui::Picture());
        ImageButton().SetPicMouseDown(c.haveDown ? Solid(kDown) : ui::Picture());
        ImageButton().SetPicDisabled(c.haveDisabled ? Solid(kOff) : ui::Picture());
        headless_->MouseMove(*form_, c.over ? kOnImageButton : kAway);
        if (c.pressed)
            headless_->MouseDown(*form_, kOnImageButton);
        ImageButton().SetEnabled(c.enabled);
        EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(132, 22), c.shown)
            << "over=" << c.over << " pressed=" << c.pressed << " enabled=" << c.enabled;
        if (c.pressed) {
            ImageButton().SetEnabled(true);
            headless_->MouseMove(*form_, kAway);
            headless_->MouseUp(*form_, kAway);
        }
    }
}

TEST_F(ControlsTest, ImageButtonWithoutPicturesFillsWithItsColour)
{
    ImageButton().SetColor(kOver);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(132, 22), kOver);
}

TEST_F(ControlsTest, ImageButtonDrawsSmallPictureAtTheCornerOrStretched)
{
    ImageButton().SetColor(kOver);
    ImageButton().SetPicNormal(Solid(kNormal, 8));
    auto corner = headless_->PaintForm(*form_);
    EXPECT_EQ(corner->PixelAt(121, 11), kNormal);
    EXPECT_EQ(corner->PixelAt(140, 30), kOver) << "the fill shows beyond the picture";
    ImageButton().SetStretch(true);
    auto stretched = headless_->PaintForm(*form_);
    EXPECT_EQ(stretched->PixelAt(140, 30), kNormal);
}

// Transparent: the picture's top-left colour is see-through and the form shows behind it.
TEST_F(ControlsTest, TransparentImageButtonShowsTheFormBehindItsKeyColour)
{
    ui::Picture ring(24, 24, kDown);
    for (int i = 8; i < 16; ++i)
        for (int j = 8; j < 16; ++j)
            ring.SetPixel(i, j, kNormal);
    ImageButton().SetColor(kOver);
    ImageButton().SetTransparent(true);
    ImageButton().SetPicNormal(ring);
    // Painted on its own surface, as the Windows build paints a windowed control.
    ui::headless::RecordingCanvas own({24, 24});
    ImageButton().Paint(own);
    EXPECT_EQ(own.PixelAt(2, 2), form_->GetColor());
    EXPECT_EQ(own.PixelAt(12, 12), kNormal);

    ImageButton().SetTransparent(false);
    ui::headless::RecordingCanvas opaque({24, 24});
    ImageButton().Paint(opaque);
    EXPECT_EQ(opaque.PixelAt(2, 2), kDown);
}

TEST_F(ControlsTest, ImageButtonFocusMarkOnlyWhenAskedAndFocused)
{
    ImageButton().SetPicNormal(Solid(kNormal));
    ImageButton().SetTabStop(true);
    const int m = ImageButton().FocusedRectMargin();
    const ui::Point mark{120 + m, 10 + m};
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseDown(*form_, kOnImageButton);
    headless_->MouseUp(*form_, kOnImageButton);
    ASSERT_TRUE(ImageButton().Focused()) << "a press takes the focus";
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(mark.x, mark.y), kNormal) << "DrawFocused is off";
    ImageButton().SetDrawFocused(true);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(mark.x, mark.y), kNormal) << "focused by the mouse: no mark yet";
    headless_->PressCueKey(*form_, ui::CueKey::Navigation);
    EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(mark.x, mark.y), ui::clBlack);
    ImageButton().SetFocusedRectMargin(4);
    auto moved = headless_->PaintForm(*form_);
    EXPECT_EQ(moved->PixelAt(124, 14), ui::clBlack);
    EXPECT_EQ(moved->PixelAt(mark.x, mark.y), kNormal);
}

TEST_F(ControlsTest, ImageButtonClickHandsItsModalResultToTheForm)
{
    ImageButton().SetModalResult(ui::mrCancel);
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->Click(*form_, kOnImageButton);
    EXPECT_EQ(form_->ModalResult(), ui::mrCancel);
    EXPECT_EQ(form_->imageClicks, 1);
}

TEST_F(ControlsTest, ImageButtonRepeatEndsWhenThePressEndsAnyWay)
{
    struct Case {
        const char* how;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"dragged off", [this] { headless_->MouseMove(*form_, kAway); }},
        {"pointer left every window", [this] { headless_->MouseAway(); }},
        {"capture taken away", [this] { ImageButton().CaptureLost(); }},
    };
    for (const Case& c : cases) {
        int repeats = 0;
        ImageButton().OnMouseContinuouslyDown = [&](ui::Component&) { ++repeats; };
        headless_->MouseMove(*form_, kOnImageButton);
        headless_->MouseDown(*form_, kOnImageButton);
        headless_->AdvanceClock(150);
        EXPECT_EQ(repeats, 1) << c.how;
        c.end();
        EXPECT_FALSE(ImageButton().Pressed()) << c.how;
        EXPECT_FALSE(ImageButton().Repeating()) << c.how;
        headless_->AdvanceClock(500);
        EXPECT_EQ(repeats, 1) << c.how;
        headless_->MouseUp(*form_, kAway);
        EXPECT_EQ(form_->imageClicks, 0) << c.how;
    }
}

TEST_F(ControlsTest, ImageButtonRepeatFollowsItsInterval)
{
    int repeats = 0;
    ImageButton().SetMouseContinuouslyDownInterval(40);
    ImageButton().OnMouseContinuouslyDown = [&](ui::Component&) { ++repeats; };
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseDown(*form_, kOnImageButton);
    headless_->AdvanceClock(130);
    EXPECT_EQ(repeats, 3);
    headless_->MouseUp(*form_, kOnImageButton);
}

TEST_F(ControlsTest, ImageButtonRaisesEnterAndExit)
{
    std::vector<std::string> events;
    ImageButton().OnMouseEnter = [&](ui::Component&) {
        events.push_back(ImageButton().MouseOn() ? "enter after MouseOn" : "enter before MouseOn");
    };
    ImageButton().OnMouseExit = [&](ui::Component&) { events.push_back("exit"); };
    headless_->MouseMove(*form_, kOnImageButton);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(events, (std::vector<std::string>{"enter after MouseOn", "exit"}));
}

TEST_F(ControlsTest, ShiftImageSinksForAnyMouseButtonOnce)
{
    const ui::Rect home = Shift().Bounds();
    headless_->MouseMove(*form_, kOnShift);
    headless_->MouseDown(*form_, kOnShift, ui::MouseButton::Right);
    EXPECT_EQ(Shift().Bounds(), home.Offset(2, 2));
    headless_->MouseUp(*form_, {172, 22}, ui::MouseButton::Right);
    EXPECT_EQ(Shift().Bounds(), home);

    // Painted two pixels lower right while held.
    Shift().SetPicture(Solid(kNormal));
    headless_->MouseDown(*form_, kOnShift);
    auto sunk = headless_->PaintForm(*form_);
    EXPECT_EQ(sunk->PixelAt(161, 11), form_->GetColor());
    EXPECT_EQ(sunk->PixelAt(162, 12), kNormal);
    EXPECT_EQ(sunk->PixelAt(185, 35), kNormal);
    Shift().CaptureLost();
    EXPECT_EQ(Shift().Bounds(), home) << "a lost press puts it back";
}

TEST_F(ControlsTest, ShiftImageRaisesItsEventBeforeSwappingAndADisabledOneKeepsItsPicture)
{
    Shift().SetFocusedPicture(Solid(kOver));
    Shift().SetNoFocusedPicture(Solid(kNormal));
    Shift().SetPicture(Solid(kDown));
    ui::Color atEnter = ui::clNone;
    Shift().OnMouseEnter = [&](ui::Component&) { atEnter = Shift().GetPicture().Pixel(0, 0); };
    headless_->MouseMove(*form_, kOnShift);
    EXPECT_EQ(atEnter, kDown);
    EXPECT_EQ(Shift().GetPicture().Pixel(0, 0), kOver);
    headless_->MouseMove(*form_, kAway);

    Shift().SetEnabled(false);
    Shift().SetPicture(Solid(kDown));
    headless_->MouseMove(*form_, kOnShift);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(Shift().GetPicture().Pixel(0, 0), kDown);
}

TEST_F(ControlsTest, LinkLabelPaintsItsThreeColours)
{
    Link().SetCaption("varnelsoft.com");
    Link().SetFontLinkColor(ui::clBlack);
    ui::Font designed = Link().GetFont();
    designed.color = ui::clBlue;
    Link().SetFont(designed);
    auto drawnColour = [&] {
        auto canvas = headless_->PaintForm(*form_);
        for (const auto& op : canvas->Ops())
            if (op.kind == ui::headless::DrawOp::Text && op.text == "varnelsoft.com")
                return op.color;
        return ui::clNone;
    };
    EXPECT_EQ(drawnColour(), ui::clBlue);
    headless_->MouseMove(*form_, kOnLink);
    EXPECT_EQ(drawnColour(), ui::clRed);
    headless_->MouseMove(*form_, kAway);
    EXPECT_EQ(drawnColour(), ui::clBlack);
    Link().SetFontLinkColor(ui::Rgb(0, 128, 0));
    EXPECT_EQ(drawnColour(), ui::Rgb(0, 128, 0)) << "a new link colour shows at once";
}

TEST_F(ControlsTest, ImagePanelDrawStyles)
{
    Line().SetBounds({10, 100, 40, 20});
    Line().SetColor(kDown);
    ui::Picture small(4, 4, kNormal);
    Line().SetPicture(small);
    struct Case {
        TDrawStyle style;
        ui::Point probe;
        ui::Color expected;
    };
    const Case cases[] = {
        {TDrawStyle::dsNormal, {11, 101}, kNormal},
        {TDrawStyle::dsNormal, {45, 117}, kDown},   // the panel's colour beyond a small picture
        {TDrawStyle::dsStretch, {48, 118}, kNormal},
        {TDrawStyle::dsTile, {45, 117}, kNormal},
    };
    for (const Case& c : cases) {
        Line().SetDrawStyle(c.style);
        EXPECT_EQ(headless_->PaintForm(*form_)->PixelAt(c.probe.x, c.probe.y), c.expected) << int(c.style);
    }
}

TEST_F(ControlsTest, ImagePanelAutoSizeTakesThePictureSize)
{
    Line().SetAutoSize(true);
    Line().SetPicture(Solid(kNormal, 7));
    EXPECT_EQ(Line().Width(), 7);
    EXPECT_EQ(Line().Height(), 7);
}

TEST_F(ControlsTest, TransparentImagePanelShowsTheFormAndDrawsItsCaptionAligned)
{
    Line().SetBounds({10, 100, 120, 20});
    Line().SetColor(kDown);
    Line().SetTransparent(true);
    ui::headless::RecordingCanvas own({120, 20});
    Line().Paint(own);
    EXPECT_EQ(own.PixelAt(60, 10), form_->GetColor()) << "no fill: the form shows through";

    Line().SetCaption("Step");
    const ui::TextAlign aligns[] = {ui::TextAlign::Left, ui::TextAlign::Center, ui::TextAlign::Right};
    for (ui::TextAlign align : aligns) {
        Line().SetAlignment(align);
        auto canvas = headless_->PaintForm(*form_);
        const ui::headless::DrawOp* caption = nullptr;
        for (const auto& op : canvas->Ops())
            if (op.kind == ui::headless::DrawOp::Text && op.text == "Step")
                caption = &op;
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->format.align, align);
        EXPECT_TRUE(caption->format.verticalCenter);
    }
    Line().SetCaption("   ");
    auto blank = headless_->PaintForm(*form_);
    for (const auto& op : blank->Ops())
        EXPECT_FALSE(op.kind == ui::headless::DrawOp::Text && op.text == "   ") << "a blank caption is not drawn";
}

}  // namespace
}  // namespace kelvara::controls::testing
