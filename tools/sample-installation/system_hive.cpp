// SYSTEM: one control set with many services, device classes and devices, the boot selection
// and the mounted devices.
#include <set>

#include "content.h"
#include "hives.h"
#include "key_tree.h"
#include "names.h"
#include "security.h"

namespace kelvara::sample {

namespace {

constexpr std::uint32_t KernelDriver = 1, FileSystemDriver = 2, OwnProcess = 16, SharedProcess = 32;

void AddService(KeySpec& services, const std::string& name, Random& random) {
    KeySpec& s = Append(services, name);
    const bool driver = random.Chance(45);
    const std::uint32_t type = driver ? (random.Chance(85) ? KernelDriver : FileSystemDriver)
                                      : (random.Chance(70) ? SharedProcess : OwnProcess);
    Dword(s, "Type", type);
    Dword(s, "Start", driver ? random.Between(0, 4) : random.Between(2, 4));
    Dword(s, "ErrorControl", random.Between(0, 1));
    if (driver) {
        ExpandSz(s, "ImagePath", "\\SystemRoot\\System32\\drivers\\" + name + ".sys");
        Sz(s, "Group", random.Pick(std::vector<std::string>{
                           "Boot Bus Extender", "System Bus Extender", "SCSI miniport",
                           "Base", "PnP Filter", "Extended Base", "NDIS", "File System"}));
        Sz(s, "DisplayName", "@" + name + ".inf,%" + name + ".SvcDesc%;" + name + " Driver");
    } else {
        const bool shared = type == SharedProcess;
        ExpandSz(s, "ImagePath", shared ? "%SystemRoot%\\system32\\svchost.exe -k " +
                                              random.Pick(std::vector<std::string>{
                                                  "netsvcs -p", "LocalService -p",
                                                  "LocalServiceNetworkRestricted -p",
                                                  "NetworkService", "DcomLaunch -p"})
                                        : "%SystemRoot%\\System32\\" + name + ".exe");
        Sz(s, "DisplayName", "@%SystemRoot%\\system32\\" + name + ".dll,-" +
                                 std::to_string(random.Between(100, 9000)));
        Sz(s, "Description", "@%SystemRoot%\\system32\\" + name + ".dll,-" +
                                 std::to_string(random.Between(100, 9000)));
        Sz(s, "ObjectName", random.Pick(std::vector<std::string>{
                                "LocalSystem", "NT AUTHORITY\\LocalService",
                                "NT AUTHORITY\\NetworkService"}));
        Dword(s, "ServiceSidType", random.Between(0, 1));
        MultiSz(s, "RequiredPrivileges",
                {"SeChangeNotifyPrivilege", "SeCreateGlobalPrivilege", "SeImpersonatePrivilege"});
        Bytes failure(20 + 8 * 3, 0);
        failure[0] = 0x80;
        failure[1] = 0x51;
        failure[2] = 0x01;
        failure[12] = 3;
        for (int i = 0; i < 3; ++i) failure[20 + 8 * i] = 1;
        Binary(s, "FailureActions", failure);
        if (shared) {
            KeySpec& p = Key(s, "Parameters");
            ExpandSz(p, "ServiceDll", "%SystemRoot%\\system32\\" + name + ".dll");
            Dword(p, "ServiceDllUnloadOnStop", 1);
        }
        if (random.Chance(20)) {
            // A service allowed to write its own key carries its own descriptor.
            std::string serviceSid = "S-1-5-80";
            for (int i = 0; i < 5; ++i) serviceSid += "-" + std::to_string(random.Next() >> 33);
            s.security = Encode(ServiceKey(serviceSid));
        }
        if (random.Chance(25)) {
            KeySpec& trigger = Key(s, "TriggerInfo\\0");
            Dword(trigger, "Type", random.Between(1, 7));
            Dword(trigger, "Action", 1);
            Binary(trigger, "GUID", random.Bytes(16));
            Binary(trigger, "Data0", Utf16(Word(random, 3)));
            Dword(trigger, "DataType0", 2);
        }
    }
    if (random.Chance(30)) MultiSz(s, "DependOnService", {"RpcSs", random.Pick(names::Services())});
    if (random.Chance(35)) {
        KeySpec& p = Key(s, "Parameters");
        for (int i = 0, n = static_cast<int>(random.Between(1, 6)); i < n; ++i) {
            const std::string timeout = Word(random, 3) + "Timeout";
            Dword(p, timeout, random.Between(0, 60000));
        }
        if (random.Chance(30)) Binary(p, "Settings", random.Bytes(random.Between(32, 900)));
    }
    if (driver && random.Chance(40)) {
        KeySpec& e = Key(s, "Enum");
        Sz(e, "0", "ROOT\\" + Upper(name) + "\\0000");
        Dword(e, "Count", 1);
        Dword(e, "NextInstance", 1);
    }
    if (random.Chance(10)) {
        KeySpec& sec = Key(s, "Security");
        Binary(sec, "Security", Encode(MachineKey()));
    }
}

void AddEventLog(KeySpec& services, Random& random, std::set<std::string>& sources) {
    KeySpec& log = Key(services, "EventLog");
    for (const char* channel : {"Application", "System", "Security", "HardwareEvents"}) {
        KeySpec& c = Key(log, channel);
        ExpandSz(c, "File", std::string("%SystemRoot%\\System32\\Winevt\\Logs\\") + channel + ".evtx");
        Dword(c, "MaxSize", 20971520);
        Dword(c, "Retention", 0);
        const int count = channel == std::string("HardwareEvents") ? 5 : 320;
        for (int i = 0; i < count; ++i) {
            std::string name;
            do {
                name = random.Chance(50) ? random.Pick(names::Services())
                                         : Cat({Word(random, 2), random.Pick(names::ProductWords())});
            } while (!Claim(sources, std::string(channel) + "\\" + name));
            KeySpec& src = Append(c, name);
            ExpandSz(src, "EventMessageFile", "%SystemRoot%\\System32\\" + Word(random, 2, false) + ".dll");
            Dword(src, "TypesSupported", 7);
            if (random.Chance(30)) Sz(src, "ProviderGuid", random.Guid());
            if (random.Chance(15)) ExpandSz(src, "CategoryMessageFile", "%SystemRoot%\\System32\\" + name + ".dll");
        }
    }
}

void AddDeviceClasses(KeySpec& control, Random& random) {
    KeySpec& classes = Key(control, "Class");
    for (const auto& name : names::DeviceClasses()) {
        KeySpec& c = Append(classes, random.Guid());
        Sz(c, "", name);
        Sz(c, "Class", name);
        Sz(c, "ClassDesc", "@" + name + ".inf,%ClassDesc%;" + name);
        Sz(c, "IconPath", "%SystemRoot%\\System32\\setupapi.dll,-" + std::to_string(random.Between(1, 60)));
        for (int i = 0, n = static_cast<int>(random.Between(1, 14)); i < n; ++i) {
            KeySpec& d = Append(c, DecimalString(i, 4));
            Sz(d, "DriverDesc", ProductName(random));
            Sz(d, "ProviderName", random.Pick(names::Vendors()));
            Sz(d, "DriverVersion", Version(random));
            Sz(d, "DriverDate", DriverDate(random));
            Binary(d, "DriverDateData", random.Bytes(8));
            Sz(d, "InfPath", "oem" + std::to_string(random.Between(1, 120)) + ".inf");
            Sz(d, "InfSection", Word(random, 3) + ".NT");
            Sz(d, "MatchingDeviceId", Cat({"pci\\ven_", random.Hex(4), "&dev_", random.Hex(4)}));
            if (random.Chance(30)) Binary(d, "ResourcePickerTags", random.Bytes(random.Between(16, 200)));
        }
    }
}

void AddEnum(KeySpec& set, Random& random) {
    KeySpec& e = Key(set, "Enum");
    const char* buses[] = {"ACPI", "HID", "HDAUDIO", "PCI", "ROOT", "SCSI", "STORAGE", "SWD", "USB", "USBSTOR", "DISPLAY", "BTHENUM"};
    for (const char* bus : buses) {
        KeySpec& b = Key(e, bus);
        std::set<std::string> ids;
        for (int i = 0, n = static_cast<int>(random.Between(20, 70)); i < n; ++i) {
            std::string id = std::string(bus) == "PCI"
                                 ? Cat({"VEN_", HexString(random.Next(), 4), "&DEV_", HexString(random.Next(), 4),
                                        "&SUBSYS_", HexString(random.Next(), 8), "&REV_", HexString(random.Next(), 2)})
                                 : Cat({Upper(Word(random, 3)), "_", HexString(random.Next(), 4)});
            if (!Claim(ids, id)) continue;
            KeySpec& device = Append(b, id);
            for (int k = 0, m = static_cast<int>(random.Between(1, 3)); k < m; ++k) {
                KeySpec& inst = Append(device, Cat({std::to_string(random.Between(1, 9)), "&", random.Hex(8), "&0&", DecimalString(k, 4)}));
                Sz(inst, "DeviceDesc", Cat({"@", Word(random, 2, false), ".inf,%", Word(random, 2, false), "%;", ProductName(random)}));
                MultiSz(inst, "HardwareID", {std::string(bus) + "\\" + id, std::string(bus) + "\\" + id.substr(0, 8)});
                MultiSz(inst, "CompatibleIDs", {std::string(bus) + "\\CC_" + random.Hex(6)});
                Sz(inst, "ClassGUID", random.Guid());
                Sz(inst, "Driver", Cat({random.Guid(), "\\", DecimalString(random.Between(0, 12), 4)}));
                Sz(inst, "Mfg", random.Pick(names::Vendors()));
                Sz(inst, "Service", random.Pick(names::Services()));
                Dword(inst, "ConfigFlags", 0);
                Dword(inst, "Capabilities", random.Between(0, 0xFF));
                Sz(inst, "ContainerID", random.Guid());
                KeySpec& params = Append(inst, "Device Parameters");
                if (random.Chance(50)) Dword(params, "EnhancedPowerManagementEnabled", 1);
                if (random.Chance(30)) Binary(params, "LowerFilters", random.Bytes(24));
                KeySpec& props = Append(inst, "Properties");
                KeySpec& set1 = Append(props, random.Guid());
                for (int p = 2, q = 2 + static_cast<int>(random.Between(1, 4)); p < q; ++p) {
                    // Device properties keep their property type in the value type, with the
                    // high word set: unusual types the engine must carry unchanged.
                    KeySpec& item = Append(set1, DecimalString(p, 4));
                    const std::uint32_t type = 0xFFFF0000u | random.Between(1, 0x12);
                    Raw(item, "", type, random.Bytes(random.Between(4, 64)));
                }
            }
        }
    }
}

void AddControl(KeySpec& set, Random& random) {
    KeySpec& control = Key(set, "Control");
    Sz(control, "CurrentUser", "USERNAME");
    Sz(control, "SystemBootDevice", "multi(0)disk(0)rdisk(0)partition(3)");
    Sz(control, "SystemStartOptions", " NOEXECUTE=OPTIN  FVEBOOT=2703360  NOVGA");
    Sz(control, "WaitToKillServiceTimeout", "5000");
    Dword(control, "BootDriverFlags", 0x1C);
    Sz(Key(control, "ComputerName\\ComputerName"), "ComputerName", "DESKTOP-K3LV4RA");
    Sz(Key(control, "ComputerName\\ActiveComputerName"), "ComputerName", "DESKTOP-K3LV4RA");

    KeySpec& sm = Key(control, "Session Manager");
    MultiSz(sm, "BootExecute", {"autocheck autochk *"});
    Dword(sm, "CriticalSectionTimeout", 2592000);
    Dword(sm, "ProtectionMode", 1);
    KeySpec& env = Key(sm, "Environment");
    ExpandSz(env, "ComSpec", "%SystemRoot%\\system32\\cmd.exe");
    Sz(env, "OS", "Windows_NT");
    ExpandSz(env, "Path", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;%SYSTEMROOT%\\System32\\WindowsPowerShell\\v1.0\\;%SYSTEMROOT%\\System32\\OpenSSH\\");
    Sz(env, "PATHEXT", ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC");
    Sz(env, "PROCESSOR_ARCHITECTURE", "AMD64");
    Sz(env, "NUMBER_OF_PROCESSORS", "8");
    ExpandSz(env, "TEMP", "%SystemRoot%\\TEMP");
    ExpandSz(env, "TMP", "%SystemRoot%\\TEMP");
    ExpandSz(env, "windir", "%SystemRoot%");
    Sz(env, "DriverData", "C:\\Windows\\System32\\Drivers\\DriverData");
    KeySpec& mm = Key(sm, "Memory Management");
    MultiSz(mm, "PagingFiles", {"?:\\pagefile.sys"});
    MultiSz(mm, "ExistingPageFiles", {"\\??\\C:\\pagefile.sys"});
    Dword(mm, "ClearPageFileAtShutdown", 0);
    Dword(mm, "FeatureSettings", 0);
    Dword(Key(mm, "PrefetchParameters"), "EnablePrefetcher", 3);
    // The application compatibility cache is one of the largest values of a real SYSTEM hive.
    Binary(Key(sm, "AppCompatCache"), "AppCompatCache", RecordCache(random, "10ts", 180 * 1024));
    KeySpec& known = Key(sm, "KnownDLLs");
    for (const char* dll : {"advapi32", "clbcatq", "combase", "COMDLG32", "coml2", "DifxApi", "gdi32", "gdiplus", "IMAGEHLP", "IMM32", "kernel32", "MSCTF", "MSVCRT", "NORMALIZ", "NSI", "ole32", "OLEAUT32", "PSAPI", "rpcrt4", "sechost", "Setupapi", "SHCORE", "SHELL32", "SHLWAPI", "user32", "WLDAP32", "WS2_32"}) {
        Sz(known, dll, std::string(dll) + ".dll");
    }

    KeySpec& lsa = Key(control, "Lsa");
    MultiSz(lsa, "Authentication Packages", {"msv1_0"});
    MultiSz(lsa, "Notification Packages", {"scecli"});
    MultiSz(lsa, "Security Packages", {"\"\""});
    Dword(lsa, "LimitBlankPasswordUse", 1);
    Dword(lsa, "NoLmHash", 1);
    // These four keys keep their secret in the class name, which the engine must carry.
    for (const char* part : {"JD", "Skew1", "GBG", "Data"}) {
        Key(lsa, part).className = random.Hex(8);
    }

    KeySpec& nls = Key(control, "Nls");
    KeySpec& codePage = Key(nls, "CodePage");
    for (int cp : {37, 437, 500, 708, 720, 737, 775, 850, 852, 855, 857, 858, 860, 861, 862, 863, 864, 865, 866, 869, 870, 874, 875, 932, 936, 949, 950, 1026, 1047, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361, 10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10010, 10017, 10021, 10029, 10079, 10081, 10082, 20000, 20001, 20002, 20003, 20004, 20005, 20105, 20106, 20107, 20108, 20127, 20261, 20269, 20273, 20277, 20278, 20280, 20284, 20285, 20290, 20297, 20420, 20423, 20424, 20833, 20838, 20866, 20871, 20880, 20905, 20924, 20932, 20936, 20949, 21025, 21027, 21866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605}) {
        Sz(codePage, std::to_string(cp), "c_" + std::to_string(cp) + ".nls");
    }
    Sz(codePage, "ACP", "1252");
    Sz(codePage, "OEMCP", "437");
    KeySpec& locale = Key(nls, "Locale");
    for (int i = 0; i < 220; ++i) Sz(locale, HexString(0x0401 + i * 3, 8), std::to_string(random.Between(1, 15)));

    KeySpec& layouts = Key(control, "Keyboard Layouts");
    for (int i = 0; i < 160; ++i) {
        KeySpec& l = Append(layouts, HexString((i % 8) * 0x10000 + 0x0401 + i, 8));
        Sz(l, "Layout File", "KBD" + Upper(Word(random, 1)) + std::to_string(i) + ".DLL");
        Sz(l, "Layout Text", Word(random, 3));
        ExpandSz(l, "Layout Display Name", "@%SystemRoot%\\system32\\input.dll,-" + std::to_string(5000 + i));
    }

    KeySpec& tz = Key(control, "TimeZoneInformation");
    Dword(tz, "Bias", 0xFFFFFFC4);
    Sz(tz, "StandardName", "@tzres.dll,-322");
    Sz(tz, "DaylightName", "@tzres.dll,-321");
    Sz(tz, "TimeZoneKeyName", "W. Europe Standard Time");
    Binary(tz, "StandardStart", random.Bytes(16));
    Binary(tz, "DaylightStart", random.Bytes(16));
    Dword(tz, "DynamicDaylightTimeDisabled", 0);

    KeySpec& windows = Key(control, "Windows");
    Dword(windows, "CSDVersion", 0);
    Binary(windows, "ShutdownTime", random.Bytes(8));
    ExpandSz(windows, "Directory", "%SystemRoot%");

    KeySpec& interfaces = Key(control, "DeviceClasses");
    for (int i = 0; i < 90; ++i) {
        KeySpec& g = Append(interfaces, random.Guid());
        for (int k = 0, n = static_cast<int>(random.Between(1, 6)); k < n; ++k) {
            KeySpec& link = Append(g, Cat({"##?#", Upper(Word(random, 2)), "#", random.Hex(8), "&", std::to_string(k), "#", random.Guid()}));
            Sz(link, "DeviceInstance", "ROOT\\" + Upper(Word(random, 2)) + "\\" + DecimalString(k, 4));
            Dword(Key(link, "#\\Control"), "ReferenceCount", 1);
        }
    }
    AddDeviceClasses(control, random);

    KeySpec& print = Key(control, "Print\\Environments\\Windows x64\\Drivers\\Version-3");
    for (int i = 0; i < 6; ++i) {
        KeySpec& d = Append(print, Cat({random.Pick(names::Vendors()), " ", ProductName(random), " ", std::to_string(i)}));
        Sz(d, "Driver", "unidrv.dll");
        Sz(d, "Data File", Word(random, 2, false) + ".gpd");
        MultiSz(d, "Dependent Files", {"unidrv.dll", "unires.dll", "stdnames.gpd", "stddtype.gdl"});
        Dword(d, "Version", 3);
    }
}

}  // namespace

KeySpec MakeSystemHive(std::uint64_t seed) {
    Random random(seed);
    KeySpec root;
    root.name = "ROOT";
    root.security = Encode(MachineKey());

    KeySpec& set = Key(root, "ControlSet001");
    AddControl(set, random);
    AddEnum(set, random);
    Key(set, "Hardware Profiles\\0001");
    Key(set, "Policies");
    {
        KeySpec& services = Key(set, "Services");
        services.security = Encode(Inherited(MachineKey()));
        std::set<std::string> taken;
        for (const auto& name : names::Services()) {
            if (Claim(taken, name)) AddService(services, name, random);
        }
        // Third-party drivers and services on top of Windows' own.
        for (int i = 0; i < 120; ++i) {
            AddService(services, Unique(taken, random, [](Random& r) { return Word(r, 3); }), random);
        }
        KeySpec& tcpip = Key(services, "Tcpip\\Parameters\\Interfaces");
        for (int i = 0; i < 5; ++i) {
            KeySpec& nic = Append(tcpip, random.Guid());
            Dword(nic, "EnableDHCP", 1);
            Sz(nic, "DhcpIPAddress", "192.168.1." + std::to_string(random.Between(2, 250)));
            Sz(nic, "DhcpSubnetMask", "255.255.255.0");
            Sz(nic, "DhcpServer", "192.168.1.1");
            Dword(nic, "Lease", 86400);
            Dword(nic, "LeaseObtainedTime", static_cast<std::uint32_t>(random.Next()));
            MultiSz(nic, "DhcpDefaultGateway", {"192.168.1.1"});
        }
        std::set<std::string> sources;
        AddEventLog(services, random, sources);
    }

    KeySpec& select = Key(root, "Select");
    Dword(select, "Current", 1);
    Dword(select, "Default", 1);
    Dword(select, "Failed", 0);
    Dword(select, "LastKnownGood", 1);

    KeySpec& mounted = Key(root, "MountedDevices");
    // GPT volumes: "DMIO:ID:" and the partition GUID.
    Bytes systemDrive = {'D', 'M', 'I', 'O', ':', 'I', 'D', ':'};
    const Bytes partition = random.Bytes(16);
    systemDrive.insert(systemDrive.end(), partition.begin(), partition.end());
    Binary(mounted, "\\DosDevices\\C:", systemDrive);
    Binary(mounted, "\\DosDevices\\D:", Utf16("\\??\\SCSI#CdRom&Ven_NECVMWar&Prod_VMware_SATA_CD01#5&" + random.Hex(8) + "&0&000000#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}"));
    for (int i = 0; i < 7; ++i) {
        Bytes id = {'D', 'M', 'I', 'O', ':', 'I', 'D', ':'};
        const Bytes g = random.Bytes(16);
        id.insert(id.end(), g.begin(), g.end());
        Binary(mounted, "\\??\\Volume" + Upper(random.Guid()), i == 0 ? systemDrive : id);
    }

    KeySpec& database = Key(root, "DriverDatabase");
    Sz(database, "Architecture", "amd64");
    Dword(database, "Version", 0x0A000000);
    Key(database, "DriverInfFiles");
    Key(database, "DriverPackages");
    for (int i = 0; i < 480; ++i) {
        const std::string inf = i < 90 ? "oem" + std::to_string(i) + ".inf" : Word(random, 3, false) + std::to_string(i) + ".inf";
        const std::string package = inf + "_amd64_" + random.Hex(16);
        MultiSz(Append(Key(database, "DriverInfFiles"), inf), "", {package});
        KeySpec& p = Append(Key(database, "DriverPackages"), package);
        Sz(p, "", inf);
        Sz(p, "Provider", random.Pick(names::Vendors()));
        Binary(p, "Version", random.Bytes(32));
        Sz(p, "SignerName", "Microsoft Windows Hardware Compatibility Publisher");
        Dword(p, "SignerScore", 0x0D000005);
        KeySpec& descriptors = Append(p, "Descriptors");
        for (int k = 0, n = static_cast<int>(random.Between(1, 8)); k < n; ++k) {
            KeySpec& d = Key(descriptors, Cat({"PCI\\VEN_", HexString(random.Next(), 4), "&DEV_", HexString(random.Next(), 4), "&", std::to_string(k)}));
            Sz(d, "Configuration", Word(random, 2) + "_Install");
            Sz(d, "Description", "%" + Word(random, 3) + "%");
            Sz(d, "Manufacturer", "%" + Word(random, 2) + "%");
        }
        KeySpec& strings = Append(p, "Strings");
        for (int k = 0, n = static_cast<int>(random.Between(2, 10)); k < n; ++k) {
            const std::string name = Word(random, 2, false) + std::to_string(k);
            Sz(strings, name, ProductName(random));
        }
    }

    KeySpec& hw = Key(root, "HardwareConfig");
    Sz(hw, "LastConfig", random.Guid());
    KeySpec& board = Key(hw, random.Guid());
    Sz(board, "BIOSVendor", "American Megatrends Inc.");
    Sz(board, "BIOSVersion", "F" + std::to_string(random.Between(2, 40)));
    Sz(board, "SystemManufacturer", "Gigabyte Technology Co., Ltd.");
    Sz(board, "SystemProductName", "B550 AORUS ELITE");
    Binary(board, "ComputerIds", random.Bytes(200));

    KeySpec& setup = Key(root, "Setup");
    Sz(setup, "CmdLine", "setup -newsetup");
    Dword(setup, "OOBEInProgress", 0);
    Dword(setup, "SetupType", 0);
    Dword(setup, "SystemSetupInProgress", 0);
    Sz(setup, "SystemPartition", "\\Device\\HarddiskVolume1");
    Binary(Key(root, "RNG"), "Seed", random.Bytes(76));
    KeySpec& wpa = Key(root, "WPA");
    for (int i = 0; i < 12; ++i) {
        KeySpec& w = Append(wpa, Cat({random.Guid(), "-", random.Hex(6)}));
        Binary(w, "", random.Bytes(random.Between(40, 400)));
    }
    Key(root, "Software\\Microsoft\\DataCollection");
    StampTimes(root, random, FileTime(1678752000), FileTime(1732924800));
    return root;
}

}  // namespace kelvara::sample
