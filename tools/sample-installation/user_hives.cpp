// DEFAULT, NTUSER.DAT and UsrClass.dat: the per-user settings (control panel, shell state,
// recent files, per-application settings) and the per-user classes with the shell's folder
// view state.
#include <set>

#include "content.h"
#include "hives.h"
#include "key_tree.h"
#include "names.h"
#include "security.h"

namespace kelvara::sample {

namespace {

std::string Rot13(std::string text) {
    for (auto& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>('a' + (c - 'a' + 13) % 26);
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    }
    return text;
}

// What every user profile has, DEFAULT included: the control panel and console settings.
void AddControlPanel(KeySpec& root, Random& random) {
    KeySpec& panel = Key(root, "Control Panel");
    KeySpec& desktop = Key(panel, "Desktop");
    for (const char* name : {"ActiveWndTrackTimeout", "BlockSendInputResets", "CaretTimeout",
                             "CoolSwitchColumns", "CoolSwitchRows", "CursorBlinkRate",
                             "DockMoving", "DragFromMaximize", "DragFullWindows", "DragHeight",
                             "DragWidth", "FocusBorderHeight", "FocusBorderWidth",
                             "FontSmoothing", "FontSmoothingGamma", "FontSmoothingOrientation",
                             "FontSmoothingType", "ForegroundFlashCount", "HungAppTimeout",
                             "LowLevelHooksTimeout", "MenuShowDelay", "PaintDesktopVersion",
                             "Pattern", "RightOverlapChars", "ScreenSaveActive",
                             "SnapSizing", "TileWallpaper", "WallpaperStyle", "WheelScrollLines",
                             "WaitToKillAppTimeout"}) {
        Sz(desktop, name, std::to_string(random.Between(0, 5000)));
    }
    Sz(desktop, "Wallpaper", "C:\\Windows\\web\\wallpaper\\Windows\\img0.jpg");
    Binary(desktop, "UserPreferencesMask", {0x9E, 0x1E, 0x07, 0x80, 0x12, 0x00, 0x00, 0x00});
    KeySpec& metrics = Key(desktop, "WindowMetrics");
    for (const char* name : {"BorderWidth", "CaptionHeight", "CaptionWidth", "IconSpacing",
                             "IconVerticalSpacing", "MenuHeight", "MenuWidth",
                             "PaddedBorderWidth", "ScrollHeight", "ScrollWidth",
                             "SmCaptionHeight", "SmCaptionWidth", "Shell Icon Size"}) {
        Sz(metrics, name, "-" + std::to_string(random.Between(15, 1200)));
    }
    for (const char* font : {"CaptionFont", "IconFont", "MenuFont", "MessageFont", "SmCaptionFont", "StatusFont"}) {
        Binary(metrics, font, random.Bytes(92));
    }
    KeySpec& colors = Key(panel, "Colors");
    for (const char* name : {"ActiveBorder", "ActiveTitle", "AppWorkspace", "Background",
                             "ButtonAlternateFace", "ButtonDkShadow", "ButtonFace",
                             "ButtonHilight", "ButtonLight", "ButtonShadow", "ButtonText",
                             "GradientActiveTitle", "GradientInactiveTitle", "GrayText",
                             "Hilight", "HilightText", "HotTrackingColor", "InactiveBorder",
                             "InactiveTitle", "InactiveTitleText", "InfoText", "InfoWindow",
                             "Menu", "MenuBar", "MenuHilight", "MenuText", "Scrollbar",
                             "TitleText", "Window", "WindowFrame", "WindowText"}) {
        Sz(colors, name, Cat({std::to_string(random.Between(0, 255)), " ",
                              std::to_string(random.Between(0, 255)), " ",
                              std::to_string(random.Between(0, 255))}));
    }
    KeySpec& schemes = Key(panel, "Appearance\\Schemes");
    for (int i = 0; i < 16; ++i) Binary(schemes, "@themeui.dll,-" + std::to_string(850 + i), random.Bytes(1076));
    KeySpec& international = Key(panel, "International");
    Sz(international, "Locale", "00000409");
    Sz(international, "LocaleName", "en-US");
    Sz(international, "sShortDate", "M/d/yyyy");
    Sz(international, "sLongDate", "dddd, MMMM d, yyyy");
    Sz(international, "sTimeFormat", "h:mm:ss tt");
    Sz(international, "sDecimal", ".");
    Sz(international, "sThousand", ",");
    Sz(international, "sCurrency", "$");
    Sz(Key(international, "Geo"), "Nation", "244");
    KeySpec& mouse = Key(panel, "Mouse");
    for (const char* name : {"ActiveWindowTracking", "DoubleClickHeight", "DoubleClickSpeed", "DoubleClickWidth", "MouseHoverTime", "MouseSensitivity", "MouseSpeed", "MouseThreshold1", "MouseThreshold2", "SnapToDefaultButton", "SwapMouseButtons"}) {
        Sz(mouse, name, std::to_string(random.Between(0, 500)));
    }
    Binary(mouse, "SmoothMouseXCurve", random.Bytes(40));
    Binary(mouse, "SmoothMouseYCurve", random.Bytes(40));
    KeySpec& keyboard = Key(panel, "Keyboard");
    Sz(keyboard, "InitialKeyboardIndicators", "2147483648");
    Sz(keyboard, "KeyboardDelay", "1");
    Sz(keyboard, "KeyboardSpeed", "31");
    KeySpec& access = Key(panel, "Accessibility");
    for (const char* part : {"HighContrast", "Keyboard Response", "MouseKeys", "SoundSentry", "StickyKeys", "ToggleKeys", "TimeOut"}) {
        KeySpec& k = Key(access, part);
        Sz(k, "Flags", std::to_string(random.Between(0, 500)));
    }
    KeySpec& cursors = Key(panel, "Cursors");
    for (const char* name : {"AppStarting", "Arrow", "Crosshair", "Hand", "Help", "IBeam", "No", "NWPen", "SizeAll", "SizeNESW", "SizeNS", "SizeNWSE", "SizeWE", "UpArrow", "Wait"}) {
        ExpandSz(cursors, name, std::string("%SystemRoot%\\cursors\\aero_") + name + ".cur");
    }
    KeySpec& console = Key(root, "Console");
    for (int i = 0; i < 16; ++i) Dword(console, "ColorTable" + DecimalString(i, 2), static_cast<std::uint32_t>(random.Next() & 0xFFFFFF));
    Sz(console, "FaceName", "__DefaultTersoFont__");
    Dword(console, "FontSize", 0x100000);
    Dword(console, "ScreenBufferSize", 0x23290078);
    Dword(console, "WindowSize", 0x1E0078);
    KeySpec& sounds = Key(root, "AppEvents\\Schemes\\Apps\\.Default");
    for (const char* event : {".Default", "AppGPFault", "CCSelect", "ChangeTheme", "Close",
                              "CriticalBatteryAlarm", "DeviceConnect", "DeviceDisconnect",
                              "DeviceFail", "FaxBeep", "LowBatteryAlarm", "MailBeep", "Maximize",
                              "MenuCommand", "MenuPopup", "MessageNudge", "Minimize",
                              "Notification.Default", "Notification.IM", "Notification.Mail",
                              "Notification.Reminder", "Notification.SMS", "Open",
                              "PrintComplete", "ProximityConnection", "RestoreDown", "RestoreUp",
                              "ShowBand", "SystemAsterisk", "SystemExclamation", "SystemExit",
                              "SystemHand", "SystemNotification", "SystemQuestion",
                              "WindowsLogoff", "WindowsLogon", "WindowsUAC"}) {
        KeySpec& e = Append(sounds, event);
        for (const char* scheme : {".Current", ".Default", ".Modified"}) {
            ExpandSz(Append(e, scheme), "", std::string("%SystemRoot%\\media\\Windows ") + event + ".wav");
        }
    }
    KeySpec& layout = Key(root, "Keyboard Layout\\Preload");
    Sz(layout, "1", "00000409");
    KeySpec& env = Key(root, "Environment");
    ExpandSz(env, "TEMP", "%USERPROFILE%\\AppData\\Local\\Temp");
    ExpandSz(env, "TMP", "%USERPROFILE%\\AppData\\Local\\Temp");
}

void AddInternetSettings(KeySpec& currentVersion, Random& random) {
    KeySpec& internet = Key(currentVersion, "Internet Settings");
    Dword(internet, "ProxyEnable", 0);
    Dword(internet, "MigrateProxy", 1);
    Sz(internet, "User Agent", "Mozilla/4.0 (compatible; MSIE 8.0; Win32)");
    KeySpec& zones = Key(internet, "Zones");
    for (int z = 0; z <= 4; ++z) {
        KeySpec& zone = Append(zones, std::to_string(z));
        Sz(zone, "DisplayName", "@shell32.dll,-" + std::to_string(10000 + z));
        for (int i = 0; i < 40; ++i) Dword(zone, HexString(0x1000 + i * 7, 4), random.Between(0, 3));
    }
}

}  // namespace

KeySpec MakeDefaultHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(MachineKey());
    AddControlPanel(root, random);
    KeySpec& currentVersion = Key(root, "Software\\Microsoft\\Windows\\CurrentVersion");
    AddInternetSettings(currentVersion, random);
    KeySpec& explorer = Key(currentVersion, "Explorer");
    Binary(explorer, "ShellState", random.Bytes(36));
    KeySpec& shellFolders = Key(explorer, "User Shell Folders");
    for (const char* f : {"AppData", "Cache", "Cookies", "Desktop", "Favorites", "History", "Local AppData", "My Music", "My Pictures", "My Video", "NetHood", "Personal", "PrintHood", "Programs", "Recent", "SendTo", "Start Menu", "Startup", "Templates"}) {
        ExpandSz(shellFolders, f, std::string("%USERPROFILE%\\") + f);
    }
    KeySpec& vendors = Key(root, "Software");
    for (const auto& vendor : names::Vendors()) {
        if (random.Chance(60)) continue;
        KeySpec& v = Key(vendors, vendor);
        for (int i = 0, n = static_cast<int>(random.Between(5, 60)); i < n; ++i) {
            const std::string name = Word(random, 3) + std::to_string(i);
            Sz(v, name, Word(random, 5, false));
        }
    }
    Key(root, "System\\CurrentControlSet\\Control\\Network");
    KeySpec& mui = Key(root, "Software\\Classes\\Local Settings\\MuiCache");
    for (int i = 0; i < 2500; ++i) {
        const std::string name = "@%SystemRoot%\\system32\\" + Word(random, 3, false) + ".dll,-" + std::to_string(i);
        Sz(mui, name, ProductName(random));
    }
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

KeySpec MakeUserHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(UserKey(sids::Alex));
    AddControlPanel(root, random);
    Sz(Key(root, "Control Panel\\Desktop"), "Wallpaper", "C:\\Users\\Alex\\Pictures\\lake.jpg");
    ExpandSz(Key(root, "Environment"), "OneDrive", "C:\\Users\\Alex\\OneDrive");
    ExpandSz(Key(root, "Environment"), "Path", "%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;");

