// Looks at Kelvara.exe and its running windows from outside, for the languages script. One
// command per run; the answer goes to stdout, the exit code says whether it could be done.
//
//   language_probe strings <exe>    every string-table entry read back with LoadStringA from the
//                                   executable; prints "<id> ok" or "<id> MISMATCH: <text>";
//                                   exit 1 when any differs or is missing
//   language_probe wait <seconds>   wait until the main window exists
//   language_probe columns          the main window's list view column titles, one a line
//   language_probe caption          the main window's caption
//   language_probe dialog <caption> <seconds>
//                                   wait until a visible top-level window with that caption exists
//   language_probe rect <caption>   left top width height of that window
//   language_probe client <caption> left top width height of that window's client area, on the
//                                   screen (a window manager's frame, if any, left out)
//   language_probe close            ask the main window to close
//   language_probe gone <seconds>   wait until the main window has gone
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/string_table.h"

namespace {

const char kMainWindowClass[] = "Varnel Kelvara Made by Varnel Software";

int Fail(const char* what)
{
    std::fprintf(stderr, "language_probe: %s\n", what);
    return 1;
}

int CompareStrings(const char* exe)
{
    HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return Fail("cannot load the executable's resources");
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

bool WaitFor(bool wantWindow, double seconds)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if ((FindWindowA(kMainWindowClass, nullptr) != nullptr) == wantWindow)
            return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        Sleep(100);
    }
}

// The list view of another process writes the titles into that process's memory, so the
// request and its buffer are placed there and read back.
bool PrintColumns(HWND list)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return false;
    const SIZE_T textSize = 512;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVCOLUMNA) + textSize, MEM_COMMIT,
                                                     PAGE_READWRITE));
    bool ok = remote != nullptr;
    for (int column = 0; ok; ++column) {
        LVCOLUMNA request = {};
        request.mask = LVCF_TEXT;
        request.pszText = remote + sizeof(LVCOLUMNA);
        request.cchTextMax = static_cast<int>(textSize);
        ok = WriteProcessMemory(process, remote, &request, sizeof request, nullptr);
        if (!ok || !SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(remote)))
            break;
        char text[textSize] = {};
        ok = ReadProcessMemory(process, remote + sizeof(LVCOLUMNA), text, textSize - 1, nullptr);
        if (ok)
            std::printf("%s\n", text);
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return ok;
}

struct Search {
    const char* caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<Search*>(search);
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && std::strcmp(caption, s.caption) == 0) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindByCaption(const char* caption)
{
    Search search{caption};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: language_probe strings|wait|columns|caption|dialog|rect|client|close|gone");
    const std::string command = argv[1];
    if (command == "strings" && argc > 2)
        return CompareStrings(argv[2]);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    if (command == "wait")
        return WaitFor(true, seconds) ? 0 : Fail("no main window appeared");
    if (command == "gone")
        return WaitFor(false, seconds) ? 0 : Fail("the main window is still there");
    if (command == "dialog" && argc > 2) {
        const double wait = argc > 3 ? std::atof(argv[3]) : 20.0;
        const DWORD deadline = GetTickCount() + static_cast<DWORD>(wait * 1000);
        while (!FindByCaption(argv[2])) {
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                return Fail("no such window");
            Sleep(100);
        }
        return 0;
    }
    if ((command == "rect" || command == "client") && argc > 2) {
        HWND window = FindByCaption(argv[2]);
        if (!window)
            return Fail("no such window");
        RECT r = {};
        if (command == "rect") {
            GetWindowRect(window, &r);
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        } else {
            GetClientRect(window, &r);
            POINT origin = {0, 0};
            ClientToScreen(window, &origin);
            std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right - r.left, r.bottom - r.top);
        }
        return 0;
    }

    HWND main = FindWindowA(kMainWindowClass, nullptr);
    if (!main)
        return Fail("no main window");
    if (command == "columns") {
        HWND list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
        if (!list)
            return Fail("the main window has no list view");
        return PrintColumns(list) ? 0 : Fail("could not read the column titles");
    }
    if (command == "caption") {
        char caption[256] = {};
        GetWindowTextA(main, caption, sizeof caption);
        std::printf("%s\n", caption);
        return 0;
    }
    if (command == "close") {
        PostMessageA(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return Fail("unknown command");
}
