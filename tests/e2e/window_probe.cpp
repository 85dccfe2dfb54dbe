// Looks at the running Kelvara main window from outside, as another program would, for the
// end-to-end script. One command per run; the answer goes to stdout, the exit code says whether
// the command could be carried out.
//
//   window_probe wait <seconds>     wait until the main window exists (exit 1 on timeout)
//   window_probe count              number of top-level windows of the main window's class
//   window_probe rows               rows of the main window's list view (LVM_GETITEMCOUNT)
//   window_probe captions           the rows' first-column texts, one a line
//   window_probe rect               left top width height of the main window on the screen
//   window_probe columns            per column of the list: its width, the width of its title
//                                   in MS Sans Serif 8 pt (the window's font), and the title
//   window_probe titles             the list's column titles alone, one a line
//   window_probe caption            the main window's caption
//   window_probe strings <exe>      every string-table entry read back with LoadStringA from the
//                                   executable; prints "<id> ok" or "<id> MISMATCH: <text>";
//                                   exit 1 when any differs or is missing
//   window_probe client             width height of its client area
//   window_probe state              "iconic" or "normal", then "foreground" or "background"
//   window_probe minimize           minimise the main window (as its user would)
//   window_probe close              ask the main window to close (WM_CLOSE)
//   window_probe gone <seconds>     wait until no window of the class is left (exit 1 on timeout)
//   window_probe dialog <caption> <seconds>
//                                   wait until a visible top-level window with that caption,
//                                   other than the main window, exists (exit 1 on timeout)
//   window_probe text <caption>     the texts of that window's static controls, one a line
//   window_probe menu <seconds>     wait until a popup menu shows (exit 1 on timeout)
//   window_probe move <caption> <x> <y>
//                                   move that window's top-left corner to the screen point
//   window_probe dialogrect <caption>
//                                   left top width height of that window's client area on the
//                                   screen (without a window manager, Xvfb shows no frame)
//   window_probe press <caption> <button text>
//                                   click the button with that text in that window
//   window_probe keyboardcues on|off
//                                   the user's "always show keyboard cues" setting, stored in
//                                   the prefix's profile for the programs started afterwards
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/string_table.h"

namespace {

const char kMainWindowClass[] = "Varnel Kelvara Made by Varnel Software";
// The window class of the program's own drawn controls (its dialogs' buttons and boxes).
const char kDrawnControlClass[] = "KelvaraControl";

HWND FindMainWindow()
{
    return FindWindowA(kMainWindowClass, nullptr);
}

HWND FindListView(HWND main)
{
    return FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter)
{
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, kMainWindowClass) == 0)
        ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int WindowCount()
{
    int count = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool WaitFor(bool wantWindow, double seconds)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if ((FindMainWindow() != nullptr) == wantWindow)
            return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        Sleep(100);
    }
}

// A list view in another process writes item texts into that process's memory only, so the
// request and its text buffer are placed there and read back.
bool PrintCaptions(HWND list)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                 FALSE, processId);
    if (!process)
        return false;
    const SIZE_T textSize = 512;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize,
                                                     MEM_COMMIT, PAGE_READWRITE));
    bool ok = remote != nullptr;
    const int rows = ok ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    for (int row = 0; ok && row < rows; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = 0;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        ok = WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        if (!ok)
            break;
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
        char text[textSize] = {};
        ok = ReadProcessMemory(process, remote + sizeof(LVITEMA), text, textSize - 1, nullptr);
        if (ok)
            std::printf("%s\n", text);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return ok;
}

// Each header item's width and title, read through the list's process, with the title measured
// in the main window's font; or the titles alone.
bool PrintColumns(HWND list, bool titlesOnly)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                 FALSE, processId);
    if (!header || !process)
        return false;
    const SIZE_T textSize = 256;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(HDITEMA) + textSize,
                                                     MEM_COMMIT, PAGE_READWRITE));
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    HGDIOBJ old = SelectObject(screen, font);
    bool ok = remote != nullptr;
    const int columns = ok ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; ok && i < columns; ++i) {
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = remote + sizeof(HDITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        ok = WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
             SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(remote)) &&
             ReadProcessMemory(process, remote, &item, sizeof item, nullptr);
        char text[textSize] = {};
        ok = ok && ReadProcessMemory(process, remote + sizeof(HDITEMA), text, textSize - 1, nullptr);
        SIZE extent = {};
        GetTextExtentPoint32A(screen, text, static_cast<int>(std::strlen(text)), &extent);
        if (ok && titlesOnly)
            std::printf("%s\n", text);
        else if (ok)
            std::printf("%d %ld %s\n", item.cxy, extent.cx, text);
    }
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return ok;
}

