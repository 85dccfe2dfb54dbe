#include "names.h"

namespace kelvara::sample::names {

const std::vector<std::string>& Services() {
    static const std::vector<std::string> list = {
        "1394ohci", "3ware", "AarSvc", "ACPI", "AcpiDev", "acpiex", "acpipagr", "AcpiPmi",
        "acpitime", "Acx01000", "ADP80XX", "AFD", "afunix", "ahcache", "AJRouter", "ALG",
        "amdgpio2", "amdi2c", "AmdK8", "AmdPPM", "amdsata", "amdsbs", "amdxata", "AppID",
        "AppIDSvc", "Appinfo", "applockerfltr", "AppMgmt", "AppReadiness", "AppVClient",
        "AppvStrm", "AppvVemgr", "AppvVfs", "AppXSvc", "arcsas", "AssignedAccessManagerSvc",
        "AsyncMac", "atapi", "AudioEndpointBuilder", "Audiosrv", "autotimesvc", "AxInstSV",
        "b06bdrv", "bam", "BasicDisplay", "BasicRender", "BcastDVRUserService", "bcmfn2",
        "BDESVC", "Beep", "BFE", "bindflt", "BITS", "BluetoothUserService", "bowser",
        "BrokerInfrastructure", "BTAGService", "BthA2dp", "BthAvctpSvc", "BthEnum", "BthHFEnum",
        "BthLEEnum", "BthMini", "BTHMODEM", "BthPan", "BTHPORT", "bthserv", "BTHUSB", "bttflt",
        "buttonconverter", "CAD", "camsvc", "CaptureService", "cbdhsvc", "cdfs", "CDPSvc",
        "CDPUserSvc", "cdrom", "CertPropSvc", "cht4iscsi", "cht4vbd", "CimFS", "circlass",
        "CldFlt", "CLFS", "ClipSVC", "CmBatt", "CNG", "cnghwassist", "CompositeBus",
        "COMSysApp", "condrv", "ConsentUxUserSvc", "CoreMessagingRegistrar", "CredentialEnrollmentManagerUserSvc",
        "CryptSvc", "CSC", "CscService", "dam", "DcomLaunch", "defragsvc", "DeviceAssociationService",
        "DeviceInstall", "DevicePickerUserSvc", "DevQueryBroker", "Dfsc", "Dhcp", "diagnosticshub.standardcollector.service",
        "diagsvc", "DiagTrack", "disk", "DispBrokerDesktopSvc", "DisplayEnhancementService",
        "DmEnrollmentSvc", "dmvsc", "dmwappushservice", "Dnscache", "DoSvc", "dot3svc", "DPS",
        "drmkaud", "DsmSvc", "DsSvc", "DusmSvc", "e1dexpress", "EapHost", "ebdrv", "EFS",
        "EhStorClass", "EhStorTcgDrv", "embeddedmode", "EntAppSvc", "ErrDev", "EventLog",
        "EventSystem", "exfat", "fastfat", "Fax", "fdc", "fdPHost", "FDResPub", "fhsvc",
        "FileCrypt", "FileInfo", "Filetrace", "flpydisk", "FltMgr", "FontCache", "FrameServer",
        "GpuEnergyDrv", "gpsvc", "GraphicsPerfSvc", "HdAudAddService", "HDAudBus", "HidBatt",
        "HidBth", "hidi2c", "hidinterrupt", "HidIr", "hidserv", "hidspi", "HidUsb", "hns",
        "HpSAMD", "HTTP", "hvcrash", "HvHost", "hvservice", "HwNClx0101", "hwpolicy", "hyperkbd",
        "HyperVideo", "i8042prt", "iagpio", "iai2c", "iaLPSS2i_GPIO2", "iaLPSSi_I2C", "iaStorAVC",
        "iaStorV", "ibbus", "icssvc", "IKEEXT", "IndirectKmd", "InstallService", "intelide",
        "intelpep", "intelppm", "iorate", "IpFilterDriver", "iphlpsvc", "IPMIDRV", "IPNAT",
        "IPT", "isapnp", "iScsiPrt", "ItSas35i", "kbdclass", "kbdhid", "kdnic", "KeyIso",
        "KSecDD", "KSecPkg", "ksthunk", "KtmRm", "LanmanServer", "LanmanWorkstation", "lfsvc",
        "LicenseManager", "lltdio", "lltdsvc", "lmhosts", "LSI_SAS", "LSI_SAS2i", "LSI_SAS3i",
        "LSM", "luafv", "LxpSvc", "MapsBroker", "mausbhost", "mausbip", "MbbCx", "megasas",
        "megasas2i", "megasas35i", "megasr", "MessagingService", "Microsoft_Bluetooth_AvrcpTransport",
        "mlx4_bus", "MMCSS", "Modem", "monitor", "mouclass", "mouhid", "mountmgr", "mpsdrv",
        "mpssvc", "MRxDAV", "mrxsmb", "mrxsmb20", "MsBridge", "MSDTC", "Msfs", "msgpiowin32",
        "mshidkmdf", "mshidumdf", "msisadrv", "MSiSCSI", "msiserver", "MsKeyboardFilter",
        "MSKSSRV", "MsLldp", "MSPCLOCK", "MSPQM", "MsQuic", "MsRPC", "MsSecFlt", "mssmbios",
        "MSTEE", "MTConfig", "Mup", "mvumis", "NativeWifiP", "NaturalAuthentication",
        "NcaSvc", "NcbService", "NcdAutoSetup", "ndfltr", "NDIS", "NdisCap", "NdisImPlatform",
        "NdisTapi", "Ndisuio", "NdisVirtualBus", "NdisWan", "ndiswanlegacy", "NDKPing", "ndproxy",
        "Ndu", "NetAdapterCx", "NetBIOS", "NetbiosSmb", "NetBT", "Netlogon", "Netman", "netprofm",
        "NetSetupSvc", "NetTcpPortSharing", "netvsc", "NgcCtnrSvc", "NgcSvc", "NlaSvc", "Npfs",
        "npsvctrig", "nsi", "nsiproxy", "NTFS", "Null", "nvdimm", "nvraid", "nvstor", "OneSyncSvc",
        "p2pimsvc", "p2psvc", "Parport", "partmgr", "PcaSvc", "pci", "pciide", "pcmcia", "pcw",
        "pdc", "PEAUTH", "PeerDistSvc", "percsas2i", "percsas3i", "PerfHost", "PhoneSvc",
        "PimIndexMaintenanceSvc", "pla", "PlugPlay", "pmem", "PNPMEM", "PNRPAutoReg", "PNRPsvc",
        "PolicyAgent", "portcfg", "Power", "PptpMiniport", "PrintNotify", "PrintWorkflowUserSvc",
        "Processor", "ProfSvc", "Psched", "PushToInstall", "QWAVE", "QWAVEdrv", "Ramdisk",
        "RasAcd", "RasAgileVpn", "RasAuto", "Rasl2tp", "RasMan", "RasPppoe", "RasSstp", "rdbss",
        "rdpbus", "RDPDR", "RdpVideoMiniport", "rdyboost", "ReFS", "ReFSv1", "RemoteAccess",
        "RemoteRegistry", "RetailDemo", "RFCOMM", "rhproxy", "RmSvc", "RpcEptMapper", "RpcLocator",
        "RpcSs", "rspndr", "s3cap", "SamSs", "sbp2port", "SCardSvr", "ScDeviceEnum", "scfilter",
        "Schedule", "scmbus", "SCPolicySvc", "sdbus", "SDFRd", "SDRSVC", "sdstor", "seclogon",
        "SecurityHealthService", "SEMgrSvc", "SENS", "Sense", "SensorDataService", "SensorService",
        "SensrSvc", "SerCx", "SerCx2", "Serenum", "Serial", "sermouse", "SessionEnv", "sfloppy",
        "SgrmAgent", "SgrmBroker", "SharedAccess", "SharedRealitySvc", "ShellHWDetection",
        "shpamsvc", "SiSRaid2", "SiSRaid4", "SmartSAMD", "smbdirect", "smphost", "SmsRouter",
        "SNMPTRAP", "spaceparser", "spaceport", "SpatialGraphFilter", "SpbCx", "spectrum",
        "Spooler", "sppsvc", "srv2", "srvnet", "SSDPSRV", "ssh-agent", "SstpSvc", "StateRepository",
        "stexstor", "stisvc", "storahci", "storflt", "stornvme", "storqosflt", "StorSvc",
        "storufs", "storvsc", "svsvc", "swenum", "swprv", "Synth3dVsc", "SysMain",
        "SystemEventsBroker", "TabletInputService", "TapiSrv", "Tcpip", "Tcpip6", "TCPIP6TUNNEL",
        "tcpipreg", "TCPIPTUNNEL", "tdx", "Telemetry", "terminpt", "TermService", "Themes",
        "TieringEngineService", "TimeBrokerSvc", "TokenBroker", "TPM", "TrkWks", "TroubleshootingSvc",
        "TrustedInstaller", "TsUsbFlt", "TsUsbGD", "tsusbhub", "tunnel", "tzautoupdate", "UASPStor",
        "UcmCx0101", "UcmTcpciCx0101", "UcmUcsiAcpiClient", "UcmUcsiCx0101", "Ucx01000",
        "UdeCx", "udfs", "UdkUserSvc", "UEFI", "UevAgentDriver", "UevAgentService", "Ufx01000",
        "UfxChipidea", "ufxsynopsys", "uhssvc", "umbus", "UmPass", "UmRdpService", "UnistoreSvc",
        "upnphost", "UrsChipidea", "UrsCx01000", "UrsSynopsys", "usbaudio", "usbaudio2",
        "usbccgp", "usbcir", "usbehci", "usbhub", "USBHUB3", "usbohci", "usbprint", "usbser",
        "USBSTOR", "usbuhci", "USBXHCI", "UserDataSvc", "UserManager", "UsoSvc", "VacSvc",
        "VaultSvc", "vdrvroot", "vds", "VerifierExt", "vhdmp", "vhf", "Vid", "VirtualRender",
        "vmbus", "VMBusHID", "vmgid", "vmicguestinterface", "vmicheartbeat", "vmickvpexchange",
        "vmicrdv", "vmicshutdown", "vmictimesync", "vmicvmsession", "vmicvss", "volmgr",
        "volmgrx", "volsnap", "volume", "vpci", "vsmraid", "VSS", "VSTXRAID", "vwifibus",
        "W32Time", "WaaSMedicSvc", "WacomPen", "WalletService", "wanarp", "wanarpv6", "WarpJITSvc",
        "wbengine", "WbioSrvc", "wcifs", "Wcmsvc", "wcncsvc", "wcnfs", "WdBoot", "Wdf01000",
        "WdFilter", "WdiServiceHost", "WdiSystemHost", "wdiwifi", "WdmCompanionFilter", "WdNisDrv",
        "WdNisSvc", "WebClient", "Wecsvc", "WEPHOSTSVC", "wercplsupport", "WerSvc", "WFDSConMgrSvc",
        "WFPLWFS", "WiaRpc", "WIMMount", "WinDefend", "WindowsTrustedRT", "WindowsTrustedRTProxy",
        "WinHttpAutoProxySvc", "WinMad", "Winmgmt", "WinNat", "WinRM", "Winsock", "WinSock2",
        "WINUSB", "WinVerbs", "wisvc", "WlanSvc", "wlidsvc", "wlpasvc", "WManSvc", "WmiAcpi",
        "WmiApRpl", "wmiApSrv", "WMPNetworkSvc", "Wof", "workfolderssvc", "WpcMonSvc", "WPDBusEnum",
        "WpdUpFltr", "WpnService", "WpnUserService", "ws2ifsl", "wscsvc", "WSearch", "wuauserv",
        "WudfPf", "WUDFRd", "WwanSvc", "XblAuthManager", "XblGameSave", "xboxgip", "XboxGipSvc",
        "XboxNetApiSvc", "xinputhid"};
    return list;
}

const std::vector<std::string>& Vendors() {
    static const std::vector<std::string> list = {
        "Adobe", "Apple Inc.", "Audacity Team", "Autodesk", "Brother", "Canon", "Citrix",
        "Corsair", "Dell", "Docker Inc.", "Dropbox", "Epic Games", "GIMP Team", "Git", "Google",
        "HP", "Igor Pavlov", "Intel Corporation", "JetBrains", "Lenovo", "Logitech", "Microsoft",
        "Mozilla", "Node.js Foundation", "NVIDIA Corporation", "Notepad++ Team", "Oracle",
        "Python Software Foundation", "Realtek", "Spotify AB", "Steam", "TeamViewer",
        "The Document Foundation", "Valve", "VideoLAN", "VMware", "Zoom Video Communications"};
    return list;
}

const std::vector<std::string>& ProductWords() {
    static const std::vector<std::string> list = {
        "Studio", "Player", "Manager", "Assistant", "Center", "Tools", "Update", "Helper",
        "Runtime", "Driver", "Control", "Suite", "Viewer", "Editor", "Agent", "Service",
        "Connect", "Sync", "Cloud", "Desktop", "Audio", "Video", "Graphics", "Print", "Scan",
        "Backup", "Security", "Launcher", "Express", "Pro", "Lite", "Components", "Redistributable",
        "SDK", "Framework", "Bridge", "Monitor", "Capture", "Reader", "Converter"};
    return list;
}

const std::vector<std::string>& Extensions() {
    static const std::vector<std::string> list = {
        ".3g2", ".3gp", ".7z", ".aac", ".accdb", ".ai", ".aif", ".apk", ".appx", ".arj", ".asf",
        ".asp", ".aspx", ".avi", ".bak", ".bat", ".bin", ".bmp", ".cab", ".cat", ".cda", ".cer",
        ".cfg", ".chm", ".class", ".cmd", ".com", ".cpl", ".cpp", ".crt", ".cs", ".css", ".csv",
        ".cur", ".dat", ".db", ".deb", ".der", ".diagcab", ".dib", ".dll", ".dmg", ".doc",
        ".docm", ".docx", ".dot", ".dotx", ".drv", ".dwg", ".eml", ".eps", ".epub", ".exe",
        ".flac", ".fon", ".gif", ".gz", ".h", ".hlp", ".hta", ".htm", ".html", ".ico", ".ics",
        ".img", ".inf", ".ini", ".iso", ".jar", ".java", ".jfif", ".jpe", ".jpeg", ".jpg", ".js",
        ".json", ".jse", ".key", ".lnk", ".log", ".m3u", ".m4a", ".m4v", ".md", ".mdb", ".mid",
        ".mkv", ".mov", ".mp2", ".mp3", ".mp4", ".mpeg", ".mpg", ".msc", ".msg", ".msi", ".msp",
        ".msu", ".odp", ".ods", ".odt", ".ogg", ".otf", ".ova", ".p7b", ".pdf", ".pfx", ".php",
        ".pif", ".png", ".pps", ".ppt", ".pptx", ".ps1", ".psd", ".pst", ".py", ".rar", ".rdp",
        ".reg", ".rtf", ".scr", ".sh", ".sql", ".svg", ".swf", ".sys", ".tar", ".tif", ".tiff",
        ".tmp", ".torrent", ".ts", ".ttf", ".txt", ".url", ".vbs", ".vcf", ".vhd", ".vhdx",
        ".vsdx", ".wav", ".webm", ".webp", ".wma", ".wmv", ".woff", ".wpl", ".wsf", ".xaml",
        ".xhtml", ".xls", ".xlsm", ".xlsx", ".xml", ".xps", ".yaml", ".zip"};
    return list;
}

const std::vector<std::string>& DeviceClasses() {
    static const std::vector<std::string> list = {
        "AudioEndpoint", "Battery", "Biometric", "Bluetooth", "Camera", "CDROM", "Computer",
        "DiskDrive", "Display", "Extension", "Firmware", "HDC", "HIDClass", "Image", "Keyboard",
        "MEDIA", "Monitor", "Mouse", "Net", "Ports", "PrintQueue", "Printer", "Processor",
        "SCSIAdapter", "SecurityDevices", "Sensor", "SoftwareComponent", "SoftwareDevice",
        "System", "USB", "USBDevice", "Volume", "VolumeSnapshot", "WPD"};
    return list;
}

const std::vector<std::string>& Fonts() {
    static const std::vector<std::string> list = {
        "Arial", "Arial Black", "Bahnschrift", "Calibri", "Calibri Light", "Cambria", "Candara",
        "Comic Sans MS", "Consolas", "Constantia", "Corbel", "Courier New", "Ebrima",
        "Franklin Gothic Medium", "Gabriola", "Gadugi", "Georgia", "HoloLens MDL2 Assets",
        "Impact", "Ink Free", "Javanese Text", "Leelawadee UI", "Lucida Console",
        "Lucida Sans Unicode", "Malgun Gothic", "Marlett", "Microsoft Himalaya",
        "Microsoft JhengHei", "Microsoft New Tai Lue", "Microsoft PhagsPa", "Microsoft Sans Serif",
        "Microsoft Tai Le", "Microsoft YaHei", "Microsoft Yi Baiti", "MingLiU-ExtB",
        "Mongolian Baiti", "MS Gothic", "MV Boli", "Myanmar Text", "Nirmala UI", "Palatino Linotype",
        "Segoe MDL2 Assets", "Segoe Print", "Segoe Script", "Segoe UI", "Segoe UI Emoji",
        "Segoe UI Historic", "Segoe UI Symbol", "SimSun", "Sitka", "Sylfaen", "Symbol", "Tahoma",
        "Times New Roman", "Trebuchet MS", "Verdana", "Webdings", "Wingdings", "Yu Gothic"};
    return list;
}

const std::vector<std::string>& Syllables() {
    static const std::vector<std::string> list = {
        "ka", "lo", "mi", "ne", "ra", "tu", "vel", "dor", "sin", "mar", "tek", "zon", "pax",
        "qui", "bre", "fal", "gor", "hex", "jun", "lum", "nov", "ost", "pri", "sol", "tri",
        "ul", "ven", "wis", "xel", "yar"};
    return list;
}

}  // namespace kelvara::sample::names
