// The dialogs' drawn controls in real windows under Wine: each look brought about by real window
// messages, painted by GDI into a memory device context and read back pixel by pixel (face,
// frame, caption), and the same look on the window itself after the system repainted it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_group_box.h"
#include "controls/skin_progress_bar.h"
#include "controls/skin_style.h"
#include "ui/application.h"
#include "ui/form_table.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/win32_api.h"
#include "ui/win32/win32_widget_set.h"

namespace kelvara::controls::testing {
namespace {

using ui::win32::WindowOf;

class SkinDialog : public ui::Form {
public:
    SkinDialog() {
        SetName("frmSkin");
        SetCaption("Skin");
        SetClientSize(320, 240);
        SetPosition(ui::FormPosition::ScreenCenter);
        const ui::ComponentSpec layout[] = {
            {ui::Kind<TSkinGroupBox>, "SkinGroupBox1", {8, 8, 304, 90}, "Group"},
            {ui::Kind<TSkinCheckBox>, "cbAsk", {8, 20, 200, 19}, "&Ask before defrag", "", 0, "SkinGroupBox1"},
            {ui::Kind<TSkinButton>, "bOK", {120, 160, 80, 27}, "&OK", "", ui::kDefault},
            {ui::Kind<TSkinButton>, "bCancel", {210, 160, 80, 27}, "&Cancel", "", ui::kCancel},
            {ui::Kind<TSkinProgressBar>, "ProgressBar1", {8, 200, 302, 18}},
        };
        AddComponents(layout);
        Get<TSkinButton>("bOK").SetModalResult(ui::mrOk);
        Get<TSkinButton>("bCancel").SetModalResult(ui::mrCancel);
    }
};

COLORREF Ref(ui::Color c) { return static_cast<COLORREF>(c & 0x00FFFFFF); }

// The control painted by its own Paint into a memory DC of its size, as its window paints it.
class Painted {
public:
    explicit Painted(ui::CustomControl& control) : width_(control.Width()), height_(control.Height()) {
        HDC screen = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
        old_ = SelectObject(memory_, bitmap_);
        ReleaseDC(nullptr, screen);
        ui::win32::GdiCanvas canvas(memory_, {0, 0, width_, height_});
        control.Paint(canvas);
    }
    ~Painted() {
        SelectObject(memory_, old_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
    }
    COLORREF At(int x, int y) const { return GetPixel(memory_, x, y); }
    // Pixels of exactly that colour in a rectangle.
    int Count(RECT r, ui::Color c) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) == Ref(c);
        return n;
    }

private:
    int width_, height_;
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// The user's "always show keyboard cues" setting, set for this session of the system (not
// written to the user's profile), as each new window reads it.
void SetKeyboardCuesAlwaysShown(bool on) {
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(on ? TRUE : FALSE)), 0));
    BOOL now = !on;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &now, 0));
    ASSERT_EQ(now != FALSE, on);
}

class SkinWin32Test : public ::testing::Test {
protected:
    // The looks are read with the cues always shown; their hiding has tests of its own below.
    explicit SkinWin32Test(bool cuesAlwaysShown = true) : cuesAlwaysShown_(cuesAlwaysShown) {}
    void SetUp() override {
        SetKeyboardCuesAlwaysShown(cuesAlwaysShown_);
        app = std::make_unique<ui::Application>(std::make_unique<ui::win32::Win32WidgetSet>());
        form = &app->CreateForm<SkinDialog>();
        form->Show();
        SetForegroundWindow(WindowOf(*form));
        Pump();
    }
    void TearDown() override { app.reset(); }
    void Pump() {
        for (int i = 0; i < 5; ++i) {
            app->ProcessMessages();
            Sleep(5);
        }
    }
    std::unique_ptr<ui::Application> app;
    SkinDialog* form = nullptr;
    bool cuesAlwaysShown_;
};

const SkinStyle& Style() { return CurrentSkinStyle(); }

struct LookCase {
    const char* name;
    std::function<void(ui::CustomControl&, HWND)> act;
    ui::Color face, frame;
    bool focusMark;
    bool embossed;
};

