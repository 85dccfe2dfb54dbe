// The program's drawn controls painted by GDI into a memory DC under real windows: each look
// (rest, under the mouse, pressed, disabled, focused) read back pixel by pixel, in the face,
// frame and caption colours the controls promise.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/flat_button.h"
#include "controls/image_button.h"
#include "controls/image_panel.h"
#include "controls/shift_image.h"
#include "controls/url_label.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/win32_api.h"
#include "ui/win32/win32_widget_set.h"

namespace kelvara::controls {
namespace {

using ui::win32::WindowOf;

const COLORREF kBackground = RGB(40, 90, 60);   // the form's surface, behind see-through faces
constexpr Colour kBorder = 14606560;            // the Analyze button's frame colour
const ui::Color kNormal = RGB(200, 0, 0);
const ui::Color kOver = RGB(0, 200, 0);
const ui::Color kDown = RGB(0, 0, 200);
const ui::Color kOff = RGB(90, 90, 90);

constexpr ui::Rect kFlat{20, 20, 110, 25};
constexpr ui::Rect kImage{150, 20, 24, 24};
constexpr ui::Rect kShift{190, 20, 24, 24};
constexpr ui::Rect kLink{20, 70, 120, 16};
constexpr ui::Rect kLine{20, 100, 100, 1};

class DrawnForm : public ui::Form {
public:
    DrawnForm() {
        SetName("frmDrawn");
        SetBorderStyle(ui::BorderStyle::None);
        SetClientSize(260, 140);
        SetColor(kBackground);
        auto& flat = Add<TFlatButton>("bAnalyzeRegistry", kFlat);
        flat.SetCaption("&Analyze Registry");
        flat.SetTransparentMode(TTransparentMode::tmNotFocused);
        flat.SetColorFocused(ui::clSilver);
        flat.SetColorBorder(kBorder);
        flat.OnClick = [this](ui::Component&) { ++flatClicks; };
        auto& image = Add<TImageButton>("bMinimize", kImage);
        image.SetTabStop(true);
        image.SetPicNormal(ui::Picture(24, 24, kNormal));
        image.SetPicMouseOn(ui::Picture(24, 24, kOver));
        image.SetPicMouseDown(ui::Picture(24, 24, kDown));
        image.SetPicDisabled(ui::Picture(24, 24, kOff));
        auto& shift = Add<TShiftImage>("bClose", kShift);
        shift.SetFocusedPicture(ui::Picture(24, 24, kOver));
        shift.SetNoFocusedPicture(ui::Picture(24, 24, kNormal));
        shift.SetPicture(shift.NoFocusedPicture());
        auto& link = Add<TURLLabel>("URLLabel1", kLink);
        link.SetCaption("www.varnelsoft.com");
        link.SetFontHoverColor(ui::clRed);
        link.SetFontLinkColor(ui::clBlack);
        ui::Font font = link.GetFont();
        font.color = ui::clBlue;
        font.underline = false;
        link.SetFont(font);
        Add<TImagePanel>("ImagePanel1", kLine).SetColor(ui::clActiveCaption);
    }
    int flatClicks = 0;
};

// An off-screen bitmap to paint into and read back.
class Shot {
public:
    Shot(int width, int height) : width_(width), height_(height) {
        screen_ = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen_);
        bitmap_ = CreateCompatibleBitmap(screen_, width, height);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Shot() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        ReleaseDC(nullptr, screen_);
    }
    Shot(const Shot&) = delete;
    Shot& operator=(const Shot&) = delete;
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // How many pixels of the rectangle have the colour.
    int Count(ui::Rect r, COLORREF c) const {
        int n = 0;
        for (int y = r.top; y < r.Bottom(); ++y)
            for (int x = r.left; x < r.Right(); ++x) n += At(x, y) == c;
        return n;
    }

private:
    int width_, height_;
    HDC screen_, dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// The user's "always show keyboard cues" setting for this session (not the user's profile).
void SetKeyboardCues(bool alwaysShown) {
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0,
                                      reinterpret_cast<PVOID>(static_cast<INT_PTR>(alwaysShown ? TRUE : FALSE)), 0));
}

class DrawnPixelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The looks are read with the cues shown; TheAccessKeyWaitsForAlt turns them off.
        SetKeyboardCues(true);
        app = std::make_unique<ui::Application>(std::make_unique<ui::win32::Win32WidgetSet>());
        form = &app->CreateForm<DrawnForm>();
        form->Show();
        hwnd = WindowOf(*form);
        SetForegroundWindow(hwnd);
        app->ProcessMessages();
    }
    void TearDown() override { app.reset(); }

    // The form's surface with its windowless controls, as WM_PAINT shows it.
    std::unique_ptr<Shot> PaintForm() {
        auto shot = std::make_unique<Shot>(form->ClientWidth(), form->ClientHeight());
        ui::win32::PaintFormTo(*form, shot->dc());
        return shot;
    }
    // A windowed control painted on its own surface, as its WM_PAINT does.
    std::unique_ptr<Shot> PaintControl(ui::CustomControl& control) {
        auto shot = std::make_unique<Shot>(control.Width(), control.Height());
        ui::win32::GdiCanvas canvas(shot->dc(), {0, 0, control.Width(), control.Height()});
        control.Paint(canvas);
        return shot;
    }
    // The real pointer over a point of the form, and the move the form then gets.
    void PointerTo(int x, int y) {
        ui::Point screen = form->ClientToScreen({x, y});
        SetCursorPos(screen.x, screen.y);
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }
    void Send(HWND target, UINT msg, WPARAM keys, int x, int y) {
        SendMessageA(target, msg, keys, MAKELPARAM(x, y));
    }

    TFlatButton& Flat() { return form->Get<TFlatButton>("bAnalyzeRegistry"); }
    TImageButton& Image() { return form->Get<TImageButton>("bMinimize"); }

    std::unique_ptr<ui::Application> app;
    DrawnForm* form = nullptr;
    HWND hwnd = nullptr;
};

// ---- flat button ---------------------------------------------------------------------------

struct FlatLook {
    const char* name;
    std::function<void()> reach;
    COLORREF face;        // inside the frame, away from the caption
    COLORREF topLeft;     // left and top edges
    COLORREF bottomRight; // right and bottom edges
};

class FlatButtonPixels : public DrawnPixelsTest {
protected:
    void Check(const FlatLook& look) {
        look.reach();
        auto shot = PaintForm();
        const ui::Rect b = kFlat;
        EXPECT_EQ(shot->At(b.left + 2, b.top + 2), look.face) << look.name << ": face";
        EXPECT_EQ(shot->At(b.Right() - 3, b.Bottom() - 3), look.face) << look.name << ": face";
        EXPECT_EQ(shot->At(b.left, b.top + b.height / 2), look.topLeft) << look.name << ": left edge";
        EXPECT_EQ(shot->At(b.left + b.width / 2, b.top), look.topLeft) << look.name << ": top edge";
        EXPECT_EQ(shot->At(b.Right() - 1, b.top + b.height / 2), look.bottomRight) << look.name << ": right edge";
        EXPECT_EQ(shot->At(b.left + b.width / 2, b.Bottom() - 1), look.bottomRight) << look.name << ": bottom edge";
        EXPECT_EQ(shot->At(b.left - 1, b.top - 1), kBackground) << look.name << ": nothing outside";
    }
};

TEST_F(FlatButtonPixels, EachLookHasItsFaceAndFrameColours) {
    const FlatLook looks[] = {
        {"rest", [] {}, kBackground, kBorder, kBorder},
        {"under the mouse",
         [this] {
             PointerTo(40, 30);
             ASSERT_TRUE(Flat().MouseInControl()) << "our window is active and the pointer is over it";
         },
         ui::clSilver, ui::clWhite, ui::clBlack},
        {"pressed",
         [this] {
             PointerTo(40, 30);
             Send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 40, 30);
         },
         Flat().ColorDown(), ui::clBlack, ui::clWhite},
        {"pressed and dragged off",
         [this] {
             PointerTo(40, 30);
             Send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 40, 30);
             Send(hwnd, WM_MOUSEMOVE, MK_LBUTTON, 200, 120);
         },
         ui::clSilver, ui::clWhite, ui::clBlack},
        {"disabled", [this] { Flat().SetEnabled(false); }, kBackground, kBorder, kBorder},
        {"disabled under the mouse",
         [this] {
             Flat().SetEnabled(false);
             PointerTo(40, 30);
         },
         kBackground, kBorder, kBorder},
    };
    for (const FlatLook& look : looks) {
        Check(look);
        // Back to rest for the next row.
        Send(hwnd, WM_LBUTTONUP, 0, 200, 120);
        Flat().SetEnabled(true);
        PointerTo(200, 120);
        Sleep(150);
        app->ProcessMessages();
    }
    EXPECT_EQ(form->flatClicks, 0);
}