int CompareStrings(const char* exe)
{
    HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        std::fprintf(stderr, "window_probe: cannot load the resources of %s\n", exe);
        return 1;
    }
    int bad = 0;
    for (const kelvara::settings::StringEntry& entry : kelvara::settings::StringTable()) {
        char buffer[4097] = {};
        const int length = LoadStringA(module, entry.id, buffer, sizeof buffer);
        if (length > 0 && std::strcmp(buffer, entry.text) == 0) {
            std::printf("%u ok\n", entry.id);
        } else {
            std::printf("%u MISMATCH: '%s'\n", entry.id, buffer);
            ++bad;
        }
    }
    FreeLibrary(module);
    return bad == 0 ? 0 : 1;
}

struct Search {
    const char* caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<Search*>(search);
    char caption[256] = {}, name[128] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::strcmp(caption, s.caption) == 0 &&
        std::strcmp(name, kMainWindowClass) != 0) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchMenu(HWND window, LPARAM found)
{
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::strcmp(name, "#32768") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

bool WaitForMenu(double seconds)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND menu = nullptr;
        EnumWindows(MatchMenu, reinterpret_cast<LPARAM>(&menu));
        if (menu)
            return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        Sleep(100);
    }
}

// A dialog of the program or a message box (whose caption is the main window's too).
HWND FindDialog(const char* caption)
{
    Search search{caption};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(const char* caption, double seconds)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (HWND dialog = FindDialog(caption))
            return dialog;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return nullptr;
        Sleep(100);
    }
}

struct ChildSearch {
    const char* className;
    const char* text;   // nullptr: every child of the class
    HWND found = nullptr;
    bool print = false;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM search)
{
    auto& s = *reinterpret_cast<ChildSearch*>(search);
    char text[1024] = {}, name[128] = {};
    GetWindowTextA(child, text, sizeof text);
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, s.className) != 0)
        return TRUE;
    if (s.print) {
        std::printf("%s\n", text);
        return TRUE;
    }
    if (std::strcmp(text, s.text) == 0) {
        s.found = child;
        return FALSE;
    }
    return TRUE;
}