TEST_F(SkinWin32Test, ButtonLooksReadBackFromTheDc) {
    const LookCase cases[] = {
        {"rest", [](auto&, HWND) {}, Style().face, Style().frame, false, false},
        {"hover", [](auto&, HWND h) { SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)); }, Style().faceHover,
         Style().frameHover, false, false},
        {"pressed", [](auto&, HWND h) {
             SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
             SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
         }, Style().faceDown, Style().frameDown, true, false},   // a press takes the focus
        {"pressed and dragged off", [](auto&, HWND h) {
             SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
             SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
             SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 10));
         }, Style().face, Style().frame, true, false},
        {"focused", [](auto&, HWND h) { SetFocus(h); }, Style().face, Style().frame, true, false},
        {"disabled", [](auto& c, HWND) { c.SetEnabled(false); }, Style().faceDisabled, Style().frame, false, true},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.name);
        form = &app->CreateForm<SkinDialog>();
        form->Show();
        SetForegroundWindow(WindowOf(*form));
        Pump();
        auto& button = form->Get<TSkinButton>("bCancel");
        HWND hwnd = WindowOf(button);
        ASSERT_NE(hwnd, nullptr);
        c.act(button, hwnd);
        Painted p(button);
        EXPECT_EQ(p.At(6, 6), Ref(c.face));
        EXPECT_EQ(p.At(0, 0), Ref(c.frame));
        EXPECT_EQ(p.At(79, 26), Ref(c.frame));
        EXPECT_EQ(p.At(3, 3) == Ref(Style().focusMark), c.focusMark);
        const RECT caption{10, 4, 70, 23};
        if (c.embossed) {
            EXPECT_EQ(p.Count(caption, Style().caption), 0);
            EXPECT_GT(p.Count(caption, Style().captionDisabled), 10);
            EXPECT_GT(p.Count(caption, Style().captionEmboss), 10);
        } else {
            EXPECT_GT(p.Count(caption, Style().caption), 10);
        }
        // The window itself shows the same look once the system has repainted it.
        UpdateWindow(hwnd);
        HDC dc = GetDC(hwnd);
        EXPECT_EQ(GetPixel(dc, 6, 6), Ref(c.face));
        EXPECT_EQ(GetPixel(dc, 0, 0), Ref(c.frame));
        ReleaseDC(hwnd, dc);
        SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(200, 10));
        form->Hide();
    }
}

TEST_F(SkinWin32Test, TheDefaultButtonsSecondFrameAndTheAccessKeysUnderline) {
    auto& ok = form->Get<TSkinButton>("bOK");
    Painted p(ok);
    EXPECT_EQ(p.At(1, 1), Ref(Style().frameDefault));
    EXPECT_EQ(p.At(78, 25), Ref(Style().frameDefault));
    // "&OK": somewhere below the glyphs a run of caption colour at least 4 pixels long: the
    // underline of the O.
    int longest = 0;
    for (int y = 14; y < 24; ++y) {
        int run = 0;
        for (int x = 20; x < 60; ++x) {
            run = p.At(x, y) == Ref(Style().caption) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GE(longest, 4);
}

TEST_F(SkinWin32Test, CheckBoxLooksAndTickReadBackFromTheDc) {
    const LookCase cases[] = {
        {"rest", [](auto&, HWND) {}, Style().boxFace, Style().frame, false, false},
        {"hover", [](auto&, HWND h) { SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(60, 9)); }, Style().faceHover,
         Style().frameHover, false, false},
        {"pressed", [](auto&, HWND h) {
             SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(60, 9));
             SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 9));
         }, Style().faceDown, Style().frameDown, true, false},
        {"focused", [](auto&, HWND h) { SetFocus(h); }, Style().boxFace, Style().frame, true, false},
        {"disabled", [](auto& c, HWND) { c.SetEnabled(false); }, Style().faceDisabled, Style().frame, false, true},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.name);
        form = &app->CreateForm<SkinDialog>();
        form->Show();
        SetForegroundWindow(WindowOf(*form));
        Pump();
        auto& box = form->Get<TSkinCheckBox>("cbAsk");
        HWND hwnd = WindowOf(box);
        c.act(box, hwnd);
        Painted p(box);
        const ui::Rect square = box.BoxRect();
        EXPECT_EQ(p.At(square.left, square.top), Ref(c.frame));
        EXPECT_EQ(p.At(square.left + 1, square.top + 1), Ref(c.face));
        const RECT inside{square.left + 1, square.top + 1, square.Right() - 1, square.Bottom() - 1};
        EXPECT_EQ(p.Count(inside, Style().checkMark), 0);
        const RECT caption{TSkinCheckBox::kCaptionLeft, 0, 200, 19};
        EXPECT_EQ(p.Count(caption, Style().focusMark) > 8, c.focusMark);
        if (c.embossed) {
            EXPECT_GT(p.Count(caption, Style().captionDisabled), 10);
            EXPECT_GT(p.Count(caption, Style().captionEmboss), 10);
        } else {
            EXPECT_GT(p.Count(caption, Style().caption), 10);
        }
        SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 9));
        form->Hide();
    }
}