TEST_F(FlatButtonPixels, TheHighlightGoesOutWithinATimerTickAfterThePointerLeftByAJump) {
    PointerTo(40, 30);
    ASSERT_TRUE(Flat().MouseInControl());
    SetCursorPos(0, 0);   // no move reaches the form on the way
    for (int i = 0; i < 60 && Flat().MouseInControl(); ++i) {
        Sleep(10);
        app->ProcessMessages();
    }
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_EQ(PaintForm()->At(kFlat.left + 2, kFlat.top + 2), kBackground);
}

// While a window that is not one of the program's is active, the pointer over a flat button
// does not light it.
TEST_F(FlatButtonPixels, NoHighlightWhileAnotherWindowIsActive) {
    HWND other = CreateWindowExA(0, "STATIC", "another window", WS_POPUP | WS_VISIBLE, 600, 400, 120, 60,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    app->ProcessMessages();
    ASSERT_EQ(GetActiveWindow(), other);
    PointerTo(40, 30);
    EXPECT_FALSE(Flat().MouseInControl());
    EXPECT_EQ(PaintForm()->At(kFlat.left + 2, kFlat.top + 2), kBackground);

    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    app->ProcessMessages();
    PointerTo(41, 30);
    EXPECT_TRUE(Flat().MouseInControl()) << "ours is active again";
    EXPECT_EQ(PaintForm()->At(kFlat.left + 2, kFlat.top + 2), ui::clSilver);
    DestroyWindow(other);
}

// The caption: in the font colour at rest; embossed when disabled (button highlight one
// pixel lower right, button shadow in place); the access key underlined.
TEST_F(FlatButtonPixels, CaptionColours) {
    const ui::Rect inner{kFlat.left + 1, kFlat.top + 1, kFlat.width - 2, kFlat.height - 2};
    auto rest = PaintForm();
    EXPECT_GT(rest->Count(inner, RGB(0, 0, 0)), 40) << "black glyphs";
    EXPECT_EQ(rest->Count(inner, GetSysColor(COLOR_BTNSHADOW)), 0);

    Flat().SetEnabled(false);
    auto disabled = PaintForm();
    const int shadow = disabled->Count(inner, GetSysColor(COLOR_BTNSHADOW));
    const int light = disabled->Count(inner, GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_GT(shadow, 40);
    EXPECT_GT(light, 10) << "the light copy shows beside the shadow";
    EXPECT_EQ(disabled->Count(inner, RGB(0, 0, 0)), 0);
    // Every light pixel has a shadow pixel (or another light one) to its upper left: the
    // same glyphs, one pixel apart.
    int offsetMatches = 0;
    for (int y = inner.top + 1; y < inner.Bottom(); ++y)
        for (int x = inner.left + 1; x < inner.Right(); ++x)
            offsetMatches += disabled->At(x, y) == GetSysColor(COLOR_BTNHIGHLIGHT) &&
                             disabled->At(x - 1, y - 1) == GetSysColor(COLOR_BTNSHADOW);
    EXPECT_GT(offsetMatches, 5);
}

TEST_F(FlatButtonPixels, TheAccessKeyIsUnderlined) {
    // The same caption with and without the mark: the only difference is a line under the
    // first letter, below the glyphs' lowest row.
    auto marked = PaintForm();
    Flat().SetCaption("Analyze Registry");
    auto plain = PaintForm();
    int changed = 0, lowest = -1, left = 1 << 30, right = -1;
    for (int y = kFlat.top + 1; y < kFlat.Bottom() - 1; ++y)
        for (int x = kFlat.left + 1; x < kFlat.Right() - 1; ++x)
            if (marked->At(x, y) != plain->At(x, y)) {
                ++changed;
                lowest = std::max(lowest, y);
                left = std::min(left, x);
                right = std::max(right, x);
                EXPECT_EQ(marked->At(x, y), RGB(0, 0, 0)) << x << "," << y;
            }
    EXPECT_GE(changed, 4) << "an underline a few pixels long";
    EXPECT_LE(right - left, 12) << "under one letter only";
    EXPECT_LT(left, kFlat.left + kFlat.width / 2) << "under the first letter";
}

// ---- image button --------------------------------------------------------------------------

TEST_F(DrawnPixelsTest, ImageButtonShowsThePictureOfEachLook) {
    HWND button = WindowOf(Image());
    ASSERT_NE(button, nullptr);
    struct Look {
        const char* name;
        std::function<void()> reach;
        COLORREF shown;
    };
    const Look looks[] = {
        {"rest", [] {}, kNormal},
        {"under the mouse", [&] { Send(button, WM_MOUSEMOVE, 0, 5, 5); }, kOver},
        {"pressed", [&] { Send(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5); }, kDown},
        {"dragged off", [&] { Send(button, WM_MOUSEMOVE, MK_LBUTTON, 60, 60); }, kNormal},
        {"released off", [&] { Send(button, WM_LBUTTONUP, 0, 60, 60); }, kNormal},
        {"disabled", [&] { Image().SetEnabled(false); }, kOff},
    };
    for (const Look& look : looks) {
        look.reach();
        auto shot = PaintControl(Image());
        EXPECT_EQ(shot->At(0, 0), look.shown) << look.name;
        EXPECT_EQ(shot->At(23, 23), look.shown) << look.name;
    }
}

// With the cues hidden (the system's default), a new window draws its captions without the
// underline until Alt is pressed in it.
TEST_F(FlatButtonPixels, TheAccessKeyWaitsForAlt) {
    SetKeyboardCues(false);
    form = &app->CreateForm<DrawnForm>();
    form->Show();
    hwnd = WindowOf(*form);
    SetForegroundWindow(hwnd);
    app->ProcessMessages();
    const auto differences = [this] {
        const std::string marked = Flat().Caption();
        auto withMark = PaintForm();
        Flat().SetCaption(ui::StripAccessKey(marked));
        auto plain = PaintForm();
        Flat().SetCaption(marked);
        int changed = 0;
        for (int y = kFlat.top + 1; y < kFlat.Bottom() - 1; ++y)
            for (int x = kFlat.left + 1; x < kFlat.Right() - 1; ++x) changed += withMark->At(x, y) != plain->At(x, y);
        return changed;
    };
    EXPECT_EQ(differences(), 0) << "no underline before the keyboard is used";
    PostMessageA(hwnd, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    PostMessageA(hwnd, WM_SYSKEYUP, VK_MENU, 0xC0380001);
    for (int i = 0; i < 5; ++i) {
        app->ProcessMessages();
        Sleep(5);
    }
    EXPECT_GE(differences(), 4) << "the underline after Alt";
}

TEST_F(DrawnPixelsTest, ImageButtonFocusMarkIsDottedAtItsMargin) {
    Image().SetDrawFocused(true);
    HWND button = WindowOf(Image());
    Send(button, WM_MOUSEMOVE, 0, 5, 5);
    Send(button, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Send(button, WM_LBUTTONUP, 0, 5, 5);
    ASSERT_EQ(GetFocus(), button) << "a press takes the focus";
    ASSERT_TRUE(Image().Focused());
    auto shot = PaintControl(Image());
    const int m = Image().FocusedRectMargin();
    EXPECT_EQ(shot->At(m, m), RGB(0, 0, 0));
    EXPECT_EQ(shot->At(m + 1, m), kOver) << "dotted, not solid";
    EXPECT_EQ(shot->At(m - 1, m - 1), kOver) << "inside the margin only";
    EXPECT_EQ(shot->At(12, 12), kOver);

    Image().SetDrawFocused(false);
    EXPECT_EQ(PaintControl(Image())->At(m, m), kOver);
}

TEST_F(DrawnPixelsTest, TransparentImageButtonShowsTheFormThroughItsKeyColour) {
    ui::Picture ring(24, 24, kDown);
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) ring.SetPixel(x, y, kNormal);
    Image().SetPicNormal(ring);
    Image().SetTransparent(true);
    auto shot = PaintControl(Image());
    EXPECT_EQ(shot->At(2, 2), kBackground);
    EXPECT_EQ(shot->At(12, 12), kNormal);
    // Real windows show the same.
    InvalidateRect(WindowOf(Image()), nullptr, FALSE);
    UpdateWindow(WindowOf(Image()));
    HDC dc = GetDC(WindowOf(Image()));
    EXPECT_EQ(GetPixel(dc, 2, 2), kBackground);
    EXPECT_EQ(GetPixel(dc, 12, 12), kNormal);
    ReleaseDC(WindowOf(Image()), dc);
}

// ---- shift image ---------------------------------------------------------------------------

TEST_F(DrawnPixelsTest, ShiftImageJumpsTwoPixelsWhilePressed) {
    const int x = kShift.left + 4, y = kShift.top + 4;
    PointerTo(x, y);
    auto over = PaintForm();
    EXPECT_EQ(over->At(kShift.left, kShift.top), kOver) << "the picture for the pointer over it";
    Send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    auto down = PaintForm();
    EXPECT_EQ(down->At(kShift.left, kShift.top), kBackground);
    EXPECT_EQ(down->At(kShift.left + 1, kShift.top + 1), kBackground);
    EXPECT_EQ(down->At(kShift.left + 2, kShift.top + 2), kOver);
    EXPECT_EQ(down->At(kShift.Right() + 1, kShift.Bottom() + 1), kOver);
    Send(hwnd, WM_LBUTTONUP, 0, x + 2, y + 2);
    auto back = PaintForm();
    EXPECT_EQ(back->At(kShift.left, kShift.top), kOver);
    EXPECT_EQ(back->At(kShift.Right() + 1, kShift.Bottom() + 1), kBackground);
    PointerTo(240, 130);
    EXPECT_EQ(PaintForm()->At(kShift.left, kShift.top), kNormal) << "the picture for the pointer away";
}

// ---- link label ----------------------------------------------------------------------------

TEST_F(DrawnPixelsTest, LinkLabelIsBlueThenRedUnderThePointerThenBlack) {
    struct Step {
        const char* name;
        ui::Point pointer;
        COLORREF colour;
    };
    const Step steps[] = {
        {"designed", {240, 130}, RGB(0, 0, 255)},
        {"under the pointer", {kLink.left + 5, kLink.top + 5}, RGB(255, 0, 0)},
        {"after the pointer left", {240, 130}, RGB(0, 0, 0)},
    };
    const COLORREF all[] = {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 0)};
    for (const Step& step : steps) {
        PointerTo(step.pointer.x, step.pointer.y);
        auto shot = PaintForm();
        EXPECT_GT(shot->Count(kLink, step.colour), 30) << step.name;
        for (COLORREF other : all) {
            if (other != step.colour) {
                EXPECT_EQ(shot->Count(kLink, other), 0) << step.name;
            }
        }
    }
}

// ---- image panel ---------------------------------------------------------------------------

TEST_F(DrawnPixelsTest, ImagePanelIsAOnePixelLineInTheActiveCaptionColour) {
    auto& line = form->Get<TImagePanel>("ImagePanel1");
    auto own = PaintControl(line);
    for (int x : {0, 50, 99}) EXPECT_EQ(own->At(x, 0), GetSysColor(COLOR_ACTIVECAPTION)) << x;
    // And on the screen, between the form's own pixels.
    UpdateWindow(hwnd);
    UpdateWindow(WindowOf(line));
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(dc, kLine.left + 50, kLine.top), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(GetPixel(dc, kLine.left + 50, kLine.top + 1), kBackground);
    EXPECT_EQ(GetPixel(dc, kLine.left + 50, kLine.top - 1), kBackground);
    ReleaseDC(hwnd, dc);
}

}  // namespace
}  // namespace kelvara::controls