    KeySpec& currentVersion = Key(root, "Software\\Microsoft\\Windows\\CurrentVersion");
    AddInternetSettings(currentVersion, random);
    KeySpec& run = Key(currentVersion, "Run");
    Sz(run, "OneDrive", "\"C:\\Users\\Alex\\AppData\\Local\\Microsoft\\OneDrive\\OneDrive.exe\" /background");
    Sz(run, "Spotify", "\"C:\\Users\\Alex\\AppData\\Roaming\\Spotify\\Spotify.exe\" /minimized");

    KeySpec& explorer = Key(currentVersion, "Explorer");
    Binary(explorer, "ShellState", random.Bytes(36));
    KeySpec& userAssist = Key(explorer, "UserAssist");
    for (int g = 0; g < 2; ++g) {
        KeySpec& count = Key(Append(userAssist, random.Guid()), "Count");
        for (int i = 0; i < 260; ++i) {
            // The shell stores these program paths ROT13-encoded.
            const std::string path = Cat({"C:\\Program Files\\", Word(random, 2), "\\", Word(random, 2, false), std::to_string(i), ".exe"});
            Binary(count, Rot13(path), random.Bytes(72));
        }
    }
    KeySpec& recent = Key(explorer, "RecentDocs");
    std::set<std::string> extensions;
    for (int e = 0; e < 90; ++e) {
        const std::string ext = e < 60 ? names::Extensions()[e * 2] : "." + Word(random, 1, false) + std::to_string(e);
        if (!Claim(extensions, ext)) continue;
        KeySpec& k = Append(recent, ext);
        Bytes order;
        for (int i = 0; i < 20; ++i) {
            Bytes item = Utf16(Word(random, 3) + ext);
            item.insert(item.end(), 2, 0);
            const Bytes tail = random.Bytes(random.Between(60, 200));
            item.insert(item.end(), tail.begin(), tail.end());
            Binary(k, std::to_string(i), item);
            for (int b = 0; b < 4; ++b) order.push_back(static_cast<std::uint8_t>(b == 0 ? i : 0));
        }
        order.insert(order.end(), 4, 0xFF);
        Binary(k, "MRUListEx", order);
    }
    KeySpec& fileExts = Key(explorer, "FileExts");
    for (const auto& ext : names::Extensions()) {
        KeySpec& k = Append(fileExts, ext);
        KeySpec& list = Append(k, "OpenWithList");
        Sz(list, "a", Word(random, 2, false) + ".exe");
        Sz(list, "MRUList", "a");
        Raw(Append(k, "OpenWithProgids"), Word(random, 2) + ext, regtype::None, {});
        if (random.Chance(50)) {
            KeySpec& choice = Append(k, "UserChoice");
            Sz(choice, "Hash", random.Hex(11) + "=");
            Sz(choice, "ProgId", Word(random, 2) + ext);
        }
    }
    KeySpec& typed = Key(explorer, "TypedPaths");
    for (int i = 1; i <= 25; ++i) Sz(typed, "url" + std::to_string(i), "C:\\Users\\Alex\\" + Word(random, 2));
    KeySpec& folders = Key(explorer, "User Shell Folders");
    for (const char* f : {"AppData", "Cache", "Cookies", "Desktop", "Favorites", "History", "Local AppData", "My Music", "My Pictures", "My Video", "NetHood", "Personal", "PrintHood", "Programs", "Recent", "SendTo", "Start Menu", "Startup", "Templates"}) {
        ExpandSz(folders, f, std::string("%USERPROFILE%\\") + f);
    }
    // The cloud store keeps the start menu's layout as large binary blobs: big data in a
    // user's hive.
    KeySpec& cloud = Key(currentVersion, "CloudStore\\Store\\Cache\\DefaultAccount");
    for (int i = 0; i < 40; ++i) {
        KeySpec& entry = Key(Append(cloud, Cat({"$de${", random.Guid().substr(1, 36), "}$", Word(random, 3, false)})), "Current");
        const bool big = i % 8 == 0;
        Binary(entry, "Data", random.Bytes(big ? random.Between(20000, 70000) : random.Between(100, 3000)));
    }
    KeySpec& software = Key(root, "Software");
    std::set<std::string> taken;
    for (const auto& vendor : names::Vendors()) {
        KeySpec& v = Key(software, vendor);
        for (int p = 0, n = static_cast<int>(random.Between(1, 4)); p < n; ++p) {
            KeySpec& product = Append(v, Unique(taken, random, ProductName));
            for (int s = 0, m = static_cast<int>(random.Between(2, 25)); s < m; ++s) {
                KeySpec& section = Append(product, Word(random, 2) + std::to_string(s));
                for (int i = 0, c = static_cast<int>(random.Between(1, 14)); i < c; ++i) {
                    const std::uint32_t kind = random.Between(0, 3);
                    const std::string name = Word(random, 3) + std::to_string(i);
                    switch (kind) {
                    case 0: Dword(section, name, static_cast<std::uint32_t>(random.Next())); break;
                    case 1: Sz(section, name, Word(random, 4, false)); break;
                    case 2: Binary(section, name, random.Bytes(random.Between(4, 600))); break;
                    default: Qword(section, name, random.Next()); break;
                    }
                }
            }
        }
    }
    KeySpec& office = Key(software, "Microsoft\\Office\\16.0");
    for (const char* app : {"Word", "Excel", "PowerPoint"}) {
        KeySpec& mru = Key(office, std::string(app) + "\\User MRU\\ADAL_" + random.Hex(16) + "\\File MRU");
        for (int i = 1; i <= 50; ++i) {
            Sz(mru, "Item " + std::to_string(i), Cat({"[F00000000][T01D9", random.Hex(12), "][O00000000]*C:\\Users\\Alex\\Documents\\", Word(random, 3), ".docx"}));
        }
    }
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

KeySpec MakeUserClassesHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(UserKey(sids::Alex));
    KeySpec& shell = Key(root, "Local Settings\\Software\\Microsoft\\Windows\\Shell");
    // The folder view state: BagMRU is a tree of shell items, Bags holds each folder's view.
    std::uint32_t nodeSlot = 0;
    struct Builder {
        Random& random;
        std::uint32_t& nodeSlot;
        void Node(KeySpec& node, int depth) {
            Dword(node, "NodeSlot", ++nodeSlot);
            const int children = depth >= 4 ? 0 : static_cast<int>(random.Between(depth == 0 ? 8 : 1, depth == 0 ? 8 : 6));
            Bytes order;
            for (int i = 0; i < children; ++i) {
                Bytes item = {0x31, 0x00};
                const Bytes name = Utf16(Word(random, 3));
                item.insert(item.end(), name.begin(), name.end());
                const Bytes tail = random.Bytes(random.Between(30, 180));
                item.insert(item.end(), tail.begin(), tail.end());
                Binary(node, std::to_string(i), item);
                order.push_back(static_cast<std::uint8_t>(i));
                order.insert(order.end(), 3, 0);
                Node(Append(node, std::to_string(i)), depth + 1);
            }
            order.insert(order.end(), 4, 0xFF);
            Binary(node, "MRUListEx", order);
        }
    };
    Builder{random, nodeSlot}.Node(Key(shell, "BagMRU"), 0);
    KeySpec& bags = Key(shell, "Bags");
    for (std::uint32_t slot = 1; slot <= nodeSlot; ++slot) {
        KeySpec& view = Key(Append(bags, std::to_string(slot)), "Shell\\" + random.Guid());
        Dword(view, "FFlags", 0x41200001);
        Dword(view, "Mode", random.Between(1, 8));
        Dword(view, "LogicalViewMode", random.Between(1, 5));
        Binary(view, "Vid", random.Bytes(16));
        Binary(view, "Sort", random.Bytes(random.Between(40, 120)));
        Binary(view, "ColInfo", random.Bytes(random.Between(100, 400)));
        Dword(view, "IconSize", 16);
    }
    KeySpec& mui = Key(root, "Local Settings\\MuiCache\\" + random.Hex(3) + "\\52C64B7E");
    for (int i = 0; i < 900; ++i) {
        const std::string name = Cat({"@{Microsoft.", Word(random, 3), "_", random.Hex(13), "?ms-resource://",
                                      Word(random, 2), "/Resources/", Word(random, 2), "}"});
        Sz(mui, name, ProductName(random));
    }
    KeySpec& packages = Key(root, "Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\Repository\\Packages");
    std::set<std::string> taken;
    for (int i = 0; i < 140; ++i) {
        const std::string name = Unique(taken, random, [](Random& r) {
            return Cat({"Microsoft.", Word(r, 3), "_", std::to_string(r.Between(1, 9)), ".",
                        std::to_string(r.Between(0, 3000)), ".0.0_x64__8wekyb3d8bbwe"});
        });
        KeySpec& p = Append(packages, name);
        Sz(p, "DisplayName", "@{" + name + "?ms-resource://" + Word(random, 2) + "/DisplayName}");
        Sz(p, "PackageID", name);
        Sz(p, "PackageRootFolder", "C:\\Program Files\\WindowsApps\\" + name);
        Dword(p, "PackageStatus", 0);
        for (int a = 0, n = static_cast<int>(random.Between(1, 5)); a < n; ++a) {
            KeySpec& app = Append(p, "App" + std::to_string(a));
            Sz(app, "AppUserModelID", name + "!App" + std::to_string(a));
            KeySpec& caps = Append(app, "Capabilities");
            Sz(caps, "ApplicationName", ProductName(random));
            Sz(caps, "ApplicationDescription", "@{" + name + "?ms-resource://" + Word(random, 2) + "/Description}");
        }
    }
    KeySpec& extensions = Key(root, "Extensions\\ContractId\\Windows.BackgroundTasks\\PackageId");
    for (const auto& name : taken) {
        KeySpec& activatable = Key(Append(extensions, name), "ActivatableClassId\\" + Word(random, 3) + ".BackgroundTask");
        Sz(activatable, "Server", name.substr(0, 20) + "_Server");
        Dword(activatable, "Threading", 0);
    }
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

}  // namespace kelvara::sample