TEST_F(SkinWin32Test, AClickTicksTheBoxAndTheGroupAndBarArePaintedInTheStyle) {
    auto& box = form->Get<TSkinCheckBox>("cbAsk");
    HWND hwnd = WindowOf(box);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(60, 9));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 9));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 9));
    EXPECT_TRUE(box.Checked());
    {
        Painted p(box);
        const ui::Rect square = box.BoxRect();
        EXPECT_GT(p.Count({square.left + 1, square.top + 1, square.Right() - 1, square.Bottom() - 1}, Style().checkMark), 15);
    }

    auto& bar = form->Get<TSkinProgressBar>("ProgressBar1");
    bar.SetRange(0, 1000);
    bar.SetPosition(500);
    bar.SetShowPercent(true);
    {
        Painted p(bar);
        EXPECT_EQ(p.At(0, 0), Ref(Style().barFrame));
        EXPECT_EQ(p.At(5, 2), Ref(Style().barFill));
        EXPECT_EQ(p.At(295, 2), Ref(Style().barBack));
        EXPECT_GT(p.Count({120, 2, 180, 16}, Style().barCaption), 10);   // "50%" in the middle
    }

    // The group box is drawn on the form's own surface.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, form->ClientWidth(), form->ClientHeight());
    HGDIOBJ old = SelectObject(memory, bitmap);
    ui::win32::PaintFormTo(*form, memory);
    EXPECT_EQ(GetPixel(memory, 8, 60), Ref(Style().groupFrame));
    EXPECT_EQ(GetPixel(memory, 311, 60), Ref(Style().groupFrame));
    EXPECT_EQ(GetPixel(memory, 9, 60), Ref(Style().captionEmboss));
    int caption = 0;
    for (int y = 8; y < 22; ++y)
        for (int x = 16; x < 60; ++x) caption += GetPixel(memory, x, y) == Ref(Style().groupCaption);
    EXPECT_GT(caption, 10);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(SkinWin32Test, KeysSentToTheWindowsReachTheDrawnControls) {
    auto& box = form->Get<TSkinCheckBox>("cbAsk");
    HWND boxWindow = WindowOf(box);
    SetFocus(boxWindow);
    Pump();
    // Space on the focused box, as the keyboard sends it.
    PostMessageA(boxWindow, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageA(boxWindow, WM_KEYUP, VK_SPACE, 0xC0390001);
    Pump();
    EXPECT_TRUE(box.Checked());
    // A repeat of a held key does not toggle again.
    PostMessageA(boxWindow, WM_KEYDOWN, VK_SPACE, 0x40390001);
    Pump();
    EXPECT_TRUE(box.Checked());
    // A plain letter on a drawn control is its access key; Alt+letter anywhere.
    PostMessageA(boxWindow, WM_CHAR, 'a', 0x001E0001);
    Pump();
    EXPECT_FALSE(box.Checked());
    PostMessageA(boxWindow, WM_SYSCHAR, 'c', 0x202E0001);
    Pump();
    EXPECT_EQ(form->ModalResult(), ui::mrCancel);
    // The native button's click message presses a drawn button too.
    form->SetModalResult(ui::mrNone);
    PostMessageA(WindowOf(form->Get<TSkinButton>("bOK")), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(form->ModalResult(), ui::mrOk);
}

// ---- keyboard cues: hidden until the keyboard is used, read from the windows themselves

class SkinCuesWin32Test : public SkinWin32Test {
protected:
    SkinCuesWin32Test() : SkinWin32Test(false) {}

    // The pixels the window shows after the system repainted it.
    COLORREF OnWindow(ui::CustomControl& control, int x, int y) {
        HWND hwnd = WindowOf(control);
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        HDC dc = GetDC(hwnd);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }
    bool FocusMarkOn(TSkinButton& button) {
        return OnWindow(button, 3, 3) == Ref(Style().focusMark) && OnWindow(button, 5, 3) == Ref(Style().focusMark);
    }
    // The longest run of caption colour below the glyphs of "&OK": the underline of the O.
    int UnderlineOnOK() {
        auto& ok = form->Get<TSkinButton>("bOK");
        HWND hwnd = WindowOf(ok);
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        HDC dc = GetDC(hwnd);
        int longest = 0;
        for (int y = 14; y < 24; ++y) {
            int run = 0;
            for (int x = 20; x < 60; ++x) {
                run = GetPixel(dc, x, y) == Ref(Style().caption) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        ReleaseDC(hwnd, dc);
        return longest;
    }
    unsigned UiState() { return static_cast<unsigned>(SendMessageA(WindowOf(*form), WM_QUERYUISTATE, 0, 0)); }
};

TEST_F(SkinCuesWin32Test, FocusMarksShowAfterTabAndUnderlinesAfterAlt) {
    auto& cancel = form->Get<TSkinButton>("bCancel");
    SetFocus(WindowOf(cancel));
    Pump();
    ASSERT_TRUE(cancel.Focused());
    EXPECT_EQ(UiState(), static_cast<unsigned>(UISF_HIDEFOCUS | UISF_HIDEACCEL));
    EXPECT_FALSE(FocusMarkOn(cancel)) << "focused, but no key was pressed yet";
    EXPECT_LT(UnderlineOnOK(), 4);

    // Tab, as the keyboard sends it: the focus moves on and its mark shows; the underlines wait.
    PostMessageA(WindowOf(cancel), WM_KEYDOWN, VK_TAB, 0x000F0001);
    Pump();
    EXPECT_EQ(UiState(), static_cast<unsigned>(UISF_HIDEACCEL));
    SetFocus(WindowOf(cancel));
    Pump();
    EXPECT_TRUE(FocusMarkOn(cancel));
    EXPECT_LT(UnderlineOnOK(), 4);

    // Alt alone: the underlines too.
    PostMessageA(WindowOf(cancel), WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    PostMessageA(WindowOf(cancel), WM_SYSKEYUP, VK_MENU, 0xC0380001);
    Pump();
    EXPECT_EQ(UiState(), 0u);
    EXPECT_GE(UnderlineOnOK(), 4);
}

TEST_F(SkinCuesWin32Test, AProgramMayHideThemAgainAndTheSettingKeepsThemShown) {
    auto& cancel = form->Get<TSkinButton>("bCancel");
    SetFocus(WindowOf(cancel));
    SendMessageA(WindowOf(*form), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    Pump();
    EXPECT_TRUE(FocusMarkOn(cancel));
    SendMessageA(WindowOf(*form), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Pump();
    EXPECT_FALSE(FocusMarkOn(cancel));

    // With the cues always shown, a new window shows them from the start and keeps them.
    SetKeyboardCuesAlwaysShown(true);
    form = &app->CreateForm<SkinDialog>();
    form->Show();
    SetForegroundWindow(WindowOf(*form));
    Pump();
    auto& again = form->Get<TSkinButton>("bCancel");
    SetFocus(WindowOf(again));
    Pump();
    EXPECT_EQ(UiState(), 0u);
    EXPECT_TRUE(FocusMarkOn(again));
    EXPECT_GE(UnderlineOnOK(), 4);
    SendMessageA(WindowOf(*form), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    Pump();
    EXPECT_TRUE(FocusMarkOn(again));
}

}  // namespace
}  // namespace kelvara::controls::testing
