// The Win32 widget set with real windows: controls made for real, posted messages, timers,
// painting read back from a DC, the hit-test hook, the class name a second instance finds,
// modal loops, forced thread ends, and the error box.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/standard_controls.h"
#include "ui/thread.h"
#include "ui/timer.h"
#include "ui/win32/win32_api.h"
#include "ui/win32/win32_widget_set.h"

namespace kelvara::ui::win32 {
namespace {

constexpr unsigned WM_NUMBER = WmUser + 0x300;
constexpr unsigned WM_TEXT = WmUser + 0x301;
constexpr unsigned WM_SHOWMAIN = 0x6604;
const char kClassName[] = "Varnel Kelvara Made by Varnel Software";

class Win32Test : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<Application>(std::make_unique<Win32WidgetSet>());
        app->SetTitle("Varnel Kelvara");
    }
    void TearDown() override { app.reset(); }
    // Handles messages until done() or about five seconds have passed.
    void PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            app->ProcessMessages();
            Sleep(5);
        }
    }
    std::unique_ptr<Application> app;
};

class Blot : public GraphicControl {
public:
    void Paint(Canvas& c) override { c.FillRect(ClientRect(), clRed); }
};

class Counter : public CustomControl {
public:
    int clicks = 0, enters = 0;
    void Paint(Canvas& c) override { c.FillRect(ClientRect(), clBlue); }
    void Click() override { ++clicks; }
    void MouseEnter() override { ++enters; }
};

// A frameless window dragged by its background, with a label and a list view.
class TfrmMain : public Form {
public:
    TfrmMain() {
        SetName("frmMain");
        SetBorderStyle(BorderStyle::None);
        SetClientSize(320, 220);
        SetPosition(FormPosition::ScreenCenter);
        SetColor(clWhite);
        SetWindowClassName(kClassName);
        const ComponentSpec table[] = {
            {Kind<TLabel>, "lTitle", {10, 10, 120, 16}, "Varnel Kelvara", "", kBold | kTransparent},
            {Kind<Blot>, "blot", {150, 10, 20, 10}},
            {Kind<TListView>, "lvMain", {10, 40, 300, 120}, "", "", kGridLines | kReadOnly},
            {Kind<Counter>, "bMinimize", {280, 8, 24, 24}, "", "Minimize", kShowHint},
            {Kind<TButton>, "bOK", {10, 180, 75, 25}, "OK"},
        };
        AddComponents(table);
        auto& lv = Get<TListView>("lvMain");
        lv.AddColumn({"Hive Name", 205, TextAlign::Left});
        lv.AddColumn({"Current Size", 72, TextAlign::Right});
        lv.AddColumn({"New Size", 70, TextAlign::Right});
        lv.AddColumn({"Reduction", 65, TextAlign::Right});
    }
    int NcHitTest(Point screen, int defaultResult) override {
        if (defaultResult != HtClient) return defaultResult;
        Point p{screen.x - Left(), screen.y - Top()};
        for (Component* c : Components()) {
            auto* g = dynamic_cast<GraphicControl*>(c);
            if (g && g->IsShowing() && p.x >= g->Left() && p.x <= g->Left() + g->Width() && p.y >= g->Top() &&
                p.y <= g->Top() + g->Height())
                return HtClient;
        }
        return HtCaption;
    }
};

