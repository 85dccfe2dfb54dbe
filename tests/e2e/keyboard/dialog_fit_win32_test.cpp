// Every dialog of the program in real windows under Wine, in the font Wine really draws with:
// no caption is cut off (each label, drawn check box and drawn button is at least as wide as its
// text needs, and a label or check box given more room paints nothing more), the controls that had to grow are listed, and each dialog is saved as a picture
// (KV_DIALOG_SHOTS=<folder>) for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/about_form.h"
#include "controls/skin_button.h"
#include "controls/skin_check_box.h"
#include "controls/skin_fit.h"
#include "defrag/ask_delete_form.h"
#include "defrag/system_point_form.h"
#include "hive/progress_form.h"
#include "platform/fake/scripted_system.h"
#include "settings/options_form.h"
#include "settings/options_setting.h"
#include "ui/application.h"
#include "ui/standard_controls.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/win32_api.h"
#include "ui/win32/win32_widget_set.h"

namespace kelvara::testing {
namespace {

using ui::win32::WindowOf;

// The window as it is on the screen, as a 24-bit BMP file.
void SaveWindowPicture(HWND window, const std::string& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// One past the last column in which the control, given `room` pixels of width, paints anything
// other than its own background (the colour of its far right column, row by row). A caption that
// its control cuts off shows up here past the control's width. Painted the way its window paints
// it, in the font Wine really draws with; nothing here asks the program how wide a text is.
template <class Painted>
int PaintedRight(Painted& control, int room) {
    const int designed = control.Width(), height = control.Height();
    control.SetWidth(room);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, room, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, room, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        ui::win32::GdiCanvas canvas(dc, {0, 0, room, height});
        control.Paint(canvas);
    }
    int right = 0;
    for (int y = 0; y < height; ++y) {
        const COLORREF background = GetPixel(dc, room - 1, y);
        for (int x = room - 2; x >= right; --x)
            if (GetPixel(dc, x, y) != background) {
                right = x + 1;
                break;
            }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    control.SetWidth(designed);
    return right;
}

class DialogFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<ui::Application>(std::make_unique<ui::win32::Win32WidgetSet>());
        app->SetTitle("Varnel Kelvara");
        settings::OptionsSetting = {};
        settings::OptionsSetting.Lan = "English";
        settings::OptionsSetting.IsAskBeforeDefrag = true;
        settings::OptionsSetting.IsShowLine = true;
        owner = ui::CreateForm<ui::Form>();
        owner->SetName("frmMain");
        owner->SetClientSize(556, 392);
        owner->SetPosition(ui::FormPosition::ScreenCenter);
        owner->Show();
    }
    void TearDown() override {
        owner.reset();
        app.reset();
    }

    // Shows the dialog without a modal loop (nothing it posts itself is handled), paints it and
    // its children at once, checks its captions and keeps its picture.
    void Check(ui::Form& dialog) {
        std::map<std::string, int> designed;
        for (ui::Component* c : dialog.Components())
            if (auto* control = dynamic_cast<ui::Control*>(c)) designed[control->Name()] = control->Width();
        dialog.Show();
        HWND window = WindowOf(dialog);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        for (ui::Component* c : dialog.Components()) {
            auto* control = dynamic_cast<ui::Control*>(c);
            if (control == nullptr || !control->IsShowing()) continue;
            const std::string where = dialog.Name() + "." + control->Name();
            if (control->Width() != designed[control->Name()])
                std::printf("resized: %s from %d to %d pixels, left %d ('%s')\n", where.c_str(),
                            designed[control->Name()], control->Width(), control->Left(), control->Caption().c_str());
            const int text = dialog.TextWidth(ui::StripAccessKey(control->Caption()), control->GetFont());
            int needed = 0;
            if (c->IsA<ui::TLabel>())
                needed = text;
            else if (c->IsA<controls::TSkinCheckBox>())
                needed = controls::TSkinCheckBox::kCaptionLeft + text;
            else if (c->IsA<controls::TSkinButton>())
                needed = text + 2 * controls::kButtonMargin;
            else
                continue;
            EXPECT_LE(needed, control->Width()) << where << " '" << control->Caption() << "' is cut off";
            // What it paints when given room to spare ends within its width.
            const int room = control->Width() + 80;
            int painted = 0;
            if (auto* label = dynamic_cast<ui::GraphicControl*>(control)) painted = PaintedRight(*label, room);
            else if (auto* box = dynamic_cast<controls::TSkinCheckBox*>(control)) painted = PaintedRight(*box, room);
            EXPECT_LE(painted, control->Width()) << where << " '" << control->Caption() << "' paints past its right edge";
            // Nor does it reach past its container.
            const int container = control->Parent() ? control->Parent()->Width() : dialog.ClientWidth();
            EXPECT_LE(control->Left() + control->Width(), container) << where;
        }
        if (const char* folder = std::getenv("KV_DIALOG_SHOTS")) {
            Sleep(100);
            SaveWindowPicture(window, std::string(folder) + "/" + dialog.Name() + ".bmp");
        }
        dialog.Hide();
    }

    std::unique_ptr<ui::Application> app;
    std::unique_ptr<ui::Form> owner;
    platform::fake::ScriptedSystem system;
};

TEST_F(DialogFitTest, OptionsDialog) {
    auto dialog = ui::CreateForm<settings::TfrmOptions>(owner.get());
    Check(*dialog);
}

TEST_F(DialogFitTest, ConfirmDialog) {
    auto dialog = ui::CreateForm<defrag::TfrmAskDelete>(owner.get());
    Check(*dialog);
}

TEST_F(DialogFitTest, AboutDialog) {
    auto dialog = ui::CreateForm<app::TfrmAbout>(owner.get());
    Check(*dialog);
}

TEST_F(DialogFitTest, ProgressWindow) {
    const std::vector<std::string> keys{"\\REGISTRY\\MACHINE\\SYSTEM"};
    const std::vector<std::string> files{"C:\\Windows\\System32\\config\\SYSTEM"};
    auto dialog = ui::CreateForm<hive::TfrmGetNewHiveProgess>(owner.get(), hive::ScanRun{keys, files, false, false, system});
    dialog->ProgressBar1().SetPosition(420);
    Check(*dialog);
}

TEST_F(DialogFitTest, RestorePointWindow) {
    auto dialog = ui::CreateForm<defrag::TfrmSystemPoint>(owner.get(), system);
    dialog->ProgressBar1().SetPosition(45);
    Check(*dialog);
    // Its worker may still be asking the scripted system; let it finish before the system goes.
    for (int i = 0; i < 200 && ui::RunningThreadCount() > 0; ++i) Sleep(10);
}

}  // namespace
}  // namespace kelvara::testing
