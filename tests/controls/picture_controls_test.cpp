// The image button, the shift image, the link label and the image panel under the mouse.
#include "controls_fixture.h"

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

}  // namespace
}  // namespace kelvara::controls::testing