std::string ItemText(HWND lv, int row, int column) {
    char buffer[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(lv, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

TEST_F(Win32Test, AFormWithALabelAndAListViewIsMadeForReal) {
    auto& form = app->CreateForm<TfrmMain>();
    auto& lv = form.Get<TListView>("lvMain");
    lv.AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"", "", ""});
    lv.AddItem("\\REGISTRY\\USER\\.DEFAULT", {"", "", ""});
    lv.SetItemText(1, 3, "12 KB");
    form.Show();
    HWND hwnd = WindowOf(lv);
    ASSERT_NE(hwnd, nullptr);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysListView32");
    EXPECT_EQ(GetParent(hwnd), WindowOf(form));
    EXPECT_EQ(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(hwnd, LVM_GETCOLUMNWIDTH, 1, 0), 72);
    LVCOLUMNA column{};
    column.mask = LVCF_FMT;
    SendMessageA(hwnd, LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&column));
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
    EXPECT_EQ(ItemText(hwnd, 0, 0), "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(ItemText(hwnd, 1, 3), "12 KB");
    auto ex = SendMessageA(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
    EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
    lv.SetGridLines(false);
    EXPECT_FALSE(SendMessageA(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & LVS_EDITLABELS);
    // The frameless main form: client area = window, centred on the work area.
    RECT window{};
    GetWindowRect(WindowOf(form), &window);
    EXPECT_EQ(window.right - window.left, 320);
    EXPECT_EQ(form.ClientOffset(), (Point{0, 0}));
}

// A language switched after an analysis renames the columns of a list that holds the figures.
TEST_F(Win32Test, RenamingAColumnKeepsTheRowsFigures) {
    auto& form = app->CreateForm<TfrmMain>();
    auto& lv = form.Get<TListView>("lvMain");
    lv.AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"6,824 KB", "5,324 KB", "21%"});
    form.Show();
    HWND hwnd = WindowOf(lv);
    lv.SetColumnCaption(1, "Aktuelle Gr\xF6\xDF" "e");
    lv.SetColumnCaption(0, "Hive-Name");
    char buffer[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = sizeof buffer;
    SendMessageA(hwnd, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(buffer, "Aktuelle Gr\xF6\xDF" "e");
    EXPECT_EQ(ItemText(hwnd, 0, 0), "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(ItemText(hwnd, 0, 1), "6,824 KB");
    EXPECT_EQ(ItemText(hwnd, 0, 2), "5,324 KB");
    EXPECT_EQ(ItemText(hwnd, 0, 3), "21%");
    EXPECT_EQ(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0), 1);
}

TEST_F(Win32Test, PostedMessagesArriveInOrderAndPostsToAGoneFormAreDropped) {
    auto form = CreateForm<Form>();
    std::vector<std::string> seen;
    form->OnMessage(WM_NUMBER, [&](const Message& m) { seen.push_back(std::to_string(m.lParam)); });
    form->OnMessage(WM_TEXT, [&](const Message& m) { seen.push_back(m.text); });
    FormHandle handle = form->Handle();
    // "t0", "t1" and so on, appended: GCC 12 for i686 wrongly warns about "t" + to_string(i).
    auto text = [](int i) {
        std::string t = "t";
        t += std::to_string(i);
        return t;
    };
    std::thread worker([handle, text] {
        for (int i = 0; i < 200; ++i) {
            handle.Post(WM_NUMBER, 0, i);
            handle.PostText(WM_TEXT, text(i));
        }
    });
    worker.join();
    PumpUntil([&] { return seen.size() == 400; });
    ASSERT_EQ(seen.size(), 400u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(seen[2 * i], std::to_string(i));
        EXPECT_EQ(seen[2 * i + 1], text(i));
    }
    handle.PostText(WM_TEXT, "late");  // queued, then the form goes
    form.reset();
    EXPECT_FALSE(handle.Post(WM_NUMBER));
    app->ProcessMessages();
    EXPECT_EQ(seen.size(), 400u);
}

TEST_F(Win32Test, ATimerFiresInsideAModalLoop) {
    auto form = CreateForm<Form>();
    form->SetClientSize(100, 50);
    auto& timer = form->Add<TTimer>("Timer1");
    int ticks = 0;
    timer.OnTimer = [&](Component&) {
        if (++ticks == 3) form->SetModalResult(mrOk);
    };
    timer.SetInterval(20);
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(ticks, 3);
}

TEST_F(Win32Test, AWorkersWmCloseEndsAModalShowingWithCancel) {
    auto& main = app->CreateForm<TfrmMain>();
    main.Show();
    auto dialog = CreateForm<Form>(&main);
    dialog->SetClientSize(200, 80);
    dialog->SetCaption("Defrag Registry");
    bool ownerDisabled = false;
    std::vector<int> reports;
    dialog->OnMessage(WM_NUMBER, [&](const Message& m) {
        reports.push_back(static_cast<int>(m.lParam));
        ownerDisabled = !IsWindowEnabled(WindowOf(main));
    });
    FormHandle handle = dialog->Handle();
    std::thread worker([handle] {
        Sleep(50);
        for (int i = 1; i <= 5; ++i) handle.Post(WM_NUMBER, 0, i);
        handle.Post(WmClose);
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    worker.join();
    EXPECT_EQ(reports, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(WindowOf(main)));
    EXPECT_FALSE(IsWindowVisible(WindowOf(*dialog)));
}

TEST_F(Win32Test, TheCloseBoxGivesCancel) {
    auto dialog = CreateForm<Form>();
    dialog->SetClientSize(200, 80);
    auto& timer = dialog->Add<TTimer>("Timer1");
    timer.OnTimer = [&](Component&) {
        timer.SetEnabled(false);
        SendMessageA(WindowOf(*dialog), WM_SYSCOMMAND, SC_CLOSE, 0);  // what the close box sends
    };
    timer.SetInterval(30);
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
}

TEST_F(Win32Test, WindowlessControlsArePaintedIntoTheDc) {
    auto& form = app->CreateForm<TfrmMain>();
    form.Show();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, form.ClientWidth(), form.ClientHeight());
    HGDIOBJ old = SelectObject(memory, bitmap);
    PaintFormTo(form, memory);
    EXPECT_EQ(GetPixel(memory, 155, 15), RGB(255, 0, 0));   // inside the blot
    EXPECT_EQ(GetPixel(memory, 171, 15), RGB(255, 255, 255));  // the form's colour beside it
    int inked = 0;  // the title's glyphs
    for (int y = 10; y < 26; ++y)
        for (int x = 10; x < 130; ++x) inked += GetPixel(memory, x, y) != RGB(255, 255, 255);
    EXPECT_GT(inked, 30);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // The same through WM_PAINT on the real window.
    UpdateWindow(WindowOf(form));
    HDC window = GetDC(WindowOf(form));
    EXPECT_EQ(GetPixel(window, 160, 15), RGB(255, 0, 0));
    ReleaseDC(WindowOf(form), window);
}

TEST_F(Win32Test, TheHitTestHookGivesCaptionOnTheBackgroundAndClientOnALabel) {
    auto& form = app->CreateForm<TfrmMain>();
    form.Show();
    HWND hwnd = WindowOf(form);
    auto hit = [&](int x, int y) {
        Point s = form.ClientToScreen({x, y});
        return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y));
    };
    EXPECT_EQ(hit(200, 200), HTCAPTION);
    EXPECT_EQ(hit(20, 15), HTCLIENT);   // the title label
    EXPECT_EQ(hit(130, 26), HTCLIENT);  // its bottom-right corner counts
    EXPECT_EQ(hit(131, 27), HTCAPTION);
    form.Get<TLabel>("lTitle").Hide();
    EXPECT_EQ(hit(20, 15), HTCAPTION);
}

TEST_F(Win32Test, MouseMessagesReachWindowlessAndSelfDrawnControls) {
    auto& form = app->CreateForm<TfrmMain>();
    form.Show();
    int labelClicks = 0;
    form.Get<TLabel>("lTitle").OnClick = [&](Component&) { ++labelClicks; };
    HWND hwnd = WindowOf(form);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(21, 15));
    EXPECT_EQ(labelClicks, 1);
    auto& counter = form.Get<Counter>("bMinimize");
    HWND button = WindowOf(counter);
    ASSERT_NE(button, nullptr);
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(counter.enters, 1);
    EXPECT_EQ(counter.clicks, 1);
    int okClicks = 0;
    form.Get<TButton>("bOK").OnClick = [&](Component&) { ++okClicks; };
    SendMessageA(WindowOf(form.Get<TButton>("bOK")), BM_CLICK, 0, 0);
    EXPECT_EQ(okClicks, 1);
}

TEST_F(Win32Test, ASecondInstanceFindsTheMainWindowByItsClassName) {
    EXPECT_EQ(FindWindowA(kClassName, nullptr), nullptr);
    auto& form = app->CreateForm<TfrmMain>();
    EXPECT_EQ(FindWindowA(kClassName, nullptr), WindowOf(form));
    int shown = 0;
    form.OnMessage(WM_SHOWMAIN, [&](const Message& m) { shown += m.wParam == 0 && m.lParam == 0; });
    auto remote = app->FindWindowByClass(kClassName);
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(remote->Post(WM_SHOWMAIN, 0, 0));
    PumpUntil([&] { return shown == 1; });
    EXPECT_EQ(shown, 1);
}

TEST_F(Win32Test, TextIsMeasuredInTheFormsFontOnTheScreen) {
    Form form;
    Font bold = form.GetFont();
    bold.bold = true;
    int normal = form.TextWidth("Analyze Registry");
    EXPECT_GT(normal, 40);
    EXPECT_LT(normal, 200);
    EXPECT_GE(form.TextWidth("Analyze Registry", bold), normal);
    EXPECT_GT(form.TextWidth("Analyze Registry and more"), normal);
    EXPECT_EQ(form.TextWidth(""), 0);
}

TEST_F(Win32Test, AMissingResourceGivesNoBytes) {
    EXPECT_TRUE(app->Widgets().LoadResourceBytes("NO_SUCH_PICTURE").empty());
}

TEST_F(Win32Test, APostedMinimiseCommandMinimisesAndRestoreUndoesIt) {
    auto& form = app->CreateForm<TfrmMain>();
    form.Show();
    form.Post(WmSysCommand, ScMinimize, 0);  // as the minimise image button does
    PumpUntil([&] { return IsIconic(WindowOf(form)) != FALSE; });
    EXPECT_TRUE(app->IsMinimized());
    EXPECT_TRUE(form.Minimized());
    app->Restore();
    PumpUntil([&] { return !IsIconic(WindowOf(form)); });
    EXPECT_FALSE(app->IsMinimized());
    EXPECT_FALSE(form.Minimized());
}

BOOL CALLBACK CollectTooltip(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(param);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (GetWindow(hwnd, GW_OWNER) == found->first && lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0) found->second = hwnd;
    return TRUE;
}

TEST_F(Win32Test, ControlsWithHintsGetTooltips) {
    auto& form = app->CreateForm<TfrmMain>();
    form.Show();
    SendMessageA(WindowOf(form), WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));  // tools are brought up to date lazily
    std::pair<HWND, HWND> found{WindowOf(form), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.second, nullptr);
    EXPECT_EQ(SendMessageA(found.second, TTM_GETTOOLCOUNT, 0, 0), 1);  // only bMinimize shows its hint
    form.Get<TLabel>("lTitle").SetHint("Title");
    form.Get<TLabel>("lTitle").SetShowHint(true);
    SendMessageA(WindowOf(form), WM_MOUSEMOVE, 0, MAKELPARAM(201, 200));
    EXPECT_EQ(SendMessageA(found.second, TTM_GETTOOLCOUNT, 0, 0), 2);
}