void Key(WORD vk, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// One key as a person types it: "tab", "shift+tab", "enter", "escape", "space", "alt+<letter>",
// "<letter>". False for a name it does not know.
bool TypeKey(const std::string& name)
{
    WORD modifier = 0;
    std::string key = name;
    if (key.rfind("shift+", 0) == 0) {
        modifier = VK_SHIFT;
        key = key.substr(6);
    } else if (key.rfind("alt+", 0) == 0) {
        modifier = VK_MENU;
        key = key.substr(4);
    }
    WORD vk = 0;
    if (key == "tab")
        vk = VK_TAB;
    else if (key == "enter")
        vk = VK_RETURN;
    else if (key == "escape")
        vk = VK_ESCAPE;
    else if (key == "space")
        vk = VK_SPACE;
    else if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0])))
        vk = static_cast<WORD>(std::toupper(static_cast<unsigned char>(key[0])));
    else
        return false;
    if (modifier)
        Key(modifier, false);
    Key(vk, false);
    Key(vk, true);
    if (modifier)
        Key(modifier, true);
    Sleep(150);
    return true;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "window_probe: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: window_probe wait|count|rows|captions|rect|columns|titles|caption|client|state|"
                    "minimize|close|gone|dialog|text|menu|move|dialogrect|press|keys|strings|keyboardcues");
    const std::string command = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;

    if (command == "strings" && argc > 2)
        return CompareStrings(argv[2]);
    if (command == "keyboardcues" && argc > 2) {
        const BOOL on = std::strcmp(argv[2], "on") == 0 ? TRUE : FALSE;
        if (!SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(on)),
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE))
            return Fail("the keyboard-cues setting could not be stored");
        return 0;
    }
    if (command == "wait")
        return WaitFor(true, seconds) ? 0 : Fail("no main window appeared");
    if (command == "gone")
        return WaitFor(false, seconds) ? 0 : Fail("the main window is still there");
    if (command == "count") {
        std::printf("%d\n", WindowCount());
        return 0;
    }

    HWND main = FindMainWindow();
    if (!main)
        return Fail("no window of class \"Varnel Kelvara Made by Varnel Software\"");

    if (command == "rows" || command == "captions") {
        HWND list = FindListView(main);
        if (!list)
            return Fail("the main window has no list view");
        if (command == "rows") {
            std::printf("%d\n", static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
            return 0;
        }
        return PrintCaptions(list) ? 0 : Fail("could not read the list view's texts");
    }
    if (command == "rect") {
        RECT r = {};
        GetWindowRect(main, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (command == "columns" || command == "titles") {
        HWND list = FindListView(main);
        if (!list)
            return Fail("the main window has no list view");
        return PrintColumns(list, command == "titles") ? 0 : Fail("could not read the list's column titles");
    }
    if (command == "caption") {
        char caption[256] = {};
        GetWindowTextA(main, caption, sizeof caption);
        std::printf("%s\n", caption);
        return 0;
    }
    if (command == "client") {
        RECT r = {};
        GetClientRect(main, &r);
        std::printf("%ld %ld\n", r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (command == "state") {
        std::printf("%s %s\n", IsIconic(main) ? "iconic" : "normal",
                    GetForegroundWindow() == main ? "foreground" : "background");
        return 0;
    }
    if (command == "minimize") {
        ShowWindow(main, SW_MINIMIZE);
        return 0;
    }
    if (command == "menu")
        return WaitForMenu(seconds) ? 0 : Fail("no popup menu showed");
    if (command == "dialog" && argc > 2) {
        const double wait = argc > 3 ? std::atof(argv[3]) : 20.0;
        return WaitForDialog(argv[2], wait) ? 0 : Fail("no such window");
    }
    if (command == "text" && argc > 2) {
        HWND dialog = FindDialog(argv[2]);
        if (!dialog)
            return Fail("no such window");
        ChildSearch search{"Static", nullptr, nullptr, true};
        EnumChildWindows(dialog, MatchChild, reinterpret_cast<LPARAM>(&search));
        return 0;
    }
    if (command == "move" && argc > 4) {
        HWND dialog = FindDialog(argv[2]);
        if (!dialog)
            return Fail("no such window");
        SetWindowPos(dialog, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    if (command == "dialogrect" && argc > 2) {
        HWND dialog = FindDialog(argv[2]);
        if (!dialog)
            return Fail("no such window");
        RECT r = {};
        GetClientRect(dialog, &r);
        POINT corner = {0, 0};
        ClientToScreen(dialog, &corner);
        std::printf("%ld %ld %ld %ld\n", corner.x, corner.y, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (command == "press" && argc > 3) {
        HWND dialog = FindDialog(argv[2]);
        if (!dialog)
            return Fail("no such window");
        ChildSearch search{"Button", argv[3]};
        EnumChildWindows(dialog, MatchChild, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            // The program's dialogs draw their own buttons, which answer BM_CLICK as well.
            search.className = kDrawnControlClass;
            EnumChildWindows(dialog, MatchChild, reinterpret_cast<LPARAM>(&search));
        }
        if (!search.found)
            return Fail("no such button");
        // Posted: the click may open a modal window, which a sent message would wait for.
        PostMessageA(search.found, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "keys" && argc > 3) {
        // keys <window caption> <key>...: the window to the front, then the keys typed into it.
        HWND dialog = FindDialog(argv[2]);
        if (!dialog)
            return Fail("no such window");
        SetForegroundWindow(dialog);
        Sleep(300);
        for (int i = 3; i < argc; ++i)
            if (!TypeKey(argv[i]))
                return Fail("unknown key name");
        return 0;
    }
    if (command == "close") {
        PostMessageA(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return Fail("unknown command");
}
