// SOFTWARE: file classes and COM registrations, installed programs, and the Windows 10
// version and profile list that the program and the offline platform read.
#include <set>

#include "content.h"
#include "hives.h"
#include "key_tree.h"
#include "names.h"
#include "security.h"

namespace kelvara::sample {

namespace {

std::string MadeUpExtension(Random& random) { return Cat({".", Word(random, 1, false), random.Hex(2)}); }

struct Registrations {
    std::vector<std::string> progIds;
    std::vector<std::string> clsids;
};

void AddClasses(KeySpec& classes, Random& random, Registrations& reg) {
    std::set<std::string> taken;
    // ProgIDs first, so extensions can point at them.
    for (int i = 0; i < 900; ++i) {
        const std::string progId = Unique(taken, random, [](Random& r) {
            return Cat({Word(r, 2), ".", Word(r, 2), r.Chance(50) ? "." + std::to_string(r.Between(1, 20)) : ""});
        });
        reg.progIds.push_back(progId);
    }
    for (int i = 0; i < 4200; ++i) reg.clsids.push_back(Unique(taken, random, [](Random& r) { return r.Guid(); }));

    std::vector<std::string> extensions;
    for (const auto& e : names::Extensions()) {
        if (Claim(taken, e)) extensions.push_back(e);
    }
    while (extensions.size() < 1400) extensions.push_back(Unique(taken, random, MadeUpExtension));

    for (const auto& ext : extensions) {
        KeySpec& k = Append(classes, ext);
        const std::string& progId = random.Pick(reg.progIds);
        Sz(k, "", progId);
        if (random.Chance(50)) Sz(k, "Content Type", "application/x-" + Word(random, 2, false));
        if (random.Chance(40)) Sz(k, "PerceivedType", random.Pick(std::vector<std::string>{"text", "image", "audio", "video", "document", "compressed"}));
        KeySpec& open = Append(k, "OpenWithProgids");
        for (int n = 0, m = static_cast<int>(random.Between(1, 4)); n < m; ++n) {
            Raw(open, random.Pick(reg.progIds) + (n ? std::to_string(n) : ""), regtype::None, {});
        }
        if (random.Chance(30)) Sz(Append(k, "ShellNew"), "NullFile", "");
    }
    for (const auto& progId : reg.progIds) {
        KeySpec& p = Append(classes, progId);
        Sz(p, "", ProductName(random) + " Document");
        Dword(p, "EditFlags", random.Between(0, 0x10000));
        Sz(Key(p, "CLSID"), "", random.Pick(reg.clsids));
        ExpandSz(Key(p, "DefaultIcon"), "", Cat({"%ProgramFiles%\\", Word(random, 2), "\\", Word(random, 2, false), ".exe,-", std::to_string(random.Between(1, 300))}));
        KeySpec& command = Key(p, "shell\\open\\command");
        ExpandSz(command, "", Cat({"\"%ProgramFiles%\\", Word(random, 2), "\\", Word(random, 2, false), ".exe\" \"%1\""}));
        if (random.Chance(30)) Key(p, "shell\\print\\command").values.push_back({"", regtype::Sz, regf::Utf16z("\"" + Word(random, 2) + ".exe\" /p \"%1\"")});
    }
    for (const char* verb : {"*", "Directory", "Drive", "Folder", "AllFilesystemObjects"}) {
        KeySpec& k = Key(classes, verb);
        KeySpec& handlers = Key(k, "shellex\\ContextMenuHandlers");
        for (int n = 0; n < 12; ++n) {
            KeySpec& handler = Append(handlers, Word(random, 3) + std::to_string(n));
            Sz(handler, "", random.Pick(reg.clsids));
        }
    }

    KeySpec& clsid = Key(classes, "CLSID");
    clsid.security = Encode(TrustedInstallerKey());
    for (const auto& id : reg.clsids) {
        KeySpec& c = Append(clsid, id);
        Sz(c, "", ProductName(random) + " Class");
        KeySpec& server = Append(c, random.Chance(80) ? "InprocServer32" : "LocalServer32");
        ExpandSz(server, "", "%SystemRoot%\\System32\\" + Word(random, 3, false) + ".dll");
        Sz(server, "ThreadingModel", random.Pick(std::vector<std::string>{"Apartment", "Both", "Free", "Neutral"}));
        if (random.Chance(30)) Sz(Append(c, "ProgID"), "", random.Pick(reg.progIds));
        if (random.Chance(20)) Sz(Append(c, "TypeLib"), "", random.Guid());
        if (random.Chance(10)) {
            KeySpec& cats = Append(c, "Implemented Categories");
            Append(cats, random.Guid());
        }
        if (random.Chance(5)) Binary(c, "AppID", random.Bytes(16));
    }
    KeySpec& interfaces = Key(classes, "Interface");
    for (int i = 0; i < 2200; ++i) {
        KeySpec& itf = Append(interfaces, Unique(taken, random, [](Random& r) { return r.Guid(); }));
        Sz(itf, "", Cat({"I", Word(random, 3), random.Pick(names::ProductWords())}));
        Sz(Append(itf, "ProxyStubClsid32"), "", random.Pick(reg.clsids));
        if (random.Chance(40)) Sz(Append(itf, "NumMethods"), "", std::to_string(random.Between(3, 40)));
    }
    KeySpec& typeLibs = Key(classes, "TypeLib");
    for (int i = 0; i < 300; ++i) {
        KeySpec& lib = Append(typeLibs, Unique(taken, random, [](Random& r) { return r.Guid(); }));
        KeySpec& version = Append(lib, std::to_string(random.Between(1, 9)) + ".0");
        Sz(version, "", ProductName(random) + " Type Library");
        Sz(Key(version, "0\\win32"), "", "C:\\Windows\\System32\\" + Word(random, 3, false) + ".tlb");
        Sz(Key(version, "FLAGS"), "", "0");
    }
}

void AddUninstall(KeySpec& currentVersion, Random& random) {
    KeySpec& uninstall = Key(currentVersion, "Uninstall");
    std::set<std::string> taken;
    for (int i = 0; i < 170; ++i) {
        const bool msi = random.Chance(60);
        const std::string name = msi ? Unique(taken, random, [](Random& r) { return r.Guid(); })
                                     : Unique(taken, random, ProductName);
        KeySpec& k = Append(uninstall, name);
        const std::string product = msi ? ProductName(random) : name;
        const std::string folder = "C:\\Program Files\\" + random.Pick(names::Vendors()) + "\\" + product;
        Sz(k, "DisplayName", product);
        Sz(k, "DisplayVersion", Version(random));
        Sz(k, "Publisher", random.Pick(names::Vendors()));
        Sz(k, "InstallDate", Cat({"20", std::to_string(random.Between(21, 24)), DecimalString(random.Between(1, 12), 2), DecimalString(random.Between(1, 28), 2)}));
        Sz(k, "InstallLocation", folder);
        Dword(k, "EstimatedSize", random.Between(200, 2000000));
        if (msi) {
            ExpandSz(k, "UninstallString", "MsiExec.exe /X" + name);
            ExpandSz(k, "ModifyPath", "MsiExec.exe /I" + name);
            Dword(k, "WindowsInstaller", 1);
            Dword(k, "Language", 1033);
            Dword(k, "VersionMajor", random.Between(1, 20));
            Dword(k, "VersionMinor", random.Between(0, 9));
            Dword(k, "Version", static_cast<std::uint32_t>(random.Next()));
            ExpandSz(k, "InstallSource", "C:\\ProgramData\\Package Cache\\" + random.Guid() + "\\");
        } else {
            Sz(k, "UninstallString", "\"" + folder + "\\uninstall.exe\"");
            Sz(k, "DisplayIcon", folder + "\\" + Word(random, 2, false) + ".exe,0");
            Dword(k, "NoModify", 1);
            Dword(k, "NoRepair", 1);
        }
        if (random.Chance(30)) Sz(k, "URLInfoAbout", "https://www." + Word(random, 2, false) + ".example/");
        if (random.Chance(20)) Sz(k, "HelpLink", "https://support." + Word(random, 2, false) + ".example/");
    }
}

void AddServicing(KeySpec& currentVersion, Random& random) {
    // Component servicing keeps thousands of small package keys: the bulk of a real SOFTWARE.
    KeySpec& cbs = Key(currentVersion, "Component Based Servicing");
    cbs.security = Encode(TrustedInstallerKey());
    KeySpec& packages = Key(cbs, "Packages");
    std::set<std::string> taken;
    for (int i = 0; i < 3800; ++i) {
        const std::string name = Unique(taken, random, [](Random& r) {
            return Cat({"Microsoft-Windows-", Word(r, 3), "-", Word(r, 2), "-Package~31bf3856ad364e35~amd64~",
                        r.Chance(40) ? "en-US" : "", "~10.0.19041.", std::to_string(r.Between(1, 3803))});
        });
        KeySpec& p = Append(packages, name);
        Dword(p, "CurrentState", random.Pick(std::vector<std::uint32_t>{0x70, 0x70, 0x70, 0x20, 0x50}));
        Dword(p, "InstallClient", 0);
        Sz(p, "InstallLocation", "\\\\?\\C:\\Windows\\Servicing\\Packages\\" + name.substr(0, 20) + ".mum");
        Dword(p, "InstallTimeHigh", 0x01D9 + random.Between(0, 40));
        Dword(p, "InstallTimeLow", static_cast<std::uint32_t>(random.Next()));
        Sz(p, "InstallName", name + ".mum");
        Sz(p, "InstallUser", sids::System);
        Dword(p, "Visibility", random.Between(1, 2));
        KeySpec& owners = Append(p, "Owners");
        Dword(owners, name.substr(0, 40) + "~" + random.Hex(4), 0x00200070);
    }
    KeySpec& sessions = Key(cbs, "SessionsPending");
    Dword(sessions, "Exclusive", 0);
    Dword(sessions, "TotalSessionPhases", 0);
}

void AddWindowsNtCurrentVersion(KeySpec& software, Random& random) {
    KeySpec& nt = Key(software, "Microsoft\\Windows NT\\CurrentVersion");
    Sz(nt, "CurrentVersion", "6.3");
    Dword(nt, "CurrentMajorVersionNumber", 10);
    Dword(nt, "CurrentMinorVersionNumber", 0);
    Sz(nt, "CurrentBuildNumber", "19045");
    Sz(nt, "CurrentBuild", "19045");
    Sz(nt, "ProductName", "Windows 10 Pro");
    Sz(nt, "EditionID", "Professional");
    Sz(nt, "InstallationType", "Client");
    Sz(nt, "ReleaseId", "2009");
    Sz(nt, "DisplayVersion", "22H2");
    Dword(nt, "UBR", 3803);
    Sz(nt, "CurrentType", "Multiprocessor Free");
    Sz(nt, "BuildLab", "19041.vb_release.191206-1406");
    Sz(nt, "BuildLabEx", "19041.1.amd64fre.vb_release.191206-1406");
    Sz(nt, "BuildBranch", "vb_release");
    Dword(nt, "InstallDate", 1678752000);
    Qword(nt, "InstallTime", FileTime(1678752000));
    Sz(nt, "RegisteredOwner", "Alex");
    Sz(nt, "RegisteredOrganization", "");
    Sz(nt, "SystemRoot", "C:\\WINDOWS");
    Sz(nt, "PathName", "C:\\WINDOWS");
    Sz(nt, "SoftwareType", "System");
    Sz(nt, "ProductId", "00330-80000-00000-AA" + DecimalString(random.Between(0, 999), 3));
    Binary(nt, "DigitalProductId", random.Bytes(164));
    Binary(nt, "DigitalProductId4", random.Bytes(1272));

    KeySpec& profiles = Key(nt, "ProfileList");
    ExpandSz(profiles, "Default", "%SystemDrive%\\Users\\Default");
    ExpandSz(profiles, "ProfilesDirectory", "%SystemDrive%\\Users");
    ExpandSz(profiles, "ProgramData", "%SystemDrive%\\ProgramData");
    ExpandSz(profiles, "Public", "%SystemDrive%\\Users\\Public");
    struct Profile {
        std::string sid;
        std::string path;
        std::uint32_t flags;
    };
    // Windows' own accounts keep their profiles in the system folder and have no hive files
    // in this installation; only Alex's profile has its NTUSER.DAT and UsrClass.dat.
    const Profile list[] = {
        {sids::System, "%systemroot%\\system32\\config\\systemprofile", 12},
        {sids::LocalService, "%systemroot%\\ServiceProfiles\\LocalService", 0},
        {sids::NetworkService, "%systemroot%\\ServiceProfiles\\NetworkService", 0},
        {sids::Alex, "C:\\Users\\Alex", 0},
    };
    for (const auto& p : list) {
        KeySpec& k = Append(profiles, p.sid);
        ExpandSz(k, "ProfileImagePath", p.path);
        Dword(k, "Flags", p.flags);
        Dword(k, "State", 0);
        Binary(k, "Sid", Sid(p.sid));
        if (p.sid == sids::Alex) {
            Dword(k, "FullProfile", 1);
            Dword(k, "ProfileLoadTimeHigh", 0x01DA4F21);
            Dword(k, "ProfileLoadTimeLow", 0x8C2E7A40);
            Dword(k, "LocalProfileLoadTimeHigh", 0x01DA4F21);
            Dword(k, "LocalProfileLoadTimeLow", 0x8C2E7A40);
            k.security = Encode(UserKey(sids::Alex));
        }
    }

    KeySpec& fonts = Key(nt, "Fonts");
    for (const auto& f : names::Fonts()) {
        Sz(fonts, f + " (TrueType)", Upper(f.substr(0, 6)) + ".TTF");
        Sz(fonts, f + " Bold (TrueType)", Upper(f.substr(0, 5)) + "BD.TTF");
        Sz(fonts, f + " Italic (TrueType)", Upper(f.substr(0, 5)) + "I.TTF");
    }

    KeySpec& winlogon = Key(nt, "Winlogon");
    Sz(winlogon, "Shell", "explorer.exe");
    Sz(winlogon, "Userinit", "C:\\Windows\\system32\\userinit.exe,");
    Sz(winlogon, "DefaultUserName", "Alex");
    Sz(winlogon, "LastUsedUsername", "Alex");
    Dword(winlogon, "AutoRestartShell", 1);

    // The performance counter names: a multi-string of a few hundred kilobytes, held as big data.
    KeySpec& perflib = Key(nt, "Perflib\\009");
    std::vector<std::string> counter, help;
    for (int i = 1; i < 5200; i += 2) {
        counter.push_back(std::to_string(i));
        counter.push_back(Cat({Word(random, 2), " ", random.Pick(names::ProductWords()), random.Chance(40) ? "/sec" : ""}));
        help.push_back(std::to_string(i + 1));
        help.push_back(Cat({"Shows the ", Word(random, 3, false), " of the ", Word(random, 2, false), " ", random.Pick(names::ProductWords()), "."}));
    }
    MultiSz(perflib, "Counter", counter);
    MultiSz(perflib, "Help", help);

    KeySpec& ifeo = Key(nt, "Image File Execution Options");
    for (int i = 0; i < 60; ++i) {
        KeySpec& k = Append(ifeo, Word(random, 2, false) + std::to_string(i) + ".exe");
        Dword(k, "MitigationOptions", static_cast<std::uint32_t>(random.Next()));
        if (random.Chance(30)) Binary(k, "MitigationAuditOptions", random.Bytes(16));
    }
}

void AddVendors(KeySpec& software, Random& random) {
    std::set<std::string> taken;
    for (const auto& vendor : names::Vendors()) {
        if (vendor == "Microsoft") continue;
        KeySpec& v = Key(software, vendor);
        for (int i = 0, n = static_cast<int>(random.Between(1, 5)); i < n; ++i) {
            const std::string product = Unique(taken, random, ProductName);
            KeySpec& p = Append(v, product);
            Sz(p, "InstallPath", "C:\\Program Files\\" + vendor + "\\" + product);
            Sz(p, "Version", Version(random));
            for (int k = 0, m = static_cast<int>(random.Between(0, 30)); k < m; ++k) {
                KeySpec& s = Append(p, Word(random, 2) + std::to_string(k));
                for (int j = 0, c = static_cast<int>(random.Between(1, 8)); j < c; ++j) {
                    const std::string name = Word(random, 3) + std::to_string(j);
                    if (random.Chance(50)) Dword(s, name, static_cast<std::uint32_t>(random.Next()));
                    else Sz(s, name, Word(random, 4, false));
                }
            }
        }
    }
}

}  // namespace

KeySpec MakeSoftwareHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(MachineKey());