class Spinner : public Thread {
public:
    std::atomic<int> laps{0};

protected:
    void Execute() override {
        for (;;) ++laps;  // never looks at the request: only a forced end stops it
    }
};

TEST_F(Win32Test, AForcedEndStopsAThreadThatIgnoresTheRequest) {
    auto* t = StartThread<Spinner>(false);
    ThreadHandle h = t->Handle();
    while (t->laps < 1000) Sleep(1);
    EXPECT_TRUE(h.ForceEnd(0));
    EXPECT_FALSE(h.Running());
    EXPECT_EQ(app->RunningThreads(), 0);
    int after = t->laps;
    Sleep(30);
    EXPECT_EQ(t->laps, after);
    delete t;
}

TEST_F(Win32Test, TheDefaultErrorHandlerShowsAStopBoxWithTheTitle) {
    std::atomic<bool> stop{false};
    std::string seenText;
    // The box is modal: a helper finds it, reads its text and presses OK.
    std::thread helper([&] {
        while (!stop) {
            HWND box = FindWindowA("#32770", "Varnel Kelvara");
            if (box) {
                char text[256] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the static text of a message box
                seenText = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    app->Guard([] { throw std::runtime_error("Unable to write to C:\\options.ini"); });
    stop = true;
    helper.join();
    EXPECT_EQ(seenText, "Unable to write to C:\\options.ini.");
}

}  // namespace
}  // namespace kelvara::ui::win32