    Registrations reg;
    AddClasses(Key(root, "Classes"), random, reg);

    KeySpec& currentVersion = Key(root, "Microsoft\\Windows\\CurrentVersion");
    ExpandSz(currentVersion, "ProgramFilesDir", "C:\\Program Files");
    ExpandSz(currentVersion, "CommonFilesDir", "C:\\Program Files\\Common Files");
    ExpandSz(currentVersion, "ProgramFilesPath", "%ProgramFiles%");
    Sz(currentVersion, "DevicePath", "%SystemRoot%\\inf");
    AddUninstall(currentVersion, random);
    AddServicing(currentVersion, random);
    KeySpec& run = Key(currentVersion, "Run");
    for (int i = 0; i < 6; ++i) {
        const std::string name = ProductName(random);
        Sz(run, name, Cat({"\"C:\\Program Files\\", Word(random, 2), "\\", Word(random, 2, false), ".exe\" /background"}));
    }
    KeySpec& appPaths = Key(currentVersion, "App Paths");
    for (int i = 0; i < 80; ++i) {
        KeySpec& a = Append(appPaths, Word(random, 2, false) + std::to_string(i) + ".exe");
        const std::string folder = "C:\\Program Files\\" + Word(random, 2);
        Sz(a, "", folder + "\\" + a.name);
        Sz(a, "Path", folder);
    }
    KeySpec& folders = Key(currentVersion, "Explorer\\FolderDescriptions");
    for (int i = 0; i < 110; ++i) {
        KeySpec& f = Append(folders, random.Guid());
        Sz(f, "Name", Word(random, 3));
        Dword(f, "Category", random.Between(1, 4));
        if (random.Chance(50)) Sz(f, "RelativePath", Word(random, 2));
        if (random.Chance(40)) Sz(f, "ParentFolder", random.Guid());
        if (random.Chance(20)) Binary(f, "PropertyBag", random.Bytes(random.Between(40, 300)));
    }
    KeySpec& policies = Key(currentVersion, "Policies\\System");
    policies.security = Encode(Inherited(TrustedInstallerKey()));
    Dword(policies, "EnableLUA", 1);
    Dword(policies, "ConsentPromptBehaviorAdmin", 5);
    Dword(policies, "PromptOnSecureDesktop", 1);

    AddWindowsNtCurrentVersion(root, random);
    AddVendors(root, random);
    KeySpec& wow = Key(root, "WOW6432Node");
    AddVendors(wow, random);
    Sz(Key(wow, "Microsoft\\Windows\\CurrentVersion"), "ProgramFilesDir", "C:\\Program Files (x86)");
    KeySpec& registered = Key(root, "RegisteredApplications");
    for (int i = 0; i < 25; ++i) {
        const std::string name = ProductName(random);
        Sz(registered, name, "Software\\Clients\\" + Word(random, 2) + "\\Capabilities");
    }
    Dword(Key(root, "Policies\\Microsoft\\Windows\\DataCollection"), "AllowTelemetry", 1);
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

}  // namespace kelvara::sample
